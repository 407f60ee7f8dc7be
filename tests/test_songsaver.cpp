#include "deckfixture.h"
#include "song/songsaver.h"
#include "song/trackediting.h"
#include "songtext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>

namespace {

struct Saving : DeckFixture {
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    Song reloaded;
    const Song& reload(const QString& file)
    {
        EXPECT_TRUE(loadSong(file, LoadOptions(), reloaded));
        return reloaded;
    }
};

TEST_F(Saving, NewSongHoldsSignatureTempoAndTune)
{
    newSong(120, 3, 3, 90, song);
    addDevices(1);
    ASSERT_EQ(prepareSong(deck), PrepareResult::Prepared);
    ASSERT_TRUE(saveSong(deck, path("new.mid")));
    const Song& back = reload(path("new.mid"));
    EXPECT_EQ(back.facts.format, 1);
    EXPECT_EQ(back.facts.division, 120);
    EXPECT_EQ(back.facts.firstTempo, 666666u);
    EXPECT_EQ(back.facts.timeSigNumerator, 3u);
    EXPECT_EQ(back.facts.timeSigDenominator, 8u);
    const EventNode* ts = back.events.head();
    ASSERT_EQ(ts->type(), kTypeTimeSign);
    EXPECT_EQ(std::vector<int>(ts->event.data.raw8.d, ts->event.data.raw8.d + 4),
              (std::vector<int>{3, 3, 24, 8}));
    EXPECT_EQ(back.events.tail()->tick, 840u);
    EXPECT_EQ(back.facts.noteOnCounts, (std::vector<uint32_t>{7}));
    // Every note is stamped with the new song's tempo.
    for (const Song* s : std::initializer_list<const Song*>{&back, &song})
        for (const EventNode* n = s->events.head(); n; n = n->next)
            if (isChannelEvent(n->type())) {
                EXPECT_EQ(n->tempo, 666666u);
            }
}

TEST_F(Saving, SplitFormat0IsSavedAsFormat1AndDivisionIsRounded)
{
    addDevices(1);
    TrackBuilder t;
    t.text(0, 5, "/la\\la").on(0, 9, 36, 100).on(0, 0, 60, 100).off(100, 9, 36).off(0, 0, 60).end();
    ASSERT_TRUE(loadAndPrepare(smfFile(0, 100, {t})));
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

TEST_F(Saving, Format0WithABoundTrackBecomesFormat1)
{
    addDevices(1);
    TrackBuilder t;
    t.on(0, 0, 60, 100).off(100, 0, 60).end();
    LoadOptions keep;
    keep.splitFormat0 = false;
    ASSERT_TRUE(loadAndPrepare(smfFile(0, 96, {t}), keep));
    recordFree(0, 10, 20, 40);
    sink.answers = {Yes}; // include the free track
    ASSERT_TRUE(saveSong(deck, path("grown.mid")));
    EXPECT_EQ(sink.shown[0].kind, MessageKind::Question);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("Unbounded free tracks exist.\nDo you want to "
                                                 "include them in the saved file?\n"));
    const Song& back = reload(path("grown.mid"));
    EXPECT_EQ(back.facts.format, 1);
    EXPECT_EQ(back.facts.ntracks, 2);
    EXPECT_EQ(back.facts.noteOnCounts, (std::vector<uint32_t>{1, 1}));
}

TEST_F(Saving, YesBindsTheFreeTracksThatHoldNotes)
{
    addDevices(3); // three keyboards, only the second one played
    TrackBuilder t;
    t.on(0, 0, 60, 100).off(100, 0, 60).end();
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, {t})));
    recordFree(1, 10, 20, 40);
    sink.answers = {Yes};
    ASSERT_TRUE(saveSong(deck, path("take.mid")));
    const Song& back = reload(path("take.mid"));
    ASSERT_EQ(back.facts.ntracks, 2);
    EXPECT_EQ(back.facts.noteOnCounts, (std::vector<uint32_t>{1, 1}));
    EXPECT_EQ(deck.tracks.freeTracks, 3); // every keyboard keeps its free track
}

TEST_F(Saving, AnsweringNoLeavesFreeTracksOut)
{
    addDevices(1);
    TrackBuilder t;
    t.on(0, 0, 60, 100).off(100, 0, 60).end();
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, {t})));
    recordFree(0, 10, 20, 40);
    sink.answers = {No};
    ASSERT_TRUE(saveSong(deck, path("out.mid")));
    EXPECT_EQ(reload(path("out.mid")).facts.ntracks, 1);
    EXPECT_EQ(deck.tracks.freeTracks, 1); // still there, unbound
}

TEST_F(Saving, FailuresKeepTheOldFileAndTheModifiedFlag)
{
    addDevices(1);
    TrackBuilder t;
    for (int i = 0; i < 3000; ++i) t.on(1, 0, 60, 100).off(1, 0, 60);
    t.end();
    ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, {t})));
    deck.setModified();
    const QString target = path("song.mid");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the user's song");
    }
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    auto old = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved1 = saveSong(deck, target);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old);
    EXPECT_FALSE(saved1);
    EXPECT_EQ(sink.texts().last(), QStringLiteral("Could not write song.mid as a midi file."));
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("the user's song"));
    EXPECT_TRUE(deck.modified());

    EXPECT_FALSE(saveSong(deck, path("no/such/folder/x.mid")));
    EXPECT_TRUE(sink.texts().last().startsWith(
        QStringLiteral("Unable to open file %1 for writing :\n").arg(path("no/such/folder/x.mid"))));
}

// Any file that loads saves to a file that loads again to the same events at
// the same ticks, with the division rounded.
TEST_F(Saving, GeneratedFilesSurviveLoadPrepareSave)
{
    addDevices(0);
    for (uint32_t seed = 100; seed < 130; ++seed) {
        const int format = seed % 4 == 0 ? 0 : 1;
        const QByteArray bytes = randomSmf(seed, format, format ? 1 + int(seed % 4) : 1, 200);
        for (bool split : {true, false}) {
            LoadOptions options;
            options.splitFormat0 = split;
            ASSERT_TRUE(loadAndPrepare(bytes, options)) << seed;
            ASSERT_TRUE(saveSong(deck, path("round.mid"))) << seed;
            const Song& back = reloaded;
            ASSERT_TRUE(loadSong(path("round.mid"), options, reloaded)) << seed;
            EXPECT_EQ(back.facts.division, deck.timing.tick4qn);
            // Each track keeps its events in order at the same ticks; marks aside.
            std::vector<std::vector<std::string>> before(size_t(song.facts.ntracks)),
                after(size_t(back.facts.ntracks));
            for (const EventNode* n = song.events.head(); n; n = n->next)
                if (n->type() != kTypeLyricMark && n->type() != kTypeTextMark)
                    before.at(n->track).push_back(describe(n));
            for (const EventNode* n = back.events.head(); n; n = n->next)
                if (n->type() != kTypeLyricMark && n->type() != kTypeTextMark)
                    after.at(n->track).push_back(describe(n));
            EXPECT_EQ(before, after) << "seed " << seed << " split " << split;
        }
    }
}

} // namespace
