#include "app/topwidget.h"

#include "app/actiontable.h"
#include "app/appglobals.h"
#include "app/devicelists.h"
#include "app/helpwindows.h"
#include "app/journalcommands.h"
#include "app/launcher.h"
#include "app/pianodocks.h"
#include "app/playdialog.h"
#include "app/synthcontrol.h"
#include "app/textpanes.h"
#include "core/events.h"
#include "core/messages.h"
#include "dialogs/optiodb.h"
#include "engine/decksession.h"
#include "engine/devicewatch.h"
#include "panes/cleanwidgets.h"
#include "song/songloader.h"
#include "views/score.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QSysInfo>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <cstdio>

QStringList App::arguments;

namespace
{
enum MenuId { FileMenu, TracksMenu, HelpMenu };

struct ActionRow {
    MenuId menu;
    ActionSpec spec;
    void (*run)(TopWidget*); // null: the command's window is not built yet, so it stays disabled
    bool separatorAfter;
};

// In menu order; Quit is made last so it ends the File menu.
const ActionRow kActions[] = {
    {FileMenu,
     {"a_fileNew", "filenew", QT_TRANSLATE_NOOP("TopWidget", "&New…"), "Ctrl+N",
      QT_TRANSLATE_NOOP("TopWidget", "Create a new midi file"),
      QT_TRANSLATE_NOOP("TopWidget", "Create a new midi file with default parameters"), true},
     [](TopWidget* w) { w->fileNew(); },
     false},
    {FileMenu,
     {"a_load", "fileopen", QT_TRANSLATE_NOOP("TopWidget", "&Open…"), "Ctrl+O",
      QT_TRANSLATE_NOOP("TopWidget", "Load a midi file for custom play"),
      QT_TRANSLATE_NOOP("TopWidget", "Load an existing midi file for custom play"), true},
     [](TopWidget* w) { w->openWithDialog(); },
     false},
    {FileMenu,
     {"a_unLoad", "return", QT_TRANSLATE_NOOP("TopWidget", "&Close"), "Ctrl+F4",
      QT_TRANSLATE_NOOP("TopWidget", "Close midi file"),
      QT_TRANSLATE_NOOP("TopWidget", "Close currently open MIDI file"), true},
     [](TopWidget* w) { w->unLoad(); },
     false},
    {FileMenu,
     {"a_reload", "editundo", QT_TRANSLATE_NOOP("TopWidget", "&Reload"), "Ctrl+F5",
      QT_TRANSLATE_NOOP("TopWidget", "Reload midi file from disk."),
      QT_TRANSLATE_NOOP("TopWidget",
                        "Reload the currently open MIDI file from disk, taking new settings into "
                        "account but losing unsaved changes if any"),
      true},
     [](TopWidget* w) { w->reload(); },
     true},
    {FileMenu,
     {"a_fileSave", "filesave", QT_TRANSLATE_NOOP("TopWidget", "&Save"), "Ctrl+S",
      QT_TRANSLATE_NOOP("TopWidget", "Save your changes, modifying original file"),
      QT_TRANSLATE_NOOP("TopWidget",
                        "Save your edits, modifying original or previously saved file"),
      true},
     [](TopWidget* w) { w->fileSave(); },
     false},
    {FileMenu,
     {"a_fileSaveAs", "filesaveas", QT_TRANSLATE_NOOP("TopWidget", "Save &As…"), "",
      QT_TRANSLATE_NOOP("TopWidget", "Save your changes to another file"),
      QT_TRANSLATE_NOOP("TopWidget", "Save your edits under a different file name"), false},
     [](TopWidget* w) { w->fileSaveAs(); },
     true},
    {FileMenu,
     {"a_options", "options", QT_TRANSLATE_NOOP("TopWidget", "O&ptions…"), "Ctrl+P",
      QT_TRANSLATE_NOOP("TopWidget", "Finetune %1's behaviour"),
      QT_TRANSLATE_NOOP("TopWidget",
                        "Set various visual and functional parameters relative %1's behaviour"),
      true},
     [](TopWidget* w) { w->showOptions(); },
     false},
    {FileMenu,
     {"a_checkSoftSynths", "launchSoftSynths_q",
      QT_TRANSLATE_NOOP("TopWidget", "Current software synt&hs…"), "Ctrl+U",
      QT_TRANSLATE_NOOP("TopWidget", "Check software synthesizers"),
      QT_TRANSLATE_NOOP("TopWidget",
                        "List of software synthesizers started from current session of %1"),
      true},
     [](TopWidget* w) { w->checkSoftSynths(); },
     false},
    {FileMenu,
     {"a_launchSoftSynths", "launchSoftSynths_p",
      QT_TRANSLATE_NOOP("TopWidget", "Launch tools and soft&ware synths…"), "Ctrl+Y",
      QT_TRANSLATE_NOOP("TopWidget", "Start available audio tools"),
      QT_TRANSLATE_NOOP("TopWidget",
                        "Launch audio tools (jackd, pulseaudio, etc.) and software synthesizers "
                        "(fluidsynth, timidity, etc."),
      true},
     [](TopWidget* w) { w->launchSoftSynths(); },
     false},
    {FileMenu,
     {"a_songinfo", "information", QT_TRANSLATE_NOOP("TopWidget", "&Data for current song…"),
      "Ctrl+G", QT_TRANSLATE_NOOP("TopWidget", "Data for current song…"),
      QT_TRANSLATE_NOOP("TopWidget", "Data for current song…"), true},
     [](TopWidget* w) { w->songinfo(); },
     false},
    {FileMenu,
     {"a_takeAnalysis", "information", QT_TRANSLATE_NOOP("TopWidget", "&Take analysis…"), "",
      QT_TRANSLATE_NOOP("TopWidget", "How early or late you played the last kept take"),
      QT_TRANSLATE_NOOP("TopWidget",
                        "Plot how early or late each cluster of the last kept take was played, "
                        "with its worst measures"),
      false},
     [](TopWidget* w) { w->showTakeAnalysis(); },
     false},
    {FileMenu,
     {"a_allnotesoff", "break", QT_TRANSLATE_NOOP("TopWidget", "A&ll notes off"), "Ctrl+E",
      QT_TRANSLATE_NOOP(
          "TopWidget",
          "Immediately stop all notes currently playing on all midi devices and channels"),
      QT_TRANSLATE_NOOP(
          "TopWidget",
          "Immediately stop all notes currently playing on all midi devices and channels"),
      true},
     [](TopWidget* w) { w->allnotesoff(); },
     false},
    {FileMenu,
     {"a_lyricsCodec", "icons8-icons8-48",
      QT_TRANSLATE_NOOP("TopWidget", "Fix l&yrics characters…"), "Ctrl+X",
      QT_TRANSLATE_NOOP("TopWidget", "Try to correctly display accented characters in lyrics"),
      QT_TRANSLATE_NOOP("TopWidget", " Select if the karaoke text is garbled"), true},
     [](TopWidget* w) { w->lyricsCodec(); },
     false},
    {TracksMenu,
     {"a_mergeBound", "merge", QT_TRANSLATE_NOOP("TopWidget", "&Merge bound…"), "Ctrl+M",
      QT_TRANSLATE_NOOP("TopWidget", "Merge selected bound tracks"),
      QT_TRANSLATE_NOOP("TopWidget", "Merge selected bound tracks"), false},
     [](TopWidget* w) { w->mergeBound(); },
     false},
    {TracksMenu,
     {"a_splitHands", "merge", QT_TRANSLATE_NOOP("TopWidget", "Split by &hand…"), "Ctrl+H",
      QT_TRANSLATE_NOOP("TopWidget", "Split the selected bound track into its two hands"),
      QT_TRANSLATE_NOOP("TopWidget",
                        "Split the selected bound track into a right-hand and a left-hand track"),
      false},
     [](TopWidget* w) { w->splitHands(); },
     false},
    {TracksMenu,
     {"a_deleteBound", "x", QT_TRANSLATE_NOOP("TopWidget", "&Delete bound…"), "Ctrl+D",
      QT_TRANSLATE_NOOP("TopWidget", "Delete selected bound tracks"),
      QT_TRANSLATE_NOOP("TopWidget", "Delete selected bound tracks"), false},
     [](TopWidget* w) { w->deleteBound(); },
     false},
    {TracksMenu,
     {"a_bindFree", "bindfree", QT_TRANSLATE_NOOP("TopWidget", "&Bind free…"), "Ctrl+B",
      QT_TRANSLATE_NOOP("TopWidget", "Bind selected free tracks"),
      QT_TRANSLATE_NOOP("TopWidget", "Add currently selected free tracks to bound track set"),
      false},
     [](TopWidget* w) { w->bindFree(); },
     false},
    {TracksMenu,
     {"a_wipeFree", "wipe", QT_TRANSLATE_NOOP("TopWidget", "&Wipe free…"), "Ctrl+W",
      QT_TRANSLATE_NOOP("TopWidget", "Remove all events in selected free tracks"),
      QT_TRANSLATE_NOOP("TopWidget", "Remove all events in selected free tracks"), false},
     [](TopWidget* w) { w->wipeFree(); },
     false},
    {TracksMenu,
     {"a_practiceHistory", "information", QT_TRANSLATE_NOOP("TopWidget", "&Practice history…"), "",
      QT_TRANSLATE_NOOP("TopWidget", "The practice history of this song"),
      QT_TRANSLATE_NOOP("TopWidget",
                        "Plot every practice session of this song and how well each measure "
                        "is mastered"),
      false},
     [](TopWidget* w) { w->journalCommands()->showHistory(); },
     false},
    {TracksMenu,
     {"a_practiseWeakest", "information", QT_TRANSLATE_NOOP("TopWidget", "Practise the wea&kest"),
      "", QT_TRANSLATE_NOOP("TopWidget", "Loop the measures you play worst"),
      QT_TRANSLATE_NOOP("TopWidget",
                        "Loop the least mastered measures, the tempo stepping up from where "
                        "they were last played well"),
      false},
     [](TopWidget* w) { w->journalCommands()->practiseWeakest(); },
     false},
    {HelpMenu,
     {"a_about", "question", QT_TRANSLATE_NOOP("TopWidget", "&About…"), "Ctrl+A",
      QT_TRANSLATE_NOOP("TopWidget", "About %1 …"), QT_TRANSLATE_NOOP("TopWidget", "About %1 …"),
      false},
     [](TopWidget* w) { w->about(); },
     false},
    {HelpMenu,
     {"a_tbs", "question", QT_TRANSLATE_NOOP("TopWidget", "&Quick Troubleshoot…"), "Ctrl+K",
      QT_TRANSLATE_NOOP("TopWidget", "Quick Troubleshoot %1 …"),
      QT_TRANSLATE_NOOP("TopWidget", "Quick Troubleshoot %1 …"), false},
     [](TopWidget* w) { w->tbs(); },
     false},
    {HelpMenu,
     {"a_tutorial", "question", QT_TRANSLATE_NOOP("TopWidget", "Training &hints…"), "",
      QT_TRANSLATE_NOOP("TopWidget", "Easy training exercises for %1 …"),
      QT_TRANSLATE_NOOP("TopWidget", "Easy training exercises for %1 …"), false},
     [](TopWidget* w) { w->tutorial(); },
     false},
    {HelpMenu,
     {"a_browseDoc", "question", QT_TRANSLATE_NOOP("TopWidget", "Handb&ook…"), "Ctrl+L",
      QT_TRANSLATE_NOOP("TopWidget", "%1 Handbook…"),
      QT_TRANSLATE_NOOP("TopWidget", " Access the complete manual for %1"), false},
     [](TopWidget* w) { w->browseDoc(); },
     false},
};

const ActionSpec kToolTipsAction = {
    "a_toggletooltips",
    "tooltips",
    QT_TRANSLATE_NOOP("TopWidget", "Show &Tooltips"),
    "Ctrl+T",
    QT_TRANSLATE_NOOP("TopWidget", "Toggle balloon help"),
    QT_TRANSLATE_NOOP("TopWidget", "Display or inhibit help in balloons for current session only"),
    true};
const ActionSpec kQuitAction = {"a_quit",
                                "quit",
                                QT_TRANSLATE_NOOP("TopWidget", "&Quit"),
                                "Ctrl+Q",
                                QT_TRANSLATE_NOOP("TopWidget", "Exit %1"),
                                QT_TRANSLATE_NOOP("TopWidget", "Quit %1"),
                                true};

// Enabled only while a song is open or by the deck.
const char* const kSongActions[] = {
    "a_unLoad",       "a_reload",      "a_fileSave",        "a_fileSaveAs",     "a_songinfo",
    "a_takeAnalysis", "a_lyricsCodec", "a_mergeBound",      "a_deleteBound",    "a_bindFree",
    "a_wipeFree",     "a_splitHands",  "a_practiceHistory", "a_practiseWeakest"};

const char* const kLyricsCodecs[] = {"System", "ISO-8859-15", "IBM850", "windows-1252",
                                     "UTF-8",  "SJIS",        "CP950"};

QString dockTitle(const char* name)
{
    return QStringLiteral("%1 - %2").arg(QLatin1String(App::kProgramName),
                                         QCoreApplication::translate("TopWidget", name));
}

} // namespace

