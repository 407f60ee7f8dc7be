#include "app/launcher.h"

#include "app/appglobals.h"
#include "app/devicelists.h"
#include "app/topwidget.h"
#include "core/messages.h"
#include "core/settings.h"
#include "dialogs/histdialog.h"
#include "engine/builtinsynth.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{
constexpr int kHistorySize = 12;
constexpr int kExitCheckMs = 250;
constexpr int kKillGraceMs = 1000;

// Debian's sound fonts, the full General MIDI set first.
QStringList soundFonts = {QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2"),
                          QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
QStringList binDirs; // empty: PATH
int waitLimitMs = 10000;
std::function<bool(HistDialog&)> dialogHook;

QString program()
{
    return QLatin1String(App::kProgramName);
}

// Field 22 of /proc/<pid>/stat, empty when the process is gone or a zombie
// (the detached tools are reaped by init, which may not do it).
QByteArray startTimeOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly)) return {};
    const QByteArray line = stat.readAll();
    const int name = line.lastIndexOf(')'); // the command name may hold spaces
    if (name < 0) return {};
    const QList<QByteArray> fields = line.mid(name + 2).split(' ');
    if (fields.size() < 20 || fields[0] == "Z" || fields[0] == "X") return {};
    return fields[19];
}

bool known(const ScanResult& scan, const PortInfo& port)
{
    for (const PortInfo& p : scan.ports)
        if (p.client == port.client && p.port == port.port) return true;
    return false;
}

std::vector<PortInfo> newPorts(const ScanResult& before, const ScanResult& after)
{
    std::vector<PortInfo> ports;
    for (const PortInfo& p : after.ports)
        if (!known(before, p)) ports.push_back(p);
    return ports;
}

QString quoted(const QString& path)
{
    return path.contains(QLatin1Char(' ')) ? QLatin1Char('"') + path + QLatin1Char('"') : path;
}

QLabel* heading(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(false);
    QFont font = label->font();
    font.setStyleHint(QFont::Serif);
    font.setPointSize(14);
    font.setBold(true);
    label->setFont(font);
    return label;
}

QPlainTextEdit* list(const QStringList& lines, const QColor& base, const QColor& text,
                     QWidget* parent)
{
    auto* pane = new QPlainTextEdit(lines.join(QLatin1Char('\n')), parent);
    pane->setReadOnly(true);
    QFont font = pane->font();
    font.setStyleHint(QFont::TypeWriter);
    font.setFamily(QStringLiteral("monospace"));
    font.setPointSize(12);
    font.setWeight(QFont::Normal);
    pane->setFont(font);
    QPalette p = pane->palette();
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::Text, text);
    pane->setPalette(p);
    return pane;
}
} // namespace

Launcher::Launcher(TopWidget& window) : QObject(&window), window_(window) {}

void Launcher::setSearchPaths(const QStringList& fonts, const QStringList& dirs)
{
    soundFonts = fonts;
    binDirs = dirs;
}

void Launcher::setWaitLimit(int ms)
{
    waitLimitMs = ms;
}

void Launcher::setDialogHook(std::function<bool(HistDialog&)> hook)
{
    dialogHook = std::move(hook);
}

// The combo's text is the user's own: Qt adds no accelerator marks to it, and a
// file name may hold an "&". Only a trailing one goes, a shell's background
// mark typed from habit: the tool runs in the background without a shell.
QString Launcher::commandLine(const QString& text)
{
    QString line = text.trimmed();
    if (line.endsWith(QLatin1Char('&')) && !line.endsWith(QLatin1String("&&")))
        line = line.chopped(1).trimmed();
    return line;
}

QString Launcher::toolName(const QString& command)
{
    const QString first = command.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    return first.section(QLatin1Char('/'), -1);
}

// Its shell waits on the standard input that launch() gives every tool, so
// it needs neither a terminal nor its network server (-s listens on every
// interface). The sound server when one runs, else ALSA's default device.
QString Launcher::suggestion()
{
    const QString synth = QStandardPaths::findExecutable(QStringLiteral("fluidsynth"), binDirs);
    if (synth.isEmpty()) return {};
    for (const QString& font : soundFonts) {
        if (!QFileInfo(font).isReadable()) continue;
        return QStringLiteral("%1 -a %2 -m alsa_seq %3")
            .arg(quoted(synth), BuiltinSynth::resolveDriver(QString()), quoted(font));
    }
    return {};
}

