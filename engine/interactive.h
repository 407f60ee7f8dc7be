#pragma once

#include "core/devices.h"

#include <alsa/asoundlib.h>
#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

class DeckModel;
class EventSink;
class LiveOptions;
class QObject;
struct EventNode;
struct InputDevice;
struct OutputDevice;

// The tempo follower's progress. It spans the sessions of one prepared song
// and belongs to the engine that plays it.
struct TempoFollower {
    // Rings from one estimate to the next for /Parameters/smooth, which
    // counts the clusters an estimate spans, both ends included: the
    // default 10 estimates on every ninth ring.
    static int period(int smooth) { return smooth > 2 ? smooth - 1 : 1; }

    int rings = 0;
    uint64_t clock = 0; // accompaniment position at the last estimate
    uint64_t song = 0;  // song tick played at the last estimate
};

// The player's side of a session: each key struck on an input device rings
// the next cluster of the interactive tracks that device (and zone) plays;
// other keys play the free tracks. Runs on the engine thread with the deck's
// mutex held, and allocates nothing per key press: clusters are lists of the
// song's own nodes in buffers reserved when the session starts.
class InteractiveLoop
{
public:
    // Without a follower of the engine's, the loop keeps its own.
    InteractiveLoop(DeckModel& deck, const LiveOptions& options, EventSink& sink,
                    QObject* deckReceiver, QObject* mainReceiver,
                    TempoFollower* follower = nullptr);

    // Session start, once the queue runs: aligns the cursors of tracks that
    // share a device and zone, and prepares the first clusters.
    void begin(uint64_t sessionStartTick, int startBeat, int ticksPerMeasure);
    // The practice loop started over at a song tick: the interactive tracks
    // ring their clusters from there again. Keys held go on sounding.
    void restartAt(uint64_t songTick);
    // Shows again the keys the any-order clusters wait for (after the
    // keyboards were cleared).
    void showHints();
    // A player's event (from a keyboard or the PC keyboard); false when it
    // is not one this loop handles.
    bool handle(const snd_seq_event_t& ev);
    // The device left the sequencer: what its held keys rang ends now, as
    // their releases will never come.
    void releaseDevice(int client, int port);
    // A clock echo: the accompaniment advanced one clock step.
    void clockStep(int ticks) { clockPosition_ += uint64_t(ticks); }

    static Zone zoneOfKey(const InputDevice& device, int key);

    // Keeps the song running past the accompaniment's end.
    bool keepsSongAlive() const;
    bool halted() const { return halted_; }

    int interactiveNotes() const { return interactiveNotes_; }
    int freeNotes() const { return freeNotes_; }
    int heldKeys() const { return heldKeys_; }
    int heldFreeNotes() const { return heldFree_; }

private:
    struct DeviceState {
        InputDevice* device = nullptr;
        std::array<std::vector<EventNode*>, size_t(Zone::Whole) + 1> pending; // by zone
        std::array<EventNode*, 128> sounding{}; // chained through nextSounding
        std::bitset<128> held;                  // keys an interactive track took
        std::bitset<128> freeKeys;              // keys played on a free track
        bool anyOrderLogged = false;            // the take logged the any-order cluster's first key
    };

    DeviceState* stateOf(int client, int port);
    // Aligns the cursors of tracks that share a device and zone and builds
    // their first clusters.
    void prepareClusters();
    bool sameAddress(const InputDevice* a, const InputDevice& b) const;
    bool isInteractive(int d) const;
    Zone configuredZone(int d) const;
    bool trackInZone(Zone zone, int d) const;
    EventNode* buildCluster(DeviceState& s, Zone zone);
    void ringCluster(DeviceState& s, Zone zone, int key, int velocity);
    // True when an interactive track took the key.
    bool keyPress(DeviceState& s, int key, int velocity);
    // Counts a key an interactive track took, once however often it is struck.
    void hold(DeviceState& s, int key);
    void keyRelease(DeviceState& s, const snd_seq_event_t& ev, int key);
    void sendFound(DeviceState& s, EventNode* n, int key, int velocity);
    void freeNote(DeviceState& s, const snd_seq_event_t& ev);
    void forward(DeviceState& s, const snd_seq_event_t& ev);
    void advanceTempoFollower(uint64_t songTick);
    void markPlayed(EventNode* n, uint64_t relativeTicks);
    void logCluster(const EventNode* first, uint64_t playedTick, const DeviceState& s,
                    int velocity);
    void requestRepaint();
    void echoNow(int type, int tag, int flag, int note, int client, int port);
    void echoIn(int type, int tag, uint64_t ticks, int flag, int note, int client, int port);
    void assignFrom(const InputDevice& dev, int first, EventNode* cursor, Zone zone);
    int playedVelocity(const DeviceState& s, int d, int keyVelocity) const;

    DeckModel& deck_;
    const LiveOptions& options_;
    EventSink& sink_;
    QObject* deckReceiver_;
    QObject* mainReceiver_;
    std::vector<DeviceState> devices_;
    std::vector<Zone> zoneOf_; // zone assignment per bound track
    EventNode* buildCursor_ = nullptr;
    uint64_t startTick_ = 0;
    uint64_t passShift_ = 0; // queue ticks a loop's seams have added since the start
    int ticksPerMeasure_ = 384;
    int startMessageState_ = 2;
    int heldKeys_ = 0;
    int heldFree_ = 0;
    int interactiveNotes_ = 0;
    int freeNotes_ = 0;
    bool halted_ = false;
    uint64_t clockPosition_ = 0;
    TempoFollower ownFollower_;
    TempoFollower& follower_;
    snd_seq_event_t out_{};
};
