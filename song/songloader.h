#pragma once

#include "song/song.h"

#include <QString>

struct LoadOptions {
    bool splitFormat0 = true;  // give each channel of a format-0 file its own track
    bool strictLyrics = false; // only Lyric meta events make the lyrics text
};

// Reads a Standard MIDI File into the song. On failure the reasons have been
// printed and shown, and the song keeps whatever was read.
bool loadSong(const QString& path, const LoadOptions& options = LoadOptions(),
              Song& song = theSong());

// The same from bytes already in memory; `name` is used in messages.
bool loadSongFromBytes(const QByteArray& bytes, const QString& name,
                       const LoadOptions& options = LoadOptions(), Song& song = theSong());
