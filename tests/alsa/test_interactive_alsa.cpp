// The player's side of a session against the kernel's sequencer: keys struck
// on the virtual keyboard 16:0 (or the PC keyboard), what the engine plays
// heard at Midi Through 14:0.

#include "enginefixture.h"

#include "core/events.h"
#include "song/songloader.h"
#include "song/songnames.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <map>
#include <random>

namespace
{

constexpr double kMsPerTick = 500.0 / 480.0; // 500 000 us per quarter note, 480 ppq

SongPlan songOf(std::vector<SongTrack> tracks)
{
    SongPlan s;
    s.tracks = std::move(tracks);
    return s;
}

// A note a key should ring: key, velocity, offset in ticks inside its cluster.
struct Rung {
    int key, velocity;
    uint32_t offset;
};

// One key (a Qt key code for the PC keyboard) and the cluster it rings.
struct Strike {
    int key, velocity;
    std::vector<Rung> rings;
};

struct RingCase {
    const char* name;
    std::vector<SongNote> notes;
    bool pc, fileVelocities;
    int velocityShift;
    std::vector<Strike> strikes;
    bool songEnds; // after the last strike
};

// The cluster tolerance is 100 ms, 96 ticks here: 95 ticks after a note is
// the same cluster, 96 the next one.
const RingCase kRings[] = {
    {"KeyVelocityWithTheTrackOffset",
     {{0, 300, 0, 60, 70},
      {12, 300, 0, 64, 80},
      {107, 300, 0, 67, 90},
      {203, 300, 0, 72, 100},
      {1920, 300, 0, 74, 60},
      {1944, 300, 0, 77, 50}},
     false,
     false,
     10,
     {{40, 80, {{60, 90, 0}, {64, 90, 12}, {67, 90, 107}}},
      {41, 100, {{72, 110, 0}}},
      {42, 127, {{74, 127, 0}, {77, 127, 24}}}},
     true},
    {"FileVelocitiesWithTheTrackOffset",
     {{0, 200, 0, 60, 70}, {24, 200, 0, 64, 120}, {480, 200, 0, 65, 30}},
     false,
     true,
     10,
     {{40, 5, {{60, 80, 0}, {64, 127, 24}}}},
     false},
    // The track plays from the letter keys; the number keys ring nothing.
    {"PcKeyboardWithTheFilesVelocities",
     {{0, 100, 0, 60, 70}, {12, 100, 0, 64, 90}, {480, 100, 0, 65, 50}},
     true,
     false,
     5,
     {{Qt::Key_1, 0, {}}, {Qt::Key_K, 0, {{60, 75, 0}, {64, 95, 12}}}},
     false},
};

class Ringing : public EngineFixture, public ::testing::WithParamInterface<RingCase>
{
};

// Each key rings the next cluster with its pitches, velocities and spacing
// (kernel stamps); each note ends after the release by its own offset.
TEST_P(Ringing, EachKeyRingsTheNextClusterWithItsSpacingAndEndsItOnRelease)
{
    const RingCase& c = GetParam();
    ASSERT_TRUE(load(songOf({SongTrack{c.notes, {}}}), 100, 1, {0}));
    if (c.pc) {
        deck.tracks.input[0] = &devices.pcKeyboard;
        deck.tracks.zone[0] = 2; // the letter keys
    }
    options.filevel = c.fileVelocities;
    deck.tracks.velocityShift[0] = c.velocityShift;
    ASSERT_TRUE(begin());
    std::vector<double> latency;
    for (const Strike& s : c.strikes) {
        SCOPED_TRACE(::testing::Message() << "key " << s.key);
        capture.clear();
        int64_t on = monotonicNs(), off = 0;
        if (c.pc) {
            EXPECT_TRUE(session->pcKeyEvent(s.key, true));
            spinFor(200);
            off = monotonicNs();
            EXPECT_TRUE(session->pcKeyEvent(s.key, false));
        } else {
            std::tie(on, off) = strike(s.key, s.velocity, 300, 0);
        }
        const size_t n = s.rings.size();
        ASSERT_TRUE(waitNotes(n, n));
        spinFor(200); // nothing more should come
        const Captured ons = capture.notes(true), offs = capture.notes(false);
        ASSERT_EQ(ons.size(), n);
        ASSERT_EQ(offs.size(), n);
        if (n) latency.push_back(msBetween(on, ons[0].mono));
        for (size_t i = 0; i < n; ++i) {
            const Rung& w = s.rings[i];
            SCOPED_TRACE(::testing::Message() << "note " << i << " key " << w.key);
            EXPECT_EQ(ons[i].note, w.key);
            EXPECT_EQ(ons[i].velocity, w.velocity);
            EXPECT_NEAR(msBetween(ons[0].ns, ons[i].ns), w.offset * kMsPerTick, kToleranceMs)
                << "spacing kept";
            const auto end = std::find_if(offs.begin(), offs.end(),
                                          [&](const CapturedEvent& e) { return e.note == w.key; });
            ASSERT_NE(end, offs.end());
            EXPECT_NEAR(msBetween(offs[0].ns, end->ns), w.offset * kMsPerTick, kToleranceMs)
                << "the end shifted like the start";
            EXPECT_NEAR(msBetween(ons[i].ns, end->ns), msBetween(on, off), 15.0)
                << "as long as the key was held";
        }
    }
    EXPECT_EQ(capture.overruns(), 0);
    std::printf("key to note at the capture: %s\n", distribution(latency).c_str());
    EXPECT_TRUE(!c.songEnds || spinUntil([this] { return finished; }, 15000));
    EXPECT_FALSE(halted);
}

INSTANTIATE_TEST_SUITE_P(, Ringing, ::testing::ValuesIn(kRings),
                         [](const auto& p) { return std::string(p.param.name); });

using Live = EngineFixture;

TEST_F(Live, ASplitKeyboardDrivesThreeTracksFromItsZonesAtOnce)
{
    ASSERT_TRUE(load(
        songOf({SongTrack{noteRun(0, 480, 4, 0, 36), {}}, SongTrack{noteRun(0, 480, 4, 1, 72), {}},
                SongTrack{noteRun(0, 480, 4, 2, 108), {}}}),
        100, 1, {0, 1, 2}));
    keys().kbenablesplit = true;
    keys().lowkey = 64;
    keys().highkey = 103;
    ASSERT_TRUE(begin());
    // Three players at the same instant, on the last and first keys of each zone.
    const std::vector<std::vector<unsigned char>> rounds{{63, 64, 103}, {40, 102, 127}};
    for (size_t r = 0; r < rounds.size(); ++r) {
        SCOPED_TRACE(r);
        capture.clear();
        std::vector<unsigned char> down, up;
        for (unsigned char k : rounds[r]) {
            down.insert(down.end(), {0x90, k, 100});
            up.insert(up.end(), {0x80, k, 64});
        }
        keyboard.write(down);
        ASSERT_TRUE(waitNotes(3, 0));
        spinFor(200);
        keyboard.write(up);
        ASSERT_TRUE(waitNotes(3, 3));
        spinFor(100);
        for (bool on : {true, false}) {
            Captured got = capture.notes(on);
            ASSERT_EQ(got.size(), 3u);
            std::sort(got.begin(), got.end(),
                      [](const auto& a, const auto& b) { return a.channel < b.channel; });
            for (int z = 0; z < 3; ++z) EXPECT_EQ(got[size_t(z)].note, 36 + 36 * z + int(r));
        }
    }
    // The low zone alone moves on.
    capture.clear();
    strike(20, 100, 50);
    ASSERT_TRUE(waitNotes(1, 1));
    ASSERT_EQ(capture.notes().size(), 1u);
    EXPECT_EQ(capture.notes()[0].note, 38);
}

TEST_F(Live, AKeyInAZoneWithoutATrackPlaysTheFreeTrackAndIsRecordedThere)
{
    ASSERT_TRUE(load(songOf({SongTrack{noteRun(0, 480, 8, 0, 36), {}},
                             SongTrack{noteRun(0, 480, 8, 1, 72), {}}}),
                     100, 1, {0, 1}));
    keys().kbenablesplit = true;
    const int f = freeTrack();
    const int channel = firstSetChannel(deck.tracks.channelPattern[size_t(f)]);
    deck.tracks.transpose[size_t(f)] = -2;
    messages.answers = {Yes}; // keep the take
    ASSERT_TRUE(begin(true));
    const auto first = strike(50, 100, 100); // zone 1 rings track 0
    const auto free = strike(110, 77, 200);  // zone 3: free
    const auto second = strike(50, 100, 100);
    ASSERT_TRUE(waitNotes(3, 3));
    const Captured ons = capture.notes();
    ASSERT_EQ(ons.size(), 3u);
    EXPECT_EQ(ons[1].note, 108);
    EXPECT_EQ(ons[1].velocity, 77);
    EXPECT_EQ(ons[1].channel, channel);
    ASSERT_TRUE(end());

    // Kept: the free note at its played time, as played, between the two rung notes.
    const EventNode *a = nullptr, *f0 = nullptr, *b = nullptr;
    for (const EventNode* n = song.events.head(); n; n = n->next) {
        if (!n->isSoundingNoteOn()) continue;
        if (n->track == 1 && n->note() == 36) a = n;
        if (n->track == 1 && n->note() == 37) b = n;
        if (deck.tracks.displayIndexOf(int(n->track)) == f) f0 = n;
    }
    ASSERT_TRUE(a && f0 && b && f0->partner && a->partner);
    EXPECT_EQ(f0->note(), 110);
    EXPECT_EQ(f0->velocity(), 77);
    EXPECT_EQ(f0->channel(), channel);
    const auto songMs = [](const EventNode* from, const EventNode* to) {
        return (double(to->tick) - double(from->tick)) * kMsPerTick;
    };
    EXPECT_NEAR(songMs(a, f0), msBetween(first.first, free.first), kToleranceMs);
    EXPECT_NEAR(songMs(a, b), msBetween(first.first, second.first), kToleranceMs);
    EXPECT_NEAR(songMs(f0, f0->partner), msBetween(free.first, free.second), kToleranceMs);
    EXPECT_NEAR(songMs(a, a->partner), msBetween(first.first, first.second), kToleranceMs);
}

TEST_F(Live, InAnyOrderAWrongKeyRingsNothingAndTheLastExpectedNoteRingsTheRest)
{
    SongTrack t{{{0, 200, 0, 60, 100},
                 {10, 200, 0, 64, 100},
                 {20, 200, 0, 67, 100},
                 {960, 200, 0, 72, 100}},
                {{24, 0xB0, {11, 77}}}};
    ASSERT_TRUE(load(songOf({t}), 100, 1, {0}));
    keys().kbmode = 1;
    ASSERT_TRUE(begin());
    strike(61, 90, 100, 200);
    EXPECT_TRUE(capture.notes().empty()) << "a wrong key rings nothing";
    const auto rest = [](const CapturedEvent& e) { return e.isController(11); };
    for (int k : {64, 60}) {
        keyboard.press(k, 90);
        spinFor(150);
    }
    EXPECT_EQ(capture.notes().size(), 2u);
    const Captured early = capture.events();
    EXPECT_TRUE(std::none_of(early.begin(), early.end(), rest))
        << "the rest waits for the last expected note";
    const int64_t last = keyboard.press(67, 90);
    ASSERT_TRUE(capture.waitFor(
        [&](const Captured& g) { return std::any_of(g.begin(), g.end(), rest); }, 5000));
    std::vector<int> order;
    for (const CapturedEvent& e : capture.notes()) order.push_back(e.note);
    EXPECT_EQ(order, (std::vector<int>{64, 60, 67})) << "each note as its key comes";
    for (const CapturedEvent& e : capture.events())
        EXPECT_TRUE(!rest(e) || e.mono > last);
    for (int k : {64, 60, 67}) keyboard.release(k);
    ASSERT_TRUE(waitNotes(3, 3));
    spinFor(100);
    EXPECT_EQ(capture.notes(false).size(), 3u);
    capture.clear();
    strike(72, 90, 100);
    ASSERT_TRUE(waitNotes(1, 1));
    EXPECT_EQ(capture.notes().at(0).note, 72) << "the next cluster was prepared";
}

TEST_F(Live, AKeyFloodLeavesNoHangingNoteAndNoHeldKey)
{
    // 7.5 s of song: it can end soon after the flood.
    ASSERT_TRUE(load(songOf({SongTrack{noteRun(0, 120, 60, 0, 36), {}},
                             SongTrack{noteRun(0, 120, 60, 1, 72), {}}}),
                     100, 1, {0, 1}));
    keys().kbenablesplit = true; // 103 and up: the free track
    ASSERT_TRUE(begin());
    // 10 000 presses and their releases, a few keys down at a time.
    std::mt19937 random(2024);
    const auto draw = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    std::vector<unsigned char> bytes;
    std::vector<int> held;
    for (int presses = 0; presses < 10000 || !held.empty();) {
        if (!held.empty() && (held.size() >= 4 || presses >= 10000 || draw(0, 1))) {
            bytes.insert(bytes.end(), {0x80, static_cast<unsigned char>(held.front()), 64});
            held.erase(held.begin());
            continue;
        }
        int key = draw(21, 120);
        while (std::find(held.begin(), held.end(), key) != held.end()) key = draw(21, 120);
        held.push_back(key);
        bytes.insert(bytes.end(), {0x90, static_cast<unsigned char>(key),
                                   static_cast<unsigned char>(draw(1, 127))});
        ++presses;
    }
    // 2 000 pairs a second: 1 000 slices of 5 ms.
    const size_t slice = bytes.size() / 1000 / 3 * 3 + 3;
    const int64_t t0 = monotonicNs();
    for (size_t at = 0, i = 0; at < bytes.size(); at += slice, ++i) {
        spinUntil([&] { return msBetween(t0, monotonicNs()) >= 5.0 * double(i); }, 1000, 1);
        keyboard.write(
            {bytes.begin() + long(at), bytes.begin() + long(std::min(bytes.size(), at + slice))});
    }
    const double floodMs = msBetween(t0, monotonicNs());
    // Every key released and every cluster played: only held keys or notes
    // could keep the song from ending now.
    EXPECT_TRUE(spinUntil([this] { return finished; }, 20000))
        << "the session did not end by itself: a key counted as held, a cluster left, or "
           "the song's end never came";
    spinFor(300);
    std::map<std::pair<int, int>, int> sounding;
    int ons = 0;
    for (const CapturedEvent& e : capture.events()) {
        if (e.isNoteOn()) ++sounding[{e.channel, e.note}], ++ons;
        if (e.isNoteOff()) --sounding[{e.channel, e.note}];
    }
    for (const auto& [note, count] : sounding)
        EXPECT_EQ(count, 0) << "channel " << note.first << " key " << note.second;
    EXPECT_GT(ons, 120 + 1000) << "both tracks played through and free notes sounded";
    EXPECT_EQ(capture.overruns(), 0) << "the capture lost events: the check means nothing";
    std::printf("flood: 10000 presses in %.0f ms, %d notes out\n", floodMs, ons);
}

TEST_F(Live, PcKeysReachOurOwnInputThroughTheSequencer)
{
    ASSERT_TRUE(load(songOf({SongTrack{{{0, 100, 5, 30, 100}, {480 * 40, 100, 5, 31, 100}}, {}}})));
    EXPECT_FALSE(session->pcKeyEvent(Qt::Key_A, true)) << "no session: left to the widgets";
    const int f = freeTrack();
    deck.tracks.input[size_t(f)] = &devices.pcKeyboard;
    const int channel = firstSetChannel(deck.tracks.channelPattern[size_t(f)]);
    ASSERT_NE(channel, 5);
    ASSERT_TRUE(begin());
    // A, Shift+A (the same key code), F1, 9, Shift+1 (an exclamation mark).
    for (int key : {Qt::Key_A, Qt::Key_A, Qt::Key_F1, Qt::Key_9, Qt::Key_Exclam}) {
        EXPECT_TRUE(session->pcKeyEvent(key, true));
        spinFor(100);
        EXPECT_TRUE(session->pcKeyEvent(key, false));
        spinFor(100);
    }
    spinFor(300);
    std::vector<int> notes, ends;
    for (const CapturedEvent& e : capture.notes(true, channel)) notes.push_back(e.note);
    for (const CapturedEvent& e : capture.notes(false, channel)) ends.push_back(e.note);
    EXPECT_EQ(notes, (std::vector<int>{10, 10, 36, 9}));
    EXPECT_EQ(ends, notes);
    for (const CapturedEvent& e : capture.notes(true, channel)) EXPECT_EQ(e.velocity, 64);
}

// A player 20 % slower than the file: a cluster every 625 ms. The follower
// brings the boost down to its clamp, and the accompaniment follows.
TEST_F(Live, ASlowerPlayerSlowsTheAccompanimentToTheClamp)
{
    ASSERT_TRUE(load(songOf({SongTrack{noteRun(0, 480, 40, 0, 60), {}},
                             SongTrack{noteRun(0, 480, 90, 1, 40), {}}}),
                     100, 1, {0}));
    options.tempoadapt = true;
    ASSERT_TRUE(begin());
    const int64_t t0 = monotonicNs() + 100000000;
    for (int i = 0; i < 16; ++i) {
        spinUntil([&] { return monotonicNs() >= t0 + int64_t(i) * 625000000; }, 60000, 1);
        strike(50, 100, 100, 0);
    }
    spinFor(1500);
    EXPECT_EQ(deck.timing.tempoBoost, 83);
    const Captured ons = capture.notes(true, 1);
    ASSERT_GE(ons.size(), 15u) << "the accompaniment played on";
    for (size_t i = ons.size() - 5; i < ons.size(); ++i)
        EXPECT_NEAR(msBetween(ons[i - 1].ns, ons[i].ns), 500.0 * 100 / 83, kToleranceMs);
}

// A kept take saved by the command-line session, read back.
TEST_F(Live, SeqsessionKeepsAndSavesATakeWithThePlayedTimes)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.mid"));
    const QString out = dir.filePath(QStringLiteral("take.mid"));
    QFile f(in);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) &&
                f.write(songOf({SongTrack{noteRun(0, 480, 8, 0, 60), {}}}).bytes()) > 0);
    f.close();
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(CLAVION_SEQSESSION),
               {"--output", "14:0", "--input", "16:0", "--play", "1", "--split", "64,103",
                "--record", "--save", out, "--seconds", "9", in});
    ASSERT_TRUE(tool.waitForStarted(10000));
    // Ready once its client takes the keyboard's notes.
    ASSERT_TRUE(spinUntil(
        [&] {
            return !seqfacts::subscribers(capture.handle(), kKeyboardClient,
                                          SND_SEQ_QUERY_SUBS_READ)
                        .empty();
        },
        20000))
        << "the tool never listened to 16:0";
    spinFor(500);
    capture.clear();
    const std::vector<std::pair<int, int>> keys{{40, 0}, {41, 700}, {70, 1400}, {42, 2100}};
    std::vector<std::pair<int64_t, int64_t>> struck; // press, release
    const int64_t t0 = monotonicNs();
    for (const auto& [key, atMs] : keys) {
        spinUntil([&] { return msBetween(t0, monotonicNs()) >= atMs; }, 60000, 1);
        struck.push_back(strike(key, 100, 200, 0));
    }
    spinFor(300);
    Captured played = capture.notes(true);
    played.erase(std::remove_if(played.begin(), played.end(),
                                [](const CapturedEvent& e) { return e.channel == 9; }),
                 played.end()); // metronome clicks
    ASSERT_TRUE(tool.waitForFinished(40000));
    ASSERT_EQ(tool.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(tool.exitCode(), 0);

    Song saved;
    ASSERT_TRUE(loadSong(out, LoadOptions(), saved));
    std::map<int, std::pair<uint64_t, uint64_t>> notes; // key: on, off
    for (const EventNode* n = saved.events.head(); n; n = n->next) {
        if (n->isSoundingNoteOn() && n->channel() != 9 && !notes.count(n->note()))
            notes[n->note()] = {n->tick, 0};
        else if (n->isNoteOffEvent() && notes.count(n->note()) && notes[n->note()].second == 0)
            notes[n->note()].second = n->tick;
    }
    // Played notes 60, 61, free 70 and 62 where their keys went down and
    // up; 63 on at the file's times.
    const std::vector<int> order{60, 61, 70, 62};
    ASSERT_EQ(played.size(), order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        SCOPED_TRACE(order[i]);
        ASSERT_TRUE(notes.count(order[i]));
        EXPECT_EQ(played[i].note, order[i]);
        const auto [on, off] = notes[order[i]];
        const double fromFirst = (double(on) - double(notes[60].first)) * kMsPerTick;
        EXPECT_NEAR(fromFirst, msBetween(struck[0].first, struck[i].first), kToleranceMs);
        EXPECT_NEAR(double(off - on) * kMsPerTick, msBetween(struck[i].first, struck[i].second),
                    kToleranceMs);
    }
    EXPECT_GT(notes[62].first - notes[60].first, 1500u) << "not the file's 960 ticks";
    ASSERT_TRUE(notes.count(63));
    EXPECT_EQ(notes[63].first, 3u * 480) << "not played: the file's time";
    EXPECT_EQ(notes[63].second, 3u * 480 + 240);
}

} // namespace
