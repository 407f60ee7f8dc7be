#include "song/timingparams.h"

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
