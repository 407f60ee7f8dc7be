// The piano roll and the track strip as the user sees and drives them.

#include "app/playdialog.h"
#include "app/quicksettings.h"
#include "core/events.h"
#include "core/settings.h"
#include "deckfixture.h"
#include "engine/decksession.h"
#include "views/diagram.h"
#include "views/score.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

namespace
{

// Melody notes at ticks 0, 19 and 37 (gaps 19 and 18), one at beat 41; drums on
// channel 10. At 120 bpm and 100 ms the cluster threshold is 19 ticks.
QByteArray songBytes()
{
    TrackBuilder conductor, melody, drums;
    conductor.tempo(0, 500000).timeSig(0, 4, 2).end();
    melody.on(0, 0, 60, 90).off(10, 0, 60).on(9, 0, 62, 90).off(10, 0, 62).on(8, 0, 64, 90);
    melody.off(10, 0, 64).on(3803, 0, 65, 90).off(96, 0, 65).end();
    drums.on(500, 9, 36, 100).off(96, 9, 36).end();
    return smfFile(1, 96, {conductor, melody, drums});
}

struct EventLog : QObject {
    std::vector<int> types;
    void customEvent(QEvent* e) override { types.push_back(e->type()); }
};

struct Views : DeckFixture {
    LiveOptions options;
    EventLog log;
    std::unique_ptr<Score> score;
    Diagram* roll = nullptr;
    std::vector<int> master;

    // Bound tracks #1 (melody) and #2 (drums), free track #3.
    Views()
    {
        addDevices(1);
        EXPECT_TRUE(loadAndPrepare(songBytes()));
        score = std::make_unique<Score>(deck, options, &log);
        score->hooks.masterVolumeStep = [this](int step) { master.push_back(step); };
        roll = score->diagram();
        score->resize(800, 300);
        score->layout()->activate();
    }
    int h() const { return roll->rowHeight(); }
    QImage image() { return roll->grab().toImage(); }
    QRgb colour(Keys::Display::ColourRole role) const
    {
        const Rgb& c = options.colours[size_t(role)];
        return qRgb(c.red, c.green, c.blue);
    }
    int xOf(int64_t tick) const
    {
        const int64_t cur = int64_t(score->position());
        return roll->width() / 3 - options.diam + int(double(tick - cur) / deck.timing.tick4pix);
    }
    // What row 0 shows for the note at `tick`: head, body, played head or body.
    char note(const QImage& img, int64_t tick) const
    {
        using namespace Keys::Display;
        const int d = options.diam, x = xOf(tick) + d / 2, y = (h() - d) / 2 + d / 2;
        const QRgb head = img.pixel(x, y), body = img.pixel(x, y + d);
        return head == colour(UnplayedClusterHead)   ? 'H'
               : body == colour(UnplayedClusterBody) ? 'B'
               : head == colour(PlayedNote)          ? 'P'
               : body == colour(PlayedNote)          ? 'p'
                                                     : '-';
    }
    std::string selection() const
    {
        std::string s;
        for (uint8_t v : deck.selected) s += v ? '1' : '0';
        return s;
    }
    std::vector<int> delivered()
    {
        QCoreApplication::sendPostedEvents(&log);
        return std::exchange(log.types, {});
    }
};

TEST_F(Views, NotesAreHeadsOrBodiesAtTheirTempoAndPlayedAsTheyPass)
{
    const struct {
        int boost;
        bool interactive;
        uint64_t playedUpTo, position;
        const char* shown;
        bool zeroTempo = false;
    } rows[] = {{100, false, 0, 0, "HHB"},  {200, false, 0, 0, "HBB"},
                {100, false, 0, 30, "PPB"}, {100, true, 20, 0, "PPB"},
                {100, true, 0, 30, "HHB"},  {100, false, 0, 0, "HHH", true}};
    deck.setZoom(40);
    EventNode* third = deck.song.events.head();
    while (third->tick != 37 || !third->isSoundingNoteOn()) third = third->next;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.shown);
        deck.setTempoBoost(r.boost);
        deck.tracks.keyboard[0] = r.interactive;
        deck.tracks.playedUpTo[0] = r.playedUpTo;
        third->tempo = r.zeroTempo ? 0 : 500000;
        score->setPosition(r.position);
        const QImage img = image();
        EXPECT_EQ(std::string() + note(img, 0) + note(img, 19) + note(img, 37), r.shown);
    }
}

