#include "app/textpanes.h"

#include "app/appglobals.h"
#include "app/helpwindows.h"
#include "app/topwidget.h"
#include "core/events.h"
#include "core/settings.h"
#include "panes/medit.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QTextCodec>
#include <QVBoxLayout>
#include <cstdio>

namespace
{
const QString kGroup = QStringLiteral("/Interface");

// Closing it by hand closes its file, with the question when it was modified.
class DocWindow : public QFrame
{
public:
    DocWindow(QWidget* parent, const QString& title, const LiveOptions& options)
        : QFrame(parent, Qt::Window)
    {
        setObjectName(QStringLiteral("docbody"));
        auto* whole = new QVBoxLayout(this);
        whole->setObjectName(QStringLiteral("whole"));
        const Help::ProgramLink link = Help::programLink(options.helpMain);
        auto* header = new QLabel(QStringLiteral("<center><h2>%1&nbsp;&nbsp;%2</h2></center>")
                                      .arg(link.html, title.toHtmlEscaped()),
                                  this);
        header->setObjectName(QStringLiteral("header"));
        header->setToolTip(link.address);
        QFont f(QStringLiteral("Serif"), 12, QFont::Bold);
        f.setStyleHint(QFont::Serif);
        header->setFont(f);
        header->setOpenExternalLinks(true);
        whole->addWidget(header);
        whole->addSpacing(20);
        pane = new Medit(
            this, title + QLatin1Char('\n') + TopWidget::tr("Right-click to get a menu"), kGroup,
            QStringLiteral("doc"), QStringLiteral("combodoc"), options.notifyCancel);
        pane->setObjectName(QStringLiteral("docpane"));
        pane->setUntitledName(title); // what the user types here is kept or asked about
        whole->addWidget(pane);
        setWindowTitle(title + QLatin1Char(' ') + QLatin1String(App::kProgramName));
        // A file of the user's names the window, marked while it holds unsaved changes.
        connect(pane, &Medit::fileStateChanged, this, [this, title] {
            const QString name = pane->fileOpen() ? QFileInfo(pane->filePath()).fileName() : title;
            const bool marked = pane->fileOpen() || pane->modified();
            setWindowTitle(name + (marked ? QStringLiteral("[*] ") : QStringLiteral(" ")) +
                           QLatin1String(App::kProgramName));
            setWindowModified(pane->modified());
        });
    }

    Medit* pane;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (pane->closeFile())
            event->accept();
        else
            event->ignore();
    }
};
} // namespace

TextPanes::TextPanes(TopWidget& top, QDockWidget* lyricsDock, const LiveOptions& options)
    : QObject(&top), top_(top), options_(options)
{
    lyrics_ = new Medit(lyricsDock,
                        TopWidget::tr("Click one or more times green icon on toolbar to fix "
                                      "accented characters if necessary") +
                            QLatin1Char('\n') + TopWidget::tr("Right-click to get a menu"),
                        kGroup, QStringLiteral("lyrics"), QStringLiteral("combolyrics"),
                        options.notifyCancel);
    lyrics_->setObjectName(QStringLiteral("lyricspane"));
    lyricsDock->setWidget(lyrics_);
}

Medit* TextPanes::documentPane() const
{
    return doc_ ? static_cast<DocWindow*>(doc_.data())->pane : nullptr;
}

void TextPanes::showLyrics(const QByteArray& bytes, const QByteArray& codecName)
{
    if (!lyrics_->closeFile()) return; // the user keeps his file
    lyricsCodec_ = QTextCodec::codecForName(codecName);
    lyricsBytes_ = bytes;
    lyrics_->showText(lyricsCodec_ ? lyricsCodec_->toUnicode(bytes) : QString(), Qt::PlainText);
}

void TextPanes::clearLyrics()
{
    lyricsCodec_ = nullptr;
    lyricsBytes_.clear();
    if (!lyrics_->fileOpen()) lyrics_->clear();
}

// The engine counts bytes of the lyrics as the file holds them; the pane
// counts characters of their decoded text, which differ beyond ASCII.
void TextPanes::selectLyric(quint32 bytePosition, int byteLength)
{
    if (!lyricsCodec_ || lyrics_->fileOpen() || byteLength < 0) return;
    const int from = int(qMin(bytePosition, quint32(lyricsBytes_.size())));
    const int to = qMin(from + byteLength, lyricsBytes_.size());
    const int start = lyricsCodec_->toUnicode(lyricsBytes_.left(from)).size();
    const int end = lyricsCodec_->toUnicode(lyricsBytes_.left(to)).size();
    lyrics_->selectSpan(start, end - start);
}

bool TextPanes::showDocument(const QString& title, const QString& text, Qt::TextFormat format)
{
    if (!closeDocument()) return false;
    auto* window = new DocWindow(&top_, title, options_);
    window->pane->showText(text, format);
    if (!window->restoreGeometry(Settings::value(Keys::Doc::geometry))) window->resize(560, 480);
    window->show();
    doc_ = window;
    return true;
}

bool TextPanes::closeDocument()
{
    if (!doc_) return true;
    if (!documentPane()->closeFile()) return false;
    leave();
    return true;
}

void TextPanes::leave()
{
    if (!doc_) return;
    Settings::setValue(Keys::Doc::geometry, doc_->saveGeometry());
    doc_->hide();
    doc_->deleteLater(); // a box of its own may still be on the stack
    doc_ = nullptr;
}

bool TextPanes::mayQuit()
{
    for (Medit* pane : {lyrics_, documentPane()})
        if (pane && !pane->maySaveChanges()) return false;
    return true;
}

void TextPanes::keepRecoveryCopies(const QString& folder)
{
    for (Medit* pane : {lyrics_, documentPane()}) {
        if (!pane) continue;
        const QString copy = pane->saveRecoveryCopy(folder);
        if (!copy.isEmpty())
            std::fprintf(stderr, "%s: unsaved text written to %s\n", App::kProgramName,
                         QFile::encodeName(copy).constData());
    }
}

bool TextPanes::feed(QEvent* event)
{
    switch (int(event->type())) {
    case LyricSelectEvent: {
        const LyricSelectPayload lyric(event);
        selectLyric(lyric.bytePosition(), lyric.byteLength());
        return true;
    }
    case CloseDocWindowEvent:
        closeDocument();
        return true;
    default:
        return false;
    }
}