ActionerDockWidget::ActionerDockWidget(const QString& title, QWidget* parent, QAction* action)
    : QDockWidget(title, parent)
{
    connect(this, &QDockWidget::visibilityChanged, action, &QAction::setEnabled);
}

bool BalloonEater::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip) return true;
    return QObject::eventFilter(watched, event);
}

TopWidget::TopWidget(const QString& commandLineSong)
    : balloonEater_(new BalloonEater(this)), launcher_(new Launcher(*this)),
      journal_(new JournalCommands(*this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("main_top"));

    const bool firstStart = !QFile::exists(Settings::store().fileName());
    options_.load();
    Help::settle(options_, Settings::languageCode());
    Settings::loadDefaultDevices(devices_);
    if (!options_.tooltips) qApp->installEventFilter(balloonEater_);
    // Before any widget is made, so every size below is measured in the sheet's look.
    applyStyleSheet();

    const QIcon icon(QStringLiteral(":/appicon.png"));
    QApplication::setWindowIcon(icon);
    setWindowIcon(icon);

    showWelcome();
    buildDocks();
    statusBar()->setSizeGripEnabled(true);
    statusBar()->show();

    Settings::loadPcKeyboard(devices_.pcKeyboard, devices_.defaultInput);
    synth_ = new SynthControl(*this);
    const bool synthStarting = synth_->startAtLaunch(firstStart);
    // Tests that stand in for the sequencer's lists want no news from it.
    if (DeviceLists::realScanners()) {
        watch_ = std::make_unique<DeviceWatch>(this);
        watch_->start();
    }
    ScanResult inputs, outputs; // a first start picks its defaults from these
    refreshDevices(&inputs, &outputs);

    buildActions();
    buildLyricsDock();
    // The saved state places docks and tool bars, so they must exist first.
    restoreGeometry(Settings::value(Keys::Geometry::geometry));
    restoreState(Settings::value(Keys::Geometry::windowState));
    lyricsDock_->hide();
    statusBar()->showMessage(tr("Welcome to %1").arg(QLatin1String(App::kProgramName)), 1000);
    // Before the first measure: the docks keep the sizes of the keyboards they had then.
    if (firstStart) chooseFirstDefaults(inputs, outputs);
    neatShrink();

    // The synthesizer says where it plays once it is up.
    if (!synthStarting) launcher_->hint();
    setWindowTitle(hostTitle());
    if (!commandLineSong.isEmpty()) openFile(commandLineSong);
    neatShrink();
}

