#include "app/democatalogue.h"
#include "app/journalcommands.h"
#include "app/loopcontrols.h"
#include "app/pianodocks.h"
#include "app/playdialog.h"
#include "core/events.h"
#include "dialogs/handsplitdialog.h"
#include "dialogs/historyplot.h"
#include "dialogs/historywindow.h"
#include "dialogs/newfiledb.h"
#include "dialogs/optionsdb.h"
#include "dialogs/takeplot.h"
#include "dialogs/takewindow.h"
#include "engine/decksession.h"
#include "engine/seqclient.h"
#include "journal/journal.h"
#include "panes/cleanwidgets.h"
#include "resources/resources.h"
#include "smfbuilder.h"
#include "song/deckmodel.h"
#include "song/trackediting.h"
#include "views/diagram.h"
#include "views/score.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolTip>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <sys/stat.h>
#include <thread>

namespace
{
using MainWindow = Window;

TEST_F(MainWindow, OffersOnlyWhatWorksBeforeAndAfterASongOpens)
{
    open();
    const std::set<QString> atRest{
        "a_fileNew",         "a_load",      "a_toggletooltips", "a_launchSoftSynths",
        "a_checkSoftSynths", "a_quit",      "a_about",          "a_tbs",
        "a_tutorial",        "a_browseDoc", "a_options",        "a_allnotesoff"};
    EXPECT_EQ(enabledActions(), atRest);
    EXPECT_EQ(window->windowTitle(), TopWidget::hostTitle());
    EXPECT_FALSE(window->windowTitle().contains(QLatin1Char('\n')));

    // Every shortcut reaches exactly one action; the text panes take theirs only with the focus.
    std::set<QString> shortcuts;
    for (QAction* a : window->findChildren<QAction*>())
        if (!a->shortcut().isEmpty() && a->objectName().startsWith(QLatin1String("a_"))) {
            EXPECT_TRUE(shortcuts.insert(a->shortcut().toString()).second)
                << a->objectName().toStdString();
        }

    ASSERT_TRUE(window->openFile(App::arguments[1])); // the command line's song
    EXPECT_EQ(enabledActions(),
              (std::set<QString>{"a_fileNew", "a_load", "a_unLoad", "a_reload", "a_fileSaveAs",
                                 "a_songinfo", "a_allnotesoff", "a_lyricsCodec", "a_toggletooltips",
                                 "a_quit", "a_launchSoftSynths", "a_checkSoftSynths", "a_about",
                                 "a_tbs", "a_tutorial", "a_browseDoc", "a_options",
                                 "a_practiceHistory", "a_practiseWeakest",
                                 // the deck's own
                                 "a_tempoboostUp", "a_tempoboostDown", "a_pix4mcUp", "a_pix4mcDown",
                                 "a_loopStart", "a_loopEnd"}));
    EXPECT_TRUE(window->windowTitle().endsWith(QLatin1String(".mid")));

    // Merge needs two bound tracks, Delete one, Split exactly one, Bind and Wipe a free
    // one; a busy deck allows none.
    const struct {
        int bound, free;
        bool busy;
        std::set<QString> on;
    } rows[] = {{1, 0, false, {"a_deleteBound", "a_splitHands"}},
                {2, 0, false, {"a_mergeBound", "a_deleteBound"}},
                {0, 1, false, {"a_bindFree", "a_wipeFree"}},
                {1, 1, false, {"a_deleteBound", "a_splitHands", "a_bindFree", "a_wipeFree"}},
                {1, 0, true, {}},
                {2, 1, true, {}}};
    for (const auto& r : rows) {
        window->enableTrackActions(r.bound, r.free, r.busy);
        std::set<QString> on;
        for (const char* n :
             {"a_mergeBound", "a_deleteBound", "a_splitHands", "a_bindFree", "a_wipeFree"})
            if (window->action(n)->isEnabled()) on.insert(n);
        EXPECT_EQ(on, r.on) << r.bound << " bound, " << r.free << " free";
    }

    window->action("a_unLoad")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(enabledActions(), atRest);
    EXPECT_EQ(window->windowTitle(), TopWidget::hostTitle());
}

// One track of both hands: two notes a beat around C2..C3 under one around
// C5..C6, named "Piano", on the given channel.
QString twoHandSong(int channel)
{
    TrackBuilder conductor, hands;
    conductor.tempo(0, 500000).timeSig(0, 4, 2).end();
    hands.text(0, 3, "Piano");
    for (int i = 0; i < 8; ++i)
        hands.on(0, channel, 36 + i, 80)
            .on(0, channel, 40 + i, 80)
            .on(0, channel, 76 + i, 90)
            .off(96, channel, 36 + i)
            .off(0, channel, 40 + i)
            .off(0, channel, 76 + i);
    return QString::fromStdString(writeTempFile(smfFile(1, 96, {conductor, hands.end()})));
}

TEST_F(MainWindow, SplitByHandShowsTheHandsInTheRollBeforeMakingTwoTracks)
{
    open();
    QAction* split = window->action("a_splitHands");
    const auto trackName = [&](int d) {
        const DeckModel& deck = window->deck()->model();
        return QString::fromLocal8Bit(
            deck.song.facts.trackNames[size_t(deck.tracks.storeTrackOf(d))]);
    };
    const auto selectFirstTrack = [&] {
        Diagram* roll = window->deck()->score()->diagram();
        QTest::mouseClick(roll, Qt::LeftButton, {}, QPoint(4, roll->rowOf(0) * roll->rowHeight()));
        return split->isEnabled();
    };
    // Runs the action with `work` done in its dialog, if one opens; false when none did.
    const auto inDialog = [&](const std::function<void(HandSplitDialog&)>& work) {
        bool opened = false;
        QTimer answer;
        answer.setSingleShot(true);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<HandSplitDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            opened = true;
            work(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        answer.start(0);
        split->trigger();
        return opened;
    };

    // A drum track has no hands: the reason is told and no dialog opens.
    ASSERT_TRUE(window->openFile(twoHandSong(9)));
    ASSERT_TRUE(selectFirstTrack());
    const QString refusal = planHandSplit(window->deck()->model(), 0, kAutomaticSplit).refusal;
    EXPECT_FALSE(refusal.isEmpty());
    EXPECT_FALSE(inDialog([](HandSplitDialog&) {}));
    ASSERT_FALSE(sink.shown.isEmpty());
    EXPECT_EQ(std::pair(sink.shown.last().kind, sink.shown.last().text),
              std::pair(MessageKind::Warning, refusal));

    ASSERT_TRUE(window->openFile(twoHandSong(0)));
    DeckModel& deck = window->deck()->model();
    Diagram* roll = window->deck()->score()->diagram();
    EXPECT_FALSE(split->isEnabled()) << "nothing selected yet";
    ASSERT_TRUE(selectFirstTrack());
    const auto [right, left] = Diagram::handColours(window->options());
    ASSERT_NE(right.rgb(), left.rgb());
    // Pixels of the right hand's colour in the lane's upper and lower halves,
    // then the left hand's.
    const auto drawn = [&] {
        QImage image(roll->size(), QImage::Format_RGB32);
        roll->render(&image);
        std::array<int, 4> n{};
        const int top = roll->rowOf(0) * roll->rowHeight(), half = roll->rowHeight() / 2;
        for (int y = top; y < std::min(top + 2 * half, image.height()); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                const int lower = y >= top + half;
                if (c == right.rgb()) ++n[size_t(lower)];
                if (c == left.rgb()) ++n[size_t(2 + lower)];
            }
        return n;
    };
    const auto before = drawn();

    // Each choice counts the notes of each hand and shows them in the roll:
    // the right hand above, the left below.
    const struct {
        bool atKey;
        int key, right, left;
    } choices[] = {{false, 60, 8, 16}, {true, 80, 4, 20}, {true, 30, 24, 0}, {false, 30, 8, 16}};
    ASSERT_TRUE(inDialog([&](HandSplitDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Clavion - Split by hand"));
        for (const auto& [name, colour] :
             {std::pair("l_rightSwatch", right), {"l_leftSwatch", left}})
            EXPECT_EQ(
                dialog.findChild<QLabel*>(name)->pixmap(Qt::ReturnByValue).toImage().pixel(1, 1),
                colour.rgb());
        for (const auto& c : choices) {
            SCOPED_TRACE(c.atKey ? c.key : -1);
            (c.atKey ? dialog.atKeyButton() : dialog.automaticButton())->click();
            dialog.keyBox()->setValue(c.key);
            EXPECT_EQ(dialog.keyBox()->isEnabled(), c.atKey);
            EXPECT_EQ(dialog.countsLabel()->text(),
                      QStringLiteral("Right hand: %1 notes, left hand: %2 notes")
                          .arg(c.right)
                          .arg(c.left));
            const auto n = drawn();
            EXPECT_EQ(std::tuple(n[0] > 0, n[1], n[2], n[3] > 0),
                      std::tuple(true, 0, 0, c.left > 0));
        }
        QTest::keyClick(&dialog, Qt::Key_Escape);
    }));
    EXPECT_FALSE(roll->previewingHands());
    EXPECT_EQ(drawn(), before) << "the preview outlived Cancel";
    EXPECT_EQ(std::tuple(deck.boundTracks(), deck.modified()), std::tuple(1, false));

    // OK makes the automatic split: the right hand in the track's place, the left below.
    ASSERT_TRUE(
        inDialog([](HandSplitDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Return); }));
    ASSERT_EQ(deck.boundTracks(), 2);
    EXPECT_EQ(QStringList({trackName(0), trackName(1)}),
              QStringList({"Piano (right hand)", "Piano (left hand)"}));
    // Reload stays, to go back to the file's one track.
    EXPECT_EQ(std::tuple(deck.modified(), window->action("a_fileSave")->isEnabled(),
                         window->action("a_reload")->isEnabled()),
              std::tuple(true, true, true));
    EXPECT_FALSE(roll->previewingHands());
    sink.answers = {No}; // the split song is not saved
}

TEST_F(MainWindow, LyricsCodecFollowsTheDockAndStartsWithLatin9)
{
    open(1);
    ASSERT_TRUE(window->songOpen());
    auto* dock = window->findChild<QDockWidget*>(QStringLiteral("dw_lyrics"));
    ASSERT_TRUE(dock->isVisible());
    auto* pane = dock->findChild<QTextEdit*>();
    EXPECT_EQ(pane->toPlainText(), QString::fromUtf8("Caf\xef\xbf\xbd ")); // Latin-1 read as UTF-8
    window->action("a_lyricsCodec")->trigger();
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("Trying codec ISO-8859-15"));
    EXPECT_EQ(pane->toPlainText(), QString::fromUtf8("Caf\xc3\xa9 "));

