#include "song/eventlist.h"

#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace
{
constexpr size_t kFirstBlock = 256;
// Big songs get 2 MiB blocks the kernel can back with huge pages: a million
// events then cost a few dozen page faults instead of tens of thousands.
constexpr size_t kHugeBlockBytes = 2u << 20;
constexpr size_t kMaxBlock = kHugeBlockBytes / sizeof(EventNode);
} // namespace

void NodeChain::append(EventNode* n)
{
    n->next = nullptr;
    n->prev = tail;
    if (tail)
        tail->next = n;
    else
        head = n;
    tail = n;
}

bool isChannelEvent(int type)
{
    return type >= 0 && type < 16 && ((0x3DE0 >> type) & 1);
}

EventList::EventList() = default;

EventList::~EventList()
{
    clear();
}

void EventList::newBlock()
{
    blockNodes_ = blocks_.empty() ? kFirstBlock : std::min(blockNodes_ * 2, kMaxBlock);
    void* mem;
    if (blockNodes_ == kMaxBlock) {
        mem = std::aligned_alloc(kHugeBlockBytes, kHugeBlockBytes);
        if (mem) ::madvise(mem, kHugeBlockBytes, MADV_HUGEPAGE);
    } else {
        mem = std::malloc(blockNodes_ * sizeof(EventNode));
    }
    if (!mem) throw std::bad_alloc();
    blocks_.push_back(mem);
    blockNext_ = static_cast<EventNode*>(mem);
    blockEnd_ = blockNext_ + blockNodes_;
}

void EventList::freeBlocks()
{
    for (void* mem : blocks_) std::free(mem);
    blocks_.clear();
    blockNext_ = blockEnd_ = nullptr;
    blockNodes_ = 0;
    freeNodes_ = nullptr;
}

EventNode* EventList::newNode()
{
    void* place;
    if (freeNodes_) {
        place = freeNodes_;
        freeNodes_ = freeNodes_->next;
    } else {
        if (blockNext_ == blockEnd_) newBlock();
        place = blockNext_++;
    }
    return new (place) EventNode();
}

void EventList::freeData(EventNode* n)
{
    if (n->ownsData()) {
        std::free(n->event.data.ext.ptr);
        n->event.data.ext.ptr = nullptr;
        n->event.data.ext.len = 0;
    }
}

void EventList::releaseUnlinked(EventNode* n)
{
    freeData(n);
    n->next = freeNodes_;
    freeNodes_ = n;
}

void EventList::release(EventNode* n)
{
    unlink(n);
    releaseUnlinked(n);
}

void EventList::clear()
{
    for (EventNode* n : dataNodes_) freeData(n);
    dataNodes_.clear();
    head_ = tail_ = hint_ = nullptr;
    size_ = 0;
    ++revision_;
    freeBlocks();
}

void EventList::unlink(EventNode* n)
{
    ++revision_;
    if (n->prev)
        n->prev->next = n->next;
    else if (head_ == n)
        head_ = n->next;
    else
        return; // not linked
    if (n->next)
        n->next->prev = n->prev;
    else
        tail_ = n->prev;
    if (hint_ == n) hint_ = n->prev ? n->prev : head_;
    n->next = n->prev = nullptr;
    --size_;
}

void EventList::linkBefore(EventNode* n, EventNode* before)
{
    n->next = before;
    n->prev = before->prev;
    if (before->prev)
        before->prev->next = n;
    else
        head_ = n;
    before->prev = n;
    ++size_;
}

void EventList::linkAfter(EventNode* n, EventNode* after)
{
    n->prev = after;
    n->next = after->next;
    if (after->next)
        after->next->prev = n;
    else
        tail_ = n;
    after->next = n;
    ++size_;
}

void EventList::insertSorted(EventNode* n)
{
    noteData(n);
    if (!head_) {
        n->next = n->prev = nullptr;
        head_ = tail_ = n;
        size_ = 1;
    } else if (n->tick >= tail_->tick) {
        linkAfter(n, tail_);
    } else if (n->tick < head_->tick) {
        linkBefore(n, head_);
    } else {
        EventNode* p = (hint_ && n->tick >= hint_->tick) ? hint_ : head_;
        while (p->tick <= n->tick) p = p->next; // the tail's tick is greater, so p stays valid
        linkBefore(n, p);
    }
    hint_ = n;
}

