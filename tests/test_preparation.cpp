#include "deckfixture.h"
#include "song/songsaver.h"
#include "song/trackediting.h"

#include <QFile>
#include <climits>

namespace
{

using Preparation = DeckFixture;

QByteArray notesFile(int division, TrackBuilder t)
{
    return smfFile(1, division, {t.on(0, 0, 60, 90).off(48, 0, 60).end()});
}

QByteArray readFile(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(Preparation, DivisionTempoAndSignatureWithFallbacks)
{
    addDevices(1);
    struct Row {
        int division;
        uint32_t tempo;
        int nn, dd; // dd as a power of two
        int tick4qn, tempoUsed, temps, beatvalue;
    };
    // 132 is exactly half-way between multiples of 24 and rounds down; tempo
    // 0, 0 beats and 2^40 would divide by zero.
    const Row rows[] = {
        {96, 500000, 4, 2, 96, 500000, 4, 4},      {100, 500000, 4, 2, 96, 500000, 4, 4},
        {132, 500000, 4, 2, 120, 500000, 4, 4},    {133, 500000, 4, 2, 144, 500000, 4, 4},
        {1, 500000, 4, 2, 24, 500000, 4, 4},       {12, 500000, 4, 2, 24, 500000, 4, 4},
        {0xE728, 500000, 4, 2, 504, 500000, 4, 4}, {480, 600000, 6, 3, 480, 600000, 6, 8},
        {96, 0, 0, 40, 96, 500000, 4, 4},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(loadAndPrepare(
            notesFile(r.division, TrackBuilder().tempo(0, r.tempo).timeSig(0, r.nn, r.dd))));
        const TimingParams& p = deck.timing;
        EXPECT_EQ(std::vector<int>({p.tick4qn, p.tempo, p.temps, p.beatvalue}),
                  std::vector<int>({r.tick4qn, r.tempoUsed, r.temps, r.beatvalue}))
            << r.division;
        EXPECT_EQ(p.tick4measure, p.tick4qn * 4 / r.beatvalue * r.temps);
    }
    // An SMPTE division with a huge tempo still fits the 15 bits a file holds.
    ASSERT_TRUE(loadAndPrepare(notesFile(0x80FF, TrackBuilder().tempo(0, 0xFFFFFF))));
    EXPECT_LE(deck.timing.tick4qn, 0x7FFF);
    EXPECT_EQ(deck.timing.tick4qn % 24, 0);
}

TEST_F(Preparation, TolerancesAndBeatCountsDoNotOverflow)
{
    addDevices(1);
    struct Row {
        uint32_t msTol;
        int boost;
        uint32_t tempo, tickTol;
        uint64_t cluster; // for a note written at the file's tempo
    };
    // 32760 ticks per quarter note, the most a file holds.
    const Row rows[] = {
        {100, 100, 500000, 6552, 6552},
        {500, 150, 500000, 49140, 49140},
        {UINT32_MAX, 100, 1, UINT32_MAX, uint64_t(UINT32_MAX) * 32760 * 1000},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(loadSongFromBytes(notesFile(32760, TrackBuilder().tempo(0, r.tempo)),
                                      QStringLiteral("a.mid"), LoadOptions(), song));
        PrepareOptions options;
        options.msTol = r.msTol;
        ASSERT_EQ(prepareSong(deck, options), PrepareResult::Prepared);
        deck.setTempoBoost(r.boost);
        EXPECT_EQ(deck.timing.tick_tol, r.tickTol) << r.msTol << " " << r.boost;
        EXPECT_EQ(deck.timing.clusterTolerance(r.tempo), r.cluster) << r.msTol << " " << r.boost;
    }

    // A few of the largest deltas a file can hold: more beats than an int counts.
    TrackBuilder huge;
    huge.on(0, 0, 60, 90);
    for (int i = 0; i < 300; ++i) huge.channel(0x0FFFFFFF, 0xB0, {7, 100});
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 24, {huge.off(0, 0, 60).end()})));
    EXPECT_EQ(deck.beats, INT_MAX);
    deck.currentBeat = 1000;
    EXPECT_EQ(deck.repositionCursors(), DeckModel::CursorsMoved);
}

