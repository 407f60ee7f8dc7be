#include "core/devices.h"
#include "core/messages.h"
#include "song/deckmodel.h"
#include "song/preparation.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace
{

// The pairing rule as first written (a scan from every Note On), kept here to
// hold the one-pass version to exactly the same pairs, order and gaps.
std::pair<bool, bool> pairByScanning(EventList& list, uint32_t lo, uint32_t hi)
{
    std::vector<EventNode*> last(hi - lo, nullptr);
    bool flipped = false, errors = false;
    EventNode* groupStart = nullptr;
    for (EventNode* n = list.head(); n;) {
        if (n->track < lo || n->track >= hi) {
            n = n->next;
            continue;
        }
        if (!groupStart || n->tick > groupStart->tick) groupStart = n;
        EventNode* leaving = n;
        if (!n->isNoteOn() && n->type() != kTypeNoteOff) {
            n->partner = nullptr;
        } else if (n->isSoundingNoteOn()) {
            EventNode* off = nullptr;
            for (EventNode* p = groupStart; p != n && !off; p = p->next)
                if (p->isNoteOffEvent() && !p->partner && p->track == n->track &&
                    p->channel() == n->channel() && p->note() == n->note())
                    off = p;
            if (off) {
                list.swapPlaces(off, n);
                if (groupStart == off) groupStart = n;
                flipped = true;
                leaving = off;
            } else {
                off = list.findNoteOff(n);
            }
            n->partner = off;
            if (!off) {
                errors = true;
            } else {
                off->partner = n;
                n->noteGap =
                    last[n->track - lo] ? uint32_t(n->tick - last[n->track - lo]->tick) : kNoGap;
                last[n->track - lo] = n;
            }
        }
        if (leaving->altTick == kNoTick) leaving->altTick = leaving->tick;
        n = leaving->next;
    }
    return {flipped, errors};
}

// Everything pairing decides, by position in the list.
std::vector<std::string> outcome(const EventList& list)
{
    std::map<const EventNode*, int> index;
    int i = 0;
    for (const EventNode* n = list.head(); n; n = n->next) index[n] = i++;
    std::vector<std::string> out;
    for (const EventNode* n = list.head(); n; n = n->next)
        out.push_back(std::to_string(n->track) + "@" + std::to_string(n->tick) + " t" +
                      std::to_string(n->type()) + " c" + std::to_string(n->channel()) + " k" +
                      std::to_string(n->note()) + " v" + std::to_string(n->velocity()) + " p" +
                      std::to_string(n->partner ? index[n->partner] : -1) + " g" +
                      std::to_string(n->noteGap) + " a" + std::to_string(n->altTick));
    return out;
}

void randomEvents(uint32_t seed, Song& song)
{
    std::mt19937 rng(seed);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int count = pick(0, 160), spread = pick(1, 40);
    for (int i = 0; i < count; ++i) {
        EventNode* n = song.events.newNode();
        n->tick = uint64_t(pick(0, spread));
        n->track = uint32_t(pick(0, 3));
        const int kind = pick(0, 19);
        n->event.type = static_cast<snd_seq_event_type_t>(kind < 9    ? kTypeNoteOn
                                                          : kind < 15 ? kTypeNoteOff
                                                          : kind < 18 ? kTypeNoteOn
                                                                      : kTypeController);
        n->event.data.note.channel = static_cast<unsigned char>(pick(0, 1));
        n->event.data.note.note = static_cast<unsigned char>(pick(60, 62));
        n->event.data.note.velocity = static_cast<unsigned char>(kind >= 15 && kind < 18 ? 0 : 90);
        song.events.insertSorted(n);
    }
}

TEST(Pairing, OnePassPairsExactlyAsTheScanFromEveryNoteOn)
{
    ScriptedMessageSink sink;
    ScopedMessageSink installed(&sink);
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        for (bool freeTracks : {false, true}) {
            Song a, b;
            randomEvents(seed, a);
            randomEvents(seed, b);
            DeviceSet devices;
            DeckModel deck(a, devices);
            deck.tracks.fileTracks = freeTracks ? 2 : 3;
            deck.tracks.freeTracks = freeTracks ? 1 : 0;
            const uint32_t lo = freeTracks ? 2 : 0, hi = 3;
            // Twice: a kept take pairs an already paired song again.
            for (int pass = 0; pass < 2; ++pass) {
                sink.shown.clear();
                pairNotes(deck, freeTracks);
                const auto [flipped, errors] = pairByScanning(b.events, lo, hi);
                ASSERT_EQ(outcome(a.events), outcome(b.events)) << seed << " pass " << pass;
                QStringList expected;
                if (flipped)
                    expected << QStringLiteral(
                        "Zero length flipped notes detected and corrected in .");
                if (errors) expected << QStringLiteral("Errors were found while parsing .");
                ASSERT_EQ(sink.texts(), expected) << seed;
            }
        }
    }
}

// Hostile layouts against an ordinary song of as many Note Ons: one key
// struck 20,000 times at one tick (released a beat later), drum hits without
// Note Offs, and ordinary notes of one beat each.
double bestPrepareSeconds(int layout)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        Song song;
        song.facts.ntracks = 1;
        song.facts.division = 96;
        song.facts.noteOnCounts = {20000};
        std::vector<EventNode*> nodes;
        for (int i = 0; i < 20000; ++i) {
            const uint64_t on = layout == 0 ? 0 : uint64_t(i) * 96;
            for (int part = 0; part < (layout == 1 ? 1 : 2); ++part) {
                EventNode* n = song.events.newNode();
                n->tick = part == 0 ? on : on + 96;
                n->event.type =
                    static_cast<snd_seq_event_type_t>(part == 0 ? kTypeNoteOn : kTypeNoteOff);
                n->event.data.note.note =
                    static_cast<unsigned char>(layout == 2 ? 40 + i % 40 : 60);
                n->event.data.note.velocity = 90;
                nodes.push_back(n);
            }
        }
        std::stable_sort(nodes.begin(), nodes.end(),
                         [](const EventNode* a, const EventNode* b) { return a->tick < b->tick; });
        for (EventNode* n : nodes) song.events.insertSorted(n);
        DeviceSet devices;
        DeckModel deck(song, devices);
        const auto start = std::chrono::steady_clock::now();
        prepareSong(deck);
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

TEST(Pairing, HostileLayoutsCostNoMoreThanOrdinaryNotes)
{
    ScriptedMessageSink sink;
    ScopedMessageSink installed(&sink);
    const double ordinary = bestPrepareSeconds(2);
    for (int layout : {0, 1})
        EXPECT_LT(bestPrepareSeconds(layout), 10 * ordinary + 0.005) << "layout " << layout;
}

} // namespace
