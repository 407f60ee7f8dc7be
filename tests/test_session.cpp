// Recording, tempo following, allocation-free key presses and the practice loop, with no
// sequencer.

#include "interactivefixture.h"

#include "engine/decksession.h"
#include "engine/listenloop.h"
#include "engine/seqerror.h"
#include "song/trackediting.h"

#include <QFile>
#include <cstdio>
#include <unistd.h>

// Every allocation of the process is counted while a test asks for it:
// operator new ends in malloc too.
static std::atomic<bool> countAllocations{false};
static std::atomic<long> allocations{0};
[[maybe_unused]] static void noteAllocation()
{
    if (countAllocations.load(std::memory_order_relaxed)) allocations.fetch_add(1);
}

// A sanitizer brings its own malloc; there the count is not taken.
#if !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
#define CLAVION_COUNT_ALLOCATIONS 1
extern "C" {
void* __libc_malloc(size_t size);
void* malloc(size_t size) noexcept
{
    noteAllocation();
    return __libc_malloc(size);
}
}
#endif

namespace
{

using Session = Interactive;

// The first beat window of two accompaniment tracks, the second muted: a
// controller goes out only while the accompaniment's filter lets it pass.
TEST_F(Session, TheAccompanimentSkipsMutedTracksAndFilteredEvents)
{
    using namespace Keys;
    TrackPlan a, b;
    a.note(0, 100, 60).add(10, 0xB0, 7, 90).note(240, 100, 62, 80);
    b.note(0, 100, 72).add(20, 0xB0, 7, 50);
    ASSERT_TRUE(load(songBytes({a, b}), {}));
    deck.tracks.mute[1] = 1;
    for (bool controllers : {true, false}) {
        options.filters[EventFilters::Accompaniment][EventFilters::Controller] = controllers;
        ListenLoop listen(deck, options, out, &deckRx, &mainRx);
        listen.begin();
        out.sent.clear();
        listen.scheduleWindow();
        EXPECT_EQ(out.ringingKeys(), (Notes{60, 62})) << "not the muted track's";
        EXPECT_EQ(out.played().find("ctl @10") != std::string::npos, controllers);
    }
}

TEST_F(Session, AKeptTakeUsesThePlayedTimesADiscardedOneTheFileTimes)
{
    TrackPlan t;
    t.note(0, 100, 60).note(10, 100, 64).note(480, 100, 67).note(1920, 100, 69);
    const QByteArray bytes = songBytes({t.note(4800, 100, 71)});
    const auto setUp = [&] {
        ASSERT_TRUE(load(bytes, {0}));
        keyboard().kbenablesplit = true; // track 0 is in the low zone
    };
    bool showShift = false;
    for (int c = 0; c < 4; ++c) {
        const bool keep = c < 2;
        showShift = c % 2;
        SCOPED_TRACE(std::to_string(keep) + " " + std::to_string(showShift));
        setUp();
        // The first cluster played 1000 ticks late; a free note in the central zone.
        options.showshiftwhenrecording = showShift;
        deck.recording = true;
        start();
        play("@1000 +40 @1100 +70/60 @1300 -40 -70");
        deck.recording = false;
        // Shown at once, or noted aside; counted as clusters are prepared.
        EXPECT_NE(notes(1).find(showShift ? "64@1010-1310" : "64@10-110"), std::string::npos);
        EXPECT_EQ(loop->interactiveNotes(), 3);
        const int f = deck.tracks.boundTracks, freeNotes = loop->freeNotes();
        keep ? keepTake(deck, freeNotes, showShift) : discardTake(deck, freeNotes, showShift);
        for (const EventNode* n = song.events.head(); n; n = n->next)
            ASSERT_EQ(n->altTick, n->tick) << "played times left for the next take";
        EXPECT_EQ(notes(1), keep ? "67@480-580 60@1000-1300 64@1010-1310 69@1920-2020 71@4800-4900"
                                 : "60@0-100 64@10-110 67@480-580 69@1920-2020 71@4800-4900");
        EXPECT_EQ(notes(deck.tracks.storeTrackOf(f)), keep ? "70@1100-1300" : "");
        EXPECT_EQ(deck.modified(), keep);
    }
    // Played times are song ticks from the session's start.
    setUp();
    deck.currentBeat = 5;
    ASSERT_EQ(deck.repositionCursors(), DeckModel::CursorsMoved);
    deck.recording = true;
    start(1920);
    play("@100 +40 @150 -40");
    keepTake(deck, 0, showShift); // as the last take
    EXPECT_EQ(notes(1), "60@0-100 64@10-110 67@480-580 69@2020-2070 71@4800-4900")
        << "no shift after the end of the take";
}

// The analysis needs each cluster's file time and played time, which a kept
// take no longer tells apart; a discarded take leaves the last kept one.
TEST_F(Session, ARecordSessionLogsItsClustersForTheAnalysisOfAKeptTake)
{
    TrackPlan t;
    const QByteArray bytes = songBytes({t.note(0, 100, 60).note(10, 100, 64).note(480, 100, 67)});
    std::vector<std::pair<uint64_t, uint64_t>> kept;
    for (int c = 0; c < 3; ++c) {
        const bool keep = c < 2, showShift = c == 1;
        SCOPED_TRACE(c);
        ASSERT_TRUE(load(bytes, {0}));
        options.showshiftwhenrecording = showShift;
        options.tempoadapt = c == 0;
        deck.recording = true;
        beginTake(deck);
        start();
        play("@1000 +60 @1100 -60 @" + std::to_string(1500 + c) + " +67 -67");
        deck.recording = false;
        ASSERT_EQ(deck.takeLog.size(), 2u);
        EXPECT_EQ(deck.takeFollowed, c == 0);
        keep ? keepTake(deck, 0, showShift) : discardTake(deck, 0, showShift);
        EXPECT_EQ(deck.takeLog.capacity(), 0u) << "the room goes back";
        std::vector<std::pair<uint64_t, uint64_t>> ticks;
        for (const TakeCluster& k : deck.keptTake.clusters) {
            ticks.emplace_back(k.fileTick, k.playedTick);
            EXPECT_EQ(std::pair(k.tempo, k.boost), std::pair(uint64_t(500000), 100));
        }
        if (keep) kept = {{0, 1000}, {480, uint64_t(1500 + c)}};
        EXPECT_EQ(ticks, kept);
        EXPECT_EQ(deck.keptTake.tempoFollowed, c == 0);
    }
}

struct SessionTempoFollower : Interactive {
    void SetUp() override
    {
        ASSERT_TRUE(load(
            songBytes({TrackPlan().run(480, 130, 48, 0), TrackPlan().run(480, 130, 72, 1)}), {0}));
        options.tempoadapt = true;
    }
    // Rings `count` clusters with `key`, the accompaniment advancing `clock`
    // ticks before each; returns after which rings a tempo ratio came.
    Notes ring(int count, int key, uint64_t clock)
    {
        Notes at;
        for (int i = 1; i <= count; ++i) {
            loop->clockStep(int(clock));
            const size_t before = deckRx.ratios.size();
            strike(key);
            deliver();
            if (deckRx.ratios.size() > before) at.push_back(i);
        }
        return at;
    }
};

TEST_F(SessionTempoFollower, EveryNinthRingEstimatesTheRatioWhileTheBoostIsWithin83And120)
{
    start();
    // The accompaniment moves 600 ticks while the player moves 480: 1.25,
    // after a first estimate from the session's start.
    EXPECT_EQ(ring(45, 40, 600), (Notes{9, 18, 27, 36, 45}));
    for (size_t i = 1; i < deckRx.ratios.size(); ++i) EXPECT_NEAR(deckRx.ratios[i], 1.25, 1e-6);
    for (auto [boost, follows] :
         std::vector<std::pair<int, bool>>{{121, false}, {82, false}, {83, true}, {120, true}}) {
        deck.setTempoBoost(boost);
        EXPECT_EQ(ring(18, 40, 480).empty(), !follows) << boost;
    }
    // A session started later in the song goes on from the song's position.
    deck.currentBeat = 41;
    ASSERT_EQ(deck.repositionCursors(), DeckModel::CursorsMoved);
    const size_t before = deckRx.ratios.size();
    start(40 * 480);
    ring(27, 40, 480);
    ASSERT_GE(deckRx.ratios.size(), before + 2);
    for (size_t i = before; i < deckRx.ratios.size(); ++i) EXPECT_NEAR(deckRx.ratios[i], 1.0, 0.1);
}

// The Options dialog's smooth counts the clusters an estimate spans, both
// ends included, and a change reaches the running session at once.
TEST_F(SessionTempoFollower, TheSmoothSettingSetsTheRingsBetweenEstimates)
{
    start();
    const std::vector<std::tuple<int, int, Notes>> rows{
        {10, 18, {9, 18}}, {4, 9, {3, 6, 9}},  {2, 3, {1, 2, 3}},
        {1, 3, {1, 2, 3}}, {20, 38, {19, 38}}, {3, 4, {2, 4}},
    };
    for (const auto& [smooth, count, estimates] : rows) {
        options.smooth = smooth;
        EXPECT_EQ(ring(count, 40, 480), estimates) << "smooth " << smooth;
    }
    for (size_t i = 1; i < deckRx.ratios.size(); ++i) EXPECT_NEAR(deckRx.ratios[i], 1.0, 1e-6);
}

TEST_F(SessionTempoFollower, OnlyTheLeadingZoneOfASplitKeyboardCounts)
{
    deck.tracks.keyboard[1] = 1;
    keyboard().kbenablesplit = true;
    keyboard().tempoleader = false;
    start();
    EXPECT_TRUE(ring(20, 40, 480).empty());
    EXPECT_TRUE(ring(20, 80, 480).empty());
    keyboard().tempoleader = true;
    keyboard().leadzone = Zone::Central;
    EXPECT_TRUE(ring(20, 40, 480).empty()) << "the low zone does not lead";
    EXPECT_EQ(ring(30, 80, 480), (Notes{9, 18, 27}));
}

TEST_F(SessionTempoFollower, TheDeckTurnsARatioIntoABoostWithinItsClamp)
{
    DeckSession session(deck, options, &mainRx);
    for (auto [ratio, boost] :
         std::vector<std::pair<double, int>>{{1.25, 83}, {1.0, 83}, {0.9, 92}, {0.5, 120}}) {
        postEvent(&session, new DoubleEvent(TempoRatioEvent, ratio));
        deliver();
        EXPECT_EQ(deck.timing.tempoBoost, boost) << ratio;
    }
}

// A keyboard split between tracks 0 and 1 and a free track, another playing
// track 2 in any order: a thousand rounds of keys after warming up allocate
// nothing, while the repaint asked for stays on its way as when the GUI is busy.
TEST_F(Session, KeyPressesAllocateNothing)
{
#ifndef CLAVION_COUNT_ALLOCATIONS
    GTEST_SKIP() << "allocations are not counted under a sanitizer";
#endif
    std::vector<TrackPlan> tracks(3);
    tracks[1].run(240, 1100, 70, 1);
    for (uint32_t i = 0; i < 1100; ++i) {
        tracks[0].note(i * 240, 100, 40 + int(i % 20)).add(i * 240 + 4, 0xB0, 11, int(i % 128));
        tracks[2]
            .note(i * 240, 100, 40 + int(i % 30), 100, 2)
            .note(i * 240 + 5, 100, 80 + int(i % 30), 100, 2);
    }
    addDevices(2);
    ASSERT_TRUE(load(songBytes(tracks), {0, 1, 2}));
    keyboard().kbenablesplit = true;
    devices.inputs[1]->kbmode = AllClusterNotes;
    deck.tracks.input[2] = devices.inputs[1].get();
    beginTake(deck); // every cluster is logged for the journal
    start();
    const auto round = [this](int i) {
        const int split = i % 2 ? 64 + i % 39 : 20 + i % 44, low = 40 + i % 30, high = 80 + i % 30;
        for (bool on : {true, false}) {
            key(on, split, 1 + i % 127);
            key(on, 104 + i % 20, 64); // a free note
        }
        for (int k : {39, high, low}) key(true, k, 100, kKeyboard + 1); // 39 is wrong
        for (int k : {39, low, high}) key(false, k, 64, kKeyboard + 1);
    };
    for (int i = 0; i < 20; ++i) round(i);
    out.sent.clear();
    allocations = 0;
    countAllocations = true;
    for (int i = 20; i < 1020; ++i) round(i);
    countAllocations = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_GT(deck.takeLog.size(), 2000u) << "the rounds were logged";
    EXPECT_EQ(out.ringingKeys().size(), 500u + 500 + 1000 + 2000)
        << "clusters of both zones, free notes, any order";
}

// A quarter note a beat from key 40, the one of beat 8 held across the end of measure 2;
// before measure 2 volume 90 then 60, program 5 and a bend, inside it program 9; 100 bpm from
// tick 1000 and 150 from 2880. The player's track has notes at 1000, 1920, 2400 and 3840.
struct SessionLoop : Interactive {
    void SetUp() override
    {
        TrackPlan a, player;
        for (uint32_t b = 0; b < 16; ++b) a.note(b * 480, b == 7 ? 960 : 240, 40 + int(b));
        a.add(50, 0xB0, 7, 90).add(100, 0xC0, 5, 0).add(1000, 0xB0, 7, 60).add(1500, 0xE0, 0, 70);
        a.add(2000, 0xC0, 9, 0);
        for (auto [tick, key] : {std::pair{1000, 70}, {1920, 72}, {2400, 74}, {3840, 76}})
            player.note(uint32_t(tick), 100, key, 100, 1);
        ASSERT_TRUE(
            load(songBytes({a, player}, {{0, 500000}, {1000, 600000}, {2880, 400000}}), {}));
        deck.loop = PracticeLoop{1, 2, true, 80, 15, 100}; // measure 2, from 80 % by 15 %
    }
    // Windows from the deck's beat, as their echoes would ask for them.
    void windows(int count)
    {
        ListenLoop listen(deck, options, out, &deckRx, &mainRx);
        listen.begin();
        out.sent.clear();
        for (int i = 0; i < count; ++i) {
            countAllocations = i >= 8; // passes 2 and 3, and two seams
            listen.scheduleWindow();
        }
        countAllocations = false;
    }
    // What went out at a queue tick, in order: notes with their length, controllers,
    // programs, bends, tempos sent on, the queue's tempo, the seam's echo.
    std::string at(uint64_t tick) const
    {
        std::string s;
        const auto n = [](auto v) { return std::to_string(v); };
        for (const Sent& e : out.sent) {
            const auto& c = e.ev.data.control;
            const auto& note = e.ev.data.note;
            const auto& d = e.ev.data.raw32.d;
            const std::map<int, std::string> words{
                {SND_SEQ_EVENT_NOTE, "n" + n(note.note) + ":" + n(note.duration)},
                {SND_SEQ_EVENT_CONTROLLER, "c" + n(c.param) + "=" + n(c.value)},
                {SND_SEQ_EVENT_PGMCHANGE, "p" + n(c.value)},
                {SND_SEQ_EVENT_PITCHBEND, "b" + n(c.value)},
                {SND_SEQ_EVENT_TEMPO,
                 (e.ev.dest.client ? "tempo" : "queue") + n(e.ev.data.queue.param.value)},
                {SND_SEQ_EVENT_SETPOS_TICK, "seam" + n(d[SeamFirstBeat]) + "/" +
                                                n(d[SeamFileTempo]) + "/" + n(d[SeamPassBoost])}};
            if (e.time == tick && words.count(e.type()))
                s += (s.empty() ? "" : " ") + words.at(e.type());
        }
        return s;
    }
    int count(int type) const
    {
        return int(std::count_if(out.sent.begin(), out.sent.end(),
                                 [=](const Sent& e) { return e.type() == type; }));
    }
};

TEST_F(SessionLoop, TheLoopStartsOverABeatAfterItsLastBeatWithTheSoundOfItsStartEachPassFaster)
{
    deck.tracks.mute[1] = 1; // the free track's program stays
    windows(17);
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(at(1920) + " " + at(3360), "n44:240 n47:480") << "the held note ends with the loop";
    EXPECT_EQ(at(3840), "p0 p5 c7=60 b768 tempo600000 queue631578 seam5/600000/95 n44:240");
    EXPECT_EQ(at(4320) + " " + at(5280), "n45:240 n47:480");
    EXPECT_EQ(at(5760), "p0 p5 c7=60 b768 tempo600000 queue600000 seam5/600000/100 n44:240");
    EXPECT_EQ(at(7680), "p0 p5 c7=60 b768 tempo600000 queue600000 seam5/600000/100 n44:240");
    EXPECT_EQ(count(SND_SEQ_EVENT_USR2), 0);
    // The user's own boost stops the climb at the next seam.
    deck.loop.passBoost = 0;
    windows(9);
    EXPECT_EQ(at(3840), "p0 p5 c7=60 b768 tempo600000 queue600000 seam5/600000/0 n44:240");
}

TEST_F(SessionLoop, OnlyAListeningSessionThatReachesTheLoopsEndStartsOver)
{
    struct Row {
        const char* name;
        bool recording, on;
        int startBar, endBar, seams;
    };
    for (const Row& r :
         {Row{"up to the song's end", false, true, 3, 4, 1},
          Row{"while recording", true, true, 3, 4, 0}, Row{"behind the play", false, true, 0, 1, 0},
          Row{"turned off", false, false, 3, 4, 0}}) {
        SCOPED_TRACE(r.name);
        deck.loop = PracticeLoop{r.startBar, r.endBar, r.on};
        deck.recording = r.recording;
        deck.currentBeat = 9;
        ASSERT_EQ(deck.repositionCursors(), DeckModel::CursorsMoved);
        windows(9);
        EXPECT_EQ(count(SND_SEQ_EVENT_SETPOS_TICK), r.seams);
        EXPECT_EQ(count(SND_SEQ_EVENT_USR2), 1 - r.seams) << "the song's end";
    }
}

// A listening session logs its clusters for the journal too, a later pass
// measured from where it started over.
TEST_F(SessionLoop, AtTheSeamThePlayerStartsOverAtTheLoopsFirstCluster)
{
    deck.tracks.keyboard[1] = 1;
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode ? "any order" : "one key a cluster");
        keyboard().kbmode = mode;
        deck.resetCursors();
        beginTake(deck);
        start();
        for (int key : {70, 72, 74}) {
            out.tick = key == 70 ? 1000 : key == 72 ? 1920 : 2410;
            EXPECT_EQ(strike(mode ? key : 40), Notes{key});
        }
        out.sent.clear();
        out.tick = 3000;
        loop->restartAt(1920);
        EXPECT_EQ(deck.tracks.playedUpTo.load(1), 1920u);
        EXPECT_EQ(out.played(true), mode ? "hide 76 z0 !, show 72 z7 !" : "");
        out.tick = 3030;
        out.sent.clear();
        key(true, mode ? 72 : 40, 77);
        EXPECT_EQ(out.ringingKeys(), Notes{72});
        std::vector<std::tuple<uint64_t, uint64_t, int, int>> logged;
        for (const TakeCluster& c : deck.takeLog)
            logged.emplace_back(c.fileTick, c.playedTick, c.boost, c.velocity);
        EXPECT_EQ(logged, (decltype(logged){{1000, 1000, 80, 100},
                                            {1920, 1920, 80, 100},
                                            {2400, 2410, 80, 100},
                                            {1920, 1950, 80, 77}}));
        closeSessionLog(deck, QDateTime(QDate(2026, 12, 1), QTime(9, 0)), 61400, 100, false);
        const JournalSession& s = deck.lastSession;
        EXPECT_EQ(std::tuple(s.seconds, s.loopFirst, s.loopLast, s.clusters, s.recorded),
                  std::tuple(61, 2, 2, 4, false));
        ASSERT_EQ(s.measures.size(), 2u);
        // 30 ticks late at 100 bpm and 80 %: 30 * 1.25 ms * 1.25.
        EXPECT_NEAR(s.measures[1].p90AbsMs, 46.875, 1e-9);
        EXPECT_TRUE(s.tracks.startsWith(QLatin1String("#2"))) << s.tracks.toStdString();
    }
}

} // namespace

