#include "deckfixture.h"

namespace
{

using DeckState = DeckFixture;

QByteArray fourNotes()
{
    TrackBuilder t;
    for (int i = 0; i < 4; ++i) t.on(i ? 48 : 0, 0, 60 + i, 90).off(48, 0, 60 + i);
    return smfFile(1, 96, {t.end()});
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