    // Options accepted: the lyrics are read as UTF-8 again; cancelled: left alone.
    // The wait cursor shows while the dialog is built, and is gone when it runs.
    for (const bool accept : {false, true}) {
        const int busyBefore = sink.busyCalls;
        int depthInDialog = -1;
        window->setOptionsDialogHook([&](OptionsDB& db) {
            depthInDialog = sink.busyDepth;
            accept ? db.accept() : db.reject();
        });
        window->action("a_options")->trigger();
        EXPECT_EQ(std::tuple(sink.busyCalls - busyBefore, depthInDialog, sink.busyDepth),
                  std::tuple(2, 0, 0));
        EXPECT_EQ(pane->toPlainText(),
                  QString::fromUtf8(accept ? "Caf\xef\xbf\xbd " : "Caf\xc3\xa9 "));
    }

    dock->hide();
    EXPECT_FALSE(window->action("a_lyricsCodec")->isEnabled());
    dock->show();
    EXPECT_TRUE(window->action("a_lyricsCodec")->isEnabled());
}

TEST_F(MainWindow, PostedEventsReachTheUser)
{
    open(1);
    ASSERT_TRUE(window->songOpen());
    QCoreApplication::sendPostedEvents();
    const auto deliver = [&](QEvent* e) {
        postEvent(window, e);
        QCoreApplication::sendPostedEvents(window);
    };
    deliver(new MessageEvent(WarningMessageEvent, QStringLiteral("Port lost")));
    deliver(new StatusbarEvent(StatusTextEvent, QStringLiteral("Recording")));
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("Recording"));
    deliver(new StatusbarEvent(ClearStatusbarEvent));
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());
    deliver(new BoolEvent(ShowLyricsEvent, false));
    EXPECT_FALSE(window->findChild<QDockWidget*>(QStringLiteral("dw_lyrics"))->isVisible());
    deliver(new BoolEvent(ShowTrackControlsEvent, false));
    deliver(
        new MessageEvent(DeviceFailureEvent, QStringLiteral("Error opening ALSA sequencer: busy")));
    EXPECT_FALSE(window->songOpen());
    EXPECT_EQ(sink.texts(), (QStringList{"Port lost", "Error opening ALSA sequencer: busy"}));
    EXPECT_EQ(sink.shown[0].title, QStringLiteral("Clavion - Warning"));
    EXPECT_EQ(stored("Display/showlyrics"), QVariant(false));
    EXPECT_EQ(stored("Display/showtrackcontrols"), QVariant(false));
}

