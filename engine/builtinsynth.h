#pragma once

#include "core/synthoptions.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

struct BuiltinSynthParts;

// A software synthesizer inside the program: its own sequencer client with
// one input port, so the engine plays to it as to any other port and the
// kernel's queue keeps the timing. Starting (audio, port, sound font) runs on
// a thread of its own; `started` reports the outcome to the owner's thread.
class BuiltinSynth : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kName = "Clavion Synth"; // client and port
    static constexpr int kSampleRate = 48000;

    enum class State { Off, Starting, Running, Failed };
    // Why a start failed, so the window can say what to do.
    enum class Failure { None, NoSoundFont, BadSoundFont, NoAudio, NoPort };

    explicit BuiltinSynth(QObject* parent = nullptr);
    ~BuiltinSynth() override; // stops

    // The folders Debian's sound font packages install into, searched in order.
    static QStringList soundFontFolders();
    // Points the search elsewhere (tests); empty restores the standard folders.
    static void setSoundFontFolders(const QStringList& folders);
    // The best General MIDI font found in folders; empty when there is none.
    static QString findSoundFont(const QStringList& folders = soundFontFolders());
    // "" picks the sound server when one answers on this desktop, else ALSA.
    static QString resolveDriver(const QString& setting);

    // Returns at once; false only when already started.
    bool start(const SynthOptions& options);
    // Silences, closes the port and the audio and joins every thread.
    void stop();

    State state() const { return state_.load(); }
    // What it runs with, or tried to: one consistent copy.
    struct Facts {
        Failure failure = Failure::None;
        QString error;      // the driver's or the loader's own words
        QString soundFont;  // the file in use (or tried)
        QString driver;     // the audio driver in use (or tried)
        int periodSize = 0; // frames, as the driver was asked
        int periods = 0;
        int client = -1; // its sequencer address while it runs
        int port = 0;
    };
    Facts facts() const;

    // Live changes; ignored unless running.
    void setGain(int hundredths);
    void setReverb(bool on);
    void setChorus(bool on);
    // A short chord straight into the synthesizer, ended after `ms`.
    void testChord(int ms = 700);

signals:
    // From the starting thread: the port is up (ok) or the start failed.
    void started(bool ok);

private:
    void run(SynthOptions options);
    void fail(Failure why, const QString& text);

    std::unique_ptr<BuiltinSynthParts> parts_;
    std::thread starter_;
    std::atomic<State> state_{State::Off};
    mutable std::mutex mutex_; // guards parts_ and facts_
    Facts facts_;
};
