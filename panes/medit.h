#pragma once

#include <QTextEdit>
#include <atomic>
#include <functional>

class QFileDialog;
class QMenu;
class QTextCodec;
class SearchDialog;

// A text pane: the song's lyrics, or a plain-text or HTML document that the
// user opens, edits and saves beside the song. Each pane keeps its own font,
// last folder and find dialog. A modified file is never dropped without
// asking, and a file is saved as it was read: same encoding, same line ends.
class Medit : public QTextEdit
{
    Q_OBJECT
public:
    // group: settings group ("/Interface"); paneKey: "lyrics" or "doc";
    // history: the find combo's name; notify: report cancelled commands.
    Medit(QWidget* parent, const QString& tooltip, const QString& group, const QString& paneKey,
          const QString& history, const std::atomic<bool>& notify);
    ~Medit() override; // writes the font, when the user chose one, and the last folder

    bool fileOpen() const { return fileOpen_; }
    bool modified() const { return modified_; }
    const QString& filePath() const { return filePath_; }
    SearchDialog* searchDialog() const { return search_; }

    // Open and Save As without their file dialogs.
    bool openPath(const QString& path);
    bool saveAs(const QString& path);
    // Shows a text of the program's own (the lyrics, a help page) after
    // closing the pane's file; false when the user keeps that file.
    bool showText(const QString& text, Qt::TextFormat format);
    // With a name, what the user types into such a text counts as unsaved
    // changes, asked about under that name as a file's would be.
    void setUntitledName(const QString& name) { untitled_ = name; }
    // Asks whether to save a modified file and saves it when told to; false
    // when the user cancels or the save fails. The file stays open.
    bool maySaveChanges();
    // For the way out that nobody answers: writes a modified file's text into
    // folder under a new name; that name, or empty when nothing was written.
    QString saveRecoveryCopy(const QString& folder);
    // Selects that span of characters and scrolls it into view.
    void selectSpan(int position, int length);
    // The colour of text typed or inserted from now on; no brush: the style's.
    virtual void setTextColor(const QBrush& brush);

    // The answer to the pane's file dialogs: the chosen file, empty when
    // cancelled. Tests replace it; an empty chooser runs the dialog again.
    using FileChooser = std::function<QString(QFileDialog& dialog)>;
    static FileChooser setFileChooser(FileChooser chooser);

public slots:
    void launchSelectFont();
    void openFile();
    bool closeFile(); // false: the file stays open
    bool saveFile();
    bool saveFileAs();
    void launchSearch();
    void setDirty();
    void search_slot();
    void searchdone_slot();

signals:
    // A file was opened, saved or closed, or its text first changed.
    void fileStateChanged();

protected:
    virtual QMenu* createContextMenu(const QPoint& pos);
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The pane's shortcuts win over the window's while it has the focus.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum ActionId { Clear, Font, Open, Close, Save, SaveAs, Find, ActionCount };
    void makeActions();
    void refreshActions();
    QAction* shortcutAction(const QKeyEvent* event);
    void reportCancel(const QString& text) const;
    void fileError(const QString& text);
    bool writeTo(const QString& path);
    void setProgramText(const QString& text, bool html);
    QByteArray encodedFor(const QString& path);

    QString group_;
    QString key_;
    const std::atomic<bool>& notify_;
    SearchDialog* search_;
    QString lastSearch_;
    QString lastDir_;
    QString filePath_;
    bool fileOpen_ = false;
    bool modified_ = false;
    QString untitled_;
    bool programText_ = false; // the program, not the user, is changing the text
    bool fontChanged_ = false;
    // How the file was read, so that it is written back the same way.
    bool html_ = false;
    QString htmlSource_;
    QTextCodec* codec_ = nullptr; // none: UTF-8
    bool bom_ = false;
    bool crlf_ = false;
    QAction* actions_[ActionCount] = {};
};
