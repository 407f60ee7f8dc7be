// How long `smfdump --split-hands` works (load, prepare, plan, apply, save)
// against loading the song alone, in the same run.
//
//   bench_handsplit [REPS]
//
// Songs: the million note events of bench_smf, split at its first track, and
// a million note events of two hands in one track, so the automatic
// assignment runs at scale. The goal: loading and splitting at most 1.5 times
// the load, so the split itself costs at most half a load; the preparation
// and saving it needs cost what `smfdump --save` costs, printed beside.

#include "bench/benchsong.h"
#include "core/devices.h"
#include "core/messages.h"
#include "song/deckmodel.h"
#include "song/handsplit.h"
#include "song/preparation.h"
#include "song/songloader.h"
#include "song/songsaver.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace
{

class SilentSink : public MessageSink
{
public:
    int show(const Message&) override { return NoButton; }
};

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point& start)
{
    const Clock::time_point now = Clock::now();
    const double ms = std::chrono::duration<double, std::milli>(now - start).count();
    start = now;
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

enum Step { Load, Prepare, Plan, Apply, Save, Steps };
const char* const kStepNames[Steps] = {"load", "prepare", "plan", "apply", "save"};

struct Result {
    std::vector<double> load, split, steps[Steps];
    int right = 0, left = 0, tracks = 0;
};

bool writeFile(const QString& path, const std::vector<unsigned char>& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) ==
               qint64(bytes.size()) &&
           f.flush();
}

bool measureLoad(const QString& file, Result& r)
{
    Song song;
    Clock::time_point start = Clock::now();
    if (!loadSong(file, LoadOptions(), song)) return false;
    r.load.push_back(msSince(start));
    return true;
}

bool measureSplit(const QString& file, const QString& out, Result& r)
{
    Song song;
    DeviceSet devices; // as smfdump: no sequencer
    DeckModel deck(song, devices);
    deck.fileName = QStringLiteral("bench.mid");
    double ms[Steps];
    Clock::time_point start = Clock::now();
    const Clock::time_point first = start;
    if (!loadSong(file, LoadOptions(), song)) return false;
    ms[Load] = msSince(start);
    prepareSong(deck);
    ms[Prepare] = msSince(start);
    const HandSplitPlan plan = planHandSplit(deck, 0, kAutomaticSplit);
    ms[Plan] = msSince(start);
    if (!plan.refusal.isEmpty()) {
        std::fprintf(stderr, "refused: %s\n", qPrintable(plan.refusal));
        return false;
    }
    const int tracks = applyHandSplit(deck, plan);
    ms[Apply] = msSince(start);
    // A split that did nothing would time only the load, prepare and save.
    if (tracks == 0 || !saveSong(deck, out)) return false;
    ms[Save] = msSince(start);
    Clock::time_point all = first;
    r.split.push_back(msSince(all));
    for (int s = 0; s < Steps; ++s) r.steps[s].push_back(ms[s]);
    r.right = plan.rightNotes;
    r.left = plan.leftNotes;
    r.tracks = tracks;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SilentSink sink;
    ScopedMessageSink installed(&sink);
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("split.mid"));
    struct {
        const char* title;
        QString file;
        std::vector<unsigned char> bytes;
    } songs[] = {
        {"16 tracks, the first split", dir.filePath(QStringLiteral("million.mid")),
         generateSong(1000000)},
        {"one track of two hands", dir.filePath(QStringLiteral("hands.mid")),
         generateTwoHandSong(1000000)},
    };
    bool ok = true;
    for (auto& s : songs) {
        Result r;
        if (!dir.isValid() || !writeFile(s.file, s.bytes)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(s.file));
            return 1;
        }
        // Which goes first changes with each repetition: the second song reuses
        // the memory the first gave back.
        for (int i = 0; i < reps; ++i)
            if (!(i % 2 ? measureSplit(s.file, out, r) && measureLoad(s.file, r)
                        : measureLoad(s.file, r) && measureSplit(s.file, out, r))) {
                std::fprintf(stderr, "%s: the split failed\n", s.title);
                return 1;
            }
        const double load = median(r.load), split = median(r.split);
        const double work = median(r.steps[Plan]) + median(r.steps[Apply]);
        const double save = split - work; // what `smfdump --save` does with the file
        std::printf("%s: right %d left %d, %d tracks\n", s.title, r.right, r.left, r.tracks);
        std::printf("  load alone %9.1f ms\n  whole split %8.1f ms  ratio %.2f\n", load, split,
                    split / load);
        std::printf("  load + the split itself (plan, apply): ratio %.2f\n", (load + work) / load);
        std::printf("  whole split against the same command without it (--save): ratio %.2f\n",
                    split / save);
        std::printf("  steps:");
        for (int st = 0; st < Steps; ++st)
            std::printf(" %s %.1f", kStepNames[st], median(r.steps[st]));
        std::printf(" ms\n");
        // The goal holds for the million-note song; the one-track song shows
        // the automatic split alone at scale.
        if (&s == &songs[0]) ok = load + work <= 1.5 * load;
    }
    std::printf("%s\n",
                ok ? "every split adds at most half a load" : "a split adds more than half a load");
    return ok ? 0 : 1;
}
