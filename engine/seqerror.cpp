#include "engine/seqerror.h"

#include <alsa/asoundlib.h>
#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace
{
// A flood (a full queue, a port that echoes us) fails the same call many
// thousand times a second: thousands of lines would bury the one that
// matters and slow everything that writes them.
struct Failure {
    const char* call = nullptr;
    int code = 0;
    long repeats = 0;
};
std::mutex lock;
std::array<Failure, 8> seen;

void writeRepeats(const Failure& f)
{
    if (f.repeats > 0)
        std::fprintf(stderr, "Error %i in %s (%s) repeated %ld more times.\n", f.code, f.call,
                     snd_strerror(f.code), f.repeats);
}
} // namespace

int seqCheck(int result, const char* call, const char* prefix)
{
    if (result >= 0) return result;
    std::lock_guard<std::mutex> guard(lock);
    Failure* free = nullptr;
    for (Failure& f : seen) {
        if (f.call && f.code == result && std::strcmp(f.call, call) == 0) {
            ++f.repeats;
            return result;
        }
        if (!f.call && !free) free = &f;
    }
    std::fprintf(stderr, "%sError %i in %s (%s).\n", prefix, result, call, snd_strerror(result));
    if (free) *free = Failure{call, result, 0};
    return result;
}

void seqErrorRepeats()
{
    std::lock_guard<std::mutex> guard(lock);
    for (Failure& f : seen) {
        writeRepeats(f);
        f = Failure{};
    }
}

QString seqErrorText(int code)
{
    return QString::fromLocal8Bit(snd_strerror(code));
}
