#include "deckfixture.h"
#include "song/trackediting.h"

namespace
{

struct Editing : DeckFixture {
    // Three bound tracks on channels 1, 2, 3 (file tracks 1..3 after an empty
    // conductor track) and two keyboards.
    void SetUp() override
    {
        if (devices.inputs.empty()) addDevices(2);
        std::vector<TrackBuilder> tracks(4);
        tracks[0].tempo(0, 500000).end();
        for (int i = 1; i < 4; ++i)
            tracks[size_t(i)].on(0, i - 1, 60 + i, 100).off(96, i - 1, 60 + i).end();
        ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, tracks)));
        ASSERT_EQ(deck.tracks.boundTracks, 3);
        ASSERT_EQ(deck.tracks.freeTracks, 2);
    }
    int freeTrackNumber(int j) const { return deck.tracks.fileTracks + j; }
};

TEST_F(Editing, BindingTheSecondFreeTrackLeavesTheFirstAlone)
{
    recordFree(0, 10, 20, 40);
    recordFree(1, 30, 40, 50);
    deck.selected[4] = 1; // the second free track
    ASSERT_EQ(bindFree(deck, false), 1);
    const TrackTables& t = deck.tracks;
    EXPECT_EQ(t.fileTracks, 5);
    EXPECT_EQ(t.boundTracks, 4);
    EXPECT_EQ(t.freeTracks, 2);
    // The bound track is file track 4, display index 3; the free tracks are 5 and 6.
    const auto bound = eventsOf(4);
    ASSERT_EQ(bound.size(), 3u); // the free track's Program Change came along
    EXPECT_EQ(bound[0]->type(), kTypePgmChange);
    EXPECT_EQ(bound[1]->note(), 50);
    EXPECT_EQ(t.displayIndexOf(4), 3);
    EXPECT_EQ(t.storeTrackOf(3), 4);
    const auto firstFree = eventsOf(5);
    ASSERT_EQ(firstFree.size(), 3u); // its Program Change and its note
    EXPECT_EQ(firstFree[1]->note(), 40);
    // The second free track keeps its sound for the next take.
    const auto secondFree = eventsOf(6);
    ASSERT_EQ(secondFree.size(), 1u);
    EXPECT_EQ(secondFree[0]->type(), kTypePgmChange);
    EXPECT_EQ(t.noteOnCount[3], 1u);
    EXPECT_EQ(t.noteOnCount[4], 1u);
    EXPECT_EQ(t.noteOnCount[5], 0u);
    EXPECT_EQ(t.input[3], devices.inputs[1].get());
    EXPECT_EQ(song.facts.trackNames.back(),
              QByteArray("Created in Clavion version " CLAVION_VERSION_TEXT));
    EXPECT_TRUE(deck.modified());
    EXPECT_TRUE(actions[DeckAction::FileSave]);
    EXPECT_FALSE(actions[DeckAction::Reload]);
}

TEST_F(Editing, BindingBakesTranspositionAndShiftInOnce)
{
    recordFree(0, 10, 20, 60, 100);
    recordFree(0, 30, 40, 127, 120);
    deck.tracks.transpose[3] = 2;
    deck.tracks.velocityShift[3] = 20;
    deck.selected[3] = 1;
    ASSERT_EQ(bindFree(deck, false), 1);
    const auto bound = eventsOf(4);
    ASSERT_EQ(bound.size(), 5u); // Program Change, two notes
    EXPECT_EQ(bound[1]->note(), 62);
    EXPECT_EQ(bound[1]->velocity(), 120);
    EXPECT_EQ(bound[2]->note(), 62); // its note-off follows
    EXPECT_EQ(bound[3]->note(), 127);
    EXPECT_EQ(bound[3]->velocity(), 127);
    // The new track plays the notes as they are now.
    EXPECT_EQ(deck.tracks.transpose[3], 0);
    EXPECT_EQ(deck.tracks.velocityShift[3], 0);

    recordFree(0, 50, 60, 61, 5);
    deck.tracks.velocityShift[4] = -100; // the free track is display index 4 now
    deck.selected[4] = 1;
    ASSERT_EQ(bindFree(deck, false), 1);
    const auto quiet = eventsOf(5);
    ASSERT_EQ(quiet.size(), 3u);
    EXPECT_EQ(quiet[1]->velocity(), 1); // still a sounding note, not a note-off
}

