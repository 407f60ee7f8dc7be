#include "core/messages.h"

#include <gtest/gtest.h>

TEST(Messages, TitlesFollowOnePattern)
{
    EXPECT_EQ(Messages::title(MessageKind::Warning), QStringLiteral("Clavion - Warning"));
    EXPECT_EQ(Messages::title(MessageKind::Question), QStringLiteral("Clavion - Question"));
    EXPECT_EQ(Messages::title(MessageKind::Information), QStringLiteral("Clavion - Information"));
    EXPECT_EQ(Messages::title(MessageKind::Sure), QStringLiteral("Clavion - Sure ?"));
    EXPECT_EQ(Messages::title(MessageKind::Report), QStringLiteral("Report"));
}

TEST(Messages, ScriptedAnswersThenDefaults)
{
    ScriptedMessageSink sink;
    ScopedMessageSink installed(&sink);
    sink.answers = {Yes};
    EXPECT_TRUE(Messages::sure(QStringLiteral("Really?")));
    EXPECT_FALSE(Messages::sure(QStringLiteral("Again?"))); // script used up: the default No
    EXPECT_EQ(Messages::question(QStringLiteral("Save?"), Save | Discard | Cancel, Save), Save);
    EXPECT_EQ(Messages::question(QStringLiteral("Go?"), Ok | Cancel), Cancel);
    Messages::warning(QStringLiteral("Careful"));
    ASSERT_EQ(sink.shown.size(), 5);
    EXPECT_EQ(sink.shown[0].title, QStringLiteral("Clavion - Sure ?"));
    EXPECT_EQ(sink.shown[0].buttons, Yes | No);
    EXPECT_EQ(sink.shown[4].kind, MessageKind::Warning);
    EXPECT_EQ(sink.texts().last(), QStringLiteral("Careful"));
}

TEST(Messages, ScopesRestoreThePreviousSink)
{
    ScriptedMessageSink outer, inner;
    ScopedMessageSink a(&outer);
    {
        ScopedMessageSink b(&inner);
        Messages::information(QStringLiteral("inner"));
        BusyScope busy;
        EXPECT_EQ(inner.busyDepth, 1);
    }
    EXPECT_EQ(inner.busyDepth, 0);
    Messages::report(QStringLiteral("outer"));
    EXPECT_EQ(inner.texts(), QStringList{QStringLiteral("inner")});
    EXPECT_EQ(outer.texts(), QStringList{QStringLiteral("outer")});
}

TEST(Messages, ConsoleSinkPrintsTitleAndText)
{
    ConsoleMessageSink console;
    Message m;
    m.title = Messages::title(MessageKind::Warning);
    m.text = QStringLiteral("Disk full");
    m.buttons = Yes | No;
    testing::internal::CaptureStderr();
    const int answer = console.show(m);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Clavion - Warning: Disk full\n");
    EXPECT_EQ(answer, No);
}
