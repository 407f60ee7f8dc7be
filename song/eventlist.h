#pragma once

#include "song/eventnode.h"

#include <array>
#include <cstddef>
#include <vector>

// Counts shown on a track's information tab for one channel.
struct ChannelEventCounts {
    uint32_t notes = 0;    // type 5
    uint32_t noteOns = 0;  // sounding Note Ons
    uint32_t noteOffs = 0; // Note Offs and Note Ons of velocity 0
    uint32_t programs = 0;
    uint32_t controllers = 0;
    uint32_t pitchBends = 0;
    uint32_t keyPressures = 0;
    uint32_t channelPressures = 0;
    uint32_t total = 0;
};

// A run of nodes already in time order, linked by next/prev, not yet in a list.
struct NodeChain {
    EventNode* head = nullptr;
    EventNode* tail = nullptr;
    void append(EventNode* n);
};

// The song's events in one doubly linked list ordered by tick; equal ticks keep
// insertion order. Nodes come from a pool so a million-event song costs one
// allocation per few thousand nodes and is released in one sweep.
class EventList
{
public:
    EventList();
    ~EventList();
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    EventNode* head() const { return head_; }
    EventNode* tail() const { return tail_; }
    size_t size() const { return size_; }
    bool empty() const { return head_ == nullptr; }
    // Moves on whenever a node may have left the list: a node pointer kept
    // from an older revision may point at a freed node.
    uint64_t revision() const { return revision_; }

    // A fresh node (default field values), not yet linked; give it to
    // insertSorted or back to releaseNode.
    EventNode* newNode();
    // Unlinks (if linked) and frees a node and its data buffer.
    void release(EventNode* n);
    // Frees a node that was never linked into this list.
    void releaseUnlinked(EventNode* n);
    void clear();

    void insertSorted(EventNode* n);
    // Links n right after `after` (at the head when null), whatever its tick:
    // a copy keeps its place beside the event it copies.
    void insertAfter(EventNode* n, EventNode* after);
    // Moves sorted chains into an empty list with the same order that
    // inserting every node of chain 0, then chain 1, ... with insertSorted
    // would give (ticks first, then chain order, then order within a chain).
    void mergeChains(std::vector<NodeChain>& chains);
    void unlink(EventNode* n);

    EventNode* nextSoundingNoteOn(EventNode* from, int track, bool skipFrom,
                                  uint64_t* distance = nullptr) const;
    EventNode* firstSoundingNoteOn(EventNode* from) const;
    EventNode* findNoteOff(EventNode* noteOn) const;

    bool isSorted() const;
    size_t resort();
    void swapTimes();
    void exchangeNeighbours(EventNode* a, EventNode* b);
    // Exchanges the places of two nodes anywhere in the list.
    void swapPlaces(EventNode* a, EventNode* b);

    // kind -1 counts sounding Note Ons, otherwise events of that type.
    std::array<uint32_t, 16> countByChannel(uint32_t track, int kind) const;
    ChannelEventCounts channelEventCounts(uint32_t track, int channel) const;

private:
    void linkBefore(EventNode* n, EventNode* before);
    void linkAfter(EventNode* n, EventNode* after);
    static void freeData(EventNode* n);

    EventNode* head_ = nullptr;
    EventNode* tail_ = nullptr;
    EventNode* hint_ = nullptr;
    size_t size_ = 0;
    uint64_t revision_ = 0;

    void newBlock();
    void freeBlocks();

    // Raw memory: nodes are constructed one at a time as they are handed out.
    std::vector<void*> blocks_;
    EventNode* blockNext_ = nullptr;
    EventNode* blockEnd_ = nullptr;
    size_t blockNodes_ = 0;
    EventNode* freeNodes_ = nullptr;
    // Nodes that owned a buffer when linked, so clearing frees the buffers
    // without walking every node.
    std::vector<EventNode*> dataNodes_;
    void noteData(EventNode* n)
    {
        if (n->ownsData()) dataNodes_.push_back(n);
    }
};

bool isChannelEvent(int type);
