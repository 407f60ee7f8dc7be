#pragma once

#include "core/devices.h"
#include "song/eventnode.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class EventList;
struct TimingParams;
struct InputDevice;
struct OutputDevice;

// Ticks the engine advances while the piano roll reads them without the
// deck's lock. Resized only while no session runs.
class AtomicTicks
{
public:
    size_t size() const { return size_; }
    std::atomic<uint64_t>& operator[](size_t i) { return ticks_[i]; }
    const std::atomic<uint64_t>& operator[](size_t i) const { return ticks_[i]; }
    uint64_t load(size_t i) const { return ticks_[i].load(std::memory_order_relaxed); }
    void resize(size_t n, uint64_t fill = 0) { rebuild(n, size_, 0, fill); }
    void insert(size_t at, size_t count, uint64_t fill)
    {
        rebuild(size_ + count, at < size_ ? at : size_, count, fill);
    }
    void erase(size_t at);

private:
    // n entries: the old ones before `at`, `count` new ones, then the rest.
    void rebuild(size_t n, size_t at, size_t count, uint64_t fill);
    std::unique_ptr<std::atomic<uint64_t>[]> ticks_;
    size_t size_ = 0;
};

// Per-track tables of the deck, indexed by display index: bound tracks
// 0 .. D-1 in track-number order, then one free track per usable input device.
struct TrackTables {
    int fileTracks = 0;  // N
    int boundTracks = 0; // D
    int freeTracks = 0;  // F

    std::vector<int> displayMap;              // per file track; -2 when it has no Note On
    std::vector<uint16_t> fileChannelPattern; // per file track

    std::vector<uint16_t> channelPattern;
    std::vector<uint32_t> noteOnCount;
    std::vector<uint8_t> solo, keyboard, mute;
    std::vector<InputDevice*> input;
    std::vector<OutputDevice*> output;
    std::vector<Zone> zone;
    std::vector<int> velocityShift;
    std::vector<int> transpose;
    // The engine's position per bound track.
    std::vector<EventNode*> cursor;
    std::vector<EventNode*> lastNoteOn;
    AtomicTicks playedUpTo;

    int displayCount() const { return boundTracks + freeTracks; }
    // Resizes every per-display table to D + F entries (new entries zeroed).
    void resize(int bound, int free);

    int storeTrackOf(int displayIndex) const;
    int displayIndexOf(int trackNumber) const;

    // First channel used neither by a bound track nor by a free track that
    // sends to the same device; 1 when all are taken or there is no device.
    int firstFreeChannel(const OutputDevice* device) const;

    EventNode* addTrackEvent(EventList& list, const TimingParams& timing, int displayIndex,
                             const snd_seq_event_t& event, uint64_t tick) const;
    EventNode* addFreeTrackEvent(EventList& list, const TimingParams& timing, int freeIndex,
                                 const snd_seq_event_t& event, uint64_t tick) const;
};
