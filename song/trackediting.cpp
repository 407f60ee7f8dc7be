#include "song/trackediting.h"

#include "core/devices.h"
#include "core/messages.h"
#include "core/programname.h"
#include "song/deckmodel.h"
#include "song/preparation.h"
#include "song/songnames.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace
{

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(TrackEditing)
};

int clamp127(int v)
{
    return std::clamp(v, 0, 127);
}

template <typename T> void eraseAt(std::vector<T>& v, int i)
{
    if (i >= 0 && i < int(v.size())) v.erase(v.begin() + i);
}

template <typename T> void insertAt(std::vector<T>& v, int i, int count, const T& value)
{
    v.insert(v.begin() + std::min<int>(i, int(v.size())), size_t(count), value);
}

void eraseAt(AtomicTicks& v, int i)
{
    if (i >= 0) v.erase(size_t(i));
}

void insertAt(AtomicTicks& v, int i, int count, uint64_t value)
{
    v.insert(size_t(std::max(i, 0)), size_t(count), value);
}

bool isProgramAtStart(const EventNode* n)
{
    return n->type() == kTypePgmChange && n->tick == 0;
}

// A node linked to itself means the list is broken beyond repair.
void checkLink(const EventNode* n)
{
    if (n->next == n) {
        std::fprintf(stderr, "Broken event list: node linked to itself.\n");
        std::exit(1);
    }
}

void wipeTrack(DeckModel& deck, int freeIndex)
{
    EventList& list = deck.song.events;
    const uint32_t track = uint32_t(deck.tracks.fileTracks + freeIndex);
    for (EventNode* n = list.head(); n;) {
        checkLink(n);
        EventNode* following = n->next;
        if (n->track == track && !isProgramAtStart(n)) {
            if (n->partner && n->partner->partner == n) n->partner->partner = nullptr;
            list.release(n);
        }
        n = following;
    }
    deck.tracks.noteOnCount[size_t(deck.tracks.boundTracks + freeIndex)] = 0;
}

// Removes bound display index d from every table; its track number t is gone
// from the list already, so higher numbers move down by one.
void dropBoundEntry(DeckModel& deck, int d, uint32_t t)
{
    TrackTables& tt = deck.tracks;
    FileFacts& f = deck.song.facts;
    for (EventNode* n = deck.song.events.head(); n; n = n->next) {
        checkLink(n);
        if (n->track > t) --n->track;
    }
    eraseAt(tt.displayMap, int(t));
    for (int& m : tt.displayMap)
        if (m > d) --m;
    eraseAt(tt.fileChannelPattern, int(t));
    eraseAt(f.trackNames, int(t));
    eraseAt(f.noteOnCounts, int(t));
    eraseAt(tt.channelPattern, d);
    eraseAt(tt.noteOnCount, d);
    eraseAt(tt.solo, d);
    eraseAt(tt.keyboard, d);
    eraseAt(tt.mute, d);
    eraseAt(tt.input, d);
    eraseAt(tt.output, d);
    eraseAt(tt.zone, d);
    eraseAt(tt.velocityShift, d);
    eraseAt(tt.transpose, d);
    eraseAt(tt.cursor, d);
    eraseAt(tt.lastNoteOn, d);
    eraseAt(tt.playedUpTo, d);
    eraseAt(deck.selected, d);
    --tt.fileTracks;
    --tt.boundTracks;
    f.ntracks = tt.fileTracks;
}

std::vector<int> selectedBound(const DeckModel& deck)
{
    std::vector<int> out;
    for (int d = 0; d < deck.tracks.boundTracks && d < int(deck.selected.size()); ++d)
        if (deck.selected[size_t(d)]) out.push_back(d);
    return out;
}

std::vector<int> selectedFree(DeckModel& deck, bool all)
{
    std::vector<int> out;
    const TrackTables& t = deck.tracks;
    deck.selected.resize(size_t(t.displayCount()), 0);
    for (int j = 0; j < t.freeTracks; ++j) {
        if (all) deck.selected[size_t(t.boundTracks + j)] = 1;
        if (deck.selected[size_t(t.boundTracks + j)]) out.push_back(j);
    }
    return out;
}