TEST_F(MainWindow, QuitAndTheCloseButtonWriteTheWindowKeys)
{
    for (bool viaQuit : {true, false}) {
        SCOPED_TRACE(viaQuit ? "Quit" : "close button");
        QFile::remove(settingsFile());
        open(1);
        window->resize(700, 500);
        window->action("a_toggletooltips")->setChecked(false);
        if (viaQuit)
            window->action("a_quit")->trigger();
        else
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull()); // deleted on close
        Settings::store().sync();
        EXPECT_EQ(stored("Interface/mididir").toString(),
                  QFileInfo(App::arguments[1]).absolutePath());
        EXPECT_GE(stored("Geometry/width").toInt(), 700);
        EXPECT_FALSE(stored("Geometry/geometry").toByteArray().isEmpty());
        EXPECT_FALSE(stored("Geometry/windowState").toByteArray().isEmpty());
        EXPECT_FALSE(stored("General/geometry").toByteArray().isEmpty());
        EXPECT_EQ(stored("Interface/tooltips"), QVariant(false));
    }
}

TEST_F(MainWindow, ToolTipsOffSwallowsBalloons)
{
    Settings::setValue(Keys::Interface::tooltips, false);
    open();
    EXPECT_FALSE(window->action("a_toggletooltips")->isChecked());
    QLabel label(QStringLiteral("x"), window);
    label.setToolTip(QStringLiteral("a balloon"));
    label.show();
    const auto balloon = [&] {
        QToolTip::hideText();
        QHelpEvent e(QEvent::ToolTip, QPoint(1, 1), label.mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(&label, &e);
        return QToolTip::text();
    };
    EXPECT_TRUE(balloon().isEmpty());
    window->action("a_toggletooltips")->trigger();
    EXPECT_EQ(balloon(), QStringLiteral("a balloon"));
}

TEST_F(MainWindow, AVanishedDeviceOutlivesTheSongThatUsesIt)
{
    open(1);
    ASSERT_TRUE(window->songOpen());
    OutputDevice* synth = window->devices().findOutput(128, 0);
    ASSERT_NE(synth, nullptr);
    synth->volume = 90; // a deck would point here

    fakeOutputs.pop_back(); // the synthesizer quits
    fakeInputs.push_back({20, 0, "Keys", "Keys port"});
    EXPECT_EQ(window->refreshDevices().outputs, 1);
    EXPECT_EQ(window->devices().findOutput(128, 0), synth);
    EXPECT_TRUE(synth->absent);
    EXPECT_EQ(synth->volume, 90);
    EXPECT_EQ(window->devices().usableInputs().size(), 2u);

    window->unLoad(); // nothing points there any more
    EXPECT_EQ(window->devices().findOutput(128, 0), nullptr);
    EXPECT_EQ(window->devices().outputs.size(), 1u);

    sequencerMissing = true;
    EXPECT_EQ(window->refreshDevices().outputs, 0);
    QCoreApplication::sendPostedEvents(window);
    EXPECT_EQ(sink.texts(), QStringList{"Error opening ALSA sequencer: No such file or directory"});
}

// Client numbers change when a synthesizer restarts or a keyboard is plugged
// in again: the device is known again by its names and keeps its record,
// and the default output that pointed at it follows it, but only it.
TEST_F(MainWindow, ADeviceBackUnderAnotherNumberKeepsItsRecordAndTheDefault)
{
    open(1);
    OutputDevice* synth = window->devices().findOutput(128, 0);
    ASSERT_NE(synth, nullptr);
    ASSERT_EQ(window->devices().defaultOutput.client, 128);
    synth->volume = 90;
    const PortInfo through{14, 0, "Midi Through", "Midi Through Port-0"};
    const auto at = [](int client, const char* name) {
        return PortInfo{client, 0, name, QStringLiteral("%1 input").arg(name)};
    };
    const struct {
        std::vector<PortInfo> outputs;
        int synthAt;
        bool absent;
        const char* status;
    } steps[] = {
        {{through}, 128, true, "MIDI output 128:0 Synth input has gone."},
        {{through, at(128, "Other"), at(129, "Synth")},
         129,
         false,
         "MIDI output 129:0 Synth input is back."},
        {{through, at(128, "Synth")}, 128, false, "MIDI output 128:0 Synth input is back."},
        // The other device comes back elsewhere: the default stays with the synth.
        {{through, at(128, "Synth"), at(130, "Other")},
         128,
         false,
         "MIDI output 130:0 Other input is back."},
        {{through, at(128, "Synth renamed")}, 128, false, nullptr},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.synthAt);
        fakeOutputs = step.outputs;
        window->refreshDevices();
        EXPECT_EQ(window->devices().findOutput(step.synthAt, 0), synth);
        EXPECT_EQ(synth->absent, step.absent);
        EXPECT_EQ(synth->volume, 90);
        EXPECT_EQ(window->devices().defaultOutput.client, step.synthAt);
        if (step.status) {
            EXPECT_EQ(window->statusBar()->currentMessage(), step.status);
        }
    }
    EXPECT_EQ(synth->clientName, QStringLiteral("Synth renamed"));
    EXPECT_EQ(window->devices().outputs.size(), 3u) << "Midi Through, the synth and the other";
    EXPECT_EQ(stored("Midi/oclient"), QVariant(128));
}

// The engine walks the device lists with the deck's lock held: a rescan while
// a song is open changes them only once it has the lock.
std::atomic<bool> outputsScanned{false};

