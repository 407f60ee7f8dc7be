#pragma once

#include <QFrame>
#include <QObject>
#include <QPointer>

class LiveOptions;
class Medit;
class QDockWidget;
class QEvent;
class QTextCodec;
class TopWidget;

// The main window's two text panes: the lyrics pane in its dock, which
// follows the song, and the document window, a top-level window with a pane
// of its own that shows help pages, the song's data or a file of the user's.
class TextPanes : public QObject
{
    Q_OBJECT
public:
    TextPanes(TopWidget& top, QDockWidget* lyricsDock, const LiveOptions& options);

    Medit* lyricsPane() const { return lyrics_; }
    QFrame* documentWindow() const { return doc_; }
    Medit* documentPane() const;

    // The song's lyrics bytes decoded by the named codec (none known: an
    // empty pane). A file the user opened in the pane is closed first.
    void showLyrics(const QByteArray& bytes, const QByteArray& codecName);
    // The song went: its lyrics go too, a file of the user's stays.
    void clearLyrics();
    // Replaces the document window; false when the user keeps the modified
    // file it holds. format: Qt::RichText for HTML, else plain text.
    bool showDocument(const QString& title, const QString& text,
                      Qt::TextFormat format = Qt::RichText);
    // Closes the document window, asking first when its file was modified.
    bool closeDocument();
    // Before the program ends: asks about every modified file; false when
    // the user cancels or a save fails, and the program goes on.
    bool mayQuit();
    // The way out nobody answers: modified files are written into folder.
    void keepRecoveryCopies(const QString& folder);
    // The window is going: the document window's geometry is kept.
    void leave();
    // Lyric selection (1047) and the deck's close (1022); false for others.
    bool feed(QEvent* event);

private:
    void selectLyric(quint32 bytePosition, int byteLength);

    TopWidget& top_;
    const LiveOptions& options_;
    Medit* lyrics_;
    QPointer<QFrame> doc_;
    QByteArray lyricsBytes_;
    QTextCodec* lyricsCodec_ = nullptr; // null while the pane shows no lyrics
};
