#include "deckfixture.h"
#include "song/songsaver.h"

#include <QFile>
#include <climits>

namespace
{

using SongTiming = DeckFixture;

struct Timed {
    int type;
    int note;
    double us;
};

// Each track's notes at their real times (us), from the song's own division
// and tempo map.
std::vector<std::vector<Timed>> realTimes(const Song& s)
{
    std::vector<std::vector<Timed>> out(size_t(s.facts.ntracks));
    double us = 0, tempo = 500000;
    uint64_t at = 0;
    for (const EventNode* n = s.events.head(); n; n = n->next) {
        us += double(n->tick - at) * tempo / s.facts.division;
        at = n->tick;
        if (n->type() == kTypeTempo) tempo = n->event.data.queue.param.value;
        if (n->isNoteOn() || n->type() == kTypeNoteOff)
            out[n->track].push_back({n->isSoundingNoteOn() ? 1 : 0, n->note(), us});
    }
    return out;
}

QByteArray readFile(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(SongTiming, SavedSongsKeepTheirRealTimesAtTheRoundedDivision)
{
    addDevices(1);
    struct Row {
        int division;
        int savedDivision;
        uint32_t tempoChangeAt; // a tick the rounding maps exactly
    };
    for (const Row& row : {Row{100, 96, 1000}, Row{256, 264, 1024}}) {
        TrackBuilder conductor, a, b;
        conductor.tempo(0, 600000).tempo(row.tempoChangeAt, 350000).end();
        for (uint32_t i = 0; i < 40; ++i) {
            a.on(i % 3 == 0 ? 0 : 37 + i, 0, 60 + int(i % 12), 90)
                .off(13 + i * 7 % 50, 0, 60 + int(i % 12));
            b.on(i * 11 % 29, 1, 40, 80).off(1 + i % 5, 1, 40);
        }
        a.end();
        b.end();
        ASSERT_TRUE(loadSongFromBytes(smfFile(1, row.division, {conductor, a, b}),
                                      QStringLiteral("a.mid"), LoadOptions(), song));
        const auto before = realTimes(song);
        ASSERT_EQ(prepareSong(deck), PrepareResult::Prepared);
        const std::string path = writeTempFile(QByteArray());
        ASSERT_TRUE(saveSong(deck, QString::fromStdString(path)));
        Song back;
        ASSERT_TRUE(loadSong(QString::fromStdString(path), LoadOptions(), back));
        EXPECT_EQ(back.facts.division, row.savedDivision);
        const auto after = realTimes(back);
        ASSERT_EQ(after.size(), before.size());
        for (size_t t = 0; t < before.size(); ++t) {
            ASSERT_EQ(after[t].size(), before[t].size()) << row.division << " track " << t;
            for (size_t i = 0; i < before[t].size(); ++i) {
                EXPECT_EQ(after[t][i].type, before[t][i].type);
                EXPECT_EQ(after[t][i].note, before[t][i].note);
                // Half a tick of the saved division at the slower tempo.
                EXPECT_NEAR(after[t][i].us, before[t][i].us, 0.5 * 600000 / row.savedDivision)
                    << row.division << " track " << t << " event " << i;
            }
        }
    }
}

TEST_F(SongTiming, MultipleOf24FilesAreUnchanged)
{
    addDevices(1);
    // 25 frames of 40 ticks a second at 480000 us per quarter note is 480 ticks too.
    for (int division : {480, 96, 0xE728}) {
        TrackBuilder t;
        t.tempo(0, 480000).timeSig(0, 3, 2).text(0, 5, "/la").on(5, 0, 60, 90);
        t.channel(7, 0xB0, {7, 100}).off(101, 0, 60).on(3, 9, 36, 100).off(0, 9, 36).end();
        ASSERT_TRUE(loadSongFromBytes(smfFile(1, division, {t}), QStringLiteral("a.mid"),
                                      LoadOptions(), song));
        const auto loaded = describeAll(song);
        ASSERT_EQ(prepareSong(deck), PrepareResult::Prepared);
        // Only the free track's Program Change was added.
        std::vector<std::string> prepared;
        for (const EventNode* n = song.events.head(); n; n = n->next)
            if (int(n->track) < song.facts.ntracks) prepared.push_back(describe(n));
        EXPECT_EQ(prepared, loaded) << division;
        const std::string first = writeTempFile(QByteArray()), second = writeTempFile(QByteArray());
        ASSERT_TRUE(saveSong(deck, QString::fromStdString(first)));
        ASSERT_TRUE(loadSong(QString::fromStdString(first), LoadOptions(), song));
        ASSERT_EQ(prepareSong(deck), PrepareResult::Prepared);
        ASSERT_TRUE(saveSong(deck, QString::fromStdString(second)));
        EXPECT_EQ(readFile(second), readFile(first)) << division;
        EXPECT_EQ(song.facts.division, division == 96 ? 96 : 480);
    }
}

TEST_F(SongTiming, PreparingTwiceMovesTheTicksOnce)
{
    addDevices(1);
    ASSERT_TRUE(
        loadAndPrepare(smfFile(1, 100, {TrackBuilder().on(0, 0, 60, 90).off(1000, 0, 60).end()})));
    EXPECT_EQ(song.events.tail()->tick, 960u);
    ASSERT_EQ(prepareSong(deck), PrepareResult::Prepared);
    EXPECT_EQ(song.events.tail()->tick, 960u);
    EXPECT_EQ(song.events.tail()->event.time.tick, 960u);
}

TEST_F(SongTiming, TolerancesAndLengthsDoNotOverflow)
{
    addDevices(1);
    struct Row {
        uint32_t msTol;
        int boost;
        uint32_t tempo;
        uint32_t tickTol;
        uint64_t cluster; // for a note written at the file's tempo
    };
    // 32760 ticks per quarter note, the most a file holds.
    const Row rows[] = {
        {100, 100, 500000, 6552, 6552},
        {100, 150, 500000, 9828, 9828},
        {500, 100, 500000, 32760, 32760},
        {500, 150, 500000, 49140, 49140},
        {UINT32_MAX, 100, 1, UINT32_MAX, uint64_t(UINT32_MAX) * 32760 * 1000},
    };
    for (const Row& r : rows) {
        TrackBuilder t;
        t.tempo(0, r.tempo).on(0, 0, 60, 90).off(10, 0, 60).end();
        ASSERT_TRUE(loadSongFromBytes(smfFile(1, 32760, {t}), QStringLiteral("a.mid"),
                                      LoadOptions(), song));
        PrepareOptions options;
        options.msTol = r.msTol;
        ASSERT_EQ(prepareSong(deck, options), PrepareResult::Prepared);
        deck.setTempoBoost(r.boost);
        EXPECT_EQ(deck.timing.tick_tol, r.tickTol) << r.msTol << " " << r.boost;
        EXPECT_EQ(deck.timing.clusterTolerance(r.tempo), r.cluster) << r.msTol << " " << r.boost;
        deck.setMsTol(r.msTol);
        EXPECT_EQ(deck.timing.tick_tol, r.tickTol) << r.msTol << " " << r.boost;
    }

    // A few of the largest deltas a file can hold: more beats than an int counts.
    TrackBuilder huge;
    huge.on(0, 0, 60, 90);
    for (int i = 0; i < 300; ++i) huge.channel(0x0FFFFFFF, 0xB0, {7, 100});
    huge.off(0, 0, 60).end();
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 24, {huge})));
    EXPECT_EQ(deck.beats, INT_MAX);
    deck.currentBeat = 1000;
    EXPECT_EQ(deck.repositionCursors(), 3);
}

} // namespace
