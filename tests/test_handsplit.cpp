#include "deckfixture.h"
#include "song/handsplit.h"
#include "song/songsaver.h"

#include <map>

namespace
{

// A two-hand piano track between a conductor track and two more bound
// tracks, one of them drums, and one keyboard (so one free track).
struct HandSplitting : DeckFixture {
    void SetUp() override
    {
        if (devices.inputs.empty()) addDevices(1);
        TrackBuilder conductor, piano, flute, drums;
        conductor.tempo(0, 500000).end();
        piano.text(0, 3, "Piano").channel(0, 0xC0, {5}).channel(0, 0xB0, {64, 127});
        piano.on(0, 0, 48, 80).on(0, 0, 52, 80).on(0, 0, 72, 90);
        piano.channel(24, 0xA0, {48, 30}); // key pressure on the left hand's C3
        piano.off(24, 0, 72).on(0, 0, 76, 90);
        piano.off(48, 0, 48).off(0, 0, 52).off(0, 0, 76).on(0, 0, 43, 80).on(0, 0, 67, 90);
        piano.channel(96, 0xB0, {64, 0}).off(0, 0, 43).off(0, 0, 67).end();
        flute.on(0, 1, 80, 70).off(96, 1, 80).end();
        drums.on(0, 9, 36, 100).off(48, 9, 36).end();
        ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, {conductor, piano, flute, drums})));
        ASSERT_EQ(deck.tracks.boundTracks, 3);
    }
    // Sounding notes per track and key: note-ons less note-offs.
    std::map<std::pair<uint32_t, int>, int> balance() const
    {
        std::map<std::pair<uint32_t, int>, int> out;
        for (const EventNode* n : eventsOf(-1)) {
            if (n->isSoundingNoteOn()) ++out[{n->track, n->note()}];
            if (n->isNoteOffEvent()) --out[{n->track, n->note()}];
        }
        return out;
    }
};

TEST_F(HandSplitting, TheTrackBecomesTwoThatSaveAndLoadBack)
{
    for (int key : {60, kAutomaticSplit}) {
        SCOPED_TRACE(key);
        SetUp();
        bool resized = false;
        deck.resizeRequested = [&resized] { resized = true; };
        const HandSplitPlan plan = planHandSplit(deck, 0, key);
        ASSERT_TRUE(plan.refusal.isEmpty());
        EXPECT_EQ(std::make_pair(plan.rightNotes, plan.leftNotes), std::make_pair(3, 3));
        ASSERT_EQ(applyHandSplit(deck, plan), 2);

        // The program and the pedal on both; key pressure and note-offs with their notes.
        EXPECT_EQ(text(1), "t138@0 pc0@0 t10@0 on72/90@0 off72@48 on76/90@48 off76@96 "
                           "on67/90@96 t10@192 off67@192");
        EXPECT_EQ(text(2), "t138@0 pc0@0 t10@0 on48/80@0 on52/80@0 t8@24 off48@96 off52@96 "
                           "on43/80@96 t10@192 off43@192");
        EXPECT_EQ(text(3), "on80/70@0 off80@96");
        EXPECT_EQ(deck.tracks.boundTracks, 4);
        EXPECT_EQ(deck.tracks.displayMap, (std::vector<int>{-2, 0, 1, 2, 3}));
        EXPECT_EQ(deck.tracks.storeTrackOf(4), 5); // the free track moved up too
        EXPECT_EQ(deck.tracks.noteOnCount, (std::vector<uint32_t>{3, 3, 1, 1, 0}));
        EXPECT_EQ(deck.tracks.channelPattern[1], deck.tracks.channelPattern[0]);
        EXPECT_EQ(deck.tracks.keyboard.size(), 5u);
        // Clusters are made per track again: the left hand's chord is one.
        EXPECT_EQ(eventsOf(2)[4]->noteGap, 0u);
        EXPECT_EQ(eventsOf(2)[8]->noteGap, 96u);
        EXPECT_TRUE(song.events.isSorted());
        EXPECT_TRUE(deck.modified());
        EXPECT_TRUE(resized);
        for (const auto& b : balance()) EXPECT_EQ(b.second, 0) << b.first.first;

        const std::string path = writeTempFile(QByteArray());
        ASSERT_TRUE(saveSong(deck, QString::fromStdString(path)));
        Song saved;
        ASSERT_TRUE(loadSong(QString::fromStdString(path), LoadOptions(), saved));
        EXPECT_EQ(saved.facts.trackNames[1], "Piano (right hand)");
        EXPECT_EQ(saved.facts.trackNames[2], "Piano (left hand)");
        EXPECT_EQ(saved.facts.noteOnCounts, (std::vector<uint32_t>{0, 3, 3, 1, 1}));
    }
}

