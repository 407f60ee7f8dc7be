#pragma once

#include "engine/devicescan.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class HistDialog;
class QDialog;
class TopWidget;
struct DeviceSet;

// Starts the synthesizers and audio tools the user names, keeps a list of
// them, and reports them with the outputs they gave.
class Launcher : public QObject
{
    Q_OBJECT
public:
    enum Outcome { Done, FailedToStart, NoNewPort };

    struct Tool {
        QString command;
        qint64 pid = 0;
        QByteArray startTime; // tells our process from a later one that got its pid
    };

    explicit Launcher(TopWidget& window);

    // Asks for a command line and starts it: Done also when cancelled.
    Outcome launch();
    // The modal report of the tools launched and the outputs usable.
    void report();
    std::unique_ptr<QDialog> makeReport();
    const std::vector<Tool>& tools() const { return tools_; }
    static bool running(const Tool& tool);
    // Ends every tool launched (the window goes and the user asked for it).
    void killAll();

    // The typed text, trimmed, without a trailing background "&".
    static QString commandLine(const QString& text);
    // The file name of the command's first word.
    static QString toolName(const QString& command);
    // A command line that gives sound on this machine: fluidsynth on the
    // sequencer with the first sound font found. Empty when either is missing.
    static QString suggestion();
    // No output but Midi Through: nothing would be heard.
    static bool silent(const DeviceSet& devices);
    // Says in the status bar how to get sound when nothing would be heard.
    void hint();

    // Tests: where the sound fonts and fluidsynth are looked for (empty:
    // the system's), how long a launch waits, and who answers the dialog.
    static void setSearchPaths(const QStringList& soundFonts, const QStringList& binDirs);
    static void setWaitLimit(int ms);
    static void setDialogHook(std::function<bool(HistDialog&)> hook);

private:
    void waitForPort(const Tool& tool, const ScanResult& before);
    void playToNewPort(const ScanResult& before, const ScanResult& after);

    TopWidget& window_;
    std::vector<Tool> tools_;
};