// Each Note On takes the first free note-off of its channel and key; a
// zero-length note stored backwards is turned round; gaps run from start to
// start. Pairing again, as a kept take does, changes nothing.
TEST_F(Preparation, NotesPairFirstComeFirstServed)
{
    addDevices(1);
    TrackBuilder t;
    t.on(0, 0, 60, 90).on(10, 0, 60, 90).off(10, 0, 60).off(10, 0, 60);
    t.off(10, 0, 62).on(0, 0, 62, 90);                 // backwards at tick 40
    t.on(10, 1, 60, 90).off(10, 0, 60).off(10, 1, 60); // another channel's note-off
    t.on(10, 0, 64, 90).end();                         // never ends
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, {t})));
    const auto pairs = [this] {
        std::string s;
        for (const EventNode* n : eventsOf(0))
            if (n->isSoundingNoteOn())
                s += std::to_string(n->tick) + "-" +
                     (n->partner ? std::to_string(n->partner->tick) + " g" +
                                       std::to_string(int32_t(n->noteGap))
                                 : "none") +
                     " ";
        return s;
    };
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(text(0), "on60/90@0 on60/90@10 off60@20 off60@30 on62/90@40 off62@40 "
                           "on60/90@50 off60@60 off60@70 on64/90@80");
        EXPECT_EQ(pairs(), "0-20 g-1 10-30 g10 40-40 g30 50-70 g10 80-none ") << pass;
        EXPECT_EQ(sink.texts().join('\n').toStdString(),
                  std::string(pass ? ""
                                   : "Zero length flipped notes detected and corrected in "
                                     "test.mid.\n") +
                      "Errors were found while parsing test.mid.");
        sink.shown.clear();
        pairNotes(deck, false);
    }
}

TEST_F(Preparation, ZonesFreeTracksAndTheirChannels)
{
    addDevices(2);
    auto ignored = std::make_unique<InputDevice>();
    ignored->ignoreInput = true;
    devices.inputs.insert(devices.inputs.begin() + 1, std::move(ignored));
    std::vector<TrackBuilder> tracks(5);
    tracks[0].tempo(0, 500000).end(); // no notes: not shown
    for (int i = 1; i < 5; ++i) tracks[size_t(i)].on(0, i == 2 ? 9 : 0, 60, 1).off(9, 0, 60).end();
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, tracks)));
    const TrackTables& t = deck.tracks;
    EXPECT_EQ(t.freeTracks, 2);
    using Z = Zone;
    EXPECT_EQ(t.zone, (std::vector<Zone>{Z::Low, Z::Central, Z::High, Z::Low, Z::None, Z::None}));
    EXPECT_EQ(t.displayMap, (std::vector<int>{-2, 0, 1, 2, 3}));
    EXPECT_EQ(t.storeTrackOf(5), 6);
    EXPECT_EQ(t.displayIndexOf(0), -2);
    EXPECT_EQ(t.input[5], devices.inputs[2].get()); // the ignored one has no free track
    // Bound tracks use channels 1 and 10: the free tracks take 2 and 3.
    EXPECT_EQ(t.channelPattern[4], 0x4000);
    EXPECT_EQ(t.channelPattern[5], 0x2000);
    EXPECT_EQ(text(6), "pc2@0");
    EXPECT_FALSE(deck.modified());
}

TEST_F(Preparation, CursorsAndTablesWithAndWithoutDevices)
{
    addDevices(0);
    std::vector<TrackBuilder> tracks(2);
    for (int k = 0; k < 2; ++k) {
        for (int beat = 0; beat < 40; ++beat)
            tracks[size_t(k)].on(0, k, 60 + k, 100).off(96, k, 60 + k);
        tracks[size_t(k)].end();
    }
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, tracks)));
    EXPECT_EQ(deck.tracks.freeTracks, 0);
    EXPECT_EQ(sink.texts(), QStringList{QStringLiteral("No midi keyboard for input.")});
    EXPECT_EQ(deck.beats, 41); // the last note ends on beat 41
    EXPECT_EQ(deck.tracks.lastNoteOn[1], eventsOf(1)[78]);
    deck.currentBeat = 10;
    EXPECT_EQ(deck.repositionCursors(), DeckModel::CursorsMoved);
    for (const EventNode* n : {deck.songCursor, deck.tracks.cursor[0], deck.tracks.cursor[1]})
        EXPECT_EQ(n->tick, 9u * 96);
    EXPECT_EQ(deck.tracks.playedUpTo[1], 9u * 96);
    deck.currentBeat = 3; // within the first measure: from the start
    EXPECT_EQ(deck.repositionCursors(), DeckModel::CursorsReset);
    EXPECT_EQ(deck.songCursor, song.events.head());
    deck.currentBeat = 37; // within the last measure
    EXPECT_EQ(deck.repositionCursors(), DeckModel::CursorsReset);
    EXPECT_EQ(deck.currentBeat, 1);
}

