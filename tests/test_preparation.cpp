#include "deckfixture.h"

namespace
{

using Prep = DeckFixture;

QByteArray oneNote(int division, uint32_t tempo = 0, int nn = 4, int dd = 2)
{
    TrackBuilder t;
    if (tempo) t.tempo(0, tempo);
    t.timeSig(0, nn, dd).on(0, 0, 60, 100).off(96, 0, 60).end();
    return smfFile(1, division, {t});
}

TEST_F(Prep, DivisionRoundsToMultiplesOf24)
{
    addDevices(1);
    const std::vector<std::pair<int, int>> cases = {
        {96, 96}, {100, 96}, {500, 504}, {132, 120}, {133, 144}, {0xE728, 504}, {1, 24}, {12, 24}};
    for (auto [division, expected] : cases) {
        ASSERT_TRUE(loadAndPrepare(oneNote(division))) << division;
        EXPECT_EQ(deck.timing.tick4qn, expected) << division;
        EXPECT_EQ(deck.timing.minticks, uint32_t(expected / 24));
        EXPECT_EQ(deck.timing.tick4measure, expected * 4);
    }
}

TEST_F(Prep, TimingFromTempoAndSignature)
{
    addDevices(1);
    ASSERT_TRUE(loadAndPrepare(oneNote(480, 600000, 6, 3)));
    const TimingParams& p = deck.timing;
    EXPECT_EQ(p.tempo, 600000);
    EXPECT_EQ(p.beat4min, 100);
    EXPECT_EQ(p.temps, 6);
    EXPECT_EQ(p.beatvalue, 8);
    EXPECT_EQ(p.tick4beat, 240);
    EXPECT_EQ(p.tick4measure, 1440);
    EXPECT_EQ(p.tick_tol, 100u * 480 * 1000 / 600000);
    EXPECT_DOUBLE_EQ(p.pix4sec, 24 * 1000000.0 * 1.5 / 600000);

    deck.setTempoBoost(200);
    EXPECT_EQ(p.tempo, 300000);
    EXPECT_EQ(p.beat4min, 200);
    EXPECT_EQ(p.tick_tol, 160u);
    EXPECT_EQ(p.playingTempo(), 150000u);
    deck.setMsTol(50);
    EXPECT_EQ(p.tick_tol, 80u);
}

TEST_F(Prep, FilesThatWouldDivideByZeroGetSoundFallbacks)
{
    addDevices(1);
    // Tempo 0, no beats per measure, a denominator of 2^40.
    TrackBuilder t;
    t.tempo(0, 0).timeSig(0, 0, 40).on(0, 0, 60, 100).off(96, 0, 60).end();
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, {t})));
    EXPECT_EQ(deck.timing.tempo, 500000);
    EXPECT_EQ(deck.timing.temps, 4);
    EXPECT_EQ(deck.timing.beatvalue, 4);
    EXPECT_GT(deck.timing.tick_tol, 0u);
    // An SMPTE division with a huge tempo still fits the 15 bits a file can hold.
    TrackBuilder slow;
    slow.tempo(0, 0xFFFFFF).on(0, 0, 60, 100).off(96, 0, 60).end();
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 0x80FF, {slow})));
    EXPECT_LE(deck.timing.tick4qn, 0x7FFF);
    EXPECT_EQ(deck.timing.tick4qn % 24, 0);
}

TEST_F(Prep, ZeroLengthNotesStoredBackwardsAreFlippedAndReportedOnce)
{
    addDevices(1);
    TrackBuilder t;
    t.on(0, 0, 50, 100).off(100, 0, 60).on(0, 0, 60, 100); // off before on at 100
    t.off(0, 0, 62).on(0, 0, 62, 100);                     // and again
    t.off(10, 0, 50).end();
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, {t})));
    const auto v = eventsOf(0);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_TRUE(v[1]->isSoundingNoteOn());
    EXPECT_EQ(v[1]->note(), 60);
    EXPECT_EQ(v[2]->type(), kTypeNoteOff);
    EXPECT_EQ(v[1]->partner, v[2]);
    EXPECT_EQ(v[2]->partner, v[1]);
    EXPECT_TRUE(v[3]->isSoundingNoteOn());
    EXPECT_EQ(v[3]->partner, v[4]);
    EXPECT_EQ(v[0]->partner, v[5]);
    EXPECT_TRUE(song.events.isSorted());
    EXPECT_EQ(sink.texts(), QStringList{QStringLiteral(
                                "Zero length flipped notes detected and corrected in test.mid.")});
}

