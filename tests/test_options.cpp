// The Options dialog's general tabs: what they write survives a restart,
// edits apply only from their own tab, colours act at once but are written
// only by OK or Apply, and applying tells the window what changed.

#include "core/events.h"
#include "core/messages.h"
#include "core/settings.h"
#include "dialogs/optionsdb.h"
#include "dialogs/settingstabs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>

namespace
{

// Stands in for the main window: keeps the display events it is sent.
struct WindowStub : QObject {
    std::vector<std::pair<int, bool>> got;
    bool event(QEvent* e) override
    {
        if (auto* b = dynamic_cast<BoolEvent*>(e)) {
            got.emplace_back(int(e->type()), b->value);
            return true;
        }
        return QObject::event(e);
    }
};

struct Options : testing::Test {
    void SetUp() override
    {
        Settings::resetForTests(dir.path(), QStringLiteral("en"));
        options.load();
        DisplayTab::chooseColour = [this](const QColor& initial, QWidget*, const QString& title) {
            asked << title + " " + initial.name();
            return pickedColour;
        };
        DisplayTab::chooseFile = [this](QWidget*, const QString& caption, const QString&,
                                        const QString& filter) {
            asked << caption + " | " + filter;
            return pickedFile;
        };
    }
    void TearDown() override
    {
        db.reset();
        DisplayTab::chooseColour = colourDialog;
        DisplayTab::chooseFile = fileDialog;
        Settings::close();
    }
    OptionsHooks countingHooks()
    {
        OptionsHooks h;
        h.mainWindow = &window;
        h.repaintViews = [this] { ++calls["repaint"]; };
        h.relayoutViews = [this] { ++calls["relayout"]; };
        h.applyStyleSheet = [this] { ++calls["style"]; };
        h.historyFlagsChanged = [this] { ++calls["history"]; };
        return h;
    }
    void open(const char* tab, std::optional<OptionsHooks> hooks = {})
    {
        db.reset();
        db = std::make_unique<OptionsDB>(nullptr, options, devices,
                                         hooks ? *hooks : countingHooks());
        db->show();
        db->tabs()->setCurrentWidget(db->findChild<QWidget*>(tab));
    }
    template <typename T = QWidget> T* find(const char* name) { return db->findChild<T*>(name); }
    QCheckBox* box(const char* name) { return find<QCheckBox>(name); }
    QSpinBox* spin(const char* name) { return find<QSpinBox>(name); }
    bool onlyClose() const
    {
        return db->okButton()->isHidden() && db->applyButton()->isHidden() &&
               db->cancelButton()->text() == QLatin1String("Close");
    }
    // What the program reads when it starts again.
    std::unique_ptr<LiveOptions> restart()
    {
        db.reset();
        Settings::close();
        Settings::open(QStringLiteral("en"));
        auto fresh = std::make_unique<LiveOptions>();
        fresh->load();
        return fresh;
    }