TopWidget::~TopWidget()
{
    watch_.reset(); // its rescans would come to a window half gone
    if (lyricsDock_) {
        Settings::setValue(Keys::General::geometry, lyricsDock_->saveGeometry());
        lyricsDock_->close();
    }
    if (panes_) panes_->leave();
    Settings::setValue(Keys::Interface::tooltips, options_.tooltips.load());
    qApp->removeEventFilter(balloonEater_);
    if (options_.killsynths) launcher_->killAll();
    if (deck_) { // the deck points into the song: it goes first
        deck_->closeDeck();
        delete deck_;
        theSong().clear();
    }
    removeMadeFile();
}

QString TopWidget::hostTitle()
{
    return QStringLiteral("%1@%2").arg(QLatin1String(App::kProgramName),
                                       QSysInfo::machineHostName());
}

// The stored size, grown when the tool bars would otherwise hide actions.
QSize TopWidget::sizeHint() const
{
    return QSize(options_.width, options_.height).expandedTo(QMainWindow::sizeHint());
}

QAction* TopWidget::action(const char* objectName) const
{
    return findChild<QAction*>(QLatin1String(objectName));
}

void TopWidget::buildDocks()
{
    const auto make = [this](const char* name, const char* title) {
        auto* dock = new CleanDock(this, QLatin1String(name), [this] { neatShrink(); });
        dock->setWindowTitle(dockTitle(title));
        dock->setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
        // Keyboards are wide: one above the other, each the window's width.
        addDockWidget(Qt::BottomDockWidgetArea, dock, Qt::Vertical);
        return dock;
    };
    ipianos_ = make("dw_ipianos", QT_TRANSLATE_NOOP("TopWidget", "Keyboard input hints"));
    opianos_ = make("dw_opianos", QT_TRANSLATE_NOOP("TopWidget", "Scheduled outputs"));
    pianos_ = new PianoDocks(*this, ipianos_, opianos_);
}

