#include "core/messages.h"
#include "core/settings.h"
#include "panes/cleanwidgets.h"
#include "panes/mlineedit.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace
{

// One application and one throw-away settings folder for the whole run.
struct WidgetEnvironment : ::testing::Environment {
    void SetUp() override
    {
        app = std::make_unique<QApplication>(argc, argv);
        ASSERT_TRUE(dir.isValid());
        Settings::resetForTests(dir.path(), QStringLiteral("en"));
    }
    void TearDown() override
    {
        Settings::close();
        app.reset();
    }
    int argc = 1;
    char name[13] = "test_widgets";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    QTemporaryDir dir;
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new WidgetEnvironment);

// A dialog with a default button that records the keys reaching it.
class RecordingDialog : public QDialog
{
public:
    RecordingDialog()
    {
        auto* ok = new QPushButton(QStringLiteral("OK"), this);
        ok->setDefault(true);
        (new QVBoxLayout(this))->addWidget(ok);
        QObject::connect(ok, &QPushButton::clicked, [this] { ++defaultClicks; });
    }
    int defaultClicks = 0;
    QVector<int> keys; // key | modifiers

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        keys << (e->key() | int(e->modifiers()));
        QDialog::keyPressEvent(e);
    }
};

void waitUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 100 && !done(); ++i) QTest::qWait(10);
}

TEST(CleanWidgets, ReturnReachesTheDefaultButtonAndCtrlPageGoesToTheWindow)
{
    // Each widget with the user's typing done, and what a stray key would change.
    const auto make = [](int kind, QWidget* parent) -> QWidget* {
        if (kind == 0) {
            auto* spin = new CleanSpin(parent);
            spin->setRange(0, 100);
            spin->selectAll();
            QTest::keyClicks(spin, QStringLiteral("42"));
            return spin;
        }
        if (kind == 1) {
            auto* combo = new CleanCombo(parent);
            combo->setEditable(true);
            combo->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
            combo->setCurrentIndex(1);
            QTest::keyClicks(combo, QStringLiteral("typed"));
            return combo;
        }
        auto* list = new NiceQListBox(parent);
        for (int i = 0; i < 40; ++i) list->addItem(QString::number(i));
        list->setCurrentRow(20);
        return list;
    };
    const auto state = [](QWidget* w) {
        if (auto* spin = qobject_cast<CleanSpin*>(w)) return spin->value();
        if (auto* combo = qobject_cast<CleanCombo*>(w))
            return combo->currentIndex() * 100 + combo->count();
        return static_cast<NiceQListBox*>(w)->currentRow();
    };
    struct Row {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool reachesDialog, clicksDefault, changesState;
    };
    const Row rows[] = {
        {Qt::Key_Return, Qt::NoModifier, true, true, false},
        {Qt::Key_PageDown, Qt::ControlModifier, true, false, false},
        {Qt::Key_PageUp, Qt::ControlModifier, true, false, false},
        {Qt::Key_Up, Qt::NoModifier, false, false, true}, // the widget's own keys still work
    };
    for (int kind = 0; kind < 3; ++kind) {
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << "widget " << kind << " key " << row.key);
            RecordingDialog dialog;
            QWidget* widget = make(kind, &dialog);
            dialog.layout()->addWidget(widget);
            dialog.show();
            const int before = state(widget);

            QTest::keyClick(widget, row.key, row.modifiers);

            EXPECT_EQ(dialog.keys.contains(row.key | int(row.modifiers)), row.reachesDialog);
            EXPECT_EQ(dialog.defaultClicks, row.clicksDefault ? 1 : 0);
            EXPECT_EQ(state(widget) != before, row.changesState);
            EXPECT_TRUE(kind != 0 || row.changesState || before == 42); // as typed
        }
    }
    // Any key or click in a spin box marks its form as edited.
    CleanSpin spin;
    QSignalSpy touched(&spin, &CleanSpin::touched);
    QTest::keyClick(&spin, Qt::Key_Return);
    QTest::mouseClick(&spin, Qt::LeftButton);
    EXPECT_EQ(touched.count(), 2);
}

TEST(CleanWidgets, MidiSpinShowsNoteNamesAfterLeavingTheField)
{
    struct Row {
        const char* lang;
        bool atStart; // typed before the shown text rather than over it
        const char* typed;
        int value;
        const char* shown;
    };
    const Row rows[] = {
        {"en_GB.UTF-8", false, "64", 64, "64 : E4"},  {"en_US", false, "60 : C4", 60, "60 : C4"},
        {"en_US", false, "60", 60, "60 : C4"},        {"en_US", false, "127", 127, "127 : G9"},
        {"en_US", true, "1", 110, "110 : D8"}, // "10 : A#-1" edited in place
        {"fr_FR.UTF-8", false, "64", 64, "64 : Mi4"}, {"de_DE", false, "62", 62, "62 : Ré4"},
    };
    const QByteArray savedLang = qgetenv("LANG");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        qputenv("LANG", row.lang);
        QWidget window;
        auto* spin = new MidiCleanSpin(&window);
        spin->setRange(0, 127);
        spin->setValue(10);
        auto* other = new QLineEdit(&window);
        other->move(0, 40);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        spin->setFocus();
        if (row.atStart)
            QTest::keyClick(spin, Qt::Key_Home);
        else
            spin->selectAll();
        QTest::keyClicks(spin, QString::fromUtf8(row.typed));
        other->setFocus();
        waitUntil([&] { return !spin->hasFocus(); });

        EXPECT_EQ(spin->value(), row.value);
        EXPECT_EQ(spin->text(), QString::fromUtf8(row.shown));
    }
    qputenv("LANG", savedLang);
}

