#pragma once

#include "core/devices.h"
#include "core/messages.h"
#include "core/settings.h"
#include "engine/decksession.h"
#include "song/deckmodel.h"

#include <QStringList>
#include <alsa/asoundlib.h>
#include <array>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

constexpr int kThroughClient = 14;  // Midi Through in the bench
constexpr int kKeyboardClient = 16; // the virtual keyboard /dev/snd/midiC0D0
constexpr const char* kEngineClientName = "Clavion ALSA sequencer";
// The sequencer keeps time here; the bench measured 1-3 ms of its own jitter.
constexpr double kToleranceMs = 3.0;
// The first event after the queue starts, measured late by 3.1 ms once on a loaded host.
constexpr double kStartMs = 6.0;

inline int64_t monotonicNs()
{
    return std::chrono::steady_clock::now().time_since_epoch() / std::chrono::nanoseconds(1);
}
inline double msBetween(int64_t from, int64_t to)
{
    return double(to - from) / 1e6;
}
// Runs the event loop until `done` holds or timeoutMs passes; returns done().
bool spinUntil(const std::function<bool()>& done, int timeoutMs, int tickMs = 5);
inline void spinFor(int ms)
{
    spinUntil([] { return false; }, ms);
}

// A test song by absolute ticks: the file and what a listener should hear.
struct SongNote {
    uint32_t tick, length;
    int channel, key, velocity;
};
// A channel message, or with status 0xF0 a system exclusive one (data to F7).
struct SongMessage {
    uint32_t tick;
    int status;
    std::vector<int> data;
};
struct SongTrack {
    std::vector<SongNote> notes;
    std::vector<SongMessage> messages = {};
};
struct SongPlan {
    std::vector<SongTrack> tracks;
    std::vector<std::pair<uint32_t, uint32_t>> tempos{{0, 500000}}; // tick, us a quarter
    int beatsPerMeasure = 4;
    int division = 480; // ticks a quarter note

    QByteArray bytes() const; // a conductor track, then one per SongTrack
    double msAt(uint64_t tick, int boost = 100) const;
};
// `count` notes one every `step` ticks from `first`, keys rising from `key`
// in two-octave cycles, velocities cycling so a swapped note shows.
SongTrack noteRun(uint32_t first, uint32_t step, int count, int channel, int key,
                  uint32_t length = 0);

// One event as it left Midi Through; note-ons of velocity 0 read as note-offs.
struct CapturedEvent {
    int type = 0, channel = 0, note = 0, velocity = 0, value = 0;
    unsigned param = 0;
    int64_t ns = 0;                       // the kernel's stamp, so reading late is harmless
    std::vector<unsigned char> data = {}; // a system exclusive message

    bool isNoteOn() const { return type == SND_SEQ_EVENT_NOTEON; }
    bool isNoteOff() const { return type == SND_SEQ_EVENT_NOTEOFF; }
    bool isController(unsigned n) const { return type == SND_SEQ_EVENT_CONTROLLER && param == n; }
    std::tuple<int, int, int> voice() const { return {channel, note, velocity}; }
};
using Captured = std::vector<CapturedEvent>;

// Reads what came to the client into `into`, counting what an overrun lost.
void readCaptured(snd_seq_t* seq, Captured& into, int* overruns);

// A client of the test's own standing in for a synthesizer and a keyboard:
// one MIDI port both ways under fixed names, which leaves the sequencer and
// comes back, under another client number when asked.
class StandIn
{
public:
    StandIn(const char* clientName, const char* portName);
    ~StandIn();
    bool open(bool newNumber = false);
    void close();
    int client() const { return client_; }
    int port() const { return port_; }
    // What arrived since it last opened, stamped by the kernel on arrival.
    const Captured& heard();
    // A key from its port to whoever listens, as a keyboard sends it; 0 releases.
    void note(int key, int velocity);

private:
    const char* clientName_;
    const char* portName_;
    snd_seq_t* seq_ = nullptr;
    std::vector<snd_seq_t*> fillers_; // hold the numbers it left
    int client_ = -1, port_ = -1;
    Captured heard_;
};

// Stands in for the main window: keeps the device failures and status texts it
// is told of, the ports that left (client, port, output), the requests to list
// them anew, and the types of all it is told, in order.
class MainWindowStub : public QObject
{
public:
    QStringList failures, notices;
    std::vector<std::array<int, 3>> gone;
    int rescans = 0;
    std::vector<int> types;

protected:
    void customEvent(QEvent* event) override;
};

// A deck whose tracks play to Midi Through and listen to the virtual keyboard
// 16:0, its session, and a client of our own that keeps what Midi Through sends.
class EngineFixture : public ::testing::Test
{
public:
    void SetUp() override;
    void TearDown() override;

    // Loads and prepares the song; the tracks listed in `played` are interactive.
    ::testing::AssertionResult load(const SongPlan& plan, int boost = 100, int startBeat = 1,
                                    std::initializer_list<int> played = {});
    // Starts the session and waits until it listens to the keyboard.
    ::testing::AssertionResult begin(bool record = false);
    // Listens until `until` holds or the song ends, then stops; true when it started and ended.
    bool play(const std::function<bool()>& until, int timeoutMs = 60000);
    // Plays until `count` song note-ons came and then a beat of silence.
    bool playNotes(size_t count);

    const Captured& heard(); // all that came out of Midi Through so far
    Captured heard(const std::function<bool(const CapturedEvent&)>& which);
    Captured notes(bool on = true, int channel = -1);
    Captured songNoteOns(); // without metronome clicks
    void forget()           // all heard so far
    {
        heard();
        heard_.clear();
    }
    bool waitFor(const std::function<bool(const Captured&)>& done, int timeoutMs = 5000)
    {
        return spinUntil([&] { return done(heard()); }, timeoutMs);
    }
    bool waitNotes(size_t ons, size_t offs); // at least so many note-ons and note-offs
    int findClient(const char* name);        // -1 when none
    // Clients subscribed to (SND_SEQ_QUERY_SUBS_READ) or from (..._WRITE) client:0.
    std::vector<int> subscribers(int client, snd_seq_query_subs_type_t type);

    InputDevice& keys() { return *devices.inputs[0]; }
    // Raw MIDI bytes from the virtual keyboard; send and strike return when they went out.
    int64_t send(const std::vector<unsigned char>& bytes);
    std::pair<int64_t, int64_t> strike(int key, int velocity, int holdMs, int restMs = 150);

    ScriptedMessageSink messages;
    ScopedMessageSink installed{&messages};
    Song song;
    DeviceSet devices;
    DeckModel deck{song, devices};
    LiveOptions options;
    MainWindowStub mainWindow;
    std::unique_ptr<DeckSession> session;
    SongPlan plan;
    int boost = 100;
    bool started = false, finished = false, halted = false;
    int tempoShown = 0; // the deck's tempo while the last session played
    snd_seq_t* capture = nullptr;
    int overruns = 0; // events the capture lost: a check that wanted them means nothing

    bool end() // stops the session; true when it ended
    {
        session->stop();
        return spinUntil([this] { return finished; }, 20000);
    }

private:
    bool openCapture();
    Captured heard_;
    int keyboard_ = -1;
};
