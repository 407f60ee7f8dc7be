// The player's side of a session: keys struck on the virtual keyboard 16:0, heard at Midi Through
// 14:0; the deck's calls from the GUI thread meanwhile.

#include "enginefixture.h"

#include "core/events.h"
#include "core/midi.h"
#include "engine/midithread.h"

#include <algorithm>
#include <map>
#include <random>

namespace
{

constexpr double kMsPerTick = 500.0 / 480.0; // 500 000 us per quarter note, 480 ppq

using InteractiveAlsa = EngineFixture;

// A note a key should ring: key, velocity, offset in ticks inside its cluster.
struct Rung {
    int key, velocity;
    uint32_t offset;
};

// Each key rings the next cluster with its pitches, velocities (the key's plus the track's
// 10, clamped) and spacing; each note ends after the release by its own offset. The cluster
// tolerance is 100 ms, 96 ticks: 95 ticks after a note is the same cluster, 96 the next.
TEST_F(InteractiveAlsa, EachKeyRingsTheNextClusterWithItsSpacingAndEndsItOnRelease)
{
    // Key struck, its velocity, the cluster's tick, and what it rings.
    const std::vector<std::tuple<int, int, uint32_t, std::vector<Rung>>> strikes{
        {40, 80, 0, {{60, 90, 0}, {64, 90, 12}, {67, 90, 107}}},
        {41, 100, 203, {{72, 110, 0}}},
        {42, 127, 1920, {{74, 127, 0}, {77, 127, 24}}}};
    SongTrack track;
    for (const auto& [key, velocity, tick, want] : strikes)
        for (const Rung& r : want) track.notes.push_back({tick + r.offset, 300, 0, r.key, 50});
    ASSERT_TRUE(load(SongPlan{{track}}, 100, 1, {0}));
    deck.tracks.velocityShift[0] = 10;
    ASSERT_TRUE(begin());
    for (const auto& [key, velocity, tick, want] : strikes) {
        SCOPED_TRACE(::testing::Message() << "key " << key);
        forget();
        const auto [on, off] = strike(key, velocity, 300, 0);
        ASSERT_TRUE(waitNotes(want.size(), want.size()));
        spinFor(200); // nothing more should come
        const Captured ons = notes(true), offs = notes(false);
        ASSERT_EQ(ons.size(), want.size());
        ASSERT_EQ(offs.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            SCOPED_TRACE(::testing::Message() << "note " << want[i].key);
            EXPECT_EQ(ons[i].voice(), std::make_tuple(0, want[i].key, want[i].velocity));
            const double offset = want[i].offset * kMsPerTick;
            EXPECT_NEAR(msBetween(ons[0].ns, ons[i].ns), offset, kToleranceMs) << "spacing";
            const auto end = std::find_if(offs.begin(), offs.end(),
                                          [&](const auto& e) { return e.note == want[i].key; });
            ASSERT_NE(end, offs.end());
            EXPECT_NEAR(msBetween(offs[0].ns, end->ns), offset, kToleranceMs) << "end spacing";
            EXPECT_NEAR(msBetween(ons[i].ns, end->ns), msBetween(on, off), 15.0)
                << "as long as the key was held";
        }
    }
    EXPECT_EQ(overruns, 0);
    EXPECT_TRUE(spinUntil([this] { return finished; }, 15000)) << "no end after the last cluster";
    EXPECT_FALSE(halted);
    // What the journal is given of the session: each cluster's file tick, measure and key.
    std::vector<std::tuple<uint64_t, qint64, int>> logged;
    for (const JournalCluster& c : deck.lastSession.clusterRows)
        logged.emplace_back(c.fileTick, c.measure, c.velocity);
    EXPECT_EQ(logged, (decltype(logged){{0, 1, 80}, {203, 1, 100}, {1920, 2, 127}}));
    EXPECT_EQ(deck.lastSession.measures.size(), 2u);
}

TEST_F(InteractiveAlsa, AKeyFloodLeavesNoHangingNoteAndNoHeldKey)
{
    // 7.5 s of song: it can end soon after the flood.
    ASSERT_TRUE(
        load(SongPlan{{noteRun(0, 120, 60, 0, 36), noteRun(0, 120, 60, 1, 72)}}, 100, 1, {0, 1}));
    keys().kbenablesplit = true; // 103 and up: the free track
    ASSERT_TRUE(begin());
    // 10 000 presses and their releases, up to four keys down at a time.
    std::mt19937 random(2024);
    std::vector<unsigned char> bytes;
    std::vector<uint8_t> held;
    for (int presses = 0; presses < 10000 || !held.empty();) {
        if (!held.empty() && (held.size() >= 4 || presses >= 10000 || random() % 2)) {
            bytes.insert(bytes.end(), {0x80, held.front(), 64});
            held.erase(held.begin());
        } else if (const uint8_t key = uint8_t(21 + random() % 100);
                   !std::count(held.begin(), held.end(), key)) {
            held.push_back(key);
            bytes.insert(bytes.end(), {0x90, key, uint8_t(1 + random() % 127)});
            ++presses;
        }
    }
    // 2 000 pairs a second: 1 000 slices of 5 ms.
    const size_t slice = bytes.size() / 1000 / 3 * 3 + 3;
    const int64_t t0 = monotonicNs();
    for (size_t at = 0; at < bytes.size(); at += slice) {
        spinUntil([&] { return msBetween(t0, monotonicNs()) >= double(at / slice) * 5; }, 100, 1);
        send({bytes.begin() + long(at), bytes.begin() + long(std::min(bytes.size(), at + slice))});
        heard();
    }
    EXPECT_TRUE(spinUntil([this] { return finished; }, 20000))
        << "no end by itself: a key counted as held, a cluster left, or no song end";
    spinFor(300);
    std::map<std::pair<int, int>, int> sounding; // channel, key: ons less offs
    for (const CapturedEvent& e : heard())
        sounding[{e.channel, e.note}] += e.isNoteOn() - e.isNoteOff();
    for (const auto& [note, count] : sounding)
        EXPECT_EQ(count, 0) << "channel " << note.first << " key " << note.second;
    EXPECT_GT(notes().size(), 120u + 1000) << "both tracks played through and free notes sounded";
    EXPECT_EQ(overruns, 0) << "the capture lost events: the check means nothing";
}

using InteractiveAlsaSessions = EngineFixture;

// One cluster to play on key 60's track and a short accompaniment.
SongPlan keyAndAccompaniment()
{
    return SongPlan{{SongTrack{{{0, 240, 0, 60, 90}}}, noteRun(0, 480, 4, 1, 48, 240)}};
}

// A pause silences what sounds and swallows the player's new notes but not his releases;
// resumed, the song goes on where it was and ends. The keyboards are cleared on resume and at
// the end, after every key the session lit.
TEST_F(InteractiveAlsaSessions, APauseSilencesKeepsReleasesAndTheSongGoesOnAfterIt)
{
    SongPlan withLongNote = keyAndAccompaniment();
    withLongNote.tracks.push_back(SongTrack{{{0, 3840, 2, 72, 90}}}); // rings 4 s
    ASSERT_TRUE(load(withLongNote, 100, 1, {0}));
    ASSERT_TRUE(begin());
    send({0x90, 40, 100});
    ASSERT_TRUE(waitFor([this](auto&) { return !notes(true, 0).empty(); }));
    forget();
    ASSERT_TRUE(session->setPaused(true));
    EXPECT_TRUE(waitFor(
        [](const Captured& c) {
            return std::any_of(c.begin(), c.end(), [](const CapturedEvent& e) {
                return e.channel == 2 && (e.isController(123) || e.isNoteOff());
            });
        },
        1500))
        << "the long note rang on through the pause";
    send({0x80, 40, 64});
    EXPECT_TRUE(waitFor([this](auto&) { return !notes(false, 0).empty(); }))
        << "the release was lost in the pause";
    send({0x90, 41, 100});
    send({0x80, 41, 64});
    spinFor(300);
    EXPECT_TRUE(notes(true).empty()) << "a key rang while paused";
    const auto resets = [this] {
        return std::count(mainWindow.types.begin(), mainWindow.types.end(), ResetKeyboardsEvent);
    };
    ASSERT_EQ(resets(), 0);
    ASSERT_TRUE(session->setPaused(false));
    EXPECT_EQ(resets(), 1) << "on resume";
    EXPECT_TRUE(spinUntil([this] { return finished; }, 15000)) << "the song did not end";
    EXPECT_EQ(notes(true, 1).size(), 3u) << "the accompaniment did not go on";
    spinFor(100);
    const auto& types = mainWindow.types;
    const auto lastKey = std::find_if(types.rbegin(), types.rend(), [](int type) {
        return type >= UserNoteOnEvent && type <= AccompanimentNoteOffEvent;
    });
    ASSERT_NE(lastKey, types.rend());
    EXPECT_NE(std::find(types.rbegin(), lastKey, ResetKeyboardsEvent), lastKey)
        << "no reset after the session's last key";
}

// In any order, the keys the cluster waits for are shown again once a resume cleared the
// keyboards.
TEST_F(InteractiveAlsaSessions, AResumeShowsTheAnyOrderHintsAgain)
{
    ASSERT_TRUE(load(keyAndAccompaniment(), 100, 1, {0}));
    keys().kbmode = AllClusterNotes;
    ASSERT_TRUE(begin());
    ASSERT_TRUE(session->setPaused(true));
    spinFor(200);
    mainWindow.types.clear();
    ASSERT_TRUE(session->setPaused(false));
    ASSERT_EQ(mainWindow.types, std::vector<int>{ResetKeyboardsEvent});
    EXPECT_TRUE(spinUntil(
        [this] {
            return std::count(mainWindow.types.begin(), mainWindow.types.end(), KeyHintOnEvent) > 0;
        },
        3000))
        << "the hint of key 60 is gone";
    session->stop();
    EXPECT_TRUE(spinUntil([this] { return finished; }, 15000));
}

// A deck closed while recording ends the session as a stop does: the take is dropped, the
// flags are clear, and the next deck on the song can play.
TEST_F(InteractiveAlsaSessions, ADeckDestroyedWhileRecordingDropsTheTakeAndFreesTheSong)
{
    ASSERT_TRUE(load(keyAndAccompaniment(), 100, 1, {0}));
    ASSERT_TRUE(begin(true));
    strike(40, 100, 100);
    ASSERT_TRUE(waitNotes(1, 1));
    session.reset();
    EXPECT_FALSE(deck.sessionActive.load());
    EXPECT_FALSE(deck.recording.load());
    for (const EventNode* n = song.events.head(); n; n = n->next)
        ASSERT_EQ(n->altTick, n->tick) << "a played time stayed behind";
    session = std::make_unique<DeckSession>(deck, options, &mainWindow);
    EXPECT_TRUE(session->listen());
    spinFor(500);
    session->stop();
    EXPECT_TRUE(spinUntil([this] { return !session->active(); }, 15000));
}

// GUI calls race each session's end: none may touch a closed client (the sanitizer shows it).
TEST_F(InteractiveAlsaSessions, GuiCallsWhileSessionsEndAreHarmless)
{
    ASSERT_TRUE(load(keyAndAccompaniment(), 100, 1, {0}));
    const OutputDevice& out = *devices.outputs[0];
    for (int round = 0; round < 30; ++round) {
        ASSERT_TRUE(begin());
        session->stop();
        for (int k = 0; session->thread()->isRunning(); ++k) {
            session->pcKeyEvent(Qt::Key_A, k % 2 == 0);
            session->setTempoBoost(k % 2 ? 90 : 110);
            session->thread()->setVolume(out, 100);
            session->thread()->channelsOff(out, kAllChannels);
            session->thread()->stopQueue();
            session->stop();
        }
        ASSERT_TRUE(spinUntil([this] { return finished; }, 10000)) << "round " << round;
    }
    EXPECT_TRUE(mainWindow.failures.isEmpty()) << mainWindow.failures.join('\n').toStdString();
}

} // namespace
