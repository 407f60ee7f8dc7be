#include "dialogs/optiodb.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

OptionsTab::OptionsTab(OptioDB* dialog) : dialog_(dialog) {}

void OptionsTab::setOptions()
{
    setClean();
}

void OptionsTab::unsetOptions()
{
    setClean();
}

void OptionsTab::initialise()
{
    if (initialised_) return;
    initialised_ = true;
    firstShow();
    // Filling the lists is no edit.
    setClean();
}

void OptionsTab::setDirty()
{
    dirty_ = true;
    if (dialog_ && dialog_->currentTab() == this) dialog_->showButtons(true);
}

void OptionsTab::setClean()
{
    dirty_ = false;
    if (dialog_ && dialog_->currentTab() == this) dialog_->showButtons(false);
}

OptioDB::OptioDB(QWidget* parent) : QDialog(parent)
{
    auto* whole = new QVBoxLayout(this);
    tabs_ = new QTabWidget;
    tabs_->setObjectName(QStringLiteral("tabs"));
    whole->addWidget(tabs_);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    ok_ = new QPushButton(tr("OK"));
    cancel_ = new QPushButton(tr("Cancel"));
    apply_ = new QPushButton(tr("Appl&y"));
    ok_->setObjectName(QStringLiteral("pb_ok"));
    cancel_->setObjectName(QStringLiteral("pb_cancel"));
    apply_->setObjectName(QStringLiteral("pb_apply"));
    for (QPushButton* b : {ok_, cancel_, apply_}) {
        b->setAutoDefault(false);
        row->addWidget(b);
    }
    ok_->setDefault(true);
    whole->addLayout(row);

    connect(ok_, &QPushButton::clicked, this, &OptioDB::acceptApplied);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply_, &QPushButton::clicked, this, &OptioDB::setOptions);
    connect(tabs_, &QTabWidget::currentChanged, this, &OptioDB::initTab);
}

OptionsTab* OptioDB::currentTab() const
{
    return qobject_cast<OptionsTab*>(tabs_->currentWidget());
}

void OptioDB::addTab(OptionsTab* tab, const QString& title)
{
    // The first tab added becomes current: it is initialised by openAt().
    const QSignalBlocker quiet(tabs_);
    tabs_->addTab(tab, title);
}

void OptioDB::openAt(int index)
{
    if (index < 0 || index >= tabs_->count()) index = 0;
    const QSignalBlocker quiet(tabs_);
    tabs_->setCurrentIndex(index);
    initTab(index);
}

void OptioDB::showButtons(bool dirty)
{
    cancel_->setText(dirty ? tr("Cancel") : tr("Close"));
    for (QPushButton* b : {ok_, apply_}) {
        b->setEnabled(dirty);
        b->setVisible(dirty);
    }
}

void OptioDB::initTab(int index)
{
    auto* tab = qobject_cast<OptionsTab*>(tabs_->widget(index));
    if (!tab) return;
    tab->initialise();
    showButtons(tab->isDirty());
}

void OptioDB::setOptions()
{
    applyCurrent();
}

bool OptioDB::applyCurrent()
{
    OptionsTab* tab = currentTab();
    if (!tab || !tab->isDirty()) return true;
    tab->setOptions();
    if (tab->takeRefusal()) {
        tab->setDirty();
        return false;
    }
    tab->saveOptions();
    tab->setClean();
    return true;
}

void OptioDB::unsetOptions()
{
    for (int i = 0; i < tabs_->count(); ++i) {
        auto* tab = qobject_cast<OptionsTab*>(tabs_->widget(i));
        if (tab && tab->isDirty()) tab->unsetOptions();
    }
}

void OptioDB::devicesChanged()
{
    for (int i = 0; i < tabs_->count(); ++i)
        if (auto* tab = qobject_cast<OptionsTab*>(tabs_->widget(i))) tab->devicesChanged();
}

void OptioDB::acceptApplied()
{
    if (applyCurrent()) accept();
}

void OptioDB::done(int result)
{
    // Escape and the window's close button come here too, not only Cancel.
    unsetOptions();
    QDialog::done(result);
}

void OptioDB::keyPressEvent(QKeyEvent* event)
{
    const int count = tabs_->count();
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (control && count > 0 &&
        (event->key() == Qt::Key_PageDown || event->key() == Qt::Key_PageUp)) {
        const int step = event->key() == Qt::Key_PageDown ? 1 : count - 1;
        tabs_->setCurrentIndex((tabs_->currentIndex() + step) % count);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // On Cancel or Apply, Return means that button, not OK.
        auto* button = qobject_cast<QPushButton*>(focusWidget());
        if (button && button != ok_)
            button->click();
        else
            acceptApplied();
        return;
    }
    QDialog::keyPressEvent(event); // Escape rejects
}
