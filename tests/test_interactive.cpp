// Ringing clusters, split keyboards and any order, with no sequencer.

#include "interactivefixture.h"

#include "engine/decksession.h"
#include "song/songnames.h"
#include "song/trackediting.h"

namespace
{

// Posted events need an application object.
struct ApplicationEnvironment : ::testing::Environment {
    int argc = 1;
    char name[17] = "test_interactive";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    void SetUp() override { app = std::make_unique<QCoreApplication>(argc, argv); }
    void TearDown() override { app.reset(); }
};
[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

// ---------------------------------------------------------------- clusters and ringing

TEST_F(Interactive, NotesWithinToleranceOfThePreviousFormOneClusterBuiltAtTheBoostOfTheTime)
{
    // 100 ms at 480 ppq and 500 000 us per quarter note: 96 ticks.
    TrackPlan t;
    t.note(0, 30, 60).note(90, 30, 62).note(180, 30, 64); // each within 96 of the one before
    t.note(1000, 30, 65).note(1096, 30, 66);              // 96 apart: two clusters
    t.note(2000, 30, 67).note(2095, 30, 68);              // 95 apart: one
    t.note(3840, 30, 69).note(4020, 30, 70); // at twice the tempo the tolerance doubles
    t.note(4800, 20, 71).note(4860, 20, 72); // 60 apart at 50 % (48 ticks): two
    t.note(5760, 20, 73).note(5920, 20, 74); // 160 apart at 200 % (192 ticks): one
    ASSERT_TRUE(load(songBytes({t}, {{0, 500000}, {3840, 250000}, {4800, 500000}}), {0}));
    deck.setMsTol(100);
    EXPECT_EQ(deck.timing.tick_tol, 96u);
    start();
    for (const Notes& cluster : {Notes{60, 62, 64}, Notes{65}, Notes{66}, Notes{67, 68}})
        EXPECT_EQ(strike(40), cluster);
    // The first ring clears the status bar; presses ask for one repaint at a time.
    deliver();
    EXPECT_EQ(mainRx.count(ClearStatusbarEvent), 1);
    EXPECT_EQ(deckRx.count(RepaintDiagramEvent), 1);
    EXPECT_FALSE(deck.repaintPosted.load());
    // The next cluster is built as one rings: a boost changes the one after.
    deck.setTempoBoost(50);
    EXPECT_EQ(strike(40), (Notes{69, 70}));
    EXPECT_EQ(strike(40), Notes{71});
    deck.setTempoBoost(200);
    EXPECT_EQ(strike(40), Notes{72});
    EXPECT_EQ(strike(40), (Notes{73, 74}));
    EXPECT_EQ(strike(40), Notes{});
    deliver();
    EXPECT_EQ(deckRx.count(RepaintDiagramEvent), 2);
    EXPECT_EQ(mainRx.count(ClearStatusbarEvent), 1);
}

TEST_F(Interactive, APressRingsTheNextClusterWithItsOwnSpacingAndReleaseEndsEachNote)
{
    TrackPlan t;
    t.note(0, 200, 60, 70).note(10, 200, 64, 80).note(20, 200, 67, 90).add(15, 0xB0, 7, 99);
    t.add(240, 0x80, 61, 0).note(480, 100, 72, 100).note(490, 100, 73); // a stray note-off
    ASSERT_TRUE(load(songBytes({t}), {0}));
    start();
    EXPECT_EQ(out.played(), "") << "nothing sounds before a key";
    EXPECT_TRUE(loop->keepsSongAlive());

    press(50, 77);
    EXPECT_EQ(out.played(), "on 60/77 +0, on 64/77 +10, ctl +15, on 67/77 +20");
    EXPECT_EQ(out.played(true), "lit 60 z4 +0, lit 64 z4 +10, lit 67 z4 +20");
    EXPECT_EQ(loop->heldKeys(), 1);
    out.sent.clear();
    release(50);
    EXPECT_EQ(out.played(), "off 67/64 +20, off 64/64 +10, off 60/64 +0");
    EXPECT_EQ(out.played(true), "unlit 67 z4 +20, unlit 64 z4 +10, unlit 60 z4 +0");
    EXPECT_EQ(loop->heldKeys(), 0);
    out.sent.clear();
    release(50);
    EXPECT_EQ(out.played(), "") << "a second release has nothing left to end";

    out.sent.clear();
    press(51);
    EXPECT_EQ(out.ringingKeys(), (Notes{72, 73}));
    EXPECT_EQ(deck.tracks.playedUpTo[0], UINT64_MAX);
    EXPECT_TRUE(loop->keepsSongAlive()) << "a key is held";
    release(51);
    EXPECT_FALSE(loop->keepsSongAlive());
    EXPECT_EQ(strike(40), Notes{}) << "after the last cluster";
    EXPECT_FALSE(loop->halted());
    deliver();
    EXPECT_EQ(mainRx.count(WarningMessageEvent), 0);
    EXPECT_EQ(deckRx.count(HaltSessionEvent), 0);
}

TEST_F(Interactive, VelocitiesTakeTheTrackOffsetClampedAndTransposeMovesTheNote)
{
    ASSERT_TRUE(load(songBytes({TrackPlan().note(0, 100, 60)}), {0}));
    deck.tracks.transpose[0] = 3;
    // The file's velocity is 100: the player's own, or the file's, plus the shift.
    for (auto [fileVelocities, shift, keyVelocity, expected] :
         std::vector<std::tuple<bool, int, int, int>>{{false, 30, 50, 80},
                                                      {false, 30, 110, 127},
                                                      {false, -100, 50, 0},
                                                      {false, 0, 1, 1},
                                                      {true, 10, 5, 110},
                                                      {true, 30, 5, 127},
                                                      {true, -99, 5, 1}}) {
        options.filevel = fileVelocities;
        deck.tracks.velocityShift[0] = shift;
        deck.repositionCursors();
        start();
        out.sent.clear();
        press(40, keyVelocity);
        release(40);
        EXPECT_EQ(out.played(), "on 63/" + std::to_string(expected) + " +0, off 63/64 +0");
    }
}

TEST_F(Interactive, ThePcKeyboardPlaysTheFilesVelocitiesFromItsZones)
{
    TrackPlan t;
    t.note(0, 100, 60, 70).note(480, 100, 62, 90);
    ASSERT_TRUE(load(songBytes({t}), {0}));
    deck.tracks.input[0] = &devices.pcKeyboard;
    deck.tracks.zone[0] = 2; // the letter keys
    deck.tracks.velocityShift[0] = -20;
    start();
    // Our own client sends them, from port 255; a number key (low zone) finds
    // no track there and no free track listens.
    for (int key : {15, 5}) {
        press(key, 64, kSelf.client, kPcKeyboardPort);
        release(key, kSelf.client, kPcKeyboardPort);
    }
    EXPECT_EQ(out.played(), "on 60/50 +0, off 60/64 +0");
    EXPECT_EQ(out.played(true), "lit 60 z2 k255 +0, unlit 60 z2 k255 +0");
    // From the MIDI keyboard the same key is its free track's.
    EXPECT_EQ(strike(15, 64), Notes{15});

    // Letters arrive upper-case; Shift+1 and lower-case codes are no keys.
    const int qtKeys[] = {Qt::Key_A,  Qt::Key_Z,   Qt::Key_0,      Qt::Key_9,
                          Qt::Key_F1, Qt::Key_F35, Qt::Key_Exclam, 'a'};
    const int keyNotes[] = {10, 35, 0, 9, 36, 70, -1, -1};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(DeckSession::pcKeyNote(qtKeys[i]), keyNotes[i]) << i;
    // Without a session PC keys are left to the widgets.
    DeckSession session(deck, options, &mainRx);
    EXPECT_FALSE(session.pcKeyEvent(Qt::Key_A, true));
    EXPECT_TRUE(session.pcKeyboardPlay());
    deck.tracks.mute[0] = 1;
    EXPECT_FALSE(session.pcKeyboardPlay());
}

TEST_F(Interactive, FileDurationsLetTheSequencerEndTheNotes)
{
    TrackPlan t;
    t.note(0, 240, 60).note(10, 100, 64, 100, 9);
    t.add(480, 0x90, 67, 100); // never ended in the file: a measure
    ASSERT_TRUE(load(songBytes({t}), {0}));
    options.filedur = true;
    start();
    press(40, 90);
    release(40);
    press(40);
    EXPECT_EQ(out.played(), "note 60/90:240 +0, note 64/90:100 c9 +10, note 67/100:1920 +0");
    // Shown from start to end, except drums.
    EXPECT_EQ(out.played(true), "lit 60 z4 +0, unlit 60 z4 +240, lit 67 z4 +0, unlit 67 z4 +1920");
    EXPECT_EQ(loop->heldKeys(), 1);
}

// ---------------------------------------------------------------- split keyboard

struct Split : Interactive {
    // Three tracks on channels 0, 1, 2 in zones 1, 2, 3 (as prepared).
    void SetUp() override
    {
        std::vector<TrackPlan> tracks(3);
        tracks[0].run(0, 480, 8, 36, 0);
        tracks[1].run(0, 480, 8, 72, 1);
        tracks[2].run(0, 480, 8, 108, 2);
        ASSERT_TRUE(load(songBytes(tracks), {}));
        keyboard().kbenablesplit = true; // zones from keys 0, 64 and 103
    }
};

TEST_F(Split, EachZoneFromItsFirstKeyDrivesItsOwnTrack)
{
    for (auto [key, zone] :
         std::vector<std::pair<int, int>>{{0, 1}, {63, 1}, {64, 2}, {102, 2}, {103, 3}, {127, 3}})
        EXPECT_EQ(InteractiveLoop::zoneOfKey(keyboard(), key), zone) << key;
    keyboard().kbenablesplit = false;
    EXPECT_EQ(InteractiveLoop::zoneOfKey(keyboard(), 63), 4);
    keyboard().kbenablesplit = true;

    for (int d = 0; d < 3; ++d) deck.tracks.keyboard[size_t(d)] = 1;
    EXPECT_EQ(deck.tracks.zone, (std::vector<int>{1, 2, 3, 0}));
    start();
    // Independently: the high zone moves on, the others stay.
    for (auto [key, note] : std::vector<std::pair<int, int>>{
             {63, 36}, {64, 72}, {103, 108}, {110, 109}, {127, 110}, {20, 37}, {90, 73}})
        EXPECT_EQ(strike(key), Notes{note}) << key;
    // All three at once, as three players would; each release ends its own.
    out.sent.clear();
    for (int key : {63, 102, 120}) press(key);
    release(102);
    EXPECT_EQ(out.played(), "on 38/100 +0, on 74/100 c1 +0, on 111/100 c2 +0, off 74/64 c1 +0");
    EXPECT_EQ(out.played(true), "lit 38 z1 +0, lit 74 z2 +0, lit 111 z3 +0, unlit 74 z2 +0");
    EXPECT_EQ(loop->heldKeys(), 2);
    release(63);
    release(120);
    EXPECT_EQ(loop->heldKeys(), 0);
}

TEST_F(Split, ATrackWithoutAZonePlaysFromTheLowZoneAndAFreeZoneFromTheFreeTrack)
{
    // As a bound free track comes: zone 0.
    deck.tracks.keyboard[0] = 1;
    deck.tracks.zone[0] = 0;
    const int f = freeTrack();
    deck.tracks.transpose[size_t(f)] = 2;
    deck.tracks.velocityShift[size_t(f)] = -10;
    const int channel = firstSetChannel(deck.tracks.channelPattern[size_t(f)]);
    ASSERT_EQ(channel, 3) << "the free track got a channel of its own";
    deck.recording = true;
    start();
    EXPECT_EQ(strike(30), Notes{36});
    out.tick = 700;
    out.sent.clear();
    press(70, 60);
    EXPECT_EQ(loop->heldFreeNotes(), 1);
    EXPECT_EQ(loop->heldKeys(), 0);
    out.tick = 900;
    release(70);
    EXPECT_EQ(out.played(), "on 72/50 c3 !, off 72/64 c3 !");
    EXPECT_EQ(loop->heldFreeNotes(), 0);
    EXPECT_EQ(loop->freeNotes(), 1) << "note-offs are not counted";
    EXPECT_TRUE(loop->keepsSongAlive()) << "a take with free notes runs on";

    // Stored as played: the track's offsets apply when it plays.
    EXPECT_EQ(text(deck.tracks.storeTrackOf(f)), "pc3@0 on70/60@700 off70@900");
    EXPECT_EQ(eventsOf(deck.tracks.storeTrackOf(f))[2]->channel(), channel);
    EXPECT_EQ(deck.tracks.noteOnCount[size_t(f)], 1u);
}

TEST_F(Interactive, AFinishedZoneLeavesTheOtherZonesPositionAlone)
{
    TrackPlan low, central;
    low.note(0, 100, 40);
    central.note(0, 100, 70).note(480, 100, 71);
    ASSERT_TRUE(load(songBytes({low, central}), {0, 1}));
    keyboard().kbenablesplit = true;
    start();
    EXPECT_EQ(strike(80), Notes{70});
    EXPECT_EQ(strike(30), Notes{40});
    EXPECT_EQ(deck.tracks.playedUpTo[0], UINT64_MAX);
    EXPECT_EQ(deck.tracks.playedUpTo[1], 480u) << "still to be played";
    EXPECT_EQ(strike(80), Notes{71});
    EXPECT_EQ(deck.tracks.playedUpTo[1], UINT64_MAX);
}

// ---------------------------------------------------------------- any order

struct AnyOrder : Interactive {
    void SetUp() override
    {
        TrackPlan t;
        t.note(0, 100, 60).note(5, 100, 64).note(10, 100, 67).add(8, 0xB0, 7, 90);
        t.note(480, 100, 72).note(490, 100, 76);
        t.note(960, 100, 79);
        ASSERT_TRUE(load(songBytes({t, TrackPlan().run(0, 480, 4, 40, 1)}), {0}));
        keyboard().kbmode = 1;
    }
};

TEST_F(AnyOrder, TheLastExpectedNoteRingsTheRestAndTheLastClusterIsPlayedOnce)
{
    start();
    EXPECT_EQ(out.played(true), "show 60 z7 !, show 64 z7 !, show 67 z7 !");
    out.sent.clear();
    press(67, 50);
    EXPECT_EQ(out.played(), "on 67/50 !");
    EXPECT_EQ(out.played(true), "hide 67 z0 !, lit 67 z4 !") << "its mark goes out";
    out.sent.clear();
    press(60, 60);
    press(64, 70);
    EXPECT_EQ(out.played(), "on 60/60 !, on 64/70 !, ctl +8");
    EXPECT_EQ(out.played(true),
              "hide 60 z0 !, lit 60 z4 !, hide 64 z0 !, lit 64 z4 !, show 72 z7 !, show 76 z7 !");
    EXPECT_EQ(deck.tracks.playedUpTo[0], 960u);
    EXPECT_EQ(loop->heldKeys(), 3);
    out.sent.clear();
    for (int k : {60, 64, 67}) release(k);
    EXPECT_EQ(out.played(), "off 60/64 +0, off 64/64 +0, off 67/64 +0") << "each ends with its key";
    EXPECT_EQ(loop->heldKeys(), 0);
    // A key of the next cluster pressed twice counts once.
    out.sent.clear();
    for (int k : {76, 76, 72, 79, 79}) {
        press(k);
        release(k);
    }
    EXPECT_EQ(out.ringingKeys(), (Notes{76, 72, 79})) << "the last chord does not come back";
    EXPECT_FALSE(loop->keepsSongAlive());
}

TEST_F(AnyOrder, AWrongKeyFlashesTwiceForEachListeningTrackButCountsOnce)
{
    deck.tracks.keyboard[1] = 1;
    start();
    out.sent.clear();
    press(61);
    EXPECT_EQ(out.played(), "");
    EXPECT_EQ(out.played(true), "show 61 z8 +0, hide 61 z0 +96, show 61 z8 +192, hide 61 z0 +288, "
                                "show 61 z8 +0, hide 61 z0 +96, show 61 z8 +192, hide 61 z0 +288");
    EXPECT_EQ(loop->heldKeys(), 1);
    release(61);
    EXPECT_EQ(loop->heldKeys(), 0);
    // Both tracks' first notes make one cluster.
    out.sent.clear();
    for (int k : {40, 60, 64, 67}) press(k);
    EXPECT_EQ(out.ringingKeys(), (Notes{40, 60, 64, 67}));
    EXPECT_EQ(loop->heldKeys(), 4);
    for (int k : {40, 60, 64, 67}) release(k);
    EXPECT_EQ(loop->heldKeys(), 0);
}

TEST_F(Interactive, AnyOrderOnASplitKeyboardCoversTheWholeKeyboard)
{
    // Track 0 is in the low zone, yet its notes lie in the central and high
    // ones, and the high zone has no track at all.
    TrackPlan low, central;
    low.note(0, 100, 70).note(0, 100, 110).note(480, 100, 36);
    central.note(0, 100, 80);
    ASSERT_TRUE(load(songBytes({low, central}), {0, 1}));
    keyboard().kbmode = 1;
    keyboard().kbenablesplit = true;
    start();
    EXPECT_EQ(out.played(true), "show 70 z7 !, show 110 z7 !, show 80 z7 !");
    out.sent.clear();
    for (int k : {110, 70}) press(k);
    release(110);
    release(70);
    EXPECT_EQ(out.played(), "on 110/100 !, on 70/100 !, off 110/64 +0, off 70/64 +0")
        << "no note hangs";
    EXPECT_EQ(loop->heldKeys(), 0);
    EXPECT_EQ(loop->heldFreeNotes(), 0);
    out.sent.clear();
    press(80);
    EXPECT_EQ(out.played(true), "hide 80 z0 !, lit 80 z4 !, show 36 z7 !")
        << "next cluster, still for the whole keyboard";
}

TEST_F(AnyOrder, ARecordedTakeKeepsEachNoteBetweenItsKeyPressAndRelease)
{
    deck.recording = true;
    start();
    const std::vector<std::tuple<int, uint64_t, uint64_t>> played{
        {64, 1000, 1300}, {60, 1010, 1200}, {67, 1100, 1150}};
    for (const auto& [key, on, off] : played) {
        out.tick = on;
        press(key);
    }
    for (const auto& [key, on, off] : played) {
        out.tick = off;
        release(key);
    }
    keepTake(deck, 0, false);
    EXPECT_EQ(notes(1), "72@480-580 76@490-590 79@960-1060 64@1000-1300 60@1010-1200 67@1100-1150");
}

} // namespace
