#pragma once

#include <alsa/asoundlib.h>
#include <cstdint>
#include <vector>

class DeckModel;
class EventSink;
class LiveOptions;
class QObject;
struct EventNode;
struct OutputDevice;

// Values a session reads from the deck when it starts.
struct SessionValues {
    int fileTracks = 0;
    int freeTracks = 0;
    int ppq = 96;
    int clockStep = 4; // ticks between two clock echoes
    int ticksPerBeat = 96;
    int beatsPerMeasure = 4;
    int ticksPerMeasure = 384;
    int startBeat = 1;
    int effectiveTempo = 500000;
    uint64_t startTick = 0; // song tick at queue tick 0

    static SessionValues fromDeck(const DeckModel& deck);
};

// Where the practice loop starts over, as the engine hears of it at the seam.
struct LoopSeam {
    int beat = 1;      // the loop's first beat, from 1
    uint64_t tick = 0; // its song tick
    int fileTempo = 0; // the tempo in force there; 0 keeps the one playing
    int boost = 0;     // the new pass's boost while stepping up, else 0
};

// The accompaniment side of a session: one beat window at a time, driven by
// echoes the engine schedules to itself. Everything it sends goes through
// an EventSink, so the logic runs the same against the sequencer and in a
// test. Queue ticks are absolute (song tick - start tick), so late echoes
// never make the song drift.
class ListenLoop
{
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
    // Sends the outputs at an address what sets their sound up to the
    // accompaniment's position: a device that came back mid-song has
    // forgotten it.
    void chaseFor(int client, int port);
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

    // The practice loop started over (set by the engine).
    void (*seam)(void* context, const LoopSeam& seam) = nullptr;
    void* seamContext = nullptr;
    // Times the loop started over in this session.
    int passes() const { return passes_; }

    // Set when the accompaniment met a note it cannot play.
    bool halted = false;

private:
    void echoAt(snd_seq_event_type_t type, uint64_t queueTick);
    void scheduleAccompaniment(uint64_t windowEnd);
    // The display index whose output plays an accompaniment event, or -1
    // when its track is muted or played by the user.
    int playedThrough(const EventNode& n) const;
    // The loop's ticks, while it is on and still ahead of the windows.
    bool loopAhead(uint64_t* start, uint64_t* end) const;
    void restartLoop(uint64_t loopStart);
    EventNode** chaseSlot(const EventNode& n, OutputDevice** device);

    DeckModel& deck_;
    const LiveOptions& options_;
    EventSink& sink_;
    QObject* deckReceiver_;
    QObject* mainReceiver_;
    SessionValues v_;
    uint64_t windowStart_ = 0;   // song tick
    uint64_t queueAt_ = 0;       // the queue tick of windowStart_
    uint64_t noteEnd_ = 0;       // notes of the window end here at the latest (the loop's end)
    uint64_t metronomeTick_ = 0; // queue tick of the current measure's start
    int windowEchoes_ = 0;       // display echo pairs of the window being scheduled
    EventNode* cursor_ = nullptr;
    snd_seq_event_t out_{};
    int passes_ = 0;
    int passBoost_ = 0; // the step-up's boost for the pass being scheduled, 0 when not stepping
    int stepBy_ = 0;
    int stepCap_ = 100;
    // Per output, channel and kind, the last event before the loop's start.
    std::vector<const OutputDevice*> chaseOutputs_;
    std::vector<EventNode*> chaseSlots_;
};