void EventList::insertAfter(EventNode* n, EventNode* after)
{
    if (!after && !head_) {
        insertSorted(n);
        return;
    }
    noteData(n);
    if (after)
        linkAfter(n, after);
    else
        linkBefore(n, head_);
}

void EventList::mergeChains(std::vector<NodeChain>& chains)
{
    if (head_) {
        for (NodeChain& chain : chains) {
            for (EventNode* n = chain.head; n;) {
                EventNode* following = n->next;
                insertSorted(n);
                n = following;
            }
            chain = NodeChain();
        }
        return;
    }
    // The chains that hold nodes, in chain order: on equal ticks the earlier
    // chain goes first, as sequential insertion would place it.
    std::vector<EventNode*> cursor;
    cursor.reserve(chains.size());
    for (NodeChain& chain : chains) {
        if (chain.head) cursor.push_back(chain.head);
        chain = NodeChain();
    }
    auto before = [&cursor](size_t a, size_t b) {
        return cursor[a]->tick < cursor[b]->tick || (cursor[a]->tick == cursor[b]->tick && a < b);
    };
    NodeChain out;
    while (!cursor.empty()) {
        // A song has a few dozen tracks at most: a scan for the first and
        // second chain beats a heap here.
        size_t best = 0, rival = cursor.size();
        for (size_t i = 1; i < cursor.size(); ++i) {
            if (before(i, best)) {
                rival = best;
                best = i;
            } else if (rival == cursor.size() || before(i, rival)) {
                rival = i;
            }
        }
        const bool haveRival = rival < cursor.size();
        const uint64_t rivalTick = haveRival ? cursor[rival]->tick : 0;
        // Take a run from the best chain while it stays ahead of the rival.
        EventNode* n = cursor[best];
        do {
            EventNode* following = n->next;
            noteData(n);
            out.append(n);
            ++size_;
            n = following;
        } while (n &&
                 (!haveRival || n->tick < rivalTick || (n->tick == rivalTick && best < rival)));
        if (n)
            cursor[best] = n;
        else
            cursor.erase(cursor.begin() + std::ptrdiff_t(best));
    }
    head_ = out.head;
    tail_ = out.tail;
    hint_ = tail_;
}

EventNode* EventList::nextSoundingNoteOn(EventNode* from, int track, bool skipFrom,
                                         uint64_t* distance) const
{
    EventNode* n = from ? (skipFrom ? from->next : from) : head_;
    for (; n; n = n->next) {
        if (n->isSoundingNoteOn() && (track == -2 || n->track == uint32_t(track))) {
            if (distance) *distance = from ? n->tick - from->tick : n->tick;
            return n;
        }
    }
    if (distance) *distance = 0;
    return nullptr;
}

EventNode* EventList::firstSoundingNoteOn(EventNode* from) const
{
    for (EventNode* n = from ? from : head_; n; n = n->next)
        if (n->isSoundingNoteOn()) return n;
    return nullptr;
}

EventNode* EventList::findNoteOff(EventNode* noteOn) const
{
    if (!noteOn) return nullptr;
    if (noteOn->partner) return noteOn->partner;
    auto matches = [noteOn](const EventNode* n) {
        return n->isNoteOffEvent() && !n->partner && n->track == noteOn->track &&
               n->channel() == noteOn->channel() && n->note() == noteOn->note();
    };
    // A zero-length note may have been written off-before-on at the same tick.
    EventNode* first = noteOn;
    while (first->prev && first->prev->tick == noteOn->tick) first = first->prev;
    for (EventNode* n = first; n != noteOn; n = n->next)
        if (matches(n)) return n;
    for (EventNode* n = noteOn->next; n; n = n->next)
        if (matches(n)) return n;
    return nullptr;
}

