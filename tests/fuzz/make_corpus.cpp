// Writes the fuzzer's seed files: random valid songs plus hand-made files for
// the corners of the format that random songs rarely reach. Every seed must
// load, or the fuzzer would start from the error paths only.

#include "core/messages.h"
#include "smfbuilder.h"
#include "song/songloader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace
{

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list) out += char(b);
    return out;
}

std::vector<std::pair<std::string, QByteArray>> seeds()
{
    std::vector<std::pair<std::string, QByteArray>> out;
    for (uint32_t seed = 1; seed <= 8; ++seed)
        out.emplace_back("random-f1-" + std::to_string(seed),
                         randomSmf(seed, 1, 1 + int(seed % 4), 10 + int(seed) * 5));
    for (uint32_t seed = 11; seed <= 16; ++seed)
        out.emplace_back("random-f0-" + std::to_string(seed), randomSmf(seed, 0, 1, 40));
    out.emplace_back("random-f1-many-tracks", randomSmf(99, 1, 17, 6));

    {
        TrackBuilder t(true);
        t.on(0, 0, 60, 100).on(0, 0, 64, 100).on(96, 0, 60, 0).on(0, 0, 64, 0);
        t.channel(0, 0xB0, {7, 100}).channel(0, 0xB0, {10, 64}).channel(10, 0xE0, {0, 64});
        t.end();
        out.emplace_back("running-status", smfFile(0, 96, {t}));
    }
    {
        // Running status carried across a meta event, which some writers rely on.
        TrackBuilder t;
        t.on(0, 1, 60, 90).raw({0x00, 0xFF, 0x01, 0x01, 'x', 0x10, 62, 90});
        t.off(20, 1, 60).end();
        out.emplace_back("running-status-across-meta", smfFile(0, 96, {t}));
    }
    {
        TrackBuilder t;
        t.sysex(0, bytes({0x7E, 0x7F, 0x09, 0x01, 0xF7}));
        t.sysex(0, bytes({0x43, 0x10})); // continued by an F7 packet
        t.raw({0x00, 0xF7, 0x02, 0x4C, 0xF7});
        t.on(10, 0, 60, 100).off(10, 0, 60).end();
        out.emplace_back("sysex-and-continuation", smfFile(0, 96, {t}));
    }
    {
        TrackBuilder conductor, voice;
        conductor.text(0, 3, "Song").tempo(0, 500000).end();
        voice.text(0, 3, "Voice").text(0, 4, "Piano");
        voice.text(0, 5, "Hel/lo").on(0, 0, 60, 100).off(48, 0, 60);
        voice.text(0, 5, "world\\").on(0, 0, 62, 100).off(48, 0, 62);
        voice.text(0, 1, "text/as\\lyric").on(0, 0, 64, 100).off(48, 0, 64).end();
        out.emplace_back("lyrics-with-slashes", smfFile(1, 96, {conductor, voice}));
    }
    {
        TrackBuilder t;
        t.on(0, 0, 60, 100).off(96, 0, 60).end();
        out.emplace_back("ctrl-z-filler", smfFile(0, 96, {t}) + QByteArray(61, char(0x1A)));
        out.emplace_back("zero-filler", smfFile(0, 96, {t}) + QByteArray(40, char(0)));
    }
    {
        TrackBuilder t;
        t.tempo(0, 500000).on(0, 0, 60, 100).off(40, 0, 60).end();
        out.emplace_back("smpte-division", smfFile(1, 0xE728, {t}));
    }
    {
        TrackBuilder t;
        t.text(0, 3, "All channels").tempo(0, 400000).timeSig(0, 3, 2).keySig(0, -3, 1);
        for (int ch : {0, 9, 3, 15, 0, 3})
            t.channel(0, 0xC0 | ch, {ch}).on(10, ch, 40 + ch, 100).off(10, ch, 40 + ch);
        t.end();
        out.emplace_back("format0-several-channels", smfFile(0, 192, {t}));
    }
    {
        TrackBuilder conductor, a, b;
        conductor.tempo(0, 500000).tempo(100, 250000).tempo(100, 1000000).timeSig(0, 6, 3).end();
        a.on(50, 2, 60, 100).off(100, 2, 60).on(0, 2, 61, 100).off(100, 2, 61).end();
        b.tempo(150, 300000).channel(0, 0xA0 | 5, {60, 30}).on(1, 5, 70, 1).off(1, 5, 70).end();
        out.emplace_back("tempo-map-across-tracks", smfFile(1, 480, {conductor, a, b}));
    }
    {
        TrackBuilder t;
        t.meta(0, 0x00, bytes({0, 7})).meta(0, 0x54, bytes({96, 0, 3, 0, 0}));
        t.meta(0, 0x7F, bytes({0x00, 0x00, 0x41})).meta(0, 0x21, bytes({0}));
        t.meta(0, 0x20, bytes({3})).on(0, 3, 50, 100).off(0, 3, 50).end();
        out.emplace_back("other-meta-events", smfFile(1, 96, {t}));
    }
    {
        TrackBuilder t;
        t.on(0x0FFFFFFF, 0, 60, 100).off(0x0FFFFFFF, 0, 60).end();
        out.emplace_back("huge-deltas", smfFile(1, 1, {t}));
    }
    {
        // A header longer than six bytes, more chunks than announced, and a
        // track list shorter than announced.
        TrackBuilder t;
        t.on(0, 0, 60, 100).off(1, 0, 60).end();
        QByteArray longHeader = smfHeader(1, 1, 96);
        longHeader[7] = 8;
        out.emplace_back("long-header", longHeader + bytes({0, 0}) + t.chunk());
        out.emplace_back("extra-chunk", smfFile(1, 96, {t}) + t.chunk());
        out.emplace_back("missing-chunks", smfHeader(1, 3, 96) + t.chunk());
    }
    {
        TrackBuilder empty, t;
        empty.end();
        t.on(0, 0, 60, 100).on(0, 0, 60, 100).off(0, 0, 60).off(0, 0, 60).end();
        out.emplace_back("empty-track-and-zero-length-notes", smfFile(1, 96, {empty, t}));
    }
    {
        TrackBuilder t;
        t.on(0, 0, 60, 100).off(10, 0, 60); // no end-of-track event
        out.emplace_back("no-end-of-track", smfFile(1, 96, {t}));
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    ScriptedMessageSink quiet;
    ScopedMessageSink installed(&quiet);
    int failures = 0;
    int written = 0;
    for (const auto& [name, data] : seeds()) {
        Song song;
        if (!loadSongFromBytes(data, QString::fromStdString(name), LoadOptions(), song)) {
            std::fprintf(stderr, "seed %s does not load\n", name.c_str());
            ++failures;
            continue;
        }
        QFile file(QDir(folder).filePath(QString::fromStdString(name) + QStringLiteral(".mid")));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            ++failures;
            continue;
        }
        ++written;
    }
    std::printf("%d seed files in %s\n", written, argv[1]);
    return failures ? 1 : 0;
}
