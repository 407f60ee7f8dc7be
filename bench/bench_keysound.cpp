// Key to sound: writes note-ons to a raw MIDI device (a keyboard the program
// listens to) at known monotonic times while recording a sound card, then
// finds each key's attack in the recording. Prints each latency, then the
// count, median, 99th percentile and worst, in ms.
//
//   bench_keysound CAPTURE_PCM MIDI_DEVICE SYNTH_CLIENT [KEYS [INTERVAL_MS [SETTLE_S]]]
//
// The capture opens first, in the format a synthesizer plays by default
// (16 bits, stereo, 48 kHz), since a loopback card's two sides must agree;
// the keys start SETTLE_S seconds (default 3) after SYNTH_CLIENT is on the
// sequencer.
//
// The capture side's frames are placed on the monotonic clock by the
// timestamps the driver gives with each read, so the figure includes every
// buffer between the key and the sound card: the engine, the synthesizer's
// MIDI thread, its audio periods and the card's own buffer.

#include <algorithm>
#include <alsa/asoundlib.h>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr unsigned kRate = 48000;
constexpr int kWindow = 48; // 1 ms

double now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double seconds(const snd_htimestamp_t& ts)
{
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

int fail(const char* what, int rc)
{
    std::fprintf(stderr, "bench_keysound: %s: %s\n", what, snd_strerror(rc));
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_keysound CAPTURE_PCM MIDI_DEVICE SYNTH_CLIENT [KEYS "
                             "[INTERVAL_MS [SETTLE_S]]]\n");
        return 2;
    }
    const std::string synth = argv[3];
    const int keys = argc > 4 ? std::atoi(argv[4]) : 60;
    const int intervalMs = argc > 5 ? std::atoi(argv[5]) : 400;
    const int settle = argc > 6 ? std::atoi(argv[6]) : 3;
    snd_pcm_t* pcm = nullptr;
    int rc = snd_pcm_open(&pcm, argv[1], SND_PCM_STREAM_CAPTURE, 0);
    if (rc < 0) return fail("open the capture device", rc);
    rc = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 2, kRate, 0,
                            200000); // long periods: the timestamps place every frame anyway
    if (rc < 0) return fail("set the capture format", rc);
    snd_pcm_sw_params_t* sw;
    snd_pcm_sw_params_alloca(&sw);
    snd_pcm_sw_params_current(pcm, sw);
    snd_pcm_sw_params_set_tstamp_mode(pcm, sw, SND_PCM_TSTAMP_ENABLE);
    snd_pcm_sw_params_set_tstamp_type(pcm, sw, SND_PCM_TSTAMP_TYPE_MONOTONIC);
    if ((rc = snd_pcm_sw_params(pcm, sw)) < 0) return fail("ask for timestamps", rc);
    // A capture waits for a full buffer before it starts by itself.
    if ((rc = snd_pcm_start(pcm)) < 0) return fail("start the capture", rc);
    const int midi = ::open(argv[2], O_WRONLY);
    if (midi < 0) {
        std::perror(argv[2]);
        return 1;
    }

    // Each read: how many frames came before it, and where the driver's
    // timestamp puts the frame at the end of what was then available.
    std::vector<int16_t> audio;
    std::vector<double> offsets; // monotonic time of frame 0, one estimate per read
    std::vector<double> late;    // the same from our own clock, each at or after it
    std::atomic<bool> recording{true};
    int errors = 0, lastError = 0;
    std::thread reader([&] {
        std::vector<int16_t> block(2 * 480);
        while (recording) {
            const snd_pcm_sframes_t n = snd_pcm_readi(pcm, block.data(), 480);
            if (n < 0) {
                ++errors;
                lastError = int(n);
                if (snd_pcm_recover(pcm, int(n), 1) < 0) usleep(10000);
                if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm);
                continue;
            }
            for (snd_pcm_sframes_t i = 0; i < n; ++i)
                audio.push_back(int16_t((block[size_t(2 * i)] + block[size_t(2 * i + 1)]) / 2));
            snd_pcm_uframes_t avail = 0;
            snd_htimestamp_t ts;
            if (snd_pcm_htimestamp(pcm, &avail, &ts) == 0 && (ts.tv_sec || ts.tv_nsec)) {
                offsets.push_back(seconds(ts) - double(audio.size() + avail) / kRate);
            } else {
                // No driver timestamp (a plug layer): the frames available now
                // were captured at or before now, so each estimate is late by
                // up to a period and the earliest is the best.
                const snd_pcm_sframes_t ready = snd_pcm_avail(pcm);
                if (ready >= 0)
                    late.push_back(now() - double(audio.size() + size_t(ready)) / kRate);
            }
        }
    });

    // The synthesizer up, then a moment for its first periods.
    const auto present = [&synth] {
        std::ifstream clients("/proc/asound/seq/clients");
        const std::string text((std::istreambuf_iterator<char>(clients)),
                               std::istreambuf_iterator<char>());
        return text.find('"' + synth) != std::string::npos;
    };
    for (int i = 0; i < 600 && !present(); ++i) usleep(100 * 1000);
    if (!present()) {
        std::fprintf(stderr, "bench_keysound: %s did not appear\n", synth.c_str());
        recording = false;
        reader.join();
        return 1;
    }
    std::vector<double> sent;
    sleep(unsigned(settle));
    for (int k = 0; k < keys; ++k) {
        const unsigned char note = 60 + (k % 2) * 7;
        const unsigned char on[] = {0x90, note, 100}, off[] = {0x80, note, 0};
        sent.push_back(now());
        if (::write(midi, on, 3) != 3) return 1;
        usleep(80 * 1000);
        if (::write(midi, off, 3) != 3) return 1;
        usleep(useconds_t(intervalMs - 80) * 1000);
    }
    usleep(800 * 1000);
    recording = false;
    reader.join();
    ::close(midi);
    snd_pcm_close(pcm);
    if (offsets.empty() && late.empty()) {
        std::fprintf(stderr, "bench_keysound: nothing was captured (%d errors, the last: %s)\n",
                     errors, snd_strerror(lastError));
        return 1;
    }
    std::sort(offsets.begin(), offsets.end());
    const double origin =
        offsets.empty() ? *std::min_element(late.begin(), late.end()) : offsets[offsets.size() / 2];

    // A 1 ms envelope; an attack is a window well above the 20 ms before the key.
    std::vector<double> level(audio.size() / kWindow);
    for (size_t w = 0; w < level.size(); ++w) {
        double sum = 0;
        for (int i = 0; i < kWindow; ++i) sum += std::abs(double(audio[w * kWindow + size_t(i)]));
        level[w] = sum / kWindow;
    }
    const double loudest = level.empty() ? 0 : *std::max_element(level.begin(), level.end());
    std::vector<double> latencies;
    for (double t : sent) {
        const long at = long(std::lround((t - origin) * 1000)); // window index of the key
        if (at < 20 || at >= long(level.size())) continue;
        const double before = *std::max_element(level.begin() + at - 20, level.begin() + at);
        const double threshold = std::max(2 * before, loudest * 0.05);
        for (long w = at; w < std::min(long(level.size()), at + intervalMs); ++w)
            if (level[size_t(w)] > threshold) {
                latencies.push_back(double(w - at));
                break;
            }
    }
    if (latencies.empty()) {
        std::printf("keys %d heard 0\n", keys);
        return 1;
    }
    std::vector<double> sorted = latencies;
    std::sort(sorted.begin(), sorted.end());
    const auto pct = [&](double p) {
        return sorted[std::min(sorted.size() - 1, size_t(p * double(sorted.size())))];
    };
    std::printf("keys %d heard %zu median %.0f p99 %.0f worst %.0f ms\n", keys, sorted.size(),
                pct(0.5), pct(0.99), sorted.back());
    return sorted.size() * 10 >= size_t(keys) * 9 ? 0 : 1;
}
