#include "songplan.h"

#include "../smfbuilder.h"

#include <algorithm>
#include <tuple>

namespace
{

struct RawEvent {
    uint32_t tick;
    int rank; // ends before other messages before starts at one tick
    QByteArray bytes;
};

QByteArray message(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values) b += char(v);
    return b;
}

TrackBuilder build(std::vector<RawEvent> events)
{
    std::stable_sort(events.begin(), events.end(), [](const RawEvent& a, const RawEvent& b) {
        return std::tie(a.tick, a.rank) < std::tie(b.tick, b.rank);
    });
    TrackBuilder t;
    uint32_t at = 0;
    for (const RawEvent& e : events) {
        t.raw(varLen(e.tick - at) + e.bytes);
        at = e.tick;
    }
    t.end();
    return t;
}

} // namespace

QByteArray SongPlan::bytes() const
{
    std::vector<TrackBuilder> out;
    TrackBuilder conductor;
    conductor.timeSig(0, beatsPerMeasure, beatUnitPower);
    uint32_t at = 0;
    for (const auto& [tick, usec] : tempos) {
        conductor.tempo(tick - at, usec);
        at = tick;
    }
    conductor.end();
    out.push_back(conductor);
    for (const SongTrack& track : tracks) {
        std::vector<RawEvent> events;
        for (const SongNote& n : track.notes) {
            events.push_back({n.tick, 2, message({0x90 | n.channel, n.key, n.velocity})});
            events.push_back({n.tick + n.length, 0, message({0x80 | n.channel, n.key, 64})});
        }
        for (const SongMessage& m : track.messages) {
            QByteArray b;
            b += char(m.status);
            if (m.status == 0xF0) b += varLen(m.data.size());
            for (int d : m.data) b += char(d);
            events.push_back({m.tick, 1, b});
        }
        out.push_back(build(events));
    }
    return smfFile(1, ppq, out);
}

double SongPlan::msAt(uint64_t tick, int boost) const
{
    double us = 0;
    for (size_t i = 0; i < tempos.size(); ++i) {
        const uint64_t from = tempos[i].first;
        if (from >= tick) break;
        const uint64_t to =
            i + 1 < tempos.size() ? std::min<uint64_t>(tick, tempos[i + 1].first) : tick;
        us += double(to - from) * tempos[i].second / ppq;
    }
    return us / 1000.0 * 100.0 / boost;
}

std::vector<SongNote> noteRun(uint32_t first, uint32_t step, int count, int channel, int key,
                              uint32_t length)
{
    std::vector<SongNote> v;
    for (int i = 0; i < count; ++i) {
        SongNote n;
        n.tick = first + uint32_t(i) * step;
        n.length = length ? length : step / 2;
        n.channel = channel;
        n.key = key + i % 24;
        n.velocity = 40 + (i * 13) % 80;
        v.push_back(n);
    }
    return v;
}
