#include "panes/medit.h"

#include "core/messages.h"
#include "core/programname.h"
#include "core/settings.h"
#include "panes/mlineedit.h"
#include "panes/searchdialog.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QSaveFile>
#include <QTextCodec>
#include <QTextDocument>

namespace
{
QString runDialog(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

Medit::FileChooser& chooser()
{
    static Medit::FileChooser current = runDialog;
    return current;
}

QTextCodec* utf8()
{
    return QTextCodec::codecForName("UTF-8");
}

// Case-sensitive on purpose: "NOTES.HTML" opens as plain, editable text.
bool isHtmlName(const QString& path)
{
    const QString suffix = QFileInfo(path).completeSuffix();
    return suffix == QLatin1String("html") || suffix == QLatin1String("htm");
}

QString dialogTitle(const QString& text)
{
    return QLatin1String(App::kProgramName) + QStringLiteral(" - ") + text;
}

const QByteArray kBom("\xEF\xBB\xBF");
} // namespace

Medit::FileChooser Medit::setFileChooser(FileChooser next)
{
    FileChooser previous = chooser();
    chooser() = next ? std::move(next) : FileChooser(runDialog);
    return previous;
}

Medit::Medit(QWidget* parent, const QString& tooltip, const QString& group, const QString& paneKey,
             const QString& history, const std::atomic<bool>& notify)
    : QTextEdit(parent), group_(group), key_(paneKey), notify_(notify)
{
    setLineWrapMode(QTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAcceptRichText(false); // pasted text stays plain: it is saved as such
    setTextColor(QBrush());
    connect(this, &QTextEdit::textChanged, this, &Medit::setDirty);
    setFocusPolicy(Qt::ClickFocus);
    // The current syllable and a found match stay visible while the focus is elsewhere.
    QPalette p = palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
    setPalette(p);

    QFont f = parent ? parent->font() : font();
    const StoredFont stored = Settings::font(Settings::fontGroup(key_));
    if (stored.family) f.setFamily(*stored.family);
    if (stored.pointSize) f.setPointSize(*stored.pointSize);
    if (stored.weight) f.setWeight(*stored.weight);
    if (stored.italic) f.setItalic(*stored.italic);
    setToolTip(tooltip);
    setFont(f);

    search_ = new SearchDialog(this, history, group_, key_);
    search_->setObjectName(QStringLiteral("searchdialog"));
    connect(search_, &SearchDialog::search, this, &Medit::search_slot);
    connect(search_, &SearchDialog::done, this, &Medit::searchdone_slot);

    lastDir_ = Settings::textDir(group_, key_);
    makeActions();
}

Medit::~Medit()
{
    if (fontChanged_) {
        const QFont f = font();
        Settings::setFont(Settings::fontGroup(key_), f.family(), f.pointSize(), f.weight(),
                          f.italic());
    }
    Settings::setTextDir(group_, key_, lastDir_);
}

void Medit::makeActions()
{
    const struct {
        const char* text;
        const char* shortcut;
        std::function<void()> run;
    } rows[ActionCount] = {
        {QT_TR_NOOP("Clear"), "",
         [this] { // undoable, unlike QTextEdit::clear()
             selectAll();
             textCursor().removeSelectedText();
         }},
        {QT_TR_NOOP("Cha&nge font…"), "", [this] { launchSelectFont(); }},
        {QT_TR_NOOP("&Open text/HTML…"), "Ctrl+O", [this] { openFile(); }},
        {QT_TR_NOOP("Close file"), "Ctrl+W", [this] { closeFile(); }},
        {QT_TR_NOOP("&Save file"), "Ctrl+S", [this] { saveFile(); }},
        {QT_TR_NOOP("Save &As…"), "", [this] { saveFileAs(); }},
        {QT_TR_NOOP("Find in pane"), "Ctrl+F", [this] { launchSearch(); }},
    };
    for (int i = 0; i < ActionCount; ++i) {
        auto* a = new QAction(tr(rows[i].text), this);
        a->setShortcut(QKeySequence(QLatin1String(rows[i].shortcut)));
        connect(a, &QAction::triggered, this, rows[i].run);
        actions_[i] = a;
    }
}

void Medit::refreshActions()
{
    const bool empty = document()->isEmpty();
    actions_[Clear]->setEnabled(!isReadOnly() && !empty);
    actions_[Close]->setEnabled(fileOpen_);
    actions_[Save]->setEnabled(modified_);
    actions_[SaveAs]->setEnabled(!empty);
    actions_[Find]->setEnabled(!empty);
}

QMenu* Medit::createContextMenu(const QPoint& pos)
{
    QMenu* menu = createStandardContextMenu(pos);
    for (QAction* a : menu->actions())
        if (a->text().contains(QLatin1String("Unicode")) || a->text().contains(QLatin1String("IM")))
            menu->removeAction(a);
    refreshActions();
    menu->addAction(actions_[Clear]);
    menu->addSeparator();
    menu->addAction(actions_[Font]);
    menu->addSeparator();
    for (const ActionId id : {Open, Close, Save, SaveAs}) menu->addAction(actions_[id]);
    menu->addSeparator();
    menu->addAction(actions_[Find]);
    return menu;
}

void Medit::contextMenuEvent(QContextMenuEvent* event)
{
    QPointer<QMenu> menu = createContextMenu(event->pos());
    menu->exec(event->globalPos());
    delete menu;
}

// The pane's actions are added to no widget, so Qt registers no shortcut
// that would clash with the main window's Ctrl+O and Ctrl+S: the pane takes
// its keys itself, and only while the action is usable.
QAction* Medit::shortcutAction(const QKeyEvent* event)
{
    const QKeySequence pressed(int(event->modifiers() & ~Qt::KeypadModifier) | event->key());
    refreshActions();
    for (QAction* a : actions_)
        if (a->isEnabled() && !a->shortcut().isEmpty() && a->shortcut() == pressed) return a;
    return nullptr;
}

bool Medit::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride &&
        shortcutAction(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QTextEdit::event(event);
}

void Medit::keyPressEvent(QKeyEvent* event)
{
    if (QAction* a = shortcutAction(event)) {
        a->trigger();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void Medit::setTextColor(const QBrush& brush)
{
    QTextCharFormat f = currentCharFormat();
    if (brush.style() == Qt::NoBrush)
        f.clearForeground();
    else
        f.setForeground(brush);
    setCurrentCharFormat(f);
}

void Medit::reportCancel(const QString& text) const
{
    if (notify_) Messages::report(text);
}

void Medit::fileError(const QString& text)
{
    Messages::titled(MessageKind::Information, tr("File error"), text, Ok, NoButton, window());
}

void Medit::setDirty()
{
    if (modified_ || programText_ || (!fileOpen_ && untitled_.isEmpty())) return;
    modified_ = true;
    emit fileStateChanged();
}

void Medit::launchSelectFont()
{
    const std::optional<QFont> chosen = Mlineedit::chooseFont(font(), this);
    if (!chosen) {
        reportCancel(tr("Font change canceled."));
        return;
    }
    fontChanged_ = true;
    setFont(*chosen);
}

void Medit::openFile()
{
    QFileDialog dialog(this, dialogTitle(tr("Open a text file to edit")), lastDir_);
    dialog.setObjectName(QStringLiteral("fileopendialog"));
    dialog.setViewMode(QFileDialog::Detail);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({tr("plain text files") + QStringLiteral(" (*.txt *.ascii)"),
                           tr("rich text files") + QStringLiteral(" (*.html *.htm)"),
                           tr("All files") + QStringLiteral(" (*)")});
    const QString path = chooser()(dialog);
    if (path.isEmpty()) {
        reportCancel(tr("Text file opening canceled."));
        return;
    }
    lastDir_ = QFileInfo(path).absolutePath();
    openPath(path);
}

bool Medit::openPath(const QString& path)
{
    const bool html = isHtmlName(path);
    QFile file(path);
    // A plain file must be writable, or its edits could not be saved.
    if (!file.open(html ? QIODevice::ReadOnly : QIODevice::ReadWrite)) {
        fileError(tr("Could not open %1 for reading: %2")
                      .arg(QFileInfo(path).fileName(), file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    if (!closeFile()) return false;

    // UTF-8 when the bytes are, else Latin-1, which gives every byte back as it was.
    QTextCodec::ConverterState state;
    QString text = utf8()->toUnicode(bytes.constData(), bytes.size(), &state);
    QTextCodec* codec = utf8();
    if (state.invalidChars || state.remainingChars) {
        codec = QTextCodec::codecForName("ISO-8859-1");
        text = codec->toUnicode(bytes);
    }
    if (html) {
        QTextCodec* declared = QTextCodec::codecForHtml(bytes, codec);
        if (declared != codec) text = declared->toUnicode(bytes);
        codec = declared;
    }
    codec_ = codec;
    bom_ = codec == utf8() && bytes.startsWith(kBom);
    crlf_ = bytes.contains("\r\n");
    html_ = html;
    htmlSource_ = html ? text : QString();

    setReadOnly(html);
    setProgramText(text, html);
    filePath_ = path;
    fileOpen_ = true;
    modified_ = false;
    emit fileStateChanged();
    return true;
}

bool Medit::showText(const QString& text, Qt::TextFormat format)
{
    if (!closeFile()) return false;
    html_ = format == Qt::RichText;
    htmlSource_ = html_ ? text : QString();
    codec_ = nullptr;
    bom_ = crlf_ = false;
    setReadOnly(false);
    setProgramText(text, html_);
    return true;
}

void Medit::setProgramText(const QString& text, bool html)
{
    programText_ = true;
    QTextEdit::clear();
    if (html)
        setHtml(text);
    else
        setPlainText(text);
    programText_ = false;
}

// A rich-text document goes out as the HTML it came as when the name says
// HTML, and as its plain text otherwise.
QByteArray Medit::encodedFor(const QString& path)
{
    QString text;
    if (html_ && isHtmlName(path)) {
        text = htmlSource_;
    } else {
        // The raw text keeps non-breaking spaces, which toPlainText() turns into blanks.
        text = html_ ? toPlainText() : document()->toRawText();
        for (QChar& c : text)
            if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator ||
                c.unicode() == 0xfdd0 || c.unicode() == 0xfdd1)
                c = QLatin1Char('\n');
        if (crlf_) text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    }
    // What the user typed is kept even when the file's encoding cannot hold it.
    if (!codec_ || !codec_->canEncode(text)) codec_ = utf8();
    const QByteArray bytes = codec_->fromUnicode(text);
    return bom_ && codec_ == utf8() ? kBom + bytes : bytes;
}

// Through a temporary file renamed over the old one: a failed write leaves
// the old file whole.
bool Medit::writeTo(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        fileError(tr("Could not open %1 for writing.").arg(name));
        return false;
    }
    out.write(encodedFor(path));
    if (!out.commit()) {
        fileError(tr("Could not write %1: %2").arg(name, out.errorString()));
        return false;
    }
    return true;
}

bool Medit::saveFile()
{
    if (filePath_.isEmpty()) return saveFileAs();
    if (!writeTo(filePath_)) return false;
    if (modified_) {
        modified_ = false;
        emit fileStateChanged();
    }
    return true;
}

bool Medit::saveFileAs()
{
    QFileDialog dialog(this, dialogTitle(tr("Save file as…")), lastDir_);
    dialog.setObjectName(QStringLiteral("filesavedialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({tr("plain text files") + QStringLiteral(" (*.txt)"),
                           tr("All files") + QStringLiteral(" (*)")});
    const QString path = chooser()(dialog);
    if (path.isEmpty()) {
        reportCancel(tr("File save as canceled."));
        return false;
    }
    lastDir_ = QFileInfo(path).absolutePath();
    return saveAs(path);
}

// The pane then holds the new file, so that its next edits ask before they go.
bool Medit::saveAs(const QString& path)
{
    if (!writeTo(path)) return false;
    filePath_ = path;
    fileOpen_ = true;
    modified_ = false;
    emit fileStateChanged();
    return true;
}

bool Medit::maySaveChanges()
{
    if (!modified_) return true;
    const int answer =
        Messages::titled(MessageKind::Question, tr("Save?"),
                         tr("%1 has been modified.\nDo you want to save the changes?")
                             .arg(fileOpen_ ? QFileInfo(filePath_).fileName() : untitled_),
                         Yes | No | Cancel, Cancel, window());
    if (answer == Cancel) return false;
    return answer == No || saveFile(); // a failed save keeps the text
}

bool Medit::closeFile()
{
    if (!fileOpen_ && !modified_) return true;
    if (!maySaveChanges()) return false;
    filePath_.clear();
    fileOpen_ = modified_ = false;
    html_ = false;
    htmlSource_.clear();
    setProgramText(QString(), false);
    setReadOnly(false);
    setTextColor(QBrush());
    emit fileStateChanged();
    return true;
}

QString Medit::saveRecoveryCopy(const QString& folder)
{
    if (!modified_) return {};
    const QFileInfo info(fileOpen_ ? filePath_ : untitled_ + QStringLiteral(".txt"));
    QString name = info.completeBaseName() + QLatin1Char('-') +
                   QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    if (!info.suffix().isEmpty()) name += QLatin1Char('.') + info.suffix();
    const QString path = QDir(folder).filePath(name);
    if (!QDir().mkpath(folder) || !writeTo(path)) return {};
    return path;
}

void Medit::selectSpan(int position, int length)
{
    const int end = document()->characterCount() - 1;
    const int from = qBound(0, position, end);
    QTextCursor c(document());
    c.setPosition(from);
    c.setPosition(qBound(from, from + qMax(length, 0), end), QTextCursor::KeepAnchor);
    setTextCursor(c);
    ensureCursorVisible();
}

void Medit::launchSearch()
{
    if (document()->isEmpty()) return;
    if (search_->text().isEmpty()) search_->setText(lastSearch_);
    QTextCursor c = textCursor();
    c.clearSelection();
    setTextCursor(c);
    search_->show();
    search_->raise();
    search_->activateWindow();
}

void Medit::search_slot()
{
    const QString text = search_->text();
    lastSearch_ = text;
    QTextDocument::FindFlags flags;
    const bool backward = search_->direction();
    if (backward) flags |= QTextDocument::FindBackward;
    if (search_->caseSensitivity()) flags |= QTextDocument::FindCaseSensitively;
    if (search_->wholeword()) flags |= QTextDocument::FindWholeWords;
    const QString title = tr("Find");
    for (;;) {
        if (backward) { // from the start of the current match, so it is not found again
            QTextCursor c = textCursor();
            c.setPosition(c.anchor());
            setTextCursor(c);
        }
        if (find(text, flags)) return;
        const QString reached =
            backward ? tr("Beginning of document reached.") : tr("End of document reached.");
        if (!search_->freshSearch()) {
            Messages::titled(MessageKind::Information, title, reached, Ok, NoButton, search_);
            search_->setFreshSearch(true);
            return;
        }
        const QString wrap =
            backward ? tr("Continue from the end?") : tr("Continue from the beginning?");
        if (Messages::titled(MessageKind::Question, title, reached + QLatin1Char('\n') + wrap,
                             Yes | No, NoButton, search_) != Yes)
            return;
        moveCursor(backward ? QTextCursor::End : QTextCursor::Start);
        search_->setFreshSearch(false);
    }
}

void Medit::searchdone_slot()
{
    search_->hide();
    setFocus();
}
