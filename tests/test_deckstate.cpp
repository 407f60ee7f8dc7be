#include "deckfixture.h"
#include "song/trackediting.h"

namespace
{

using DeckState = DeckFixture;

QByteArray fourNotes()
{
    TrackBuilder t;
    for (int i = 0; i < 4; ++i) t.on(i ? 48 : 0, 0, 60 + i, 90).off(48, 0, 60 + i);
    return smfFile(1, 96, {t.end()});
}

// What the engine records when a note is played `shift` ticks after where it stands.
void play(EventNode* on, uint64_t shift, bool showShift)
{
    for (EventNode* n : {on, on->partner}) {
        const uint64_t played = n->tick + shift;
        if (showShift)
            n->altTick = n->tick, n->tick = played;
        else
            n->altTick = played;
    }
}

TEST_F(DeckState, EachTakeMovesOnlyTheNotesItPlayed)
{
    addDevices(1);
    struct Row {
        bool showShift;
        bool keepSecond;
        std::vector<uint64_t> ticks; // the Note Ons after the second take
    };
    const Row rows[] = {
        {false, true, {30, 106, 202, 298}},
        {true, true, {30, 106, 202, 298}},
        {false, false, {10, 106, 202, 298}},
        {true, false, {10, 106, 202, 298}},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(loadAndPrepare(fourNotes()));
        auto noteOns = [this] {
            std::vector<EventNode*> v;
            for (EventNode* n = song.events.head(); n; n = n->next)
                if (n->isSoundingNoteOn()) v.push_back(n);
            return v;
        };
        auto settled = [this] {
            for (const EventNode* n = song.events.head(); n; n = n->next)
                if (n->altTick != n->tick) return false;
            return true;
        };
        for (EventNode* n : noteOns()) play(n, 10, r.showShift); // take 1, kept
        keepTake(deck, 0, r.showShift);
        EXPECT_TRUE(settled()) << r.showShift;
        play(noteOns()[0], 20, r.showShift); // take 2: only the first note
        if (r.keepSecond)
            keepTake(deck, 0, r.showShift);
        else
            discardTake(deck, 0, r.showShift);
        EXPECT_TRUE(settled()) << r.showShift << r.keepSecond;
        std::vector<uint64_t> ticks;
        for (const EventNode* n : noteOns()) ticks.push_back(n->tick);
        EXPECT_EQ(ticks, r.ticks) << r.showShift << r.keepSecond;
        EXPECT_TRUE(song.events.isSorted());
    }
}

TEST_F(DeckState, WithoutAnOutputTheBoundTracksStillHaveTablesAndFreshCursors)
{
    addDevices(1);
    std::vector<TrackBuilder> long_(2);
    for (int k = 0; k < 2; ++k) {
        for (int beat = 0; beat < 40; ++beat) long_[size_t(k)].on(0, k, 60, 90).off(96, k, 60);
        long_[size_t(k)].end();
    }
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, long_)));
    deck.currentBeat = 20;
    ASSERT_EQ(deck.repositionCursors(), 3);

    // The next song is opened after the synthesizer went away.
    devices.outputs.clear();
    sink.shown.clear();
    ASSERT_FALSE(loadAndPrepare(fourNotes()));
    const TrackTables& t = deck.tracks;
    EXPECT_EQ(t.boundTracks, 1);
    EXPECT_EQ(t.freeTracks, 0);
    ASSERT_EQ(t.cursor.size(), 1u);
    ASSERT_EQ(t.lastNoteOn.size(), 1u);
    ASSERT_EQ(t.input.size(), 1u);
    ASSERT_EQ(t.output.size(), 1u);
    EXPECT_EQ(t.noteOnCount[0], 4u);
    EXPECT_EQ(t.cursor[0], song.events.firstSoundingNoteOn(nullptr));
    EXPECT_EQ(deck.songCursor, song.events.head());
    EXPECT_EQ(deck.currentBeat, 1);
    EXPECT_EQ(deck.beats, 4); // the last note ends on tick 336
    EXPECT_EQ(deck.selected.size(), 1u);
    EXPECT_EQ(sink.texts().size(), 1);
    EXPECT_TRUE(sink.texts().value(0).startsWith(QStringLiteral("No sound will be heard")));
}

} // namespace
