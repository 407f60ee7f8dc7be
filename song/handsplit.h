#pragma once

#include <QString>
#include <cstdint>
#include <vector>

class DeckModel;
struct EventNode;

// Splitting a two-hand track into a right-hand and a left-hand track.

enum class Hand : uint8_t { Right, Left };

// A note as the splitter sees it: when it starts, when it ends, its key.
struct HandNote {
    uint64_t start = 0;
    uint64_t end = 0;
    int pitch = 60;
};

// Assigns each note a hand by following the music rather than a fixed key.
// `notes` are in order of their starts; `quarter` is a quarter note in
// ticks. Linear in the notes for chords of bounded size.
std::vector<Hand> assignHands(const std::vector<HandNote>& notes, uint64_t quarter);

// Every note from `splitKey` up goes to the right hand.
std::vector<Hand> assignHandsAtKey(const std::vector<HandNote>& notes, int splitKey);

constexpr int kAutomaticSplit = -1;

// What splitting one bound track would do; made again whenever the user
// changes the method, and applied as shown.
struct HandSplitPlan {
    int displayIndex = -1;
    int splitKey = kAutomaticSplit;
    // Why the track cannot be split, shown to the user; empty when it can.
    QString refusal;
    // The track's sounding Note Ons in list order, and the hand of each.
    std::vector<EventNode*> notes;
    std::vector<Hand> hands;
    int rightNotes = 0;
    int leftNotes = 0;
    // The list's revision the plan was made at: a plan outlived by an edit
    // of the list is not applied.
    uint64_t revision = 0;
};

HandSplitPlan planHandSplit(const DeckModel& deck, int displayIndex, int splitKey);

// Replaces the planned track by "<name> (right hand)" in its place and
// "<name> (left hand)" right below it; a hand without notes gets no track.
// Marks the song modified. Returns the number of tracks the track became
// (1 or 2), or 0 when the plan is refused or stale.
int applyHandSplit(DeckModel& deck, const HandSplitPlan& plan);
