#include "song/handsplit.h"

#include "song/deckmodel.h"

std::vector<Hand> assignHandsAtKey(const std::vector<HandNote>& notes, int splitKey)
{
    std::vector<Hand> hands;
    hands.reserve(notes.size());
    for (const HandNote& n : notes) hands.push_back(n.pitch >= splitKey ? Hand::Right : Hand::Left);
    return hands;
}

// In progress: the automatic assignment comes next.
std::vector<Hand> assignHands(const std::vector<HandNote>& notes, uint64_t)
{
    return assignHandsAtKey(notes, 60);
}

HandSplitPlan planHandSplit(const DeckModel& deck, int displayIndex, int splitKey)
{
    HandSplitPlan plan;
    plan.displayIndex = displayIndex;
    plan.splitKey = splitKey;
    plan.revision = deck.song.events.revision();
    const int track = deck.tracks.storeTrackOf(displayIndex);
    std::vector<HandNote> notes;
    for (EventNode* n = deck.song.events.head(); n; n = n->next) {
        if (int(n->track) != track || !n->isSoundingNoteOn()) continue;
        plan.notes.push_back(n);
        notes.push_back({n->tick, n->partner ? n->partner->tick : n->tick, n->note()});
    }
    plan.hands = splitKey == kAutomaticSplit ? assignHands(notes, 0) : assignHandsAtKey(notes, splitKey);
    for (Hand h : plan.hands) ++(h == Hand::Right ? plan.rightNotes : plan.leftNotes);
    return plan;
}

int applyHandSplit(DeckModel&, const HandSplitPlan&)
{
    return 0;
}
