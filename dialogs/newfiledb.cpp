#include "dialogs/newfiledb.h"

#include "panes/cleanwidgets.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
CleanSpin* spin(int min, int max, int step, int value, const QString& tip)
{
    auto* s = new CleanSpin;
    s->setRange(min, max);
    s->setSingleStep(step);
    s->setValue(value);
    s->setToolTip(tip);
    return s;
}
} // namespace

NewFileDB::NewFileDB(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("newfiledb"));
    setWindowTitle(tr("New MIDI file"));
    auto* whole = new QVBoxLayout(this);
    whole->setObjectName(QStringLiteral("vlo_whole"));
    auto* form = new QFormLayout;
    whole->addLayout(form);

    bpm_ = spin(10, 500, 1, 120, tr("Initial tempo"));
    ppq_ = spin(48, 1920, 24, 96, tr("Number of MIDI ticks per quarter note"));
    beats_ = spin(1, 24, 1, 4, tr("Number of beats per measure (keysig numerator)."));
    beatValue_ = new CleanCombo;
    beatValue_->addItems({tr("whole note"), tr("half note"), tr("quarter note"), tr("8th note"),
                          tr("16th note"), tr("32nd note"), tr("64th note")});
    beatValue_->setCurrentIndex(2);
    beatValue_->setToolTip(tr("Note value of beat (keysig denominator)"));
    form->addRow(tr("Initial tempo [bpm]:"), bpm_);
    form->addRow(tr("ppq"), ppq_);
    form->addRow(tr("beats per measure"), beats_);
    form->addRow(tr("beat value"), beatValue_);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    whole->addWidget(buttons);
}

int NewFileDB::bpm() const
{
    return bpm_->value();
}
int NewFileDB::ppq() const
{
    return ppq_->value();
}
int NewFileDB::beatsPerMeasure() const
{
    return beats_->value();
}
int NewFileDB::beatValueIndex() const
{
    return beatValue_->currentIndex();
}