bool Launcher::silent(const DeviceSet& devices)
{
    for (const auto& out : devices.outputs)
        if (!out->ignoreOutput && !out->absent && !DeviceLists::isMidiThrough(out->clientName))
            return false;
    return true;
}

void Launcher::hint()
{
    if (!silent(window_.devices())) return;
    window_.statusBar()->showMessage(
        suggestion().isEmpty()
            ? tr("No synthesizer found: install fluidsynth and fluid-soundfont-gm, then use "
                 "File>>Launch tools and software synths… (Ctrl+Y).")
            : tr("No synthesizer found: File>>Launch tools and software synths… (Ctrl+Y) "
                 "offers to start fluidsynth."));
}

bool Launcher::running(const Tool& tool)
{
    return !tool.startTime.isEmpty() && startTimeOf(tool.pid) == tool.startTime;
}

Launcher::Outcome Launcher::launch()
{
    const ScanResult before = DeviceLists::scanOutputs();
    HistDialog dialog(QStringLiteral("%1 - %2").arg(program(), tr("Launch tool/software synth")),
                      tr("Enter or select command line:"), &window_, QStringLiteral("/Interface"),
                      QStringLiteral("synths"), kHistorySize, QStringLiteral("launchsoftsynths"));
    const QString offer = suggestion();
    if (!offer.isEmpty() && silent(window_.devices())) dialog.offer(offer);
    const bool accepted = dialogHook ? dialogHook(dialog) : dialog.exec() == QDialog::Accepted;
    if (!accepted) {
        if (window_.options().notifyCancel)
            Messages::report(tr("Launch tool/software synth canceled"));
        return Done;
    }
    const QString command = commandLine(dialog.text());
    const QString name = toolName(command);

    // Never through a shell; detached, so that the tool outlives us unless
    // the user wants it killed, and with its output dropped, so that it can
    // neither fill a pipe nor die writing to one after we are gone.
    // Its standard input is a pipe that the tool itself holds open for
    // writing, like a terminal nobody types into: a tool that reads commands
    // there waits instead of quitting at the end of the input, even after we
    // are gone.
    QStringList args = QProcess::splitCommand(command);
    Tool tool{command, 0, {}};
    int input[2] = {-1, -1};
    const bool piped = ::pipe(input) == 0;
    if (!args.isEmpty()) {
        QProcess process;
        process.setProgram(args.takeFirst());
        process.setArguments(args);
        process.setStandardInputFile(piped ? QStringLiteral("/proc/self/fd/%1").arg(input[0])
                                           : QProcess::nullDevice());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        if (process.startDetached(&tool.pid)) tool.startTime = startTimeOf(tool.pid);
    }
    if (piped) {
        ::close(input[0]);
        ::close(input[1]);
    }
    if (!tool.startTime.isEmpty()) waitForPort(tool, before);
    if (!running(tool)) {
        Messages::report(tr("Audio tool %1 failed to launch.").arg(name));
        return FailedToStart;
    }
    ScanResult after;
    window_.refreshDevices(nullptr, &after);
    tools_.push_back(tool);
    if (newPorts(before, after).empty()) {
        Messages::report(tr("Tool started, no new output device was created by %1.").arg(name));
        return NoNewPort;
    }
    playToNewPort(before, after);
    Messages::report(tr("Audio tool %1 successfully launched.").arg(name));
    return Done;
}

