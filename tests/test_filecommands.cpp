#include "app/democatalogue.h"
#include "app/playdialog.h"
#include "dialogs/newfiledb.h"
#include "song/deckmodel.h"
#include "windowfixture.h"

#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QTimer>
#include <sys/stat.h>

namespace
{
// Answers the next file dialog with `name` (empty: cancels it).
void answerFileDialog(const QString& name)
{
    QTimer::singleShot(0, [name] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* d = qobject_cast<QFileDialog*>(w);
            if (!d || !d->isVisible()) continue;
            if (name.isEmpty()) {
                d->reject();
            } else {
                d->selectFile(name);
                QMetaObject::invokeMethod(d, "accept");
            }
            return;
        }
        answerFileDialog(name); // not shown yet
    });
}

using FileCommands = Window;

TEST_F(FileCommands, AModifiedSongAsksBeforeItGoesAndCancelKeepsIt)
{
    open(1);
    ASSERT_TRUE(window->songOpen());
    window->deck()->model().setModified();
    const QString title = window->windowTitle();

    sink.answers = {Cancel};
    window->action("a_unLoad")->trigger();
    EXPECT_TRUE(window->songOpen());
    EXPECT_EQ(sink.shown.last().text,
              QStringLiteral("%1 has been modified.\nDo you want to save your changes?")
                  .arg(QFileInfo(QCoreApplication::arguments()[1]).fileName()));

    sink.answers = {Yes, Cancel}; // reload: sure, then keep the song
    window->reload();
    EXPECT_TRUE(window->songOpen());
    EXPECT_TRUE(window->deck()->model().modified());

    sink.answers = {Yes}; // save, but the save dialog is cancelled: the close is off
    answerFileDialog(QString());
    window->close();
    EXPECT_FALSE(window.isNull());
    EXPECT_TRUE(window->songOpen());
    EXPECT_EQ(sink.texts().last(), QStringLiteral("File Save was canceled."));

    sink.answers = {Yes}; // save under a new name, then close
    const QString saved = dir.filePath(QString::fromUtf8("gard\xc3\xa9.mid")); // not ASCII
    answerFileDialog(saved);
    EXPECT_TRUE(window->unLoad());
    EXPECT_TRUE(QFileInfo(saved).size() > 0);
    EXPECT_EQ(window->windowTitle(), TopWidget::hostTitle());
    EXPECT_NE(title, window->windowTitle());
}

TEST_F(FileCommands, ATerminatingSignalKeepsAModifiedSongAsARecoveryCopy)
{
    open(1);
    window->deck()->model().setModified();
    window->quitNow(); // asks nothing
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(sink.shown.isEmpty());
    const QDir recovery(QDir(Settings::organisationDir()).filePath(QStringLiteral("recovery")));
    EXPECT_EQ(recovery.entryList({QStringLiteral("*.mid")}, QDir::Files).size(), 1);
}

TEST_F(FileCommands, DemosAreCataloguedAndCopiedToPrivateFiles)
{
    open();
    const auto& catalogue = demoCatalogue();
    ASSERT_EQ(catalogue.size(), 37u);
    for (size_t i = 0; i < catalogue.size(); ++i) {
        const QString name = QStringLiteral("menuitem-%1").arg(i, 3, 10, QLatin1Char('0'));
        QAction* a = window->findChild<QAction*>(name);
        ASSERT_NE(a, nullptr) << name.toStdString();
        EXPECT_EQ(a->text(), QString::fromUtf8(catalogue[i].title));
    }

    QStringList paths;
    for (int order : {0, 36}) {
        window
            ->findChild<QAction*>(QStringLiteral("menuitem-%1").arg(order, 3, 10, QLatin1Char('0')))
            ->trigger();
        ASSERT_TRUE(window->songOpen()) << sink.texts().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(window->windowTitle().endsWith(
            QStringLiteral(" demo - ") + QString::fromUtf8(catalogue[size_t(order)].title)));
        paths << window->songPath();
    }
    ASSERT_EQ(paths.size(), 2);
    EXPECT_NE(paths[0], paths[1]);
    for (const QString& p : paths) {
        struct stat st {
        };
        ASSERT_EQ(::stat(QFile::encodeName(p).constData(), &st), 0) << p.toStdString();
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        QFile::remove(p);
    }
    EXPECT_FALSE(window->launchDemo(37));
    EXPECT_EQ(sink.texts().last(), QStringLiteral("Could not find resource 37"));
}

TEST_F(FileCommands, NewMakesAModifiedSongInAUniqueFile)
{
    Settings::setValue(Keys::Interface::mididir, dir.path());
    open();
    window->setNewFileDialogHook([](NewFileDB&) { return false; });
    window->fileNew();
    EXPECT_FALSE(window->songOpen());
    EXPECT_EQ(sink.texts().last(), QStringLiteral("Empty file creation canceled"));

    window->setNewFileDialogHook([](NewFileDB&) { return true; });
    window->fileNew();
    ASSERT_TRUE(window->songOpen());
    EXPECT_TRUE(window->deck()->model().modified());
    EXPECT_FALSE(window->action("a_fileSave")->isEnabled());
    const QString path = window->windowTitle().section(QStringLiteral(" - "), -1);
    EXPECT_TRUE(QRegExp(QStringLiteral("clavion-......\\.mid")).exactMatch(path))
        << path.toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(path)));

    fakeInputs.clear(); // no keyboard: nothing to record a new song from
    window->fileNew();
    EXPECT_TRUE(sink.texts().last().startsWith(QLatin1String("You cannot create a MIDI file")));
}
} // namespace
