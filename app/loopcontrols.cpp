#include "app/loopcontrols.h"

#include "core/settings.h"
#include "panes/cleanwidgets.h"
#include "song/deckmodel.h"
#include "views/diagram.h"
#include "views/score.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QSignalBlocker>

namespace
{
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(playdialog)
};
} // namespace

LoopControls::LoopControls(DeckModel& deck, LiveOptions& options, Score* score, QWidget* parent)
    : QWidget(parent), deck_(deck), options_(options), score_(score)
{
    setObjectName(QStringLiteral("loopcontrols"));
    // Under the deck's buttons, two by two: the dock stays narrow.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);

    loop = new QCheckBox(Texts::tr("&Loop"), this);
    loop->setObjectName(QStringLiteral("cb_loop"));
    loop->setToolTip(
        Texts::tr("Check to play the marked measures over and over while listening (CTRL+[ and "
                  "CTRL+] mark them at the current position). A recording ignores the loop."));
    loop->setFocusPolicy(Qt::NoFocus); // keys belong to the deck while playing
    grid->addWidget(loop, 0, 0);

    stepUp = new QCheckBox(Texts::tr("Step &up"), this);
    stepUp->setObjectName(QStringLiteral("cb_stepup"));
    stepUp->setToolTip(Texts::tr("Check to play the loop faster at each pass, from the first "
                                 "pass's tempo boost up to the one set in Tempo boost."));
    stepUp->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(stepUp, 0, 1);
    const auto spin = [&](int column, const char* name, int min, int max, const char* prefix,
                          const QString& tip) {
        auto* box = new CleanSpin(this);
        box->setObjectName(QLatin1String(name));
        box->setRange(min, max);
        box->setPrefix(QLatin1String(prefix));
        box->setSuffix(QStringLiteral(" %"));
        box->setKeyboardTracking(false);
        box->setToolTip(tip);
        grid->addWidget(box, 1, column);
        return box;
    };
    stepFrom =
        spin(0, "sb_stepfrom", 10, 1000, "", Texts::tr("Tempo boost of the loop's first pass"));
    stepFrom->setSingleStep(5);
    stepBy = spin(1, "sb_stepby", 1, 100, "+", Texts::tr("Added to the tempo boost at each pass"));

    const auto action = [&](const char* name, const QString& label, const char* keys) {
        auto* a = new QAction(label, this);
        a->setObjectName(QLatin1String(name));
        if (*keys) a->setShortcut(QKeySequence(QLatin1String(keys)));
        addAction(a); // the shortcut works wherever the dock shows
        return a;
    };
    markStart = action("a_loopStart", Texts::tr("Set loop start here"), "Ctrl+[");
    markEnd = action("a_loopEnd", Texts::tr("Set loop end here"), "Ctrl+]");
    clear = action("a_loopClear", Texts::tr("Clear loop"), "");
    connect(markStart, &QAction::triggered, this,
            [this] { score_->markLoop(LoopEdge::Start, score_->position()); });
    connect(markEnd, &QAction::triggered, this,
            [this] { score_->markLoop(LoopEdge::End, score_->position()); });
    connect(clear, &QAction::triggered, score_, &Score::clearLoop);
    connect(score_, &Score::loopChanged, this, &LoopControls::showLoop);

    {
        const QSignalBlocker quiet1(stepUp), quiet2(stepFrom), quiet3(stepBy);
        stepUp->setChecked(options_.loopStepUp);
        stepFrom->setValue(options_.loopStepFrom);
        stepBy->setValue(options_.loopStepBy);
    }
    connect(loop, &QCheckBox::toggled, this, [this](bool on) {
        setLoopOn(deck_, on);
        score_->diagram()->update();
    });
    // Remembered at once: the step-up is the user's habit, not the song's.
    connect(stepUp, &QCheckBox::toggled, this, [this](bool on) {
        options_.loopStepUp = on;
        options_.save(LiveOptions::Loop);
    });
    connect(stepFrom, qOverload<int>(&QSpinBox::valueChanged), this, [this](int v) {
        options_.loopStepFrom = v;
        options_.save(LiveOptions::Loop);
    });
    connect(stepBy, qOverload<int>(&QSpinBox::valueChanged), this, [this](int v) {
        options_.loopStepBy = v;
        options_.save(LiveOptions::Loop);
    });
    showLoop();
}

void LoopControls::showLoop()
{
    const bool marked = deck_.loop.marked();
    const QSignalBlocker quiet(loop);
    loop->setChecked(deck_.loop.on);
    loop->setEnabled(marked);
    clear->setEnabled(marked);
}
