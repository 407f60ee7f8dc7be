// The main window's commands that open, create, close, reload and save songs
// and open the demos.

#include "app/appglobals.h"
#include "app/democatalogue.h"
#include "app/devicelists.h"
#include "app/journalcommands.h"
#include "app/playdialog.h"
#include "app/synthcontrol.h"
#include "app/textpanes.h"
#include "app/topwidget.h"
#include "core/messages.h"
#include "core/midi.h"
#include "dialogs/handsplitdialog.h"
#include "dialogs/newfiledb.h"
#include "engine/decksession.h"
#include "engine/midithread.h"
#include "song/handsplit.h"
#include "song/songloader.h"
#include "song/songsaver.h"
#include "song/trackediting.h"
#include "views/diagram.h"
#include "views/score.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <unistd.h>
#include <utility>

namespace
{
QString program()
{
    return QLatin1String(App::kProgramName);
}

QStringList midiFilters()
{
    return {TopWidget::tr("MIDI files") + QStringLiteral(" (*.mid *.kar *.rmi)"),
            TopWidget::tr("All files") + QStringLiteral(" (*)")};
}

// Creates a unique empty file from a template ending in XXXXXX followed by
// `suffixLength` characters; the name, or empty when none could be made.
QString uniqueFile(const QString& pattern, int suffixLength, const QByteArray& contents = {})
{
    QByteArray name = QFile::encodeName(pattern);
    const int fd = mkstemps(name.data(), suffixLength);
    if (fd < 0) {
        std::fprintf(stderr, "Error %i in mkstemps (%s).\n", errno, std::strerror(errno));
        return {};
    }
    // Written through the descriptor mkstemps opened (mode 0600): no other
    // process can slip a file of its own in between.
    const char* p = contents.constData();
    qint64 left = contents.size();
    bool ok = true;
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        p += n;
        left -= n;
    }
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        QFile::remove(QFile::decodeName(name));
        return {};
    }
    return QFile::decodeName(name);
}
} // namespace

void TopWidget::reportCancel(const QString& text)
{
    if (options_.notifyCancel) Messages::report(text);
}

void TopWidget::songTitle(const QString& name)
{
    setWindowTitle(name.isEmpty() ? hostTitle() : hostTitle() + QStringLiteral(" - ") + name);
}

bool TopWidget::openFile(const QString& path)
{
    return load(SongSource::File, path);
}

bool TopWidget::openWithDialog()
{
    return load(SongSource::Dialog);
}

bool TopWidget::load(SongSource source, const QString& file)
{
    synth_->awaitStart();
    DeviceCounts counts = refreshDevices();
    if (counts.outputs == 0) { // a synthesizer launched now gives the song its sound
        Messages::warning(tr("No MIDI output port both available and allowed. You can try to "
                             "allow one in Devices setup or execute a software synthesizer "
                             "program using the next dialog"));
        if (launchSoftSynths() == Launcher::FailedToStart) return false;
        counts = refreshDevices();
    }
    if (counts.outputs == 0) {
        Messages::information(
            tr("You cannot use %1 without at least one MIDI output enabled in Options>>Devices "
               "setup. You can create one in File>>Launch tools and soft&ware synths…")
                .arg(program()));
        return false;
    }
    QString path;
    if (source == SongSource::File) {
        path = QFileInfo(file).absoluteFilePath();
    } else if (source == SongSource::Current && deck_) {
        path = songPath_;
    } else if (source == SongSource::Demo) {
        path = file;
    } else {
        QFileDialog dialog(this, tr("%1 - Open a MIDI file").arg(program()), options_.mididir);
        dialog.setObjectName(QStringLiteral("fileopendialog"));
        dialog.setViewMode(QFileDialog::Detail);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters(midiFilters());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            reportCancel(tr("Demo canceled"));
            return false;
        }
        path = dialog.selectedFiles().constFirst();
    }
    if (source != SongSource::Demo) options_.mididir = QFileInfo(path).absolutePath();
    // A demo reloaded reads its copy again: the copy outlives the unload.
    const QString reread = path == madeFile_ ? std::exchange(madeFile_, QString()) : QString();
    if (deck_ && !unLoad()) { // the user kept the song open
        if (!reread.isEmpty()) madeFile_ = reread;
        return false;
    }
    isDemo_ = source == SongSource::Demo || !reread.isEmpty();

    theSong().clear();
    if (!QFileInfo(path).isFile() || !QFileInfo(path).isReadable()) {
        std::fprintf(stderr, "can't open file %s\n", QFile::encodeName(path).constData());
        Messages::warning(tr("File %1 not found").arg(QFileInfo(path).fileName()));
        return false;
    }
    LoadOptions loadOptions;
    loadOptions.splitFormat0 = options_.splitformat0;
    loadOptions.strictLyrics = options_.strictlyrics;
    if (!loadSong(path, loadOptions)) { // the loader has told why
        theSong().clear();
        return false;
    }
    songPath_ = path;
    if (isDemo_) madeFile_ = path;
    songTitle(QFileInfo(path).fileName());
    openDeck(false);
    return true;
}

