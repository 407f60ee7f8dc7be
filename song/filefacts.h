#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

constexpr uint32_t kNoTempo = UINT32_MAX;

// What the file's header and meta events say about the whole song.
struct FileFacts {
    int format = 0;
    int ntracks = 0;
    int division = 0; // ticks per quarter note, or SMPTE form when bit 15 is set
    std::vector<QByteArray> trackNames;
    std::vector<uint32_t> noteOnCounts;
    bool anyNoteOn = false;
    QByteArray lyrics;
    uint32_t firstTempo = kNoTempo;
    // Time signature: the last one read.
    uint32_t timeSigNumerator = 4;
    uint32_t timeSigDenominator = 4; // 2^dd; 0 when dd is too large to represent
    uint32_t clocksPerClick = 24;
    uint32_t thirtySecondsPerQuarter = 8;
    int keySharpsFlats = 0;
    int keyMode = 0;

    // A tempo of 0 would divide by zero: such a file plays at the default.
    uint32_t songTempo() const
    {
        return firstTempo == kNoTempo || firstTempo == 0 ? 500000 : firstTempo;
    }

    // Before reading a file: no tempo yet, 4/4, C major.
    void resetSignatures()
    {
        firstTempo = kNoTempo;
        timeSigNumerator = 4;
        timeSigDenominator = 4;
        clocksPerClick = 24;
        thirtySecondsPerQuarter = 8;
        keySharpsFlats = 0;
        keyMode = 0;
    }
};