void recountFree(DeckModel& deck)
{
    TrackTables& t = deck.tracks;
    for (int j = 0; j < t.freeTracks; ++j) t.noteOnCount[size_t(t.boundTracks + j)] = 0;
    for (const EventNode* n = deck.song.events.head(); n; n = n->next) {
        const int j = int(n->track) - t.fileTracks;
        if (j >= 0 && j < t.freeTracks && n->isSoundingNoteOn())
            ++t.noteOnCount[size_t(t.boundTracks + j)];
    }
}

} // namespace

int bindFree(DeckModel& deck, bool all)
{
    TrackTables& t = deck.tracks;
    FileFacts& f = deck.song.facts;
    const std::vector<int> chosen = selectedFree(deck, all);
    for (int j : chosen) {
        if (t.noteOnCount[size_t(t.boundTracks + j)] == 0) {
            Messages::warning(Texts::tr("Only free tracks containing note events may be bound."));
            return 0;
        }
    }
    const int s = int(chosen.size());
    if (s == 0) {
        Messages::warning(Texts::tr("At least one free track to bind must be selected."));
        return 0;
    }
    const int n0 = t.fileTracks;
    const int d0 = t.boundTracks;

    // New track number of each free track: the chosen ones become N0 + i,
    // the others move up by S.
    std::vector<int> newTrack(size_t(t.freeTracks));
    std::vector<int> order(size_t(t.freeTracks), -1);
    for (int j = 0; j < t.freeTracks; ++j) newTrack[size_t(j)] = n0 + s + j;
    for (int i = 0; i < s; ++i) {
        newTrack[size_t(chosen[size_t(i)])] = n0 + i;
        order[size_t(chosen[size_t(i)])] = i;
    }

    EventList& list = deck.song.events;
    std::vector<EventNode*> lastProgram(size_t(t.freeTracks), nullptr);
    for (EventNode* n = list.head(); n; n = n->next) {
        checkLink(n);
        const int j = int(n->track) - n0;
        if (j < 0 || j >= t.freeTracks) continue;
        n->track = uint32_t(newTrack[size_t(j)]);
        if (order[size_t(j)] < 0) continue;
        const int d = d0 + j;
        if (isProgramAtStart(n)) lastProgram[size_t(j)] = n;
        if (n->type() >= kTypeNote && n->type() <= kTypeKeyPress) {
            n->event.data.note.note =
                static_cast<unsigned char>(clamp127(n->note() + t.transpose[size_t(d)]));
            // A shift never turns a sounding note into a note-off.
            if (n->isSoundingNoteOn())
                n->event.data.note.velocity = static_cast<unsigned char>(
                    std::clamp(n->velocity() + t.velocityShift[size_t(d)], 1, 127));
        }
    }

    // Tables: S bound entries inserted before the free tracks.
    const QString name =
        QStringLiteral("Created in %1 version %2")
            .arg(QLatin1String(App::kProgramName), QStringLiteral(CLAVION_VERSION));
    insertAt(t.channelPattern, d0, s, uint16_t(0));
    insertAt(t.noteOnCount, d0, s, 0u);
    insertAt(t.solo, d0, s, uint8_t(0));
    insertAt(t.keyboard, d0, s, uint8_t(0));
    insertAt(t.mute, d0, s, uint8_t(0));
    insertAt<InputDevice*>(t.input, d0, s, &deck.devices.defaultInput);
    insertAt<OutputDevice*>(t.output, d0, s, &deck.devices.defaultOutput);
    insertAt(t.zone, d0, s, Zone::Low);
    insertAt(t.velocityShift, d0, s, 0);
    insertAt(t.transpose, d0, s, 0);
    insertAt<EventNode*>(t.cursor, d0, s, nullptr);
    insertAt<EventNode*>(t.lastNoteOn, d0, s, nullptr);
    insertAt(t.playedUpTo, d0, s, uint64_t(0));
    insertAt(deck.selected, d0, s, uint8_t(0));
    for (int i = 0; i < s; ++i) {
        t.displayMap.push_back(d0 + i);
        t.fileChannelPattern.push_back(0);
        f.trackNames.push_back(name.toUtf8());
        f.noteOnCounts.push_back(0);
    }
    t.fileTracks += s;
    t.boundTracks += s;
    f.ntracks = t.fileTracks;

    for (int i = 0; i < s; ++i) {
        const int bound = d0 + i;
        const int free = t.boundTracks + chosen[size_t(i)];
        t.input[size_t(bound)] = t.input[size_t(free)];
        t.output[size_t(bound)] = t.output[size_t(free)];
        t.zone[size_t(bound)] = t.zone[size_t(free)];
        t.keyboard[size_t(bound)] = t.keyboard[size_t(free)];
        t.channelPattern[size_t(bound)] |= t.channelPattern[size_t(free)];
        t.fileChannelPattern[size_t(n0 + i)] = t.channelPattern[size_t(bound)];
        t.noteOnCount[size_t(bound)] = t.noteOnCount[size_t(free)];
        f.noteOnCounts[size_t(n0 + i)] = t.noteOnCount[size_t(free)];
        t.noteOnCount[size_t(free)] = 0;
        deck.selected[size_t(free)] = 0;
        // The free track keeps its sound for the next recording.
        if (EventNode* pc = lastProgram[size_t(chosen[size_t(i)])])
            t.addFreeTrackEvent(list, deck.timing, chosen[size_t(i)], pc->event, 0);
    }
    deck.resetCursors();
    deck.setModified();
    if (deck.viewsChanged) deck.viewsChanged();
    return s;
}

