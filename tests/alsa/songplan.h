#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

// A test song described by absolute ticks, from which both the file bytes and
// the times a listener should hear are derived, independently of the engine.
struct SongNote {
    uint32_t tick = 0;
    uint32_t length = 0;
    int channel = 0;
    int key = 60;
    int velocity = 100;
};

// Any other message: channel messages (controller, program change, pitch
// bend...) or, with status 0xF0, a system exclusive message whose data ends
// with 0xF7.
struct SongMessage {
    uint32_t tick = 0;
    int status = 0xB0;
    std::vector<int> data;
};

struct SongTrack {
    std::vector<SongNote> notes;
    std::vector<SongMessage> messages;
};

struct SongPlan {
    int ppq = 480;
    int beatsPerMeasure = 4;
    int beatUnitPower = 2; // the time signature's denominator is 2^power
    std::vector<std::pair<uint32_t, uint32_t>> tempos{{0, 500000}}; // tick, us per quarter
    std::vector<SongTrack> tracks;

    // Format 1: a conductor track (tempos, time signature), then one per SongTrack.
    QByteArray bytes() const;
    // Milliseconds from tick 0 to `tick` when played at `boost` per cent.
    double msAt(uint64_t tick, int boost = 100) const;
    uint32_t ticksPerBeat() const { return uint32_t(ppq * 4 >> beatUnitPower); }
};

// `count` notes on one channel, one every `step` ticks from `first`, keys
// rising from `key` in two-octave cycles, velocities cycling so a swapped
// note shows.
std::vector<SongNote> noteRun(uint32_t first, uint32_t step, int count, int channel, int key,
                              uint32_t length = 0);