TEST_F(Views, MeasureLinesStayOnMeasuresAndTheSongStartsAtTheMark)
{
    const QRgb bars = colour(Keys::Display::MeasureBars);
    const int mark = roll->width() / 3 - options.diam;
    for (uint64_t position : {0, 500, 528, 1000}) {
        score->setPosition(position);
        const QImage img = image();
        std::set<int> solid, measures;
        for (int x = 0; x < img.width(); ++x) {
            bool all = true;
            for (int y = 2; y < 12; ++y) all = all && img.pixel(x, y) == bars;
            if (all) solid.insert(x);
        }
        for (int64_t m = -10; m < 10; ++m) {
            const int64_t tick = int64_t(position - position % 384) + m * 384;
            const int x = xOf(tick);
            if (x >= 0 && x < img.width() && (x < mark || x >= mark + options.diam))
                measures.insert(x);
        }
        EXPECT_EQ(solid, measures) << position;
        if (position > 0) continue;
        // Nothing before the start of the song; its first note sits on the mark.
        EXPECT_EQ(note(img, 0), 'H');
        for (int x = 0; x < mark; ++x)
            for (int y = 0; y < img.height(); ++y)
                ASSERT_FALSE(img.pixel(x, y) == colour(Keys::Display::UnplayedClusterHead) ||
                             img.pixel(x, y) == colour(Keys::Display::PlayedNote))
                    << x << "," << y;
    }
    // A song without beats or measures paints its lanes and notes only.
    deck.timing.tick4beat = deck.timing.tick4measure = deck.timing.temps = 0;
    score->setPosition(0);
    EXPECT_EQ(note(image(), 0), 'H');
}

TEST_F(Views, AllTracksFlagGivesEveryTrackALane)
{
    const auto visible = [&](const char* name) {
        return score->findChild<QWidget*>(name)->isVisibleTo(score.get());
    };
    EXPECT_EQ(roll->rowCount(), 3);
    EXPECT_EQ(roll->sizeHint().height(), 3 * h());
    EXPECT_TRUE(visible("kb1"));
    score->setAllTracks(false);
    EXPECT_EQ(roll->rowCount(), 1); // the free track only
    EXPECT_FALSE(visible("kb1"));
    EXPECT_TRUE(visible("mt3"));
    score->intflipKeyboard(1);
    EXPECT_EQ(std::vector<int>({roll->rowOf(0), roll->rowOf(1), roll->rowOf(2)}),
              std::vector<int>({-2, 0, 1}));
    EXPECT_EQ(roll->sizeHint().height(), 2 * h());
    EXPECT_EQ(score->findChild<QPushButton*>("conf2")->text(), "#2, bound drum");
    options.showtrackcontrols = false;
    score->refreshRows();
    EXPECT_FALSE(visible("kb2"));
}

TEST_F(Views, ClicksSelectTracksWithTheirModifiers)
{
    std::pair<int, int> reported;
    score->hooks.selectionChanged = [&](int b, int f) { reported = {b, f}; };
    const struct {
        int row;
        Qt::KeyboardModifiers keys;
        const char* selected;
    } rows[] = {{1, Qt::NoModifier, "010"},      {2, Qt::ControlModifier, "011"},
                {1, Qt::ControlModifier, "001"}, {0, Qt::ShiftModifier, "111"},
                {0, Qt::NoModifier, "100"},      {2, Qt::ShiftModifier, "111"},
                {1, Qt::NoModifier, "010"},      {3, Qt::NoModifier, "010"},
                {0, Qt::AltModifier, "010"}};
    for (const auto& r : rows) {
        QTest::mouseClick(roll, Qt::LeftButton, r.keys, QPoint(50, r.row * h() + 3));
        EXPECT_EQ(selection(), r.selected) << r.row << " " << int(r.keys);
    }
    EXPECT_EQ(reported, std::make_pair(1, 0));
    options.toggletrackselect = true;
    QTest::mouseClick(roll, Qt::LeftButton, Qt::NoModifier, QPoint(50, 2 * h() + 3));
    EXPECT_EQ(selection(), "011");
    EXPECT_EQ(reported, std::make_pair(1, 1));
}

