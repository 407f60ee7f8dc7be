// A session's footprint on the sequencer: the connections it makes and
// undoes, what it sends when it stops, failures to connect, and leaks over
// many sessions in one process.

#include "enginefixture.h"
#include "processrunner.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <set>

namespace
{

// Quarter notes on channel 0 for 64 beats: longer than any test plays.
SongPlan longSong(int tracks = 1)
{
    SongPlan s;
    for (int t = 0; t < tracks; ++t)
        s.tracks.push_back(SongTrack{noteRun(uint32_t(t * 120), 480, 64, t, 40 + t), {}});
    return s;
}

std::set<std::pair<int, int>> addresses(const std::vector<snd_seq_addr_t>& list)
{
    std::set<std::pair<int, int>> out;
    for (const snd_seq_addr_t& a : list) out.insert({a.client, a.port});
    return out;
}

// The lines `aconnect -l` prints for one client, up to the next client.
QString aconnectBlock(const QString& listing, int client)
{
    const QRegularExpression head(QStringLiteral("^client %1: ").arg(client),
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = head.match(listing);
    if (!m.hasMatch()) return QString();
    const int next = listing.indexOf(
        QRegularExpression(QStringLiteral("^client "), QRegularExpression::MultilineOption),
        m.capturedEnd());
    return listing.mid(m.capturedStart(), next < 0 ? -1 : next - m.capturedStart());
}

class Connections : public EngineFixture
{
protected:
    // Who writes to and reads from a port, seen while the session plays.
    std::set<std::pair<int, int>> writersOf(int client)
    {
        return addresses(
            seqfacts::subscriptions(capture.handle(), client, 0, SND_SEQ_QUERY_SUBS_WRITE));
    }
    std::set<std::pair<int, int>> readersOf(int client)
    {
        return addresses(
            seqfacts::subscriptions(capture.handle(), client, 0, SND_SEQ_QUERY_SUBS_READ));
    }

    // Checks, once nothing plays any more, that no trace of the engine is left.
    void expectNothingLeft()
    {
        EXPECT_EQ(seqfacts::findClient(capture.handle(), kEngineClientName), -1);
        EXPECT_TRUE(writersOf(kThroughClient).empty());
        EXPECT_TRUE(readersOf(kKeyboardClient).empty());
        const QString listing = aconnectList();
        ASSERT_FALSE(listing.isEmpty()) << "aconnect -l failed";
        EXPECT_FALSE(listing.contains(QLatin1String("Clavion"))) << listing.toStdString();
        EXPECT_FALSE(
            aconnectBlock(listing, kThroughClient).contains(QLatin1String("Connected From")))
            << listing.toStdString();
        EXPECT_FALSE(
            aconnectBlock(listing, kKeyboardClient).contains(QLatin1String("Connecting To")))
            << listing.toStdString();
    }
};

TEST_F(Connections, TwoTracksOnOneOutputAndInputMakeOneConnectionEachAndLeaveNone)
{
    ASSERT_TRUE(load(longSong(2)));
    ASSERT_EQ(deck.tracks.output[0], deck.tracks.output[1]);
    int engine = -1;
    std::set<std::pair<int, int>> writers, readers;
    const SessionRun run = play([&] {
        engine = seqfacts::findClient(capture.handle(), kEngineClientName);
        if (engine < 0) return false;
        writers = writersOf(kThroughClient);
        readers = readersOf(kKeyboardClient);
        return true;
    });
    ASSERT_TRUE(run.started && run.finished);
    EXPECT_FALSE(run.halted) << mainWindow.failures.join(QLatin1Char('\n')).toStdString();
    ASSERT_GE(engine, 0) << "the engine's client never appeared";
    ASSERT_EQ(writers.size(), 1u);
    EXPECT_EQ(writers.begin()->first, engine);
    ASSERT_EQ(readers.size(), 1u);
    EXPECT_EQ(readers.begin()->first, engine);
    expectNothingLeft();
}

TEST_F(Connections, TracksOnTwoOutputsReachEachItsOwn)
{
    auto second = std::make_unique<OutputDevice>();
    second->client = 17; // a virtual keyboard's port also takes MIDI in
    OutputDevice* other = second.get();
    ASSERT_TRUE(load(longSong(2)));
    devices.outputs.push_back(std::move(second));
    deck.tracks.output[1] = other;
    int engine = -1;
    std::set<std::pair<int, int>> through, keyboard;
    const SessionRun run = play([&] {
        engine = seqfacts::findClient(capture.handle(), kEngineClientName);
        through = writersOf(kThroughClient);
        keyboard = writersOf(17);
        return engine >= 0 && capture.noteOns().size() >= 4;
    });
    ASSERT_TRUE(run.started && run.finished);
    EXPECT_FALSE(run.halted);
    ASSERT_GE(engine, 0);
    ASSERT_EQ(through.size(), 1u);
    EXPECT_EQ(through.begin()->first, engine);
    ASSERT_EQ(keyboard.size(), 1u);
    EXPECT_EQ(keyboard.begin()->first, engine);
    // Only the first track's channel comes out of Midi Through.
    for (const CapturedEvent& e : capture.noteOns()) EXPECT_EQ(e.channel, 0);
    expectNothingLeft();
    EXPECT_TRUE(writersOf(17).empty());
}

using Stopping = EngineFixture;

TEST_F(Stopping, StopSilencesEveryChannelAfterTheLastNote)
{
    // Thirty-second notes on two channels: a stop always falls among queued notes.
    SongPlan dense;
    dense.tracks = {SongTrack{noteRun(0, 60, 400, 0, 20, 50), {}},
                    SongTrack{noteRun(30, 60, 400, 1, 20, 50), {}}};
    int hanging = 0;
    const int stops = 12;
    for (int i = 0; i < stops; ++i) {
        capture.clear();
        ASSERT_TRUE(load(dense));
        // Stop at a different place each time, within and across beats.
        const size_t notes = size_t(3 + i * 5);
        const SessionRun run = play([&] { return capture.noteOns().size() >= notes; });
        ASSERT_TRUE(run.started && run.finished);
        const auto silenced = [](const std::vector<CapturedEvent>& events) {
            std::set<int> channels;
            for (const CapturedEvent& e : events)
                if (e.isController(123) && e.value == 0) channels.insert(e.channel);
            return channels.size() == 16;
        };
        ASSERT_TRUE(capture.waitFor(silenced, 10000)) << "no all-notes-off on some channel";
        capture.waitQuiet(300, 5000);
        const std::vector<CapturedEvent> got = capture.events();
        for (int controller : {120, 64}) {
            std::set<int> channels;
            for (const CapturedEvent& e : got)
                if (e.isController(unsigned(controller)) && e.value == 0)
                    channels.insert(e.channel);
            EXPECT_EQ(channels.size(), 16u) << "controller " << controller;
        }
        const auto firstOff = std::find_if(
            got.begin(), got.end(), [](const CapturedEvent& e) { return e.isController(123); });
        hanging +=
            std::any_of(firstOff, got.end(), [](const CapturedEvent& e) { return e.isNoteOn(); });
    }
    EXPECT_EQ(hanging, 0) << "in " << hanging << " of " << stops
                          << " stops a note started after the all-notes-off and would hang";
}

// Counts from /proc of what a leak would grow.
struct Footprint {
    int clients = 0;
    int queues = 0;
    int threads = 0;
    int files = 0;
    long rssKb = 0;
};

int countMatching(const QString& file, const QString& pattern)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QString text = QString::fromLocal8Bit(f.readAll());
    return int(text.count(QRegularExpression(pattern, QRegularExpression::MultilineOption)));
}

Footprint footprint()
{
    Footprint p;
    p.clients = countMatching(QStringLiteral("/proc/asound/seq/clients"),
                              QStringLiteral("^Client +\\d+ :"));
    p.queues =
        countMatching(QStringLiteral("/proc/asound/seq/queues"), QStringLiteral("^queue +\\d+:"));
    p.threads = int(QDir(QStringLiteral("/proc/self/task"))
                        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                        .size());
    p.files = int(QDir(QStringLiteral("/proc/self/fd"))
                      .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                      .size());
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^VmRSS:\\s+(\\d+) kB"),
                                                             QRegularExpression::MultilineOption)
                                              .match(QString::fromLocal8Bit(status.readAll()));
        if (m.hasMatch()) p.rssKb = m.captured(1).toLong();
    }
    return p;
}

