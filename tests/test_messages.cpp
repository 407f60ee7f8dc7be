#include "core/messages.h"

#include <gtest/gtest.h>

TEST(Messages, ScriptedAnswersThenTheDefaultAndScopesRestoreThePreviousSink)
{
    ScriptedMessageSink outer, inner;
    ScopedMessageSink a(&outer);
    {
        ScopedMessageSink b(&inner);
        inner.answers = {Yes};
        EXPECT_TRUE(Messages::sure(QStringLiteral("Really?")));
        EXPECT_FALSE(Messages::sure(QStringLiteral("Again?"))); // the default No
    }
    EXPECT_EQ(inner.shown[0].buttons, Yes | No);
    Messages::report(QStringLiteral("outer"));
    EXPECT_EQ(inner.shown.size(), 2);
    EXPECT_EQ(outer.shown[0].title, QStringLiteral("Report"));
}

TEST(Messages, ConsoleSinkPrintsTitleAndTextAndAnswersNo)
{
    ConsoleMessageSink console;
    Message m;
    m.title = Messages::title(MessageKind::Warning);
    m.text = QStringLiteral("Disk full");
    m.buttons = Yes | No;
    testing::internal::CaptureStderr();
    EXPECT_EQ(console.show(m), No);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Clavion - Warning: Disk full\n");
}
