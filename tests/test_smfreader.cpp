#include "smfbuilder.h"
#include "song/smfreader.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Runs the reader over bytes and records each callback as a line of text.
struct Recorder {
    SmfReader reader;
    std::vector<std::string> calls;
    std::vector<std::string> errors;
    QByteArray bytes;

    explicit Recorder(const QByteArray& data) : bytes(data)
    {
        auto& cb = reader.cb;
        cb.error = [this](const char* t) { errors.emplace_back(t); };
        auto at = [this](const std::string& s) {
            calls.push_back(std::to_string(reader.currentTrack()) + "@" +
                            std::to_string(reader.currentTime()) + " " + s);
        };
        cb.noteOn = [at](int c, int n, int v) {
            at("on " + std::to_string(c) + " " + std::to_string(n) + " " + std::to_string(v));
        };
        cb.noteOff = [at](int c, int n, int v) {
            at("off " + std::to_string(c) + " " + std::to_string(n) + " " + std::to_string(v));
        };
        cb.program = [at](int c, int p) { at("pc " + std::to_string(c) + " " + std::to_string(p)); };
        cb.pitchBend = [at](int c, int l, int m) {
            at("pb " + std::to_string(c) + " " + std::to_string(l) + " " + std::to_string(m));
        };
        cb.tempo = [at](uint32_t t) { at("tempo " + std::to_string(t)); };
        cb.sysex = [at](size_t len, const unsigned char* m) {
            at("sysex " + std::to_string(len) + " " + std::to_string(m[0]));
        };
        cb.text = [at](int type, size_t len, const unsigned char* t) {
            at("text " + std::to_string(type) + " " +
               std::string(reinterpret_cast<const char*>(t), len));
        };
        cb.timeSignature = [at](int a, int b, int c, int d) {
            at("timesig " + std::to_string(a) + " " + std::to_string(b) + " " +
               std::to_string(c) + " " + std::to_string(d));
        };
        cb.smpteOffset = [at](int, int, int, int, int) { at("smpte"); };
        cb.keySignature = [at](int sf, int mi) {
            at("keysig " + std::to_string(sf) + " " + std::to_string(mi));
        };
    }
    int read()
    {
        reader.setSource(reinterpret_cast<const unsigned char*>(bytes.constData()),
                         size_t(bytes.size()));
        return reader.mfread();
    }
};

TEST(SmfReader, RunningStatusNoteOnsAtTickZero)
{
    TrackBuilder t;
    t.raw({0x00, 0x90, 0x3C, 0x40, 0x00, 0x3E, 0x40});
    Recorder r(smfFile(0, 96, {t}));
    ASSERT_EQ(r.read(), 0);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"0@0 on 0 60 64", "0@0 on 0 62 64"}));
}

TEST(SmfReader, RunningStatusSurvivesMetaButNotSysex)
{
    TrackBuilder t;
    t.raw({0x00, 0x91, 0x3C, 0x40});
    t.text(5, 1, "hi");                 // a meta event in between
    t.raw({0x05, 0x3C, 0x00});          // data bytes continue Note On ch 1
    t.sysex(0, QByteArray("\x7E\xF7", 2));
    t.raw({0x00, 0x40});                // a data byte now: F0 is the running status
    t.raw({0x00, 0xC2, 0x05});          // reading goes on afterwards
    Recorder r(smfFile(0, 96, {t}));
    ASSERT_EQ(r.read(), 0);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"0@0 on 1 60 64", "0@5 text 1 hi",
                                                 "0@10 on 1 60 0", "0@10 sysex 3 240",
                                                 "0@10 pc 2 5"}));
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0], "unexpected byte: 0x40");
}

TEST(SmfReader, DataByteBeforeAnyStatusFails)
{
    TrackBuilder t;
    t.raw({0x00, 0x3C, 0x40});
    Recorder r(smfFile(0, 96, {t}));
    EXPECT_EQ(r.read(), 1);
    ASSERT_FALSE(r.errors.empty());
    EXPECT_EQ(r.errors[0], "unexpected running status");
}