void TopWidget::showWelcome()
{
    auto* welcome = new QLabel(
        tr("Open a MIDI file with File>>Open… (Ctrl+O), or try a song from the Demo menu."), this);
    welcome->setObjectName(QStringLiteral("welcome"));
    welcome->setAlignment(Qt::AlignCenter);
    welcome->setMargin(24);
    setCentralWidget(welcome); // deletes the song's view
}

void TopWidget::showDeviceLists()
{
    pianos_->rebuild();
    fitKeyboardDocks();
}

// Once laid out, the keyboard docks may be short of their keyboards: adjustSize
// stops at two thirds of the screen, a song's docks take their room, and a dock
// keeps the height it was first given. The window grows for them while the
// screen has room, all but a title bar's height.
void TopWidget::fitKeyboardDocks()
{
    QTimer::singleShot(0, this, [this] {
        if (!isVisible()) return;
        layout()->activate();
        QList<QDockWidget*> docks;
        QList<int> wanted;
        int shortfall = 0;
        for (QDockWidget* d : {ipianos_, opianos_}) {
            if (!d->isVisible() || d->isFloating()) continue;
            docks << d;
            wanted << d->sizeHint().height();
            shortfall += wanted.back() - d->height();
        }
        if (docks.isEmpty()) return;
        int room = height();
        if (const QScreen* s = screen()) {
            const QRect area = s->availableGeometry();
            room = std::min(area.height() - style()->pixelMetric(QStyle::PM_TitleBarHeight),
                            area.bottom() + 1 - geometry().top());
        }
        const int grown = std::min(height() + shortfall, std::max(room, height()));
        if (grown > height()) resize(width(), grown);
        resizeDocks(docks, wanted, Qt::Vertical);
    });
}

