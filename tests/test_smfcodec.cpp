#include "smfbuilder.h"
#include "song/smfreader.h"
#include "song/smfwriter.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

// Runs the reader over bytes and records each callback, and each error, as
// "track@tick what numbers" in one line.
struct Recorder {
    SmfReader reader;
    std::string calls, errors;
    QByteArray bytes;

    explicit Recorder(const QByteArray& data) : bytes(data)
    {
        auto& cb = reader.cb;
        cb.error = [this](const char* t) { errors += std::string(errors.empty() ? "" : ", ") + t; };
        auto at = [this](const std::string& s, std::initializer_list<long> v) {
            calls += (calls.empty() ? "" : ", ") + std::to_string(reader.currentTrack()) + "@" +
                     std::to_string(reader.currentTime()) + " " + s;
            for (long x : v) calls += " " + std::to_string(x);
        };
        cb.noteOn = [at](int c, int n, int v) { at("on", {c, n, v}); };
        cb.noteOff = [at](int c, int n, int v) { at("off", {c, n, v}); };
        cb.program = [at](int c, int p) { at("pc", {c, p}); };
        cb.pitchBend = [at](int c, int l, int m) { at("pb", {c, l, m}); };
        cb.tempo = [at](uint32_t t) { at("tempo", {long(t)}); };
        cb.sysex = [at](size_t len, const unsigned char* m) { at("sysex", {long(len), m[0]}); };
        cb.text = [at](int type, size_t len, const unsigned char* t) {
            at("text " + std::string(reinterpret_cast<const char*>(t), len), {type});
        };
        cb.timeSignature = [at](int a, int b, int c, int d) { at("timesig", {a, b, c, d}); };
        cb.smpteOffset = [at](int, int, int, int, int) { at("smpte", {}); };
        cb.keySignature = [at](int sf, int mi) { at("keysig", {sf, mi}); };
    }
    int read()
    {
        reader.setSource(reinterpret_cast<const unsigned char*>(bytes.constData()),
                         size_t(bytes.size()));
        return reader.mfread();
    }
};

// A format 0 file whose track holds these bytes (hex, spaces allowed).
QByteArray track(const char* hex)
{
    return smfFile(0, 96, {TrackBuilder().raw(QByteArray::fromHex(hex))});
}

TEST(SmfCodec, FilesReadAsTheseCallbacksAndErrors)
{
    const QByteArray note = TrackBuilder().on(0, 0, 60, 100).end().chunk();
    QByteArray longHeader = smfHeader(0, 1, 96);
    longHeader[7] = 8;
    struct Row {
        const char* what;
        QByteArray file;
        int result;
        std::string calls, errors;
    };
    const std::vector<Row> rows = {
        {"running status", track("00 90 3C 40 00 3E 40"), 0, "0@0 on 0 60 64, 0@0 on 0 62 64", ""},
        {"running status survives a meta event but not a sysex (F0 is the status then)",
         track("00 91 3C 40  05 FF 01 02 6869  05 3C 00  00 F0 02 7E F7  00 40  00 C2 05"), 0,
         "0@0 on 1 60 64, 0@5 text hi 1, 0@10 on 1 60 0, 0@10 sysex 3 240, 0@10 pc 2 5",
         "unexpected byte: 0x40"},
        {"data bytes over 127: the first dropped, the second clamped; bends lsb first",
         track("00 90 80 40  00 90 3C C0  00 E0 00 40"), 0, "0@0 on 0 60 127, 0@0 pb 0 0 64", ""},
        {"long deltas", track("8100 90 01 01  FF7F 02 01  FFFFFF7F 03 01"), 0,
         "0@128 on 0 1 1, 0@16511 on 0 2 1, 0@268451966 on 0 3 1", ""},
        {"SMPTE offset, time and key signatures; short metas read as zeros",
         track("00 FF 54 05 0102030405  00 FF 58 04 03021808  00 FF 59 02 FD01  00 FF 58 01 06 "
               "00 FF 51 00"),
         0, "0@0 smpte, 0@0 timesig 3 2 24 8, 0@0 keysig -3 1, 0@0 timesig 6 0 0 0, 0@0 tempo 0",
         ""},
        {"filler after the last chunk", smfHeader(0, 1, 96) + note + QByteArray(5, 0x1A), 0,
         "0@0 on 0 60 100", ""},
        {"a header of 8 bytes", longHeader + "xx" + note, 0, "0@0 on 0 60 100", ""},
        {"chunks beyond the header's count", smfHeader(1, 1, 96) + note + note, 0,
         "0@0 on 0 60 100", ""},
        {"fewer chunks than announced", smfHeader(1, 3, 96) + note, 0, "0@0 on 0 60 100", ""},
        {"garbage where a chunk belongs", smfHeader(1, 2, 96) + note + "MTxx", 1, "0@0 on 0 60 100",
         "expecting MTrk"},
        {"no track at all", smfHeader(1, 2, 96), 1, "", "no track chunk"},
        {"no MIDI file", QByteArray("RIFF\0\0\0\0", 8), 1, "", "expecting MThd"},
        {"an empty file", QByteArray(), 1, "", "expecting MThd"},
        {"a data byte before any status", track("00 3C 40"), 1, "", "unexpected running status"},
        {"a huge meta length", track("00 FF 01 FFFFFF7F 61"), 1, "",
         "message length 268435455 exceeds its track chunk"},
        {"a huge sysex length", track("00 F0 C0808000 01 F7"), 1, "",
         "message length 134217728 exceeds its track chunk"},
    };
    for (const Row& row : rows) {
        Recorder r(row.file);
        EXPECT_EQ(r.read(), row.result) << row.what;
        EXPECT_EQ(r.calls, row.calls) << row.what;
        EXPECT_EQ(r.errors, row.errors) << row.what;
    }
}