TEST_F(MainWindow, ARescanChangesTheDeviceListsOnlyUnderTheDecksLock)
{
    open(1);
    ASSERT_TRUE(window->songOpen());
    DeviceLists::setScanners([] { return fakeScan(fakeInputs); },
                             [] {
                                 outputsScanned = true;
                                 return fakeScan(fakeOutputs);
                             });
    for (int c = 20; c < 84; ++c) { // enough to move the lists in memory
        fakeInputs.push_back({c, 0, "Keys", "Keys port"});
        fakeOutputs.push_back({c, 0, "Keys", "Keys port"});
    }
    const DeviceSet& set = window->devices();
    const size_t inputs = set.inputs.size(), outputs = set.outputs.size();
    std::atomic<bool> locked{false};
    size_t inputsLocked = 0, outputsLocked = 0;
    outputsScanned = false;
    std::thread engine([&] {
        std::lock_guard<std::mutex> lock(window->deck()->model().mutex);
        locked = true;
        while (!outputsScanned) std::this_thread::yield();
        // Ample time for a merge that would not wait.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        inputsLocked = set.inputs.size();
        outputsLocked = set.outputs.size();
    });
    while (!locked) std::this_thread::yield();
    window->refreshDevices();
    engine.join();
    EXPECT_EQ(inputsLocked, inputs);
    EXPECT_EQ(outputsLocked, outputs);
    EXPECT_EQ(set.inputs.size(), inputs + 64);
    EXPECT_EQ(set.outputs.size(), outputs + 64);
}

// All notes off with no session, with or without a song: a crashed program's stuck note is
// when it is wanted. It goes to every output in use.
TEST_F(MainWindow, AllNotesOffAtRestReachesTheOutputsInUse)
{
    std::vector<std::pair<int, int>> sentTo;
    setRestSilencer([&](const std::vector<const OutputDevice*>& outputs) {
        for (const OutputDevice* out : outputs) sentTo.emplace_back(out->client, out->port);
        return true;
    });
    open();
    window->devices().outputs.back()->ignoreOutput = true;
    const std::vector<std::pair<int, int>> inUse{{14, 0}};
    QAction* allNotesOff = window->findChild<QAction*>(QStringLiteral("a_allnotesoff"));
    ASSERT_TRUE(allNotesOff && allNotesOff->isEnabled());
    allNotesOff->trigger();
    EXPECT_EQ(sentTo, inUse) << "without a song";
    sentTo.clear();
    ASSERT_TRUE(window->openFile(App::arguments[1]));
    allNotesOff->trigger();
    EXPECT_EQ(sentTo, inUse) << "with a song at rest";
    setRestSilencer(nullptr);
}

TEST_F(MainWindow, AFirstStartPlaysFromWhatIsConnected)
{
    const PortInfo through{14, 0, "Midi Through", "Midi Through Port-0"};
    const PortInfo virmidi{16, 0, "Virtual Raw MIDI 1-0", "VirMIDI 1-0"};
    PortInfo synth{128, 0, "Synth", "Synth input"};
    synth.synthesizer = true;
    const struct {
        std::vector<PortInfo> inputs, outputs;
        int in, out; // clients chosen
    } rows[] = {
        {{through, virmidi}, {through, virmidi, synth}, 16, 128},
        {{through}, {through, virmidi}, kPcKeyboardClient, 16},
        {{}, {through}, kPcKeyboardClient, 14},
    };
    for (const auto& r : rows) {
        DeviceSet set;
        DeviceLists::chooseFirstDefaults(set, fakeScan(r.inputs), fakeScan(r.outputs));
        EXPECT_EQ(set.defaultInput.client, r.in);
        EXPECT_EQ(set.defaultOutput.client, r.out);
    }

    open(); // no settings file yet
    EXPECT_EQ(stored("Midi/iclient"), QVariant(16));
    EXPECT_EQ(stored("Midi/oclient"), QVariant(128));
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(QLatin1String("16:0 VirMIDI 1-0")));
    // Keyboards only for the devices in use, and they stay so.
    const auto shown = [&] {
        const PianoDocks& d = *window->pianoDocks();
        return std::vector<size_t>{d.inputKeyboards(16, 0).size(),
                                   d.inputKeyboards(kPcKeyboardClient, kPcKeyboardPort).size(),
                                   d.outputKeyboards(14, 0).size(),
                                   d.outputKeyboards(128, 0).size()};
    };
    const std::vector<size_t> inUse{2, 0, 0, 2};
    EXPECT_EQ(shown(), inUse);
    QCoreApplication::processEvents(); // the docks take their keyboards' heights
    for (const char* name : {"dw_ipianos", "dw_opianos"}) {
        auto* scroll = qobject_cast<QScrollArea*>(window->findChild<QDockWidget*>(name)->widget());
        ASSERT_NE(scroll, nullptr);
        EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0)
            << name << " shows its keyboards whole";
    }
    EXPECT_EQ(stored("Output_14_0/otradk"), QVariant(false));
    window->close();
    fakeOutputs.back().synthesizer = true; // a settings file now exists: read as it is
    fakeInputs.push_back({20, 0, "Keys", "Keys port"});
    open();
    EXPECT_EQ(window->devices().defaultInput.client, 16);
    EXPECT_EQ(shown(), inUse);
    EXPECT_EQ(window->pianoDocks()->inputKeyboards(20, 0).size(), 2u) << "a new port shows";
}