TopWidget::DeviceCounts TopWidget::refreshDevices(ScanResult* inputs, ScanResult* outputs,
                                                  bool announced)
{
    const ScanResult inScan = DeviceLists::scanInputs();
    const ScanResult outScan = DeviceLists::scanOutputs();
    // A session may be walking the lists.
    std::mutex* sessionLock = deck_ ? &deck_->model().mutex : nullptr;
    // An announcement may come in the middle of anything, even while a deck
    // is being made: it frees no record.
    const bool keep = deck_ || announced;
    const auto in = DeviceLists::mergeInputs(devices_, inScan, keep, sessionLock);
    const auto out = DeviceLists::mergeOutputs(devices_, outScan, keep, sessionLock);
    if (inputs) *inputs = inScan;
    if (outputs) *outputs = outScan;
    if (in.defaultMoved || out.defaultMoved) Settings::saveDefaultDevices(devices_);
    followDevices(in.gone, in.back, devices_.defaultInput);
    followDevices(out.gone, out.back, devices_.defaultOutput);
    // One report when the sequencer cannot be opened, not one per scan.
    const QString error = in.error.isEmpty() ? out.error : in.error;
    if (!error.isEmpty()) postEvent(this, new MessageEvent(DeviceFailureEvent, error));
    // Every session's start announces the engine's own ports: the keyboards
    // being lit are not built anew for that.
    if (!announced || in.changed || out.changed) {
        showDeviceLists();
        // Open dialogs list the ports anew.
        for (OptioDB* dialog : findChildren<OptioDB*>()) dialog->devicesChanged();
    }
    emit devicesChanged();
    return {in.usable, out.usable};
}

