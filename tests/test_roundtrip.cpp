#include "core/messages.h"
#include "smfbuilder.h"
#include "song/smfencode.h"
#include "song/songloader.h"
#include "songtext.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

std::vector<std::vector<std::string>> byTrack(const Song& song)
{
    std::vector<std::vector<std::string>> tracks(size_t(song.facts.ntracks));
    for (const EventNode* n = song.events.head(); n; n = n->next)
        tracks.at(n->track).push_back(describe(n));
    return tracks;
}

struct RoundTrip : ::testing::Test {
    ScriptedMessageSink sink;
    ScopedMessageSink installed{&sink};
    QTemporaryDir dir;
};

// Load, write with the codec, load again: the same events at the same ticks.
TEST_F(RoundTrip, GeneratedFilesComeBackIdentical)
{
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("out.mid"));
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const int format = seed % 3 == 0 ? 0 : 1;
        const QByteArray bytes = randomSmf(seed, format, format == 0 ? 1 : 1 + int(seed % 5), 300);
        for (bool split : {true, false}) {
            LoadOptions options;
            options.splitFormat0 = split;
            Song first;
            ASSERT_TRUE(loadSongFromBytes(bytes, QStringLiteral("in.mid"), options, first))
                << "seed " << seed;
            const FileFacts& f = first.facts;
            const SmfWriteResult written =
                writeSongFile(out, first.events, f.format, f.ntracks, f.division);
            ASSERT_TRUE(written.ok) << written.error.toStdString();
            Song second;
            ASSERT_TRUE(loadSong(out, options, second)) << "seed " << seed;
            EXPECT_EQ(second.facts.ntracks, f.ntracks);
            EXPECT_EQ(second.facts.lyrics, f.lyrics);
            if (format == 1 || !split) {
                EXPECT_EQ(describeAll(first), describeAll(second)) << "seed " << seed;
                EXPECT_EQ(second.facts.noteOnCounts, f.noteOnCounts);
                EXPECT_EQ(second.facts.trackNames, f.trackNames);
            } else {
                // A split song comes back as separate tracks: each track keeps its
                // events and ticks, but equal ticks now follow track order.
                EXPECT_EQ(byTrack(first), byTrack(second)) << "seed " << seed;
                EXPECT_EQ(second.facts.format, 1);
            }
        }
    }
    EXPECT_TRUE(sink.shown.isEmpty());
}

TEST_F(RoundTrip, RunningStatusMakesTheFileSmaller)
{
    TrackBuilder t;
    for (int i = 0; i < 100; ++i) t.on(1, 0, 60, 100);
    t.end();
    Song song;
    ASSERT_TRUE(loadSongFromBytes(smfFile(1, 96, {t}), QStringLiteral("x"), LoadOptions(), song));
    const QString out = dir.filePath(QStringLiteral("rs.mid"));
    ASSERT_TRUE(writeSongFile(out, song.events, 1, 1, 96).ok);
    // Header 14, chunk head 8, first event 4, 99 more of 3 bytes, end of track 4.
    EXPECT_EQ(QFileInfo(out).size(), 14 + 8 + 4 + 99 * 3 + 4);
}

// A write that fails half-way (here: the file size limit, like a full disk)
// reports the failure and leaves the old file as it was.
TEST_F(RoundTrip, AWriteFailingHalfWayKeepsTheOldSong)
{
    TrackBuilder t;
    for (int i = 0; i < 5000; ++i) t.on(1, 0, 60, 100);
    t.end();
    Song song;
    ASSERT_TRUE(loadSongFromBytes(smfFile(1, 96, {t}), QStringLiteral("x"), LoadOptions(), song));
    const QString target = dir.filePath(QStringLiteral("song.mid"));
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old song");
    }
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const SmfWriteResult r = writeSongFile(target, song.events, 1, 1, 96);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old song"));
    f.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "temporary left";

    // Without the limit the song replaces the file and keeps its permissions.
    ASSERT_TRUE(writeSongFile(target, song.events, 1, 1, 96).ok);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    Song back;
    EXPECT_TRUE(loadSong(target, LoadOptions(), back));
    EXPECT_EQ(back.events.size(), song.events.size());
}

TEST_F(RoundTrip, SavingThroughALinkReplacesItsTarget)
{
    TrackBuilder t;
    t.on(0, 0, 60, 100).end();
    Song song;
    ASSERT_TRUE(loadSongFromBytes(smfFile(1, 96, {t}), QStringLiteral("x"), LoadOptions(), song));
    const QString real = dir.filePath(QStringLiteral("real.mid"));
    const QString link = dir.filePath(QStringLiteral("link.mid"));
    QFile(real).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_TRUE(writeSongFile(link, song.events, 1, 1, 96).ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_GT(QFileInfo(real).size(), 0);

    // A device is written into, never replaced; /dev/full fails on the write.
    if (QFileInfo(QStringLiteral("/dev/full")).exists()) {
        const SmfWriteResult full =
            writeSongFile(QStringLiteral("/dev/full"), song.events, 1, 1, 96);
        EXPECT_FALSE(full.ok);
        struct stat st;
        ASSERT_EQ(::stat("/dev/full", &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
}

TEST_F(RoundTrip, EmptySysexIsReportedAndTheTrackGoesOn)
{
    Song song;
    TrackBuilder t;
    t.on(0, 0, 60, 100).end();
    ASSERT_TRUE(loadSongFromBytes(smfFile(1, 96, {t}), QStringLiteral("x"), LoadOptions(), song));
    EventNode* s = song.events.newNode();
    s->event.type = SND_SEQ_EVENT_SYSEX;
    s->tick = 5;
    auto* f0 = static_cast<unsigned char*>(std::malloc(1));
    f0[0] = 0xF0;
    s->event.data.ext.ptr = f0;
    s->event.data.ext.len = 1;
    song.events.insertSorted(s);
    EventNode* later = song.events.newNode();
    *later = *song.events.head();
    later->next = later->prev = nullptr;
    later->tick = 9;
    song.events.insertSorted(later);
    const QString out = dir.filePath(QStringLiteral("sx.mid"));
    ASSERT_TRUE(writeSongFile(out, song.events, 1, 1, 96).ok);
    Song back;
    ASSERT_TRUE(loadSong(out, LoadOptions(), back));
    const auto lines = describeAll(back);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].substr(0, 9), "0@5 t130 ");
    EXPECT_EQ(lines[2].substr(0, 6), "0@9 t6");
}

} // namespace
