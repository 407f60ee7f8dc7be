#include "dialogs/handsplitdialog.h"

#include "core/programname.h"
#include "panes/cleanwidgets.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace
{
// A square of the hand's colour beside its name, as the piano roll draws it.
QWidget* legend(const QColor& colour, const QString& text, const char* swatchName)
{
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* swatch = new QLabel;
    swatch->setObjectName(QLatin1String(swatchName));
    QPixmap square(12, 12);
    square.fill(colour);
    swatch->setPixmap(square);
    row->addWidget(swatch);
    row->addWidget(new QLabel(text));
    row->addStretch();
    return box;
}
} // namespace

HandSplitDialog::HandSplitDialog(QWidget* parent, const DeckModel& deck, HandSplitPlan first,
                                 const QColor& right, const QColor& left)
    : QDialog(parent), deck_(deck), plan_(std::move(first))
{
    setObjectName(QStringLiteral("handsplitdialog"));
    setWindowTitle(QLatin1String(App::kProgramName) + QStringLiteral(" - ") + tr("Split by hand"));
    auto* whole = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    whole->addLayout(grid);

    automatic_ = new QRadioButton(tr("Automatic"));
    automatic_->setObjectName(QStringLiteral("rb_automatic"));
    automatic_->setToolTip(tr("Each note goes to the hand that the music around it suggests"));
    atKey_ = new QRadioButton(tr("At a key"));
    atKey_->setObjectName(QStringLiteral("rb_atKey"));
    atKey_->setToolTip(tr("Every note from this key up goes to the right hand"));
    key_ = new MidiCleanSpin;
    key_->setObjectName(QStringLiteral("sb_splitKey"));
    key_->setRange(0, 127);
    key_->setValue(plan_.splitKey == kAutomaticSplit ? 60 : plan_.splitKey);
    key_->setKeyboardTracking(false); // "72" is not 7, then 72
    (plan_.splitKey == kAutomaticSplit ? automatic_ : atKey_)->setChecked(true);
    key_->setEnabled(atKey_->isChecked());
    grid->addWidget(automatic_, 0, 0, 1, 2);
    grid->addWidget(atKey_, 1, 0);
    grid->addWidget(key_, 1, 1);

    auto* legends = new QHBoxLayout;
    legends->addWidget(legend(right, tr("Right hand"), "l_rightSwatch"));
    legends->addWidget(legend(left, tr("Left hand"), "l_leftSwatch"));
    whole->addLayout(legends);
    counts_ = new QLabel;
    counts_->setObjectName(QStringLiteral("l_handCounts"));
    whole->addWidget(counts_);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    whole->addWidget(buttons);

    connect(atKey_, &QRadioButton::toggled, this, [this](bool on) {
        key_->setEnabled(on);
        replan();
    });
    connect(key_, qOverload<int>(&QSpinBox::valueChanged), this, [this] {
        if (atKey_->isChecked()) replan();
    });
    showCounts();
}

void HandSplitDialog::replan()
{
    plan_ = planHandSplit(deck_, plan_.displayIndex,
                          atKey_->isChecked() ? key_->value() : kAutomaticSplit);
    showCounts();
    emit planChanged(&plan_);
}

void HandSplitDialog::showCounts()
{
    counts_->setText(
        tr("Right hand: %1 notes, left hand: %2 notes").arg(plan_.rightNotes).arg(plan_.leftNotes));
}
