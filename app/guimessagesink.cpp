#include "app/guimessagesink.h"

#include <QApplication>
#include <QMessageBox>

namespace
{
struct ButtonMap {
    int ours;
    QMessageBox::StandardButton qt;
};
const ButtonMap kButtons[] = {
    {Ok, QMessageBox::Ok},         {Yes, QMessageBox::Yes},   {No, QMessageBox::No},
    {Cancel, QMessageBox::Cancel}, {Save, QMessageBox::Save}, {Discard, QMessageBox::Discard},
};
} // namespace

int GuiMessageSink::show(const Message& message)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (message.kind) {
    case MessageKind::Warning:
        icon = QMessageBox::Warning;
        break;
    case MessageKind::Question:
    case MessageKind::Sure:
        icon = QMessageBox::Question;
        break;
    case MessageKind::Information:
    case MessageKind::Report:
        icon = QMessageBox::Information;
        break;
    }
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    for (const ButtonMap& b : kButtons) {
        if (message.buttons & b.ours) buttons |= b.qt;
        if (message.defaultButton == b.ours) defaultButton = b.qt;
    }
    if (!buttons) buttons = QMessageBox::Ok;
    auto* over = qobject_cast<QWidget*>(message.parent);
    QMessageBox box(icon, message.title, message.text, buttons, over ? over : parent_);
    if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
    const int answer = box.exec();
    for (const ButtonMap& b : kButtons)
        if (answer == b.qt) return b.ours;
    return Messages::defaultAnswer(message);
}

void GuiMessageSink::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
