#pragma once

#include "song/deckmodel.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class DeckSession;
class LiveOptions;
class QDockWidget;
class QMainWindow;
class QToolButton;
class QuickSettings;
class Score;
struct DeviceSet;

// The deck: the widget through which the user runs the engine on the open
// song. It prepares the song, owns its model and session, and puts two
// docks on the main window: the quick settings and the transport buttons.
// The caller makes it the central widget; it shows the piano roll and the
// track strip.
class PlayDialog : public QWidget
{
    Q_OBJECT
public:
    // Prepares theSong() for the devices (warning when there is no output or
    // no keyboard). `mainReceiver` gets the engine's events for the main window.
    PlayDialog(QMainWindow* main, LiveOptions& options, DeviceSet& devices, const QString& path,
               QObject* mainReceiver);
    ~PlayDialog() override; // removes its docks

    DeckModel& model() { return *model_; }
    DeckSession& session() { return *session_; }
    const QString& path() const { return path_; }
    bool busy() const;
    // Stops a running session, its outputs silenced, and settles a recorded
    // take: asked about, or kept with `keepTake`. False when the engine did
    // not end in time: the song must stay open.
    bool endSession(bool keepTake = false);
    // Ends the session as above before the song closes.
    bool closeDeck();
    static QString songDataTitle();
    QString songData() const;
    // A signed step for every output's volume (the piano roll's wheel).
    void masterVolumeStep(int step);
    Score* score() const { return score_; }
    // While the PC keyboard plays, a key pressed anywhere in the window plays
    // it from the piano roll, which then gets its release too. False when
    // the key is not the deck's.
    bool pcKeyPress(QKeyEvent* event);
    // Tells the main window which tracks are selected, after an edit changed them.
    void reportSelection();

public slots:
    void setTol(int ms);
    void setTempoboost(int boost);
    void setPix4mc(int zoom);
    void setMetPlay(bool on);
    void setMetRecord(bool on);
    void setQAllTracks(bool on);
    void toggleQAllTracks();
    void setTempoAdapt(bool on);
    void toggleTempoAdapt();
    void doRewind();
    void doPause();
    void listen_or_stop();
    void record_or_stop();
    void setCurrentBeat(int beat);

signals:
    void actionChanged(DeckAction action, bool enabled);
    void trackSelectionChanged(int boundSelected, int freeSelected, bool busy);

protected:
    void customEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void buildDeckDock();
    QDockWidget* addDock(const char* name, const char* title, QWidget* contents);
    void startOrStop(bool recording);
    // Places the cursors and starts the session; false when it did not start.
    bool prepareListen(bool recording);
    bool pcKey(QKeyEvent* event, bool pressed);
    void sessionStarted();
    void sessionFinished();
    void showTempo();
    void showTransport();
    void showBeat(int beat);
    // The strip shows the current beat's position.
    void showPosition();

    QMainWindow* main_;
    LiveOptions& options_;
    QObject* mainReceiver_;
    QString path_;
    std::unique_ptr<DeckModel> model_;
    std::unique_ptr<DeckSession> session_; // after the model: dies first
    bool recordable_ = true;

    Score* score_ = nullptr;
    QuickSettings* quick_ = nullptr;
    QToolButton* rewind_ = nullptr;
    QToolButton* pause_ = nullptr;
    QToolButton* record_ = nullptr;
    QToolButton* listen_ = nullptr;
    QPointer<QDockWidget> quickDock_;
    QPointer<QDockWidget> deckDock_;
};
