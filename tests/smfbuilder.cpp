#include "smfbuilder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <random>
#include <stdexcept>

QByteArray varLen(uint64_t value)
{
    QByteArray out;
    out.prepend(char(value & 0x7F));
    while (value >>= 7) out.prepend(char(0x80 | (value & 0x7F)));
    return out;
}

TrackBuilder& TrackBuilder::channel(uint32_t delta, int status, std::initializer_list<int> data)
{
    body_ += varLen(delta);
    if (!running_ || status != status_) body_ += char(status);
    status_ = status;
    for (int d : data) body_ += char(d);
    return *this;
}

TrackBuilder& TrackBuilder::meta(uint32_t delta, int type, const QByteArray& data)
{
    body_ += varLen(delta);
    body_ += char(0xFF);
    body_ += char(type);
    body_ += varLen(uint64_t(data.size()));
    body_ += data;
    return *this;
}

TrackBuilder& TrackBuilder::sysex(uint32_t delta, const QByteArray& afterF0)
{
    body_ += varLen(delta);
    body_ += char(0xF0);
    body_ += varLen(uint64_t(afterF0.size()));
    body_ += afterF0;
    status_ = 0xF0;
    return *this;
}

static QByteArray be(uint32_t v, int bytes)
{
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i) out += char((v >> (8 * i)) & 0xFF);
    return out;
}

QByteArray TrackBuilder::chunk() const
{
    return QByteArray("MTrk") + be(uint32_t(body_.size()), 4) + body_;
}

QByteArray smfHeader(int format, int ntracks, int division)
{
    return QByteArray("MThd") + be(6, 4) + be(uint32_t(format), 2) + be(uint32_t(ntracks), 2) +
           be(uint32_t(division), 2);
}

QByteArray smfFile(int format, int division, const std::vector<TrackBuilder>& tracks)
{
    QByteArray out = smfHeader(format, int(tracks.size()), division);
    for (const TrackBuilder& t : tracks) out += t.chunk();
    return out;
}

QByteArray randomSmf(uint32_t seed, int format, int tracks, int eventsPerTrack)
{
    std::mt19937 rng(seed);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<TrackBuilder> built;
    for (int t = 0; t < tracks; ++t) {
        TrackBuilder tb(pick(0, 1) == 1);
        if (t == 0) {
            tb.text(0, 3, "Song " + std::to_string(seed));
            tb.timeSig(0, pick(2, 7), pick(1, 3));
            tb.keySig(0, pick(-7, 7), pick(0, 1));
            tb.tempo(0, uint32_t(pick(300000, 900000)));
        }
        const int ch = format == 0 ? -1 : pick(0, 15);
        for (int i = 0; i < eventsPerTrack; ++i) {
            const uint32_t delta =
                uint32_t(pick(0, 3) == 0 ? 0 : pick(1, pick(0, 9) ? 240 : 100000));
            const int c = ch >= 0 ? ch : pick(0, 15);
            const int kind = pick(0, 19); // mostly notes
            if (kind < 5) {
                // Controller, program, channel pressure, pitch bend, key pressure.
                const int status = (0xA0 + 0x10 * ((kind + 1) % 5)) | c;
                const int a = pick(0, 127), b = pick(0, 127);
                tb.channel(delta, status,
                           kind == 1 || kind == 2 ? std::initializer_list<int>{a}
                                                  : std::initializer_list<int>{a, b});
            } else if (kind == 5) {
                tb.tempo(delta, uint32_t(pick(1, 0xFFFFFF)));
            } else if (kind == 6) {
                tb.text(delta, pick(1, 15), pick(0, 1) ? "la/la\\" : "x");
            } else if (kind == 7) {
                QByteArray d; // sometimes empty, without even the closing F7
                for (int k = pick(0, 20); k > 0; --k) d += char(pick(0, 127));
                tb.sysex(delta, d.isEmpty() ? d : d + char(0xF7));
            } else {
                tb.channel(delta, (kind == 8 ? 0x80 : 0x90) | c,
                           {pick(0, 127), kind == 9 ? 0 : pick(1, 127)});
            }
        }
        tb.end();
        built.push_back(tb);
    }
    return smfFile(format, format == 0 ? pick(24, 960) : pick(1, 0x7FFF), built);
}

std::string writeTempFile(const QByteArray& bytes, const std::string& suffix)
{
    // One folder for the whole test program, removed as it exits.
    static const QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/clavion-test-XXXXXX"));
    QTemporaryFile file(folder.path() + QStringLiteral("/XXXXXX") + QString::fromStdString(suffix));
    file.setAutoRemove(false);
    if (!file.open() || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write a temporary file");
    file.close();
    return file.fileName().toStdString();
}
