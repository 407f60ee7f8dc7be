#include "deckfixture.h"
#include "song/trackediting.h"

namespace
{

struct TrackEditing : DeckFixture {
    // Three bound tracks on channels 1, 2, 3 (file tracks 1..3 after an empty
    // conductor track) and two keyboards, so two free tracks (file tracks 4, 5).
    void SetUp() override
    {
        addDevices(2);
        std::vector<TrackBuilder> tracks(4);
        tracks[0].tempo(0, 500000).end();
        for (int i = 1; i < 4; ++i)
            tracks[size_t(i)].on(0, i - 1, 60 + i, 100).off(96, i - 1, 60 + i).end();
        ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, tracks)));
        ASSERT_EQ(deck.tracks.freeTracks, 2);
    }
    std::string counts() const
    {
        std::string s;
        for (uint32_t c : deck.tracks.noteOnCount) s += std::to_string(c);
        return s;
    }
};

TEST_F(TrackEditing, BindingTheSecondFreeTrackLeavesTheFirstAlone)
{
    recordFree(0, 10, 20, 40);
    recordFree(1, 30, 40, 50);
    deck.selected[4] = 1; // the second free track
    ASSERT_EQ(bindFree(deck, false), 1);
    const TrackTables& t = deck.tracks;
    EXPECT_EQ(std::vector<int>({t.fileTracks, t.boundTracks, t.freeTracks}),
              std::vector<int>({5, 4, 2}));
    // The bound track is file track 4, display index 3, with the free
    // track's Program Change; the free tracks are 5 and 6, and the second
    // keeps its sound for the next take.
    EXPECT_EQ(text(4) + " | " + text(5) + " | " + text(6),
              "pc4@0 on50/90@30 off50@40 | pc3@0 on40/90@10 off40@20 | pc4@0");
    EXPECT_EQ(t.displayIndexOf(4), 3);
    EXPECT_EQ(counts(), "111110");
    EXPECT_EQ(t.input[3], devices.inputs[1].get());
    EXPECT_EQ(song.facts.trackNames.back(),
              QByteArray("Created in Clavion version " CLAVION_VERSION_TEXT));
    EXPECT_TRUE(deck.modified() && actions[DeckAction::FileSave]);
}

TEST_F(TrackEditing, BindingBakesTranspositionAndShiftInOnce)
{
    recordFree(0, 10, 20, 60, 100);
    recordFree(0, 30, 40, 127, 120);
    deck.tracks.transpose[3] = 2;
    deck.tracks.velocityShift[3] = 20;
    deck.selected[3] = 1;
    ASSERT_EQ(bindFree(deck, false), 1);
    EXPECT_EQ(text(4), "pc3@0 on62/120@10 off62@20 on127/127@30 off127@40");
    // The new track plays the notes as they are now.
    EXPECT_EQ(std::make_pair(deck.tracks.transpose[3], deck.tracks.velocityShift[3]),
              std::make_pair(0, 0));
    // Still a sounding note at the lowest velocity, not a note-off.
    recordFree(0, 50, 60, 61, 5);
    deck.tracks.velocityShift[4] = -100; // the free track is display index 4 now
    deck.selected[4] = 1;
    ASSERT_EQ(bindFree(deck, false), 1);
    EXPECT_EQ(text(5), "pc3@0 on63/1@50 off63@60");
}

TEST_F(TrackEditing, RefusalsWipingAndMerging)
{
    EXPECT_EQ(bindFree(deck, false), 0);
    EXPECT_EQ(bindFree(deck, true), 0); // free tracks without notes
    std::fill(deck.selected.begin(), deck.selected.end(), 0);
    deck.selected[1] = deck.selected[2] = 1;
    sink.answers = {No};
    EXPECT_EQ(mergeBound(deck), 0);
    deck.selected[2] = 0;
    sink.answers = {Yes};
    EXPECT_EQ(mergeBound(deck), 0);
    deck.selected[1] = 0;
    EXPECT_EQ(mergeBound(deck), 0);
    EXPECT_EQ(sink.texts().join("\n").toStdString(),
              "At least one free track to bind must be selected.\n"
              "Only free tracks containing note events may be bound.\n"
              "Are you sure you want to merge the 2 selected bound tracks into track #3?\n"
              "Are you sure you want to merge the 1 selected bound tracks into track #3?\n"
              "Two bound track must be selected to apply merging.\n"
              "You must select at least one bound track.");
    EXPECT_EQ(deck.tracks.fileTracks, 4);
    EXPECT_FALSE(deck.modified());

    // Wiping keeps the initial Program Change.
    recordFree(1, 10, 20, 40);
    deck.selected[4] = 1;
    EXPECT_EQ(wipeFree(deck, false), 1);
    EXPECT_EQ(text(5), "pc4@0");
    EXPECT_EQ(counts(), "11100");

    // Merging moves the events and renumbers later tracks.
    recordFree(0, 10, 20, 40);
    std::fill(deck.selected.begin(), deck.selected.end(), 0);
    deck.selected[0] = deck.selected[2] = 1; // file tracks 1 and 3
    sink.answers = {Yes};
    EXPECT_EQ(mergeBound(deck), 1);
    EXPECT_EQ(sink.shown.last().title, QStringLiteral("Clavion - Sure ?"));
    EXPECT_EQ(text(1) + " | " + text(2) + " | " + text(3),
              "on61/100@0 on63/100@0 off61@96 off63@96 | on62/100@0 off62@96 | "
              "pc3@0 on40/90@10 off40@20");
    // Notes struck together are one cluster in the piano roll.
    EXPECT_EQ(eventsOf(1)[1]->noteGap, 0u);
    EXPECT_EQ(deck.tracks.fileTracks, 3);
    EXPECT_EQ(deck.tracks.channelPattern[0], 0xA000);
    EXPECT_EQ(counts(), "2110");
    EXPECT_EQ(deck.tracks.displayMap, (std::vector<int>{-2, 0, 1}));
    EXPECT_EQ(song.facts.trackNames.size(), 3u);
    EXPECT_TRUE(deck.modified());
}

TEST_F(TrackEditing, DeletingEveryBoundTrack)
{
    bool resized = false;
    deck.resizeRequested = [&resized] { resized = true; };
    recordFree(0, 10, 20, 40);
    deck.selected = {1, 0, 1, 0, 0};
    sink.answers = {Yes};
    EXPECT_EQ(deleteBound(deck), 2);
    // The first free track, renumbered.
    EXPECT_EQ(text(1) + " | " + text(2), "on62/100@0 off62@96 | pc3@0 on40/90@10 off40@20");
    EXPECT_EQ(deck.tracks.input[1], devices.inputs[0].get());
    deck.selected = {1, 0, 0};
    sink.answers = {Yes};
    EXPECT_EQ(deleteBound(deck), 1);
    EXPECT_EQ(std::make_pair(deck.tracks.boundTracks, deck.tracks.fileTracks),
              std::make_pair(0, 1));
    EXPECT_EQ(deck.tracks.storeTrackOf(0), 1); // the first free track
    EXPECT_TRUE(resized);
    EXPECT_TRUE(song.events.isSorted());
}

} // namespace
