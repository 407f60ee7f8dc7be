#pragma once

#include <cstdint>
#include <cstdio>

// The deck's timing parameters: conversions between ticks, milliseconds and
// pixels. Names follow the parameter dump.
struct TimingParams {
    int tick4qn = 0;
    int mc4qn = 24;
    int trcr4qn = 8;
    int temps = 4;
    int beatvalue = 4;
    int tick4beat = 0;
    int tick4measure = 0;
    uint32_t minticks = 0;
    int tempo = 500000;
    int beat4min = 120;
    int tempoBoost = 100;
    uint32_t ms_tol = 0;
    uint32_t tick_tol = 0;
    int nb_measures = 4;
    double pix4mc = 1.5;
    double tick4pix = 0;
    double pix4measure = 0;
    double pix4sec = 0;

    // Playing tempo in effect for recorded events.
    uint64_t playingTempo() const { return uint64_t(tempo) * 100 / uint64_t(tempoBoost); }

    void showParams(FILE* out = stdout) const;
};

// The cluster tolerance in ticks at a playing tempo (microseconds per quarter
// note); 0 for a tempo of 0.
uint32_t toleranceTicks(uint32_t msTol, int tick4qn, int tempo);