TEST_F(Editing, BindingRefusalsAndWipingKeepsTheInitialProgramChange)
{
    EXPECT_EQ(bindFree(deck, false), 0);
    EXPECT_EQ(sink.texts().last(),
              QStringLiteral("At least one free track to bind must be selected."));
    EXPECT_EQ(bindFree(deck, true), 0); // free tracks without notes
    EXPECT_EQ(sink.texts().last(),
              QStringLiteral("Only free tracks containing note events may be bound."));
    EXPECT_EQ(deck.tracks.fileTracks, 4);
    EXPECT_FALSE(deck.modified());

    recordFree(1, 10, 20, 40);
    std::fill(deck.selected.begin(), deck.selected.end(), 0);
    deck.selected[4] = 1;
    EXPECT_EQ(wipeFree(deck, false), 1);
    const auto left = eventsOf(freeTrackNumber(1));
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]->type(), kTypePgmChange);
    EXPECT_EQ(deck.tracks.noteOnCount[4], 0u);
}

TEST_F(Editing, MergingMovesEventsAndRenumbersLaterTracks)
{
    recordFree(0, 10, 20, 40);
    deck.selected[0] = 1; // file track 1
    deck.selected[2] = 1; // file track 3
    sink.answers = {Yes};
    EXPECT_EQ(mergeBound(deck), 1);
    EXPECT_EQ(sink.shown[0].title, QStringLiteral("Clavion - Sure ?"));
    EXPECT_EQ(sink.shown[0].text,
              QStringLiteral(
                  "Are you sure you want to merge the 2 selected bound tracks into track #2?"));
    EXPECT_EQ(eventsOf(1).size(), 4u);
    EXPECT_EQ(eventsOf(2).size(), 2u);
    EXPECT_EQ(eventsOf(2)[0]->note(), 62);
    EXPECT_EQ(deck.tracks.fileTracks, 3);
    EXPECT_EQ(deck.tracks.boundTracks, 2);
    // The free tracks moved down with them.
    EXPECT_EQ(eventsOf(3).size(), 3u);
    EXPECT_EQ(deck.tracks.channelPattern[0], 0xA000);
    EXPECT_EQ(deck.tracks.noteOnCount[0], 2u);
    EXPECT_EQ(deck.tracks.displayMap, (std::vector<int>{-2, 0, 1}));
    EXPECT_EQ(song.facts.trackNames.size(), 3u);
    EXPECT_TRUE(deck.modified());
}

TEST_F(Editing, MergingNeedsTwoTracksAndAYes)
{
    deck.selected[1] = 1;
    deck.selected[2] = 1;
    sink.answers = {No};
    EXPECT_EQ(mergeBound(deck), 0);
    EXPECT_EQ(deck.tracks.boundTracks, 3);
    deck.selected[2] = 0;
    sink.answers = {Yes};
    EXPECT_EQ(mergeBound(deck), 0);
    EXPECT_EQ(sink.texts().last(),
              QStringLiteral("Two bound track must be selected to apply merging."));
    deck.selected[1] = 0;
    EXPECT_EQ(mergeBound(deck), 0);
    EXPECT_EQ(sink.texts().last(), QStringLiteral("You must select at least one bound track."));
    EXPECT_FALSE(deck.modified());
}

TEST_F(Editing, DeletingEveryBoundTrack)
{
    bool resized = false;
    deck.resizeRequested = [&resized] { resized = true; };
    recordFree(0, 10, 20, 40);
    deck.selected = {1, 0, 1, 0, 0};
    sink.answers = {Yes};
    EXPECT_EQ(deleteBound(deck), 2);
    EXPECT_EQ(eventsOf(1).size(), 2u);
    EXPECT_EQ(eventsOf(1)[0]->note(), 62);
    EXPECT_EQ(eventsOf(2).size(), 3u); // the first free track, renumbered
    EXPECT_EQ(deck.tracks.input[1], devices.inputs[0].get());
    deck.selected = {1, 0, 0};
    sink.answers = {Yes};
    EXPECT_EQ(deleteBound(deck), 1);
    EXPECT_EQ(deck.tracks.boundTracks, 0);
    EXPECT_EQ(deck.tracks.fileTracks, 1);
    EXPECT_EQ(deck.tracks.storeTrackOf(0), 1); // the first free track
    EXPECT_TRUE(resized);
    EXPECT_TRUE(song.events.isSorted());
}

} // namespace
