#pragma once

#include <alsa/asoundlib.h>
#include <cstdint>

class DeckModel;
class EventSink;
class LiveOptions;
class QObject;
struct EventNode;

// Values a session reads from the deck when it starts.
struct SessionValues {
    int fileTracks = 0;
    int freeTracks = 0;
    int ppq = 96;
    int clockStep = 4;       // ticks between two clock echoes
    int ticksPerBeat = 96;
    int beatsPerMeasure = 4;
    int ticksPerMeasure = 384;
    int startBeat = 1;
    int effectiveTempo = 500000;
    uint64_t startTick = 0; // song tick at queue tick 0

    static SessionValues fromDeck(const DeckModel& deck);
};

// The accompaniment side of a session: one beat window at a time, driven by
// echoes the engine schedules to itself. Everything it sends goes through
// an EventSink, so the logic runs the same against the sequencer and in a
// test. Queue ticks are absolute (song tick - start tick), so late echoes
// never make the song drift.
class ListenLoop {
public:
    ListenLoop(DeckModel& deck, const LiveOptions& options, EventSink& sink, QObject* deckReceiver,
               QObject* mainReceiver);

    const SessionValues& values() const { return v_; }
    EventNode* accompanimentCursor() const { return cursor_; }

    // Reads the session values and places the accompaniment at the deck's cursor.
    void begin();
    // From the song's start up to the cursor, sends what sets the sound and
    // returns the last tempo met (0 for none).
    int chase();
    // Schedules the next beat window (on the start and window echoes).
    void scheduleWindow();
    // Schedules the coming measure's clicks and the next measure echo.
    void scheduleMetronome();
    // Handles one echo that came back; false for events that are no echo of ours.
    bool handleEcho(const snd_seq_event_t& ev);

    // Keeps the song running past the accompaniment's end (held keys, a take).
    bool (*keepsSongAlive)(void* context) = nullptr;
    void* keepsSongAliveContext = nullptr;

    // Applies a file tempo to the queue (set by the engine).
    void (*applyTempo)(void* context, int fileTempo) = nullptr;
    void* applyTempoContext = nullptr;

    // Set when the accompaniment met a note it cannot play.
    bool halted = false;

private:
    void echoAt(snd_seq_event_type_t type, uint64_t queueTick);
    void scheduleAccompaniment(uint64_t windowEnd);

    DeckModel& deck_;
    const LiveOptions& options_;
    EventSink& sink_;
    QObject* deckReceiver_;
    QObject* mainReceiver_;
    SessionValues v_;
    uint64_t windowStart_ = 0;   // song tick
    uint64_t metronomeTick_ = 0; // queue tick of the current measure's start
    int windowEchoes_ = 0;       // display echo pairs of the window being scheduled
    EventNode* cursor_ = nullptr;
    snd_seq_event_t out_{};
};
