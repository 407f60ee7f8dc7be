// The tool launcher: the command dialog, real child processes, the report
// window, the kill at exit, and the synthesizer offered when nothing sounds.

#include "core/events.h"
#include "dialogs/histdialog.h"
#include "panes/histcombo.h"
#include "windowfixture.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <csignal>

namespace
{
int outputScans = 0; // how often the launcher and the window read the outputs

// Answers the command dialog with `text` (typed as a user would), and makes
// `port` appear on the sequencer as the tool starts, with the sequencer's
// announcement of it.
void answerLauncher(const QString& text, std::optional<PortInfo> port = {})
{
    Launcher::setDialogHook([text, port](HistDialog& d) {
        d.combo()->setEditText(text);
        if (port) {
            fakeOutputs.push_back(*port);
            postEvent(d.parentWidget(), new QEvent(eventType(RescanDevicesEvent)));
        }
        d.okButton()->click();
        return d.result() == QDialog::Accepted;
    });
}

const PortInfo kSynthPort{129, 0, "FLUID Synth (4242)", "Synth input port (4242:0)", true};

class LauncherTest : public Window
{
protected:
    void SetUp() override
    {
        Window::SetUp();
        Launcher::setWaitLimit(600);
        fakeOutputs = {{14, 0, "Midi Through", "Midi Through Port-0"}};
        DeviceLists::setScanners([] { return fakeScan(fakeInputs); },
                                 [] {
                                     ++outputScans;
                                     return fakeScan(fakeOutputs);
                                 });
    }
    void TearDown() override
    {
        for (const Launcher::Tool& t : leftRunning) ::kill(pid_t(t.pid), SIGKILL);
        Launcher::setSearchPaths({}, {});
        Window::TearDown();
    }
    std::vector<Launcher::Tool> leftRunning;
};
} // namespace

TEST(LauncherHistory, OkNeedsTextAndCommandsKeepTheAmpersandsTyped)
{
    HistDialog d("t", "l", nullptr, "/Interface", "synths", 12, "launchsoftsynths");
    EXPECT_FALSE(d.okButton()->isEnabled());
    d.combo()->setEditText("   ");
    EXPECT_FALSE(d.okButton()->isEnabled());
    d.combo()->setEditText(" timidity -iA ");
    EXPECT_TRUE(d.okButton()->isEnabled());

    // Only a trailing background mark goes; the last word is what the tool gets.
    const struct {
        const char* typed;
        const char* command;
        const char* tool;
        const char* last;
    } cases[] = {
        {"  /usr/bin/fluidsynth -a alsa &  ", "/usr/bin/fluidsynth -a alsa", "fluidsynth", "alsa"},
        {"fluidsynth -i \"Strings & Piano.sf2\"", "fluidsynth -i \"Strings & Piano.sf2\"",
         "fluidsynth", "Strings & Piano.sf2"},
        {"timidity -iA -o R&B.wav&", "timidity -iA -o R&B.wav", "timidity", "R&B.wav"},
        {"jackd -d alsa &&", "jackd -d alsa &&", "jackd", "&&"},
        {"&", "", "", ""}};
    for (const auto& c : cases) {
        const QString command = Launcher::commandLine(c.typed);
        EXPECT_EQ(command, c.command);
        EXPECT_EQ(Launcher::toolName(command), c.tool);
        const QStringList words = QProcess::splitCommand(command);
        EXPECT_EQ(words.isEmpty() ? QString() : words.constLast(), c.last);
    }
}

