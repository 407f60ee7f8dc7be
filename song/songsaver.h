#pragma once

#include "song/song.h"

#include <QString>

class DeckModel;

// Writes the song's file tracks (everything bound into them) to path, asking
// first whether unbound free tracks with notes should be included.
bool saveSong(DeckModel& deck, const QString& path);
// Tells on standard output or error, and the user when it matters, why
// writing path failed.
void reportSaveFailure(const struct SmfWriteResult& result, const QString& path);

// Fills the song with a new one: the time signature, the tempo and a short
// greeting tune in one track, as if it had been loaded.
void newSong(int ppq, int beatsPerMeasure, int beatValueIndex, int bpm, Song& song = theSong());
