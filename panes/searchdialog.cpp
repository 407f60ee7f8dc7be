#include "panes/searchdialog.h"

#include "core/programname.h"
#include "panes/histcombo.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
constexpr int kHistorySize = 12;

QCheckBox* option(const QString& text, const char* name, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}
} // namespace

SearchDialog::SearchDialog(QWidget* pane, const QString& history, const QString& group,
                           const QString& suffix)
    : QDialog(pane, Qt::Dialog)
{
    setModal(false);
    setWindowTitle(QLatin1String(App::kProgramName) + tr(" Find"));
    auto* top = new QVBoxLayout(this);
    top->setObjectName(QStringLiteral("topLayout"));
    top->setContentsMargins(6, 6, 6, 6);
    top->setSpacing(6);

    auto* label = new QLabel(tr("Find:"), this);
    label->setObjectName(QStringLiteral("find"));
    top->addWidget(label);
    combo_ = new HistCombo(this, group, suffix, kHistorySize, history);
    label->setBuddy(combo_);
    top->addWidget(combo_);

    auto* box = new QGroupBox(this);
    box->setObjectName(QStringLiteral("group"));
    auto* options = new QHBoxLayout(box);
    options->setObjectName(QStringLiteral("lo_inopt"));
    case_ = option(tr("Case &Sensitive"), "case", box);
    direction_ = option(tr("Find &Backwards"), "direction", box);
    wholeword_ = option(tr("Find &Whole words"), "wholeword", box);
    for (QCheckBox* b : {case_, direction_, wholeword_}) options->addWidget(b);
    top->addWidget(box);

    auto* buttons = new QHBoxLayout;
    buttons->setObjectName(QStringLiteral("buttons"));
    find_ = new QPushButton(tr("&Find"), this);
    find_->setDefault(true); // Return in the field searches
    find_->setEnabled(false);
    auto* close = new QPushButton(tr("&Close"), this);
    close->setAutoDefault(false);
    buttons->addWidget(find_);
    buttons->addWidget(close);
    top->addLayout(buttons);

    connect(find_, &QPushButton::clicked, this, &SearchDialog::slotUser1);
    connect(close, &QPushButton::clicked, this, &SearchDialog::slotCancel);
    connect(combo_, &QComboBox::editTextChanged, this, &SearchDialog::textSearchChanged);
}

QString SearchDialog::text() const
{
    return combo_->currentText();
}

void SearchDialog::setText(const QString& text)
{
    combo_->setEditText(text);
}

bool SearchDialog::caseSensitivity() const
{
    return case_->isChecked();
}

bool SearchDialog::direction() const
{
    return direction_->isChecked();
}

bool SearchDialog::wholeword() const
{
    return wholeword_->isChecked();
}

void SearchDialog::setCaseSensitivity(bool on)
{
    case_->setChecked(on);
    fresh_ = true;
}

void SearchDialog::setDirection(bool backwards)
{
    direction_->setChecked(backwards);
    fresh_ = true;
}

void SearchDialog::setWholeword(bool on)
{
    wholeword_->setChecked(on);
    fresh_ = true;
}

void SearchDialog::slotUser1()
{
    if (!text().isEmpty()) emit search();
}

void SearchDialog::slotCancel()
{
    combo_->remember(text());
    emit done();
    combo_->clearEditText();
    QDialog::reject();
}

void SearchDialog::reject()
{
    slotCancel();
}

void SearchDialog::textSearchChanged(const QString& text)
{
    fresh_ = true;
    find_->setEnabled(!text.isEmpty());
}

void SearchDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    combo_->setFocus();
    combo_->lineEdit()->selectAll();
}