TEST_F(Prep, OverlappingSamePitchNotesPairInOrderGapsFollowTheTrackUnpairedAreReported)
{
    addDevices(1);
    TrackBuilder t;
    t.on(0, 0, 60, 100).on(10, 0, 60, 90).off(10, 0, 60).on(0, 1, 70, 1).off(10, 0, 60);
    t.off(5, 1, 70).on(0, 0, 61, 100).end();
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, {t})));
    const auto v = eventsOf(0);
    EXPECT_EQ(v[0]->partner, v[2]);
    EXPECT_EQ(v[1]->partner, v[4]);
    EXPECT_EQ(v[3]->partner, v[5]);
    EXPECT_EQ(v[6]->partner, nullptr);
    EXPECT_EQ(v[0]->noteGap, kNoGap);
    EXPECT_EQ(v[1]->noteGap, 10u);
    EXPECT_EQ(v[3]->noteGap, 10u);
    EXPECT_EQ(deck.tracks.fileChannelPattern[0], 0xC000);
    EXPECT_EQ(sink.texts(),
              QStringList{QStringLiteral("Errors were found while parsing test.mid.")});
}

TEST_F(Prep, ZonesFreeTracksAndTheirChannels)
{
    addDevices(2);
    devices.inputs[0]->ignoreInput = false;
    auto ignored = std::make_unique<InputDevice>();
    ignored->ignoreInput = true;
    devices.inputs.insert(devices.inputs.begin() + 1, std::move(ignored));
    std::vector<TrackBuilder> tracks(5);
    tracks[0].tempo(0, 500000).end(); // no notes: not shown
    for (int i = 1; i < 5; ++i) tracks[size_t(i)].on(0, i == 2 ? 9 : 0, 60, 1).off(9, 0, 60).end();
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, tracks)));
    const TrackTables& t = deck.tracks;
    EXPECT_EQ(t.boundTracks, 4);
    EXPECT_EQ(t.freeTracks, 2);
    EXPECT_EQ(t.zone, (std::vector<int>{1, 2, 3, 1, 0, 0}));
    EXPECT_EQ(t.displayMap, (std::vector<int>{-2, 0, 1, 2, 3}));
    EXPECT_EQ(t.storeTrackOf(0), 1);
    EXPECT_EQ(t.storeTrackOf(5), 6);
    EXPECT_EQ(t.displayIndexOf(0), -2);
    EXPECT_EQ(t.displayIndexOf(6), 5);
    EXPECT_EQ(t.input[4], devices.inputs[0].get());
    EXPECT_EQ(t.input[5], devices.inputs[2].get()); // the ignored one has no free track
    // Bound tracks use channels 1 and 10: the free tracks take 2 and 3.
    EXPECT_EQ(t.channelPattern[4], 0x4000);
    EXPECT_EQ(t.channelPattern[5], 0x2000);
    const auto pc = eventsOf(6);
    ASSERT_EQ(pc.size(), 1u);
    EXPECT_EQ(pc[0]->type(), kTypePgmChange);
    EXPECT_EQ(pc[0]->channel(), 2);
    EXPECT_EQ(pc[0]->tick, 0u);
    EXPECT_FALSE(deck.modified());
    EXPECT_FALSE(actions[DeckAction::FileSave]);
}

TEST_F(Prep, MissingDevicesAreReported)
{
    addDevices(0);
    ASSERT_TRUE(loadAndPrepare(oneNote(96)));
    EXPECT_EQ(deck.tracks.freeTracks, 0);
    EXPECT_EQ(sink.texts(), QStringList{QStringLiteral("No midi keyboard for input.")});

    DeviceSet none;
    DeckModel silent(song, none);
    EXPECT_EQ(prepareSong(silent), PrepareResult::NoOutput);
    EXPECT_TRUE(sink.texts().last().startsWith(QStringLiteral("No sound will be heard")));
    // Pairs are made all the same, so the song can be shown and saved.
    EXPECT_NE(song.events.firstSoundingNoteOn(nullptr)->partner, nullptr);
}

TEST_F(Prep, CursorsResetAndMoveToABeat)
{
    addDevices(1);
    std::vector<TrackBuilder> tracks(2);
    for (int k = 0; k < 2; ++k) {
        for (int beat = 0; beat < 40; ++beat)
            tracks[size_t(k)].on(0, k, 60 + k, 100).off(96, k, 60 + k);
        tracks[size_t(k)].end();
    }
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, tracks)));
    EXPECT_EQ(deck.beats, 41); // the last note ends on beat 41
    EXPECT_EQ(deck.songCursor, song.events.head());
    EXPECT_EQ(deck.tracks.cursor[0], eventsOf(0)[0]);
    EXPECT_EQ(deck.tracks.lastNoteOn[1], eventsOf(1)[78]);

    deck.currentBeat = 10;
    EXPECT_EQ(deck.repositionCursors(), 3);
    EXPECT_EQ(deck.songCursor->tick, 9u * 96);
    EXPECT_EQ(deck.tracks.cursor[0]->tick, 9u * 96);
    EXPECT_EQ(deck.tracks.cursor[1]->tick, 9u * 96);
    EXPECT_EQ(deck.tracks.playedUpTo[1], 9u * 96);

    deck.currentBeat = 3; // within the first measure: from the start
    EXPECT_EQ(deck.repositionCursors(), 2);
    EXPECT_EQ(deck.songCursor, song.events.head());
    deck.currentBeat = 37; // within the last measure
    EXPECT_EQ(deck.repositionCursors(), 2);
    EXPECT_EQ(deck.currentBeat, 1);
}

} // namespace
