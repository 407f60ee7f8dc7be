#include "app/pianodocks.h"
#include "core/events.h"
#include "song/songnames.h"
#include "views/tpiano.h"
#include "views/upiano.h"
#include "windowfixture.h"

#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <memory>

namespace
{
std::unique_ptr<VPiano> make(bool bilinear, LiveOptions& o, bool big, InputDevice* in = nullptr)
{
    std::unique_ptr<VPiano> k;
    if (bilinear)
        k = std::make_unique<UPiano>(o, big, in, nullptr);
    else
        k = std::make_unique<TPiano>(o, big, in, nullptr);
    k->resize(k->sizeHint());
    k->show();
    return k;
}

QColor colour(const Rgb& c)
{
    return QColor(c.red, c.green, c.blue);
}

TEST(Keyboards, APixelHitsTheKeyDrawnThere)
{
    LiveOptions o;
    // Small keys are 18 wide, 42 tall, black keys end at y = 28; big ones
    // 24, 60 and 40. Columns start at note 17 (F) on both kinds; the bilinear
    // one's first column holds 16 and 17.
    const struct {
        bool bilinear, big;
        int x, y, note;
    } rows[] = {
        {false, false, 0, 41, 17},   {false, false, 0, 5, -1}, // F's left edge is E's, not drawn
        {false, false, 12, 5, 17},   {false, false, 13, 5, 18},   {false, false, 13, 28, 18},
        {false, false, 13, 29, 17},  {false, false, 20, 5, 18},   {false, false, 21, 5, 19},
        {false, false, 32, 5, 19},   {false, false, 33, 5, 20},   {false, false, 40, 5, 20},
        {false, false, 41, 5, 21},   {false, false, 51, 5, 21},   {false, false, 52, 5, 22},
        {false, false, 59, 5, 22},   {false, false, 60, 5, 23},   {false, false, 72, 5, 23},
        {false, false, 73, 5, 24},   {false, false, 72, 30, 24},  {false, false, 84, 5, 24},
        {false, false, 85, 5, 25},   {false, false, 93, 5, 25},   {false, false, 94, 5, 26},
        {false, false, 104, 5, 26},  {false, false, 105, 5, 27},  {false, false, 113, 5, 27},
        {false, false, 114, 5, 28},  {false, false, 126, 5, 28},  {false, false, 126, 41, 29},
        {false, false, 827, 41, 95}, {false, false, 828, 41, -1}, // B6 is the last key
        {false, true, 112, 5, 24},   {false, true, 113, 40, 25},  {false, true, 113, 41, 24},
        {true, false, 0, 41, 16},    {true, false, 4, 5, -1},     {true, false, 5, 5, 16},
        {true, false, 14, 5, 16},    {true, false, 15, 5, 17},    {true, false, 17, 28, 17},
        {true, false, 17, 29, 16},   {true, false, 22, 5, 17},    {true, false, 23, 5, 18},
        {true, false, 917, 41, 116}, {true, true, 6, 5, -1},      {true, true, 7, 5, 16},
        {true, true, 18, 5, 16},     {true, true, 19, 5, 17},     {true, true, 24, 5, 17},
        {true, false, -1, 5, -1},    {true, false, 5, -1, -1},
    };
    for (const auto& r : rows) {
        const auto k = make(r.bilinear, o, r.big);
        EXPECT_EQ(k->noteAt(r.x, r.y), r.note)
            << (r.bilinear ? "bilinear" : "traditional") << (r.big ? " big " : " small ") << r.x
            << "," << r.y;
    }
}

TEST(Keyboards, AWideKeyboardStopsAtTheLastNote)
{
    LiveOptions o;
    for (const bool bilinear : {false, true}) {
        const auto k = make(bilinear, o, false);
        k->resize(4000, k->height());
        int highest = -1;
        for (int x = 0; x < k->width(); ++x)
            for (const int y : {5, 40}) highest = std::max(highest, k->noteAt(x, y));
        EXPECT_EQ(highest, bilinear ? 127 : 95);
        // Dragging across the whole width lights no key past the array.
        QTest::mousePress(k.get(), Qt::LeftButton, {}, QPoint(3990, 40));
        EXPECT_EQ(k->heldNote(), -1);
        QTest::mousePress(k.get(), Qt::LeftButton, {}, QPoint(200, 40));
        for (int x = 200; x < 4000; x += 7) {
            QMouseEvent move(QEvent::MouseMove, QPointF(x, 40), Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(k.get(), &move);
        }
        EXPECT_EQ(k->heldNote(), highest - (bilinear ? 1 : 0)); // the last front or white key
        EXPECT_EQ(k->keyState(k->heldNote()), PressedKeyState);
        QTest::mouseRelease(k.get(), Qt::LeftButton, {}, QPoint(3999, 40));
        EXPECT_EQ(k->heldNote(), -1);
        for (int n = 0; n < 128; ++n) EXPECT_EQ(k->keyState(n), k->restingState(n)) << n;
    }
}

TEST(Keyboards, KeysRestAndLightInTheirColours)
{
    LiveOptions o;
    o.keyColours[BlackKeyState] = {10, 20, 30}; // not the background's black
    const auto pixel = [](VPiano& k, int x, int y) { return k.grab().toImage().pixelColor(x, y); };
    const QColor black = colour(o.keyColours[BlackKeyState]);
    const QColor white = colour(o.keyColours[WhiteKeyState]);

    const auto t = make(false, o, false);
    EXPECT_EQ(pixel(*t, 459, 37), white); // C4 (60)
    EXPECT_EQ(pixel(*t, 466, 14), black); // C#4, a black key
    t->setKeyState(61, CentralZoneState);
    EXPECT_EQ(pixel(*t, 466, 14), colour(o.keyColours[CentralZoneState]));
    EXPECT_EQ(pixel(*t, 469, 14), colour(o.keyColours[CentralZoneState])); // over D's cut-out

    // Points inside note 60 (front), 65 (back) and 66 (front) of the bilinear keyboard.
    for (const bool cm : {false, true}) {
        o.showcmkeycolors = cm;
        const auto u = make(true, o, false);
        EXPECT_EQ(pixel(*u, 404, 29), white) << cm;
        EXPECT_EQ(pixel(*u, 449, 13), cm ? white : black) << cm; // F, odd
        EXPECT_EQ(pixel(*u, 458, 35), cm ? black : white) << cm; // F#, even
        u->setKeyState(66, WrongKeyState);
        EXPECT_EQ(pixel(*u, 458, 35), colour(o.keyColours[WrongKeyState]));
        EXPECT_EQ(u->restoreKey(66), cm ? BlackKeyState : WhiteKeyState);
    }
}

class KeyboardZones : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("LANG", "en_US.UTF-8");
        Settings::resetForTests(dir.path(), QStringLiteral("en"));
        device.client = 16;
        device.port = 0;
    }
    void TearDown() override { Settings::close(); }
    // Right-clicks the key's front half and picks an entry of the menu that opens.
    QStringList rightClick(VPiano& k, int note, const char* entry)
    {
        QStringList texts;
        QTimer pick; // gone with this call when no menu opened
        pick.setSingleShot(true);
        QObject::connect(&pick, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* a : menu->actions()) texts << a->text();
            if (auto* a = menu->findChild<QAction*>(QLatin1String(entry))) a->trigger();
            menu->close();
        });
        pick.start(0);
        const QPoint p((note / 2 - 8) * 18 + 8, 35);
        QTest::mousePress(&k, Qt::RightButton, {}, p);
        pressed = k.keyState(note);
        QTest::mouseRelease(&k, Qt::RightButton, {}, p);
        return texts;
    }

    int pressed = -1;
    QTemporaryDir dir;
    ScriptedMessageSink sink;
    ScopedMessageSink installed{&sink};
    LiveOptions o;
    InputDevice device;
};

