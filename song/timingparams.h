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

    // The tolerance in ticks at a tempo (us per quarter note), clamped to what
    // tick_tol holds.
    uint32_t toleranceTicks(int atTempo) const
    {
        if (atTempo <= 0) return UINT32_MAX;
        const uint64_t ticks =
            uint64_t(ms_tol) * uint64_t(tick4qn > 0 ? tick4qn : 0) * 1000u / uint64_t(atTempo);
        return ticks > UINT32_MAX ? UINT32_MAX : uint32_t(ticks);
    }
    // The cluster tolerance in ticks for a note written at `noteTempo`, at the
    // current boost.
    uint64_t clusterTolerance(uint64_t noteTempo) const
    {
        if (noteTempo == 0) return 0;
        return uint64_t(ms_tol) * uint64_t(tick4qn > 0 ? tick4qn : 0) *
               uint64_t(tempoBoost > 0 ? tempoBoost : 0) * 10u / noteTempo;
    }

    // Playing tempo in effect for recorded events.
    uint64_t playingTempo() const { return uint64_t(tempo) * 100 / uint64_t(tempoBoost); }

    void showParams(FILE* out = stdout) const;
};
