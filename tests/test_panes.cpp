#include "app/playdialog.h"
#include "app/textpanes.h"
#include "core/events.h"
#include "panes/histcombo.h"
#include "panes/medit.h"
#include "panes/mlineedit.h"
#include "panes/searchdialog.h"
#include "song/song.h"
#include "windowfixture.h"

#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTest>
#include <sys/stat.h>

namespace
{
QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

class Panes : public Window
{
protected:
    ~Panes() override
    {
        for (const QString& f : locked) chmod(QFile::encodeName(f).constData(), 0755);
    }
    // A file in a folder of its own; a locked folder takes no new file, so
    // saving there fails. Root writes into read-only folders: for it the
    // name leaves no room for the temporary file's suffix either.
    QString document(const QByteArray& bytes, bool lock = false, const QString& name = "doc.txt")
    {
        const QString folder = dir.filePath(QString::number(locked.size() + ++folders));
        QDir().mkpath(folder);
        const QString path = QDir(folder).filePath(lock ? QString(250, 'd') + ".txt" : name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        if (lock) {
            chmod(QFile::encodeName(folder).constData(), 0555);
            locked << folder;
        }
        return path;
    }
    std::atomic<bool> notify{true};
    QStringList locked;
    int folders = 0;
};

TEST_F(Panes, AModifiedDocumentIsNeverDroppedWithoutTheQuestion)
{
    enum Way { OpenOther, CloseFile, DeckCloses, NewDocument, Quit, LyricsCodec };
    const struct {
        Way way;
        bool lyrics;      // the file is in the lyrics pane, else in the document window
        bool file = true; // else the text is typed into the song's data: Yes saves it as
    } ways[] = {{OpenOther, true},
                {CloseFile, false},
                {DeckCloses, false},
                {NewDocument, false},
                {Quit, false},
                {Quit, true},
                {LyricsCodec, true},
                {DeckCloses, false, false},
                {NewDocument, false, false},
                {Quit, false, false}};
    enum Answer { Keep, Drop, SaveFails, Saves };
    for (const auto& w : ways)
        for (const Answer answer : {Keep, Drop, SaveFails, Saves}) {
            SCOPED_TRACE(testing::Message()
                         << "way " << w.way << " answer " << answer << " file " << w.file);
            open(1);
            ASSERT_TRUE(window->songOpen());
            TextPanes* panes = window->textPanes();
            if (!w.lyrics) window->action("a_songinfo")->trigger();
            QPointer<Medit> pane = w.lyrics ? panes->lyricsPane() : panes->documentPane();
            ASSERT_TRUE(pane);
            const QString path = document("old text\n", answer == SaveFails);
            if (w.file) {
                ASSERT_TRUE(pane->openPath(path));
            }
            EXPECT_FALSE(pane->modified());
            const QString before = pane->toPlainText();
            Medit::setFileChooser([&](QFileDialog&) { return path; });
            pane->moveCursor(QTextCursor::End);
            QTest::keyClicks(pane, "typed");
            ASSERT_TRUE(pane->modified());

            sink.shown.clear();
            sink.answers = {answer == Keep ? Cancel : answer == Drop ? No : Yes};
            switch (w.way) {
            case OpenOther:
                pane->openPath(document("other\n"));
                break;
            case CloseFile:
                pane->closeFile();
                break;
            case DeckCloses:
                postEvent(window, new MessageEvent(CloseDocWindowEvent));
                QCoreApplication::sendPostedEvents(window);
                break;
            case NewDocument:
                window->songinfo();
                break;
            case Quit:
                window->quit();
                break;
            case LyricsCodec:
                window->lyricsCodec();
                break;
            }
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            ASSERT_GE(sink.shown.size(), 1);
            EXPECT_EQ(sink.shown[0].title, QStringLiteral("Save?"));
            EXPECT_EQ(sink.shown[0].text,
                      (w.file ? QFileInfo(path).fileName() : PlayDialog::songDataTitle()) +
                          " has been modified.\nDo you want to save the changes?");
            const bool kept = answer == Keep || answer == SaveFails;
            EXPECT_EQ(pane && pane->isVisible() && pane->modified() &&
                          pane->toPlainText() == before + "typed",
                      kept);
            EXPECT_EQ(window && window->isVisible(), kept || w.way != Quit);
            EXPECT_EQ(contents(path), answer == Saves ? (before + "typed").toUtf8() : "old text\n");
            Medit::setFileChooser(nullptr);
            EXPECT_EQ(sink.shown.value(1).title,
                      answer == SaveFails ? QStringLiteral("File error") : QString());
            if (window) {
                sink.answers = {No, No, No};
                window->close();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                ASSERT_TRUE(window.isNull());
            }
        }
}

// A terminating signal asks nothing: the text goes to the recovery folder.
// Ctrl+S in a pane saves its file, not the song; each pane keeps its font.
TEST_F(Panes, SignalsKeysAndFonts)
{
    open(1);
    Medit* pane = window->textPanes()->lyricsPane();
    const QString path = document("old\n");
    ASSERT_TRUE(pane->openPath(path));
    QTest::keyClicks(pane, "new ");
    QTest::keyClick(pane, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(contents(path), "new old\n");
    QTest::keyClicks(pane, "unsaved ");
    window->songinfo();
    ASSERT_TRUE(window->textPanes()->documentPane()->openPath(document("doc\n", false, "b.txt")));
    QTest::keyClicks(window->textPanes()->documentPane(), "more ");
    window->quitNow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(sink.shown.isEmpty());
    QDir recovery(QDir(Settings::organisationDir()).filePath("recovery"));
    const QStringList copies = recovery.entryList(QDir::Files);
    ASSERT_EQ(copies.size(), 2);
    EXPECT_EQ(contents(recovery.filePath(copies[0])), "more doc\n");
    EXPECT_EQ(contents(recovery.filePath(copies[1])), "new unsaved old\n");

    const QFont chosen("Serif Test", 17, QFont::Bold, true);
    Mlineedit::setFontChooser([&](const QFont&, QWidget*) { return chosen; });
    delete new Medit(nullptr, {}, "/Interface", "doc", "combodoc", notify); // no choice, no font
    EXPECT_FALSE(Settings::font("Fontdoc").family);
    Medit(nullptr, {}, "/Interface", "doc", "combodoc", notify).launchSelectFont();
    Mlineedit::setFontChooser(nullptr);
    const auto text = [](const QFont& f) { return f.toString().section(',', 0, 5); };
    EXPECT_EQ(text(Medit(nullptr, {}, "/Interface", "doc", "combodoc", notify).font()),
              text(chosen));
    EXPECT_NE(text(Medit(nullptr, {}, "/Interface", "lyrics", "combolyrics", notify).font()),
              text(chosen));
}

TEST_F(Panes, SavingReplacesTheFileWholeAndGivesBackItsBytes)
{
    Medit pane(nullptr, {}, "/Interface", "doc", "combodoc", notify);
    const struct {
        const char* name;
        QByteArray bytes;
        bool editable;
        const char* savedAs; // file name of a copy, which holds the same bytes
    } files[] = {
        {"doc.txt", "Caf\xe9\r\nna\xefve\r\n", true, "copy.txt"}, // Latin-1, CR LF
        {"doc.txt", "\xEF\xBB\xBFgr\xC3\xBC\303\237e\xC2\xA0x\n\n\tend", true, "copy"},
        {"page.html", "<html><body><p>Caf&eacute; <b>bold</b></p></body></html>\n", false,
         "copy.html"},
        {"PAGE.HTML", "<p>shown as typed</p>", true, "copy.txt"}, // the suffix test is exact
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const QString path = document(f.bytes, false, f.name);
        ASSERT_TRUE(pane.openPath(path));
        EXPECT_EQ(pane.isReadOnly(), !f.editable);
        EXPECT_EQ(pane.toPlainText().contains("<p>"), f.editable && f.bytes.contains("<p>"));
        EXPECT_TRUE(pane.saveFile());
        EXPECT_EQ(contents(path), f.bytes);
        const QString copy = QFileInfo(path).dir().filePath(f.savedAs);
        EXPECT_TRUE(pane.saveAs(copy));
        EXPECT_EQ(contents(copy), f.bytes);
        EXPECT_EQ(pane.filePath(), copy);
    }
    // The file dialogs: cancelled ones say so, an accepted one opens its file.
    const QString chosen = document(files[0].bytes);
    QStringList dialogs, answers{"", "", chosen};
    Medit::setFileChooser([&](QFileDialog& d) {
        dialogs << d.objectName() + ' ' + d.nameFilters().join(';');
        return answers.takeFirst();
    });
    pane.openFile();
    pane.saveFileAs();
    pane.openFile();
    Medit::setFileChooser(nullptr);
    const QString open = "fileopendialog plain text files (*.txt *.ascii);rich text files "
                         "(*.html *.htm);All files (*)";
    EXPECT_EQ(dialogs,
              QStringList({open, "filesavedialog plain text files (*.txt);All files (*)", open}));
    EXPECT_EQ(sink.texts(), QStringList({"Text file opening canceled.", "File save as canceled."}));
    EXPECT_EQ(pane.filePath(), chosen);

    // Saved as plain text, an HTML page loses its markup but not its words.
    ASSERT_TRUE(pane.openPath(QFileInfo(document(files[2].bytes, false, "page.html")).filePath()));
    const QString text = dir.filePath("page.txt");
    EXPECT_TRUE(pane.saveAs(text));
    EXPECT_EQ(contents(text).trimmed(), QByteArray("Caf\xc3\xa9 bold"));

    // An edit replaces the file whole: whoever still reads the old one reads it all.
    const QString path = document("Caf\xe9 au lait\n");
    ASSERT_TRUE(pane.openPath(path));
    QFile reader(path);
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));
    pane.moveCursor(QTextCursor::End);
    pane.insertPlainText(QString::fromUtf8("5 \xe2\x82\xac")); // not in Latin-1: UTF-8 then
    EXPECT_TRUE(pane.saveFile());
    EXPECT_FALSE(pane.modified());
    EXPECT_EQ(reader.readAll(), QByteArray("Caf\xe9 au lait\n"));
    EXPECT_EQ(QString::fromUtf8(contents(path)),
              QString::fromUtf8("Caf\xc3\xa9 au lait\n5 \xe2\x82\xac"));
    EXPECT_EQ(QFileInfo(path).dir().entryList(QDir::Files), QStringList{"doc.txt"});

