// Runs one listen session of a song headlessly, as the program would, for
// tests and for checks from outside.

#include "core/devices.h"
#include "core/events.h"
#include "core/messages.h"
#include "core/midi.h"
#include "core/settings.h"
#include "engine/builtinsynth.h"
#include "engine/decksession.h"
#include "engine/devicescan.h"
#include "song/deckmodel.h"
#include "song/preparation.h"
#include "song/songloader.h"
#include "song/songsaver.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

namespace
{

// On standard error with status 2 for a wrong command line; --help asks
// for it on standard output.
int usage(FILE* to = stderr)
{
    std::fprintf(to, "usage: seqsession [--output C:P] [--input C:P] [--beat N] [--boost PCT]\n"
                     "                  [--metronome] [--seconds S] [--play N[,N...]] [--record]\n"
                     "                  [--save OUT] [--any-order] [--split LOW,HIGH] [--filedur]\n"
                     "                  [--filevel] [--follow] [--loop FIRST:LAST [--passes N]\n"
                     "                  [--step-up FROM:BY]] [--synth [--audio DEVICE]] FILE\n");
    return to == stderr ? 2 : 0;
}

bool parsePair(const QString& text, QChar separator, int* a, int* b)
{
    const QStringList parts = text.split(separator);
    bool ok1 = false, ok2 = false;
    if (parts.size() != 2) return false;
    *a = parts[0].toInt(&ok1);
    *b = parts[1].toInt(&ok2);
    return ok1 && ok2;
}

bool parseAddress(const QString& text, int* client, int* port)
{
    return parsePair(text, QLatin1Char(':'), client, port) && *client >= 0 && *client < 256 &&
           *port >= 0 && *port < 256;
}

// Stands in for the main window: prints what it would show.
class ConsoleMainWindow : public QObject
{
public:
    bool deviceFailed = false;

protected:
    void customEvent(QEvent* event) override
    {
        const int type = int(event->type());
        if (type == DeviceFailureEvent || isWarningMessageType(type)) {
            if (type == DeviceFailureEvent) deviceFailed = true;
            std::fprintf(stderr, "%s\n",
                         static_cast<MessageEvent*>(event)->text.toLocal8Bit().constData());
            event->accept();
        }
    }
};

// Prints every message like the console does; answers "keep the take?" with Yes.
class KeepingSink : public ConsoleMessageSink
{
public:
    int show(const Message& message) override
    {
        const int answer = ConsoleMessageSink::show(message);
        return message.kind == MessageKind::Question ? Yes : answer;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    watchPostedEventsForSanitizer();
    int outClient = -1, outPort = 0, inClient = -1, inPort = 0;
    int beat = 1, boost = 100;
    double seconds = 0;
    bool metronome = false, record = false, anyOrder = false, split = false;
    bool filedur = false, filevel = false, follow = false;
    int lowKey = 64, highKey = 103;
    int loopFirst = 0, loopLast = 0, passes = 0, stepFrom = 0, stepBy = 0;
    QList<int> play;
    QString file, saveTo, audioDevice;
    bool synth = false;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            return usage(stdout);
        else if (a == QLatin1String("--output") && hasValue)
            ok = parseAddress(args[++i], &outClient, &outPort);
        else if (a == QLatin1String("--input") && hasValue)
            ok = parseAddress(args[++i], &inClient, &inPort);
        else if (a == QLatin1String("--beat") && hasValue)
            beat = args[++i].toInt(&ok), ok = ok && beat >= 1;
        else if (a == QLatin1String("--boost") && hasValue)
            boost = args[++i].toInt(&ok), ok = ok && boost > 0 && boost <= 1000;
        else if (a == QLatin1String("--seconds") && hasValue)
            seconds = args[++i].toDouble(&ok), ok = ok && seconds > 0;
        else if (a == QLatin1String("--metronome"))
            metronome = true;
        else if (a == QLatin1String("--record"))
            record = true;
        else if (a == QLatin1String("--any-order"))
            anyOrder = true;
        else if (a == QLatin1String("--filedur"))
            filedur = true;
        else if (a == QLatin1String("--filevel"))
            filevel = true;
        else if (a == QLatin1String("--follow"))
            follow = true;
        else if (a == QLatin1String("--loop") && hasValue)
            ok = parsePair(args[++i], QLatin1Char(':'), &loopFirst, &loopLast) && loopFirst >= 1 &&
                 loopLast >= loopFirst;
        else if (a == QLatin1String("--passes") && hasValue)
            passes = args[++i].toInt(&ok), ok = ok && passes >= 1;
        else if (a == QLatin1String("--step-up") && hasValue)
            ok = parsePair(args[++i], QLatin1Char(':'), &stepFrom, &stepBy) && stepFrom >= 10 &&
                 stepBy >= 1;
        else if (a == QLatin1String("--synth"))
            synth = true;
        else if (a == QLatin1String("--audio") && hasValue)
            audioDevice = args[++i];
        else if (a == QLatin1String("--save") && hasValue)
            saveTo = args[++i];
        else if (a == QLatin1String("--split") && hasValue)
            ok = parsePair(args[++i], QLatin1Char(','), &lowKey, &highKey) && lowKey >= 0 &&
                 lowKey <= highKey && highKey <= 127,
            split = true;
        else if (a == QLatin1String("--play") && hasValue) {
            for (const QString& n : args[++i].split(QLatin1Char(','))) {
                const int track = n.toInt(&ok);
                if (!ok || track < 1) break;
                play << track;
            }
        } else if (a.startsWith(QLatin1String("--")) || !file.isEmpty())
            ok = false;
        else
            file = a;
        if (!ok) return usage();
    }
    if (file.isEmpty() || ((passes || stepFrom) && !loopFirst) ||
        (!audioDevice.isEmpty() && !synth))
        return usage();

