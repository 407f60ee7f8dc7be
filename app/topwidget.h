#pragma once

#include "app/launcher.h"
#include "core/devices.h"
#include "core/settings.h"
#include "engine/devicescan.h"

#include <QDockWidget>
#include <QHash>
#include <QMainWindow>

#include <functional>
#include <memory>

class JournalCommands;
class SynthControl;
class NewFileDB;
class OptionsDB;
struct OptionsHooks;
class PianoDocks;
class PlayDialog;
class QAction;
class QMenu;
class QToolBar;
class TextPanes;

// A dock bound to one action: the action is usable only while the dock shows.
class ActionerDockWidget : public QDockWidget
{
    Q_OBJECT
public:
    ActionerDockWidget(const QString& title, QWidget* parent, QAction* action);
};

// Swallows tool-tip events while balloon help is off.
class BalloonEater : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The program's one main window: menus, tool bars, status bar, docks, the
// device records, and the reactions to the events other threads post.
class DeviceWatch;
class TopWidget : public QMainWindow
{
    Q_OBJECT
public:
    // Opens the song at commandLineSong once the window is up, when one is given.
    explicit TopWidget(const QString& commandLineSong = QString());
    ~TopWidget() override;

    QSize sizeHint() const override;

    LiveOptions& options() { return options_; }
    DeviceSet& devices() { return devices_; }
    bool songOpen() const { return deck_ != nullptr; }
    PlayDialog* deck() const { return deck_; }
    // Rebuilt when the device lists or the keyboard display options change.
    PianoDocks* pianoDocks() const { return pianos_; }
    TextPanes* textPanes() const { return panes_; }
    Launcher* launcher() const { return launcher_; }
    SynthControl* synthControl() const { return synth_; }
    JournalCommands* journalCommands() const { return journal_; }
    const QString& songPath() const { return songPath_; }
    // Tests answer the new-file dialog here instead of running it.
    void setNewFileDialogHook(std::function<bool(NewFileDB&)> hook)
    {
        newFileDialogHook_ = std::move(hook);
    }
    // Tests work the Options dialog here instead of running it.
    void setOptionsDialogHook(std::function<void(OptionsDB&)> hook)
    {
        optionsDialogHook_ = std::move(hook);
    }
    // Terminating signals end the program here: no question, a modified song
    // kept as a recovery copy.
    void quitNow();
    QAction* action(const char* objectName) const;

    struct DeviceCounts {
        int inputs;
        int outputs;
    };
    // Rescans the sequencer; returns the usable counts.
    // The scans themselves too, when asked.
    // When the sequencer announced a change, vanished records are kept
    // (marked absent) and the keyboards and open dialogs are left alone if
    // the lists are as they were.
    DeviceCounts refreshDevices(ScanResult* inputs = nullptr, ScanResult* outputs = nullptr,
                                bool announced = false);
    // Merge and Delete need selected bound tracks, Split exactly one, Bind and
    // Wipe free ones; none while the deck is busy.
    void enableTrackActions(int boundSelected, int freeSelected, bool busy);

    // The title without a song: the program name, an at sign and the host name.
    static QString hostTitle();

signals:
    // The device lists were read again: a dialog showing ports, or a launch
    // waiting for one, looks at them now.
    void devicesChanged();

public slots:
    void fileNew();
    bool fileSave();
    bool fileSaveAs();
    void allnotesoff();
    void lyricsCodec();
    void songinfo();
    void showOptions();
    // The analysis of the song's last kept take, in a window of its own.
    void showTakeAnalysis();
    // Open a song from the file at path, or from the one the user picks in
    // the open dialog; false when no song was opened.
    bool openFile(const QString& path);
    bool openWithDialog();
    // False when the user keeps the song open.
    bool unLoad();
    void reload();
    // Closes the song, writes the window's keys and closes the window.
    void quit();
    void about();
    void tbs();
    void tutorial();
    void toggleToolTips();
    void newstate(bool on);
    void adjustToolTipsCheck();
    // The handbook in the browser of the settings, else the desktop's.
    void browseDoc();
    void mergeBound();
    // The selected bound track into a right-hand and a left-hand track, as
    // chosen in a dialog while the piano roll shows the split.
    void splitHands();
    void deleteBound();
    void bindFree();
    void wipeFree();
    bool launchDemo(int order);
    void addMidiDemo(QMenu* submenu, const char* file, const char* title, int ntracks);
    void addDemo(QMenu* submenu, const char* menutext, const char* statustext);
    void neatShrink();
    // Asks for a tool or synthesizer to start (Launcher::launch).
    Launcher::Outcome launchSoftSynths();
    void checkSoftSynths();

protected:
    void customEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Where load() takes the song: the file given, the open dialog, the song
    // open now again (the dialog when none is), or the demo file given.
    enum class SongSource { File, Dialog, Current, Demo };
    bool load(SongSource source, const QString& file = QString());
    void buildDocks();
    void buildActions();
    void buildLyricsDock();
    void applyStyleSheet();
    OptionsHooks optionsHooks();
    void showDeviceLists();
    template <typename Device>
    void followDevices(const std::vector<Device*>& gone, const std::vector<Device*>& back,
                       const Device& fallback);
    void fitKeyboardDocks();
    void showWelcome();
    void chooseFirstDefaults(const ScanResult& inputs, const ScanResult& outputs);
    void buildDemoMenu(QMenu* const groups[4]);
    void openDeck(bool isNew);
    bool runNewFileDialog(NewFileDB& dialog);
    void reportCancel(const QString& text);
    void songTitle(const QString& fileName);
    void setFileActionsBusy(bool busy);
    // A device failure closes the song, once no dialog's loop runs on it.
    void deviceFailed(const QString& text);
    void deviceGone(int client, int port, bool output);
    void writeQuitKeys();
    bool leave();
    void setSongActions(bool open);
    void decodeLyrics(const QByteArray& codecName);
    void removeMadeFile();

    LiveOptions options_;
    DeviceSet devices_;
    BalloonEater* balloonEater_;
    QToolBar* filetools_ = nullptr;
    QToolBar* songtools_ = nullptr;
    QDockWidget* ipianos_ = nullptr;
    QDockWidget* opianos_ = nullptr;
    PianoDocks* pianos_ = nullptr;
    ActionerDockWidget* lyricsDock_ = nullptr;
    TextPanes* panes_ = nullptr;
    Launcher* launcher_ = nullptr;
    SynthControl* synth_ = nullptr;
    JournalCommands* journal_;
    std::unique_ptr<DeviceWatch> watch_; // the lists follow the sequencer
    PlayDialog* deck_ = nullptr;
    QString songPath_;
    bool isDemo_ = false;
    QMenu* demoMenu_ = nullptr;
    // A demo's copy or New's empty file: removed with its song unless saved into.
    QString madeFile_;
    QStringList demoFiles_;
    QStringList demoTitles_;
    int demoCount_ = 0;
    std::function<bool(NewFileDB&)> newFileDialogHook_;
    std::function<void(OptionsDB&)> optionsDialogHook_;
    int optionsTab_ = 0;               // the Options tab shown last
    QHash<QString, bool> busyActions_; // Save and Reload as they were when the session began
    bool quitKeysWritten_ = false;
    int codecPosition_ = 0;
};
