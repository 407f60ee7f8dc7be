#include "deckfixture.h"
#include "song/smfencode.h"
#include "song/songsaver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

struct SongFiles : DeckFixture {
    QTemporaryDir dir;
    Song back;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    bool load(const QByteArray& bytes, LoadOptions options = LoadOptions())
    {
        return loadSongFromBytes(bytes, QStringLiteral("/some/where/test.mid"), options, song);
    }
    const Song& reload(const QString& file, LoadOptions options = LoadOptions())
    {
        EXPECT_TRUE(loadSong(file, options, back));
        return back;
    }
};

TEST_F(SongFiles, NodesCarryTrackTickTempoAndDestination)
{
    TrackBuilder conductor, a, b, silent;
    conductor.tempo(0, 600000).end();
    a.on(10, 0, 60, 90).off(10, 0, 60).end();
    b.on(10, 1, 64, 80).end();
    silent.on(0, 2, 60, 0).on(5, 2, 61, 0).end(); // still a track of notes
    ASSERT_TRUE(load(smfFile(1, 480, {conductor, a, b, silent})));
    const auto v = eventsOf(-1);
    ASSERT_EQ(v.size(), 6u);
    // Equal ticks of different tracks keep track order.
    EXPECT_EQ(v[3]->track, 1u);
    EXPECT_EQ(v[4]->track, 2u);
    EXPECT_EQ(v[4]->tick, 10u);
    for (const EventNode* n : v) {
        EXPECT_EQ(n->altTick, n->tick);
        EXPECT_EQ(n->event.time.tick, n->tick);
        EXPECT_EQ(std::make_pair(int(n->event.dest.client), int(n->event.dest.port)),
                  std::make_pair(254, 253)); // the subscribers
        EXPECT_EQ(n->tempo, 600000u);
    }
    EXPECT_EQ(song.facts.noteOnCounts, (std::vector<uint32_t>{0, 1, 1, 2}));
}

TEST_F(SongFiles, Format0SplitsByChannelInOrderOfFirstUse)
{
    TrackBuilder t;
    t.text(0, 3, "Whole song").tempo(0, 500000);
    t.on(0, 9, 36, 100).sysex(0, QByteArray("\x41\xF7", 2));
    t.on(10, 0, 60, 100).on(0, 0, 62, 0).off(10, 9, 36).end();
    ASSERT_TRUE(load(smfFile(0, 96, {t})));
    EXPECT_EQ(song.facts.format, 1);
    EXPECT_EQ(song.facts.noteOnCounts, (std::vector<uint32_t>{0, 1, 1})); // velocity 0 not counted
    std::vector<uint32_t> tracks; // name, tempo, drum, sysex, two notes, drum
    for (const EventNode* n : eventsOf(-1)) tracks.push_back(n->track);
    EXPECT_EQ(tracks, (std::vector<uint32_t>{0, 0, 1, 0, 2, 2, 1}));
    LoadOptions keep;
    keep.splitFormat0 = false;
    ASSERT_TRUE(load(smfFile(0, 96, {t}), keep));
    EXPECT_EQ(song.facts.format, 0);
    EXPECT_EQ(song.facts.noteOnCounts, (std::vector<uint32_t>{3})); // velocity 0 counted
    EXPECT_EQ(song.facts.trackNames[0], QByteArray("Whole song"));
}

TEST_F(SongFiles, LyricMarksPointPastTheLineBreaks)
{
    TrackBuilder t;
    t.text(0, 5, "0123456789"); // 10 bytes of lyrics already
    t.text(7, 5, "/hello");
    t.text(0, 1, "a\\b"); // plain text used as lyrics
    t.on(0, 0, 60, 100).end();
    ASSERT_TRUE(load(smfFile(1, 96, {t})));
    EXPECT_EQ(song.facts.lyrics, QByteArray("0123456789\nhelloa\nb"));
    const auto v = eventsOf(-1);
    ASSERT_EQ(v.size(), 7u);
    std::vector<uint32_t> marks; // type, tick, offset and length of each mark
    for (const EventNode* n : {v[3], v[5]})
        marks.insert(marks.end(), {uint32_t(n->type()), uint32_t(n->tick),
                                   n->event.data.raw32.d[kMarkBytePosition],
                                   n->event.data.raw32.d[kMarkByteLength]});
    EXPECT_EQ(marks, (std::vector<uint32_t>{kTypeLyricMark, 7, 11, 5, kTypeTextMark, 7, 17, 2}));

    LoadOptions strict;
    strict.strictLyrics = true;
    ASSERT_TRUE(load(smfFile(1, 96, {t}), strict));
    EXPECT_EQ(song.facts.lyrics, QByteArray("0123456789\nhello"));
    EXPECT_EQ(eventsOf(-1).size(), 6u); // no mark for the plain text
}

