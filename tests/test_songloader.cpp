#include "core/messages.h"
#include "smfbuilder.h"
#include "song/songloader.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace
{

struct LoadFixture : ::testing::Test {
    ScriptedMessageSink sink;
    ScopedMessageSink installed{&sink};
    Song song;

    bool load(const QByteArray& bytes, LoadOptions options = LoadOptions())
    {
        return loadSongFromBytes(bytes, QStringLiteral("/some/where/song.mid"), options, song);
    }
    std::vector<const EventNode*> all() const
    {
        std::vector<const EventNode*> v;
        for (const EventNode* n = song.events.head(); n; n = n->next) v.push_back(n);
        return v;
    }
};

TEST_F(LoadFixture, NodesCarryTrackTickTempoAndDestination)
{
    TrackBuilder conductor, a, b, silent;
    conductor.tempo(0, 600000).end();
    a.on(10, 0, 60, 90).off(10, 0, 60).end();
    b.on(10, 1, 64, 80).end();
    silent.on(0, 2, 60, 0).on(5, 2, 61, 0).end(); // still a track of notes
    ASSERT_TRUE(load(smfFile(1, 480, {conductor, a, b, silent})));
    const auto v = all();
    ASSERT_EQ(v.size(), 6u);
    // Equal ticks of different tracks keep track order.
    EXPECT_EQ(v[3]->track, 1u);
    EXPECT_EQ(v[4]->track, 2u);
    EXPECT_EQ(v[4]->tick, 10u);
    for (const EventNode* n : v) {
        EXPECT_EQ(n->altTick, n->tick);
        EXPECT_EQ(n->event.time.tick, n->tick);
        EXPECT_EQ(n->event.dest.client, 254);
        EXPECT_EQ(n->event.dest.port, 253);
        EXPECT_EQ(n->noteGap, kNoGap);
        EXPECT_EQ(n->partner, nullptr);
        EXPECT_EQ(n->tempo, 600000u);
    }
    EXPECT_EQ(song.facts.noteOnCounts, (std::vector<uint32_t>{0, 1, 1, 2}));
    EXPECT_EQ(song.facts.division, 480);
}

TEST_F(LoadFixture, Format0SplitsByChannelInOrderOfFirstUse)
{
    TrackBuilder t;
    t.text(0, 3, "Whole song").tempo(0, 500000);
    t.on(0, 9, 36, 100).sysex(0, QByteArray("\x41\xF7", 2));
    t.on(10, 0, 60, 100).on(0, 0, 62, 0).off(10, 9, 36);
    t.end();
    ASSERT_TRUE(load(smfFile(0, 96, {t})));
    const FileFacts& f = song.facts;
    EXPECT_EQ(f.format, 1);
    EXPECT_EQ(f.ntracks, 3);
    EXPECT_EQ(f.noteOnCounts, (std::vector<uint32_t>{0, 1, 1})); // velocity 0 not counted
    EXPECT_EQ(f.trackNames, (std::vector<QByteArray>(3)));
    std::vector<std::pair<int, uint32_t>> typeTrack;
    for (const EventNode* n : all()) typeTrack.emplace_back(n->type(), n->track);
    EXPECT_EQ(typeTrack, (std::vector<std::pair<int, uint32_t>>{{kTypeTextBase + 3, 0},
                                                                {kTypeTempo, 0},
                                                                {kTypeNoteOn, 1},
                                                                {kTypeSysex, 0},
                                                                {kTypeNoteOn, 2},
                                                                {kTypeNoteOn, 2},
                                                                {kTypeNoteOff, 1}}));

    LoadOptions keep;
    keep.splitFormat0 = false;
    ASSERT_TRUE(load(smfFile(0, 96, {t}), keep));
    EXPECT_EQ(song.facts.format, 0);
    EXPECT_EQ(song.facts.ntracks, 1);
    EXPECT_EQ(song.facts.noteOnCounts, (std::vector<uint32_t>{3})); // velocity 0 counted
    EXPECT_EQ(song.facts.trackNames[0], QByteArray("Whole song"));
}

TEST_F(LoadFixture, LyricMarksPointPastTheLineBreaks)
{
    TrackBuilder t;
    t.text(0, 5, "0123456789"); // 10 bytes of lyrics already
    t.text(7, 5, "/hello");
    t.text(0, 1, "a\\b"); // plain text used as lyrics
    t.on(0, 0, 60, 100).end();
    ASSERT_TRUE(load(smfFile(1, 96, {t})));
    EXPECT_EQ(song.facts.lyrics, QByteArray("0123456789\nhelloa\nb"));
    const auto v = all();
    ASSERT_EQ(v.size(), 7u);
    EXPECT_EQ(v[2]->type(), kTypeTextBase + 5);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(v[2]->data())), QByteArray("/hello"));
    EXPECT_EQ(v[2]->dataLength(), 6u);
    EXPECT_EQ(v[2]->event.flags, SND_SEQ_EVENT_LENGTH_VARUSR);
    EXPECT_EQ(v[3]->type(), kTypeLyricMark);
    EXPECT_EQ(v[3]->tick, 7u);
    EXPECT_EQ(v[3]->event.data.raw32.d[1], 11u);
    EXPECT_EQ(v[3]->event.data.raw32.d[2], 5u);
    EXPECT_EQ(v[5]->type(), kTypeTextMark);
    EXPECT_EQ(v[5]->event.data.raw32.d[1], 17u);
    EXPECT_EQ(v[5]->event.data.raw32.d[2], 2u);

    LoadOptions strict;
    strict.strictLyrics = true;
    ASSERT_TRUE(load(smfFile(1, 96, {t}), strict));
    EXPECT_EQ(song.facts.lyrics, QByteArray("0123456789\nhello"));
    EXPECT_EQ(all().size(), 6u); // no mark for the plain text
}