bool EventList::isSorted() const
{
    for (EventNode* n = head_; n && n->next; n = n->next)
        if (n->next->tick < n->tick) return false;
    return true;
}

size_t EventList::resort()
{
    // Insertion sort: moving a node back past k greater neighbours is the same
    // as k neighbour exchanges, and equal ticks never pass each other.
    size_t exchanges = 0;
    EventNode* n = head_ ? head_->next : nullptr;
    while (n) {
        EventNode* following = n->next;
        if (n->prev->tick > n->tick) {
            EventNode* p = n->prev;
            while (p && p->tick > n->tick) {
                p = p->prev;
                ++exchanges;
            }
            unlink(n);
            if (p)
                linkAfter(n, p);
            else
                linkBefore(n, head_);
        }
        n = following;
    }
    hint_ = tail_;
    return exchanges;
}

void EventList::swapTimes()
{
    for (EventNode* n = head_; n; n = n->next) {
        if (n->altTick != kNoTick && n->altTick != n->tick) {
            std::swap(n->tick, n->altTick);
            n->event.time.tick = static_cast<snd_seq_tick_time_t>(n->tick);
        }
    }
}

void EventList::exchangeNeighbours(EventNode* a, EventNode* b)
{
    if (!a || !b || a->next != b) return;
    EventNode* before = a->prev;
    EventNode* after = b->next;
    if (before)
        before->next = b;
    else
        head_ = b;
    if (after)
        after->prev = a;
    else
        tail_ = a;
    b->prev = before;
    b->next = a;
    a->prev = b;
    a->next = after;
}

void EventList::swapPlaces(EventNode* a, EventNode* b)
{
    if (a == b) return;
    if (a->next == b) return exchangeNeighbours(a, b);
    if (b->next == a) return exchangeNeighbours(b, a);
    EventNode* aPrev = a->prev;
    EventNode* aNext = a->next;
    EventNode* bPrev = b->prev;
    EventNode* bNext = b->next;
    a->prev = bPrev;
    a->next = bNext;
    b->prev = aPrev;
    b->next = aNext;
    (aPrev ? aPrev->next : head_) = b;
    (aNext ? aNext->prev : tail_) = b;
    (bPrev ? bPrev->next : head_) = a;
    (bNext ? bNext->prev : tail_) = a;
}

std::array<uint32_t, 16> EventList::countByChannel(uint32_t track, int kind) const
{
    std::array<uint32_t, 16> counts{};
    for (EventNode* n = head_; n; n = n->next) {
        if (n->track != track || !isChannelEvent(n->type())) continue;
        bool hit = kind == -1 ? n->isSoundingNoteOn() : n->type() == kind;
        if (hit) ++counts[n->channel() & 15];
    }
    return counts;
}

ChannelEventCounts EventList::channelEventCounts(uint32_t track, int channel) const
{
    ChannelEventCounts c;
    for (EventNode* n = head_; n; n = n->next) {
        if (n->track != track || !isChannelEvent(n->type()) || n->channel() != channel) continue;
        switch (n->type()) {
        case SND_SEQ_EVENT_NOTE:
            ++c.notes;
            break;
        case SND_SEQ_EVENT_NOTEON:
            if (n->velocity() > 0)
                ++c.noteOns;
            else
                ++c.noteOffs;
            break;
        case SND_SEQ_EVENT_NOTEOFF:
            ++c.noteOffs;
            break;
        case SND_SEQ_EVENT_PGMCHANGE:
            ++c.programs;
            break;
        case SND_SEQ_EVENT_CONTROLLER:
            ++c.controllers;
            break;
        case SND_SEQ_EVENT_PITCHBEND:
            ++c.pitchBends;
            break;
        case SND_SEQ_EVENT_KEYPRESS:
            ++c.keyPressures;
            break;
        case SND_SEQ_EVENT_CHANPRESS:
            ++c.channelPressures;
            break;
        default:
            break;
        }
    }
    c.total = c.notes + c.noteOns + c.noteOffs + c.programs + c.controllers + c.pitchBends +
              c.keyPressures + c.channelPressures;
    return c;
}
