// The deck as the user drives it, without a sequencer.

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
#include <QCheckBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
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
    for (int i = 0; i < 32; ++i) melody.on(0, 0, 60 + i % 12, 90).off(96, 0, 60 + i % 12);
    drums.on(0, 9, 36, 100).off(96, 9, 36).end();
    return smfFile(1, 96, {conductor, melody.end(), drums});
}

class PlayDialogTest : public ::testing::Test
{
protected:
    void SetUp() override { Settings::resetForTests(dir.path(), QStringLiteral("en")); }
    void TearDown() override { deck.reset(), theSong().clear(), Settings::close(); }

    // Keyboards 20:0 ..., outputs 128:0 ... (the first the default), the last `ignored` ignored.
    PlayDialog& open(const QByteArray& bytes, int inputs = 1, int outputs = 1, int ignored = 0)
    {
        deck.reset();
        theSong().clear();
        devices = DeviceSet();
        sink.shown.clear();
        actions.clear();
        for (int i = 0; i < inputs; ++i)
            devices.inputs.emplace_back(std::make_unique<InputDevice>())->client = 20 + i;
        for (int i = 0; i < outputs; ++i) {
            auto& out = devices.outputs.emplace_back(std::make_unique<OutputDevice>());
            out->client = 128 + i;
            out->ignoreOutput = i >= outputs - ignored;
        }
        devices.defaultOutput.client = 128;
        EXPECT_TRUE(loadSongFromBytes(bytes, QStringLiteral("test.mid")));
        deck = std::make_unique<PlayDialog>(&main, options, devices,
                                            QStringLiteral("/songs/test.mid"), &mainWindowEvents);
        QObject::connect(deck.get(), &PlayDialog::actionChanged,
                         [this](DeckAction a, bool on) { actions[a] = on; });
        return *deck;
    }
    QToolButton* button(const char* name) { return main.findChild<QToolButton*>(name); }
    void post(QEvent* e) { postEvent(&deck->session(), e), QCoreApplication::sendPostedEvents(); }
    void trigger(const char* action) { main.findChild<QAction*>(action)->trigger(); }
    bool wheel(Qt::KeyboardModifiers keys)
    {
        QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton, keys,
                      Qt::NoScrollPhase, false);
        return QApplication::sendEvent(deck.get(), &e), e.isAccepted();
    }

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

TEST_F(PlayDialogTest, QuickSettingsShowWhatTheSessionPlays)
{
    // Boost, bpm, beat, tolerance in ticks (100 ms: a fifth of a quarter at 120 bpm), zoom.
    const struct {
        const char* shown;
        std::function<void()> act;
        int beatsPerMeasure = 4, beatValueLog2 = 2;
    } rows[] = {
        {"100 120 001:1 19 6", [&] { EXPECT_FALSE(wheel(Qt::NoModifier)); }},
        {"50 60 001:1 9 6", [&] { deck->setTempoboost(50); }},
        {"107 128 001:1 20 6", [&] { EXPECT_TRUE(wheel(Qt::ControlModifier)); }},
        {"105 126 001:1 20 7", [&] { trigger("a_tempoboostUp"), trigger("a_pix4mcUp"); }},
        {"100 120 001:1 38 5", [&] { deck->setTol(200), trigger("a_pix4mcDown"); }},
        {"111 133 001:1 21 6", [&] { post(new DoubleEvent(TempoRatioEvent, 0.9)); }},
        {"100 120 002:2 19 6", [&] { deck->setCurrentBeat(6); }},
        {"100 120 002:02 19 6", [&] { deck->setCurrentBeat(14); }, 12, 3},
        {"100 120 001:1 19 6",
         [&] { deck->setTempoboost(50), deck->setCurrentBeat(9), deck->doRewind(); }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &r - rows);
        const auto& t = open(songBytes(r.beatsPerMeasure, r.beatValueLog2)).model().timing;
        r.act();
        const auto& q = *main.findChild<QuickSettings*>();
        EXPECT_EQ(QString::asprintf("%d %d %s %u %d", q.boost->value(), q.tempo->value(),
                                    qPrintable(q.beat->text()), t.tick_tol, q.zoom->value()),
                  QString(r.shown));
        EXPECT_EQ(std::pair(t.tempoBoost, t.pix4mc),
                  std::pair(q.boost->value(), q.zoom->value() * 0.25));
    }
}

