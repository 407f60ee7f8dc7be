#pragma once

#include <QString>
#include <cstdint>

// Names and small pure helpers shared by the song model and the views.

QString keySignatureName(int sharpsOrFlats, int mode);

// Name of an event kind with its count, for the track information tab.
QString eventKindName(int type, uint32_t count);

// Channel patterns: bit (15 - c) stands for channel index c. Both scan from
// bit 15 down and return the channel index, or 1 when no bit qualifies.
uint16_t channelBit(int channel);
int firstClearChannel(uint16_t pattern);
int firstSetChannel(uint16_t pattern);

// "C4" or "Do4" style names; octave = note / 12 - 1.
QString noteName(int note, const QString& languageCode);