    // A folder that takes no file: the old file stays whole, the text stays modified.
    const QString lockedPath = document("before\n", true);
    ASSERT_TRUE(pane.openPath(lockedPath));
    QTest::keyClicks(&pane, "x");
    EXPECT_FALSE(pane.saveFile());
    EXPECT_TRUE(pane.modified());
    EXPECT_EQ(contents(lockedPath), "before\n");
    EXPECT_EQ(sink.shown.last().title, QStringLiteral("File error"));
    EXPECT_TRUE(sink.shown.last().text.startsWith("Could not "));
}

TEST_F(Panes, FindWrapsOnceAndReportsWhatItDidNotFind)
{
    Medit pane(nullptr, {}, "/Interface", "doc", "combodoc", notify);
    pane.setPlainText("alpha beta\ngamma Alpha\nalphabet"); // matches at 0, 17, 23
    SearchDialog* d = pane.searchDialog();
    const QString end = "End of document reached.", start = "Beginning of document reached.";
    const struct {
        int option; // 0 none, 1 backwards, 2 case-sensitive whole words forwards
        int answer; // to the wrap question
        int selected;
        QString shown;
    } steps[] = {
        {0, 0, 0, {}},
        {0, 0, 17, {}},
        {0, 0, 23, {}},
        {0, Yes, 0, end + "\nContinue from the beginning?"},
        {0, 0, 17, {}},
        {0, 0, 23, {}},
        {0, 0, 23, end},
        {0, No, 23, end + "\nContinue from the beginning?"},
        {1, 0, 17, {}},
        {1, 0, 0, {}},
        {1, Yes, 23, start + "\nContinue from the end?"},
        {2, 0, 0, {}},
        {2, Yes, 0, end + "\nContinue from the beginning?"},
        {2, 0, 0, end},
    };
    d->setText("alpha");
    pane.launchSearch();
    int option = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << (&s - steps));
        if (s.option != option) {
            option = s.option;
            d->setDirection(option == 1);
            d->setCaseSensitivity(option == 2);
            d->setWholeword(option == 2);
            if (option == 2) pane.moveCursor(QTextCursor::Start);
        }
        sink.shown.clear();
        sink.answers = {s.answer};
        d->findChild<QPushButton*>()->click();
        EXPECT_EQ(pane.textCursor().selectionStart(), s.selected);
        EXPECT_EQ(pane.textCursor().selectedText().toLower(), "alpha");
        EXPECT_EQ(sink.texts().join('|'), s.shown);
        for (const Message& m : sink.shown) EXPECT_TRUE(m.title == "Find" && m.parent == d);
    }
    // Closing hides the dialog; the next search starts from the last text.
    QTest::keyClick(d, Qt::Key_Escape);
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(d->text().isEmpty());
    pane.launchSearch();
    EXPECT_EQ(d->text(), "alpha");
}

