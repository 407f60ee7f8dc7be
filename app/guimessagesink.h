#pragma once

#include "core/messages.h"

class QWidget;

// Shows messages in modal message boxes over the main window.
class GuiMessageSink : public MessageSink
{
public:
    explicit GuiMessageSink(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    int show(const Message& message) override;
    void setBusy(bool busy) override;

private:
    QWidget* parent_;
};