TEST(SmfReader, BadDataBytes)
{
    TrackBuilder t;
    t.raw({0x00, 0x90, 0x80, 0x40});    // first data byte > 127: dropped
    t.raw({0x00, 0x90, 0x3C, 0xC0});    // second > 127: clamped
    t.raw({0x00, 0xE0, 0x00, 0x40});    // pitch bend centre: lsb 0, msb 64
    Recorder r(smfFile(0, 96, {t}));
    ASSERT_EQ(r.read(), 0);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"0@0 on 0 60 127", "0@0 pb 0 0 64"}));
}

TEST(SmfReader, FillerAfterLastChunkAndMissingChunks)
{
    TrackBuilder t;
    t.on(0, 0, 60, 100).end();
    for (char filler : {char(0x1A), char(0x00)}) {
        Recorder r(smfFile(0, 96, {t}) + QByteArray(5, filler));
        EXPECT_EQ(r.read(), 0) << int(filler);
        EXPECT_TRUE(r.errors.empty());
    }
    // Other garbage where a chunk should start is an error.
    Recorder garbage(smfFile(1, 96, {t}) + QByteArray("MTxx"));
    QByteArray twoTracks = smfHeader(1, 2, 96) + t.chunk() + QByteArray("MTxx");
    garbage.bytes = twoTracks;
    EXPECT_EQ(garbage.read(), 1);
    EXPECT_EQ(garbage.errors.back(), "expecting MTrk");
    // A header that announces tracks but has none.
    Recorder none(smfHeader(1, 2, 96));
    EXPECT_EQ(none.read(), 1);
    // Fewer chunks than announced is still a song.
    Recorder fewer(smfHeader(1, 3, 96) + t.chunk());
    EXPECT_EQ(fewer.read(), 0);
}

TEST(SmfReader, PrematureEndOfFileFailsTheRead)
{
    TrackBuilder t;
    t.on(0, 0, 60, 100).on(10, 0, 62, 100).end();
    QByteArray file = smfFile(0, 96, {t});
    for (int cut = 22; cut < file.size(); ++cut) {
        Recorder r(file.left(cut));
        EXPECT_EQ(r.read(), 1) << "cut at " << cut;
        ASSERT_FALSE(r.errors.empty()) << cut;
        EXPECT_EQ(r.errors.back(), "premature EOF") << cut;
    }
}

TEST(SmfReader, ExtraChunksBeyondTheHeaderAreIgnored)
{
    TrackBuilder a, b;
    a.on(0, 0, 60, 100).end();
    b.on(0, 1, 61, 100).end();
    Recorder r(smfHeader(1, 1, 96) + a.chunk() + b.chunk() + b.chunk());
    ASSERT_EQ(r.read(), 0);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"0@0 on 0 60 100"}));
}

TEST(SmfReader, HugeMessageLengthIsAnErrorNotAnAllocation)
{
    TrackBuilder t;
    t.raw({0x00, 0xFF, 0x01}).raw(varLen(0x0FFFFFFF)).raw({'a', 'b'});
    Recorder r(smfFile(0, 96, {t}));
    EXPECT_EQ(r.read(), 1);
    ASSERT_FALSE(r.errors.empty());
    EXPECT_NE(r.errors[0].find("exceeds"), std::string::npos);

    TrackBuilder s;
    s.raw({0x00, 0xF0}).raw(varLen(1u << 27)).raw({0x01, 0xF7});
    Recorder sx(smfFile(0, 96, {s}));
    EXPECT_EQ(sx.read(), 1);
}

