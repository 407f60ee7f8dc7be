#include "song/songnames.h"

#include <gtest/gtest.h>

TEST(SongNames, KeySignatures)
{
    EXPECT_EQ(keySignatureName(0, 0), QStringLiteral("C major"));
    EXPECT_EQ(keySignatureName(-6, 0), QStringLiteral("G flat major"));
    EXPECT_EQ(keySignatureName(5, 0), QStringLiteral("B major"));
    EXPECT_EQ(keySignatureName(0, 1), QStringLiteral("A minor"));
    EXPECT_EQ(keySignatureName(-6, 1), QStringLiteral("E flat minor"));
    EXPECT_EQ(keySignatureName(5, 1), QStringLiteral("G sharp minor"));
    EXPECT_EQ(keySignatureName(-7, 0), QStringLiteral("Unknown major"));
    EXPECT_EQ(keySignatureName(6, 1), QStringLiteral("Unknown minor"));
    EXPECT_EQ(keySignatureName(0, 2), QStringLiteral("Unknown mode"));
    EXPECT_EQ(keySignatureName(9, -1), QStringLiteral("Unknown mode"));
}

TEST(SongNames, EventKindsAgreeWithTheirCount)
{
    EXPECT_EQ(eventKindName(6, 1), QStringLiteral("Note on event"));
    EXPECT_EQ(eventKindName(6, 2), QStringLiteral("Note on events"));
    EXPECT_EQ(eventKindName(5, 0), QStringLiteral("Integrated note event"));
    EXPECT_EQ(eventKindName(12, 3),
              QStringLiteral("Channel pressure events (overall pressure for channel)"));
    EXPECT_EQ(eventKindName(14, 9), QStringLiteral("SND_SEQ_EVENT_CONTROL14"));
    EXPECT_EQ(eventKindName(20, 1), QStringLiteral("SND_SEQ_EVENT_SONGPOS"));
    EXPECT_EQ(eventKindName(99, 5), QStringLiteral("events"));
}

TEST(SongNames, ChannelPatternsScanFromChannelOne)
{
    EXPECT_EQ(channelBit(0), 0x8000);
    EXPECT_EQ(channelBit(15), 0x0001);
    EXPECT_EQ(firstClearChannel(0x0000), 0);
    EXPECT_EQ(firstClearChannel(0xC000), 2);
    EXPECT_EQ(firstClearChannel(0xFFFF), 1); // none free
    EXPECT_EQ(firstSetChannel(0x0040), 9);
    EXPECT_EQ(firstSetChannel(0x0000), 1); // none set
}

TEST(SongNames, NoteNames)
{
    EXPECT_EQ(noteName(0, QStringLiteral("en")), QStringLiteral("C-1"));
    EXPECT_EQ(noteName(127, QStringLiteral("en")), QStringLiteral("G9"));
    EXPECT_EQ(noteName(61, QStringLiteral("en")), QStringLiteral("C#4"));
    EXPECT_EQ(noteName(64, QStringLiteral("fr")), QString::fromUtf8("Mi4"));
    EXPECT_EQ(noteName(62, QStringLiteral("de")), QString::fromUtf8("Ré4"));
}