int wipeFree(DeckModel& deck, bool all)
{
    const std::vector<int> chosen = selectedFree(deck, all);
    for (int j : chosen) wipeTrack(deck, j);
    if (deck.viewsChanged) deck.viewsChanged();
    return int(chosen.size());
}

int mergeBound(DeckModel& deck)
{
    const std::vector<int> chosen = selectedBound(deck);
    if (chosen.empty()) {
        Messages::warning(Texts::tr("You must select at least one bound track."));
        return 0;
    }
    TrackTables& t = deck.tracks;
    const int target = chosen.front();
    const uint32_t targetTrack = uint32_t(t.storeTrackOf(target));
    if (!Messages::sure(
            Texts::tr("Are you sure you want to merge the %1 selected bound tracks into "
                      "track #%2?")
                .arg(chosen.size())
                .arg(targetTrack + 1)))
        return 0;
    for (int d : chosen) t.channelPattern[size_t(target)] |= t.channelPattern[size_t(d)];
    int merged = 0;
    for (auto it = chosen.rbegin(); it != chosen.rend() && *it != target; ++it) {
        const int d = *it;
        const uint32_t track = uint32_t(t.storeTrackOf(d));
        for (EventNode* n = deck.song.events.head(); n; n = n->next) {
            checkLink(n);
            if (n->track == track) n->track = targetTrack;
        }
        t.noteOnCount[size_t(target)] += t.noteOnCount[size_t(d)];
        deck.song.facts.noteOnCounts[targetTrack] += deck.song.facts.noteOnCounts[track];
        t.fileChannelPattern[targetTrack] |= t.fileChannelPattern[track];
        dropBoundEntry(deck, d, track);
        ++merged;
    }
    if (merged) measureNoteGaps(deck.song.events, targetTrack, targetTrack);
    deck.resetCursors();
    if (merged == 0)
        Messages::warning(Texts::tr("Two bound track must be selected to apply merging."));
    else
        deck.setModified();
    if (deck.resizeRequested) deck.resizeRequested();
    return merged;
}

