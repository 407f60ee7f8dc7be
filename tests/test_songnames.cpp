#include "song/songnames.h"

#include <gtest/gtest.h>

TEST(SongNames, KeysEventKindsChannelsAndNotes)
{
    const std::vector<std::pair<QString, const char*>> rows = {
        {keySignatureName(0, 0), "C major"},
        {keySignatureName(-6, 1), "E flat minor"},
        {keySignatureName(5, 1), "G sharp minor"},
        {keySignatureName(-7, 0), "Unknown major"},
        {keySignatureName(0, 2), "Unknown mode"},
        {eventKindName(6, 2), "Note on events"},
        {eventKindName(20, 1), "SND_SEQ_EVENT_SONGPOS"},
        {eventKindName(99, 5), "events"},
        {noteName(61, QStringLiteral("en")), "C#4"},
        {noteName(62, QStringLiteral("de")), "Ré4"},
    };
    for (const auto& [name, expected] : rows) EXPECT_EQ(name, QString::fromUtf8(expected));
    // Channel 1 is the highest bit; with none free or set, channel 1.
    EXPECT_EQ(firstClearChannel(0xC000), 2);
    EXPECT_EQ(firstClearChannel(0xFFFF), 1);
    EXPECT_EQ(firstSetChannel(0x0040), 9);
    EXPECT_EQ(firstSetChannel(0x0000), 1);
}