void TopWidget::openDeck(bool isNew)
{
    deck_ = new PlayDialog(this, options_, devices_, songPath_, this);
    deck_->setObjectName(QStringLiteral("playdialog"));
    connect(deck_, &PlayDialog::actionChanged, this, [this](DeckAction a, bool on) {
        const char* names[] = {"a_fileSave", "a_reload", "a_allnotesoff", "a_takeAnalysis"};
        action(names[int(a)])->setEnabled(on);
        busyActions_.remove(QLatin1String(names[int(a)])); // a kept take decides, not the old state
    });
    connect(deck_, &PlayDialog::trackSelectionChanged, this,
            [this](int bound, int free, bool busy) {
                enableTrackActions(bound, free, busy);
                setFileActionsBusy(busy);
            });
    setCentralWidget(deck_);
    // Under the quick settings, the lyrics get a karaoke line's width; beside
    // the deck's docks they would be squeezed to a word a line.
    if (auto* quick = findChild<QDockWidget*>(QStringLiteral("dw_quickset")))
        splitDockWidget(quick, lyricsDock_, Qt::Vertical);
    if (isNew) deck_->model().setModified();
    lyricsDock_->setVisible(options_.showlyrics && !theSong().facts.lyrics.isEmpty());
    setSongActions(true);
    action("a_fileSave")->setEnabled(false);
    action("a_reload")->setEnabled(!isNew);
    action("a_allnotesoff")->setEnabled(true);
    decodeLyrics("UTF-8");
    journal_->songOpened(deck_);
    deck_->setFocus();
    updateGeometry();
    neatShrink();
}

// While a session runs the song must stay as it is: no opening, closing,
// reloading or saving until it ends. Quit stays: it stops the session first.
void TopWidget::setFileActionsBusy(bool busy)
{
    const char* const always[] = {"a_fileNew", "a_load", "a_unLoad", "a_fileSaveAs"};
    const char* const remembered[] = {"a_fileSave", "a_reload"};
    if (busy && !busyActions_.isEmpty()) return;
    for (const char* name : always) action(name)->setEnabled(!busy);
    demoMenu_->menuAction()->setEnabled(!busy); // a demo opens in place of the song
    for (const char* name : remembered) {
        if (busy) {
            busyActions_[QLatin1String(name)] = action(name)->isEnabled();
            action(name)->setEnabled(false);
        } else {
            action(name)->setEnabled(
                busyActions_.value(QLatin1String(name), action(name)->isEnabled()));
        }
    }
    if (!busy) busyActions_.clear();
}

bool TopWidget::unLoad()
{
    if (!deck_) return true;
    // The session ends first: a take kept now is one more change to save.
    if (!deck_->endSession()) return false;
    if (deck_->model().modified()) {
        const int answer =
            Messages::question(tr("%1 has been modified.\n").arg(QFileInfo(songPath_).fileName()) +
                                   tr("Do you want to save your changes?"),
                               Yes | No | Cancel, Cancel);
        if (answer == Cancel) return false;
        if (answer == Yes && !fileSaveAs()) return false; // the edits stay with the song
    }
    if (!deck_->closeDeck()) return false; // the engine did not stop: the song stays
    // Now, not later: the deck points into the song about to be freed.
    delete takeCentralWidget();
    deck_ = nullptr;
    showWelcome();
    theSong().clear();
    removeMadeFile();
    songPath_.clear();
    isDemo_ = false;
    // Nothing points into vanished devices any more.
    DeviceLists::purgeAbsent(devices_);
    showDeviceLists();
    panes_->clearLyrics();
    lyricsDock_->hide();
    setSongActions(false);
    songTitle(QString());
    updateGeometry();
    neatShrink();
    return true;
}

void TopWidget::reload()
{
    if (!deck_ ||
        !Messages::sure(tr("Reloading will erase all changes you made to the current file and load "
                           "it with current settings. Are you sure you want to do this?")))
        return;
    load(SongSource::Current);
}

bool TopWidget::fileSave()
{
    if (!deck_) return false;
    if (isDemo_) return fileSaveAs(); // never into the demo's temporary file
    if (!saveSong(deck_->model(), songPath_)) return false;
    if (songPath_ == madeFile_) madeFile_.clear(); // the user's now
    action("a_fileSave")->setEnabled(false);
    action("a_reload")->setEnabled(false);
    return true;
}

