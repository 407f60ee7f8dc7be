#pragma once

#include "song/eventnode.h"

#include <cstdint>
#include <vector>

class EventList;
struct TimingParams;
struct InputDevice;
struct OutputDevice;

// Per-track tables of the deck, indexed by display index: bound tracks
// 0 .. D-1 in track-number order, then one free track per usable input device.
struct TrackTables {
    int fileTracks = 0;  // N
    int boundTracks = 0; // D
    int freeTracks = 0;  // F

    std::vector<int> displayMap;                // per file track; -2 when it has no Note On
    std::vector<uint16_t> fileChannelPattern;   // per file track

    std::vector<uint16_t> channelPattern;
    std::vector<uint32_t> noteOnCount;
    std::vector<uint8_t> solo, keyboard, mute;
    std::vector<InputDevice*> input;
    std::vector<OutputDevice*> output;
    std::vector<int> zone;
    std::vector<int> velocityShift;
    std::vector<int> transpose;
    // The engine's position per bound track.
    std::vector<EventNode*> cursor;
    std::vector<EventNode*> lastNoteOn;
    std::vector<uint64_t> playedUpTo;

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
