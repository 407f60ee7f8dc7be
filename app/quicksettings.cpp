#include "app/quicksettings.h"

#include "panes/cleanwidgets.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace
{
const char* const kYellowSpin =
    "QSpinBox { background: rgb(255, 255, 170); selection-background-color: rgb(255, 255, 0); }";
const char* const kYellowLine =
    "QLineEdit { background: rgb(255, 255, 170); selection-background-color: rgb(255, 255, 0); }";

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(playdialog)
};
} // namespace

QuickSettings::QuickSettings(QWidget* parent) : QGroupBox(parent)
{
    setObjectName(QStringLiteral("gb_quickset"));
    auto* row = new QHBoxLayout(this);

    const auto spin = [&](const QString& label, int min, int max, int step, const QString& tip) {
        auto* box = new CleanSpin(this);
        box->setRange(min, max);
        box->setSingleStep(step);
        box->setToolTip(tip);
        auto* l = new QLabel(label, this);
        l->setBuddy(box);
        row->addWidget(l);
        row->addWidget(box);
        return box;
    };
    const auto action = [&](const char* name, const QString& label, const char* icon,
                            const char* keys) {
        auto* a = new QAction(QIcon(QLatin1String(icon)), label, this);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(QKeySequence(QLatin1String(keys)));
        addAction(a); // the shortcut works wherever the dock shows
        return a;
    };
    const auto check = [&](const char* name, const QString& label, const QString& tip) {
        auto* box = new QCheckBox(label, this);
        box->setObjectName(QLatin1String(name));
        box->setToolTip(tip);
        row->addWidget(box);
        return box;
    };

    tolerance = spin(
        Texts::tr("Min. &gap [ms]"), 0, 500, 10,
        Texts::tr("Select the max time gap for successive notes to be played in one keystroke."));
    tempo =
        spin(Texts::tr("Tempo [bpm]"), 10, 1000, 1, Texts::tr("Actual tempo in beats per minute"));
    tempo->setReadOnly(true);
    tempo->setAlignment(Qt::AlignRight);
    tempo->setButtonSymbols(QAbstractSpinBox::NoButtons);
    tempo->setStyleSheet(QLatin1String(kYellowSpin));
    boost = spin(Texts::tr("Tempo b&oost [%]"), 10, 1000, 5,
                 Texts::tr("Modify file's tempos by a factor (CTRL+\u25b3/\u25bd or CTRL+Mouse "
                           "wheel)"));
    faster = action("a_tempoboostUp", Texts::tr("&Faster"), ":/run.xpm", "Ctrl+Up");
    slower = action("a_tempoboostDown", Texts::tr("&Slower"), ":/runback.xpm", "Ctrl+Down");
    connect(faster, &QAction::triggered, boost, &QSpinBox::stepUp);
    connect(slower, &QAction::triggered, boost, &QSpinBox::stepDown);

    zoom = spin(Texts::tr("&Zoom"), 1, 40, 1,
                Texts::tr("Higher values provide more space between notes display "
                          "(CTRL+\u25c1/CTRL+\u25b7)"));
    wider = action("a_pix4mcUp", Texts::tr("&Wider"), ":/wider.xpm", "Ctrl+Right");
    narrower = action("a_pix4mcDown", Texts::tr("&Narrower"), ":/narrower.xpm", "Ctrl+Left");
    connect(wider, &QAction::triggered, zoom, &QSpinBox::stepUp);
    connect(narrower, &QAction::triggered, zoom, &QSpinBox::stepDown);

    metRecord = check("cb_met_record", Texts::tr("&Rec"),
                      Texts::tr("Check to run metronome while recording."));
    metPlay = check("cb_met_play", Texts::tr("&Play"),
                    Texts::tr("Check to run metronome while playing."));
    allTracks = check("cb_qalltracks", Texts::tr("&All"),
                      Texts::tr("Check to display non currently interactive tracks."));
    tempoAdapt = check(
        "cb_tempoadapt", Texts::tr("Ske&ws"),
        Texts::tr("Check to allow adaptation to tempo changes from authorised instrument/zone."));

    row->addWidget(new QLabel(Texts::tr("Beat"), this));
    beat = new QLineEdit(this);
    beat->setReadOnly(true);
    beat->setAlignment(Qt::AlignRight);
    beat->setStyleSheet(QLatin1String(kYellowLine));
    beat->setToolTip(Texts::tr("Current measure/beat"));
    beat->setMaxLength(8);
    beat->setFixedWidth(beat->fontMetrics().horizontalAdvance(QStringLiteral("0000:00")) + 12);
    row->addWidget(beat);
}
