#include "song/tracktables.h"

#include "song/eventlist.h"
#include "song/songnames.h"
#include "song/timingparams.h"

void AtomicTicks::rebuild(size_t n, size_t at, size_t count, uint64_t fill)
{
    auto ticks = std::make_unique<std::atomic<uint64_t>[]>(n);
    for (size_t i = 0; i < n; ++i) {
        const bool added = i >= at && i < at + count;
        const size_t old = i < at ? i : i - count;
        ticks[i].store(!added && old < size_ ? load(old) : fill, std::memory_order_relaxed);
    }
    ticks_ = std::move(ticks);
    size_ = n;
}

void AtomicTicks::erase(size_t at)
{
    if (at >= size_) return;
    for (size_t i = at + 1; i < size_; ++i) ticks_[i - 1].store(load(i), std::memory_order_relaxed);
    --size_;
}

void TrackTables::resize(int bound, int free)
{
    boundTracks = bound;
    freeTracks = free;
    const size_t n = size_t(bound + free);
    channelPattern.resize(n, 0);
    noteOnCount.resize(n, 0);
    solo.resize(n, 0);
    keyboard.resize(n, 0);
    mute.resize(n, 0);
    input.resize(n, nullptr);
    output.resize(n, nullptr);
    zone.resize(n, Zone::None);
    velocityShift.resize(n, 0);
    transpose.resize(n, 0);
    cursor.resize(n, nullptr);
    lastNoteOn.resize(n, nullptr);
    playedUpTo.resize(n, 0);
}

int TrackTables::storeTrackOf(int displayIndex) const
{
    if (displayIndex < 0 || displayIndex >= displayCount()) return -2;
    if (displayIndex >= boundTracks) return fileTracks + (displayIndex - boundTracks);
    for (int t = 0; t < int(displayMap.size()); ++t)
        if (displayMap[size_t(t)] == displayIndex) return t;
    return -2;
}

int TrackTables::displayIndexOf(int trackNumber) const
{
    if (trackNumber < 0) return -2;
    if (trackNumber < fileTracks)
        return trackNumber < int(displayMap.size()) ? displayMap[size_t(trackNumber)] : -2;
    const int j = trackNumber - fileTracks;
    return j < freeTracks ? boundTracks + j : -2;
}

int TrackTables::firstFreeChannel(const OutputDevice* device) const
{
    if (!device) return 1;
    uint16_t taken = 0;
    for (int i = 0; i < boundTracks && i < int(channelPattern.size()); ++i)
        taken |= channelPattern[size_t(i)];
    for (int i = boundTracks; i < displayCount() && i < int(channelPattern.size()); ++i)
        if (output[size_t(i)] == device) taken |= channelPattern[size_t(i)];
    if (taken == 0xFFFF) return 1;
    return firstClearChannel(taken);
}

EventNode* TrackTables::addTrackEvent(EventList& list, const TimingParams& timing, int displayIndex,
                                      const snd_seq_event_t& event, uint64_t tick) const
{
    const int track = storeTrackOf(displayIndex);
    if (track < 0) return nullptr;
    EventNode* n = list.newNode();
    n->event = event;
    n->event.time.tick = static_cast<snd_seq_tick_time_t>(tick);
    n->tick = tick;
    n->altTick = kNoTick;
    n->noteGap = kNoGap;
    n->tempo = timing.playingTempo();
    n->track = uint32_t(track);
    list.insertSorted(n);
    return n;
}

EventNode* TrackTables::addFreeTrackEvent(EventList& list, const TimingParams& timing,
                                          int freeIndex, const snd_seq_event_t& event,
                                          uint64_t tick) const
{
    if (freeIndex < 0 || freeIndex >= freeTracks) return nullptr;
    return addTrackEvent(list, timing, boundTracks + freeIndex, event, tick);
}
