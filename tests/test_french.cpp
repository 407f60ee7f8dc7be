// The window in French, with the translation the start-up finds beside the
// program in the build tree; a process of its own, as the translator is global.

#include "app/startup.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
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

void expectDistinct(const std::vector<QString>& keys, const char* where)
{
    std::map<QString, QString> seen;
    for (const QString& k : keys) {
        const QString key = k.section(QLatin1Char(' '), 0, 0);
        if (key.isEmpty()) continue;
        const auto [at, fresh] = seen.emplace(key, k);
        EXPECT_TRUE(fresh) << where << ": " << qPrintable(at->second) << " / " << qPrintable(k);
    }
}

TEST_F(Window, MenusSpeakFrenchAndEveryAcceleratorReachesOneControl)
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
        // Alt+letter without a menu open: the menu bar, the labels and the buttons.
        std::vector<QString> keys = mnemonics(window->menuBar()->actions());
        for (QLabel* l : window->findChildren<QLabel*>())
            if (l->buddy() && l->isVisibleTo(window))
                keys.push_back(QKeySequence::mnemonic(l->text()).toString() + " " + l->text());
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
            if (b->isVisibleTo(window))
                keys.push_back(QKeySequence::mnemonic(b->text()).toString() + " " + b->text());
        expectDistinct(keys, "main window");

        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::removeTranslator(&french);
    }
}
} // namespace
