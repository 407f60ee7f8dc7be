// The deck's calls from the GUI thread while the engine plays or ends:
// pause, stop, PC keys, boost and volume, and a deck destroyed mid-session.

#include "enginefixture.h"

#include "engine/midithread.h"

namespace
{

using Sessions = EngineFixture;

// One cluster to play on key 60's track and a short accompaniment.
SongPlan keyAndAccompaniment()
{
    return SongPlan{{SongTrack{{{0, 240, 0, 60, 90}}}, noteRun(0, 480, 4, 1, 48, 240)}};
}

// A pause swallows the player's new notes but not his releases: a key let go
// while paused ends its notes, and after the pause the song goes on and ends.
TEST_F(Sessions, APauseKeepsReleasesAndTheSongEndsAfterIt)
{
    ASSERT_TRUE(load(keyAndAccompaniment(), 100, 1, {0}));
    ASSERT_TRUE(begin());
    send({0x90, 40, 100});
    ASSERT_TRUE(waitFor([](const Captured& c) {
        return std::any_of(c.begin(), c.end(),
                           [](const auto& e) { return e.isNoteOn() && e.note == 60; });
    }));
    deck.pauseFlag = true;
    session->thread()->stopQueue();
    forget();
    send({0x80, 40, 64});
    EXPECT_TRUE(waitFor([](const Captured& c) {
        return std::any_of(c.begin(), c.end(),
                           [](const auto& e) { return e.isNoteOff() && e.note == 60; });
    })) << "the release was lost in the pause";
    send({0x90, 41, 100});
    send({0x80, 41, 64});
    spinFor(300);
    EXPECT_TRUE(notes(true).empty()) << "a key rang while paused";
    deck.pauseFlag = false;
    session->thread()->continueQueue();
    EXPECT_TRUE(spinUntil([this] { return finished; }, 15000)) << "the song did not end";
    EXPECT_EQ(notes(true, 1).size(), 3u) << "the accompaniment did not go on";
}

// A deck closed while recording ends the session as a stop does: the take
// is dropped, the flags are clear, and the next deck on the song can play.
TEST_F(Sessions, ADeckDestroyedWhileRecordingDropsTheTakeAndFreesTheSong)
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

// Calls from the GUI thread race the end of each session: none may touch a
// closed client (the sanitizer build shows what a crash would not).
TEST_F(Sessions, GuiCallsWhileSessionsEndAreHarmless)
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
            session->thread()->allNotesOff(out);
            session->thread()->stopQueue();
            session->stop();
        }
        ASSERT_TRUE(spinUntil([this] { return finished; }, 10000)) << "round " << round;
    }
    EXPECT_TRUE(mainWindow.failures.isEmpty()) << mainWindow.failures.join('\n').toStdString();
}

} // namespace
