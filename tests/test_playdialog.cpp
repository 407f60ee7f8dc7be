// The deck as the user drives it, without a sequencer: the quick settings,
// the end of a session with its keep-take question, the song data and the
// warnings a song opens with.

#include "app/playdialog.h"
#include "app/quicksettings.h"
#include "core/events.h"
#include "core/messages.h"
#include "core/settings.h"
#include "engine/decksession.h"
#include "panes/cleanwidgets.h"
#include "smfbuilder.h"
#include "song/songloader.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThread>
#include <QToolButton>
#include <QWheelEvent>
#include <functional>
#include <gtest/gtest.h>
#include <map>

// Failures show texts, not UTF-16 code units.
void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace
{

// 32 quarter notes on channel 1 and a drum on channel 10, at 120 bpm, in G major.
QByteArray songBytes(int beatsPerMeasure = 4, int beatValueLog2 = 2)
{
    TrackBuilder conductor, melody, drums;
    conductor.tempo(0, 500000).timeSig(0, beatsPerMeasure, beatValueLog2).keySig(0, 1, 0).end();
    melody.text(0, 0x03, "Melody");
    for (int i = 0; i < 32; ++i) melody.on(0, 0, 60 + i % 12, 90).off(96, 0, 60 + i % 12);
    drums.on(0, 9, 36, 100).off(96, 9, 36).end();
    return smfFile(1, 96, {conductor, melody.end(), drums});
}

class Deck : public ::testing::Test
{
protected:
    void SetUp() override { Settings::resetForTests(dir.path(), QStringLiteral("en")); }
    void TearDown() override
    {
        deck.reset();
        theSong().clear();
        Settings::close();
    }

    // A new deck with keyboards 20:0 ... and outputs 128:0 ..., the first the
    // default, of which the last `ignored` are set to be ignored.
    PlayDialog& open(const QByteArray& bytes, int inputs = 1, int outputs = 1, int ignored = 0)
    {
        deck.reset();
        theSong().clear();
        devices = DeviceSet();
        sink.shown.clear();
        actions.clear();
        for (int i = 0; i < inputs; ++i) {
            devices.inputs.push_back(std::make_unique<InputDevice>());
            devices.inputs.back()->client = 20 + i;
        }
        for (int i = 0; i < outputs; ++i) {
            devices.outputs.push_back(std::make_unique<OutputDevice>());
            devices.outputs.back()->client = 128 + i;
            devices.outputs.back()->ignoreOutput = i >= outputs - ignored;
        }
        devices.defaultOutput.client = 128;
        EXPECT_TRUE(loadSongFromBytes(bytes, QStringLiteral("test.mid")));
        deck = std::make_unique<PlayDialog>(&main, options, devices,
                                            QStringLiteral("/songs/test.mid"), &mainWindowEvents);
        QObject::connect(deck.get(), &PlayDialog::actionChanged,
                         [this](DeckAction a, bool on) { actions[a] = on; });
        return *deck;
    }
    QuickSettings& quick() { return *main.findChild<QuickSettings*>(); }
    QToolButton* button(const char* name) { return main.findChild<QToolButton*>(name); }

    QTemporaryDir dir;
    ScriptedMessageSink sink;
    ScopedMessageSink installed{&sink};
    QMainWindow main;
    QObject mainWindowEvents; // what the engine tells the window is not looked at here
    LiveOptions options;
    DeviceSet devices;
    std::unique_ptr<PlayDialog> deck;
    std::map<DeckAction, bool> actions;
};

TEST_F(Deck, QuickSettingsShowWhatTheSessionPlays)
{
    const auto wheel = [](PlayDialog& d, Qt::KeyboardModifiers keys) {
        QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton, keys,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(&d, &e);
        return e.isAccepted();
    };
    const auto trigger = [this](const char* action) {
        main.findChild<QAction*>(QLatin1String(action))->trigger();
    };
    // Tolerance in ticks at 96 a quarter: 100 ms is a fifth of a quarter at 120 bpm.
    const struct {
        const char* what;
        int beatsPerMeasure, beatValueLog2;
        std::function<void(PlayDialog&)> act;
        int boost, bpm;
        const char* beat;
        uint32_t tolTicks;
        int zoom;
    } rows[] = {
        {"at rest", 4, 2, [](PlayDialog&) {}, 100, 120, "001:1", 19, 6},
        {"boost halved", 4, 2, [](PlayDialog& d) { d.setTempoboost(50); }, 50, 60, "001:1", 9, 6},
        {"ctrl+wheel notch", 4, 2,
         [&](PlayDialog& d) { EXPECT_TRUE(wheel(d, Qt::ControlModifier)); }, 107, 128, "001:1", 20,
         6},
        {"plain wheel", 4, 2, [&](PlayDialog& d) { EXPECT_FALSE(wheel(d, Qt::NoModifier)); }, 100,
         120, "001:1", 19, 6},
        {"faster, wider", 4, 2,
         [&](PlayDialog&) {
             trigger("a_tempoboostUp");
             trigger("a_pix4mcUp");
         },
         105, 126, "001:1", 20, 7},
        {"tolerance 200, narrower", 4, 2,
         [&](PlayDialog& d) {
             d.setTol(200);
             trigger("a_pix4mcDown");
         },
         100, 120, "001:1", 38, 5},
        {"the player leads: ratio 0.9", 4, 2,
         [](PlayDialog& d) {
             postEvent(&d.session(), new DoubleEvent(TempoRatioEvent, 0.9));
             QCoreApplication::sendPostedEvents();
         },
         111, 133, "001:1", 21, 6},
        {"beat 6 of 4/4", 4, 2, [](PlayDialog& d) { d.setCurrentBeat(6); }, 100, 120, "002:2", 19,
         6},
        {"beat 14 of 12/8", 12, 3, [](PlayDialog& d) { d.setCurrentBeat(14); }, 100, 120, "002:02",
         19, 6},
        {"rewind", 4, 2,
         [](PlayDialog& d) {
             d.setTempoboost(50);
             d.setCurrentBeat(9);
             d.doRewind();
         },
         100, 120, "001:1", 19, 6},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        PlayDialog& d = open(songBytes(r.beatsPerMeasure, r.beatValueLog2));
        r.act(d);
        EXPECT_EQ(quick().boost->value(), r.boost);
        EXPECT_EQ(d.model().timing.tempoBoost, r.boost);
        EXPECT_EQ(quick().tempo->value(), r.bpm);
        EXPECT_EQ(quick().beat->text(), QLatin1String(r.beat));
        EXPECT_EQ(d.model().timing.tick_tol, r.tolTicks);
        EXPECT_EQ(quick().zoom->value(), r.zoom);
        EXPECT_DOUBLE_EQ(d.model().timing.pix4mc, r.zoom * 0.25);
    }
}

TEST_F(Deck, OnlyATakeWithNotesAsksWhetherToKeepIt)
{
    const struct {
        bool recording;
        int interactive, free;
        int answer;
        bool asked, kept;
    } rows[] = {{true, 0, 0, Yes, false, false},
                {true, 3, 0, Yes, true, true},
                {true, 0, 2, No, true, false},
                {true, 3, 1, Cancel, true, false},
                {false, 3, 0, Yes, false, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.recording) + " " + std::to_string(r.interactive) + " " +
                     std::to_string(r.free));
        PlayDialog& d = open(songBytes());
        // The engine ran; its "finished" arrives as from the thread.
        d.model().sessionActive = true;
        d.model().recording = r.recording;
        sink.answers = {r.answer};
        postEvent(&d.session(), new IntIntEvent(SessionFinishedEvent, r.interactive, r.free));
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(sink.texts(),
                  r.asked ? QStringList{"Do you want to keep the take?"} : QStringList{});
        EXPECT_EQ(d.model().modified(), r.kept);
        EXPECT_EQ(actions[DeckAction::FileSave], r.kept);
        EXPECT_FALSE(d.busy());
        EXPECT_EQ(button("tb_record")->toolTip(), "Start recording (CTRL+SHIFT+Space)");
    }
}

