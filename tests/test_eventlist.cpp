#include "song/eventlist.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace
{

EventNode* make(EventList& list, uint64_t tick, int type = kTypeNoteOn, uint32_t track = 0,
                int ch = 0, int note = 60, int vel = 100)
{
    EventNode* n = list.newNode();
    n->tick = tick;
    n->track = track;
    n->event.type = static_cast<snd_seq_event_type_t>(type);
    n->event.data.note.channel = static_cast<unsigned char>(ch);
    n->event.data.note.note = static_cast<unsigned char>(note);
    n->event.data.note.velocity = static_cast<unsigned char>(vel);
    return n;
}

std::vector<EventNode*> nodes(const EventList& list)
{
    std::vector<EventNode*> out;
    for (EventNode* n = list.head(); n; n = n->next) out.push_back(n);
    return out;
}

// Links must be mutual, ends must match head and tail, size must agree.
void expectConsistent(const EventList& list)
{
    size_t count = 0;
    EventNode* prev = nullptr;
    for (EventNode* n = list.head(); n; n = n->next) {
        EXPECT_EQ(n->prev, prev);
        prev = n;
        ++count;
    }
    EXPECT_EQ(list.tail(), prev);
    EXPECT_EQ(list.size(), count);
}

TEST(EventList, EqualTicksKeepInsertionOrderWhereverTheyLand)
{
    EventList list;
    std::vector<EventNode*> v;
    // Below the head, at the tail, from a hint later and earlier than the node.
    for (uint64_t tick : {10, 20, 10, 5, 10, 20, 1, 100, 2, 60}) {
        v.push_back(make(list, tick));
        list.insertSorted(v.back());
    }
    EXPECT_EQ(nodes(list), (std::vector<EventNode*>{v[6], v[8], v[3], v[0], v[2], v[4], v[1], v[5],
                                                    v[9], v[7]}));
    expectConsistent(list);
    EXPECT_TRUE(list.isSorted());
}

TEST(EventList, MergedChainsMatchSequentialInsertion)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        EventList merged, inserted;
        std::vector<NodeChain> parts(1 + rng() % 6);
        for (size_t c = 0; c < parts.size(); ++c) {
            uint64_t tick = 0;
            for (int i = 0, count = int(rng() % 40); i < count; ++i) {
                tick += rng() % 3; // many equal ticks across chains
                parts[c].append(make(merged, tick, kTypeNoteOn, uint32_t(c), 0, i));
                inserted.insertSorted(make(inserted, tick, kTypeNoteOn, uint32_t(c), 0, i));
            }
        }
        merged.mergeChains(parts);
        expectConsistent(merged);
        auto keys = [](const EventList& l) {
            std::vector<std::pair<uint64_t, int>> v;
            for (const EventNode* n : nodes(l)) v.emplace_back(n->tick, n->track * 128 + n->note());
            return v;
        };
        ASSERT_EQ(keys(merged), keys(inserted));
    }
}

TEST(EventList, FindNoteOffMatchesTrackChannelAndNoteAndPrefersAWrongOrderZeroLengthNote)
{
    EventList list;
    EventNode* on = make(list, 0, kTypeNoteOn, 1, 2, 60);
    EventNode* otherTrack = make(list, 1, kTypeNoteOff, 0, 2, 60);
    EventNode* otherChannel = make(list, 2, kTypeNoteOff, 1, 3, 60);
    EventNode* otherNote = make(list, 3, kTypeNoteOff, 1, 2, 61);
    EventNode* right = make(list, 4, kTypeNoteOff, 1, 2, 60);
    // At tick 10 a Note Off before its Note On (a zero-length note written
    // backwards), then a later Note Off that must not be taken.
    EventNode* earlyOff = make(list, 10, kTypeNoteOff);
    EventNode* zeroOn = make(list, 10, kTypeNoteOn);
    EventNode* on2 = make(list, 15, kTypeNoteOn);
    EventNode* silent = make(list, 18, kTypeNoteOn, 0, 0, 60, 0);
    for (EventNode* n :
         {on, otherTrack, otherChannel, otherNote, right, earlyOff, zeroOn, on2, silent})
        list.insertSorted(n);
    EXPECT_EQ(list.findNoteOff(on), right);
    EXPECT_EQ(list.findNoteOff(right), nullptr); // nothing after it
    EXPECT_EQ(list.findNoteOff(zeroOn), earlyOff);
    // Once paired, the early one is skipped and velocity-0 Note Ons count as offs.
    earlyOff->partner = zeroOn;
    EXPECT_EQ(list.findNoteOff(on2), silent);
    EXPECT_EQ(list.nextSoundingNoteOn(zeroOn, 0, true), on2) << "the silent one is skipped";
    EXPECT_EQ(list.nextSoundingNoteOn(on2, 0, true), nullptr);
    on->partner = otherNote;
    EXPECT_EQ(list.findNoteOff(on), otherNote); // a set partner wins
}

TEST(EventList, SwapTimesAndResortKeepEqualTicksStable)
{
    EventList list;
    EventNode* a = make(list, 0);
    EventNode* b = make(list, 10);
    EventNode* c = make(list, 20);
    EventNode* d = make(list, 30);
    for (EventNode* n : {a, b, c, d}) list.insertSorted(n);
    a->altTick = kNoTick; // never swapped
    b->altTick = 25;      // moves past c
    c->altTick = 20;      // unchanged
    d->altTick = 25;      // same tick as b afterwards, must stay after it
    list.swapTimes();
    EXPECT_EQ(a->tick, 0u);
    EXPECT_EQ(b->altTick, 10u);
    EXPECT_EQ(b->event.time.tick, 25u);
    EXPECT_EQ(list.resort(), 1u);
    EXPECT_EQ(nodes(list), (std::vector<EventNode*>{a, c, b, d}));
    EXPECT_TRUE(list.isSorted());
    expectConsistent(list);
}

} // namespace