// Each track's notes at their real times (us).
std::vector<std::vector<std::pair<int, double>>> realTimes(const Song& s)
{
    std::vector<std::vector<std::pair<int, double>>> out(size_t(s.facts.ntracks));
    const int d = s.facts.division; // SMPTE: frames a second and ticks a frame
    const double smpte = d & 0x8000 ? 1e6 / ((256 - (d >> 8)) * (d & 0xFF)) : 0;
    double us = 0, tempo = 500000;
    uint64_t at = 0;
    for (const EventNode* n = s.events.head(); n; n = n->next) {
        us += double(n->tick - at) * (smpte ? smpte : tempo / d);
        at = n->tick;
        if (n->type() == kTypeTempo) tempo = n->event.data.queue.param.value;
        if (n->isNoteOn() || n->type() == kTypeNoteOff)
            out[n->track].emplace_back(n->isSoundingNoteOn() ? n->note() : -n->note(), us);
    }
    return out;
}

// Divisions that are not multiples of 24 are rounded and every tick moved;
// the others (and 25 frames of 40 ticks, 480 at 480000 us) keep every byte.
TEST_F(Preparation, SavedSongsKeepTheirRealTimesAtTheRoundedDivision)
{
    addDevices(1);
    struct Row {
        int division, savedDivision;
        uint32_t tempoChangeAt; // a tick the rounding maps exactly
    };
    for (const Row& row : {Row{100, 96, 1000}, Row{256, 264, 1024}, Row{480, 480, 4800},
                           Row{96, 96, 960}, Row{0xE728, 480, 4800}}) {
        TrackBuilder conductor, a, b;
        conductor.tempo(0, 480000).timeSig(0, 3, 2).text(0, 5, "/la");
        conductor.tempo(row.tempoChangeAt, 350000).end();
        for (uint32_t i = 0; i < 40; ++i) {
            a.on(i % 3 == 0 ? 0 : 37 + i, 0, 60 + int(i % 12), 90)
                .off(13 + i * 7 % 50, 0, 60 + int(i % 12));
            b.on(i * 11 % 29, 1, 40, 80).channel(0, 0xB1, {7, int(i)}).off(1 + i % 5, 1, 40);
        }
        ASSERT_TRUE(loadSongFromBytes(smfFile(1, row.division, {conductor, a.end(), b.end()}),
                                      QStringLiteral("a.mid"), LoadOptions(), song));
        const auto before = realTimes(song);
        // Preparing again (a reload of the views) must not move the ticks twice.
        ASSERT_EQ(prepareSong(deck), PrepareResult::Prepared);
        ASSERT_EQ(prepareSong(deck), PrepareResult::Prepared);
        const std::string first = writeTempFile(QByteArray()), second = writeTempFile(QByteArray());
        ASSERT_TRUE(saveSong(deck, QString::fromStdString(first)));
        Song back;
        ASSERT_TRUE(loadSong(QString::fromStdString(first), LoadOptions(), back));
        EXPECT_EQ(back.facts.division, row.savedDivision);
        const auto after = realTimes(back);
        for (size_t t = 0; t < before.size(); ++t) {
            ASSERT_EQ(after.at(t).size(), before[t].size()) << row.division << " track " << t;
            for (size_t i = 0; i < before[t].size(); ++i) {
                EXPECT_EQ(after[t][i].first, before[t][i].first);
                // Half a tick of the saved division at the slower tempo.
                EXPECT_NEAR(after[t][i].second, before[t][i].second,
                            0.5 * 480000 / row.savedDivision)
                    << row.division << " track " << t << " event " << i;
            }
        }
        ASSERT_TRUE(loadSong(QString::fromStdString(first), LoadOptions(), song));
        ASSERT_EQ(prepareSong(deck), PrepareResult::Prepared);
        ASSERT_TRUE(saveSong(deck, QString::fromStdString(second)));
        EXPECT_EQ(readFile(second), readFile(first)) << row.division;
    }
}

} // namespace
