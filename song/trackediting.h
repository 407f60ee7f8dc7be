#pragma once

class DeckModel;

// Operations that rewrite the song's tracks, on the tracks selected in the
// deck (selection flags per display index). Each returns what it did; the
// confirmations of binding and wiping are asked by their callers.

// Turns the selected free tracks (all of them when `all`) into bound tracks.
// The notes take the free track's transposition and velocity shift for good,
// so the new track plays them as they were heard.
int bindFree(DeckModel& deck, bool all);
// Empties the selected free tracks, keeping their Program Changes at tick 0.
int wipeFree(DeckModel& deck, bool all);
// Merges the selected bound tracks into the lowest of them; the number merged.
int mergeBound(DeckModel& deck);
// Deletes the selected bound tracks; the number deleted.
int deleteBound(DeckModel& deck);

// Puts display track d on one channel (index 0..15): a track on one channel
// moves that channel's events, a track on several moves all its channel
// events. Other events keep their data. The number of events moved.
int remapChannel(DeckModel& deck, int displayIndex, int channel);

// A session starts: room for a log entry per cluster the engine may ring, so
// it logs without allocating.
void beginTake(DeckModel& deck);
// The end of a record session: the played times become the song's (keep) or
// the file's times come back (discard). `showShift` is the setting that made
// the engine move played notes during the session.
void keepTake(DeckModel& deck, int freeNotes, bool showShift);
void discardTake(DeckModel& deck, int freeNotes, bool showShift);