TEST_F(LoadFixture, NamesAndSignaturesAndTheirResetBetweenFiles)
{
    TrackBuilder t;
    t.text(0, 3, "Piano").text(0, 4, "Grand").text(0, 2, "(c) me");
    t.tempo(0, 400000).timeSig(0, 3, 2, 36, 8).keySig(0, -2, 1);
    t.tempo(10, 700000).timeSig(0, 6, 3, 12, 8).on(0, 0, 60, 1).end();
    ASSERT_TRUE(load(smfFile(1, 96, {t})));
    const FileFacts& f = song.facts;
    EXPECT_EQ(f.trackNames[0], QByteArray("(c) mePiano\nGrand"));
    EXPECT_EQ(f.firstTempo, 400000u); // the first tempo, the last signatures
    EXPECT_EQ(f.timeSigNumerator, 6u);
    EXPECT_EQ(f.timeSigDenominator, 8u);
    EXPECT_EQ(f.clocksPerClick, 12u);
    EXPECT_EQ(f.keySharpsFlats, -2);
    EXPECT_EQ(f.keyMode, 1);

    TrackBuilder plain;
    plain.timeSig(0, 4, 40).on(0, 0, 60, 1).end(); // a denominator overflowing to 0
    ASSERT_TRUE(load(smfFile(1, 96, {plain})));
    EXPECT_EQ(f.firstTempo, kNoTempo);
    EXPECT_EQ(f.songTempo(), 500000u);
    EXPECT_EQ(f.timeSigDenominator, 0u);
    EXPECT_EQ(f.keySharpsFlats, 0);
    EXPECT_EQ(song.events.size(), 2u); // the previous song is gone
}

TEST_F(LoadFixture, FailuresAreReportedWithTheirTexts)
{
    EXPECT_FALSE(load(smfFile(1, 96, {TrackBuilder().tempo(0, 500000).end()}))); // no notes
    ASSERT_EQ(sink.shown.size(), 1);
    EXPECT_EQ(sink.shown[0].title, QStringLiteral("Clavion - Warning"));
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("Could not parse song.mid as a midi file."));

    const QByteArray note = smfFile(1, 96, {TrackBuilder().on(0, 0, 60, 1).end()});
    EXPECT_FALSE(load(note.chopped(2)));
    EXPECT_EQ(song.lastParseError, QStringLiteral("Parse error :premature EOF"));
    EXPECT_EQ(sink.shown.size(), 2);
    EXPECT_FALSE(load(smfFile(2, 96, {TrackBuilder().on(0, 0, 60, 1).end()})));
    EXPECT_EQ(sink.shown.size(), 3);
    EXPECT_FALSE(load(QByteArray()));

    // With the debug variable the parse error is shown as well.
    sink.shown.clear();
    qputenv("QT_DEBUG3", "1");
    EXPECT_FALSE(load(smfFile(1, 96, {TrackBuilder().raw({0x00, 0x40}).end()})));
    qunsetenv("QT_DEBUG3");
    ASSERT_EQ(sink.shown.size(), 2);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("Parse error :unexpected running status"));
    EXPECT_EQ(sink.shown[0].kind, MessageKind::Warning);
}

TEST_F(LoadFixture, FilesFromDiskAndTheBusyCursor)
{
    const std::string path = writeTempFile(smfFile(1, 96, {TrackBuilder().on(0, 0, 60, 1).end()}));
    EXPECT_TRUE(loadSong(QString::fromStdString(path), LoadOptions(), song));
    EXPECT_EQ(sink.busyDepth, 0);
    EXPECT_EQ(sink.busyCalls, 2);
    QFile::remove(QString::fromStdString(path));
    // A missing file fails quietly: the caller tells the user.
    EXPECT_FALSE(loadSong(QString::fromStdString(path), LoadOptions(), song));
    EXPECT_TRUE(sink.shown.isEmpty());
}

TEST_F(LoadFixture, EveryCrasherFoundStillLoadsSafely)
{
    QDir dir(QStringLiteral(CLAVION_TEST_DATA "/regressions"));
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        load(file.readAll()); // must neither crash nor leak; the result may be either
        EXPECT_TRUE(song.events.isSorted()) << name.toStdString();
    }
}

} // namespace