// Without a settings file the defaults would be 0:0, and a first Listen
// would only say "No input ports": take what is connected instead.
void TopWidget::chooseFirstDefaults(const ScanResult& inputs, const ScanResult& outputs)
{
    if (!inputs.ok || !outputs.ok) return;
    statusBar()->showMessage(DeviceLists::chooseFirstDefaults(devices_, inputs, outputs));
    Settings::saveDefaultDevices(devices_);
    DeviceLists::hideUnusedKeyboards(devices_);
    showDeviceLists();
}

void TopWidget::buildActions()
{
    QMenu* menus[3];
    menus[FileMenu] = menuBar()->addMenu(tr("&File"));
    menus[TracksMenu] = menuBar()->addMenu(tr("&Tracks"));
    QMenu* demo = demoMenu_ = menuBar()->addMenu(tr("&Demo"));
    menus[HelpMenu] = menuBar()->addMenu(tr("&Help"));
    const char* const groupNames[] = {QT_TR_NOOP("&Children"), QT_TR_NOOP("&Easy"),
                                      QT_TR_NOOP("&Medium"), QT_TR_NOOP("&Hard")};
    QMenu* groups[4];
    for (int i = 0; i < 4; ++i)
        groups[i] = demo->addMenu(QIcon(QStringLiteral(":/folder_flat.xpm")), tr(groupNames[i]));
    buildDemoMenu(groups);

    filetools_ = new QToolBar(tr("Standard operations"), this);
    filetools_->setObjectName(QStringLiteral("filetools"));
    songtools_ = new QToolBar(tr("Pianoroll navigation"), this);
    songtools_->setObjectName(QStringLiteral("songtools"));
    for (QToolBar* bar : {filetools_, songtools_}) {
        bar->setMovable(true);
        bar->setAllowedAreas(Qt::AllToolBarAreas);
    }
    addToolBar(Qt::LeftToolBarArea, filetools_);
    addToolBar(Qt::RightToolBarArea, songtools_);

    for (const ActionRow& row : kActions) {
        QAction* a = makeAction(row.spec, this, menus[row.menu], filetools_);
        if (const auto run = row.run)
            connect(a, &QAction::triggered, this, [this, run] { run(this); });
        else
            a->setEnabled(false);
        if (row.separatorAfter) menus[row.menu]->addSeparator();
    }
    QAction* tips = makeAction(kToolTipsAction, this, menus[HelpMenu], filetools_);
    tips->setCheckable(true);
    tips->setChecked(options_.tooltips);
    connect(tips, &QAction::toggled, this, &TopWidget::newstate);
    QAction* quitAction = makeAction(kQuitAction, this, menus[FileMenu], filetools_);
    connect(quitAction, &QAction::triggered, this, &TopWidget::quit);

    setSongActions(false);
    connect(qApp, &QGuiApplication::lastWindowClosed, qApp, &QCoreApplication::quit);
}

void TopWidget::buildLyricsDock()
{
    lyricsDock_ = new ActionerDockWidget(dockTitle(QT_TRANSLATE_NOOP("TopWidget", "Lyrics")), this,
                                         action("a_lyricsCodec"));
    lyricsDock_->setObjectName(QStringLiteral("dw_lyrics"));
    lyricsDock_->setAllowedAreas(Qt::AllDockWidgetAreas);
    panes_ = new TextPanes(*this, lyricsDock_, options_);
    addDockWidget(Qt::TopDockWidgetArea, lyricsDock_);
    lyricsDock_->restoreGeometry(Settings::value(Keys::General::geometry));
}

void TopWidget::applyStyleSheet()
{
    const QString name =
        options_.darkmode ? QStringLiteral("Vavu.qss") : QStringLiteral("default.qss");
    QFile file(QDir(Settings::organisationDir()).filePath(name));
    QByteArray text;
    if (file.open(QIODevice::ReadOnly)) text = file.readAll();
    const int nul = text.indexOf('\0');
    if (nul >= 0) text.truncate(nul);
    qApp->setStyleSheet(QString::fromUtf8(text));
}