// After a kept take the File menu opens its analysis; a worst measure or the
// plot sets the loop around a measure, and the window goes with the song.
TEST_F(MainWindow, AKeptTakeIsAnalysedAndAMeasureLoopedByAClick)
{
    openMelody();
    ASSERT_TRUE(window->songOpen());
    QAction* analysis = window->findChild<QAction*>("a_takeAnalysis");
    EXPECT_FALSE(analysis->isEnabled());

    // As a record session ends: the engine logged a cluster early in measure 1,
    // one late in measure 3 and one on time there.
    DeckModel& deck = window->deck()->model();
    const uint64_t bar = uint64_t(deck.timing.tick4measure), q = uint64_t(deck.timing.tick4qn);
    beginTake(deck);
    deck.takeLog.push_back({0, 0, 500000, 100});
    deck.takeLog.push_back({q, q - q / 4, 500000, 100});
    deck.takeLog.push_back({2 * bar, 2 * bar + q / 2, 500000, 100});
    deck.takeLog.push_back({2 * bar + q, 2 * bar + q, 500000, 100});
    deck.sessionActive = true, deck.recording = true;
    sink.answers = {Yes};
    postEvent(&window->deck()->session(), SessionFinishedPayload::make(4, 0));
    QCoreApplication::sendPostedEvents();
    ASSERT_TRUE(analysis->isEnabled());
    analysis->trigger();
    QPointer<TakeWindow> w = window->findChild<TakeWindow*>();
    ASSERT_TRUE(w && w->isVisible());
    const auto label = [&](const char* name) { return w->findChild<QLabel*>(name)->text(); };
    // A quarter of a quarter note at 120 bpm is 125 ms, a half 250 ms.
    EXPECT_EQ(
        QStringList({label("l_clusters"), label("l_median"), label("l_p90"), label("l_steady")})
            .join(' ')
            .toStdString(),
        "4 62.5 ms 250.0 ms 290.4 ms");
    QListWidget* worst = w->worstList();
    ASSERT_EQ(worst->count(), 2);
    EXPECT_EQ(worst->item(0)->text().toStdString(), "Measure 3: 125.0 ms on average");

    QTest::mouseClick(worst->viewport(), Qt::LeftButton, {},
                      worst->visualItemRect(worst->item(0)).center());
    EXPECT_EQ(std::pair(deck.loop.startBar, deck.loop.endBar), std::pair(2, 3));
    EXPECT_TRUE(window->findChild<QCheckBox*>("cb_loop")->isEnabled());
    TakePlot* plot = w->plot();
    const QPoint firstDot = plot->dotOf(w->analysis().rows[0]).toPoint() + QPoint(2, 0);
    ASSERT_EQ(plot->measureAt(firstDot), 1);
    for (const TakeRow& r : w->analysis().rows) // the steadiness rings stay within the plot
        EXPECT_EQ(plot->measureAt(plot->steadyDotOf(r).toPoint() + QPoint(2, 0)), r.measure);
    QTest::mouseClick(plot, Qt::LeftButton, {}, firstDot);
    EXPECT_EQ(std::pair(deck.loop.startBar, deck.loop.endBar), std::pair(0, 1));
    // Return on the chosen measure loops it, and no button that had the focus
    // before takes it.
    QApplication::setActiveWindow(w);
    w->findChild<QPushButton*>("pb_exportCsv")->setFocus();
    worst->setFocus();
    QTest::keyClick(worst, Qt::Key_Return);
    EXPECT_EQ(std::pair(deck.loop.startBar, deck.loop.endBar), std::pair(2, 3));
    EXPECT_FALSE(w->findChild<QFileDialog*>()) << "the export button had been the default";

    // The song's practice history opens from here too.
    w->findChild<QPushButton*>("pb_history")->click();
    QPointer<HistoryWindow> history = window->findChild<HistoryWindow*>();
    ASSERT_TRUE(history && history->isVisible());

    // The song closing while the CSV dialog is open takes both along.
    w->findChild<QPushButton*>("pb_exportCsv")->click();
    ASSERT_TRUE(w->findChild<QFileDialog*>("csvdialog"));
    sink.answers = {No}; // the kept take is not saved
    ASSERT_TRUE(window->unLoad());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull() && history.isNull()) << "the windows go with their song";
    EXPECT_FALSE(analysis->isEnabled());
}

// A take over millions of measures (a hostile file's) paints a bounded
// grid, and a click finds its measure past what an int counts.
TEST(MainWindowTakePlot, MillionsOfMeasuresGetABoundedGrid)
{
    TakePlot plot;
    plot.resize(720, 300);
    for (const uint64_t span : {uint64_t(1), uint64_t(7), uint64_t(600000), uint64_t(1) << 40}) {
        SCOPED_TRACE(span);
        TakeRecord take;
        take.tick4qn = 24, take.tick4beat = 1, take.tick4measure = 1;
        take.clusters = {{0, 2, 500000, 100}, {span, span, 500000, 100}};
        const TakeAnalysis analysis = analyseTake(take);
        plot.setAnalysis(analysis);
        qint64 every = 0;
        const std::vector<qint64> lines = plot.gridMeasures(&every);
        ASSERT_GE(lines.size(), 2u);
        ASSERT_LE(lines.size(), 300u);
        // The first and one past the last measure, every labelled one in between.
        EXPECT_EQ(std::pair(lines.front(), lines.back()), std::pair(qint64(1), qint64(span) + 2));
        for (qint64 m : lines) EXPECT_TRUE(m == lines.back() || (m - 1) % every == 0) << m;
        EXPECT_EQ(span <= 7, every == 1);
        QImage image(plot.size(), QImage::Format_ARGB32);
        plot.render(&image);
        // Within a pixel's worth of measures of the last dot.
        const QPoint last = plot.dotOf(analysis.rows[1]).toPoint();
        EXPECT_NEAR(double(plot.measureAt(last)), double(span + 1), 1 + double(span) / 100);
    }
}

TEST_F(MainWindow, UnreadableFilesLeaveNoSong)
{
    fakeOutputs.clear();
    open(1);
    EXPECT_FALSE(window->songOpen());
    fakeOutputs = {{14, 0, "Midi Through", "Midi Through Port-0"}};
    EXPECT_FALSE(window->openFile(App::arguments[2])); // a text file
    // The launcher is offered first.
    EXPECT_TRUE(sink.texts()[0].startsWith(QLatin1String("No MIDI output port")));
    EXPECT_TRUE(sink.texts()[2].startsWith(
        QLatin1String("You cannot use Clavion without at least one MIDI output")));
    EXPECT_TRUE(sink.texts().last().startsWith(QLatin1String("Could not parse")));
    EXPECT_EQ(window->windowTitle(), TopWidget::hostTitle());
}

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

