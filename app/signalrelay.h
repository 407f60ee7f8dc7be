#pragma once

#include <QObject>

class QSocketNotifier;

// One handler for SIGSEGV, SIGABRT, SIGINT, SIGFPE, SIGHUP and SIGTERM. The
// fatal ones write their text and die by the signal at once; the terminating
// ones travel through a pipe to the event loop, where nothing is off limits.
class SignalRelay : public QObject
{
    Q_OBJECT
public:
    // Installs the handler; a signal that was ignored stays ignored. One per process.
    explicit SignalRelay(QObject* parent = nullptr);
    ~SignalRelay() override;

    // The translated text for a signal; empty for SIGHUP.
    static QString text(int signalNumber);
    // The terminating signal that has reached the event loop; 0 when none.
    int received() const { return received_; }
    // Ends the process by the received signal's default action; returns
    // when none was received.
    void endByReceivedSignal() const;

signals:
    // Emitted on the event loop, after the text was written to standard error.
    void terminationRequested(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
    int received_ = 0;
};