TEST_F(Panes, FindHistoryKeepsItsOrderAndTwelveEntries)
{
    QStringList expected;
    {
        Medit pane(nullptr, {}, "/Interface", "lyrics", "combolyrics", notify);
        pane.setPlainText("some lyrics");
        SearchDialog* d = pane.searchDialog();
        HistCombo* combo = d->combo();
        EXPECT_EQ(combo->objectName(), "combolyrics");
        auto buttons = d->findChildren<QPushButton*>();
        pane.launchSearch();
        EXPECT_FALSE(buttons[0]->isEnabled()); // nothing to find yet
        QTest::keyClicks(combo, "first");
        buttons[0]->click();
        buttons[0]->click();
        buttons[1]->click();
        EXPECT_EQ(combo->items(), QStringList{"first"});
        EXPECT_FALSE(d->isVisible());
        for (const QString& text : {QString("   "), QString("first")}) {
            d->setText(text);
            d->slotCancel();
        }
        EXPECT_EQ(combo->items(), QStringList{"first"}); // blanks add nothing, a repeat stays put
        for (int i = 0; i < 14; ++i) {
            d->setText(QString("word %1").arg(i));
            d->slotCancel();
            expected.prepend(QString("word %1").arg(i));
        }
        expected = expected.mid(0, 12);
        EXPECT_EQ(combo->items(), expected);
    }
    EXPECT_EQ(Settings::history("/Interface", "lyrics"), expected);
    Settings::setStoreHistory("/Interface", "lyrics", false);
    {
        Medit pane(nullptr, {}, "/Interface", "lyrics", "combolyrics", notify);
        EXPECT_EQ(pane.searchDialog()->combo()->count(), 0);
        pane.searchDialog()->combo()->remember("not kept");
    }
    EXPECT_EQ(Settings::history("/Interface", "lyrics"), expected);
    Settings::setStoreHistory("/Interface", "lyrics", true);
    Medit pane(nullptr, {}, "/Interface", "lyrics", "combolyrics", notify);
    EXPECT_EQ(pane.searchDialog()->combo()->items(), expected);
}

