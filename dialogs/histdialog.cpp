#include "dialogs/histdialog.h"

#include "panes/histcombo.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

HistDialog::HistDialog(const QString& title, const QString& label, QWidget* parent,
                       const QString& group, const QString& suffix, int maxCount,
                       const QString& objectName)
    : QDialog(parent)
{
    setObjectName(objectName);
    setWindowTitle(title);
    auto* top = new QVBoxLayout(this);
    top->setObjectName(QStringLiteral("topLayout"));
    top->setContentsMargins(6, 6, 6, 6);
    top->setSpacing(6);

    auto* text = new QLabel(label, this);
    text->setObjectName(QStringLiteral("histdialog"));
    top->addWidget(text);
    auto* row = new QHBoxLayout;
    row->setObjectName(QStringLiteral("lo_combo"));
    combo_ = new HistCombo(this, group, suffix, maxCount, QStringLiteral("hcombo"));
    text->setBuddy(combo_);
    row->addWidget(combo_);
    top->addLayout(row);
    combo_->setFocus();

    auto* buttons = new QHBoxLayout;
    buttons->setObjectName(QStringLiteral("buttons"));
    ok_ = new QPushButton(tr("OK"), this);
    ok_->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setAutoDefault(false);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    top->addLayout(buttons);

    connect(combo_, &QComboBox::editTextChanged, this, &HistDialog::textSearchChanged);
    connect(ok_, &QPushButton::clicked, this, &HistDialog::remember);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    textSearchChanged(combo_->currentText());
}

QString HistDialog::text() const
{
    return combo_->currentText();
}

void HistDialog::offer(const QString& text)
{
    const int at = combo_->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (at >= 0) combo_->removeItem(at);
    combo_->insertItem(0, text);
    combo_->setCurrentIndex(0);
}

void HistDialog::textSearchChanged(const QString& text)
{
    ok_->setEnabled(!text.trimmed().isEmpty());
}

// A line used again moves to the top rather than staying where it was.
void HistDialog::remember()
{
    const QString text = combo_->currentText().trimmed();
    if (text.isEmpty()) return; // Return in a blank field
    offer(text);
    accept();
}