TEST_F(SongFiles, NamesAndSignaturesAndTheirResetBetweenFiles)
{
    TrackBuilder t;
    t.text(0, 3, "Piano").text(0, 4, "Grand").text(0, 2, "(c) me");
    t.tempo(0, 400000).timeSig(0, 3, 2, 36, 8).keySig(0, -2, 1);
    t.tempo(10, 700000).timeSig(0, 6, 3, 12, 8).on(0, 0, 60, 1).end();
    ASSERT_TRUE(load(smfFile(1, 96, {t})));
    const FileFacts& f = song.facts;
    EXPECT_EQ(f.trackNames[0], QByteArray("(c) mePiano\nGrand"));
    // The first tempo, the last signatures.
    EXPECT_EQ(
        std::vector<int>({int(f.firstTempo), int(f.timeSigNumerator), int(f.timeSigDenominator),
                          int(f.clocksPerClick), f.keySharpsFlats, f.keyMode}),
        std::vector<int>({400000, 6, 8, 12, -2, 1}));

    TrackBuilder plain;
    plain.timeSig(0, 4, 40).on(0, 0, 60, 1).end(); // a denominator overflowing to 0
    ASSERT_TRUE(load(smfFile(1, 96, {plain})));
    EXPECT_EQ(f.firstTempo, kNoTempo);
    EXPECT_EQ(f.timeSigDenominator, 0u);
    EXPECT_EQ(f.keySharpsFlats, 0);
    EXPECT_EQ(song.events.size(), 2u); // the previous song is gone
}

TEST_F(SongFiles, FailuresAreReportedWithTheirTexts)
{
    EXPECT_FALSE(load(smfFile(1, 96, {TrackBuilder().tempo(0, 500000).end()}))); // no notes
    ASSERT_EQ(sink.shown.size(), 1);
    EXPECT_EQ(sink.shown[0].title, QStringLiteral("Clavion - Warning"));
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("Could not parse test.mid as a midi file."));

    // From disk under the busy cursor; a missing file fails quietly (the caller tells).
    sink.shown.clear();
    const std::string file = writeTempFile(smfFile(1, 96, {TrackBuilder().on(0, 0, 60, 1).end()}));
    EXPECT_TRUE(loadSong(QString::fromStdString(file), LoadOptions(), song));
    EXPECT_EQ(sink.busyDepth, 0);
    EXPECT_EQ(sink.busyCalls, 2);
    QFile::remove(QString::fromStdString(file));
    EXPECT_FALSE(loadSong(QString::fromStdString(file), LoadOptions(), song));
    EXPECT_TRUE(sink.shown.isEmpty());

    // A sysex without a byte after its F0 is written as it came, and named.
    const TrackBuilder empty = TrackBuilder().raw(QByteArray::fromHex("00F000 0090 3C40")).end();
    ASSERT_TRUE(load(smfFile(1, 96, {empty})));
    testing::internal::CaptureStderr();
    EXPECT_TRUE(writeSongFile(path("sysex.mid"), song.events, 1, 1, 96).ok);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unknown MIDI packet encountered.\n");
}

// What the fuzzer found: each file loads in 128 MB more address space than
// the test has (an 8-byte sysex claiming 256 MB reserved them all), and one
// that loads is saved from a prepared deck without swelling (a header
// announcing 65535 chunks for one made a 700 KB file of empty tracks).
TEST_F(SongFiles, EveryFuzzFindingLoadsAndSavesSafely)
{
    addDevices(1);
    QDir data(QStringLiteral(CLAVION_TEST_DATA "/regressions"));
    const QStringList names = data.entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        QFile file(data.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        struct rlimit saved, tight;
        ASSERT_EQ(::getrlimit(RLIMIT_AS, &saved), 0);
        tight = saved;
        QFile statm(QStringLiteral("/proc/self/statm")); // pages of address space in use
        ASSERT_TRUE(statm.open(QIODevice::ReadOnly));
        const long pages = statm.readAll().split(' ').value(0).toLong();
        tight.rlim_cur = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(128) << 20);
        ASSERT_EQ(::setrlimit(RLIMIT_AS, &tight), 0);
        bool loaded = false;
        try {
            loaded = load(bytes); // must neither crash nor leak
        } catch (const std::bad_alloc&) {
            ADD_FAILURE() << "out of memory";
        }
        ::setrlimit(RLIMIT_AS, &saved);
        EXPECT_TRUE(song.events.isSorted());
        if (!loaded) continue;
        ASSERT_EQ(prepareSong(deck), PrepareResult::Prepared);
        ASSERT_TRUE(saveSong(deck, path("saved.mid")));
        EXPECT_LE(QFileInfo(path("saved.mid")).size(), 16 * bytes.size() + 256);
    }
}

// Per track; lyric and text marks are the loader's, not the file's.
std::vector<std::vector<std::string>> byTrack(const Song& song)
{
    std::vector<std::vector<std::string>> tracks(size_t(song.facts.ntracks));
    for (const EventNode* n = song.events.head(); n; n = n->next)
        if (n->type() != kTypeLyricMark && n->type() != kTypeTextMark)
            tracks.at(n->track).push_back(describe(n));
    return tracks;
}

