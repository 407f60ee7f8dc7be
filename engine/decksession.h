#pragma once

#include <QObject>
#include <memory>

class DeckModel;
class LiveOptions;
class MidiThread;

// The deck's side of a session without widgets: starts and stops the engine
// thread and receives what it reports. The deck widget builds on it; tools
// and tests use it alone.
class DeckSession : public QObject {
    Q_OBJECT
public:
    DeckSession(DeckModel& deck, LiveOptions& options, QObject* mainReceiver,
                QObject* parent = nullptr);
    ~DeckSession() override;

    bool listen() { return start(false); }
    bool record() { return start(true); }
    // Asks the engine to end the session; sessionFinished follows.
    void stop();
    bool active() const;
    MidiThread* thread() const { return thread_.get(); }

    // What the deck shows.
    int effectiveTempo() const { return effectiveTempo_; }
    int shownTempo() const;
    int clockSteps() const { return clockSteps_; }

    // Answers the keep-take question of a record session (Yes keeps).
    bool showShiftWhenRecording() const;

signals:
    void sessionStarted();
    void sessionFinished(int interactiveNotes, int freeNotes, bool halted);

protected:
    void customEvent(QEvent* event) override;

private:
    bool start(bool recording);
    void finish(int interactiveNotes, int freeNotes, bool halted);

    DeckModel& deck_;
    LiveOptions& options_;
    QObject* mainReceiver_;
    std::unique_ptr<MidiThread> thread_;
    int effectiveTempo_ = 500000;
    int clockSteps_ = 0;
};
