// The window in French, with the translation the start-up finds beside the
// program in the build tree; a process of its own, as the translator is global.

#include "app/startup.h"
#include "dialogs/optionsdb.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTranslator>

namespace
{
// The Alt+letter keys that the texts shown at once give, or that one menu gives.
std::vector<QString> mnemonics(const QList<QAction*>& actions)
{
    std::vector<QString> keys;
    for (QAction* a : actions)
        if (a->isVisible() && !a->isSeparator())
            keys.push_back(QKeySequence::mnemonic(a->text()).toString() + " " + a->text());
    return keys;
}

// Alt+letter keys of what a window shows: labels that lead to a control,
// buttons, group boxes and tabs.
std::vector<QString> shownMnemonics(QWidget* window)
{
    std::vector<QString> keys;
    const auto add = [&](const QString& text) {
        keys.push_back(QKeySequence::mnemonic(text).toString() + " " + text);
    };
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->buddy() && l->isVisibleTo(window)) add(l->text());
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (b->isVisibleTo(window)) add(b->text());
    for (QGroupBox* g : window->findChildren<QGroupBox*>())
        if (g->isVisibleTo(window)) add(g->title());
    for (QTabBar* bar : window->findChildren<QTabBar*>())
        for (int i = 0; i < bar->count(); ++i) add(bar->tabText(i));
    return keys;
}

// One key for two different texts; a label repeated in rows of its own
// (the same filters for three kinds of tracks) cycles through them, as meant.
void expectDistinct(const std::vector<QString>& keys, const char* where)
{
    std::map<QString, QString> seen;
    for (const QString& k : keys) {
        const QString key = k.section(QLatin1Char(' '), 0, 0);
        if (key.isEmpty()) continue;
        const auto [at, fresh] = seen.emplace(key, k);
        EXPECT_TRUE(fresh || at->second == k)
            << where << ": " << qPrintable(at->second) << " / " << qPrintable(k);
    }
}

using French = Window;

TEST_F(French, MenusSpeakFrenchAndEveryAcceleratorReachesOneControl)
{
    QTranslator french;
    const Startup::TranslationSearch search =
        Startup::programTranslationSearch("fr_FR.UTF-8", QString(), CLAVION_BINARY_DIR);
    ASSERT_EQ(Startup::loadTranslation(french, search).value_or("-"),
              QStringLiteral(CLAVION_BINARY_DIR "/translations"));

    for (const bool inFrench : {false, true}) {
        if (inFrench) QCoreApplication::installTranslator(&french);
        open(1); // with the command line's song, so the deck's controls are there too
        QStringList titles;
        for (QAction* a : window->menuBar()->actions()) titles << a->text();
        const QStringList inFrenchTitles{"&Fichier", "&Pistes", "&Démo", "&Aide"};
        const QStringList inEnglishTitles{"&File", "&Tracks", "&Demo", "&Help"};
        EXPECT_EQ(titles, inFrench ? inFrenchTitles : inEnglishTitles);
        if (inFrench) {
            EXPECT_EQ(window->action("a_load")->text(), QStringLiteral("&Ouvrir…"));
            EXPECT_EQ(window->findChild<QDockWidget*>("dw_quickset")->windowTitle(),
                      QStringLiteral("Réglages rapides"));
        }

        for (QMenu* menu : window->findChildren<QMenu*>())
            expectDistinct(mnemonics(menu->actions()), qPrintable(menu->title()));
        // Alt+letter without a menu open: the menu bar and the window's controls.
        std::vector<QString> keys = mnemonics(window->menuBar()->actions());
        for (const QString& k : shownMnemonics(window)) keys.push_back(k);
        expectDistinct(keys, "main window");
        // Each tab of the Options dialog as it is shown; its English labels
        // share some letters (I&gnore and Leadin&g), the French ones must not.
        int tabs = 0;
        window->setOptionsDialogHook([&](OptionsDB& db) {
            db.show();
            for (int i = 0; i < db.tabs()->count(); ++i, ++tabs) {
                db.tabs()->setCurrentIndex(i);
                if (inFrench)
                    expectDistinct(shownMnemonics(&db), qPrintable(db.tabs()->tabText(i)));
            }
        });
        window->action("a_options")->trigger();
        EXPECT_EQ(tabs, 7);

        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::removeTranslator(&french);
    }
}
} // namespace
