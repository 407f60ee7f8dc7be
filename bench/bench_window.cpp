// How long the listen loop takes to schedule one beat window of a dense song.
//
//   bench_window [PASSES]
//
// A song of 64 notes per beat (four tracks of sixteenths, offset from each
// other) is played window by window through ListenLoop into a sink that keeps
// every event in a preallocated buffer, so this is the loop's own work and
// no sequencer call. The baseline, measured in the same run over the same
// windows, only walks the song's nodes from the cursor to the window's end:
// the ratio says what scheduling adds to reading the song.

#include "core/devices.h"
#include "core/messages.h"
#include "core/settings.h"
#include "engine/listenloop.h"
#include "engine/seqclient.h"
#include "song/deckmodel.h"
#include "song/preparation.h"
#include "song/songloader.h"

#include <QByteArray>
#include <QObject>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

constexpr int kPpq = 384;
constexpr int kTracks = 4;
constexpr int kStep = kPpq / 16;         // sixteenths in each track
constexpr int kOffset = kStep / kTracks; // 64 onsets a beat over the four tracks
constexpr int kBeats = 256;

void put32(QByteArray& b, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) b += char((v >> s) & 0xFF);
}

void putVarLen(QByteArray& b, uint32_t v)
{
    QByteArray out;
    out.prepend(char(v & 0x7F));
    while (v >>= 7) out.prepend(char(0x80 | (v & 0x7F)));
    b += out;
}

QByteArray chunk(const char* id, const QByteArray& body)
{
    QByteArray b(id, 4);
    put32(b, uint32_t(body.size()));
    return b + body;
}

QByteArray denseSong()
{
    QByteArray file;
    QByteArray head;
    head += char(0), head += char(1); // format 1
    head += char(0), head += char(kTracks + 1);
    head += char(kPpq >> 8), head += char(kPpq & 0xFF);
    file += chunk("MThd", head);

    QByteArray conductor;
    putVarLen(conductor, 0);
    conductor += QByteArray("\xFF\x51\x03\x07\xA1\x20", 6); // 500000 us
    putVarLen(conductor, 0);
    conductor += QByteArray("\xFF\x58\x04\x04\x02\x18\x08", 7);
    putVarLen(conductor, 0);
    conductor += QByteArray("\xFF\x2F\x00", 3);
    file += chunk("MTrk", conductor);

    for (int t = 0; t < kTracks; ++t) {
        QByteArray body;
        uint32_t at = 0;
        const int notes = kBeats * kPpq / kStep;
        for (int i = 0; i < notes; ++i) {
            const uint32_t on = uint32_t(t * kOffset + i * kStep);
            const int key = 36 + (i * 7 + t * 5) % 60;
            putVarLen(body, on - at);
            body += char(0x90 | t), body += char(key), body += char(64 + t);
            putVarLen(body, kStep - 2);
            body += char(0x80 | t), body += char(key), body += char(0);
            at = on + kStep - 2;
            if (i % 16 == 0) { // a controller now and then, as songs have
                putVarLen(body, 0);
                body += char(0xB0 | t), body += char(1), body += char(i % 128);
            }
        }
        putVarLen(body, 0);
        body += QByteArray("\xFF\x2F\x00", 3);
        file += chunk("MTrk", body);
    }
    return file;
}

// Keeps what the loop sends without a sequencer; no allocation while timed.
class RecordingSink : public EventSink
{
public:
    struct Sent {
        snd_seq_event_t event;
        uint64_t tick;
    };
    std::vector<Sent> sent;

    RecordingSink() { sent.reserve(8192); }
    void scheduleAt(snd_seq_event_t& ev, uint64_t queueTick) override
    {
        sent.push_back({ev, queueTick});
    }
    void scheduleIn(snd_seq_event_t& ev, uint64_t ticks) override { sent.push_back({ev, ticks}); }
    void sendNow(snd_seq_event_t& ev) override { sent.push_back({ev, 0}); }
    uint64_t currentTick() override { return 0; }
    snd_seq_addr_t self() const override { return {128, 1}; }
};

double percentile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size() - 1) + 0.5))];
}

double micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    ScriptedMessageSink quiet;
    ScopedMessageSink installed(&quiet);

    Song song;
    DeviceSet devices;
    auto out = std::make_unique<OutputDevice>();
    out->client = 14;
    devices.outputs.push_back(std::move(out));
    devices.defaultOutput.client = 14;
    devices.defaultInput.client = 16;
    DeckModel deck(song, devices);
    if (!loadSongFromBytes(denseSong(), QStringLiteral("dense.mid"), LoadOptions(), song) ||
        prepareSong(deck) != PrepareResult::Prepared) {
        std::fprintf(stderr, "bench_window: the dense song did not load\n");
        return 1;
    }
    LiveOptions options;
    RecordingSink sink;
    QObject receiver;
    ListenLoop loop(deck, options, sink, &receiver, &receiver);

    std::vector<double> window, walk;
    size_t events = 0, windows = 0;
    volatile uint64_t keep = 0;
    for (int p = 0; p < passes; ++p) {
        deck.resetCursors();
        loop.begin();
        const uint64_t beat = uint64_t(loop.values().ticksPerBeat);
        for (int b = 0; b < kBeats; ++b) {
            // Baseline first, over the nodes this window will visit.
            const EventNode* from = loop.accompanimentCursor();
            const uint64_t end = uint64_t(b + 1) * beat;
            auto t0 = Clock::now();
            uint64_t sum = 0;
            for (const EventNode* n = from; n && n->tick < end; n = n->next)
                sum += n->tick + uint64_t(n->type()) + n->track;
            auto t1 = Clock::now();
            keep = keep + sum;
            walk.push_back(micros(t1 - t0));

            sink.sent.clear();
            t0 = Clock::now();
            loop.scheduleWindow();
            t1 = Clock::now();
            window.push_back(micros(t1 - t0));
            events += sink.sent.size();
            ++windows;
        }
    }
    const double windowMedian = percentile(window, 0.5), walkMedian = percentile(walk, 0.5);
    std::printf("dense song: %d notes per beat, %d beats, %d passes, %.1f events per window\n",
                kTracks * kPpq / kStep, kBeats, passes, double(events) / double(windows));
    std::printf("schedule one window: median %.2f us  p99 %.2f us  max %.2f us\n", windowMedian,
                percentile(window, 0.99), percentile(window, 1.0));
    std::printf("walk its nodes only: median %.2f us  p99 %.2f us  max %.2f us\n", walkMedian,
                percentile(walk, 0.99), percentile(walk, 1.0));
    std::printf("ratio (median): %.1f x the walk\n",
                walkMedian > 0 ? windowMedian / walkMedian : 0.0);
    return 0;
}