TEST_F(KeyboardZones, MovesTheZoneBoundariesAndSavesThem)
{
    const char* z2 = "ac_setFirstInZone2";
    const char* z3 = "ac_setFirstInZone3";
    const QString sure = "Are you sure you want to dismiss the central zone?";
    const struct {
        const char* entry;
        int key;
        bool notify;
        int answer;
        int low, high; // after, from 60 and 90
        QStringList texts;
    } rows[] = {
        {z2, 70, true, 0, 70, 90, {"First key of central zone updated."}},
        {z2,
         92,
         true,
         0,
         60,
         90,
         {"The first key of central zone cannot be higher than the first key in high zone."}},
        {z2,
         60,
         true,
         0,
         60,
         90,
         {"New value is same as old. Not changing the first key of central zone."}},
        {z2, 90, true, No, 60, 90, {sure, "First key of central zone unchanged."}},
        {z2, 90, true, Yes, 90, 90, {sure, "First key of central zone set to 90."}},
        {z3,
         50,
         true,
         0,
         60,
         90,
         {"The first key of high end zone cannot be lower than the first key in central zone."}},
        {z3,
         90,
         true,
         0,
         60,
         90,
         {"New value is same as old. Not changing the first key of high end zone."}},
        {z3, 60, true, No, 60, 90, {sure, "First key of high end zone unchanged."}},
        {z3, 60, true, Yes, 60, 60, {sure, "First key of high end zone set to 60."}},
        {z3, 80, true, 0, 60, 80, {"First key of high end zone updated."}},
        {z3, 84, false, 0, 60, 84, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.entry << " at " << r.key);
        device.lowkey = 60;
        device.highkey = 90;
        o.notifyCancel = r.notify;
        Settings::store().clear();
        sink.shown.clear();
        sink.answers.clear();
        if (r.answer) sink.answers = {r.answer};
        const auto k = make(true, o, false, &device);
        const QStringList entries = rightClick(*k, r.key, r.entry);
        EXPECT_EQ(pressed, PressedKeyState);
        EXPECT_EQ(entries, (QStringList{QStringLiteral("Set key %1 (%2) as first in central zone")
                                            .arg(r.key)
                                            .arg(noteName(r.key, "en")),
                                        QStringLiteral("Set key %1 (%2) as first in high zone")
                                            .arg(r.key)
                                            .arg(noteName(r.key, "en"))}));
        EXPECT_EQ(k->keyState(r.key), WhiteKeyState);
        EXPECT_EQ(device.lowkey, r.low);
        EXPECT_EQ(device.highkey, r.high);
        EXPECT_EQ(sink.texts(), r.texts);
        for (const Message& m : sink.shown)
            EXPECT_EQ(m.kind, m.text == sure ? MessageKind::Sure : MessageKind::Information);
        const bool changed = r.low != 60 || r.high != 90;
        QSettings& s = Settings::store();
        EXPECT_EQ(s.value("Input_16_0/lowkey"), changed ? QVariant(r.low) : QVariant());
        EXPECT_EQ(s.value("Input_16_0/highkey"), changed ? QVariant(r.high) : QVariant());
    }
    EXPECT_EQ(noteName(70, "en"), QStringLiteral("A#4"));
}

