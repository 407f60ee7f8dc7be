// How long the engine takes to handle one key of the player.
//
//   bench_keypress [PRESSES]
//
// Each scenario plays a prepared song through the interactive loop and times
// every key press and release handled (median, p99, max). The events go to a
// sink that only counts them, so this is the engine's own work. Where a
// sequencer exists (/dev/snd/seq, e.g. under tools/seqvm), the chord scenario
// runs once more against it, output to Midi Through 14:0, keys from 16:0,
// the time including the sequencer calls and the drain.

#include "bench/rawtrack.h"
#include "core/devices.h"
#include "core/messages.h"
#include "core/settings.h"
#include "engine/interactive.h"
#include "engine/listenloop.h"
#include "engine/seqclient.h"
#include "song/deckmodel.h"
#include "song/preparation.h"
#include "song/songloader.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

struct Note {
    uint32_t tick;
    int key;
    int on; // 1 on, 0 off, 2 controller
};

// Three tracks, one cluster every 240 ticks: chords of three notes with a
// controller (channel 0), single notes (1), two-note chords (2).
QByteArray benchSong(int clusters)
{
    QByteArray file("MThd");
    file.append("\x00\x00\x00\x06\x00\x01\x00\x04\x01\xE0", 10); // format 1, 4 tracks, 480 ppq
    std::vector<unsigned char> chunks;
    RawTrack conductor;
    conductor.tempo(0, 500000);
    conductor.meta(0, 0x2F, "");
    conductor.appendChunk(chunks);
    for (int ch = 0; ch < 3; ++ch) {
        std::vector<Note> events;
        for (int i = 0; i < clusters; ++i) {
            const uint32_t t = uint32_t(i) * 240;
            const int notes = ch == 0 ? 3 : ch == 1 ? 1 : 2;
            for (int k = 0; k < notes; ++k) {
                const int key = 36 + ch * 24 + (i + k * 4) % 24;
                events.push_back({t + uint32_t(k) * 10, key, 1});
                events.push_back({t + uint32_t(k) * 10 + 200, key, 0});
            }
            if (ch == 0) events.push_back({t + 15, 11, 2});
        }
        std::stable_sort(events.begin(), events.end(),
                         [](const Note& a, const Note& b) { return a.tick < b.tick; });
        RawTrack track;
        uint32_t last = 0;
        for (const Note& e : events) {
            const int status = e.on == 2 ? 0xB0 | ch : (e.on ? 0x90 : 0x80) | ch;
            track.channel(e.tick - last, status, e.key, e.on == 2 ? 64 : e.on ? 100 : 64);
            last = e.tick;
        }
        track.meta(0, 0x2F, "");
        track.appendChunk(chunks);
    }
    file.append(reinterpret_cast<const char*>(chunks.data()), int(chunks.size()));
    return file;
}

// Counts what the engine sends, and nothing more.
class CountingSink : public EventSink
{
public:
    void scheduleAt(snd_seq_event_t&, uint64_t) override { ++events; }
    void scheduleIn(snd_seq_event_t&, uint64_t) override { ++events; }
    void sendNow(snd_seq_event_t&) override { ++events; }
    uint64_t currentTick() override { return tick += 7; }
    snd_seq_addr_t self() const override { return snd_seq_addr_t{130, 1}; }
    uint64_t events = 0;
    uint64_t tick = 0;
};

class Nobody : public QObject
{
};

struct Stats {
    double median = 0, p99 = 0, max = 0;
};

Stats stats(std::vector<double> us)
{
    Stats s;
    if (us.empty()) return s;
    std::sort(us.begin(), us.end());
    const auto at = [&](double q) {
        return us[std::min(us.size() - 1, size_t(q * double(us.size() - 1) + 0.5))];
    };
    s.median = at(0.5);
    s.p99 = at(0.99);
    s.max = us.back();
    return s;
}

// A song prepared on a deck with one keyboard (16:0) and one synthesizer (14:0).
struct Bench {
    Song song;
    DeviceSet devices;
    DeckModel deck{song, devices};
    LiveOptions options;
    Nobody deckReceiver, mainReceiver;

    bool prepare(int clusters, std::initializer_list<int> played)
    {
        auto in = std::make_unique<InputDevice>();
        in->client = 16;
        devices.inputs.push_back(std::move(in));
        auto out = std::make_unique<OutputDevice>();
        out->client = 14;
        devices.outputs.push_back(std::move(out));
        devices.defaultInput.client = 16;
        devices.defaultOutput.client = 14;
        if (!loadSongFromBytes(benchSong(clusters), QStringLiteral("bench.mid"), LoadOptions(),
                               song))
            return false;
        if (prepareSong(deck) != PrepareResult::Prepared) return false;
        for (int d : played) deck.tracks.keyboard[size_t(d)] = 1;
        return true;
    }
    InputDevice& keyboard() { return *devices.inputs[0]; }
};

snd_seq_event_t keyEvent(int type, int note, int velocity)
{
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    ev.type = static_cast<snd_seq_event_type_t>(type);
    ev.source.client = 16;
    ev.source.port = 0;
    ev.data.note.note = static_cast<unsigned char>(note);
    ev.data.note.velocity = static_cast<unsigned char>(velocity);
    return ev;
}

