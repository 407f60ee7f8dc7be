// How long the practice journal takes where the user waits on it: a session
// of 10,000 clusters written as it ends (steadiness, summaries and one
// transaction), and a song's history of 500 sessions opened with its mastery
// map, each against the same work on an empty database, in the same run.
//
//   bench_journal [REPS] [FOLDER]
//
// FOLDER holds the databases (default: a temporary folder); give one on the
// disk the user's data lives on to count its syncs. The goal: each under 100 ms.

#include "core/messages.h"
#include "journal/journal.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace
{

class SilentSink : public MessageSink
{
public:
    int show(const Message& m) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(m.text));
        return NoButton;
    }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double timeMs(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Eighth notes in 4/4 at 480 a quarter, a little off the beat; `passes` times
// over `measures` measures, as a loop plays them.
std::vector<TakeCluster> sessionLog(size_t clusters, int measures, uint32_t seed)
{
    std::vector<TakeCluster> log;
    log.reserve(clusters);
    const uint64_t span = uint64_t(measures) * 1920;
    for (size_t i = 0; i < clusters; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const uint64_t file = (uint64_t(i) * 240) % span;
        const int64_t off = int64_t(seed >> 27) - 16;
        log.push_back({file, uint64_t(int64_t(file) + off), 500000, 100, 64});
    }
    return log;
}

JournalSession ended(const std::vector<TakeCluster>& log, int day)
{
    JournalSession s = journalSession(log, 480, 1920);
    s.started = QDateTime(QDate(2026, 1, 1).addDays(day / 3), QTime(9 + day % 3 * 4, 0));
    s.seconds = 600;
    s.tracks = QStringLiteral("#1 Piano");
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SilentSink sink;
    ScopedMessageSink scope(&sink);
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    QTemporaryDir temporary(argc > 2 ? QString::fromLocal8Bit(argv[2]) + "/journal-XXXXXX"
                                     : QDir::tempPath() + "/clavion-journal-XXXXXX");
    if (!temporary.isValid()) {
        std::fprintf(stderr, "bench_journal: no folder for the databases\n");
        return 1;
    }
    const SongIdentity song{QStringLiteral("5e55"), QStringLiteral("Bench"), QString(), 64};
    const std::vector<TakeCluster> small = sessionLog(1, 64, 1), big = sessionLog(10000, 64, 2);

    // The history: 500 sessions of 400 clusters each over the song's 64 measures.
    const QString full = temporary.filePath(QStringLiteral("full.sqlite"));
    {
        Journal j(full);
        for (int s = 0; s < 500; ++s) {
            JournalSession session = ended(sessionLog(400, 64, uint32_t(s + 7)), s);
            if (!j.record(song, session)) return 1;
        }
    }

    std::vector<double> writeEmpty, writeBig, writeBigFull, openEmpty, openFull;
    size_t sessions = 0;
    int mastered = 0;
    for (int r = 0; r < reps; ++r) {
        const QString empty = temporary.filePath(QStringLiteral("empty-%1.sqlite").arg(r));
        const QString bigOne = temporary.filePath(QStringLiteral("big-%1.sqlite").arg(r));
        Journal a(empty), b(bigOne), c(full);
        // Opening (creating the tables) is paid once per run of the program,
        // before the first session ends.
        if (!a.open() || !b.open() || !c.open()) return 1;
        writeEmpty.push_back(timeMs([&] {
            JournalSession s = ended(small, r);
            a.record(song, s);
        }));
        writeBig.push_back(timeMs([&] {
            JournalSession s = ended(big, r);
            b.record(song, s);
        }));
        writeBigFull.push_back(timeMs([&] {
            JournalSession s = ended(big, 600 + r);
            c.record(song, s);
        }));
        // A window opened: a fresh connection, the history and its map.
        const SongIdentity none{QStringLiteral("0000"), QString(), QString(), 64};
        openEmpty.push_back(timeMs([&] {
            Journal j(empty);
            const SongHistory h = j.history(none);
            masteryMap(h, MasteryRules(), 64);
        }));
        openFull.push_back(timeMs([&] {
            Journal j(full);
            const SongHistory h = j.history(song);
            sessions = h.sessions.size();
            const std::vector<MeasureMastery> map = masteryMap(h, MasteryRules(), 64);
            mastered = int(std::count_if(map.begin(), map.end(), [](const MeasureMastery& m) {
                return m.state == Mastery::Mastered;
            }));
        }));
    }
    const double we = median(writeEmpty), wb = median(writeBig), wf = median(writeBigFull),
                 oe = median(openEmpty), of = median(openFull);
    std::printf("journal in %s, %d repetitions, medians\n", qPrintable(temporary.path()), reps);
    std::printf("%-52s %9s %7s\n", "", "ms", "ratio");
    std::printf("%-52s %9.2f %7s\n", "write 1 cluster, empty database (baseline)", we, "1.00");
    std::printf("%-52s %9.2f %7.2f\n", "write 10,000 clusters, empty database", wb, wb / we);
    std::printf("%-52s %9.2f %7.2f\n", "write 10,000 clusters, 500 sessions there", wf, wf / we);
    std::printf("%-52s %9.2f %7s\n", "open history, empty database (baseline)", oe, "1.00");
    std::printf("%-52s %9.2f %7.2f\n", "open history of 500 sessions, with its map", of, of / oe);
    std::printf("(%zu sessions read, %d of 64 measures mastered)\n", sessions, mastered);
    const bool within = wb < 100 && wf < 100 && of < 100;
    std::printf("goal (each under 100 ms): %s\n", within ? "met" : "missed");
    return 0;
}
