// MIDI file load benchmark, driven by bench/run-smf-bench.
//
//   bench_smf generate OUT [NOTE-EVENTS]  writes the test song (default 1,000,000 note events)
//   bench_smf load FILE                    loads once and exits (whole-process time and memory)
//   bench_smf measure FILE [REPS]          in-process load and load+save times, median of REPS

#include "bench/rawtrack.h"
#include "core/messages.h"
#include "song/smfencode.h"
#include "song/songloader.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

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

std::vector<unsigned char> generateSong(long noteEvents)
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

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

long noteEventsOf(const Song& song)
{
    long notes = 0;
    for (const EventNode* n = song.events.head(); n; n = n->next)
        if (n->isNoteOn() || n->type() == kTypeNoteOff) ++notes;
    return notes;
}

int generate(const char* path, long noteEvents)
{
    const std::vector<unsigned char> bytes = generateSong(noteEvents);
    FILE* fp = std::fopen(path, "wb");
    if (!fp || std::fwrite(bytes.data(), 1, bytes.size(), fp) != bytes.size() ||
        std::fclose(fp) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    std::printf("wrote %s: %zu bytes, %ld note events in %d tracks\n", path, bytes.size(),
                noteEvents, kTracks);
    return 0;
}

int loadOnce(const char* path)
{
    Song song;
    if (!loadSong(QString::fromLocal8Bit(path), LoadOptions(), song)) return 1;
    std::printf("events %zu\n", song.events.size());
    return 0;
}

int measure(const char* path, int reps)
{
    const QString file = QString::fromLocal8Bit(path);
    const QString out = file + QStringLiteral(".saved.mid");
    std::vector<double> load, loadSave;
    size_t events = 0;
    long notes = 0;
    for (int i = 0; i < reps; ++i) {
        {
            Song song;
            const auto start = std::chrono::steady_clock::now();
            if (!loadSong(file, LoadOptions(), song)) return 1;
            load.push_back(msSince(start));
            events = song.events.size();
            notes = noteEventsOf(song);
        }
        {
            Song song;
            const auto start = std::chrono::steady_clock::now();
            if (!loadSong(file, LoadOptions(), song)) return 1;
            const SmfWriteResult saved = writeSongFile(out, song.events, song.facts.format,
                                                       song.facts.ntracks, song.facts.division);
            loadSave.push_back(msSince(start));
            if (!saved.ok) {
                std::fprintf(stderr, "save failed: %s\n", qPrintable(saved.error));
                return 1;
            }
        }
    }
    QFile::remove(out);
    std::printf("events %zu\nnote_events %ld\nload_ms %.3f\nload_save_ms %.3f\n", events, notes,
                median(load), median(loadSave));
    std::printf("load_all_ms");
    for (double v : load) std::printf(" %.3f", v);
    std::printf("\nload_save_all_ms");
    for (double v : loadSave) std::printf(" %.3f", v);
    std::printf("\n");
    return 0;
}

int usage()
{
    std::fprintf(stderr, "usage: bench_smf generate OUT [NOTE-EVENTS]\n"
                         "       bench_smf load FILE\n"
                         "       bench_smf measure FILE [REPS]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return usage();
    const std::string mode = argv[1];
    if (mode == "generate") {
        const long events = argc > 3 ? std::atol(argv[3]) : 1000000;
        if (events < 2) return usage();
        return generate(argv[2], events);
    }
    if (mode == "load") return loadOnce(argv[2]);
    if (mode == "measure") {
        const int reps = argc > 3 ? std::atoi(argv[3]) : 5;
        if (reps < 1) return usage();
        return measure(argv[2], reps);
    }
    return usage();
}
