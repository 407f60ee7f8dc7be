#include "song/timingparams.h"

#include <algorithm>

void TimingParams::showParams(FILE* out) const
{
    std::fprintf(out, "### showParams ### \n");
    std::fprintf(out, "beat4min is %d\n", beat4min);
    std::fprintf(out, "tempo is %d\n", tempo);
    std::fprintf(out, "tempoBoost is %d\n", tempoBoost);
    std::fprintf(out, "tick4qn is %d\n", tick4qn);
    std::fprintf(out, "tick4beat is %d\n", tick4beat);
    std::fprintf(out, "mc4qn is %d\n", mc4qn);
    std::fprintf(out, "trcr4qn is %d\n", trcr4qn);
    std::fprintf(out, "minticks is %u\n", minticks);
    std::fprintf(out, "tick4measure is %d\n", tick4measure);
    std::fprintf(out, "temps is %d beats per measure (numerator):\n", temps);
    std::fprintf(out, "beatvalue is %d - note value of beat (denominator) (4 is quarter note):\n",
                 beatvalue);
    std::fprintf(out, "ms_tol is %u\n", ms_tol);
    std::fprintf(out, "tick_tol is %u\n", tick_tol);
    std::fprintf(out, "nb_measures is %d\n", nb_measures);
    std::fprintf(out, "tick4pix is  %6.3f\n", tick4pix);
    std::fprintf(out, "pix4measure is  %6.3f\n", pix4measure);
    std::fprintf(out, "pix4mc is %6.3f\n", pix4mc);
    std::fprintf(out, "pix4sec is %6.3f\n", pix4sec);
}

uint32_t toleranceTicks(uint32_t msTol, int tick4qn, int tempo)
{
    if (tempo <= 0 || tick4qn <= 0) return 0;
    // 64 bits: 100 ms at 32,760 ticks per quarter note overflows 32.
    const uint64_t ticks = uint64_t(msTol) * uint64_t(tick4qn) * 1000u / uint64_t(tempo);
    return uint32_t(std::min<uint64_t>(ticks, UINT32_MAX));
}