// Waits with the window alive until the sequencer announces the tool's port,
// the tool ends, the time is up or the user cancels.
void Launcher::waitForPort(const Tool& tool, const ScanResult& before)
{
    QProgressDialog progress(tr("Waiting for %1 to start…").arg(toolName(tool.command)),
                             tr("Cancel"), 0, 0, &window_);
    progress.setObjectName(QStringLiteral("launchwait"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    QEventLoop loop;
    connect(&window_, &TopWidget::devicesChanged, &loop, [&] {
        if (!newPorts(before, DeviceLists::scanOutputs()).empty()) loop.quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&progress, &QProgressDialog::canceled, &loop, &QEventLoop::quit);

    // The kernel says when the tool ends; older kernels have no pidfd_open.
    const int pidfd = int(::syscall(SYS_pidfd_open, pid_t(tool.pid), 0));
    std::unique_ptr<QSocketNotifier> ended;
    QTimer check;
    if (pidfd >= 0) {
        ended = std::make_unique<QSocketNotifier>(pidfd, QSocketNotifier::Read);
        connect(ended.get(), &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    } else {
        connect(&check, &QTimer::timeout, &loop, [&] {
            if (!running(tool)) loop.quit();
        });
        check.start(kExitCheckMs);
    }
    // The pid is ours only while the tool runs: it may have ended already.
    if (running(tool)) {
        progress.show();
        limit.start(waitLimitMs);
        loop.exec();
    }
    ended.reset();
    if (pidfd >= 0) ::close(pidfd);
}

// Nothing else would be heard: the new port becomes the default output that
// every track plays to. Not under an open song, whose session may be running.
void Launcher::playToNewPort(const ScanResult& before, const ScanResult& after)
{
    DeviceSet& devices = window_.devices();
    const OutputDevice& current = devices.defaultOutput;
    bool sounding = false;
    for (const PortInfo& p : before.ports)
        sounding |= p.client == current.client && p.port == current.port &&
                    !DeviceLists::isMidiThrough(p.clientName);
    if (sounding || window_.songOpen()) return;
    const std::vector<PortInfo> ports = newPorts(before, after);
    const PortInfo* port = &ports.front();
    for (const PortInfo& p : ports)
        if (p.synthesizer) {
            port = &p;
            break;
        }
    devices.defaultOutput.client = port->client;
    devices.defaultOutput.port = port->port;
    Settings::saveDefaultDevices(devices);
    window_.statusBar()->showMessage(tr("Playing to %1:%2 %3 (see Options>>Devices setup)")
                                         .arg(port->client)
                                         .arg(port->port)
                                         .arg(port->portName));
}

void Launcher::killAll()
{
    for (const Tool& tool : tools_)
        if (running(tool)) ::kill(pid_t(tool.pid), SIGTERM);
    // A tool that ignores the request is not left behind either.
    QElapsedTimer clock;
    clock.start();
    for (const Tool& tool : tools_) {
        while (running(tool) && clock.elapsed() < kKillGraceMs) QThread::msleep(20);
        if (running(tool)) ::kill(pid_t(tool.pid), SIGKILL);
    }
    tools_.clear();
}

std::unique_ptr<QDialog> Launcher::makeReport()
{
    const DeviceSet& devices = window_.devices();
    auto dialog = std::make_unique<QDialog>(&window_);
    dialog->setObjectName(QStringLiteral("bodycheck"));
    dialog->setModal(true);
    QAction* check = window_.action("a_checkSoftSynths");
    dialog->setWindowTitle(check ? check->toolTip() : QString());
    auto* layout = new QVBoxLayout(dialog.get());
    layout->setObjectName(QStringLiteral("wholecheck"));
    const bool dark = window_.options().darkmode;

    const int count = int(tools_.size());
    layout->addWidget(heading(
        count == 0
            ? tr("No software synthesizer has been launched from this session of %1").arg(program())
        : count == 1 ? tr("One software synthesizer has been launched from this session of %1:")
                           .arg(program())
                     : tr("%1 software synthesizers have been launched from this session of %2:")
                           .arg(count)
                           .arg(program()),
        dialog.get()));
    layout->addSpacing(10);
    if (count) {
        QStringList lines;
        for (const Tool& tool : tools_) lines << tool.command;
        layout->addWidget(list(lines, dark ? QColor(Qt::darkBlue) : QColor(99, 99, 204),
                               dark ? QColor(Qt::white) : QColor(Qt::black), dialog.get()));
        layout->addSpacing(10);
    }

    QStringList ports;
    for (const auto& out : devices.outputs)
        if (!out->ignoreOutput && !out->absent)
            ports << QStringLiteral("%1:%2 %3").arg(out->client).arg(out->port).arg(out->portName);
    const int usable = int(ports.size());
    layout->addWidget(heading(
        usable == 0
            ? tr("No MIDI output port is currently both available and allowed in Devices setup")
        : usable == 1
            ? tr("One MIDI output port is currently both available and allowed in Devices setup")
            : tr("%1 MIDI output ports are currently both available and allowed in Devices setup")
                  .arg(usable),
        dialog.get()));
    layout->addSpacing(10);
    if (usable) {
        layout->addWidget(list(ports, dark ? QColor(Qt::darkGreen) : QColor(99, 204, 99),
                               dark ? QColor(Qt::white) : QColor(Qt::black), dialog.get()));
        layout->addSpacing(10);
    }
    auto* ok = new QPushButton(tr("OK"), dialog.get());
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, dialog.get(), &QDialog::accept);
    layout->addWidget(ok);
    return dialog;
}

void Launcher::report()
{
    window_.refreshDevices();
    makeReport()->exec();
}
