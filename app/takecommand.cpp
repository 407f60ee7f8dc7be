// The take analysis window, and the loop it sets on the deck.

#include "app/journalcommands.h"
#include "app/playdialog.h"
#include "app/topwidget.h"
#include "dialogs/takewindow.h"
#include "song/deckmodel.h"
#include "views/score.h"

void TopWidget::showTakeAnalysis()
{
    if (!deck_ || deck_->model().keptTake.empty()) return;
    // One window, of the last take; it belongs to the song and closes with it.
    if (auto* old = deck_->findChild<TakeWindow*>()) old->close();
    auto* window = new TakeWindow(deck_->model().keptTake, deck_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    Score* score = deck_->score();
    connect(window, &TakeWindow::loopRequested, score, &Score::loopAround);
    connect(window, &TakeWindow::historyRequested, journal_, &JournalCommands::showHistory);
    window->show();
}
