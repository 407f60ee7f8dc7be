// Writes the fuzzer's seed files: random valid songs plus hand-made files for
// the corners of the format that random songs rarely reach. Every seed must
// load, or the fuzzer would start from the error paths only.

#include "../smfbuilder.h"
#include "core/messages.h"
#include "song/songloader.h"

#include <QDir>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2 || !QDir().mkpath(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER (which can be created)\n", argv[0]);
        return 2;
    }
    std::vector<std::pair<std::string, QByteArray>> seeds;
    for (uint32_t seed = 1; seed <= 16; ++seed)
        seeds.emplace_back("random-" + std::to_string(seed),
                           randomSmf(seed, seed % 2, seed % 2 ? 1 + int(seed % 4) : 1, 40));
    seeds.emplace_back("many-tracks", randomSmf(99, 1, 17, 6));
    // Track bodies in hex: running status across a meta event, sysex continued
    // by an F7 packet, lyrics with slashes, other metas, huge deltas, no end.
    const char* bodies[] = {
        "00 91 3C 5A 00 FF 01 01 78 10 3E 5A 14 81 3C 40 00 FF 2F 00",
        "00 F0 02 43 10 00 F7 02 4C F7 0A 90 3C 64 0A 80 3C 40 00 FF 2F 00",
        "00 FF 05 06 48656C2F6C6F 00 FF 01 03 615C62 00 90 3C 64 30 80 3C 40 00 FF 2F 00",
        ("00 FF 00 02 0007 00 FF 54 05 6000030000 00 FF 7F 03 000041 00 FF 21 01 00 00 93 32 64 "
         "00 83 32 40 00 FF 2F 00"),
        "FFFFFF7F 90 3C 64 FFFFFF7F 80 3C 40 00 FF 2F 00",
        "00 90 3C 64 0A 80 3C 40",
    };
    for (const char* hex : bodies) {
        const TrackBuilder t = TrackBuilder().raw(QByteArray::fromHex(hex));
        seeds.emplace_back("track-" + std::to_string(seeds.size()), smfFile(1, 96, {t}));
    }
    // Filler after the last chunk, an SMPTE division, a longer header, more
    // and fewer chunks than announced.
    const TrackBuilder note = TrackBuilder().on(0, 0, 60, 100).off(96, 0, 60).end();
    QByteArray longHeader = smfHeader(1, 1, 96);
    longHeader[7] = 8;
    seeds.emplace_back("filler", smfFile(0, 96, {note}) + QByteArray(61, char(0x1A)));
    seeds.emplace_back("smpte-division", smfFile(1, 0xE728, {note}));
    seeds.emplace_back("long-header", longHeader + QByteArray(2, 0) + note.chunk());
    seeds.emplace_back("extra-chunk", smfFile(1, 96, {note}) + note.chunk());
    seeds.emplace_back("missing-chunks", smfHeader(1, 3, 96) + note.chunk());

    ScriptedMessageSink quiet;
    ScopedMessageSink installed(&quiet);
    int failures = 0;
    for (const auto& [name, data] : seeds) {
        Song song;
        QFile file(QDir(QString::fromLocal8Bit(argv[1])).filePath(QString::fromStdString(name)));
        if (!loadSongFromBytes(data, QString::fromStdString(name), LoadOptions(), song) ||
            !file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
            std::fprintf(stderr, "seed %s does not load or cannot be written\n", name.c_str());
            ++failures;
        }
    }
    std::printf("%zu seed files in %s\n", seeds.size() - size_t(failures), argv[1]);
    return failures ? 1 : 0;
}
