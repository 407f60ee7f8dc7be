#pragma once

#include "core/synthoptions.h"

#include <QObject>
#include <QTimer>
#include <functional>

class BuiltinSynth;
class TopWidget;

// Decides when the built-in synthesizer runs, makes it the default output
// when it is meant to be, and says what went wrong in words a user can act on.
class SynthControl : public QObject
{
    Q_OBJECT
public:
    explicit SynthControl(TopWidget& window);
    ~SynthControl() override;

    // At start-up, before the device lists are read. A first start with no
    // synthesizer on the sequencer starts it as the default output; later
    // starts run it when the default output is it. True while it starts.
    bool startAtLaunch(bool firstStart);
    // The Options dialog's values: live ones at once, the rest by a restart
    // when no session plays to it.
    void apply(const SynthOptions& before, const SynthOptions& after);
    // Starts it now and makes it the default output (the Options dialog's button).
    void useAsDefault();

    // After the Options dialog: the default output chosen there decides
    // whether it runs at the next start.
    void followDefaultOutput();

    // Tests stand in for the start itself here; null restores it.
    using StartHook = std::function<bool(const SynthOptions&)>;
    static void setStartHook(StartHook hook);

    BuiltinSynth& synth() const { return *synth_; }
    bool starting() const;
    // A song opened while it starts waits for it (the event loop runs on),
    // so that it plays to it.
    void awaitStart(int timeoutMs = 20000);
    // One line on what runs: font, driver and sizes, or why nothing does.
    QString describe() const;

signals:
    void stateChanged();

private:
    void started(bool ok);
    void report();
    bool startSynth(const SynthOptions& options);
    bool sessionActive() const;
    void restart(const SynthOptions& options);

    TopWidget& window_;
    BuiltinSynth* synth_;
    bool firstStart_ = false;
    SynthOptions pending_; // settings waiting for the session to end
    QTimer idle_;
    int client_ = -1; // its address while it runs
    int port_ = -1;
};
