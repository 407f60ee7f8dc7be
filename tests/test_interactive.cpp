// Ringing clusters, split keyboards and any order, with no sequencer.

#include "interactivefixture.h"

#include "song/trackediting.h"

#include <functional>

namespace
{

// Posted events need an application object.
struct Application : ::testing::Environment {
    int argc = 1;
    char name[5] = "test", *argv[2] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    void SetUp() override { app = std::make_unique<QCoreApplication>(argc, argv); }
    void TearDown() override { app.reset(); }
};
[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new Application);

TEST_F(Interactive, APressRingsTheNotesWithinToleranceOfThePreviousAsOneClusterWithItsSpacing)
{
    // 100 ms at 480 ppq and 500 000 us per quarter note: 96 ticks.
    TrackPlan t;
    t.note(0, 200, 60, 70).note(90, 200, 62, 80).note(180, 200, 64); // each within 96
    t.add(15, 0xB0, 7, 99).add(240, 0x80, 61, 0);                    // a stray note-off
    t.note(1000, 30, 65).note(1096, 30, 66);                         // 96 apart: two clusters
    t.note(2000, 30, 67).note(2095, 30, 68);                         // 95 apart: one
    t.note(4800, 20, 71).note(4860, 20, 72); // 60 apart at 50 % (48 ticks): two
    t.note(5760, 20, 73).note(5920, 20, 74); // 160 apart at 200 % (192 ticks): one
    ASSERT_TRUE(load(songBytes({t}), {0}));
    deck.setMsTol(100);
    start();
    play("+40/77 -40 -40"); // the second release has nothing left to end
    EXPECT_EQ(out.played(), "on 60/77 +0, ctl +15, on 62/77 +90, on 64/77 +180, "
                            "off 64/64 +180, off 62/64 +90, off 60/64 +0");
    EXPECT_EQ(out.played(true), "lit 60 z4 +0, lit 62 z4 +90, lit 64 z4 +180, "
                                "unlit 64 z4 +180, unlit 62 z4 +90, unlit 60 z4 +0");
    for (int k : {65, 66}) EXPECT_EQ(strike(40), Notes{k});
    // The next cluster is built as one rings: a boost changes the one after.
    deck.setTempoBoost(50);
    EXPECT_EQ(strike(40), (Notes{67, 68}));
    EXPECT_EQ(strike(40), Notes{71});
    deck.setTempoBoost(200);
    EXPECT_EQ(strike(40), Notes{72});
    play("+40");
    EXPECT_EQ(out.ringingKeys(), (Notes{73, 74}));
    EXPECT_TRUE(loop->keepsSongAlive()) << "a key is held";
    play("-40");
    EXPECT_FALSE(loop->keepsSongAlive());
    EXPECT_EQ(strike(40), Notes{}) << "after the last cluster";
    deliver();
    EXPECT_EQ(deckRx.count(RepaintDiagramEvent), 1) << "one repaint asked for at a time";
}

TEST_F(Interactive, VelocitiesTakeTheTrackOffsetClampedAndTransposeMovesTheNote)
{
    ASSERT_TRUE(load(songBytes({TrackPlan().note(0, 100, 60)}), {0}));
    deck.tracks.transpose[0] = 3;
    deck.tracks.zone[0] = Zone::Central; // the PC keyboard's letter keys
    // The file's velocity is 100: the player's own, or the file's, plus the
    // shift. The PC keyboard (key 15, a letter) always plays the file's.
    const std::tuple<bool, bool, int, int, int> rows[] = {
        {false, false, 30, 50, 80}, {false, false, 30, 110, 127}, {false, false, -100, 50, 0},
        {false, false, 0, 1, 1},    {false, true, 10, 5, 110},    {false, true, 30, 5, 127},
        {false, true, -99, 5, 1},   {true, false, -20, 5, 80}};
    for (auto [pc, fileVelocities, shift, keyVelocity, expected] : rows) {
        options.filevel = fileVelocities;
        deck.tracks.velocityShift[0] = shift;
        deck.tracks.input[0] = pc ? &devices.pcKeyboard : &keyboard();
        deck.repositionCursors();
        start();
        out.sent.clear();
        const int client = pc ? kSelf.client : kKeyboard, port = pc ? kPcKeyboardPort : 0;
        key(true, pc ? 15 : 40, keyVelocity, client, port);
        key(false, pc ? 15 : 40, 64, client, port);
        EXPECT_EQ(out.played(), "on 63/" + std::to_string(expected) + " +0, off 63/64 +0") << pc;
    }
}

// A release ends what its press rang whatever became of the track meanwhile;
// a press no track took was a free note, and so is its release.
TEST_F(Interactive, AReleaseEndsWhatItsPressRangWhateverBecameOfTheTrack)
{
    ASSERT_TRUE(load(songBytes({TrackPlan().run(480, 8, 60, 0)}), {}));
    TrackTables& t = deck.tracks;
    const std::tuple<const char*, bool, std::function<void()>, std::string> rows[] = {
        {"Kb unticked", true, [&] { t.keyboard[0] = 0; }, "on 60/100 +0, off 60/64 +0"},
        {"another input", true, [&] { t.input[0] = &devices.pcKeyboard; },
         "on 60/100 +0, off 60/64 +0"},
        {"any order chosen", true, [&] { keyboard().kbmode = AllClusterNotes; },
         "on 60/100 +0, off 60/64 +0"},
        {"Kb ticked over a free note", false, [&] { t.keyboard[0] = 1; },
         "on 40/100 c1 !, off 40/64 c1 !"}};
    for (const auto& [what, interactive, meanwhile, heard] : rows) {
        SCOPED_TRACE(what);
        t.keyboard[0] = interactive;
        t.input[0] = &keyboard();
        keyboard().kbmode = OneKeyPerCluster;
        deck.repositionCursors();
        start();
        play("+40");
        meanwhile();
        key(false, 40, 64);
        EXPECT_EQ(out.played(), heard);
        EXPECT_EQ(loop->heldKeys() + loop->heldFreeNotes(), 0) << "nothing keeps the song alive";
    }
}

struct InteractiveSplit : Interactive {
    // Three tracks on channels 0, 1, 2 in zones 1, 2, 3 (as prepared).
    void SetUp() override
    {
        std::vector<TrackPlan> tracks(3);
        for (int d = 0; d < 3; ++d) tracks[size_t(d)].run(480, 8, 36 + 36 * d, d);
        ASSERT_TRUE(load(songBytes(tracks), {}));
        keyboard().kbenablesplit = true; // zones from keys 0, 64 and 103
    }
};

TEST_F(InteractiveSplit, EachZoneFromItsFirstKeyDrivesItsOwnTrack)
{
    for (int d = 0; d < 3; ++d) deck.tracks.keyboard[size_t(d)] = 1;
    start();
    // Independently: the high zone moves on, the others stay.
    for (auto [key, note] : std::vector<std::pair<int, int>>{
             {63, 36}, {64, 72}, {103, 108}, {110, 109}, {127, 110}, {20, 37}, {90, 73}})
        EXPECT_EQ(strike(key), Notes{note}) << key;
    // All three at once, as three players would; each release ends its own.
    play("+63 +102 +120 -102");
    EXPECT_EQ(out.played(), "on 38/100 +0, on 74/100 c1 +0, on 111/100 c2 +0, off 74/64 c1 +0");
    EXPECT_EQ(out.played(true), "lit 38 z1 +0, lit 74 z2 +0, lit 111 z3 +0, unlit 74 z2 +0");
}

TEST_F(InteractiveSplit, ATrackWithoutAZonePlaysFromTheLowZoneAndAFreeZoneFromTheFreeTrack)
{
    deck.tracks.keyboard[0] = 1;
    deck.tracks.zone[0] = Zone::None; // as a bound free track comes
    const int f = deck.tracks.boundTracks;
    deck.tracks.transpose[size_t(f)] = 2;
    deck.tracks.velocityShift[size_t(f)] = -10;
    deck.recording = true;
    start();
    EXPECT_EQ(strike(30), Notes{36});
    play("@700 +70/60");
    EXPECT_EQ(out.played(), "on 72/50 c3 !") << "the track's offsets, on its channel";
    play("@900 -70");
    EXPECT_EQ(loop->heldFreeNotes(), 0);
    EXPECT_EQ(loop->freeNotes(), 1) << "note-offs are not counted";
    EXPECT_TRUE(loop->keepsSongAlive()) << "a take with free notes runs on";
    // Stored as played: the offsets apply when the track plays.
    EXPECT_EQ(text(deck.tracks.storeTrackOf(f)), "pc3@0 on70/60@700 off70@900");
    EXPECT_EQ(eventsOf(deck.tracks.storeTrackOf(f))[2]->channel(), 3);
}

// On a split keyboard, which any order ignores: its clusters and releases
// cover the whole keyboard.
struct InteractiveAnyOrder : Interactive {
    void SetUp() override
    {
        TrackPlan t;
        t.note(0, 100, 60).note(5, 100, 64).note(10, 100, 67).add(8, 0xB0, 7, 90);
        t.note(480, 100, 72).note(490, 100, 76).note(960, 100, 79);
        ASSERT_TRUE(load(songBytes({t, TrackPlan().run(480, 4, 40, 1)}), {0}));
        keyboard().kbmode = AllClusterNotes;
        keyboard().kbenablesplit = true;
    }
};

// A wrong key flashes and rings nothing; the last expected note of a cluster
// rings the rest. A take keeps each note between its key's press and release.
TEST_F(InteractiveAnyOrder, TheLastExpectedNoteRingsTheRestAndTheLastClusterIsPlayedOnce)
{
    deck.recording = true;
    beginTake(deck);
    start();
    play("+61 -61");
    EXPECT_EQ(out.played(), "");
    EXPECT_EQ(out.played(true), "show 61 z8 +0, hide 61 z0 +96, show 61 z8 +192, hide 61 z0 +288");
    play("@1000 +67/50");
    EXPECT_EQ(out.played(), "on 67/50 !");
    EXPECT_EQ(out.played(true), "hide 67 z0 !, lit 67 z4 !") << "its mark goes out";
    play("@1010 +60/60 @1100 +64/70");
    EXPECT_EQ(out.played(), "on 60/60 !, on 64/70 !, ctl +8");
    EXPECT_EQ(out.played(true),
              "hide 60 z0 !, lit 60 z4 !, hide 64 z0 !, lit 64 z4 !, show 72 z7 !, show 76 z7 !");
    play("@1150 -64 @1200 -60 @1300 -67");
    EXPECT_EQ(out.played(), "off 64/64 +0, off 60/64 +0, off 67/64 +0") << "each ends with its key";
    // A key of the next cluster pressed twice counts once.
    play("@1400 +76 -76 +76 -76 +72 @1450 -72 +79 -79 +79 -79");
    EXPECT_EQ(out.ringingKeys(), (Notes{76, 72, 79})) << "the last chord does not come back";
    EXPECT_EQ(loop->heldKeys(), 0);
    keepTake(deck, 0, false);
    // Each cluster as its first key struck it, for the take's analysis.
    std::vector<std::pair<uint64_t, uint64_t>> logged;
    for (const TakeCluster& c : deck.keptTake.clusters)
        logged.emplace_back(c.fileTick, c.playedTick);
    EXPECT_EQ(logged,
              (std::vector<std::pair<uint64_t, uint64_t>>{{10, 1000}, {490, 1400}, {960, 1450}}));
    EXPECT_EQ(notes(1), "67@1000-1300 60@1010-1200 64@1100-1150 72@1400-1450 76@1400-1400 "
                        "79@1450-1450");
}

} // namespace
