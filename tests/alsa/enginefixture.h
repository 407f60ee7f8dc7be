#pragma once

#include "seqcapture.h"
#include "songplan.h"

#include "core/messages.h"
#include "core/settings.h"
#include "engine/decksession.h"
#include "core/devices.h"
#include "song/deckmodel.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>

constexpr int kThroughClient = 14;  // Midi Through in the bench
constexpr int kKeyboardClient = 16; // first virtual keyboard
constexpr const char* kEngineClientName = "Clavion ALSA sequencer";

// True when this machine has a kernel sequencer to test against.
bool haveSequencer();

// Runs the event loop until `done` holds or timeoutMs passes; returns done().
bool spinUntil(const std::function<bool()>& done, int timeoutMs);

// Stands in for the main window: keeps the device failures it is told of.
class MainWindowStub : public QObject
{
public:
    QStringList failures;
    std::map<int, int> counts;

protected:
    void customEvent(QEvent* event) override;
};

// What one listen session did, as its deck saw it.
struct SessionRun {
    bool started = false;
    bool finished = false;
    bool halted = false;
};

// A song prepared on a deck whose tracks play to Midi Through, a capture
// client on Midi Through, and a deck session to play it.
class EngineFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads and prepares the song; every track plays to 14:0 and listens to 16:0.
    ::testing::AssertionResult load(const SongPlan& plan, int boost = 100, int startBeat = 1);
    // Plays until `until` holds (or the song ends by itself), then stops and
    // waits for the session's end.
    SessionRun play(const std::function<bool()>& until, int timeoutMs = 60000);
    // Plays until `notes` note-ons came through 14:0 and then a beat of silence.
    SessionRun playNotes(size_t notes, int timeoutMs = 60000);

    // Note-ons that came from Midi Through, without metronome clicks.
    std::vector<CapturedEvent> songNoteOns() const;

    ScriptedMessageSink messages;
    ScopedMessageSink installed{&messages};
    Song song;
    DeviceSet devices;
    DeckModel deck{song, devices};
    LiveOptions options;
    MainWindowStub mainWindow;
    std::unique_ptr<DeckSession> session;
    SeqCapture capture;
    SongPlan plan;
    int boost = 100;
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
// key and velocity exactly, onset relative to the first note within toleranceMs.
// Appends each note's onset error (ms) to `errors` when given.
::testing::AssertionResult arrivedInTime(const std::vector<CapturedEvent>& got,
                                         const std::vector<ExpectedNote>& want, double toleranceMs,
                                         std::vector<double>* errors = nullptr);

// Median, p99 and max of absolute values and the mean signed value, as text.
std::string distribution(std::vector<double> values);
