#pragma once

#include <cstdint>

class DeckModel;

// The practice loop of the open song: measures played over and over while
// listening. Its edges are measure boundaries (0 is the song's start), so a
// change of tempo boost or zoom leaves them where they are. An edge not
// marked stands for the song's start or end.
struct PracticeLoop {
    int startBar = -1;
    int endBar = -1;
    bool on = false; // the deck's Loop box
    // While a session steps the tempo up pass after pass: the boost of the
    // pass now playing (0 when not stepping), the step, and the boost that
    // ends the climb.
    int passBoost = 0;
    int stepBy = 0;
    int stepCap = 100;

    bool marked() const { return startBar >= 0 || endBar >= 0; }
};

enum class LoopEdge { Start, End };

// Measures in the song, the last one counted even when it is not full.
int songBars(const DeckModel& deck);
uint64_t barTick(const DeckModel& deck, int bar);
// The measure boundary nearest a tick, within the song.
int nearestBar(const DeckModel& deck, uint64_t tick);
// The loop's ticks [start, end); false while nothing is marked.
bool loopTicks(const DeckModel& deck, uint64_t* start, uint64_t* end);
// Marks an edge at the boundary nearest `tick`, under the deck's mutex. An
// edge that would leave the loop empty or reversed is refused with a
// warning that says why; false then.
bool markLoop(DeckModel& deck, LoopEdge edge, uint64_t tick);
// Marks the loop from one measure boundary (counted from 0) to a later one,
// both kept within the song, under the deck's mutex.
void loopBars(DeckModel& deck, int startBar, int endBar);
// Forgets both edges and turns the loop off.
void clearLoop(DeckModel& deck);
void setLoopOn(DeckModel& deck, bool on);
