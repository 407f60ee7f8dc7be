#pragma once

#include <alsa/asoundlib.h>
#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include <QString>

struct DeviceSet;
struct OutputDevice;
struct TrackTables;

// Where the engine's events go. The session's sequencer client in the
// program; a recorder in tests and benchmarks of the scheduling logic.
class EventSink
{
public:
    virtual ~EventSink() = default;
    // On the session queue at an absolute queue tick, from our output port.
    virtual void scheduleAt(snd_seq_event_t& ev, uint64_t queueTick) = 0;
    // On the session queue, a number of ticks from now.
    virtual void scheduleIn(snd_seq_event_t& ev, uint64_t ticks) = 0;
    // At once, bypassing the queue.
    virtual void sendNow(snd_seq_event_t& ev) = 0;
    // The queue's tick now (100 when it cannot be read).
    virtual uint64_t currentTick() = 0;
    // Our own input port: the destination of echoes.
    virtual snd_seq_addr_t self() const = 0;
    virtual void drain() {}
    // The session queue's tempo becomes `tempo` at an absolute queue tick.
    virtual void scheduleTempo(int /*tempo*/, uint64_t /*queueTick*/) {}
};

// The engine's sequencer client: one output and one input port, one queue,
// connections to the devices the tracks use, and the raw senders.
//
// The engine thread owns it: it opens and closes it and schedules through
// the library's output buffer, never blocking (the client is non-blocking;
// what the kernel has no room for waits in a backlog until POLLOUT). Other
// threads may call only the methods marked "any thread": they serialise
// against open() and close() on lock_, do nothing on a closed client, and
// write directly, never through the engine's buffer.
class SeqClient : public EventSink
{
public:
    // Failures that the user must hear of (the main window's event 1018).
    std::function<void(const QString&)> deviceFailure;
    // What the user should know but that does not stop the session.
    std::function<void(const QString&)> notice;
    // A port that left while the session ran, found as the session closes:
    // client, port, and whether it was an output.
    std::function<void(int, int, bool)> deviceGone;

    SeqClient() = default;
    ~SeqClient() override;
    SeqClient(const SeqClient&) = delete;
    SeqClient& operator=(const SeqClient&) = delete;

    // Engine thread.
    snd_seq_t* handle() const { return seq_; }
    int inputPort() const { return inPort_; }
    int outputPort() const { return outPort_; }
    int queue() const { return queue_; }
    int client() const { return client_; }

    // Opens the client and its ports and connects every distinct input and
    // output address of the tracks. On failure the client is closed again.
    bool open(const TrackTables& tracks, DeviceSet& devices);
    // Drops what has not left yet, undoes the connections and frees the queue.
    void close();

    bool connectInput(int client, int port, DeviceSet& devices);
    bool disconnectInput(int client, int port, DeviceSet& devices);
    bool connectOutput(int client, int port);
    bool disconnectOutput(int client, int port);

    bool allocQueue();
    // Until startQueue(), scheduled events wait in the backlog: the queue
    // must run before a beat larger than the kernel's pool can leave.
    void holdOutput() { holding_ = true; }
    // Sends what was held, as far as the kernel has room, then starts the queue.
    void startQueue();
    // Events still waiting for room in the kernel.
    bool backlogged() const;
    // Forgets every scheduled event that has not started, and sends at once
    // the ends of the notes that sound (with the queue stopped).
    void dropOutput();
    // All notes off and controllers reset on every output the session
    // connected, whatever its flags say now.
    void silenceSession();
    // Any thread: the session connected this output.
    bool playsTo(const OutputDevice& out) const;
    // The queue's current tick; -1 when it cannot be read.
    int64_t queueTick();

    // Any thread.
    void stopQueue();
    void continueQueue();
    bool setQueueTempo(int tempo, int ppq);
    bool getQueueTempo(int* tempo, int* ppq);
    // Sends an event to our own input port at once; the sequencer's result,
    // or -1 when the client is closed. A source port of 0 becomes our output port.
    int sendToSelf(snd_seq_event_t ev);

    // EventSink (engine thread)
    void scheduleAt(snd_seq_event_t& ev, uint64_t queueTick) override;
    void scheduleIn(snd_seq_event_t& ev, uint64_t ticks) override;
    void sendNow(snd_seq_event_t& ev) override;
    uint64_t currentTick() override;
    snd_seq_addr_t self() const override;
    void scheduleTempo(int tempo, uint64_t queueTick) override;
    // Moves the backlog into the kernel as far as its pool has room.
    void drain() override;

    // While a session runs (any thread): connects a device's port, or lets it
    // go, keeping the list that close() undoes. Failures are returned, not
    // reported as device failures: the session goes on without the port.
    enum class Live { Closed, Done, Failed };
    Live connectInputLive(int client, int port, DeviceSet& devices, QString* error);
    void disconnectInputLive(int client, int port);
    Live connectOutputLive(int client, int port, QString* error);
    void disconnectOutputLive(int client, int port);
    // A port that left the sequencer: nothing to undo there any more.
    void forgetPort(int client, int port);

    // Raw senders to a device, direct (any thread).
    void controller(const OutputDevice& out, int param, int value, int channel);
    // One program change per channel of the pattern, from `programs`.
    void programChanges(const OutputDevice& out, uint16_t pattern,
                        const std::array<int, 16>& programs);
    // All notes off on the pattern's channels (kAllChannels for every one).
    void channelsOff(const OutputDevice& out, uint16_t pattern);
    void resetControllers(const OutputDevice& out);
    void setVolume(const OutputDevice& out, int value);
    // Engine thread.
    void programChange(OutputDevice& out, int channel, int program);

private:
    void fail(int rc, const char* stderrLine, const QString& text);
    // A port we could not (dis)connect: what the user can do, then the error
    // with the port's address and ALSA's reason. Always false.
    bool portFailed(int rc, const QString& advice, const QString& error, int client, int port);
    bool openLocked(const TrackTables& tracks, DeviceSet& devices);
    void closeLocked();
    void controllerLocked(const OutputDevice& out, int param, int value, int channel);
    void controllerLocked(int client, int port, int param, int value, int channel);
    void channelsOffLocked(int client, int port, uint16_t pattern);
    void resetControllersLocked(int client, int port);
    void directLocked(snd_seq_event_t& ev);
    Live live(QString* error, const std::function<bool()>& change);
    // A port that sends back to us what we play to it.
    bool echoesUs(snd_seq_addr_t a) const;
    static QString echoText(snd_seq_addr_t a);
    void queueControl(int type);
    // Free cells of our output pool in the kernel.
    size_t outputRoom() const;
    void output(snd_seq_event_t& ev);

    mutable std::mutex lock_;
    snd_seq_t* seq_ = nullptr;
    int client_ = -1;
    int inPort_ = -1;
    int outPort_ = -1;
    int queue_ = -1;
    // Addresses connected by open(), to undo them in close().
    std::vector<snd_seq_addr_t> outputs_;
    std::vector<snd_seq_addr_t> inputs_;
    // Scheduled events the kernel had no room for yet, oldest first.
    std::vector<snd_seq_event_t> backlog_;
    size_t backlogHead_ = 0;
    bool holding_ = false;
};

// At rest, from a short-lived client of its own: all sound off, all notes
// off, sustain off and a note-off for every key, on every channel of each
// output, for a note that a crashed program left sounding. False when the
// sequencer cannot be opened.
bool silenceAtRest(const std::vector<const OutputDevice*>& outputs);
// Tests put a recorder in its place; nullptr restores it.
void setRestSilencer(std::function<bool(const std::vector<const OutputDevice*>&)> silencer);
