#include "song/smfwriter.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Capture {
    SmfWriter w;
    std::vector<int> bytes;
    Capture()
    {
        w.cb.putByte = [this](int c) {
            bytes.push_back(c);
            return c;
        };
    }
};

TEST(SmfWriter, VariableLengthQuantities)
{
    const std::vector<std::pair<uint64_t, std::vector<int>>> cases = {
        {0, {0x00}},
        {0x7F, {0x7F}},
        {0x80, {0x81, 0x00}},
        {0x2000, {0xC0, 0x00}},
        {0x3FFF, {0xFF, 0x7F}},
        {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const auto& [value, expected] : cases) {
        Capture c;
        c.w.writeVarLen(value);
        EXPECT_EQ(c.bytes, expected) << value;
    }
}

TEST(SmfWriter, RunningStatusBetweenChannelMessagesOnly)
{
    Capture c;
    const unsigned char note[] = {60, 100};
    c.w.writeMidiEvent(0, 0x90, 0, note, 2);
    c.w.writeMidiEvent(0, 0x90, 0, note, 2); // same status: omitted
    c.w.writeMidiEvent(0, 0x90, 1, note, 2); // other channel: repeated
    c.w.writeMetaEvent(0, 0x01, note, 1);
    c.w.writeMidiEvent(0, 0x90, 1, note, 2); // after a meta: repeated
    const unsigned char sysex[] = {0x7E, 0xF7};
    c.w.writeMidiEvent(0, 0xF0, 0, sysex, 2);
    c.w.writeMidiEvent(0, 0x90, 1, note, 2); // after a sysex: repeated
    EXPECT_EQ(c.bytes, (std::vector<int>{0, 0x90, 60, 100, 0, 60, 100, 0, 0x91, 60, 100,
                                         0, 0xFF, 0x01, 1, 60,        0, 0x91, 60, 100,
                                         0, 0xF0, 2, 0x7E, 0xF7,      0, 0x91, 60, 100}));
}

TEST(SmfWriter, TempoMeta)
{
    Capture c;
    c.w.writeTempo(0x80, 0x07A120);
    EXPECT_EQ(c.bytes, (std::vector<int>{0x81, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}));
}

TEST(SmfWriter, ChunkLengthsArePatched)
{
    FILE* fp = std::tmpfile();
    ASSERT_NE(fp, nullptr);
    SmfWriter w;
    w.cb.putByte = [fp](int c) { return std::fputc(c, fp) == EOF ? -1 : c; };
    w.cb.writeTrack = [&w](int track) {
        const unsigned char note[] = {60, 100};
        for (int i = 0; i <= track; ++i) w.writeMidiEvent(10, 0x90, 0, note, 2);
        w.writeMetaEvent(0, 0x2F, nullptr, 0);
        return 0;
    };
    ASSERT_EQ(w.mfwrite(1, 2, 480, fp), 0);
    std::rewind(fp);
    std::vector<int> bytes;
    for (int c; (c = std::fgetc(fp)) != EOF;) bytes.push_back(c);
    std::fclose(fp);
    const std::vector<int> expected = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x01, 0xE0,
        'M', 'T', 'r', 'k', 0, 0, 0, 8, 10, 0x90, 60, 100, 0, 0xFF, 0x2F, 0,
        'M', 'T', 'r', 'k', 0, 0, 0, 11, 10, 0x90, 60, 100, 10, 60, 100, 0, 0xFF, 0x2F, 0};
    EXPECT_EQ(bytes, expected);
}

TEST(SmfWriter, MissingCallbacksAndFailingOutput)
{
    SmfWriter w;
    std::string error;
    w.cb.error = [&error](const char* t) { error = t; };
    EXPECT_EQ(w.mfwrite(0, 1, 96, nullptr), 1);
    EXPECT_EQ(error, "mfwrite() called without setting Mf_putc");
    w.cb.putByte = [](int) { return -1; };
    EXPECT_EQ(w.mfwrite(0, 1, 96, nullptr), 1);
    EXPECT_EQ(error, "mfwrite() called without setting Mf_writetrack");

    FILE* fp = std::tmpfile();
    ASSERT_NE(fp, nullptr);
    w.cb.writeTrack = [](int) { return 0; };
    EXPECT_EQ(w.mfwrite(0, 1, 96, fp), 1); // every byte failed
    EXPECT_EQ(error, "error writing");
    std::fclose(fp);
}

} // namespace
