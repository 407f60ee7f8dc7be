#include "app/democatalogue.h"
#include "core/messages.h"
#include "core/midi.h"
#include "resources/resources.h"
#include "song/songloader.h"

#include <QFile>
#include <algorithm>
#include <gtest/gtest.h>
#include <set>

// Every demo the menu offers must open quietly from the resources and hold
// exactly the tracks its menu entry announces; together they cover the groups,
// the track counts and the kinds of file the program has to cope with.
TEST(Demos, EveryDemoLoadsAsAnnounced)
{
    ScriptedMessageSink sink;
    ScopedMessageSink installed(&sink);

    const std::vector<DemoSong>& demos = demoCatalogue();
    ASSERT_EQ(demos.size(), 37u);
    int perGroup[4] = {};
    std::set<int> counts;
    int withLyrics = 0, withDrums = 0, format0 = 0;
    for (size_t i = 0; i < demos.size(); ++i) {
        const DemoSong& demo = demos[i];
        SCOPED_TRACE(demo.file);
        ASSERT_TRUE(demo.group >= 0 && demo.group < 4);
        ASSERT_TRUE(i == 0 || demos[i - 1].group <= demo.group) << "groups out of order";
        ++perGroup[demo.group];
        counts.insert(demo.tracks);

        QFile file(QStringLiteral(":/qembedfiles/") + QString::fromLatin1(demo.file));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        Song song;
        ASSERT_TRUE(loadSongFromBytes(bytes, QString::fromLatin1(demo.file), LoadOptions(), song));
        EXPECT_TRUE(sink.shown.isEmpty()) << sink.texts().join('\n').toStdString();

        const auto& notes = song.facts.noteOnCounts;
        EXPECT_EQ(std::count_if(notes.begin(), notes.end(), [](uint32_t n) { return n > 0; }),
                  demo.tracks);
        EXPECT_NE(song.facts.firstTempo, kNoTempo);
        withLyrics += !song.facts.lyrics.isEmpty();
        format0 += bytes.size() > 9 && bytes[8] == 0 && bytes[9] == 0;
        for (const EventNode* n = song.events.head(); n; n = n->next) {
            if (n->isSoundingNoteOn() && n->channel() == kDrumChannel) {
                ++withDrums;
                break;
            }
        }
    }
    EXPECT_EQ(std::vector<int>(perGroup, perGroup + 4), (std::vector<int>{5, 9, 16, 7}));
    EXPECT_EQ(counts, (std::set<int>{1, 2, 3, 4, 5, 7, 8, 9}));
    EXPECT_GE(withLyrics, 4);
    EXPECT_GE(withDrums, 1);
    EXPECT_GE(format0, 1);
}