// Any file that loads comes back with the same events at the same ticks,
// written by the codec alone or saved from a prepared deck (division rounded).
TEST_F(SongFiles, GeneratedFilesComeBackIdentical)
{
    addDevices(0);
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const int format = seed % 3 == 0 ? 0 : 1;
        const QByteArray bytes = randomSmf(seed, format, format == 0 ? 1 : 1 + int(seed % 5), 300);
        for (bool split : {true, false}) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " split " + std::to_string(split));
            LoadOptions options;
            options.splitFormat0 = split;
            ASSERT_TRUE(load(bytes, options));
            const FileFacts& f = song.facts;
            ASSERT_TRUE(
                writeSongFile(path("codec.mid"), song.events, f.format, f.ntracks, f.division).ok);
            reload(path("codec.mid"), options);
            EXPECT_EQ(back.facts.lyrics, f.lyrics);
            // A split song comes back as format 1: equal ticks then follow track order.
            if (format == 1 || !split) {
                EXPECT_EQ(describeAll(song), describeAll(back));
                EXPECT_EQ(back.facts.trackNames, f.trackNames);
            } else {
                EXPECT_EQ(byTrack(song), byTrack(back));
            }
            ASSERT_EQ(prepareSong(deck), PrepareResult::Prepared);
            ASSERT_TRUE(saveSong(deck, path("saved.mid")));
            reload(path("saved.mid"), options);
            EXPECT_EQ(back.facts.division, deck.timing.tick4qn);
            EXPECT_EQ(byTrack(song), byTrack(back));
        }
    }
}

TEST_F(SongFiles, FreeTracksWithNotesAreBoundOnYesAndLeftOutOnNo)
{
    addDevices(3); // three keyboards, only the second one played
    LoadOptions keep;
    keep.splitFormat0 = false;
    ASSERT_TRUE(loadAndPrepare(
        smfFile(0, 96, {TrackBuilder().on(0, 0, 60, 100).off(9, 0, 60).end()}), keep));
    recordFree(1, 10, 20, 40);
    sink.answers = {No};
    ASSERT_TRUE(saveSong(deck, path("out.mid")));
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("Unbounded free tracks exist.\nDo you want to "
                                                 "include them in the saved file?\n"));
    EXPECT_EQ(reload(path("out.mid"), keep).facts.format, 0);
    sink.answers = {Yes};
    ASSERT_TRUE(saveSong(deck, path("take.mid")));
    EXPECT_EQ(reload(path("take.mid"), keep).facts.noteOnCounts, (std::vector<uint32_t>{1, 1}));
    EXPECT_EQ(back.facts.format, 1);      // a song that gained a track
    EXPECT_EQ(deck.tracks.freeTracks, 3); // every keyboard keeps its free track
}

// A write that fails half-way (the file size limit, like a full disk) keeps
// the old file, the modified flag and no temporary file.
TEST_F(SongFiles, FailuresKeepTheOldFileAndASuccessKeepsItsPermissionsAndLinks)
{
    addDevices(1);
    TrackBuilder t;
    for (int i = 0; i < 5000; ++i) t.on(1, 0, 60, 100);
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, {t.end()})));
    deck.setModified();
    const QString target = path("song.mid"), link = path("link.mid");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the user's song");
    }
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    auto old = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool failed = !saveSong(deck, target);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old);
    EXPECT_TRUE(failed);
    EXPECT_EQ(sink.texts().last(), QStringLiteral("Could not write song.mid as a midi file."));
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("the user's song"));
    EXPECT_TRUE(deck.modified());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "temporary left";

    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(saveSong(deck, link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_GT(st.st_size, 5000);

    EXPECT_FALSE(saveSong(deck, path("no/such/folder/x.mid")));
    EXPECT_TRUE(sink.texts().last().startsWith(QStringLiteral("Unable to open file")));

    // A close that fails (a full network disk) names the system's error.
    const struct {
        SmfWriteResult::Stage stage;
        int errorNumber;
        const char* printed;
        const char* shown;
    } rows[] = {{SmfWriteResult::Close, EIO, "Error 5 in fclose (Input/output error).\n", ""},
                {SmfWriteResult::Write, 0, "can't write file /m/s.mid\n",
                 "Could not write s.mid as a midi file."}};
    for (const auto& row : rows) {
        SmfWriteResult r;
        r.stage = row.stage;
        r.errorNumber = row.errorNumber;
        r.error = QString::fromLocal8Bit(std::strerror(row.errorNumber));
        sink.shown.clear();
        testing::internal::CaptureStderr();
        reportSaveFailure(r, QStringLiteral("/m/s.mid"));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), row.printed);
        EXPECT_EQ(sink.texts().join(QString()), QString::fromUtf8(row.shown));
    }
}

} // namespace