TEST_F(Views, WheelAndArrowsStepTheSelectedTracksOrTheMasterVolume)
{
    const auto wheel = [&](int delta, Qt::KeyboardModifiers keys) {
        QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton, keys,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(roll, &e);
    };
    const struct {
        bool selected;
        int before;
        std::function<void()> act;
        int after, masterStep;
    } rows[] = {
        {true, 120, [&] { wheel(120, Qt::ShiftModifier); }, 127, 0},
        {true, -120, [&] { wheel(-120, Qt::ShiftModifier); }, -127, 0},
        {true, 125, [&] { QTest::keyClick(roll, Qt::Key_Up, Qt::ShiftModifier); }, 127, 0},
        {true, -125, [&] { QTest::keyClick(roll, Qt::Key_Down, Qt::ShiftModifier); }, -127, 0},
        {true, 10, [&] { wheel(120, Qt::NoModifier); }, 10, 0},
        {true, 10, [&] { QTest::keyClick(roll, Qt::Key_Up); }, 10, 0},
        {false, 0, [&] { wheel(120, Qt::ShiftModifier); }, 0, 15},
        {false, 0, [&] { QTest::keyClick(roll, Qt::Key_Down, Qt::ShiftModifier); }, 0, -4},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &r - rows);
        master.clear();
        deck.selected = {uint8_t(r.selected), 0, 0};
        deck.tracks.velocityShift = {r.before, 0, 0};
        r.act();
        EXPECT_EQ(deck.tracks.velocityShift, std::vector<int>({r.after, 0, 0}));
        EXPECT_EQ(master, r.masterStep ? std::vector<int>{r.masterStep} : std::vector<int>{});
    }
}

// The menus run no loop of their own: an event that closes the song
// while one is open must not find the roll or the slider on the stack.
TEST_F(Views, TheTrackMenuNamesTheTrackUnlessItsKeyboardIsIgnored)
{
    std::vector<int> menuLoops;
    const auto shown = [&](QStringList& seen) {
        QTimer::singleShot(0, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                menuLoops.push_back(QThread::currentThread()->loopLevel());
                for (QAction* a : menu->actions())
                    seen << (a->isEnabled() ? "" : "off:") + a->text();
                menu->close();
            }
        });
    };
    const auto rightClick = [&](int row) {
        QStringList seen;
        shown(seen);
        QTest::mouseClick(roll, Qt::RightButton, Qt::NoModifier, QPoint(50, row * h() + 3));
        QCoreApplication::processEvents();
        return seen.join('|');
    };
    QStringList sliderMenu;
    shown(sliderMenu);
    QContextMenuEvent onSlider(QContextMenuEvent::Mouse, QPoint(5, 3),
                               score->slider()->mapToGlobal(QPoint(5, 3)));
    QApplication::sendEvent(score->slider(), &onSlider);
    QCoreApplication::processEvents();
    EXPECT_EQ(sliderMenu.join(QLatin1Char('|')).toStdString(),
              "Set loop start here|Set loop end here|Clear loop");
    EXPECT_EQ(rightClick(0), "Set Keyboard for track #1\tAlt+K|Mute track #1\tAlt+M|"
                             "Apply solo on track #1\tAlt+S|Configure bound track #1\tAlt+C||"
                             "off:Flip keyboard status for selected tracks\tAlt+K|"
                             "off:Flip muted status on selected tracks\tAlt+M|"
                             "off:Configure selected tracks\tAlt+C||Set loop start here|"
                             "Set loop end here|off:Clear loop");
    options.showtrackcontrols = false;
    deck.selected = {0, 1, 0};
    deck.tracks.mute[2] = 1;
    EXPECT_EQ(rightClick(2), "Unmute free track #3|Apply solo on free track #3|"
                             "Configure free track #3||Flip keyboard status for selected tracks|"
                             "Flip muted status on selected tracks|Configure selected tracks||"
                             "Set loop start here|Set loop end here|off:Clear loop");
    devices.inputs[0]->ignoreInput = true;
    EXPECT_EQ(rightClick(2), "");
    EXPECT_TRUE(roll->trackMenu()->isEmpty());
    EXPECT_EQ(menuLoops, std::vector<int>(3, 0));
}