namespace
{
// A failure that floods (a port echoing us, a full queue) is written once and then counted:
// thousands of lines would bury the others and slow down whatever writes them.
TEST(SessionErrors, ARepeatedFailureIsWrittenOnceThenWithItsCount)
{
    seqErrorRepeats(); // what earlier tests left
    std::fflush(stderr);
    char path[] = "/tmp/clavion-stderr-XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    const int saved = dup(2);
    dup2(file, 2);
    for (int i = 0; i < 5000; ++i) seqCheck(-11, "snd_seq_event_output_direct");
    seqCheck(-2, "snd_seq_connect_to");
    seqCheck(-11, "snd_seq_drain_output");
    seqCheck(-11, "snd_seq_event_input", "run : ");
    seqCheck(-11, "snd_seq_event_input", "run : ");
    seqErrorRepeats();
    seqCheck(-11, "snd_seq_event_output_direct"); // the next session tells it again
    seqErrorRepeats();
    std::fflush(stderr);
    dup2(saved, 2);
    ::close(saved);
    ::close(file);
    QFile written(QString::fromLatin1(path));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(written.readAll()).split(QLatin1Char('\n'));
    ::unlink(path);
    const QString again = QStringLiteral("Resource temporarily unavailable");
    EXPECT_EQ(lines, (QStringList{
                         "Error -11 in snd_seq_event_output_direct (" + again + ").",
                         "Error -2 in snd_seq_connect_to (No such file or directory).",
                         "Error -11 in snd_seq_drain_output (" + again + ").",
                         "run : Error -11 in snd_seq_event_input (" + again + ").",
                         "Error -11 in snd_seq_event_output_direct (" + again +
                             ") repeated 4999 more times.",
                         "Error -11 in snd_seq_event_input (" + again + ") repeated 1 more times.",
                         "Error -11 in snd_seq_event_output_direct (" + again + ").", ""}));
}
} // namespace
