#include "app/synthcontrol.h"

#include "app/appglobals.h"
#include "app/devicelists.h"
#include "app/playdialog.h"
#include "app/topwidget.h"
#include "core/messages.h"
#include "engine/builtinsynth.h"
#include "engine/decksession.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QStatusBar>
#include <QTimer>

namespace
{
SynthControl::StartHook startHook;

} // namespace

SynthControl::SynthControl(TopWidget& window)
    : QObject(&window), window_(window), synth_(new BuiltinSynth(this))
{
    connect(synth_, &BuiltinSynth::started, this, &SynthControl::started);
    connect(&idle_, &QTimer::timeout, this, [this] {
        if (!sessionActive()) restart(pending_);
    });
    // The window may outlive the event loop; the audio thread must not.
    connect(qApp, &QCoreApplication::aboutToQuit, synth_, &BuiltinSynth::stop);
}

SynthControl::~SynthControl()
{
    synth_->stop();
}

bool SynthControl::startAtLaunch(bool firstStart)
{
    SynthOptions options = SynthOptions::load();
    if (!options.enabled) return false;
    if (firstStart) {
        const ScanResult outputs = DeviceLists::scanOutputs();
        if (!outputs.ok) return false;
        for (const PortInfo& p : outputs.ports)
            if (p.synthesizer && !DeviceLists::isMidiThrough(p.clientName)) return false;
        options.isDefault = true;
        Settings::setValue(Keys::Synth::isDefault, true);
    }
    if (!options.isDefault) return false;
    firstStart_ = firstStart;
    return startSynth(options);
}

void SynthControl::setStartHook(StartHook hook)
{
    startHook = std::move(hook);
}

bool SynthControl::startSynth(const SynthOptions& options)
{
    return startHook ? startHook(options) : synth_->start(options);
}

bool SynthControl::starting() const
{
    return synth_->state() == BuiltinSynth::State::Starting;
}

void SynthControl::awaitStart(int timeoutMs)
{
    if (!starting()) return;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    connect(this, &SynthControl::stateChanged, &loop, [&] {
        if (!starting()) loop.quit();
    });
    if (starting()) loop.exec();
}

void SynthControl::useAsDefault()
{
    Settings::setValue(Keys::Synth::isDefault, true);
    if (synth_->state() == BuiltinSynth::State::Running)
        started(true);
    else
        startSynth(SynthOptions::load());
    emit stateChanged();
}

void SynthControl::apply(const SynthOptions& before, const SynthOptions& after)
{
    after.save();
    if (synth_->state() == BuiltinSynth::State::Running) {
        if (after.gain != before.gain) synth_->setGain(after.gain);
        if (after.reverb != before.reverb) synth_->setReverb(after.reverb);
        if (after.chorus != before.chorus) synth_->setChorus(after.chorus);
    }
    const bool changed = after.soundFont != before.soundFont || after.driver != before.driver ||
                         after.device != before.device || after.period != before.period ||
                         after.periods != before.periods || after.enabled != before.enabled;
    if (!changed) return;
    if (sessionActive()) {
        // Its port must not go away under the session that plays to it.
        window_.statusBar()->showMessage(
            tr("The built-in synthesizer takes its new settings when the session ends"));
        pending_ = after;
        idle_.start(500);
        return;
    }
    restart(after);
}

bool SynthControl::sessionActive() const
{
    return window_.deck() && window_.deck()->session().active();
}

void SynthControl::restart(const SynthOptions& options)
{
    idle_.stop();
    synth_->stop();
    if (options.enabled && options.isDefault) startSynth(options);
    window_.refreshDevices();
    emit stateChanged();
}

void SynthControl::followDefaultOutput()
{
    if (synth_->state() != BuiltinSynth::State::Running) return;
    const OutputDevice& out = window_.devices().defaultOutput;
    Settings::setValue(Keys::Synth::isDefault, out.sameAddress(client_, port_));
}

void SynthControl::started(bool ok)
{
    emit stateChanged();
    if (!ok) return report();
    const BuiltinSynth::Facts facts = synth_->facts();
    client_ = facts.client;
    port_ = facts.port;
    DeviceSet& devices = window_.devices();
    // A session may be running already: it keeps the output it has.
    if (Settings::value(Keys::Synth::isDefault) && !window_.songOpen()) {
        devices.defaultOutput.client = client_;
        devices.defaultOutput.port = port_;
        Settings::saveDefaultDevices(devices);
    }
    // The output a first start chose before it came up is no longer in use.
    if (firstStart_) DeviceLists::hideUnusedKeyboards(devices);
    window_.refreshDevices();
    const QString where =
        QStringLiteral("%1:%2 %3").arg(client_).arg(port_).arg(QLatin1String(BuiltinSynth::kName));
    window_.statusBar()->showMessage(
        firstStart_ ? tr("First start: playing to %1, the built-in synthesizer with %2 (see "
                         "Options>>Synthesizer)")
                          .arg(where, QFileInfo(facts.soundFont).fileName())
                    : tr("Playing to %1, the built-in synthesizer with %2")
                          .arg(where, QFileInfo(facts.soundFont).fileName()));
    firstStart_ = false;
}

void SynthControl::report()
{
    const BuiltinSynth::Facts facts = synth_->facts();
    const QString& detail = facts.error;
    switch (facts.failure) {
    case BuiltinSynth::Failure::NoSoundFont:
        // Not a box: a first start must not greet the user with one.
        window_.statusBar()->showMessage(
            tr("The built-in synthesizer has no sound font: install the package "
               "fluid-soundfont-gm, or choose a sound font in Options>>Synthesizer"));
        return;
    case BuiltinSynth::Failure::BadSoundFont:
        Messages::warning(tr("The built-in synthesizer could not read the sound font %1.\n%2\n"
                             "Choose another one in Options>>Synthesizer.")
                              .arg(facts.soundFont, detail));
        return;
    case BuiltinSynth::Failure::NoAudio:
        Messages::warning(tr("The built-in synthesizer found no audio output (driver %1).\n%2\n"
                             "%3 goes on without its sound; choose another audio driver or "
                             "device in Options>>Synthesizer.")
                              .arg(facts.driver, detail, QLatin1String(App::kProgramName)));
        return;
    case BuiltinSynth::Failure::NoPort:
    case BuiltinSynth::Failure::None:
        Messages::warning(
            tr("The built-in synthesizer could not open its sequencer port.\n%1").arg(detail));
        return;
    }
}

QString SynthControl::describe() const
{
    const BuiltinSynth::Facts s = synth_->facts();
    switch (synth_->state()) {
    case BuiltinSynth::State::Off:
        return tr("Not running");
    case BuiltinSynth::State::Starting:
        return tr("Starting…");
    case BuiltinSynth::State::Failed:
        return s.failure == BuiltinSynth::Failure::NoSoundFont
                   ? tr("No sound font: install the package fluid-soundfont-gm")
                   : tr("Not running: %1").arg(s.error);
    case BuiltinSynth::State::Running:
        break;
    }
    const double ms = 1000.0 * s.periodSize * s.periods / BuiltinSynth::kSampleRate;
    return tr("Running: %1 through %2\n%3 periods of %4 frames at %5 Hz (%6 ms)")
        .arg(QFileInfo(s.soundFont).fileName(), s.driver)
        .arg(s.periods)
        .arg(s.periodSize)
        .arg(BuiltinSynth::kSampleRate)
        .arg(ms, 0, 'f', 1);
}
