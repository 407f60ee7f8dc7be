#pragma once

#include "core/devices.h"
#include "core/settings.h"

#include <QDockWidget>
#include <QMainWindow>

class QAction;
class QMenu;
class QPlainTextEdit;
class QToolBar;

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
class TopWidget : public QMainWindow
{
    Q_OBJECT
public:
    TopWidget();
    ~TopWidget() override;

    QSize sizeHint() const override;

    LiveOptions& options() { return options_; }
    DeviceSet& devices() { return devices_; }
    bool songOpen() const { return songOpen_; }
    QAction* action(const char* objectName) const;

    struct DeviceCounts {
        int inputs;
        int outputs;
    };
    // Rescans the sequencer; returns the usable counts.
    DeviceCounts refreshDevices();
    // Merge and Delete need selected bound tracks, Bind and Wipe free ones;
    // none while the deck is busy.
    void enableTrackActions(int boundSelected, int freeSelected, bool busy);

    // The title without a song: the program name, an at sign and the host name.
    static QString hostTitle();

public slots:
    void lyricsCodec();
    bool load();
    void unLoad();
    void reload();
    // Closes the song, writes the window's keys and closes the window.
    void quit();
    void toggleToolTips();
    void newstate(bool on);
    void adjustToolTipsCheck();
    void neatShrink();

protected:
    void customEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildDocks();
    void buildActions();
    void buildLyricsDock();
    void applyStyleSheet();
    void showDeviceLists();
    void showWelcome();
    void chooseFirstDefaults();
    void writeQuitKeys();
    void setSongActions(bool open);
    void decodeLyrics(const QByteArray& codecName);

    LiveOptions options_;
    DeviceSet devices_;
    BalloonEater* balloonEater_;
    QToolBar* filetools_ = nullptr;
    QToolBar* songtools_ = nullptr;
    QDockWidget* ipianos_ = nullptr;
    QDockWidget* opianos_ = nullptr;
    ActionerDockWidget* lyricsDock_ = nullptr;
    QPlainTextEdit* lyricsPane_ = nullptr;
    QPlainTextEdit* songView_ = nullptr; // stands for the deck until it is built
    bool songOpen_ = false;
    QString songPath_;
    bool quitKeysWritten_ = false;
    int codecPosition_ = 0;
};