TEST_F(KeyboardZones, ThePcKeyboardAndOutputsOpenNone)
{
    InputDevice pc;
    pc.client = kPcKeyboardClient;
    pc.port = kPcKeyboardPort;
    for (InputDevice* d : {&pc, static_cast<InputDevice*>(nullptr)}) {
        const auto k = make(true, o, false, d);
        EXPECT_TRUE(rightClick(*k, 70, "ac_setFirstInZone2").isEmpty());
        EXPECT_EQ(pressed, WhiteKeyState);
        EXPECT_EQ(k->findChild<QMenu*>(), nullptr);
    }
    EXPECT_TRUE(sink.shown.isEmpty());
}

using KeyboardsWindow = Window;

TEST_F(KeyboardsWindow, KeyEventsLightTheirDevicesKeyboards)
{
    open();
    PianoDocks& docks = *window->pianoDocks();
    // As ticked in the devices setup: a first start shows only the default devices'.
    window->devices().pcKeyboard.ibck = window->devices().pcKeyboard.itradk = true;
    window->devices().findOutput(14, 0)->obck = window->devices().findOutput(14, 0)->otradk = true;
    docks.rebuild();
    ASSERT_EQ(docks.inputKeyboards(16, 0).size(), 2u);
    ASSERT_EQ(docks.inputKeyboards(255, 255).size(), 2u);
    ASSERT_EQ(docks.outputKeyboards(128, 0).size(), 2u);
    ASSERT_EQ(docks.sumKeyboards().size(), 2u);
    EXPECT_EQ(docks.sumKeyboards()[0]->objectName(), QStringLiteral("outtpiano"));
    const auto states = [&](const std::vector<VPiano*>& ks, int note) {
        std::vector<int> s;
        for (VPiano* k : ks) s.push_back(k->keyState(note));
        return s;
    };
    const auto post = [&](QEvent* e) {
        QCoreApplication::postEvent(window, e);
        QCoreApplication::sendPostedEvents(window);
    };
    const std::vector<int> black{0, 0}, white{1, 1};
    const struct {
        QEvent* on;
        QEvent* off;
        std::vector<VPiano*> lit, dark; // dark: another device's
        int note, code;
    } rows[] = {
        {KeyDisplayPayload::userNote(true, 60, 16, 0, 2),
         KeyDisplayPayload::userNote(false, 60, 16, 0, 2), docks.inputKeyboards(16, 0),
         docks.inputKeyboards(255, 255), 60, CentralZoneState},
        {new IntEvent(OutputNoteOnEvent, 62), new IntEvent(OutputNoteOffEvent, 62),
         docks.sumKeyboards(), docks.outputKeyboards(128, 0), 62, OmnikeyState},
        {KeyDisplayPayload::keyHint(true, 64, 255, 255, 8),
         KeyDisplayPayload::keyHint(false, 64, 255, 255, 0), docks.inputKeyboards(255, 255),
         docks.inputKeyboards(16, 0), 64, WrongKeyState},
        {KeyDisplayPayload::accompanimentNote(true, 66, 128, 0, 6),
         KeyDisplayPayload::accompanimentNote(false, 66, 128, 0, 0), docks.outputKeyboards(128, 0),
         docks.outputKeyboards(14, 0), 66, UnsplitState},
    };
    for (const auto& r : rows) {
        const std::vector<int> rest = states(r.lit, r.note);
        post(r.on);
        EXPECT_EQ(states(r.lit, r.note), std::vector<int>(2, r.code)) << r.note;
        EXPECT_EQ(states(r.dark, r.note), rest) << r.note;
        post(r.off);
        EXPECT_EQ(states(r.lit, r.note), rest) << r.note;
    }
    // A session's end or a resume puts every keyboard back to rest at once.
    std::vector<std::vector<int>> rest;
    for (const auto& r : rows) rest.push_back(states(r.lit, r.note));
    post(KeyDisplayPayload::userNote(true, 60, 16, 0, 2));
    post(new IntEvent(OutputNoteOnEvent, 62));
    post(KeyDisplayPayload::keyHint(true, 64, 255, 255, 8));
    post(KeyDisplayPayload::accompanimentNote(true, 66, 128, 0, 6));
    post(new QEvent(eventType(ResetKeyboardsEvent)));
    for (size_t i = 0; i < rest.size(); ++i)
        EXPECT_EQ(states(rows[i].lit, rows[i].note), rest[i]) << rows[i].note;
    // Notes and zones out of range change nothing, not even the word after the key array;
    // a device in "all cluster notes" mode keeps its hints.
    post(KeyDisplayPayload::userNote(true, 61, 16, 0, 6));
    for (const int note : {128, 300, -1}) post(KeyDisplayPayload::keyHint(true, note, 16, 0, 7));
    for (VPiano* k : docks.inputKeyboards(16, 0)) EXPECT_EQ(k->heldNote(), -1);
    window->devices().findInput(16, 0)->kbmode = AllClusterNotes;
    post(KeyDisplayPayload::userNote(true, 61, 16, 0, 0));
    EXPECT_EQ(states(docks.inputKeyboards(16, 0), 61), black);

    // The device goes away: its keyboards are dropped and never touched again.
    QPointer<VPiano> gone = docks.inputKeyboards(16, 0)[0];
    fakeInputs.clear();
    window->refreshDevices();
    EXPECT_TRUE(docks.inputKeyboards(16, 0).empty());
    post(KeyDisplayPayload::keyHint(true, 60, 16, 0, 7));
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->keyState(60), WhiteKeyState);
    EXPECT_EQ(gone->inputDevice(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(gone);
    auto* dock = window->findChild<QDockWidget*>(QStringLiteral("dw_ipianos"));
    EXPECT_EQ(dock->widget()->findChild<QLabel*>()->text(), QStringLiteral("No MIDI input port"));

    // Display flags and sizes take effect on the next rebuild.
    window->devices().pcKeyboard.itradk = false;
    window->options().showbigpianos = true;
    docks.rebuild();
    ASSERT_EQ(docks.inputKeyboards(255, 255).size(), 1u);
    EXPECT_NE(qobject_cast<UPiano*>(docks.inputKeyboards(255, 255)[0]), nullptr);
    EXPECT_EQ(docks.sumKeyboards()[0]->height(), 61);
}

// A dozen ports, each with both keyboards: the first window still fits a
// small screen, status bar included; with a song's deck above them too, the
// docks scroll rather than shrink below a whole keyboard.
TEST_F(KeyboardsWindow, ManyKeyboardsScrollWithinTheScreen)
{
    fakeInputs.clear();
    fakeOutputs.clear();
    for (int c = 20; c < 32; ++c) {
        fakeInputs.push_back({c, 0, "Keys", "Keys port"});
        fakeOutputs.push_back({c, 0, "Keys", "Keys port"});
    }
    Settings::setValue(Keys::Interface::tooltips, true); // not a first start: every keyboard shows
    Settings::store().sync();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_LE(screen.height(), 768);
    for (const bool big : {false, true}) {
        for (const int song : {0, 1}) {
            const std::string at = "big " + std::to_string(big) + ", song " + std::to_string(song);
            open(song);
            window->options().showbigpianos = big;
            window->pianoDocks()->rebuild();
            ASSERT_EQ(window->pianoDocks()->outputKeyboards(31, 0).size(), 2u) << at;
            ASSERT_EQ(window->songOpen(), song == 1) << at;
            QCoreApplication::processEvents();
            window->adjustSize();
            QCoreApplication::processEvents();
            if (!song) {
                EXPECT_LE(window->frameGeometry().height(), screen.height()) << at;
                EXPECT_TRUE(window->statusBar()->isVisible()) << at;
            }
            const int row = window->pianoDocks()->outputKeyboards(31, 0)[0]->height();
            for (const char* name : {"dw_ipianos", "dw_opianos"}) {
                auto* scroll =
                    qobject_cast<QScrollArea*>(window->findChild<QDockWidget*>(name)->widget());
                ASSERT_NE(scroll, nullptr) << name;
                EXPECT_GE(scroll->viewport()->height(), row) << name << at;
                EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0) << name << at;
            }
            window->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
}
} // namespace
