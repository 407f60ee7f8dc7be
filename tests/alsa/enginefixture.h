#pragma once

#include "seqcapture.h"
#include "songplan.h"

#include "core/devices.h"
#include "core/messages.h"
#include "core/settings.h"
#include "engine/decksession.h"
#include "song/deckmodel.h"

#include <QProcessEnvironment>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

constexpr int kThroughClient = 14;  // Midi Through in the bench
constexpr int kKeyboardClient = 16; // the virtual keyboard /dev/snd/midiC0D0
constexpr const char* kEngineClientName = "Clavion ALSA sequencer";
// The sequencer keeps time here; the bench measured 1-3 ms of its own jitter.
constexpr double kToleranceMs = 3.0;

// Stands in for the main window: keeps the device failures it is told of.
class MainWindowStub : public QObject
{
public:
    QStringList failures;

protected:
    void customEvent(QEvent* event) override;
};

// A song on a deck whose tracks play to Midi Through and listen to the
// virtual keyboard 16:0, a capture client on Midi Through, the keyboard
// itself, and a deck session to play the song. Skips without a sequencer.
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
    bool end(int timeoutMs = 20000);
    // Listens until `until` holds (or the song ends by itself), then stops and
    // waits for the end; true when the session started and ended.
    bool play(const std::function<bool()>& until, int timeoutMs = 60000);
    // Plays until `notes` song note-ons came through 14:0 and then a beat of silence.
    bool playNotes(size_t notes);
    // Note-ons that came from Midi Through, without metronome clicks.
    Captured songNoteOns() const;

    InputDevice& keys() { return *devices.inputs[0]; }
    int freeTrack() const { return deck.tracks.boundTracks; }
    // Waits for at least this many note-ons and note-offs at the capture.
    bool waitNotes(size_t ons, size_t offs, int timeoutMs = 5000);
    // Strikes a key, holds it and rests; when the bytes went out.
    std::pair<int64_t, int64_t> strike(int key, int velocity, int holdMs, int restMs = 150);

    ScriptedMessageSink messages;
    ScopedMessageSink installed{&messages};
    Song song;
    DeviceSet devices;
    DeckModel deck{song, devices};
    LiveOptions options;
    MainWindowStub mainWindow;
    std::unique_ptr<DeckSession> session;
    SeqCapture capture;
    Keyboard keyboard;
    SongPlan plan;
    int boost = 100;
    bool started = false, finished = false, halted = false;
};

// A note a listener should hear: when (ms from tick 0) and what.
struct ExpectedNote {
    double ms = 0;
    int channel = 0;
    int key = 0;
    int velocity = 0;
};

// Per-track settings the expectation applies as the engine should.
struct TrackShape {
    int transpose = 0;
    int velocityShift = 0;
    bool muted = false;
};

// The notes of `plan` from `fromTick` on, in time order, as played at `boost`.
std::vector<ExpectedNote> expectedNotes(const SongPlan& plan, int boost,
                                        const std::vector<TrackShape>& shapes = {},
                                        uint64_t fromTick = 0);

// Compares what arrived with what should, note by note and in order: channel,
// key and velocity exactly, onset relative to the first note within
// kToleranceMs. Appends each note's onset error (ms) to `errors` when given.
::testing::AssertionResult arrivedInTime(const Captured& got, const std::vector<ExpectedNote>& want,
                                         std::vector<double>* errors = nullptr);

// Median, p99 and max of absolute values, as text.
std::string distribution(std::vector<double> values);

// seqsession run to its end with `args`, its settings in `configHome`; a hang
// is killed after timeoutMs.
struct ProcessResult {
    bool ran = false; // started and exited by itself
    int exitCode = -1;
    QByteArray out, err;
    std::string describe() const;
};
ProcessResult runSeqsession(const QStringList& args, const QString& configHome, int timeoutMs,
                            QProcessEnvironment env = QProcessEnvironment::systemEnvironment());