TEST_F(Panes, TheLyricHighlightFollowsTheEngine)
{
    TrackBuilder t;
    for (const char* syllable : {"Gr\xc3\xbc", "\303\237e ", "/sch\xc3\xb6", "ne "})
        t.text(0, 5, syllable);
    for (int i = 0; i < 80; ++i) t.text(10, 5, "/line " + std::to_string(i));
    t.on(0, 0, 60, 100).off(96, 0, 60).end();
    App::arguments[1] = QString::fromStdString(writeTempFile(smfFile(0, 96, {t})));
    open(1);
    ASSERT_TRUE(window->songOpen());
    Medit* pane = window->textPanes()->lyricsPane();
    ASSERT_TRUE(pane->isVisible());
    const QByteArray& lyrics = theSong().facts.lyrics;
    for (const QByteArray syllable : {"line 79", "sch\xc3\xb6", "\303\237e"}) {
        SCOPED_TRACE(syllable.constData());
        const int at = lyrics.indexOf(syllable);
        ASSERT_GE(at, 0);
        postEvent(window, LyricSelectPayload::make(quint32(at), syllable.size()));
        QCoreApplication::sendPostedEvents(window);
        EXPECT_EQ(pane->textCursor().selectedText(), QString::fromUtf8(syllable));
        EXPECT_TRUE(pane->viewport()->rect().contains(pane->cursorRect())); // scrolled to it
    }
}
} // namespace