TEST_F(LauncherTest, ToolsAreStartedListedAndKilledAtExitOnlyWhenAsked)
{
    for (const bool kill : {false, true}) {
        sink.shown.clear();
        fakeOutputs = {{14, 0, "Midi Through", "Midi Through Port-0"}};
        open();
        window->options().killsynths = kill;
        Launcher& launcher = *window->launcher();

        // The wait ends when the tool exits or its port is announced, and
        // nothing reads the sequencer meanwhile; missing either end would
        // hang the test on the long limit.
        const int hangMs = 120000;
        const struct {
            const char* command;
            bool port;
            int limitMs;
            Launcher::Outcome outcome;
            int scans; // before, at the announcement and the look for a new port, after
        } launches[] = {{"sleep 30 &", true, hangMs, Launcher::Done, 4},
                        {"sleep 31", false, 600, Launcher::NoNewPort, 2},
                        {"/nonexistent/tool -x", false, hangMs, Launcher::FailedToStart, 1},
                        {"true", false, hangMs, Launcher::FailedToStart, 1}};
        for (const auto& l : launches) {
            answerLauncher(l.command, l.port ? std::optional(kSynthPort) : std::nullopt);
            Launcher::setWaitLimit(l.limitMs);
            outputScans = 0;
            EXPECT_EQ(window->launchSoftSynths(), l.outcome) << l.command;
            EXPECT_EQ(outputScans, l.scans) << l.command;
        }
        EXPECT_EQ(sink.texts(),
                  (QStringList{"Audio tool sleep successfully launched.",
                               "Tool started, no new output device was created by sleep.",
                               "Audio tool tool failed to launch.",
                               "Audio tool true failed to launch."}));
        // Nothing but Midi Through sounded: the new synthesizer is what the tracks play to.
        EXPECT_EQ(window->devices().defaultOutput.client, 129);

        const std::vector<Launcher::Tool> tools = launcher.tools();
        ASSERT_EQ(tools.size(), 2u);
        EXPECT_EQ(tools[0].command, "sleep 30");
        for (const auto& t : tools) EXPECT_TRUE(Launcher::running(t));

        QStringList labels, lists;
        {
            const auto report = launcher.makeReport();
            for (auto* l : report->findChildren<QLabel*>()) labels << l->text();
            for (auto* p : report->findChildren<QPlainTextEdit*>()) lists << p->toPlainText();
        }
        EXPECT_EQ(
            labels,
            (QStringList{"2 software synthesizers have been launched from this session of Clavion:",
                         "2 MIDI output ports are currently both available and allowed in "
                         "Devices setup"}));
        EXPECT_EQ(lists,
                  (QStringList{"sleep 30\nsleep 31",
                               "14:0 Midi Through Port-0\n129:0 Synth input port (4242:0)"}));

        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_TRUE(window.isNull());
        for (const auto& t : tools) EXPECT_EQ(Launcher::running(t), !kill);
        if (!kill) leftRunning = tools;
    }
    EXPECT_EQ(Settings::history("/Interface", "synths").mid(0, 2),
              (QStringList{"true", "/nonexistent/tool -x"}));
}

// A machine without a synthesizer: the program names the one it can start,
// offers it first in the launcher, and the song opened plays through it.
TEST_F(LauncherTest, WithoutASynthesizerFluidsynthIsOfferedAndTheSongOpens)
{
    const QString bin = dir.path() + "/bin", fonts = dir.path() + "/sf2";
    QDir().mkpath(bin);
    QDir().mkpath(fonts);
    const QString gm = fonts + "/FluidR3_GM.sf2", small = fonts + "/TimGM6mb.sf2";
    const QStringList fontPaths{gm, small};
    Launcher::setSearchPaths(fontPaths, {bin});
    EXPECT_EQ(Launcher::suggestion(), ""); // neither the program nor a sound font
    QFile synth(bin + "/fluidsynth");
    ASSERT_TRUE(synth.open(QIODevice::WriteOnly));
    synth.write("#!/bin/sh\nexec sleep 30\n");
    synth.close();
    synth.setPermissions(synth.permissions() | QFileDevice::ExeOwner);
    EXPECT_EQ(Launcher::suggestion(), ""); // still no sound font
    QFile(small).open(QIODevice::WriteOnly);
    const QString offered = Launcher::suggestion();
    EXPECT_TRUE(offered.startsWith(bin + "/fluidsynth -a ")) << offered.toStdString();
    EXPECT_TRUE(offered.endsWith(" -m alsa_seq " + small)) << offered.toStdString();
    QFile(gm).open(QIODevice::WriteOnly);
    EXPECT_TRUE(Launcher::suggestion().endsWith(gm)); // the full set comes first

    Settings::setHistory("/Interface", "synths", {"old command"});
    fakeOutputs.clear();
    QStringList shown;
    Launcher::setDialogHook([&](HistDialog& d) {
        shown = d.combo()->items();
        fakeOutputs.push_back(kSynthPort);
        postEvent(d.parentWidget(), new QEvent(eventType(RescanDevicesEvent)));
        d.okButton()->click(); // as offered
        return true;
    });
    open(1);
    EXPECT_EQ(shown, (QStringList{Launcher::suggestion(), "old command"}));
    EXPECT_TRUE(window->songOpen());
    EXPECT_TRUE(sink.texts().contains("Audio tool fluidsynth successfully launched."));
    ASSERT_EQ(window->launcher()->tools().size(), 1u);
    leftRunning = window->launcher()->tools();

    // Without a synthesizer at start, the status bar says what to do.
    window->close();
    fakeOutputs = {{14, 0, "Midi Through", "Midi Through Port-0"}};
    open();
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("offers to start fluidsynth"));
}
