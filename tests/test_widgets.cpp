#include "core/messages.h"
#include "core/settings.h"
#include "panes/cleanwidgets.h"
#include "panes/mlineedit.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <utility>

namespace
{

// One throw-away settings folder for the whole run.
struct SettingsEnvironment : ::testing::Environment {
    void SetUp() override { Settings::resetForTests(dir.path(), QStringLiteral("en")); }
    void TearDown() override { Settings::close(); }
    QTemporaryDir dir;
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new SettingsEnvironment);

// Records the keys reaching the dialog, as key | modifiers.
struct RecordingDialog : QDialog {
    void keyPressEvent(QKeyEvent* e) override
    {
        keys << (e->key() | int(e->modifiers()));
        QDialog::keyPressEvent(e);
    }
    QVector<int> keys;
};

TEST(Widgets, ReturnReachesTheDefaultButtonAndCtrlPageGoesToTheWindow)
{
    // Each widget with the user's typing done; the state a stray key would change.
    RecordingDialog dialog;
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setDefault(true);
    QSignalSpy defaultClicks(ok, &QPushButton::clicked);
    auto* spin = new CleanSpin(&dialog);
    spin->setRange(0, 100);
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("42"));
    auto* combo = new CleanCombo(&dialog);
    combo->setEditable(true);
    combo->addItems({"a", "b", "c"});
    combo->setCurrentIndex(1);
    QTest::keyClicks(combo, QStringLiteral("typed"));
    auto* list = new NiceQListBox(&dialog);
    for (int i = 0; i < 40; ++i) list->addItem(QString::number(i));
    list->setCurrentRow(20);
    const auto state = [&] {
        return QVector<int>{spin->value(), combo->currentIndex(), combo->count(),
                            list->currentRow()};
    };
    QWidget* const widgets[] = {spin, combo, list};
    dialog.show();
    ASSERT_EQ(spin->value(), 42);                  // as typed, so unchanged below means kept
    QSignalSpy touched(spin, &CleanSpin::touched); // any key or click marks a form edited
    // Return and Ctrl+Page Up/Down go to the dialog untouched; the widget's own keys still work.
    const int keySets[] = {Qt::Key_Return, Qt::CTRL | Qt::Key_PageDown, Qt::CTRL | Qt::Key_PageUp,
                           Qt::Key_Up};
    for (const int keys : keySets)
        for (QWidget* w : widgets) {
            SCOPED_TRACE(testing::Message() << w->metaObject()->className() << " " << keys);
            const bool own = keys == Qt::Key_Up;
            const QVector<int> before = state();
            dialog.keys.clear();
            defaultClicks.clear();
            QTest::keySequence(w, QKeySequence(keys));
            EXPECT_EQ(dialog.keys.contains(keys), !own);
            EXPECT_EQ(defaultClicks.count(), keys == Qt::Key_Return ? 1 : 0);
            EXPECT_EQ(state() != before, own);
        }
    QTest::mouseClick(spin, Qt::LeftButton);
    EXPECT_EQ(touched.count(), 7); // four keys, two Ctrl presses, the click
}

TEST(Widgets, MidiSpinShowsNoteNamesAfterLeavingTheField)
{
    const struct {
        const char *lang, *typed, *shown; // the shown text starts with the value
        bool atStart;                     // typed before the shown text rather than over it
    } rows[] = {
        {"en_GB.UTF-8", "64", "64 : E4", false},  {"en_US", "60 : C4", "60 : C4", false},
        {"en_US", "60", "60 : C4", false},        {"en_US", "127", "127 : G9", false},
        {"en_US", "1", "110 : D8", true}, // "10 : A#-1" edited in place
        {"fr_FR.UTF-8", "64", "64 : Mi4", false}, {"de_DE", "62", "62 : Ré4", false},
    };
    const QByteArray savedLang = qgetenv("LANG");
    for (const auto& row : rows) {
        qputenv("LANG", row.lang);
        MidiCleanSpin spin;
        spin.setRange(0, 127);
        spin.setValue(10);
        row.atStart ? QTest::keyClick(&spin, Qt::Key_Home) : spin.selectAll();
        QTest::keyClicks(&spin, QString::fromUtf8(row.typed));
        QFocusEvent leave(QEvent::FocusOut);
        QApplication::sendEvent(&spin, &leave);
        EXPECT_EQ(spin.text(), QString::fromUtf8(row.shown));
        EXPECT_EQ(spin.value(), spin.text().section(QLatin1Char(' '), 0, 0).toInt());
    }
    qputenv("LANG", savedLang);
}

