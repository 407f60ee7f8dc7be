#include "app/democatalogue.h"
#include "core/devices.h"
#include "core/messages.h"
#include "core/midi.h"
#include "resources/resources.h"
#include "song/deckmodel.h"
#include "song/handsplit.h"
#include "song/preparation.h"
#include "song/songloader.h"
#include "song/trackediting.h"

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
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

// Demos whose two hands are on tracks of their own, merged into one track on
// one channel as most piano files have them, and split again: the share of
// notes back in their own hand, against the best a fixed split key does on
// the same song. "apart" is the most any split that keeps the hands apart
// inside a chord could get; where a generated accompaniment lies over the
// melody (below 95 %) no pianist plays it as written, and the song is shown
// but not counted.
TEST(Demos, MergedHandsSplitBackIntoTheirHands)
{
    const char* const pieces[] = {
        "mary_had_a_little_lamb.mid",
        "london_bridge.mid",
        "ode_to_joy.mid",
        "minuet_in_g.mid",
        "brahms_lullaby.mid",
        "auld_lang_syne.mid",
        "drunken_sailor.mid",
        "jesu_joy.mid",
        "fur_elise.mid",
        "prelude_in_c.mid",
        "sonata_in_c.mid",
        "entertainer.mid",
        "rondo_alla_turca.mid",
        "bumblebee.mid",
    };
    ScriptedMessageSink sink;
    ScopedMessageSink installed(&sink);
    int allRight = 0, allNotes = 0, allBaseline = 0, counted = 0;
    std::printf("%-28s %6s %7s %7s %9s\n", "song", "notes", "apart", "split", "best key");
    for (const char* piece : pieces) {
        SCOPED_TRACE(piece);
        QFile file(QStringLiteral(":/qembedfiles/") + QString::fromLatin1(piece));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        Song song;
        DeviceSet devices;
        DeckModel deck(song, devices);
        ASSERT_TRUE(
            loadSongFromBytes(file.readAll(), QString::fromLatin1(piece), LoadOptions(), song));
        prepareSong(deck);
        ASSERT_EQ(deck.tracks.boundTracks, 2);
        std::map<const EventNode*, Hand> truth;
        for (int d = 0; d < 2; ++d) {
            remapChannel(deck, d, 0);
            const uint32_t track = uint32_t(deck.tracks.storeTrackOf(d));
            for (const EventNode* n = song.events.head(); n; n = n->next)
                if (n->track == track && n->isSoundingNoteOn())
                    truth[n] = d == 0 ? Hand::Right : Hand::Left;
        }
        deck.selected = {1, 1};
        sink.answers = {Yes};
        ASSERT_EQ(mergeBound(deck), 1);
        const HandSplitPlan plan = planHandSplit(deck, 0, kAutomaticSplit);
        ASSERT_TRUE(plan.refusal.isEmpty());
        ASSERT_EQ(plan.notes.size(), truth.size());

        int right = 0;
        std::vector<int> keyRight(129, 0); // what a split at each key gets right
        std::map<uint64_t, std::vector<std::pair<int, bool>>> chords; // pitch, left
        for (size_t i = 0; i < plan.notes.size(); ++i) {
            const EventNode* n = plan.notes[i];
            const Hand h = truth.at(n);
            right += plan.hands[i] == h;
            for (int key = 0; key <= 128; ++key)
                keyRight[size_t(key)] += (n->note() >= key) == (h == Hand::Right);
            chords[n->tick].push_back({n->note(), h == Hand::Left});
        }
        int apart = 0;
        for (auto& chord : chords) {
            std::vector<std::pair<int, bool>>& c = chord.second;
            std::sort(c.begin(), c.end());
            int best = 0;
            for (size_t s = 0; s <= c.size(); ++s) {
                int fits = 0;
                for (size_t i = 0; i < c.size(); ++i) fits += (i < s) == c[i].second;
                best = std::max(best, fits);
            }
            apart += best;
        }
        const int notes = int(plan.notes.size());
        const int baseline = *std::max_element(keyRight.begin(), keyRight.end());
        const bool playable = apart >= notes * 95 / 100;
        std::printf("%-28s %6d %6.1f%% %6.1f%% %8.1f%%%s\n", piece, notes, 100.0 * apart / notes,
                    100.0 * right / notes, 100.0 * baseline / notes,
                    playable ? "" : "  (not counted)");
        if (!playable) continue;
        EXPECT_GE(right, notes * 85 / 100);
        allRight += right;
        allNotes += notes;
        allBaseline += baseline;
        ++counted;
    }
    std::printf("%-28s %6d %7s %6.1f%% %8.1f%%\n", "counted songs", allNotes, "",
                100.0 * allRight / allNotes, 100.0 * allBaseline / allNotes);
    EXPECT_GE(counted, 10);
    EXPECT_GE(allRight, allNotes * 95 / 100);
}
