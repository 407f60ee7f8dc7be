#include "app/signalrelay.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace
{

struct SignalText {
    int signalNumber;
    bool fatal;
    const char* text;
};
// In the order the handler is installed.
const SignalText kSignals[] = {
    {SIGSEGV, true,
     QT_TRANSLATE_NOOP("main, GUI thread",
                       "A segmentation error occurred (SIGSEGV), the program must terminate")},
    {SIGABRT, true,
     QT_TRANSLATE_NOOP("main, GUI thread",
                       "An abort condition occurred (SIGABRT), the program must terminate")},
    {SIGINT, false,
     QT_TRANSLATE_NOOP(
         "main, GUI thread",
         "A user keyboard interruption occurred (SIGINT), the program will terminate")},
    {SIGFPE, true,
     QT_TRANSLATE_NOOP("main, GUI thread",
                       "A floating point exception occurred (SIGFPE), the program will terminate")},
    {SIGHUP, false, nullptr},
    {SIGTERM, false,
     QT_TRANSLATE_NOOP("main, GUI thread", "Clavion received a termination signal (SIGTERM).")},
};

int pipeFds[2] = {-1, -1};

// The fatal texts, translated before the handler is installed and never
// freed, so the handler needs neither Qt nor the heap.
struct RawText {
    const char* data = nullptr;
    size_t size = 0;
};
RawText fatalText[NSIG];

void resetAndRaise(int signalNumber)
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signalNumber, &action, nullptr);
    raise(signalNumber);
}

// Only async-signal-safe calls. Returning from a fault would run the faulting
// instruction again, so a fatal signal is re-raised with the default action
// (still blocked here, it strikes as the handler returns).
extern "C" void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const RawText& fatal = fatalText[signalNumber];
    if (fatal.data) {
        if (write(STDERR_FILENO, fatal.data, fatal.size) < 0) {
        }
        resetAndRaise(signalNumber);
    } else {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        if (write(pipeFds[1], &byte, 1) < 0) {
        }
    }
    errno = savedErrno;
}

} // namespace

SignalRelay::SignalRelay(QObject* parent) : QObject(parent)
{
    if (pipeFds[0] < 0 && pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        std::perror("clavion: signal pipe");
    if (pipeFds[0] >= 0) {
        notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &SignalRelay::readPipe);
    }
    for (const SignalText& s : kSignals) {
        if (s.fatal) {
            const QByteArray line = (text(s.signalNumber) + QLatin1Char('\n')).toLocal8Bit();
            fatalText[s.signalNumber] = {qstrdup(line.constData()), size_t(line.size())};
        }
        struct sigaction action = {};
        action.sa_handler = onSignal;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        struct sigaction previous = {};
        sigaction(s.signalNumber, &action, &previous);
        if (previous.sa_handler == SIG_IGN) sigaction(s.signalNumber, &previous, nullptr);
    }
}

// Past the event loop nobody reads the pipe, so terminating signals get
// their default action back.
SignalRelay::~SignalRelay()
{
    for (const SignalText& s : kSignals) {
        struct sigaction current = {};
        sigaction(s.signalNumber, nullptr, &current);
        if (!s.fatal && current.sa_handler == onSignal) signal(s.signalNumber, SIG_DFL);
    }
}

QString SignalRelay::text(int signalNumber)
{
    for (const SignalText& s : kSignals)
        if (s.signalNumber == signalNumber && s.text)
            return QCoreApplication::translate("main, GUI thread", s.text);
    return QString();
}

void SignalRelay::endByReceivedSignal() const
{
    if (received_) resetAndRaise(received_);
}

void SignalRelay::readPipe()
{
    unsigned char byte = 0;
    while (read(pipeFds[0], &byte, 1) == 1) {
        // A second signal while the first one's quit path runs means the
        // user insists.
        if (received_) resetAndRaise(byte);
        received_ = byte;
        const QString line = text(received_);
        if (!line.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(line));
        emit terminationRequested(received_);
    }
}