using Lifecycle = EngineFixture;

TEST_F(Lifecycle, TwoHundredStartStopCyclesLeaveNoClientQueueThreadFileOrMemory)
{
    ASSERT_TRUE(load(longSong()));
    // The capture would keep every event of 200 sessions; it is not needed here.
    capture.close();
    const auto cycle = [this] {
        const SessionRun run = play([] { return true; });
        return run.started && run.finished && !run.halted;
    };
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(cycle()) << "warm-up cycle " << i;
    const Footprint before = footprint();
    ASSERT_GT(before.clients, 0) << "no /proc/asound/seq/clients";
    ASSERT_GE(before.queues, 0) << "no /proc/asound/seq/queues";
    int failed = 0;
    for (int i = 0; i < 200; ++i) failed += cycle() ? 0 : 1;
    const Footprint after = footprint();
    std::printf("200 cycles: clients %d -> %d, queues %d -> %d, threads %d -> %d, "
                "fds %d -> %d, RSS %ld -> %ld kB\n",
                before.clients, after.clients, before.queues, after.queues, before.threads,
                after.threads, before.files, after.files, before.rssKb, after.rssKb);
    EXPECT_EQ(failed, 0);
    EXPECT_TRUE(mainWindow.failures.isEmpty());
    EXPECT_EQ(after.clients, before.clients);
    EXPECT_EQ(after.queues, before.queues);
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.files, before.files);
    // Allocator slack, not a leak: a client handle is tens of kB, 200 of them megabytes.
    EXPECT_LT(after.rssKb - before.rssKb, 1024);
}

