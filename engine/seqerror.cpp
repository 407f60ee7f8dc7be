#include "engine/seqerror.h"

#include <alsa/asoundlib.h>
#include <cstdio>

int seqCheck(int result, const char* call)
{
    if (result < 0) std::fprintf(stderr, "Error %i in %s (%s).\n", result, call, snd_strerror(result));
    return result;
}

QString seqErrorText(int code) { return QString::fromLocal8Bit(snd_strerror(code)); }