// Shift+Menu opens the line edit's menu a third into it; its font entry changes
// every history combo box, and the choice is written when the box goes.
TEST(Widgets, ShiftMenuChangesTheHistoryFontWrittenAtDestruction)
{
    const QString group = QLatin1String(Settings::kHistoryComboFontGroup);
    const auto fontText = [](const QFont& f) {
        return f.family() + QString::asprintf(" %d %d %d", f.pointSize(), f.weight(), f.italic());
    };
    const QFont chosen(QStringLiteral("Serif Test"), 17, QFont::Bold, true);
    for (const bool accept : {false, true}) {
        SCOPED_TRACE(accept);
        Settings::store().remove(group);
        ScriptedMessageSink sink;
        ScopedMessageSink installed(&sink);
        QFont offered;
        Mlineedit::setFontChooser([&](const QFont& initial, QWidget*) {
            offered = initial;
            return accept ? std::optional<QFont>(chosen) : std::nullopt;
        });
        {
            CleanComboLim combo;
            combo.setEditable(true);
            auto* edit = new Mlineedit(&combo);
            combo.setLineEdit(edit);
            const QFont start = edit->font();
            combo.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&combo));
            QStringList entries;
            QPoint openedAt;
            QTimer::singleShot(10, [&] { // inside the menu's own event loop if it has one
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (!menu) return;
                openedAt = menu->pos();
                for (QAction* a : menu->actions())
                    if (!a->isSeparator()) entries << a->text();
                menu->actions().last()->trigger();
                menu->close();
            });
            QTest::keyClick(&combo, Qt::Key_Menu, Qt::ShiftModifier);
            for (int i = 0; i < 100 && entries.isEmpty(); ++i) QTest::qWait(10);
            EXPECT_EQ(openedAt, edit->mapToGlobal(QPoint(edit->width() / 3, edit->height() / 3)));
            ASSERT_GT(entries.size(), 2); // the standard entries stay
            EXPECT_EQ(entries.mid(entries.size() - 2), QStringList({"Clear", "Change font…"}));
            EXPECT_EQ(offered, start);
            EXPECT_EQ(fontText(edit->font()), fontText(accept ? chosen : start));
            EXPECT_EQ(fontText(combo.font()), fontText(accept ? chosen : start));
            EXPECT_FALSE(Settings::font(group).family); // not before destruction
        }
        // Kept for the next history combo box, or a notice and nothing kept.
        QComboBox next;
        EXPECT_EQ(fontText((new Mlineedit(&next))->font()) == fontText(chosen), accept);
        EXPECT_EQ(fontText(next.font()) == fontText(chosen), accept);
        EXPECT_EQ(sink.texts().join('|'), accept ? QString() : "Font change canceled.");
        EXPECT_EQ(sink.shown.value(0).title, accept ? QString() : QStringLiteral("Report"));
        EXPECT_EQ(!Settings::font(group).family, !accept);
    }
}

TEST(Widgets, DockRelayoutsAndSizesFollowTheFontNotTheItems)
{
    QMainWindow window;
    int relayouts = 0;
    auto* dock = new CleanDock(&window, QStringLiteral("dw_test"), [&] { ++relayouts; });
    window.addDockWidget(Qt::LeftDockWidgetArea, dock);
    window.show();
    EXPECT_GE(std::exchange(relayouts, 0), 1);
    dock->setFloating(true);
    EXPECT_GE(std::exchange(relayouts, 0), 1);
    window.addDockWidget(Qt::RightDockWidgetArea, dock);
    EXPECT_GE(relayouts, 1);

    CleanComboLim combo;
    const int empty = combo.minimumSizeHint().width();
    combo.addItem(QString(200, QLatin1Char('W')));
    EXPECT_EQ(combo.minimumSizeHint().width(), empty);
    // A list fits its longest item beside the scroll bar.
    NiceQListBox shortList, longList;
    shortList.addItem(QStringLiteral("ab"));
    longList.addItem(QString(60, QLatin1Char('W')));
    shortList.show();
    longList.show();
    EXPECT_GT(longList.minimumWidth(), shortList.minimumWidth());
    EXPECT_GE(longList.minimumWidth(),
              longList.sizeHintForColumn(0) + longList.verticalScrollBar()->sizeHint().width());
}

} // namespace