// An output or input the session cannot use: the deck hears why and halts.
struct BadAddress {
    const char* name;
    int outClient, outPort, inClient, inPort;
    const char* text;
};

class BadDevice : public EngineFixture, public ::testing::WithParamInterface<BadAddress>
{
};

TEST_P(BadDevice, SessionHaltsWithTheReasonAndLeavesNothing)
{
    const BadAddress& bad = GetParam();
    ASSERT_TRUE(load(longSong()));
    devices.defaultOutput.client = bad.outClient;
    devices.defaultOutput.port = bad.outPort;
    devices.defaultInput.client = bad.inClient;
    devices.defaultInput.port = bad.inPort;
    const SessionRun run = play([] { return false; }, 30000);
    EXPECT_TRUE(run.finished) << "the session neither started nor ended";
    EXPECT_TRUE(run.halted);
    EXPECT_FALSE(run.started);
    ASSERT_EQ(mainWindow.failures.size(), 1);
    EXPECT_TRUE(mainWindow.failures[0].contains(QLatin1String(bad.text)))
        << mainWindow.failures[0].toStdString();
    EXPECT_EQ(seqfacts::findClient(capture.handle(), kEngineClientName), -1);
    EXPECT_TRUE(capture.noteOns().empty());
}

INSTANTIATE_TEST_SUITE_P(
    , BadDevice,
    ::testing::Values(BadAddress{"NoSuchOutput", 99, 0, 16, 0,
                                 "MIDI output unavailable, please stop playing and try again.\n"
                                 "Error connecting to output 99:0 : "},
                      BadAddress{"NoOutput", 0, 0, 16, 0,
                                 "No output ports. Check \"Devices setup\" and reload song"},
                      BadAddress{"NoSuchInput", 14, 0, 99, 0,
                                 "MIDI input unavailable, please stop playing and try again.\n"
                                 "Error connecting to input 99:0 : "},
                      BadAddress{"NoInput", 14, 0, 0, 0,
                                 "No input ports. Check \"Devices setup\" and retry"}),
    [](const auto& p) { return std::string(p.param.name); });

using SeqsessionTool = EngineFixture;

TEST_F(SeqsessionTool, UnconnectableOutputExitsWithTheReasonInsteadOfHanging)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString songFile = dir.filePath(QStringLiteral("song.mid"));
    QFile f(songFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(longSong().bytes());
    f.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    const ProcessResult r =
        runProcess(QStringLiteral(CLAVION_SEQSESSION),
                   {QStringLiteral("--output"), QStringLiteral("99:0"), QStringLiteral("--input"),
                    QStringLiteral("16:0"), songFile},
                   60000, env);
    ASSERT_TRUE(r.started && !r.timedOut && !r.crashed) << r.describe().toStdString();
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("MIDI output unavailable")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Error connecting to output 99:0 : ")) << r.err.toStdString();
    EXPECT_TRUE(capture.noteOns().empty());
    EXPECT_EQ(seqfacts::findClient(capture.handle(), kEngineClientName), -1);
}

} // namespace
