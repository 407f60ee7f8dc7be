#pragma once

#include "core/devices.h"
#include "core/messages.h"
#include "core/settings.h"
#include "engine/decksession.h"
#include "song/deckmodel.h"

#include <QProcessEnvironment>
#include <QStringList>
#include <alsa/asoundlib.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

constexpr int kThroughClient = 14;  // Midi Through in the bench
constexpr int kKeyboardClient = 16; // the virtual keyboard /dev/snd/midiC0D0
constexpr const char* kEngineClientName = "Clavion ALSA sequencer";
// The sequencer keeps time here; the bench measured 1-3 ms of its own jitter.
constexpr double kToleranceMs = 3.0;

int64_t monotonicNs();
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

// A test song by absolute ticks (480 a quarter note), from which both the file
// and what a listener should hear are derived, independently of the engine.
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
    std::vector<SongMessage> messages;
};
struct SongPlan {
    int beatsPerMeasure = 4;
    std::vector<std::pair<uint32_t, uint32_t>> tempos{{0, 500000}}; // tick, us a quarter
    std::vector<SongTrack> tracks;

    QByteArray bytes() const; // a conductor track, then one per SongTrack
    double msAt(uint64_t tick, int boost = 100) const;
};
inline SongPlan songOf(std::vector<SongTrack> tracks)
{
    SongPlan s;
    s.tracks = std::move(tracks);
    return s;
}
// `count` notes one every `step` ticks from `first`, keys rising from `key`
// in two-octave cycles, velocities cycling so a swapped note shows.
std::vector<SongNote> noteRun(uint32_t first, uint32_t step, int count, int channel, int key,
                              uint32_t length = 0);

// One event as it left the port a capture listens to.
struct CapturedEvent {
    int type = 0, channel = 0, note = 0, velocity = 0, value = 0;
    unsigned param = 0;
    int64_t ns = 0;                  // the kernel's stamp, so reading late is harmless
    std::vector<unsigned char> data; // a system exclusive message

    bool isNoteOn() const { return type == SND_SEQ_EVENT_NOTEON && velocity > 0; }
    bool isNoteOff() const
    {
        return type == SND_SEQ_EVENT_NOTEOFF || (type == SND_SEQ_EVENT_NOTEON && velocity == 0);
    }
    bool isController(unsigned n) const { return type == SND_SEQ_EVENT_CONTROLLER && param == n; }
};
using Captured = std::vector<CapturedEvent>;

// A client of our own subscribed to one port, keeping all it delivers.
class SeqCapture
{
public:
    ~SeqCapture() { close(); }
    std::string open(int client, int port); // empty on success
    void close();
    // Sends what a session's first beat holds (a queued note and system
    // exclusive message, a controller) around and forgets it: the emulated
    // CPU runs kernel paths slowly the first time, which no timed beat may pay.
    bool roundTrip();

    snd_seq_t* handle() const { return seq_; }
    void drain(); // reads what arrived
    const Captured& events();
    Captured notes(bool on = true, int channel = -1); // note-ons or note-offs
    void clear();
    int overruns() const { return overruns_; }
    bool waitFor(const std::function<bool(const Captured&)>& done, int timeoutMs);

private:
    snd_seq_t* seq_ = nullptr;
    int port_ = -1, queue_ = -1, overruns_ = 0;
    snd_seq_addr_t source_{};
    Captured events_;
};

// Number of the first client with this name, -1 when none.
int findClient(snd_seq_t* seq, const char* name);
// Clients subscribed to (SND_SEQ_QUERY_SUBS_READ) or from (..._WRITE) client:0.
std::vector<int> subscribers(snd_seq_t* seq, int client, snd_seq_query_subs_type_t type);

// Stands in for the main window: keeps the device failures it is told of.
class MainWindowStub : public QObject
{
public:
    QStringList failures;

protected:
    void customEvent(QEvent* event) override;
};

// A song on a deck whose tracks play to Midi Through and listen to the
// virtual keyboard 16:0, a capture on Midi Through, and a deck session.
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
    bool end();
    // Listens until `until` holds (or the song ends), then stops; true when
    // the session started and ended.
    bool play(const std::function<bool()>& until, int timeoutMs = 60000);
    // Plays until `notes` song note-ons came and then a beat of silence.
    bool playNotes(size_t notes);
    Captured songNoteOns(); // without metronome clicks

    InputDevice& keys() { return *devices.inputs[0]; }
    int freeTrack() const { return deck.tracks.boundTracks; }
    // Raw MIDI bytes from the virtual keyboard; the time they went out.
    int64_t send(const std::vector<unsigned char>& bytes);
    int64_t press(int key, int velocity = 100)
    {
        return send({0x90, uint8_t(key), uint8_t(velocity)});
    }
    int64_t release(int key) { return send({0x80, uint8_t(key), 64}); }
    // Strikes a key, holds it and rests; when the bytes went out.
    std::pair<int64_t, int64_t> strike(int key, int velocity, int holdMs, int restMs = 150);
    // Waits for at least this many note-ons and note-offs at the capture.
    bool waitNotes(size_t ons, size_t offs, int timeoutMs = 5000);

    ScriptedMessageSink messages;
    ScopedMessageSink installed{&messages};
    Song song;
    DeviceSet devices;
    DeckModel deck{song, devices};
    LiveOptions options;
    MainWindowStub mainWindow;
    std::unique_ptr<DeckSession> session;
    SeqCapture capture;
    int keyboard = -1;
    SongPlan plan;
    int boost = 100;
    bool started = false, finished = false, halted = false;
};

// A note a listener should hear: when (ms from tick 0) and what.
struct ExpectedNote {
    double ms;
    int channel, key, velocity;
};
// Per-track settings the expectation applies as the engine should.
struct TrackShape {
    int transpose = 0, velocityShift = 0;
    bool muted = false;
};
// The notes of `plan` from `fromTick` on, in time order, as played at `boost`.
std::vector<ExpectedNote> expectedNotes(const SongPlan& plan, int boost,
                                        const std::vector<TrackShape>& shapes, uint64_t fromTick);
// Note by note and in order: channel, key and velocity exactly, onset from
// the first note's within kToleranceMs; each onset error goes to `errors`.
::testing::AssertionResult arrivedInTime(const Captured& got, const std::vector<ExpectedNote>& want,
                                         std::vector<double>& errors);
// Median, p99 and max of the absolute values, as text.
std::string distribution(std::vector<double> values);

// seqsession run to its end, its settings in `configHome`; a hang is killed.
struct ProcessResult {
    bool ran = false; // started and exited by itself
    int exitCode = -1;
    QByteArray out, err;
    std::string describe() const;
};
ProcessResult runSeqsession(const QStringList& args, const QString& configHome, int timeoutMs,
                            QProcessEnvironment env = QProcessEnvironment::systemEnvironment());
