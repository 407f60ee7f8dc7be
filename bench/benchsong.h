#pragma once

// The songs the benches load, generated the same on every machine.

#include "bench/rawtrack.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// Small deterministic generator: the file must be identical on every machine.
struct Lcg {
    uint32_t state;
    uint32_t next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int pick(int lo, int hi) { return lo + int(next() % uint32_t(hi - lo + 1)); }
};

constexpr int kTracks = 16; // a tempo track, then 15 instruments
constexpr int kDivision = 480;

inline std::vector<unsigned char> generateSong(long noteEvents)
{
    std::vector<unsigned char> out = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, kTracks, kDivision >> 8, kDivision & 0xFF};
    const long pairs = noteEvents / 2;
    const int instruments = kTracks - 1;

    RawTrack conductor;
    conductor.meta(0, 0x03, "Benchmark song");
    conductor.meta(0, 0x58, std::string{4, 2, 24, 8});
    conductor.meta(0, 0x59, std::string{0, 0});
    conductor.tempo(0, 500000);
    Lcg tempoRng{7};
    for (int change = 0; change < 400; ++change) // every four bars
        conductor.tempo(16 * kDivision, uint32_t(tempoRng.pick(400000, 650000)));
    conductor.meta(0, 0x2F, "");
    conductor.appendChunk(out);

    for (int t = 0; t < instruments; ++t) {
        const long trackPairs = pairs / instruments + (t < pairs % instruments ? 1 : 0);
        Lcg rng{uint32_t(1000 + t)};
        RawTrack track;
        track.meta(0, 0x03, "Instrument " + std::to_string(t + 1));
        const int ch = t < 9 ? t : t + 1; // leave channel 10 to drums
        track.channel(0, 0xC0 | ch, t * 8);
        track.channel(0, 0xB0 | ch, 7, 100);
        static const int kLengths[] = {60, 120, 120, 240, 240, 240, 480, 960};
        static const int kGaps[] = {0, 0, 0, 0, 10, 30, 60, 120};
        long left = trackPairs;
        uint32_t pending = 0; // ticks since the last event written
        while (left > 0) {
            // A chord of one to three notes, released together; every Note Off
            // is a Note On of velocity 0 so running status never breaks.
            const int size = int(std::min<long>(left, rng.pick(1, 3)));
            const int root = rng.pick(36, 84);
            uint32_t delta = pending + uint32_t(kGaps[rng.pick(0, 7)]);
            for (int i = 0; i < size; ++i) {
                track.channel(delta, 0x90 | ch, root + 4 * i, rng.pick(40, 120));
                delta = 0;
            }
            delta = uint32_t(kLengths[rng.pick(0, 7)]);
            for (int i = 0; i < size; ++i) {
                track.channel(delta, 0x90 | ch, root + 4 * i, 0);
                delta = 0;
            }
            pending = 0;
            left -= size;
        }
        track.meta(0, 0x2F, "");
        track.appendChunk(out);
    }
    return out;
}

// One piano track holding every note as two hands: a left hand of a bass
// note a beat, sometimes with its fifth, under a right hand of two eighths a
// beat, sometimes a chord; the melody and the bass wander and come close, and
// a hand's key never sounds in the other at the same time.
inline std::vector<unsigned char> generateTwoHandSong(long noteEvents)
{
    std::vector<unsigned char> out = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, kDivision >> 8, kDivision & 0xFF};
    RawTrack conductor;
    conductor.meta(0, 0x03, "Two hands");
    conductor.meta(0, 0x58, std::string{4, 2, 24, 8});
    conductor.tempo(0, 500000);
    conductor.meta(0, 0x2F, "");
    conductor.appendChunk(out);

    struct Note {
        uint32_t tick;
        int key;
        int velocity; // 0 for the release, which goes before the notes of its tick
    };
    std::vector<Note> notes;
    notes.reserve(size_t(noteEvents));
    long pairs = noteEvents / 2;
    auto play = [&](uint32_t tick, uint32_t length, int key, int velocity) {
        if (pairs == 0) return;
        notes.push_back({tick, key, velocity});
        notes.push_back({tick + length, key, 0});
        --pairs;
    };
    Lcg rng{2024};
    int bass = 45, melody = 72;
    constexpr uint32_t beat = kDivision;
    for (uint32_t tick = 0; pairs > 0; tick += beat) {
        bass = std::clamp(bass + rng.pick(-5, 5), 31, 57);
        const bool fifth = rng.pick(0, 2) == 0;
        play(tick, beat, bass, rng.pick(50, 80));
        if (fifth) play(tick, beat, bass + 7, rng.pick(50, 80));
        const int leftTop = bass + (fifth ? 7 : 0);
        for (uint32_t half = 0; half < 2; ++half) {
            melody = std::clamp(melody + rng.pick(-4, 4), 55, 91);
            const int key = melody > leftTop ? melody : melody + 12;
            const uint32_t at = tick + half * beat / 2;
            play(at, beat / 2, key, rng.pick(60, 110));
            if (rng.pick(0, 3) == 0 && key - 4 > leftTop) play(at, beat / 2, key - 4, 70);
        }
    }
    std::stable_sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.velocity == 0 && b.velocity > 0;
    });

    RawTrack piano;
    piano.meta(0, 0x03, "Piano");
    piano.channel(0, 0xC0, 0);
    uint32_t last = 0;
    for (const Note& n : notes) {
        piano.channel(n.tick - last, 0x90, n.key, n.velocity);
        last = n.tick;
    }
    piano.meta(0, 0x2F, "");
    piano.appendChunk(out);
    return out;
}
