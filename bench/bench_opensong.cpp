// Opening a big song through the main window, against reading it alone.
//
//   bench_opensong FILE [REPS]     (FILE: e.g. `bench_smf generate` output)
//
// In one run: the median time to read FILE with the loader alone (baseline),
// and the median time from File>>Open to a ready deck in the real main window
// (offscreen, with one stand-in output port), with the longest stall of the
// event loop seen meanwhile by a 1 ms timer. Prints both and their ratio, and
// the piano roll's repaint at the start, the middle and the end of the song.

#include "app/appglobals.h"
#include "app/devicelists.h"
#include "app/playdialog.h"
#include "app/topwidget.h"
#include "core/messages.h"
#include "core/settings.h"
#include "resources/resources.h"
#include "song/songloader.h"
#include "views/diagram.h"
#include "views/score.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
class SilentSink : public MessageSink
{
public:
    int show(const Message&) override { return NoButton; }
};

ScanResult oneOutput()
{
    ScanResult r;
    r.ok = true;
    r.ports.push_back({128, 0, QStringLiteral("Synth"), QStringLiteral("Synth input")});
    return r;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_opensong FILE [REPS]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    QApplication app(argc, argv);
    App::arguments = QCoreApplication::arguments(); // argument 1 is the song
    initResources();
    SilentSink sink;
    ScopedMessageSink installed(&sink);
    QTemporaryDir config;
    Settings::resetForTests(config.path(), QStringLiteral("en"));
    DeviceLists::setScanners(oneOutput, oneOutput);

    std::vector<double> alone, gui, stalls, paints;
    auto* window = new TopWidget;
    window->show();
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer t;
        t.start();
        if (!loadSong(QString::fromLocal8Bit(argv[1]))) return 1;
        alone.push_back(t.nsecsElapsed() / 1e6);
        theSong().clear();

        // The open runs from the event loop, as a menu click would; a 1 ms
        // timer measures how long the loop could not run meanwhile.
        QElapsedTimer since;
        double stall = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            stall = std::max(stall, since.nsecsElapsed() / 1e6);
            since.restart();
        });
        bool opened = false;
        QTimer::singleShot(5, [&] {
            t.restart();
            opened = window->openFile(App::arguments[1]);
            gui.push_back(t.nsecsElapsed() / 1e6);
            QTimer::singleShot(50, &app, &QCoreApplication::quit);
        });
        since.start();
        ticker.start(1);
        app.exec();
        ticker.stop();
        if (!opened) {
            std::fprintf(stderr, "bench_opensong: the window did not open %s\n", argv[1]);
            return 1;
        }
        stalls.push_back(stall);
        // The piano roll repainted where the song starts, in its middle and
        // near its end: each walk starts at the song cursor, so all cost alike.
        if (i == 0) {
            PlayDialog* deck = window->deck();
            Diagram* roll = deck->score()->diagram();
            const int beats = deck->model().beats;
            for (int beat : {1, beats / 2, std::max(1, beats - 8)}) {
                deck->setCurrentBeat(beat);
                QElapsedTimer p;
                p.start();
                for (int k = 0; k < 50; ++k) roll->repaint();
                paints.push_back(p.nsecsElapsed() / 50e6);
            }
        }
        window->unLoad();
    }
    std::printf("%s, %d reps\n", argv[1], reps);
    std::printf("loader alone             median %8.1f ms\n", median(alone));
    std::printf("File>>Open to ready deck median %8.1f ms  (ratio %.2f)\n", median(gui),
                median(gui) / median(alone));
    std::printf("longest event-loop stall median %8.1f ms\n", median(stalls));
    std::printf("piano roll repaint at the start %.3f ms, middle %.3f ms (ratio %.2f), "
                "end %.3f ms (ratio %.2f)\n",
                paints[0], paints[1], paints[1] / paints[0], paints[2], paints[2] / paints[0]);
    delete window;
    Settings::close();
    return 0;
}
