// Start-up to the first shown window: the real main window against a bare
// QMainWindow, each in a fresh process, alternating, in one run.
//
//   bench_startup [ROUNDS]
//
// Each sample is the wall time from starting the child process (exec and
// dynamic linking included) to the child reporting its window exposed. Uses
// the display in DISPLAY, else the offscreen platform. Prints the medians and
// their ratio.

#include "app/topwidget.h"
#include "core/messages.h"
#include "core/settings.h"
#include "resources/resources.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{
class SilentSink : public MessageSink
{
public:
    int show(const Message&) override { return NoButton; }
};

int child(int argc, char** argv, bool real)
{
    QApplication app(argc, argv);
    SilentSink sink; // a missing sequencer must not hold the window in a box
    ScopedMessageSink installed(&sink);
    QMainWindow* window;
    if (real) {
        initResources();
        Settings::open(Settings::languageCode());
        window = new TopWidget;
    } else {
        window = new QMainWindow;
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    const bool shown = QTest::qWaitForWindowExposed(window, 10000);
    std::printf("%s\n", shown ? "shown" : "timeout");
    std::fflush(stdout);
    window->close();
    if (real) Settings::close();
    return shown ? 0 : 1;
}

double sample(const QString& program, const char* mode, const QProcessEnvironment& env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(program, {QStringLiteral("--child"), QLatin1String(mode)});
    while (!p.canReadLine() && p.state() != QProcess::NotRunning) p.waitForReadyRead(10000);
    const double ms = t.nsecsElapsed() / 1e6;
    const bool ok = p.readLine().startsWith("shown");
    p.waitForFinished(10000);
    return ok ? ms : -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return child(argc, argv, std::strcmp(argv[2], "clavion") == 0);

    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    QCoreApplication app(argc, argv);
    QTemporaryDir home; // no settings file, as at a first start
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
    const QString self = QCoreApplication::applicationFilePath();

    std::vector<double> bare, real;
    sample(self, "bare", env); // warm the file cache for both
    sample(self, "clavion", env);
    for (int i = 0; i < rounds; ++i) {
        bare.push_back(sample(self, "bare", env));
        real.push_back(sample(self, "clavion", env));
    }
    if (std::count(bare.begin(), bare.end(), -1.0) || std::count(real.begin(), real.end(), -1.0)) {
        std::fprintf(stderr, "bench_startup: a window never showed\n");
        return 1;
    }
    const double b = median(bare), r = median(real);
    std::printf("platform %s, %d rounds\n",
                qgetenv("QT_QPA_PLATFORM").isEmpty() ? "xcb"
                                                     : qgetenv("QT_QPA_PLATFORM").constData(),
                rounds);
    std::printf("bare QMainWindow   median %7.1f ms\n", b);
    std::printf("Clavion main window median %7.1f ms\n", r);
    std::printf("ratio %.2f\n", r / b);
    return 0;
}
