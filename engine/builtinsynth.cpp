#include "engine/builtinsynth.h"

#include "engine/devicescan.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fluidsynth.h>

struct BuiltinSynthParts {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_audio_driver_t* audio = nullptr;
    fluid_midi_driver_t* midi = nullptr;

    ~BuiltinSynthParts()
    {
        // The port first, so nothing more arrives while the audio stops.
        if (midi) delete_fluid_midi_driver(midi);
        if (synth) fluid_synth_all_sounds_off(synth, -1);
        if (audio) delete_fluid_audio_driver(audio);
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
};

namespace
{
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(BuiltinSynth)
};

// The library's messages: errors are kept for the user's report, warnings
// (a refused real-time priority, say) would only be noise on a desktop.
std::mutex logMutex;
QString lastLibraryError;

void logError(int level, const char* message, void*)
{
    if (level <= FLUID_ERR) {
        const std::lock_guard<std::mutex> lock(logMutex);
        lastLibraryError = QString::fromLocal8Bit(message);
    }
    if (level == FLUID_PANIC) std::fprintf(stderr, "%s\n", message);
}

void logNothing(int, const char*, void*) {}

QString takeLibraryError()
{
    const std::lock_guard<std::mutex> lock(logMutex);
    QString text;
    text.swap(lastLibraryError);
    return text;
}

void routeLibraryLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR}) fluid_set_log_function(level, logError, nullptr);
        for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, logNothing, nullptr);
    });
}

// The library does not say which client it opened: the one of our name that
// was not there before is ours.
std::vector<PortInfo> portsNamed(const QString& name)
{
    std::vector<PortInfo> found;
    for (const PortInfo& p : scanOutputPorts().ports)
        if (p.clientName == name) found.push_back(p);
    return found;
}

bool pulseServerAnswers()
{
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER")) return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/pulse/native"));
}
} // namespace

BuiltinSynth::BuiltinSynth(QObject* parent) : QObject(parent) {}

BuiltinSynth::~BuiltinSynth()
{
    stop();
}

namespace
{
QStringList fontFolders;
}

void BuiltinSynth::setSoundFontFolders(const QStringList& folders)
{
    fontFolders = folders;
}

QStringList BuiltinSynth::soundFontFolders()
{
    if (!fontFolders.isEmpty()) return fontFolders;
    return {QStringLiteral("/usr/share/sounds/sf2"), QStringLiteral("/usr/share/sounds/sf3"),
            QStringLiteral("/usr/share/soundfonts")};
}

QString BuiltinSynth::findSoundFont(const QStringList& folders)
{
    // Complete General MIDI sets, the fuller first; then whatever the
    // system's alternatives point at; then any font at all.
    static const char* const preferred[] = {
        "FluidR3_GM.sf2", "FluidR3_GM.sf3", "MuseScore_General.sf3", "MuseScore_General.sf2",
        "TimGM6mb.sf2",   "default-GM.sf2", "default-GM.sf3"};
    for (const char* name : preferred)
        for (const QString& folder : folders) {
            const QFileInfo file(QDir(folder).filePath(QLatin1String(name)));
            if (file.isFile() && file.isReadable()) return file.absoluteFilePath();
        }
    for (const QString& folder : folders) {
        const QFileInfoList any =
            QDir(folder).entryInfoList({QStringLiteral("*.sf2"), QStringLiteral("*.sf3")},
                                       QDir::Files | QDir::Readable, QDir::Name);
        if (!any.isEmpty()) return any.front().absoluteFilePath();
    }
    return QString();
}

QString BuiltinSynth::resolveDriver(const QString& setting)
{
    if (!setting.isEmpty()) return setting;
    return pulseServerAnswers() ? QStringLiteral("pulseaudio") : QStringLiteral("alsa");
}

bool BuiltinSynth::start(const SynthOptions& options)
{
    const State s = state_.load();
    if (s == State::Starting || s == State::Running) return false;
    stop();
    state_ = State::Starting;
    starter_ = std::thread(&BuiltinSynth::run, this, options);
    return true;
}