// An eight-measure song at 120 bpm (96 ticks a quarter, 5.2 ms a tick), and
// sessions of it written to a journal in the test's own data folder.
struct MainWindowJournal : Window {
    void SetUp() override
    {
        Window::SetUp();
        openMelody();
        ASSERT_TRUE(window->songOpen());
    }
    DeckModel& deck() { return window->deck()->model(); }
    Journal& journal() { return window->journalCommands()->journal(); }
    // Four clusters a measure, each measure's played that many ticks early.
    std::vector<TakeCluster> logOf(const std::vector<int>& earlyTicks)
    {
        const uint64_t q = uint64_t(deck().timing.tick4qn),
                       bar = uint64_t(deck().timing.tick4measure);
        std::vector<TakeCluster> log;
        for (size_t m = 0; m < earlyTicks.size(); ++m)
            for (uint64_t beat = 0; beat < 4; ++beat) {
                const uint64_t file = m * bar + beat * q + q / 2;
                log.push_back({file, file - uint64_t(earlyTicks[m]), 500000, 100});
            }
        return log;
    }
    JournalSession played(const QDateTime& when, const std::vector<int>& earlyTicks)
    {
        JournalSession s =
            journalSession(logOf(earlyTicks), deck().timing.tick4qn, deck().timing.tick4measure);
        s.started = when;
        s.seconds = 300;
        return s;
    }
    // Measures 1 to 6 on two days, measure 3 rushed by 150 ms each time.
    void practisedTwoDays()
    {
        const QDate day(2026, 3, 2);
        for (const QDateTime& when :
             {QDateTime(day, QTime(9, 0)), QDateTime(day.addDays(1), QTime(9, 0)),
              QDateTime(day.addDays(1), QTime(18, 30))}) {
            JournalSession s = played(when, {1, 2, 29, 1, 2, 1});
            ASSERT_TRUE(journal().record(songIdentity(deck()), s));
        }
    }
    HistoryWindow* history()
    {
        window->action("a_practiceHistory")->trigger();
        return window->findChild<HistoryWindow*>();
    }
};

// The map's cells: G green, R red, - grey, read from the painted pixels.
QString cellColours(MasteryMap* map)
{
    QImage image(map->size(), QImage::Format_RGB32);
    map->render(&image);
    QString cells;
    for (size_t i = 0; i < map->map().size(); ++i) {
        const QColor c = image.pixelColor(map->cellRect(i).topLeft() + QPoint(3, 3));
        cells += c.red() == c.green() && c.green() == c.blue() ? '-'
                 : c.green() > c.red()                         ? 'G'
                                                               : 'R';
    }
    return cells;
}

TEST_F(MainWindowJournal, TheHistoryShowsTheSessionsAndEachMeasuresMasteryUntilForgotten)
{
    practisedTwoDays();
    QPointer<HistoryWindow> w = history();
    ASSERT_TRUE(w && w->isVisible());
    w->resize(800, 600);
    EXPECT_EQ(w->findChild<QLabel*>("l_total")->text(), "15 min 00 s");
    EXPECT_EQ(w->findChild<QLabel*>("l_sessions")->text(), "3");
    EXPECT_FALSE(w->findChild<QLabel*>("l_empty")->isVisibleTo(w));
    EXPECT_EQ(cellColours(w->map()), "GGRGGG---");
    // The plot: one point a session, later to the right, the 90th percentile
    // above the median.
    HistoryPlot* plot = w->plot();
    ASSERT_EQ(plot->pointCount(), 3u);
    double lastX = 0;
    for (size_t i = 0; i < 3; ++i) {
        const QPointF median = plot->pointOf(i, HistoryPlot::Median);
        EXPECT_LT(plot->pointOf(i, HistoryPlot::P90).y(), median.y());
        EXPECT_GT(median.x(), lastX);
        lastX = median.x();
    }
    // The roll's measures wear the map's colours, the unplayed ones none.
    const std::vector<QColor>& shades = window->deck()->score()->diagram()->measureShades();
    ASSERT_EQ(shades.size(), 9u);
    EXPECT_EQ(shades[2], MasteryMap::colourOf(w->map()->map()[2]));
    EXPECT_FALSE(shades[7].isValid());

    const QString csv = dir.filePath("history.csv");
    ASSERT_TRUE(w->exportCsv(csv));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count('\n'), 1 + 3 * 6 * 4) << "a header and every cluster";

    // Forget asks first; No keeps the history.
    sink.answers = {No, Yes};
    QPushButton* forget = w->findChild<QPushButton*>("pb_forget");
    forget->click();
    EXPECT_EQ(w->history().sessions.size(), 3u);
    forget->click();
    EXPECT_EQ(sink.shown.size(), 2);
    EXPECT_TRUE(w->history().sessions.empty());
    EXPECT_TRUE(journal().history(songIdentity(deck())).sessions.empty());
    EXPECT_TRUE(w->findChild<QLabel*>("l_empty")->isVisibleTo(w));
    EXPECT_FALSE(forget->isEnabled());
    EXPECT_EQ(cellColours(w->map()), "---------");
    EXPECT_TRUE(window->deck()->score()->diagram()->measureShades().empty());
}

// Practise the weakest loops the weakest run with the tempo stepping up, or
// says why there is none.
TEST_F(MainWindowJournal, PractiseTheWeakestLoopsItOrSaysWhyNot)
{
    struct Row {
        const char* history;
        std::vector<int> early; // ticks, per measure; empty: nothing played
        QString told;           // the start of the message, or empty: a loop
    };
    const Row rows[] = {
        {"none", {}, "This song has no practice history yet"},
        {"all mastered", {1, 1, 2, 1, 1, 2, 1, 1}, "Every measure played so far is mastered"},
        {"measure 3 rushed", {1, 2, 29, 1, 2, 1}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.history);
        journal().forget(songIdentity(deck()));
        window->findChild<LoopControls*>()->clear->trigger();
        for (int day = 0; !row.early.empty() && day < 2; ++day) {
            JournalSession s = played(QDateTime(QDate(2026, 3, 2 + day), QTime(9, 0)), row.early);
            ASSERT_TRUE(journal().record(songIdentity(deck()), s));
        }
        sink.shown.clear();
        window->options().loopStepUp = false;
        window->action("a_practiseWeakest")->trigger();
        if (!row.told.isEmpty()) {
            ASSERT_EQ(sink.shown.size(), 1);
            EXPECT_TRUE(sink.shown[0].text.startsWith(row.told))
                << sink.shown[0].text.toStdString();
            EXPECT_FALSE(deck().loop.marked());
            continue;
        }
        const MasteryRules rules = window->journalCommands()->rules();
        const WeakestRun run = weakestRun(masteryMap(journal().history(songIdentity(deck())), rules,
                                                     songIdentity(deck()).measures),
                                          rules);
        EXPECT_TRUE(sink.shown.isEmpty());
        EXPECT_EQ(std::tuple(deck().loop.startBar, deck().loop.endBar, deck().loop.on),
                  std::tuple(2, 3, true));
        EXPECT_TRUE(window->options().loopStepUp);
        EXPECT_EQ(window->options().loopStepFrom, run.stepFrom);
        EXPECT_TRUE(window->findChild<QCheckBox*>("cb_stepup")->isChecked());
        // The window's button does the same; not while a session runs.
        window->findChild<LoopControls*>()->clear->trigger();
        HistoryWindow* w = history();
        emit window->deck()->trackSelectionChanged(0, 0, true);
        EXPECT_FALSE(window->action("a_practiseWeakest")->isEnabled());
        EXPECT_FALSE(w->findChild<QPushButton*>("pb_weakest")->isEnabled());
        emit window->deck()->trackSelectionChanged(0, 0, false);
        w->findChild<QPushButton*>("pb_weakest")->click();
        EXPECT_EQ(std::pair(deck().loop.startBar, deck().loop.endBar), std::pair(2, 3));
    }
}