    LiveOptions options;
    options.load();
    if (metronome) options.metronomePlay = options.metronomeRecord = true;
    if (filedur) options.filedur = true;
    if (filevel) options.filevel = true;
    if (follow) options.tempoadapt = true;
    if (stepFrom) {
        options.loopStepUp = true;
        options.loopStepFrom = stepFrom;
        options.loopStepBy = stepBy;
    }
    KeepingSink sink;
    ScopedMessageSink installed(&sink);

    // The devices on the sequencer, with their settings.
    DeviceSet devices;
    Settings::loadDefaultDevices(devices);
    Settings::loadPcKeyboard(devices.pcKeyboard, devices.defaultInput);
    // The built-in synthesizer as the output: started as the program starts it.
    BuiltinSynth builtin;
    if (synth) {
        SynthOptions synthOptions = SynthOptions::load();
        if (!audioDevice.isEmpty()) {
            synthOptions.driver = QStringLiteral("alsa");
            synthOptions.device = audioDevice;
        }
        QEventLoop wait;
        QObject::connect(&builtin, &BuiltinSynth::started, &wait, &QEventLoop::quit);
        builtin.start(synthOptions);
        if (builtin.state() == BuiltinSynth::State::Starting) wait.exec();
        if (builtin.state() != BuiltinSynth::State::Running) {
            const BuiltinSynth::Facts facts = builtin.facts();
            std::fprintf(stderr, "seqsession: the built-in synthesizer did not start (%s): %s\n",
                         facts.soundFont.isEmpty() ? "no sound font" : qPrintable(facts.soundFont),
                         qPrintable(facts.error));
            return 1;
        }
    }
    const ScanResult inputs = scanInputPorts();
    const ScanResult outputs = inputs.ok ? scanOutputPorts() : inputs;
    if (!inputs.ok || !outputs.ok) {
        std::fprintf(stderr, "%s\n", inputs.error.toLocal8Bit().constData());
        return 1;
    }
    for (const PortInfo& p : outputs.ports)
        if (synth && p.client == builtin.facts().client) {
            const BuiltinSynth::Facts facts = builtin.facts();
            outClient = p.client;
            outPort = p.port;
            std::fprintf(stderr,
                         "seqsession: %s at %d:%d, %s through %s, %d periods of %d frames\n",
                         BuiltinSynth::kName, p.client, p.port, qPrintable(facts.soundFont),
                         qPrintable(facts.driver), facts.periods, facts.periodSize);
        }
    if (outClient >= 0) {
        devices.defaultOutput.client = outClient;
        devices.defaultOutput.port = outPort;
    }
    if (inClient >= 0) {
        devices.defaultInput.client = inClient;
        devices.defaultInput.port = inPort;
    }
    auto configure = [&](InputDevice& in) {
        if (anyOrder) in.kbmode = AllClusterNotes;
        if (split) {
            in.kbenablesplit = true;
            in.lowkey = lowKey;
            in.highkey = highKey;
        }
    };
    configure(devices.defaultInput);
    for (const PortInfo& p : outputs.ports) {
        auto out = std::make_unique<OutputDevice>();
        out->client = p.client;
        out->port = p.port;
        out->clientName = p.clientName;
        out->portName = p.portName;
        Settings::loadOutputDevice(*out, devices.defaultOutput);
        devices.outputs.push_back(std::move(out));
    }
    for (const PortInfo& p : inputs.ports) {
        auto in = std::make_unique<InputDevice>();
        in->client = p.client;
        in->port = p.port;
        in->clientName = p.clientName;
        in->portName = p.portName;
        Settings::loadInputDevice(*in, devices.defaultInput);
        if (in->sameAddress(devices.defaultInput.client, devices.defaultInput.port)) configure(*in);
        // What we play must not come back to us as a player's keys.
        if (in->sameAddress(devices.defaultOutput.client, devices.defaultOutput.port))
            in->ignoreInput = true;
        devices.inputs.push_back(std::move(in));
    }

