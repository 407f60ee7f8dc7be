#include "app/guimessagesink.h"
#include "song/songloader.h"

#include <QApplication>
#include <QMainWindow>
#include <QPlainTextEdit>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Clavion"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Clavion"));
    GuiMessageSink sink(&window);
    ScopedMessageSink installed(&sink);

    auto* summary = new QPlainTextEdit(&window);
    summary->setReadOnly(true);
    window.setCentralWidget(summary);
    window.resize(640, 400);
    window.show();

    const QStringList args = QApplication::arguments();
    if (args.size() > 1 && loadSong(args[1])) {
        const FileFacts& f = theSong().facts;
        QString text = QStringLiteral("%1\nformat %2, %3 tracks, division %4, %5 events\n")
                           .arg(args[1])
                           .arg(f.format)
                           .arg(f.ntracks)
                           .arg(f.division)
                           .arg(theSong().events.size());
        for (int i = 0; i < f.ntracks; ++i)
            text += QStringLiteral("track %1: %2 notes %3\n")
                        .arg(i)
                        .arg(f.noteOnCounts[size_t(i)])
                        .arg(QString::fromLatin1(f.trackNames[size_t(i)]));
        summary->setPlainText(text);
    }
    return app.exec();
}