// No sequencer here: the session starts, cannot open its client and halts.
TEST_F(Deck, ListenTwiceStopsAndTheButtonsFollowTheSession)
{
    PlayDialog& d = open(songBytes());
    std::vector<bool> busy;
    QObject::connect(&d, &PlayDialog::trackSelectionChanged,
                     [&](int, int, bool b) { busy.push_back(b); });
    ASSERT_FALSE(button("tb_pause")->isEnabled());
    button("tb_listen")->click();
    ASSERT_TRUE(d.busy());
    EXPECT_EQ(button("tb_listen")->toolTip(), "Stop listening (CTRL+Space)");
    EXPECT_TRUE(button("tb_pause")->isEnabled());
    EXPECT_FALSE(button("tb_record")->isEnabled());
    // The keys stay with the buttons whatever their text says.
    EXPECT_EQ(button("tb_listen")->shortcut().toString(), "Ctrl+Space");
    EXPECT_EQ(button("tb_record")->shortcut().toString(), "Ctrl+Shift+Space");
    button("tb_listen")->click();
    EXPECT_EQ(main.statusBar()->currentMessage(), "Shutting down the playing session.");
    for (int i = 0; i < 300 && d.busy(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    EXPECT_FALSE(d.busy());
    EXPECT_EQ(button("tb_listen")->toolTip(), "Start listening (CTRL+Space)");
    EXPECT_FALSE(button("tb_pause")->isEnabled());
    EXPECT_TRUE(button("tb_record")->isEnabled());
    EXPECT_EQ(button("tb_listen")->shortcut().toString(), "Ctrl+Space");
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    EXPECT_TRUE(sink.texts().isEmpty()) << sink.texts().join('\n').toStdString();
}

TEST_F(Deck, SongDataNamesTheChannelsEachOutputUses)
{
    PlayDialog& d = open(songBytes(), 1, 3);
    devices.outputs[0]->portName = QStringLiteral("Synth <A>");
    devices.outputs[1]->portName = QStringLiteral("Other");
    devices.outputs[2]->ignoreOutput = true;
    // Melody on 1, drums on 10, the keyboard's free track on the first channel left.
    EXPECT_EQ(d.songData(), "<p><b>Time signature</b> 4 / 4</p><p><b>Mode</b> G major</p>"
                            "<p><b>MIDI file of type</b> 1</p>"
                            "<p><b>2 tracks with note events</b></p><p><b>3 tracks total</b></p>"
                            "<p><b>Used channels for</b> 128:0 Synth &lt;A&gt;:</p>II-------I------"
                            "<p><b>Used channels for</b> 129:0 Other:</p>----------------");
}

TEST_F(Deck, ASongOpensWithAWarningWhenNothingCanSoundOrPlay)
{
    const struct {
        int inputs, outputs, ignored;
        const char* warning;
    } rows[] = {
        {1, 0, 0,
         "No sound will be heard since no output devices were found. Check Devices setup in "
         "Options in case a valid output device is set to be ignored."},
        {1, 1, 1,
         "No operational output devices were found. Check Devices setup in Options to allow at "
         "least one output device."},
        {0, 1, 0, "No midi keyboard for input."},
        {1, 1, 0, nullptr},
    };
    for (const auto& r : rows) {
        open(songBytes(), r.inputs, r.outputs, r.ignored);
        EXPECT_EQ(sink.texts(), r.warning ? QStringList{r.warning} : QStringList{});
    }
}

TEST_F(Deck, MasterVolumeStepsAddUpWithinTheControllerRange)
{
    PlayDialog& d = open(songBytes(), 1, 2);
    devices.outputs[0]->volume = 100;
    devices.outputs[1]->volume = 20;
    const struct {
        int step, first, second;
    } rows[] = {{10, 110, 30}, {30, 127, 60}, {-200, 0, 0}, {127, 100, 20}};
    for (const auto& r : rows) {
        d.masterVolumeStep(r.step);
        EXPECT_EQ(d.session().masterVolume(*devices.outputs[0]), r.first) << r.step;
        EXPECT_EQ(d.session().masterVolume(*devices.outputs[1]), r.second) << r.step;
    }
    EXPECT_EQ(devices.outputs[0]->volume, 100) << "the user's setting stays";
}
} // namespace