TEST(CleanWidgets, ShiftMenuOnAComboOpensTheFontMenu)
{
    CleanCombo combo;
    combo.setEditable(true);
    auto* edit = new Mlineedit(&combo);
    combo.setLineEdit(edit);
    combo.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&combo));

    QStringList entries;
    QPoint openedAt;
    QTimer closer; // ticks inside the menu's own event loop
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        openedAt = menu->pos();
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) entries << a->text();
        menu->close();
        closer.stop();
    });
    closer.start(10);
    // Where the menu opens: a third into the line edit.
    const QPoint menuAt = edit->mapToGlobal(QPoint(edit->width() / 3, edit->height() / 3));
    QTest::keyClick(&combo, Qt::Key_Menu, Qt::ShiftModifier);
    waitUntil([&] { return !entries.isEmpty(); });

    EXPECT_EQ(openedAt, menuAt);
    ASSERT_GT(entries.size(), 2); // the standard entries stay
    EXPECT_EQ(entries.mid(entries.size() - 2),
              QStringList({QStringLiteral("Clear"), QStringLiteral("Change font…")}));
}

bool sameFont(const QFont& a, const QFont& b)
{
    return a.family() == b.family() && a.pointSize() == b.pointSize() && a.weight() == b.weight() &&
           a.italic() == b.italic();
}

TEST(CleanWidgets, FontChoiceIsSharedWithTheComboAndWrittenAtDestruction)
{
    const QString group = QLatin1String(Settings::kHistoryComboFontGroup);
    QFont chosen(QStringLiteral("Serif Test"), 17, QFont::Bold, true);
    for (const bool accept : {false, true}) {
        SCOPED_TRACE(accept);
        Settings::store().remove(group);
        ScriptedMessageSink sink;
        ScopedMessageSink installed(&sink);
        QFont offered;
        const auto previous = Mlineedit::setFontChooser([&](const QFont& initial, QWidget*) {
            offered = initial;
            return accept ? std::optional<QFont>(chosen) : std::nullopt;
        });
        {
            CleanComboLim combo;
            combo.setEditable(true);
            auto* edit = new Mlineedit(&combo);
            combo.setLineEdit(edit);
            const QFont start = edit->font();
            edit->launchSelectFont();

            EXPECT_EQ(offered, start);
            EXPECT_TRUE(sameFont(edit->font(), accept ? chosen : start));
            EXPECT_TRUE(sameFont(combo.font(), accept ? chosen : start));
            EXPECT_FALSE(Settings::font(group).family); // not before destruction
        }
        Mlineedit::setFontChooser(previous);

        if (accept) {
            EXPECT_TRUE(sink.shown.isEmpty());
            // The next history combo box starts with it.
            QComboBox next;
            EXPECT_TRUE(sameFont((new Mlineedit(&next))->font(), chosen));
            EXPECT_TRUE(sameFont(next.font(), chosen));
        } else {
            EXPECT_EQ(sink.texts(), QStringList{QStringLiteral("Font change canceled.")});
            EXPECT_EQ(sink.shown.value(0).title, QStringLiteral("Report"));
            EXPECT_FALSE(Settings::font(group).family);
        }
    }
}

TEST(CleanWidgets, DockAsksForARelayoutWhenMovedOrFloated)
{
    QMainWindow window;
    int relayouts = 0;
    auto* dock = new CleanDock(&window, QStringLiteral("dw_test"), [&] { ++relayouts; });
    window.addDockWidget(Qt::LeftDockWidgetArea, dock);
    window.show();
    int before = relayouts;
    EXPECT_GE(before, 1);
    dock->setFloating(true);
    EXPECT_GT(relayouts, before);
    before = relayouts;
    window.addDockWidget(Qt::RightDockWidgetArea, dock);
    EXPECT_GT(relayouts, before);
}

TEST(CleanWidgets, SizesFollowTheFontNotTheItems)
{
    CleanComboLim combo;
    const int empty = combo.minimumSizeHint().width();
    combo.addItem(QString(200, QLatin1Char('W')));
    EXPECT_EQ(combo.minimumSizeHint().width(), empty);

    NiceQListBox shortList, longList;
    shortList.addItem(QStringLiteral("ab"));
    longList.addItem(QString(60, QLatin1Char('W')));
    shortList.show();
    longList.show();
    EXPECT_GT(longList.minimumWidth(), shortList.minimumWidth());
    // The longest item stays visible beside the scroll bar.
    EXPECT_GE(longList.minimumWidth(),
              longList.sizeHintForColumn(0) + longList.verticalScrollBar()->sizeHint().width());
}

} // namespace