TEST(SmfReader, TempoMapStampsLaterTracks)
{
    TrackBuilder conductor, notes;
    conductor.tempo(0, 400000).tempo(100, 600000).tempo(100, 300000).end();
    notes.on(50, 0, 60, 1).on(50, 0, 61, 1).on(1, 0, 62, 1).on(149, 0, 63, 1).end();
    Recorder r(smfFile(1, 96, {conductor, notes}));
    std::vector<uint32_t> tempos;
    r.reader.cb.noteOn = [&](int, int, int) { tempos.push_back(r.reader.currentTempo()); };
    ASSERT_EQ(r.read(), 0);
    EXPECT_EQ(tempos, (std::vector<uint32_t>{400000, 600000, 600000, 300000}));
    const auto& map = r.reader.tempoMap();
    ASSERT_EQ(map.size(), 4u); // (0, 500000) then the three changes
    EXPECT_EQ(map[1].tick, 0u);
    EXPECT_EQ(map[3].tick, 200u);
}

TEST(SmfReader, LateTrackTempoBeforeTheMapsEndStaysLocal)
{
    TrackBuilder conductor, other, third;
    conductor.tempo(0, 400000).tempo(200, 600000).end();
    // A tempo at tick 100 in track 1 is earlier than the map's last entry.
    other.tempo(100, 250000).on(0, 0, 60, 1).on(150, 0, 61, 1).end();
    third.on(100, 0, 62, 1).end();
    Recorder r(smfFile(1, 96, {conductor, other, third}));
    std::vector<uint32_t> tempos;
    r.reader.cb.noteOn = [&](int, int, int) { tempos.push_back(r.reader.currentTempo()); };
    ASSERT_EQ(r.read(), 0);
    EXPECT_EQ(r.reader.tempoMap().size(), 3u);
    // Track 1 plays at its own tempo until the map's change at 200; track 2 never sees it.
    EXPECT_EQ(tempos, (std::vector<uint32_t>{250000, 600000, 400000}));
}

TEST(SmfReader, SmpteOffsetIsNotATimeSignature)
{
    TrackBuilder t;
    t.meta(0, 0x54, QByteArray("\x01\x02\x03\x04\x05", 5));
    t.timeSig(0, 3, 2).keySig(0, -3, 1).end();
    Recorder r(smfFile(0, 96, {t}));
    ASSERT_EQ(r.read(), 0);
    EXPECT_EQ(r.calls,
              (std::vector<std::string>{"0@0 smpte", "0@0 timesig 3 2 24 8", "0@0 keysig -3 1"}));
}

TEST(SmfReader, ShortMetaEventsReadAsZeros)
{
    TrackBuilder t;
    t.meta(0, 0x58, QByteArray("\x06", 1)).meta(0, 0x51, QByteArray()).end();
    Recorder r(smfFile(0, 96, {t}));
    ASSERT_EQ(r.read(), 0);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"0@0 timesig 6 0 0 0", "0@0 tempo 0"}));
}

TEST(SmfReader, HeaderRefusalAndMissingByteSource)
{
    TrackBuilder t;
    t.on(0, 0, 60, 100).end();
    Recorder r(smfFile(2, 96, {t}));
    r.reader.cb.header = [](int format, int, int) { return format > 1 ? 1 : 0; };
    EXPECT_EQ(r.read(), 1);
    EXPECT_TRUE(r.calls.empty());

    SmfReader bare;
    std::string error;
    bare.cb.error = [&error](const char* text) { error = text; };
    EXPECT_EQ(bare.mfread(), 1);
    EXPECT_EQ(error, "mfread() was called without setting Mf_getc");
}

TEST(SmfReader, ByteCallbackSourceAndLongerHeader)
{
    TrackBuilder t;
    t.on(7, 3, 60, 100).end();
    QByteArray header = smfHeader(0, 1, 96);
    header[7] = 8; // header length 8: two extra bytes to skip
    QByteArray file = header + QByteArray(2, 'x') + t.chunk();
    SmfReader reader;
    int pos = 0;
    reader.cb.getByte = [&]() { return pos < file.size() ? (unsigned char)file[pos++] : -1; };
    int seen = 0;
    reader.cb.noteOn = [&](int c, int n, int) {
        EXPECT_EQ(c, 3);
        EXPECT_EQ(n, 60);
        EXPECT_EQ(reader.currentTime(), 7u);
        ++seen;
    };
    EXPECT_EQ(reader.mfread(), 0);
    EXPECT_EQ(seen, 1);
}

} // namespace
