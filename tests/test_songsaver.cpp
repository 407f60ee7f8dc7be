#include "deckfixture.h"
#include "song/smfencode.h"
#include "song/songsaver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace
{

// Per track; lyric and text marks are the loader's, not the file's.
std::vector<std::vector<std::string>> byTrack(const Song& song)
{
    std::vector<std::vector<std::string>> tracks(size_t(song.facts.ntracks));
    for (const EventNode* n = song.events.head(); n; n = n->next)
        if (n->type() != kTypeLyricMark && n->type() != kTypeTextMark)
            tracks.at(n->track).push_back(describe(n));
    return tracks;
}

struct Saving : DeckFixture {
    QTemporaryDir dir;
    Song reloaded;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    const Song& reload(const QString& file, LoadOptions options = LoadOptions())
    {
        EXPECT_TRUE(loadSong(file, options, reloaded));
        return reloaded;
    }
};

// Any file that loads comes back with the same events at the same ticks,
// written by the codec alone or saved from a prepared deck (division rounded).
TEST_F(Saving, GeneratedFilesComeBackIdentical)
{
    addDevices(0);
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const int format = seed % 3 == 0 ? 0 : 1;
        const QByteArray bytes = randomSmf(seed, format, format == 0 ? 1 : 1 + int(seed % 5), 300);
        for (bool split : {true, false}) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " split " + std::to_string(split));
            LoadOptions options;
            options.splitFormat0 = split;
            ASSERT_TRUE(loadSongFromBytes(bytes, QStringLiteral("in.mid"), options, song));
            const FileFacts& f = song.facts;
            ASSERT_TRUE(
                writeSongFile(path("codec.mid"), song.events, f.format, f.ntracks, f.division).ok);
            const Song& back = reload(path("codec.mid"), options);
            EXPECT_EQ(back.facts.ntracks, f.ntracks);
            EXPECT_EQ(back.facts.lyrics, f.lyrics);
            // A split song comes back as format 1: equal ticks then follow track order.
            if (format == 1 || !split) {
                EXPECT_EQ(describeAll(song), describeAll(back));
                EXPECT_EQ(back.facts.noteOnCounts, f.noteOnCounts);
            } else {
                EXPECT_EQ(byTrack(song), byTrack(back));
            }
            if (format == 1) {
                EXPECT_EQ(back.facts.trackNames, f.trackNames);
            }

            ASSERT_EQ(prepareSong(deck), PrepareResult::Prepared);
            ASSERT_TRUE(saveSong(deck, path("saved.mid")));
            reload(path("saved.mid"), options);
            EXPECT_EQ(back.facts.division, deck.timing.tick4qn);
            EXPECT_EQ(byTrack(song), byTrack(back));
        }
    }
}

TEST_F(Saving, ANewSongHoldsSignatureTempoAndTune)
{
    newSong(120, 3, 3, 90, song);
    addDevices(1);
    ASSERT_EQ(prepareSong(deck), PrepareResult::Prepared);
    for (const EventNode* n = song.events.head(); n; n = n->next)
        if (isChannelEvent(n->type())) {
            EXPECT_EQ(n->tempo, 666666u);
        }
    ASSERT_TRUE(saveSong(deck, path("new.mid")));
    const Song& back = reload(path("new.mid"));
    EXPECT_EQ(back.facts.division, 120);
    EXPECT_EQ(back.facts.firstTempo, 666666u);
    EXPECT_EQ(back.facts.timeSigNumerator, 3u);
    EXPECT_EQ(back.facts.timeSigDenominator, 8u);
    EXPECT_EQ(back.events.tail()->tick, 840u);
    EXPECT_EQ(back.facts.noteOnCounts, (std::vector<uint32_t>{7}));
}

TEST_F(Saving, SplitFormat0IsSavedAsFormat1AndDivisionIsRounded)
{
    addDevices(1);
    TrackBuilder t;
    t.text(0, 5, "/la\\la").on(0, 9, 36, 100).on(0, 0, 60, 100).off(100, 9, 36).off(0, 0, 60);
    ASSERT_TRUE(loadAndPrepare(smfFile(0, 100, {t.end()})));
    ASSERT_TRUE(saveSong(deck, path("split.mid")));
    const Song& back = reload(path("split.mid"));
    EXPECT_EQ(back.facts.format, 1);
    EXPECT_EQ(back.facts.ntracks, 3);
    EXPECT_EQ(back.facts.division, 96);
    EXPECT_EQ(back.events.tail()->tick, 96u); // the ticks follow the division
    const EventNode* text = back.events.head();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(text->data())), QByteArray("/la\\la"));
    EXPECT_FALSE(deck.modified());
}