void BuiltinSynth::run(SynthOptions options)
{
    routeLibraryLog();
    takeLibraryError();
    const QString font = options.soundFont.isEmpty()
                             ? findSoundFont()
                             : QFileInfo(options.soundFont).absoluteFilePath();
    const QString driverName = resolveDriver(options.driver);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        facts_ = Facts();
        facts_.soundFont = font;
        facts_.driver = driverName;
        facts_.periodSize = options.period;
        facts_.periods = options.periods;
    }
    if (font.isEmpty()) return fail(Failure::NoSoundFont, QString());

    auto parts = std::make_unique<BuiltinSynthParts>();
    fluid_settings_t* s = parts->settings = new_fluid_settings();
    fluid_settings_setnum(s, "synth.sample-rate", kSampleRate);
    fluid_settings_setnum(s, "synth.gain", options.gain / 100.0);
    fluid_settings_setint(s, "synth.reverb.active", options.reverb);
    fluid_settings_setint(s, "synth.chorus.active", options.chorus);
    fluid_settings_setstr(s, "audio.driver", driverName.toLocal8Bit().constData());
    fluid_settings_setint(s, "audio.period-size", options.period);
    fluid_settings_setint(s, "audio.periods", options.periods);
    if (!options.device.isEmpty()) {
        const QByteArray key = "audio." + driverName.toLatin1() + ".device";
        fluid_settings_setstr(s, key.constData(), options.device.toLocal8Bit().constData());
    }
    fluid_settings_setstr(s, "midi.driver", "alsa_seq");
    fluid_settings_setstr(s, "midi.alsa_seq.id", kName);
    fluid_settings_setstr(s, "midi.portname", kName);

    parts->synth = new_fluid_synth(s);
    if (!parts->synth) return fail(Failure::NoAudio, takeLibraryError());
    // The font before the port: a port that answers must also sound.
    if (fluid_synth_sfload(parts->synth, font.toLocal8Bit().constData(), 1) == FLUID_FAILED)
        return fail(Failure::BadSoundFont, takeLibraryError());
    parts->audio = new_fluid_audio_driver(s, parts->synth);
    if (!parts->audio) return fail(Failure::NoAudio, takeLibraryError());
    const QString name = QLatin1String(kName);
    const std::vector<PortInfo> before = portsNamed(name);
    parts->midi = new_fluid_midi_driver(s, fluid_synth_handle_midi_event, parts->synth);
    if (!parts->midi) return fail(Failure::NoPort, takeLibraryError());
    const PortInfo* ours = nullptr;
    const std::vector<PortInfo> after = portsNamed(name);
    for (const PortInfo& p : after)
        if (std::none_of(before.begin(), before.end(),
                         [&](const PortInfo& b) { return b.client == p.client; }))
            ours = &p;
    if (!ours) return fail(Failure::NoPort, takeLibraryError());
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        facts_.client = ours->client;
        facts_.port = ours->port;
        parts_ = std::move(parts);
    }
    state_ = State::Running;
    emit started(true);
}

void BuiltinSynth::fail(Failure why, const QString& text)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        facts_.failure = why;
        facts_.error = text;
    }
    state_ = State::Failed;
    emit started(false);
}

void BuiltinSynth::stop()
{
    if (starter_.joinable()) starter_.join();
    std::unique_ptr<BuiltinSynthParts> parts;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        parts.swap(parts_);
    }
    parts.reset();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        facts_.client = -1;
    }
    if (state_.load() == State::Running) state_ = State::Off;
}

BuiltinSynth::Facts BuiltinSynth::facts() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return facts_;
}

void BuiltinSynth::setGain(int hundredths)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (parts_) fluid_synth_set_gain(parts_->synth, float(hundredths) / 100.0f);
}

void BuiltinSynth::setReverb(bool on)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (parts_) fluid_synth_reverb_on(parts_->synth, -1, on);
}

void BuiltinSynth::setChorus(bool on)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (parts_) fluid_synth_chorus_on(parts_->synth, -1, on);
}

void BuiltinSynth::testChord(int ms)
{
    static constexpr int kChannel = 15; // the least likely to hold a song's part
    static constexpr int kNotes[] = {60, 64, 67, 72};
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!parts_) return;
        fluid_synth_program_change(parts_->synth, kChannel, 0);
        for (int note : kNotes) fluid_synth_noteon(parts_->synth, kChannel, note, 100);
    }
    QTimer::singleShot(ms, this, [this] {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!parts_) return;
        for (int note : kNotes) fluid_synth_noteoff(parts_->synth, kChannel, note);
    });
}