// A session that ends is written to the journal when it played clusters and
// the journal is kept, and an open history window shows it. A recording whose
// take is kept counts for the song it was played on, not for the take's notes.
TEST_F(MainWindowJournal, AFinishedSessionIsKeptWhenTheJournalIs)
{
    struct Row {
        bool keep;
        std::vector<int> early;
        size_t sessions; // in the journal after it
        bool recorded = false;
    };
    const Row rows[] = {{true, {2, 30}, 1},
                        {false, {2, 30}, 1},
                        {true, {}, 1},
                        {true, {1}, 2},
                        {true, {3, 3}, 3, true}};
    const SongIdentity song = songIdentity(deck());
    HistoryWindow* w = history();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sessions);
        window->options().journalKeep = row.keep;
        beginTake(deck());
        deck().takeLog = logOf(row.early);
        deck().sessionActive = true;
        if (row.recorded) {
            // The first note was played late; keeping the take moves it there.
            deck().recording = true;
            EventNode* n = deck().song.events.head();
            while (!n->isSoundingNoteOn()) n = n->next;
            n->altTick = n->tick + 7;
            sink.answers = {Yes};
        }
        postEvent(&window->deck()->session(),
                  SessionFinishedPayload::make(int(row.early.size()) * 4, 0));
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(journal().history(song).sessions.size(), row.sessions);
        EXPECT_EQ(w->history().sessions.size(), row.sessions);
        EXPECT_EQ(songIdentity(deck()).hash != song.hash, row.recorded) << "the take was kept";
        // The roll shades the song as it now stands: the kept take has no history.
        EXPECT_EQ(window->deck()->score()->diagram()->measureShades().size(),
                  row.recorded ? 0u : 9u);
    }
}

// A record session with a take in it, as the deck sees it when the song
// closes: the engine's "finished" is on its way.
struct MainWindowFiles : Window {
    void recordingInProgress()
    {
        DeckModel& deck = window->deck()->model();
        deck.sessionActive = true, deck.recording = true;
        emit window->deck()->trackSelectionChanged(0, 0, true);
        postEvent(&window->deck()->session(), SessionFinishedPayload::make(6, 0));
    }
    QString recoveryFiles() const
    {
        const QDir recovery(QDir(Settings::organisationDir()).filePath(QStringLiteral("recovery")));
        return recovery.entryList({QStringLiteral("*.mid")}, QDir::Files).join(QLatin1Char(' '));
    }
};

TEST_F(MainWindowFiles, AModifiedSongAsksBeforeItGoesAndCancelKeepsIt)
{
    open(1);
    ASSERT_TRUE(window->songOpen());
    window->deck()->model().setModified();

    sink.answers = {Cancel};
    window->action("a_unLoad")->trigger();
    EXPECT_TRUE(window->songOpen());
    EXPECT_EQ(sink.shown.last().text,
              QStringLiteral("%1 has been modified.\nDo you want to save your changes?")
                  .arg(QFileInfo(App::arguments[1]).fileName()));

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
}