bool TopWidget::fileSaveAs()
{
    if (!deck_) return false;
    for (;;) {
        QFileDialog dialog(this, tr("%1 - Write MIDI file").arg(program()), options_.mididir);
        dialog.setObjectName(QStringLiteral("filesavedialog"));
        dialog.setViewMode(QFileDialog::Detail);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters(midiFilters());
        if (!isDemo_) dialog.selectFile(QFileInfo(songPath_).fileName());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            reportCancel(tr("File Save was canceled."));
            return false;
        }
        songPath_ = dialog.selectedFiles().constFirst();
        isDemo_ = false;
        options_.mididir = QFileInfo(songPath_).absolutePath();
        songTitle(QFileInfo(songPath_).fileName());
        if (fileSave()) return true;
    }
}

void TopWidget::fileNew()
{
    const DeviceCounts counts = refreshDevices();
    if (counts.inputs == 0) {
        Messages::information(tr("You cannot create a MIDI file in %1 without a MIDI instrument "
                                 "connected (also check it is not ignored in Devices setup).")
                                  .arg(program()));
        return;
    }
    if (counts.outputs == 0) {
        Messages::information(
            tr("You cannot use %1 without at least one MIDI output enabled in Devices setup.")
                .arg(program()));
        return;
    }
    NewFileDB dialog(this);
    if (!runNewFileDialog(dialog)) {
        reportCancel(tr("Empty file creation canceled"));
        neatShrink();
        return;
    }
    // The current song goes first (with its save question), then the store is reset.
    if (!unLoad()) return;
    const QString path = uniqueFile(
        QStringLiteral("%1/%2-XXXXXX.mid").arg(options_.mididir, QStringLiteral("clavion")), 4);
    if (path.isEmpty()) {
        Messages::warning(tr("Could not create a new file in %1").arg(options_.mididir));
        return;
    }
    theSong().clear();
    newSong(dialog.ppq(), dialog.beatsPerMeasure(), dialog.beatValueIndex(), dialog.bpm());
    theSong().facts.lyrics =
        options_.strictlyrics
            ? QByteArray()
            : tr("Created in %1 version %2").arg(program(), QLatin1String(App::kVersion)).toUtf8();
    songPath_ = path;
    madeFile_ = path;
    isDemo_ = false;
    songTitle(QFileInfo(path).fileName());
    openDeck(true);
}

void TopWidget::removeMadeFile()
{
    if (!madeFile_.isEmpty()) QFile::remove(madeFile_);
    madeFile_.clear();
}

bool TopWidget::runNewFileDialog(NewFileDB& dialog)
{
    if (newFileDialogHook_) return newFileDialogHook_(dialog);
    return dialog.exec() == QDialog::Accepted;
}

void TopWidget::bindFree()
{
    if (deck_ && Messages::sure(tr("Are you sure you want to bind all events in the selected free "
                                   "tracks?")))
        ::bindFree(deck_->model(), false);
}

void TopWidget::wipeFree()
{
    if (deck_ && Messages::sure(
                     tr("Are you sure you want to remove all events in the selected free tracks?")))
        ::wipeFree(deck_->model(), false);
}

void TopWidget::mergeBound()
{
    if (deck_) ::mergeBound(deck_->model());
}

void TopWidget::splitHands()
{
    if (!deck_ || deck_->busy()) return;
    DeckModel& model = deck_->model();
    int track = -1;
    for (int d = 0; d < model.boundTracks() && size_t(d) < model.selected.size(); ++d) {
        if (!model.selected[size_t(d)]) continue;
        if (track >= 0) return; // one track at a time
        track = d;
    }
    if (track < 0) return;
    HandSplitPlan first = planHandSplit(model, track, kAutomaticSplit);
    if (!first.refusal.isEmpty()) {
        Messages::warning(first.refusal);
        return;
    }
    // The dialog's loop may outlast the roll: a device failure closes the song after it.
    QPointer<Diagram> roll = deck_->score()->diagram();
    const auto [right, left] = Diagram::handColours(options_);
    HandSplitDialog dialog(this, model, std::move(first), right, left);
    connect(&dialog, &HandSplitDialog::planChanged, roll, &Diagram::setHandPreview);
    roll->setHandPreview(&dialog.plan());
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (!roll) return;
    roll->setHandPreview(nullptr);
    if (accepted && deck_ && !deck_->busy() && applyHandSplit(model, dialog.plan()) > 0)
        deck_->reportSelection(); // the tracks selected now are others
}

void TopWidget::deleteBound()
{
    if (deck_) ::deleteBound(deck_->model());
}

