#include "app/journalcommands.h"

#include "app/loopcontrols.h"
#include "app/playdialog.h"
#include "app/topwidget.h"
#include "core/messages.h"
#include "dialogs/historyplot.h"
#include "dialogs/historywindow.h"
#include "engine/decksession.h"
#include "journal/journal.h"
#include "panes/cleanwidgets.h"
#include "views/diagram.h"
#include "views/score.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QStatusBar>
#include <cstdio>

JournalCommands::JournalCommands(TopWidget& window) : QObject(&window), window_(window) {}

JournalCommands::~JournalCommands() = default;

Journal& JournalCommands::journal()
{
    if (!journal_) journal_ = std::make_unique<Journal>(Journal::defaultPath());
    return *journal_;
}

MasteryRules JournalCommands::rules() const
{
    const LiveOptions& o = window_.options();
    return {double(o.masteryMs.load()), o.masteryBoost.load()};
}

void JournalCommands::songOpened(PlayDialog* deck)
{
    connect(&deck->session(), &DeckSession::sessionFinished, this,
            &JournalCommands::sessionFinished);
    connect(deck, &PlayDialog::trackSelectionChanged, this, [deck](int, int, bool busy) {
        if (auto* w = deck->findChild<HistoryWindow*>()) w->setPractiseEnabled(!busy);
    });
    showMastery();
}

void JournalCommands::sessionFinished()
{
    PlayDialog* deck = window_.deck();
    if (!deck || !window_.options().journalKeep) return;
    DeckModel& model = deck->model();
    JournalSession& session = model.lastSession;
    if (session.clusters <= 0) return;
    // The journal dates every session: one that was never timed ends now.
    if (!session.started.isValid())
        session.started = QDateTime::currentDateTime().addSecs(-session.seconds);
    // Under the song it was played on: a take kept since has other notes.
    journal().record(model.lastSessionSong, session); // a failure is told once
    showMastery();
}

void JournalCommands::showMastery()
{
    PlayDialog* deck = window_.deck();
    if (!deck) return;
    // Without a journal yet there is nothing to show, and no file to make.
    std::vector<QColor> shades;
    if (journal_ || QFile::exists(Journal::defaultPath())) {
        const SongIdentity song = songIdentity(deck->model());
        const SongHistory history = journal().history(song);
        if (!history.sessions.empty())
            for (const MeasureMastery& m : masteryMap(history, rules(), song.measures))
                shades.push_back(m.state == Mastery::Unplayed ? QColor() : MasteryMap::colourOf(m));
    }
    deck->score()->diagram()->setMeasureShades(std::move(shades));
    if (auto* w = deck->findChild<HistoryWindow*>()) w->reload();
}

void JournalCommands::showHistory()
{
    PlayDialog* deck = window_.deck();
    if (!deck) return;
    // One window, of the open song; it closes with it.
    if (auto* open = deck->findChild<HistoryWindow*>()) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto* w = new HistoryWindow(journal(), songIdentity(deck->model()), rules(), deck);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setPractiseEnabled(!deck->busy());
    connect(w, &HistoryWindow::practiseWeakestRequested, this, &JournalCommands::practiseWeakest);
    connect(w, &HistoryWindow::historyForgotten, this, &JournalCommands::showMastery);
    w->show();
    showMastery(); // the roll follows what the window shows
}

void JournalCommands::practiseWeakest()
{
    PlayDialog* deck = window_.deck();
    if (!deck || deck->busy()) return;
    const SongIdentity song = songIdentity(deck->model());
    const SongHistory history = journal().history(song);
    const MasteryRules r = rules();
    const WeakestRun run = weakestRun(masteryMap(history, r, song.measures), r);
    if (!run.found()) {
        Messages::information(
            history.sessions.empty()
                ? tr("This song has no practice history yet: play it with a track from the "
                     "keyboard first, and its weakest measures will be found.")
                : tr("Every measure played so far is mastered: there is nothing weaker to "
                     "practise. Play more of the song, or raise the mastery tempo in the "
                     "Options."));
        return;
    }
    deck->score()->loopMeasures(run.first, run.last);
    // Through the deck dock's boxes, so they show what is set and keep it.
    if (auto* loops = window_.findChild<LoopControls*>()) {
        loops->loop->setChecked(true);
        loops->stepUp->setChecked(true);
        loops->stepFrom->setValue(run.stepFrom);
    }
    const DeckModel& model = deck->model();
    const LiveOptions& o = window_.options();
    const QString where = run.first == run.last
                              ? tr("Looping measure %1").arg(run.first)
                              : tr("Looping measures %1 to %2").arg(run.first).arg(run.last);
    window_.statusBar()->showMessage(
        tr("%1, the tempo stepping up from %2 %").arg(where).arg(o.loopStepFrom.load()));
    // The GUI scenarios read the loop back here.
    if (qEnvironmentVariableIsSet("CLAVION_TRACE_LOOP"))
        std::fprintf(stderr, "loop: bars %d-%d %s, step-up %s from %d %%\n", model.loop.startBar,
                     model.loop.endBar, model.loop.on ? "on" : "off", o.loopStepUp ? "on" : "off",
                     o.loopStepFrom.load());
}