    QTemporaryDir dir;
    LiveOptions options;
    DeviceSet devices;
    ScriptedMessageSink sink;
    ScopedMessageSink scoped{&sink};
    WindowStub window;
    std::map<std::string, int> calls;
    QStringList asked;
    QColor pickedColour;
    QString pickedFile;
    std::unique_ptr<OptionsDB> db;
    const DisplayTab::ColourChooser colourDialog = DisplayTab::chooseColour;
    const DisplayTab::FileChooser fileDialog = DisplayTab::chooseFile;
};

TEST_F(Options, EachTabsEditSurvivesARestart)
{
    struct Row {
        const char* tab;
        const char* widget; // clicked, stepped up, or its last entry chosen
        std::function<QString(const LiveOptions&)> read;
        QString want;
    };
#define LIVE(member) [](const LiveOptions& o) { return QString::number(o.member); }
    pickedColour = QColor(10, 20, 30);
    pickedFile = "/opt/browser";
    const std::vector<Row> rows{
        {"parameterstab", "cb_splitformat0", LIVE(splitformat0), "0"},
        {"parameterstab", "sb_ms_tol", LIVE(ms_tol), "110"},
        {"parameterstab", "cb_keep", LIVE(journalKeep), "0"},
        {"parameterstab", "sb_masteryms", LIVE(masteryMs), "65"},
        {"parameterstab", "sb_targetboost", LIVE(masteryBoost), "105"},
        {"eventfilterstab", "cb_sc_pgmchange", LIVE(filters[1][2]), "0"},
        {"eventfilterstab", "cb_keep_tempo", LIVE(keepTempo), "0"},
        {"displaytab", "sb_pix4mc", LIVE(pix4mc), "7"}, // 24 shown, 28 stored as 7
        {"displaytab", "browser_pb", [](const LiveOptions& o) { return o.helpBrowser; },
         "/opt/browser"},
        {"displaytab", "cb_colors",
         [](const LiveOptions& o) { return Settings::encodeColour(o.keyColours[8]); }, "10:20:30"},
        {"displaytab", "cb_showlyrics", LIVE(showlyrics), "0"},
        {"metronometab", "sb_channel", LIVE(metronomeChannel), "10"}, // 10 shown, then 11
        {"metronometab", "cb_play", LIVE(metronomePlay), "1"},
    };
#undef LIVE
    for (const Row& row : rows) {
        SCOPED_TRACE(row.want.toStdString());
        open(row.tab, OptionsHooks{}); // the window's hooks are optional
        QWidget* w = find(row.widget);
        if (auto* button = qobject_cast<QAbstractButton*>(w)) button->click();
        if (auto* spin = qobject_cast<QSpinBox*>(w)) QTest::keyClick(spin, Qt::Key_Up);
        if (auto* list = qobject_cast<QComboBox*>(w)) list->activated(list->count() - 1);
        db->applyButton()->click();
        EXPECT_TRUE(onlyClose()) << "clean after Apply";
        EXPECT_EQ(row.read(options), row.want) << "live at once";
        EXPECT_EQ(row.read(*restart()), row.want);
    }
    // No tab's save step wrote back another tab's keys.
    const std::unique_ptr<LiveOptions> last = restart();
    for (const Row& row : rows) EXPECT_EQ(row.read(*last), row.want);
    EXPECT_EQ(asked, QStringList({"Locate help browser | Executable files (*)",
                                  "Wrong key hit notification #ff0000"}));
}

TEST_F(Options, EditsApplyOnlyFromTheirOwnTab)
{
    open("parameterstab");
    QStringList tabs;
    for (int i = 0; i < db->tabs()->count(); ++i) tabs << db->tabs()->widget(i)->objectName();
    EXPECT_EQ(tabs.mid(tabs.size() - 4),
              QStringList({"parameterstab", "eventfilterstab", "displaytab", "metronometab"}));
    // Parameters edited, Metronome shown: OK is hidden, Return applies nothing.
    box("cb_killsynths")->click();
    db->tabs()->setCurrentWidget(find("metronometab"));
    EXPECT_TRUE(onlyClose());
    QTest::keyClick(db.get(), Qt::Key_Return);
    EXPECT_FALSE(db->isVisible());
    EXPECT_FALSE(options.killsynths);
    EXPECT_FALSE(restart()->killsynths);

    // Return in a spin box applies the tab shown and closes: box 10 stores 9.
    options.metronomeChannel = 2;
    open("metronometab");
    QSpinBox* channel = spin("sb_channel");
    EXPECT_EQ(channel->value(), 3);
    channel->setFocus();
    channel->selectAll();
    QTest::keyClicks(channel, "10");
    QTest::keyClick(channel, Qt::Key_Return);
    EXPECT_FALSE(db->isVisible());
    EXPECT_EQ(options.metronomeChannel, 9);
}

TEST_F(Options, AColourActsAtOnceAndIsWrittenOnlyByApply)
{
    using namespace Keys::Display;
    const Rgb old = colours[WrongKey].fallback;
    open("displaytab");
    // A cancelled chooser changes nothing.
    find<QComboBox>("cb_colors")->activated(WrongKey + 1);
    EXPECT_EQ(options.colours[WrongKey], old);
    EXPECT_TRUE(onlyClose());
    pickedColour = QColor(1, 2, 3);
    find<QComboBox>("cb_colors")->activated(WrongKey + 1);
    const Rgb chosen{1, 2, 3};
    EXPECT_EQ(options.colours[WrongKey], chosen);
    EXPECT_EQ(options.keyColours[WrongKey - BlackKey], chosen);
    EXPECT_EQ(calls["repaint"], 1);
    db->cancelButton()->click();
    EXPECT_EQ(options.colours[WrongKey], chosen) << "the views keep it for this run";
    EXPECT_EQ(Settings::value(colours[WrongKey]), old);

    // Back to defaults: No keeps the colours, Yes resets them live and asks for Apply.
    open("displaytab");
    sink.answers = {No, Yes};
    find<QComboBox>("cb_colors")->activated(0);
    EXPECT_EQ(options.colours[WrongKey], chosen);
    EXPECT_TRUE(onlyClose());
    find<QComboBox>("cb_colors")->activated(0);
    EXPECT_EQ(options.colours[WrongKey], old);
    EXPECT_EQ(options.keyColours[WrongKey - BlackKey], old);
    EXPECT_EQ(calls["repaint"], 2);
    ASSERT_EQ(sink.shown.size(), 3);
    EXPECT_EQ(sink.shown[1].title + sink.shown[2].text.left(18),
              "Clavion - Sure ?Choose Ok or Apply");
    EXPECT_FALSE(onlyClose());
    Settings::setValue(colours[InteractiveTrack], Rgb{9, 9, 9}); // as a former run saved it
    db->okButton()->click();
    EXPECT_EQ(Settings::value(colours[InteractiveTrack]), colours[InteractiveTrack].fallback);
}

TEST_F(Options, ApplyingTellsTheWindowWhatChanged)
{
    open("displaytab");
    // A cancelled browse is no edit; an unchanged look calls nothing.
    find<QPushButton>("browse_pb")->click();
    EXPECT_TRUE(onlyClose());
    EXPECT_EQ(asked, QStringList("Open a HTML file | HTML files (*.html *.htm *.php)"));
    QTest::keyClick(spin("sb_wheelmult"), Qt::Key_Up);
    db->applyButton()->click();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(window.got.empty());

    for (const char* name :
         {"cb_scrollabove", "cb_showbigpianos", "cb_darkmode", "cb_showcmkeycolors",
          "cb_storeHistorydoc", "cb_storeHistorylyrics", "cb_toggletrackselect", "cb_showlyrics"})
        box(name)->click();
    QTest::keyClick(spin("sb_diam"), Qt::Key_Up);
    db->applyButton()->click();
    QCoreApplication::sendPostedEvents();
    const std::map<std::string, int> once{
        {"history", 1}, {"relayout", 1}, {"repaint", 1}, {"style", 1}};
    EXPECT_EQ(calls, once);
    const std::vector<std::pair<int, bool>> events{{ToggleTrackSelectEvent, true},
                                                   {ShowLyricsEvent, false}};
    EXPECT_EQ(window.got, events);
    EXPECT_EQ(options.diam, 7);
}

} // namespace