TEST_F(PlayDialogTest, OnlyATakeWithNotesAsksWhetherToKeepIt)
{
    const struct {
        int interactive, free, answer;
        bool recording, asked, kept;
    } rows[] = {{0, 0, Yes, true, false, false},
                {3, 0, Yes, true, true, true},
                {0, 2, No, true, true, false},
                {3, 1, Cancel, true, true, false},
                {3, 0, Yes, false, false, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.recording << ' ' << r.interactive << ' ' << r.free);
        PlayDialog& d = open(songBytes());
        // The engine ran; its "finished" arrives as from the thread.
        d.model().sessionActive = true;
        d.model().recording = r.recording;
        sink.answers = {r.answer};
        post(SessionFinishedPayload::make(r.interactive, r.free));
        EXPECT_EQ(sink.texts().join('|'), r.asked ? "Do you want to keep the take?" : "");
        EXPECT_EQ(d.model().modified(), r.kept);
        EXPECT_EQ(actions[DeckAction::FileSave], r.kept);
        EXPECT_FALSE(d.busy());
        EXPECT_EQ(button("tb_record")->toolTip(), "Start recording (CTRL+SHIFT+Space)");
    }
}

// No sequencer here: the session starts, cannot open its client and halts.
TEST_F(PlayDialogTest, ListenTwiceStopsAndTheButtonsFollowTheSession)
{
    PlayDialog& d = open(songBytes());
    std::vector<bool> busy;
    QObject::connect(&d, &PlayDialog::trackSelectionChanged,
                     [&](int, int, bool b) { busy.push_back(b); });
    // The keys stay with the buttons whatever their text says.
    const auto looks = [&](const char* listenTip, bool playing) {
        EXPECT_EQ(button("tb_listen")->toolTip(), listenTip);
        EXPECT_EQ(button("tb_pause")->isEnabled(), playing);
        EXPECT_EQ(button("tb_record")->isEnabled(), !playing);
        EXPECT_EQ(button("tb_listen")->shortcut().toString(), "Ctrl+Space");
        EXPECT_EQ(button("tb_record")->shortcut().toString(), "Ctrl+Shift+Space");
    };
    looks("Start listening (CTRL+Space)", false);
    button("tb_listen")->click();
    ASSERT_TRUE(d.busy());
    looks("Stop listening (CTRL+Space)", true);
    button("tb_listen")->click();
    EXPECT_EQ(main.statusBar()->currentMessage(), "Shutting down the playing session.");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !d.busy(); }, 3000));
    looks("Start listening (CTRL+Space)", false);
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    EXPECT_TRUE(sink.texts().isEmpty()) << sink.texts().join('\n').toStdString();
}

