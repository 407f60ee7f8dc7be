#include "app/guimessagesink.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{

// Answers the next message box that opens by clicking the given button.
void clickWhenShown(QMessageBox::StandardButton button, QString* title, QString* text)
{
    QTimer::singleShot(0, [=] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            *title = box->windowTitle();
            *text = box->text();
            box->button(button)->click();
            return;
        }
        clickWhenShown(button, title, text); // not shown yet
    });
}

TEST(GuiSink, ShowsTitleAndTextAndMapsTheAnswer)
{
    GuiMessageSink sink;
    ScopedMessageSink installed(&sink);

    QString title, text;
    clickWhenShown(QMessageBox::Yes, &title, &text);
    EXPECT_TRUE(Messages::sure(QStringLiteral("Delete it?")));
    EXPECT_EQ(title, QStringLiteral("Clavion - Sure ?"));
    EXPECT_EQ(text, QStringLiteral("Delete it?"));

    clickWhenShown(QMessageBox::Cancel, &title, &text);
    EXPECT_EQ(Messages::question(QStringLiteral("Save?"), Save | Discard | Cancel, Save), Cancel);
}

} // namespace