    LoadOptions loadOptions;
    loadOptions.splitFormat0 = options.splitformat0.load();
    loadOptions.strictLyrics = options.strictlyrics.load();
    Song& song = theSong();
    if (!loadSong(file, loadOptions, song)) return 1;
    DeckModel deck(song, devices);
    deck.fileName = QFileInfo(file).fileName();
    PrepareOptions prepareOptions;
    prepareOptions.msTol = uint32_t(options.ms_tol.load());
    prepareOptions.zoom = options.pix4mc.load();
    if (prepareSong(deck, prepareOptions) != PrepareResult::Prepared) return 1;
    if (boost != 100) deck.setTempoBoost(boost);
    for (int n : play) {
        if (n > deck.tracks.boundTracks) {
            std::fprintf(stderr, "seqsession: the song has no bound track #%d\n", n);
            return 2;
        }
        deck.tracks.keyboard[size_t(n - 1)] = 1;
    }
    if (loopFirst) {
        if (loopLast > songBars(deck)) {
            std::fprintf(stderr, "seqsession: the song has %d measures\n", songBars(deck));
            return 2;
        }
        deck.loop.startBar = loopFirst - 1;
        deck.loop.endBar = loopLast;
        deck.loop.on = true;
    }
    deck.currentBeat = beat;
    deck.repositionCursors();

    ConsoleMainWindow mainWindow;
    DeckSession session(deck, options, &mainWindow);
    int status = 0;
    QObject::connect(&session, &DeckSession::sessionFinished, &app, [&](int, int, bool halted) {
        status = halted || mainWindow.deviceFailed ? 1 : 0;
        if (status == 0 && !saveTo.isEmpty() && !saveSong(deck, saveTo)) status = 1;
        QCoreApplication::exit(status);
    });
    // Each pass that starts: its number and its tempo boost.
    int pass = 1;
    QObject::connect(&session, &DeckSession::loopRestarted, &app, [&](int) {
        if (passes && pass == passes) return session.stop();
        std::fprintf(stderr, "seqsession: pass %d at %d %%\n", ++pass, deck.timing.tempoBoost);
    });
    QObject::connect(&session, &DeckSession::sessionStarted, &app, [&] {
        if (loopFirst)
            std::fprintf(stderr, "seqsession: pass 1 at %d %%\n", deck.timing.tempoBoost);
    });
    if (seconds > 0) QTimer::singleShot(int(seconds * 1000), &session, &DeckSession::stop);
    if (!(record ? session.record() : session.listen())) return 1;
    app.exec();
    return status;
}
