#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <array>
#include <cstdint>
#include <memory>

class DeckModel;
class LiveOptions;
class MidiThread;
struct InputDevice;
struct OutputDevice;

// The deck's side of a session without widgets: starts and stops the engine
// thread and receives what it reports. The deck widget builds on it; tools
// and tests use it alone.
class DeckSession : public QObject
{
    Q_OBJECT
public:
    DeckSession(DeckModel& deck, LiveOptions& options, QObject* mainReceiver,
                QObject* parent = nullptr);
    ~DeckSession() override;

    bool listen() { return start(false); }
    bool record() { return start(true); }
    // Asks the engine to end the session; sessionFinished follows.
    void stop();
    // Pauses a running session, silencing what sounds, or resumes it with
    // the virtual keyboards cleared. False when no session runs.
    bool setPaused(bool paused);
    // A recorded take is then kept without asking: nobody is there to answer.
    void keepTakeUnasked() { keepUnasked_ = true; }
    bool active() const;
    MidiThread* thread() const { return thread_.get(); }

    // What the deck shows.
    int effectiveTempo() const { return effectiveTempo_; }
    int shownTempo() const;
    int clockSteps() const { return clockSteps_; }

    bool showShiftWhenRecording() const;

    // A key of the PC keyboard (a Qt key code) pressed or released while a
    // session runs; false when the key is left to the widgets.
    bool pcKeyEvent(int qtKey, bool pressed);
    // The note a Qt key code plays, or -1.
    static int pcKeyNote(int qtKey);
    // True when a displayed interactive track that is not muted listens to the PC keyboard.
    bool pcKeyboardPlay() const;

    // The tempo boost as the deck's box would set it, with the queue following.
    // It ends a tempo step-up: the loop's next passes keep it.
    void setTempoBoost(int boost);

    // Master volume: steps add up into one offset to every output's stored
    // volume. It is sent at once while a session runs, otherwise when the
    // next one starts. The stored volumes stay as the user set them.
    void stepMasterVolume(int step);
    int masterVolume(const OutputDevice& out) const;
    // Sends `volume` (with the master offset) to every channel of `out` while
    // a session runs; false otherwise.
    bool sendVolume(const OutputDevice& out, int volume);

    // The track dialog's changes, safe while a session runs.
    // Gives display track d another input or output device. While a session
    // runs the new port is connected first and the old one let go unless
    // another track still uses it. Empty when done; otherwise why the port
    // could not be connected, and the track keeps its device.
    QString setTrackInput(int d, InputDevice* device);
    QString setTrackOutput(int d, OutputDevice* device);
    // The device lists found a device gone, or back at the address its record
    // has now. While a session runs and a track uses it: a keyboard's held
    // keys end, or its keys ring again; an output is let go, or connected
    // again and given the song's sound, its patches and its volume. Empty
    // when done; otherwise why the port could not be connected.
    void deviceGone(const InputDevice& in);
    void deviceGone(const OutputDevice& out);
    QString deviceBack(const InputDevice& in);
    QString deviceBack(const OutputDevice& out);
    // Gives the output's channels in `pattern` the patches of `patches` (-1:
    // the song's own) and, while a session runs, sends those that changed, or
    // all of them with `resend`.
    void setPatches(OutputDevice& out, uint16_t pattern, const std::array<int, 16>& patches,
                    bool resend = false);
    // Puts track d on one channel (remapChannel), silencing what sounds on its
    // old channels first while a session runs. The number of events moved.
    int remapTrackChannel(int d, int channel);

signals:
    void sessionStarted();
    void sessionFinished(int interactiveNotes, int freeNotes, bool halted);
    // The engine moved the position or changed what the tempo boxes show.
    void beatReached(int beat);
    void clockStepped();
    void tempoChanged();
    void repaintRequested();
    // The practice loop started over at this beat.
    void loopRestarted(int beat);

protected:
    void customEvent(QEvent* event) override;

private:
    bool start(bool recording);
    void finish(int interactiveNotes, int freeNotes, bool halted);
    void restFileTempo();
    // With the deck's mutex held.
    void applyTempoBoost(int boost);
    void prepareStepUp(bool recording);
    void requestRescan();
    bool running() const;

    DeckModel& deck_;
    LiveOptions& options_;
    QObject* mainReceiver_;
    std::unique_ptr<MidiThread> thread_;
    int effectiveTempo_ = 500000;
    int clockSteps_ = 0;
    int volumeOffset_ = 0;
    int userBoost_ = 0; // given back when a stepped-up session ends; 0 when none
    bool keepUnasked_ = false;
    QDateTime started_;
    QElapsedTimer running_;
};