void TopWidget::setSongActions(bool open)
{
    for (const char* name : kSongActions) action(name)->setEnabled(false);
    if (open) {
        action("a_unLoad")->setEnabled(true);
        action("a_fileSaveAs")->setEnabled(true);
        action("a_songinfo")->setEnabled(true);
        action("a_practiceHistory")->setEnabled(true);
        action("a_practiseWeakest")->setEnabled(true);
        action("a_lyricsCodec")->setEnabled(lyricsDock_ && lyricsDock_->isVisible());
    }
}

void TopWidget::enableTrackActions(int boundSelected, int freeSelected, bool busy)
{
    action("a_mergeBound")->setEnabled(!busy && boundSelected >= 2);
    action("a_deleteBound")->setEnabled(!busy && boundSelected >= 1);
    action("a_splitHands")->setEnabled(!busy && boundSelected == 1);
    action("a_bindFree")->setEnabled(!busy && freeSelected >= 1);
    action("a_wipeFree")->setEnabled(!busy && freeSelected >= 1);
    action("a_practiseWeakest")->setEnabled(!busy);
}

void TopWidget::decodeLyrics(const QByteArray& codecName)
{
    panes_->showLyrics(theSong().facts.lyrics, codecName);
}

void TopWidget::lyricsCodec()
{
    codecPosition_ = (codecPosition_ + 1) % int(std::size(kLyricsCodecs));
    const char* name = kLyricsCodecs[codecPosition_];
    statusBar()->showMessage(tr("Trying codec %1").arg(QLatin1String(name)), 1000);
    decodeLyrics(name);
}

void TopWidget::songinfo()
{
    if (deck_) panes_->showDocument(PlayDialog::songDataTitle(), deck_->songData());
}

void TopWidget::quit()
{
    if (leave()) close();
}

// The keys come first: closing the song shrinks the window to its contents,
// and the size the user gave it is what the next start should restore. False
// when the user keeps the song open after all.
bool TopWidget::leave()
{
    if (!panes_->mayQuit()) return false; // a text of the user's comes first: Cancel keeps it all
    writeQuitKeys();
    if (unLoad()) return true;
    quitKeysWritten_ = false;
    return false;
}

// The window manager's close button takes the same way out as Quit.
void TopWidget::closeEvent(QCloseEvent* event)
{
    if (!quitKeysWritten_ && !leave())
        event->ignore();
    else
        event->accept();
}

void TopWidget::writeQuitKeys()
{
    activateWindow();
    Settings::setValue(Keys::Interface::mididir, options_.mididir);
    Settings::setValue(Keys::Geometry::width, frameGeometry().width());
    Settings::setValue(Keys::Geometry::height, frameGeometry().height());
    Settings::setValue(Keys::Geometry::geometry, saveGeometry());
    Settings::setValue(Keys::Geometry::windowState, saveState());
    quitKeysWritten_ = true;
}

void TopWidget::toggleToolTips()
{
    newstate(!options_.tooltips);
}

void TopWidget::newstate(bool on)
{
    options_.tooltips = on;
    adjustToolTipsCheck();
    if (on)
        qApp->removeEventFilter(balloonEater_);
    else
        qApp->installEventFilter(balloonEater_);
}

void TopWidget::adjustToolTipsCheck()
{
    action("a_toggletooltips")->setChecked(options_.tooltips);
}

void TopWidget::neatShrink()
{
    adjustSize();
    if (opianos_) fitKeyboardDocks(); // not while the docks are being made
    updateGeometry();
    update();
}

void TopWidget::keyPressEvent(QKeyEvent* event)
{
    if (!deck_ || !deck_->pcKeyPress(event)) QMainWindow::keyPressEvent(event);
}

Launcher::Outcome TopWidget::launchSoftSynths()
{
    return launcher_->launch();
}

void TopWidget::checkSoftSynths()
{
    launcher_->report();
}