// Whichever way the song goes during a recording, the take is settled first
// and, kept, offered for saving like any other change; Cancel keeps the song.
TEST_F(MainWindowFiles, ATakeKeptAsTheSongClosesIsOfferedForSaving)
{
    const QString keep = QStringLiteral("Do you want to keep the take?");
    const QString save = QStringLiteral("%1 has been modified.\nDo you want to save your changes?")
                             .arg(QFileInfo(App::arguments[1]).fileName());
    QDir tmp = QDir::temp();
    const QStringList demosBefore = tmp.entryList({QStringLiteral("clavion-demo-*")});
    const struct {
        const char* way;
        std::function<void()> close;
    } ways[] = {
        {"Close", [&] { window->unLoad(); }},
        {"Quit", [&] { window->action("a_quit")->trigger(); }},
        {"the close button", [&] { window->close(); }},
        {"a demo", [&] { window->findChild<QAction*>("menuitem-001")->trigger(); }},
        {"a device failure",
         [&] {
             postEvent(window, new MessageEvent(DeviceFailureEvent, "MIDI output not found."));
             QCoreApplication::sendPostedEvents(window);
         }},
    };
    for (const auto& w : ways) {
        SCOPED_TRACE(w.way);
        open(1);
        ASSERT_TRUE(window->songOpen());
        recordingInProgress();
        EXPECT_FALSE(window->menuBar()->actions().at(2)->isEnabled())
            << "no demo in place of a song that records";
        sink.shown.clear();
        sink.answers = {Yes, Cancel};
        w.close();
        ASSERT_FALSE(window.isNull());
        ASSERT_TRUE(window->songOpen());
        EXPECT_EQ(sink.texts().mid(0, 2), QStringList({keep, save}));
        EXPECT_TRUE(window->deck()->model().modified());

        const QString saved = dir.filePath(QStringLiteral("take-%1.mid").arg(&w - ways));
        sink.answers = {Yes};
        answerFileDialog(saved);
        EXPECT_TRUE(window->unLoad());
        EXPECT_GT(QFileInfo(saved).size(), 0);
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    for (const QString& name : tmp.entryList({QStringLiteral("clavion-demo-*")}))
        if (!demosBefore.contains(name)) tmp.remove(name);
}

// A terminating signal asks nothing: a modified song, or one whose recording
// it ends, is kept as a recovery copy, the take in it.
TEST_F(MainWindowFiles, ATerminatingSignalKeepsAModifiedSongAsARecoveryCopy)
{
    for (bool recording : {false, true}) {
        SCOPED_TRACE(recording ? "recording" : "modified");
        QDir(QDir(Settings::organisationDir()).filePath(QStringLiteral("recovery")))
            .removeRecursively();
        sink.shown.clear();
        open(1);
        if (recording)
            recordingInProgress();
        else
            window->deck()->model().setModified();
        window->quitNow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
        EXPECT_TRUE(sink.shown.isEmpty());
        EXPECT_EQ(recoveryFiles().count(QStringLiteral(".mid")), 1)
            << recoveryFiles().toStdString();
    }
}

// A signal taken while the track dialog runs its own loop: the dialog and the
// deck that opened it must outlive that loop, or their ends come twice.
TEST_F(MainWindowFiles, ATerminatingSignalInADialogLeavesTheWindowToTheLoopsEnd)
{
    open(1);
    window->deck()->model().setModified();
    QEventLoop program; // the program's own loop, under the dialog's
    QTimer::singleShot(0, window, [&] {
        QTimer::singleShot(0, window, [&] {
            EXPECT_TRUE(QApplication::activeModalWidget());
            window->quitNow();
            // What the program's exit does to every loop.
            if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
            program.quit();
        });
        window->deck()->score()->hooks.configureTrack(0);
    });
    program.exec();
    ASSERT_FALSE(window.isNull()) << "deleted under the dialog's loop";
    EXPECT_TRUE(window->songOpen());
    EXPECT_EQ(recoveryFiles().count(QStringLiteral(".mid")), 1);
    delete window; // as the program's exit does
}

// A device failure reported while the track dialog runs its own loop: the
// deck that opened the dialog goes only once the dialog has closed.
TEST_F(MainWindowFiles, ADeviceFailureInADialogClosesTheSongOnceTheDialogHasGone)
{
    open(1);
    bool openDuringDialog = false;
    QEventLoop program; // the program's own loop, under the dialog's
    QTimer::singleShot(0, window, [&] {
        QTimer::singleShot(0, window, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            postEvent(window, new MessageEvent(DeviceFailureEvent, "MIDI output not found."));
            QCoreApplication::sendPostedEvents(window);
            openDuringDialog = window->songOpen();
            if (dialog) dialog->close();
        });
        window->deck()->score()->hooks.configureTrack(0);
        QTimer::singleShot(1000, &program, &QEventLoop::quit);
    });
    program.exec();
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(openDuringDialog);
    EXPECT_FALSE(window->songOpen());
    EXPECT_EQ(sink.texts().join('|'), "MIDI output not found.");
}

// A port that left during a session ends it cleanly: the status bar names it,
// the lists mark it gone, the song stays; a failed connection reads them anew.
TEST_F(MainWindowFiles, AVanishedDeviceIsNamedAndTheSongStays)
{
    open(1);
    fakeOutputs.pop_back(); // the synthesizer quits
    postEvent(window, DeviceGonePayload::make(128, 0, true));
    QCoreApplication::sendPostedEvents(window);
    EXPECT_TRUE(window->songOpen());
    EXPECT_EQ(window->statusBar()->currentMessage(), "MIDI output 128:0 Synth input has gone.");
    EXPECT_TRUE(window->devices().findOutput(128, 0)->absent);
    EXPECT_TRUE(sink.shown.isEmpty());

    fakeInputs.push_back({20, 0, "Keys", "Keys port"});
    postEvent(window, new QEvent(eventType(RescanDevicesEvent)));
    QCoreApplication::sendPostedEvents(window);
    EXPECT_NE(window->devices().findInput(20, 0), nullptr);
}

TEST_F(MainWindowFiles, DemosAreCataloguedAndCopiedToPrivateFiles)
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
    // The first demo's copy went with it; a reload reads the second one again.
    EXPECT_FALSE(QFileInfo::exists(paths[0]));
    struct stat st {
    };
    ASSERT_EQ(::stat(QFile::encodeName(paths[1]).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    sink.answers = {Yes};
    window->reload();
    ASSERT_TRUE(window->songOpen());
    EXPECT_EQ(window->songPath(), paths[1]);
    EXPECT_TRUE(QFileInfo::exists(paths[1]));
    ASSERT_TRUE(window->unLoad());
    EXPECT_FALSE(QFileInfo::exists(paths[1])) << "a closed demo leaves its copy behind";
    // Saved as the user's own file, the demo still leaves no copy.
    ASSERT_TRUE(window->launchDemo(1));
    const QString copy = window->songPath(), kept = dir.filePath(QStringLiteral("kept.mid"));
    answerFileDialog(kept);
    ASSERT_TRUE(window->fileSaveAs());
    window->close(); // Quit
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(std::pair(QFileInfo::exists(copy), QFileInfo::exists(kept)), std::pair(false, true));
    open();
    EXPECT_FALSE(window->launchDemo(37));
    EXPECT_EQ(sink.texts().last(), QStringLiteral("Could not find resource 37"));
}

TEST_F(MainWindowFiles, NewMakesAModifiedSongInAUniqueFile)
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
    // Closed unsaved, the new song leaves no empty file behind; saved, it stays.
    sink.answers = {No};
    ASSERT_TRUE(window->unLoad());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(path)));
    window->fileNew();
    const QString saved = window->songPath();
    ASSERT_TRUE(window->fileSave());
    window->fileNew(); // the saved song closes unmodified
    const QString quit = window->songPath();
    EXPECT_NE(quit, saved);
    sink.answers = {No};
    window->close(); // Quit without saving
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(std::pair(QFileInfo::exists(saved), QFileInfo::exists(quit)), std::pair(true, false));
    open();

    fakeInputs.clear(); // no keyboard: nothing to record a new song from
    window->fileNew();
    EXPECT_TRUE(sink.texts().last().startsWith(QLatin1String("You cannot create a MIDI file")));
}
} // namespace
