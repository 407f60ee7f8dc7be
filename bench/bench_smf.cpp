// MIDI file load benchmark, driven by bench/run-smf-bench.
//
//   bench_smf generate OUT [NOTE-EVENTS]  writes the test song (default 1,000,000 note events)
//   bench_smf load FILE                    loads once and exits (whole-process time and memory)
//   bench_smf measure FILE [REPS]          in-process load and load+save times, median of REPS

#include "bench/benchsong.h"
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