void TopWidget::deviceFailed(const QString& text)
{
    // Inside a dialog's or a box's own loop, the code that opened it (often
    // the deck's) is still on the stack: the song goes when the loop ends.
    if (QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(100, this, [this, text] { deviceFailed(text); });
        return;
    }
    unLoad();
    if (!text.isEmpty()) Messages::warning(text);
}

// A device switched off and on mid-song carries on where its tracks are.
template <typename Device>
void TopWidget::followDevices(const std::vector<Device*>& gone, const std::vector<Device*>& back,
                              const Device& fallback)
{
    constexpr bool output = std::is_same_v<Device, OutputDevice>;
    const auto name = [](const Device* d) {
        return QStringLiteral("%1:%2 %3").arg(d->client).arg(d->port).arg(d->portName);
    };
    for (const Device* d : gone) {
        if (deck_) {
            deck_->session().deviceGone(*d);
            if (fallback.sameAddress(d->client, d->port)) deck_->session().deviceGone(fallback);
        }
        statusBar()->showMessage(output ? tr("MIDI output %1 has gone.").arg(name(d))
                                        : tr("MIDI input %1 has gone.").arg(name(d)));
    }
    for (const Device* d : back) {
        QString error;
        if (deck_) {
            error = deck_->session().deviceBack(*d);
            if (error.isEmpty() && fallback.sameAddress(d->client, d->port))
                error = deck_->session().deviceBack(fallback);
        }
        if (!error.isEmpty())
            statusBar()->showMessage(error);
        else
            statusBar()->showMessage(output ? tr("MIDI output %1 is back.").arg(name(d))
                                            : tr("MIDI input %1 is back.").arg(name(d)));
    }
}

// The session has ended without it; the song stays, and the lists show it gone.
void TopWidget::deviceGone(int client, int port, bool output)
{
    QString name;
    if (output) {
        if (const OutputDevice* d = devices_.findOutput(client, port)) name = d->portName;
    } else if (const InputDevice* d = devices_.findInput(client, port)) {
        name = d->portName;
    }
    const QString address = QStringLiteral("%1:%2 %3").arg(client).arg(port).arg(name).trimmed();
    statusBar()->showMessage(output ? tr("MIDI output %1 has gone.").arg(address)
                                    : tr("MIDI input %1 has gone.").arg(address));
    refreshDevices();
}

void TopWidget::customEvent(QEvent* event)
{
    const int type = event->type();
    event->accept();
    if (pianos_->feed(event) || panes_->feed(event)) return;
    // Nothing here holds a lock: boxes, unloads and reloads run nested event
    // loops that may deliver the next event.
    if (isWarningMessageType(type)) {
        Messages::warning(static_cast<MessageEvent*>(event)->text);
    } else if (type == DeviceFailureEvent) {
        deviceFailed(static_cast<MessageEvent*>(event)->text);
    } else if (type == DeviceGoneEvent) {
        const DeviceGonePayload gone(event);
        deviceGone(gone.client(), gone.port(), gone.isOutput());
    } else if (type == RescanDevicesEvent) {
        refreshDevices(nullptr, nullptr, true);
    } else if (type == ResizeRequestEvent) {
        neatShrink();
    } else if (type == ReloadRequestEvent) {
        reload();
    } else if (isStatusbarTextType(type)) {
        statusBar()->showMessage(static_cast<StatusbarEvent*>(event)->text);
    } else if (type == ClearStatusbarEvent) {
        statusBar()->clearMessage();
    } else if (type == ShowLyricsEvent) {
        options_.showlyrics = static_cast<BoolEvent*>(event)->value;
        Settings::setValue(Keys::Display::showlyrics, options_.showlyrics.load());
        if (deck_) lyricsDock_->setVisible(options_.showlyrics);
    } else if (type == ToggleTrackSelectEvent) {
        options_.toggletrackselect = static_cast<BoolEvent*>(event)->value;
        Settings::setValue(Keys::Display::toggletrackselect, options_.toggletrackselect.load());
    } else if (type == ShowTrackControlsEvent) {
        options_.showtrackcontrols = static_cast<BoolEvent*>(event)->value;
        Settings::setValue(Keys::Display::showtrackcontrols, options_.showtrackcontrols.load());
        if (deck_) deck_->score()->refreshRows();
    }
}