TEST_F(Saving, FreeTracksWithNotesAreBoundOnYesAndLeftOutOnNo)
{
    addDevices(3); // three keyboards, only the second one played
    LoadOptions keep;
    keep.splitFormat0 = false;
    ASSERT_TRUE(loadAndPrepare(
        smfFile(0, 96, {TrackBuilder().on(0, 0, 60, 100).off(9, 0, 60).end()}), keep));
    recordFree(1, 10, 20, 40);
    sink.answers = {No};
    ASSERT_TRUE(saveSong(deck, path("out.mid")));
    EXPECT_EQ(sink.shown[0].kind, MessageKind::Question);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("Unbounded free tracks exist.\nDo you want to "
                                                 "include them in the saved file?\n"));
    EXPECT_EQ(reload(path("out.mid"), keep).facts.format, 0);
    EXPECT_EQ(deck.tracks.freeTracks, 3); // still there, unbound

    sink.answers = {Yes};
    ASSERT_TRUE(saveSong(deck, path("take.mid")));
    const Song& back = reload(path("take.mid"), keep);
    EXPECT_EQ(back.facts.format, 1); // a song that gained a track
    EXPECT_EQ(back.facts.noteOnCounts, (std::vector<uint32_t>{1, 1}));
    EXPECT_EQ(deck.tracks.freeTracks, 3); // every keyboard keeps its free track
}

// A write that fails half-way (the file size limit, like a full disk) keeps
// the old file, the modified flag and no temporary file.
TEST_F(Saving, FailuresKeepTheOldFileAndASuccessKeepsItsPermissions)
{
    addDevices(1);
    TrackBuilder t;
    for (int i = 0; i < 5000; ++i) t.on(1, 0, 60, 100);
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, {t.end()})));
    deck.setModified();
    const QString target = path("song.mid");
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

    ASSERT_TRUE(saveSong(deck, target));
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // Running status: header 14, chunk head 8, first event 4, 4999 more of 3, end 4.
    EXPECT_EQ(st.st_size, 14 + 8 + 4 + 4999 * 3 + 4);

    EXPECT_FALSE(saveSong(deck, path("no/such/folder/x.mid")));
    EXPECT_TRUE(
        sink.texts().last().startsWith(QStringLiteral("Unable to open file %1 for writing :\n")
                                           .arg(path("no/such/folder/x.mid"))));
}

TEST_F(Saving, ALinkKeepsPointingAtTheSongAndADeviceIsWrittenInto)
{
    ASSERT_TRUE(loadSongFromBytes(smfFile(1, 96, {TrackBuilder().on(0, 0, 60, 100).end()}),
                                  QStringLiteral("x"), LoadOptions(), song));
    const QString real = path("real.mid"), link = path("link.mid");
    QFile(real).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_TRUE(writeSongFile(link, song.events, 1, 1, 96).ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_GT(QFileInfo(real).size(), 0);
    // /dev/full fails on the write and stays a device.
    if (QFileInfo::exists(QStringLiteral("/dev/full"))) {
        EXPECT_FALSE(writeSongFile(QStringLiteral("/dev/full"), song.events, 1, 1, 96).ok);
        struct stat st;
        ASSERT_EQ(::stat("/dev/full", &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
}

TEST_F(Saving, AnEmptySysexIsWrittenAndTheTrackGoesOn)
{
    ASSERT_TRUE(loadSongFromBytes(smfFile(1, 96, {TrackBuilder().on(0, 0, 60, 100).end()}),
                                  QStringLiteral("x"), LoadOptions(), song));
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
    ASSERT_TRUE(writeSongFile(path("sx.mid"), song.events, 1, 1, 96).ok);
    const auto lines = describeAll(reload(path("sx.mid")));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].substr(0, 9), "0@5 t130 ");
    EXPECT_EQ(lines[2].substr(0, 6), "0@9 t6");
}

} // namespace