int deleteBound(DeckModel& deck)
{
    const std::vector<int> chosen = selectedBound(deck);
    if (chosen.empty()) {
        Messages::warning(Texts::tr("You must select at least one bound track."));
        return 0;
    }
    if (!Messages::sure(Texts::tr("Are you sure you want to delete the selected bound tracks?")))
        return 0;
    EventList& list = deck.song.events;
    for (auto it = chosen.rbegin(); it != chosen.rend(); ++it) {
        const int d = *it;
        const uint32_t track = uint32_t(deck.tracks.storeTrackOf(d));
        for (EventNode* n = list.head(); n;) {
            checkLink(n);
            EventNode* following = n->next;
            if (n->track == track) list.release(n);
            n = following;
        }
        dropBoundEntry(deck, d, track);
    }
    deck.resetCursors();
    deck.setModified();
    if (deck.resizeRequested) deck.resizeRequested();
    if (deck.viewsChanged) deck.viewsChanged();
    return int(chosen.size());
}

// After a take every node's alternate tick is its tick again, so the next take
// swaps only the notes it played.
static void settleTimes(EventList& list)
{
    for (EventNode* n = list.head(); n; n = n->next) n->altTick = n->tick;
}

void beginTake(DeckModel& deck)
{
    std::lock_guard<std::mutex> lock(deck.mutex);
    size_t notes = 1;
    for (uint32_t count : deck.tracks.noteOnCount) notes += count;
    deck.takeLog.clear();
    // A loop plays its clusters again pass after pass: room for a long practice.
    deck.takeLog.reserve(notes + 16384);
    deck.takeFollowed = false;
}

// The logged clusters become the kept take's, and the room reserved for them
// goes back.
static void settleTakeLog(DeckModel& deck, bool keep)
{
    if (keep && !deck.takeLog.empty()) {
        TakeRecord& take = deck.keptTake;
        take.clusters.assign(deck.takeLog.begin(), deck.takeLog.end());
        take.tempoFollowed = deck.takeFollowed;
        take.tick4qn = deck.timing.tick4qn;
        take.tick4measure = deck.timing.tick4measure;
        take.tick4beat = deck.timing.tick4beat;
        if (deck.actionChanged) deck.actionChanged(DeckAction::TakeAnalysis, true);
    }
    std::vector<TakeCluster>().swap(deck.takeLog);
}

void keepTake(DeckModel& deck, int freeNotes, bool showShift)
{
    BusyScope busy;
    EventList& list = deck.song.events;
    if (!showShift) list.swapTimes();
    // Sorted first, so note gaps are measured between neighbours in time.
    list.resort();
    settleTimes(list);
    pairNotes(deck, false);
    if (freeNotes > 0) {
        pairNotes(deck, true);
        recountFree(deck);
    }
    settleTakeLog(deck, true);
    deck.setModified();
    if (deck.viewsChanged) deck.viewsChanged();
}

void discardTake(DeckModel& deck, int freeNotes, bool showShift)
{
    settleTakeLog(deck, false);
    EventList& list = deck.song.events;
    if (showShift) {
        list.swapTimes();
        list.resort();
    }
    settleTimes(list);
    if (freeNotes > 0)
        for (int j = 0; j < deck.tracks.freeTracks; ++j) wipeTrack(deck, j);
    if (deck.viewsChanged) deck.viewsChanged();
}

int remapChannel(DeckModel& deck, int d, int channel)
{
    TrackTables& t = deck.tracks;
    if (d < 0 || d >= t.displayCount() || channel < 0 || channel > 15) return 0;
    const uint16_t pattern = t.channelPattern[size_t(d)];
    const bool single = pattern && !(pattern & (pattern - 1));
    const int from = single ? firstSetChannel(pattern) : -1;
    if (from == channel) return 0;
    const uint32_t track = uint32_t(t.storeTrackOf(d));
    const auto to = static_cast<unsigned char>(channel);
    int moved = 0;
    for (EventNode* n = deck.song.events.head(); n; n = n->next) {
        checkLink(n);
        if (n->track != track || !isChannelEvent(n->type()) || (single && n->channel() != from))
            continue;
        // The copy a session prepared for a cluster goes out on the new channel too,
        // as its note-off will.
        n->event.data.note.channel = to;
        n->output.data.note.channel = to;
        ++moved;
    }
    t.channelPattern[size_t(d)] = channelBit(channel);
    if (d < t.boundTracks) t.fileChannelPattern[size_t(track)] = channelBit(channel);
    return moved;
}