TEST(SmfCodec, EveryCutFileEndsPrematurely)
{
    const QByteArray file =
        smfFile(0, 96, {TrackBuilder().on(0, 0, 60, 100).on(10, 0, 62, 100).end()});
    for (int cut = 22; cut < file.size(); ++cut) {
        Recorder r(file.left(cut));
        EXPECT_EQ(r.read(), 1) << "cut at " << cut;
        EXPECT_EQ(r.errors, "premature EOF") << cut;
    }
}

TEST(SmfCodec, TheFirstTracksTempoMapStampsLaterTracks)
{
    TrackBuilder conductor, notes, late, third;
    conductor.tempo(0, 400000).tempo(100, 600000).tempo(100, 300000).end();
    notes.on(50, 0, 60, 1).on(50, 0, 61, 1).on(1, 0, 62, 1).on(149, 0, 63, 1).end();
    // A tempo in a later track before the map's end plays there only.
    late.tempo(100, 250000).on(0, 0, 60, 1).on(150, 0, 61, 1).end();
    third.on(100, 0, 62, 1).end();
    Recorder r(smfFile(1, 96, {conductor, notes, late, third}));
    std::vector<uint32_t> tempos;
    r.reader.cb.noteOn = [&](int, int, int) { tempos.push_back(r.reader.currentTempo()); };
    ASSERT_EQ(r.read(), 0);
    EXPECT_EQ(tempos,
              (std::vector<uint32_t>{400000, 600000, 600000, 300000, 250000, 300000, 600000}));
}

// The writer's bytes, in hex.
struct Capture {
    SmfWriter w;
    QByteArray bytes;
    Capture()
    {
        w.cb.putByte = [this](int c) {
            bytes += char(c);
            return c;
        };
    }
    std::string hex() const { return bytes.toHex(' ').toStdString(); }
};

TEST(SmfCodec, RunningStatusBetweenChannelMessagesOnlyAndTempo)
{
    Capture c;
    const unsigned char note[] = {60, 100}, sysex[] = {0x7E, 0xF7};
    c.w.writeMidiEvent(0, 0x90, 0, note, 2);
    c.w.writeMidiEvent(0, 0x90, 0, note, 2); // same status: omitted
    c.w.writeMidiEvent(0, 0x90, 1, note, 2); // other channel: repeated
    c.w.writeMetaEvent(0, 0x01, note, 1);
    c.w.writeMidiEvent(0, 0x90, 1, note, 2); // after a meta: repeated
    c.w.writeMidiEvent(0, 0xF0, 0, sysex, 2);
    c.w.writeMidiEvent(0, 0x90, 1, note, 2); // after a sysex: repeated
    c.w.writeTempo(0x80, 0x07A120);
    EXPECT_EQ(c.hex(), "00 90 3c 64 00 3c 64 00 91 3c 64 00 ff 01 01 3c 00 91 3c 64 "
                       "00 f0 02 7e f7 00 91 3c 64 81 00 ff 51 03 07 a1 20");
}

} // namespace