// Measures of 384 ticks, 11 in the song. Marks land on the measure boundary nearest where the
// user points, from the roll or the slider; a loop that would end before it starts is
// refused with the reason; a boost change leaves the band where it was.
TEST_F(Views, LoopMarksSnapToMeasuresAndTheBandStaysThroughABoostChange)
{
    const auto fromRoll = [&](const char* action, int64_t tick) {
        roll->buildTrackMenu(QPoint(xOf(tick), 3));
        roll->trackMenu()->findChild<QAction*>(action)->trigger();
    };
    const auto fromSlider = [&](const char* action, int x) {
        score->slider()->buildLoopMenu(QPoint(x, 3));
        score->slider()->loopMenu()->findChild<QAction*>(action)->trigger();
    };
    const struct {
        std::function<void()> mark;
        int startBar, endBar;
        const char* refusal;
    } rows[] = {
        {[&] { fromRoll("ac_loopStart", 500); }, 1, -1, ""},
        {[&] { fromRoll("ac_loopEnd", 1000); }, 1, 3, ""},
        {[&] { fromRoll("ac_loopEnd", 300); }, 1, 3,
         "The loop's end must come after its start. The loop starts at measure 2; the end "
         "asked for is at measure 2."},
        {[&] { fromRoll("ac_loopStart", 1400); }, 1, 3,
         "The loop's start must come before its end. The loop ends at measure 4; the start "
         "asked for is at measure 5."},
        {[&] { fromSlider("ac_loopEnd", score->slider()->width() - 1); }, 1, 10, ""},
        {[&] { fromSlider("ac_loopStart", 0); }, 0, 10, ""},
        {[&] { fromRoll("ac_loopClear", 0); }, -1, -1, ""},
        {[&] { fromRoll("ac_loopStart", 480), fromRoll("ac_loopEnd", 1100); }, 1, 3, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &r - rows);
        sink.shown.clear();
        r.mark();
        EXPECT_EQ(std::pair(deck.loop.startBar, deck.loop.endBar), std::pair(r.startBar, r.endBar));
        EXPECT_EQ(sink.texts().join('|'), r.refusal);
    }
    // Between the lanes' notes and the beats' lines: in the band and on either side of it.
    score->setPosition(700);
    const auto band = [&] {
        const QImage img = image();
        return std::vector<QRgb>{img.pixel(xOf(300), 2), img.pixel(xOf(600), 2),
                                 img.pixel(xOf(1100), 2), img.pixel(xOf(1200), 2)};
    };
    const std::vector<QRgb> shown = band();
    const QRgb lane = colour(Keys::Display::AutomaticTrack);
    EXPECT_EQ(shown, (std::vector<QRgb>{lane, shown[1], shown[1], lane}));
    EXPECT_NE(shown[1], lane);
    deck.setTempoBoost(50);
    EXPECT_EQ(band(), shown);
    EXPECT_EQ(std::pair(deck.loop.startBar, deck.loop.endBar), std::pair(1, 3));
}