// The Loop box waits for marks, which Ctrl+[ and Ctrl+] set at the current beat; a session
// stepped up starts at the first pass's boost and gives the user's back; each seam shows its
// beat and pass unless the user set a boost of his own. No sequencer: sessions halt at once.
TEST_F(PlayDialogTest, TheLoopIsMarkedAtTheBeatAndItsPassesSteppedUp)
{
    options.loopStepUp = true, options.loopStepFrom = 70;
    PlayDialog& d = open(songBytes());
    auto* loop = main.findChild<QCheckBox*>("cb_loop");
    const auto& q = *main.findChild<QuickSettings*>();
    EXPECT_FALSE(loop->isEnabled());
    EXPECT_TRUE(loop->toolTip().endsWith("A recording ignores the loop."));
    EXPECT_EQ(main.findChild<QAction*>("a_loopStart")->shortcut().toString(), "Ctrl+[");
    EXPECT_EQ(main.findChild<QAction*>("a_loopEnd")->shortcut().toString(), "Ctrl+]");
    d.setCurrentBeat(6), trigger("a_loopStart");
    d.setCurrentBeat(15), trigger("a_loopEnd");
    EXPECT_EQ(std::pair(d.model().loop.startBar, d.model().loop.endBar), std::pair(1, 4));
    ASSERT_TRUE(loop->isEnabled());
    loop->click();
    EXPECT_TRUE(d.model().loop.on);
    main.findChild<QSpinBox*>("sb_stepby")->setValue(10);
    EXPECT_EQ(Settings::value(Keys::Loop::stepby), 10);

    d.setCurrentBeat(5);
    button("tb_listen")->click();
    EXPECT_EQ(q.boost->value(), 70);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !d.busy(); }, 3000));
    EXPECT_EQ(q.boost->value(), 100) << "the user's boost back";

    const auto seam = [&](int beat, int boost) {
        post(LoopSeamPayload::make(beat, boost));
        return QString::asprintf("%d %s", q.boost->value(), qPrintable(q.beat->text()));
    };
    d.setCurrentBeat(16);
    d.model().loop.passBoost = 80; // as the engine plays it
    EXPECT_EQ(seam(5, 80), "80 002:1");
    d.setTempoboost(95);
    EXPECT_EQ(seam(5, 90), "95 002:1") << "the user's own boost stays";
    trigger("a_loopClear");
    EXPECT_FALSE(loop->isEnabled() || loop->isChecked() || d.model().loop.marked());
    EXPECT_EQ(open(songBytes()).model().loop.startBar, -1) << "marks belong to their song";
    EXPECT_EQ(main.findChild<QSpinBox*>("sb_stepby")->value(), 10);
}

TEST_F(PlayDialogTest, ASongOpensWithAWarningWhenNothingCanSoundOrPlay)
{
    const struct {
        int inputs, outputs, ignored;
        const char* warning;
    } rows[] = {{1, 0, 0, "No sound will be heard since no output devices were found."},
                {1, 1, 1, "No operational output devices were found."},
                {0, 1, 0, "No midi keyboard for input."},
                {1, 1, 0, ""}};
    for (const auto& r : rows) {
        open(songBytes(), r.inputs, r.outputs, r.ignored);
        EXPECT_EQ(sink.texts().size(), *r.warning ? 1 : 0) << r.warning;
        EXPECT_TRUE(sink.texts().value(0, "").startsWith(r.warning)) << r.warning;
    }
}

TEST_F(PlayDialogTest, SongDataNamesTheChannelsOfEachOutputAndVolumeStepsStayInRange)
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
    devices.outputs[0]->volume = 100;
    devices.outputs[1]->volume = 20;
    const int rows[][3] = {{10, 110, 30}, {30, 127, 60}, {-200, 0, 0}, {127, 100, 20}};
    for (const auto& [step, first, second] : rows) {
        d.masterVolumeStep(step);
        EXPECT_EQ(d.session().masterVolume(*devices.outputs[0]), first) << step;
        EXPECT_EQ(d.session().masterVolume(*devices.outputs[1]), second) << step;
    }
    EXPECT_EQ(devices.outputs[0]->volume, 100) << "the user's setting stays";
}

TEST_F(PlayDialogTest, ATracksButtonOpensItsDialog)
{
    open(songBytes());
    QStringList titles;
    for (const char* name : {"conf1", "conf2"}) {
        QTimer::singleShot(0, [&titles] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->inherits("TrackDB") && w->isVisible())
                    titles << w->windowTitle(), w->close();
        });
        deck->findChild<QPushButton*>(name)->click();
    }
    EXPECT_EQ(titles, QStringList({"Clavion - Configure bound track 1",
                                   "Clavion - Configure drum track 2"}));
}
} // namespace