void TopWidget::allnotesoff()
{
    std::vector<const OutputDevice*> outputs;
    for (const auto& out : devices_.outputs)
        if (!out->ignoreOutput && !out->absent) outputs.push_back(out.get());
    MidiThread* thread = deck_ ? deck_->session().thread() : nullptr;
    if (thread && thread->isSessionRunning()) {
        for (const OutputDevice* out : outputs) thread->channelsOff(*out, kAllChannels);
        return;
    }
    // At rest too: a note that another program left sounding is when it is wanted.
    silenceAtRest(outputs);
}

void TopWidget::buildDemoMenu(QMenu* const groups[4])
{
    for (const DemoSong& d : demoCatalogue())
        addMidiDemo(groups[d.group], d.file, d.title, d.tracks);
}

void TopWidget::addMidiDemo(QMenu* submenu, const char* file, const char* title, int ntracks)
{
    static const char* const countTexts[] = {
        "",
        QT_TRANSLATE_NOOP("TopWidget", ", (1 track)"),
        QT_TRANSLATE_NOOP("TopWidget", ", (2 tracks)"),
        QT_TRANSLATE_NOOP("TopWidget", ", (3 tracks)"),
        QT_TRANSLATE_NOOP("TopWidget", ", (4 tracks)"),
        QT_TRANSLATE_NOOP("TopWidget", ", (5 tracks)"),
        "",
        QT_TRANSLATE_NOOP("TopWidget", ", (7 tracks)"),
        QT_TRANSLATE_NOOP("TopWidget", ", (8 tracks)"),
        QT_TRANSLATE_NOOP("TopWidget", ", (9 tracks)"),
    };
    demoFiles_ << QLatin1String(file);
    const QString shown = tr(title);
    demoTitles_ << shown;
    const bool counted =
        ntracks > 0 && ntracks < int(std::size(countTexts)) && *countTexts[ntracks];
    const QString count = counted ? tr(countTexts[ntracks]) : QString();
    addDemo(submenu, shown.toUtf8().constData(), (shown + count).toUtf8().constData());
}

void TopWidget::addDemo(QMenu* submenu, const char* menutext, const char* statustext)
{
    const int order = demoCount_++;
    auto* a =
        new QAction(QIcon(QStringLiteral(":/appicon16.xpm")), QString::fromUtf8(menutext), this);
    a->setObjectName(QStringLiteral("menuitem-%1").arg(order, 3, 10, QLatin1Char('0')));
    a->setToolTip(QString::fromUtf8(menutext));
    a->setStatusTip(QString::fromUtf8(statustext));
    submenu->addAction(a);
    connect(a, &QAction::triggered, this, [this, order] { launchDemo(order); });
}

bool TopWidget::launchDemo(int order)
{
    if (order < 0 || order >= demoFiles_.size()) {
        Messages::warning(tr("Could not find resource %1").arg(order));
        return false;
    }
    QFile resource(QStringLiteral(":/qembedfiles/%1").arg(demoFiles_[order]));
    if (!resource.open(QIODevice::ReadOnly)) {
        Messages::warning(tr("Could not find resource %1").arg(order));
        return false;
    }
    const QString path = uniqueFile(
        QStringLiteral("%1/clavion-demo-%2XXXXXX").arg(QDir::tempPath(), demoFiles_[order]), 0,
        resource.readAll());
    if (path.isEmpty()) {
        Messages::warning(tr("Could not copy the demo to %1").arg(QDir::tempPath()));
        return false;
    }
    if (!load(SongSource::Demo, path)) {
        if (path != madeFile_) QFile::remove(path); // the song before stays open
        return false;
    }
    setWindowTitle(hostTitle() + tr(" demo - ") + demoTitles_[order]);
    return true;
}

// The way out for terminating signals: nobody is there to answer a question,
// so a modified song is kept as a recovery copy and named on standard error.
void TopWidget::quitNow()
{
    ConsoleMessageSink console; // every question takes its default answer
    ScopedMessageSink quiet(&console);
    writeQuitKeys();
    const QString dir = QDir(Settings::organisationDir()).filePath(QStringLiteral("recovery"));
    panes_->keepRecoveryCopies(dir);
    if (deck_) {
        deck_->endSession(true); // all notes off; a take goes into the copy
        deck_->closeDeck();
        if (deck_->model().modified()) {
            QDir().mkpath(dir);
            const QString copy = QDir(dir).filePath(
                QStringLiteral("%1-%2.mid")
                    .arg(QFileInfo(songPath_).completeBaseName(),
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"))));
            if (saveSong(deck_->model(), copy))
                std::fprintf(stderr, "%s: unsaved changes written to %s\n", App::kProgramName,
                             QFile::encodeName(copy).constData());
        }
        deck_->model().clearModified();
    }
    // Inside a dialog's or a box's own event loop the code that opened it,
    // often the deck's, is still on the stack: the window and its deck go
    // when the loops have ended, as the program's exit deletes them.
    if (QThread::currentThread()->loopLevel() > 1) return;
    unLoad();
    close();
}