TEST_F(Views, FlipsSetTheFlagsTheBoxesAndTellTheDeck)
{
    auto& t = deck.tracks;
    const auto flags = [&] {
        std::string s;
        for (int d = 0; d < 3; ++d) {
            s += t.mute[size_t(d)] ? 'M' : '-';
            s += t.solo[size_t(d)] ? 'S' : '-';
            const auto* box = score->findChild<QCheckBox*>(QStringLiteral("mt%1").arg(d + 1));
            EXPECT_EQ(box->isChecked(), bool(t.mute[size_t(d)])) << d;
        }
        return s;
    };
    score->intflipSolo(1);
    EXPECT_EQ(flags(), "M--SM-");
    score->intflipMuted(0);
    EXPECT_EQ(flags(), "----M-") << "the solo goes, the mutes it set stay";
    score->intflipSolo(1), score->intflipSolo(1);
    EXPECT_EQ(flags(), "------") << "cancelling a solo unmutes all";
    EXPECT_EQ(delivered(), std::vector<int>(4, RecordButtonCheckEvent));

    score->intflipMuted(-1);
    EXPECT_EQ(flags(), "------");
    EXPECT_EQ(delivered(), std::vector<int>{HaltSessionEvent});

    t.input[1] = &devices.pcKeyboard;
    score->findChild<QCheckBox*>("kb2")->click();
    EXPECT_TRUE(t.keyboard[1]);
    EXPECT_EQ(t.cursor[1]->tick, 500u);
    EXPECT_TRUE(deck.pcKeyboardPlay);
    score->intflipMuted(1);
    EXPECT_FALSE(deck.pcKeyboardPlay);
    score->inttrackPorts(2); // no dialog wired: nothing happens
    EXPECT_EQ(delivered().size(), 2u);
}

TEST(ViewsScoreSlider, MeasureStepsStayInsideTheSong)
{
    ScoreSlider slider(10, 4);
    const int rows[][3] = {{5, 9, 1}, {9, 9, 5}, {6, 10, 2}, {4, 8, 4}};
    for (const auto& [from, next, previous] : rows) {
        slider.setValue(from);
        slider.measureNext();
        EXPECT_EQ(slider.value(), next) << from;
        slider.setValue(from);
        slider.measurePrevious();
        EXPECT_EQ(slider.value(), previous) << from;
    }
}

// The strip inside the deck: the engine's steps, the slider, the record button.
TEST(ViewsDeckStrip, FollowsTheEngineTheSliderAndTheRecordCheck)
{
    QTemporaryDir dir;
    Settings::resetForTests(dir.path(), QStringLiteral("en"));
    ScriptedMessageSink sink;
    ScopedMessageSink installed(&sink);
    QMainWindow main;
    LiveOptions options;
    DeviceSet devices; // no keyboard: no free track to record into
    devices.outputs.emplace_back(std::make_unique<OutputDevice>())->client = 128;
    ASSERT_TRUE(loadSongFromBytes(songBytes(), QStringLiteral("test.mid")));
    {
        PlayDialog deck(&main, options, devices, QStringLiteral("test.mid"), nullptr);
        Score& score = *deck.score();
        auto* record = main.findChild<QToolButton*>("tb_record");
        EXPECT_FALSE(record->isEnabled());
        score.findChild<QCheckBox*>("kb1")->click();
        QCoreApplication::sendPostedEvents(&deck);
        EXPECT_TRUE(record->isEnabled());

        postEvent(&deck.session(), new QEvent(eventType(ClockStepEvent)));
        QCoreApplication::sendPostedEvents(&deck.session());
        EXPECT_EQ(score.position(), 4u);
        deck.setCurrentBeat(6);
        EXPECT_EQ(std::make_pair(score.position(), score.slider()->value()),
                  std::make_pair(uint64_t(5 * 96), 6));
        QTest::keyClick(score.diagram(), Qt::Key_PageDown);
        EXPECT_EQ(score.position(), 9u * 96);
        EXPECT_EQ(main.findChild<QuickSettings*>()->beat->text(), "003:2");
        // Ctrl+Page Up steps a measure back wherever the window's focus is.
        main.setCentralWidget(&deck); // as in the program's window
        main.show();
        QApplication::setActiveWindow(&main);
        QCheckBox* allTracks = main.findChild<QuickSettings*>()->allTracks;
        allTracks->setFocus();
        QTest::keyClick(allTracks, Qt::Key_PageUp, Qt::ControlModifier);
        EXPECT_EQ(score.slider()->value(), 6);
        EXPECT_EQ(score.position(), 5u * 96);
        main.findChild<QuickSettings*>()->allTracks->click();
        EXPECT_FALSE(score.allTracks());
        EXPECT_EQ(score.diagram()->rowCount(), 1);
        main.takeCentralWidget(); // the deck lives on the stack
    }
    theSong().clear();
    Settings::close();
}

} // namespace