// What a user's file can hold: one hand only, drums, a chord no two hands
// can reach, a long note held while the other notes change hands, and a
// plan an edit has outlived.
TEST_F(HandSplitting, EdgeCases)
{
    // One hand: the track is only renamed.
    HandSplitPlan plan = planHandSplit(deck, 0, 30);
    EXPECT_EQ(plan.leftNotes, 0);
    EXPECT_EQ(applyHandSplit(deck, plan), 1);
    EXPECT_EQ(deck.tracks.boundTracks, 3);
    EXPECT_EQ(song.facts.trackNames[1], "Piano (right hand)");
    EXPECT_TRUE(deck.modified());

    // Drums and free tracks are refused, with a reason for the user.
    EXPECT_EQ(planHandSplit(deck, 2, kAutomaticSplit).refusal.toStdString(),
              "Track #3 plays drums on channel 10: drums have no hands to split.");
    EXPECT_FALSE(planHandSplit(deck, 3, 60).refusal.isEmpty());
    EXPECT_EQ(applyHandSplit(deck, planHandSplit(deck, 2, 60)), 0);

    // A plan made before an edit removed events is not applied.
    plan = planHandSplit(deck, 1, 60);
    song.events.release(const_cast<EventNode*>(eventsOf(2).back()));
    EXPECT_EQ(applyHandSplit(deck, plan), 0);
    EXPECT_EQ(deck.tracks.boundTracks, 3);
}

// The automatic split on note lists as a pianist would read them.
TEST(AutomaticHandSplit, FollowsTheMusic)
{
    // A quarter is 96 ticks; notes are {start, end, pitch}.
    const auto line = [](std::initializer_list<int> pitches, uint64_t from, uint64_t step) {
        std::vector<HandNote> out;
        for (int p : pitches) {
            out.push_back({from, from + step, p});
            from += step;
        }
        return out;
    };
    const auto merged = [](std::vector<HandNote> a, const std::vector<HandNote>& b) {
        a.insert(a.end(), b.begin(), b.end());
        std::stable_sort(a.begin(), a.end(),
                         [](const HandNote& x, const HandNote& y) { return x.start < y.start; });
        return a;
    };
    const auto hands = [](const std::vector<HandNote>& notes) {
        std::string s;
        for (Hand h : assignHands(notes, 12)) s += h == Hand::Right ? 'R' : 'L';
        return s;
    };
    // A melody alone, high or crossing middle C, is one hand's.
    EXPECT_EQ(hands(line({67, 65, 64, 62, 60, 59, 57, 55, 57, 59, 60, 64}, 0, 96)),
              std::string(12, 'R'));
    // A bass line alone is the left hand's.
    EXPECT_EQ(hands(line({36, 43, 41, 38, 36, 31, 33, 36}, 0, 96)), std::string(8, 'L'));

    // A descending line crossing middle C over a low bass stays in its hand.
    std::vector<HandNote> song =
        merged(line({72, 71, 69, 67, 65, 64, 62, 60, 59, 57, 59, 60}, 0, 48),
               line({36, 31, 36, 31}, 0, 144));
    std::string expect;
    for (const HandNote& n : song) expect += n.pitch >= 55 ? 'R' : 'L';
    EXPECT_EQ(hands(song), expect);

    // A bass held over eight beats while the left hand plays on above it
    // and the right hand runs down across the middle.
    song = merged(line({36}, 0, 768), line({48, 52, 55, 48, 52, 55, 48, 52}, 0, 96));
    song = merged(song, line({76, 74, 72, 71, 69, 67, 65, 64, 62, 64, 65, 67}, 48, 60));
    expect.clear();
    for (const HandNote& n : song) expect += n.pitch >= 60 ? 'R' : 'L';
    EXPECT_EQ(hands(song), expect);

    // A chord wider than two hands: still parted, the hands never crossed.
    std::vector<HandNote> wide;
    for (int p = 24; p <= 96; p += 4) wide.push_back({0, 96, p});
    const std::string w = hands(wide);
    EXPECT_EQ(w.find_last_of('L') + 1, w.find_first_of('R')) << w;
    EXPECT_NE(w.find('L'), std::string::npos);
}

} // namespace
