#pragma once

#include <cstdint>

class DeckModel;
class EventList;

struct PrepareOptions {
    uint32_t msTol = 100; // cluster tolerance in milliseconds
    int zoom = 6;         // piano roll zoom; pixels per MIDI clock = zoom / 4
};

enum class PrepareResult {
    Prepared,
    NoOutput, // no usable output device: prepared all the same, without free tracks
};

// Turns a loaded song into a playable one: timing, note pairs, tracks,
// free tracks for the usable input devices, cursors. Runs with the deck's
// mutex held.
PrepareResult prepareSong(DeckModel& deck, const PrepareOptions& options = PrepareOptions());

// Timing parameters from the file facts (also used alone by tests).
void computeTiming(DeckModel& deck, const PrepareOptions& options);

// Gaps between the paired sounding notes of each track from `first` to
// `last`, which the piano roll draws clusters by, after notes changed tracks.
void measureNoteGaps(EventList& list, uint32_t first, uint32_t last);

// Pairs every sounding Note On of the file tracks (or of the free tracks) with
// its note-off, exchanging zero-length notes stored off-before-on, and warns
// once per pass about what it repaired or could not pair.
void pairNotes(DeckModel& deck, bool freeTracks);