struct Result {
    std::vector<double> press, release;
    uint64_t events = 0;
};

// Plays `keys(i)` for i < presses, each press then its release, timing each
// handled event; `after` runs outside the timing.
Result play(InteractiveLoop& loop, int presses, const std::function<std::vector<int>(int)>& keys,
            const std::function<void()>& handled = {}, const std::function<void()>& after = {})
{
    Result r;
    r.press.reserve(size_t(presses) * 2);
    r.release.reserve(size_t(presses) * 2);
    const auto timed = [&](const snd_seq_event_t& ev, std::vector<double>& into) {
        const auto t0 = Clock::now();
        loop.handle(ev);
        if (handled) handled();
        const auto t1 = Clock::now();
        into.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    };
    for (int i = 0; i < presses; ++i) {
        const std::vector<int> chord = keys(i);
        for (int k : chord) timed(keyEvent(SND_SEQ_EVENT_NOTEON, k, 1 + i % 127), r.press);
        for (int k : chord) timed(keyEvent(SND_SEQ_EVENT_NOTEOFF, k, 64), r.release);
        if (after) after();
    }
    return r;
}

// `events`: what the engine handed to the sequencer per key, for a sanity
// check (negative: not counted).
void report(const char* name, const Result& r, double eventsPerKey)
{
    const Stats p = stats(r.press), q = stats(r.release);
    std::printf("%-42s %7zu %9.2f %9.2f %9.2f %9.2f %9.2f %9.2f ", name, r.press.size(), p.median,
                p.p99, p.max, q.median, q.p99, q.max);
    if (eventsPerKey < 0)
        std::printf("%7s\n", "-");
    else
        std::printf("%7.2f\n", eventsPerKey);
}

int keyOfCluster(int track, int cluster, int k)
{
    return 36 + track * 24 + (cluster + k * 4) % 24;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ScriptedMessageSink quiet;
    ScopedMessageSink installed(&quiet);
    const int presses = argc > 1 ? std::max(100, std::atoi(argv[1])) : 20000;
    const int clusters = presses + 100;

    std::printf("Key handling time in microseconds (%d presses per scenario)\n", presses);
    std::printf("%-42s %7s %9s %9s %9s %9s %9s %9s %7s\n", "scenario", "keys", "press med", "p99",
                "max", "rel. med", "p99", "max", "ev/key");

    using Keys = std::function<std::vector<int>(int)>;
    const auto scenario = [&](const char* name, std::initializer_list<int> played,
                              const std::function<void(InputDevice&)>& configure,
                              const Keys& keys) {
        Bench b;
        if (!b.prepare(clusters, played)) return false;
        configure(b.keyboard());
        CountingSink sink;
        InteractiveLoop loop(b.deck, b.options, sink, &b.deckReceiver, &b.mainReceiver);
        loop.begin(0, 1, 1920);
        const uint64_t before = sink.events;
        const Result r = play(loop, presses, keys);
        report(name, r,
               r.press.empty() ? 0.0 : double(sink.events - before) / double(r.press.size()));
        return true;
    };
    const auto unsplit = [](InputDevice&) {};
    bool ok = scenario("3-note chord + controller, one key each", {0}, unsplit,
                       [](int i) { return std::vector<int>{40 + i % 40}; });
    ok = ok && scenario(
                   "split keyboard, three tracks in turn", {0, 1, 2},
                   [](InputDevice& d) { d.kbenablesplit = true; },
                   [](int i) {
                       return std::vector<int>{i % 3 == 0 ? 30 : i % 3 == 1 ? 80 : 110};
                   });
    ok = ok && scenario(
                   "free track note", {0},
                   [](InputDevice& d) {
                       d.kbenablesplit = true;
                       d.highkey = 100; // zone 3 has no track
                   },
                   [](int i) { return std::vector<int>{100 + i % 27}; });
    ok = ok && scenario(
                   "any order, two-note chord (per key)", {2}, [](InputDevice& d) { d.kbmode = 1; },
                   [](int i) {
                       return std::vector<int>{keyOfCluster(2, i, 1), keyOfCluster(2, i, 0)};
                   });
    if (!ok) return 1;

    if (!QFileInfo::exists(QStringLiteral("/dev/snd/seq"))) {
        std::printf("(no /dev/snd/seq: the sequencer scenario needs tools/seqvm)\n");
        return 0;
    }
    Bench b;
    if (!b.prepare(clusters, {0})) return 1;
    SeqClient client;
    if (!client.open(b.deck.tracks, b.devices) || !client.allocQueue()) {
        std::printf("sequencer scenario skipped: cannot open 14:0 and 16:0\n");
        return 0;
    }
    client.setQueueTempo(500000, 480);
    client.startQueue();
    InteractiveLoop loop(b.deck, b.options, client, &b.deckReceiver, &b.mainReceiver);
    loop.begin(0, 1, 1920);
    client.drain();
    const int seqPresses = std::min(presses, 2000);
    const Result r = play(
        loop, seqPresses, [](int i) { return std::vector<int>{40 + i % 40}; },
        [&client] { client.drain(); },
        [&client] {
            // Our own display echoes come back; nobody reads them here.
            snd_seq_drop_input(client.handle());
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        });
    report("sequencer: chord + controller, with drain", r, -1);
    client.close();
    return 0;
}
