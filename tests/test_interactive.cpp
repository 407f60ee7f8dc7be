// The player's side of a session against a recording sink: no sequencer needed.

#include "deckfixture.h"

#include "core/settings.h"
#include "engine/decksession.h"
#include "core/events.h"
#include "engine/interactive.h"
#include "engine/listenloop.h"
#include "engine/seqclient.h"
#include "song/songnames.h"
#include "song/trackediting.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <new>
#include <tuple>

// Every allocation of the process is counted while a test asks for it: C++
// allocations here, and C ones (Qt's containers use malloc) through glibc's
// own allocator entry points.
namespace
{
std::atomic<bool> countAllocations{false};
std::atomic<long> newCalls{0};
std::atomic<long> mallocCalls{0};

void noteNew()
{
    if (countAllocations.load(std::memory_order_relaxed)) newCalls.fetch_add(1);
}
void noteMalloc()
{
    if (countAllocations.load(std::memory_order_relaxed)) mallocCalls.fetch_add(1);
}
} // namespace

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void __libc_free(void* p);

void* malloc(size_t size) noexcept
{
    noteMalloc();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) noexcept
{
    noteMalloc();
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) noexcept
{
    noteMalloc();
    return __libc_realloc(p, size);
}
void free(void* p) noexcept
{
    __libc_free(p);
}
}

void* operator new(std::size_t size)
{
    noteNew();
    if (void* p = __libc_malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    noteNew();
    if (void* p = __libc_malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    noteNew();
    return __libc_malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    noteNew();
    return __libc_malloc(size ? size : 1);
}
void* operator new(std::size_t size, std::align_val_t align)
{
    noteNew();
    const std::size_t a = static_cast<std::size_t>(align);
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t align)
{
    return ::operator new(size, align);
}
void operator delete(void* p) noexcept
{
    __libc_free(p);
}
void operator delete[](void* p) noexcept
{
    __libc_free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    __libc_free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    __libc_free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}

namespace
{

// Posted events need an application object.
class ApplicationEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test_interactive";
        static char* argv[] = {name, nullptr};
        app_ = new QCoreApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QCoreApplication* app_ = nullptr;
};
[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

constexpr int kKeyboard = 20; // DeckFixture's first input device
constexpr int kSynth = 128;   // and its output
constexpr snd_seq_addr_t kSelf{130, 1};
constexpr unsigned char kOutPort = 2;

// What the engine handed to the sequencer, in order.
struct Sent {
    enum Kind { At, In, Now };
    Kind kind;
    uint64_t time;
    snd_seq_event_t ev;

    bool toSelf() const { return ev.dest.client == kSelf.client && ev.dest.port == kSelf.port; }
    int type() const { return ev.type; }
    int note() const { return ev.data.note.note; }
    int velocity() const { return ev.data.note.velocity; }
    int channel() const { return ev.data.note.channel; }
    int flag() const { return ev.data.raw8.d[0]; }
    int echoNote() const { return ev.data.raw8.d[1]; }
};

class RecordingSink : public EventSink
{
public:
    RecordingSink() { sent.reserve(1 << 16); }

    void scheduleAt(snd_seq_event_t& ev, uint64_t queueTick) override
    {
        push(Sent::At, queueTick, ev);
    }
    void scheduleIn(snd_seq_event_t& ev, uint64_t ticks) override { push(Sent::In, ticks, ev); }
    void sendNow(snd_seq_event_t& ev) override { push(Sent::Now, 0, ev); }
    uint64_t currentTick() override { return tick; }
    snd_seq_addr_t self() const override { return kSelf; }

    // Notes and other music for the outputs (no echoes).
    std::vector<Sent> music(int type = -1) const
    {
        std::vector<Sent> out;
        for (const Sent& s : sent)
            if (!s.toSelf() && (type < 0 || s.type() == type)) out.push_back(s);
        return out;
    }
    std::vector<Sent> echoes(int type, int tag = -1) const
    {
        std::vector<Sent> out;
        for (const Sent& s : sent)
            if (s.toSelf() && s.type() == type && (tag < 0 || s.ev.tag == tag)) out.push_back(s);
        return out;
    }
    // Sounding note-ons (velocity 0 counts as an end) and plain notes.
    std::vector<int> ringingKeys() const
    {
        std::vector<int> keys;
        for (const Sent& s : sent)
            if (!s.toSelf() && ((s.type() == SND_SEQ_EVENT_NOTEON && s.velocity() > 0) ||
                                s.type() == SND_SEQ_EVENT_NOTE))
                keys.push_back(s.note());
        return keys;
    }

    uint64_t tick = 0;
    std::vector<Sent> sent;

private:
    void push(Sent::Kind kind, uint64_t time, snd_seq_event_t& ev)
    {
        ev.source.port = kOutPort;
        sent.push_back(Sent{kind, time, ev});
    }
};

// The deck's and the main window's side of the posted events.
class Receiver : public QObject
{
public:
    struct Got {
        int type;
        double value;
    };
    std::vector<Got> got;
    std::atomic<bool>* repaintPosted = nullptr;

    int count(int type) const
    {
        return int(
            std::count_if(got.begin(), got.end(), [type](const Got& g) { return g.type == type; }));
    }
    std::vector<double> values(int type) const
    {
        std::vector<double> out;
        for (const Got& g : got)
            if (g.type == type) out.push_back(g.value);
        return out;
    }

protected:
    void customEvent(QEvent* event) override
    {
        const int type = int(event->type());
        double value = 0;
        if (type == TempoRatioEvent) value = static_cast<DoubleEvent*>(event)->value;
        // As the deck does: the next key press may ask for a repaint again.
        if (type == RepaintDiagramEvent && repaintPosted) *repaintPosted = false;
        got.push_back({type, value});
        event->accept();
    }
};

// A song described by absolute ticks; the file bytes follow from it.
struct Item {
    uint32_t tick;
    int status;
    int d1;
    int d2; // -1: a two-byte message
};

struct TrackPlan {
    std::vector<Item> items;

    TrackPlan& note(uint32_t tick, uint32_t length, int key, int velocity = 100, int ch = 0)
    {
        items.push_back({tick, 0x90 | ch, key, velocity});
        items.push_back({tick + length, 0x80 | ch, key, 64});
        return *this;
    }
    TrackPlan& noteOn(uint32_t tick, int key, int velocity = 100, int ch = 0)
    {
        items.push_back({tick, 0x90 | ch, key, velocity});
        return *this;
    }
    TrackPlan& noteOff(uint32_t tick, int key, int ch = 0)
    {
        items.push_back({tick, 0x80 | ch, key, 64});
        return *this;
    }
    TrackPlan& controller(uint32_t tick, int number, int value, int ch = 0)
    {
        items.push_back({tick, 0xB0 | ch, number, value});
        return *this;
    }
    // A run of single notes, one every `step` ticks.
    TrackPlan& run(uint32_t first, uint32_t step, int count, int key, int ch = 0)
    {
        for (int i = 0; i < count; ++i)
            note(first + uint32_t(i) * step, step / 2, key + i % 12, 100, ch);
        return *this;
    }
};

QByteArray songBytes(const std::vector<TrackPlan>& tracks, int ppq = 480,
                     std::vector<std::pair<uint32_t, uint32_t>> tempos = {{0, 500000}})
{
    std::vector<TrackBuilder> built;
    TrackBuilder conductor;
    conductor.timeSig(0, 4, 2);
    uint32_t at = 0;
    for (const auto& [tick, usec] : tempos) {
        conductor.tempo(tick - at, usec);
        at = tick;
    }
    built.push_back(conductor.end());
    for (const TrackPlan& plan : tracks) {
        std::vector<Item> items = plan.items;
        // Ends before starts at the same tick, as files store legato.
        std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
            const bool aOff = (a.status & 0xF0) == 0x80, bOff = (b.status & 0xF0) == 0x80;
            return std::tie(a.tick, bOff) < std::tie(b.tick, aOff);
        });
        TrackBuilder tb;
        uint32_t last = 0;
        for (const Item& i : items) {
            if (i.d2 < 0)
                tb.channel(i.tick - last, i.status, {i.d1});
            else
                tb.channel(i.tick - last, i.status, {i.d1, i.d2});
            last = i.tick;
        }
        built.push_back(tb.end());
    }
    return smfFile(1, ppq, built);
}

snd_seq_event_t keyEvent(int type, int note, int velocity, int client = kKeyboard, int port = 0)
{
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    ev.type = static_cast<snd_seq_event_type_t>(type);
    ev.source.client = static_cast<unsigned char>(client);
    ev.source.port = static_cast<unsigned char>(port);
    ev.dest = kSelf;
    ev.data.note.note = static_cast<unsigned char>(note);
    ev.data.note.velocity = static_cast<unsigned char>(velocity);
    return ev;
}

struct Interactive : DeckFixture {
    LiveOptions options;
    RecordingSink out;
    Receiver deckRx, mainRx;
    std::unique_ptr<InteractiveLoop> loop;

    Interactive() { deckRx.repaintPosted = &deck.repaintPosted; }

    // One keyboard (20:0) and one synthesizer (128:0); the listed bound
    // tracks are interactive.
    ::testing::AssertionResult load(const QByteArray& bytes, std::initializer_list<int> played)
    {
        if (devices.inputs.empty()) addDevices(1);
        devices.defaultInput.client = kKeyboard;
        if (!loadAndPrepare(bytes)) return ::testing::AssertionFailure() << "not prepared";
        for (int d : played) {
            if (d >= deck.tracks.boundTracks)
                return ::testing::AssertionFailure() << "no bound track " << d;
            deck.tracks.keyboard[size_t(d)] = 1;
        }
        return ::testing::AssertionSuccess();
    }
    InputDevice& keyboard() { return *devices.inputs[0]; }
    int freeTrack() const { return deck.tracks.boundTracks; }

    void start(uint64_t startTick = 0)
    {
        loop = std::make_unique<InteractiveLoop>(deck, options, out, &deckRx, &mainRx);
        loop->begin(startTick, deck.currentBeat, SessionValues::fromDeck(deck).ticksPerMeasure);
    }
    void press(int note, int velocity = 100, int client = kKeyboard, int port = 0)
    {
        loop->handle(keyEvent(SND_SEQ_EVENT_NOTEON, note, velocity, client, port));
    }
    void release(int note, int client = kKeyboard, int port = 0)
    {
        loop->handle(keyEvent(SND_SEQ_EVENT_NOTEOFF, note, 64, client, port));
    }
    // The notes one press rings, in order.
    std::vector<int> strike(int note, int velocity = 100)
    {
        out.sent.clear();
        press(note, velocity);
        std::vector<int> keys = out.ringingKeys();
        release(note);
        return keys;
    }
    void deliver() { QCoreApplication::sendPostedEvents(); }

    const EventNode* noteOn(int track, int key) const
    {
        for (const EventNode* n = song.events.head(); n; n = n->next)
            if (int(n->track) == track && n->isSoundingNoteOn() && n->note() == key) return n;
        return nullptr;
    }
};

using Notes = std::vector<int>;

// ---------------------------------------------------------------- clusters

using ClusterTolerance = Interactive;

TEST_F(ClusterTolerance, NotesWithinToleranceOfThePreviousFormOneCluster)
{
    // 100 ms at 480 ppq and 500 000 us per quarter note: 96 ticks.
    TrackPlan t;
    t.note(0, 30, 60).note(90, 30, 62).note(180, 30, 64); // each within 96 of the one before
    t.note(1000, 30, 65).note(1096, 30, 66);              // 96 apart: two clusters
    t.note(2000, 30, 67).note(2095, 30, 68);              // 95 apart: one
    // At twice the tempo the tolerance doubles in ticks.
    t.note(3840, 30, 69).note(4020, 30, 70);
    ASSERT_TRUE(load(songBytes({t}, 480, {{0, 500000}, {3840, 250000}}), {0}));
    deck.setMsTol(100);
    EXPECT_EQ(deck.timing.tick_tol, 96u);
    start();
    EXPECT_EQ(strike(40), (Notes{60, 62, 64}));
    EXPECT_EQ(strike(40), (Notes{65}));
    EXPECT_EQ(strike(40), (Notes{66}));
    EXPECT_EQ(strike(40), (Notes{67, 68}));
    EXPECT_EQ(strike(40), (Notes{69, 70}));
    EXPECT_EQ(strike(40), Notes{});
}

TEST_F(ClusterTolerance, ABoostChangeAppliesToTheNextClusterBuilt)
{
    TrackPlan t;
    t.note(0, 20, 60).note(60, 20, 62);      // built at 100 %: one cluster
    t.note(480, 20, 64).note(540, 20, 65);   // built at 50 % (48 ticks): two
    t.note(960, 20, 66).note(1010, 20, 67);  // 50 apart, still at 50 %: two
    t.note(1440, 20, 68).note(1600, 20, 69); // at 200 % (192 ticks): one
    ASSERT_TRUE(load(songBytes({t}), {0}));
    start();
    deck.setTempoBoost(50);
    EXPECT_EQ(strike(40), (Notes{60, 62}));
    EXPECT_EQ(strike(40), (Notes{64}));
    EXPECT_EQ(strike(40), (Notes{65}));
    EXPECT_EQ(strike(40), (Notes{66}));
    deck.setTempoBoost(200);
    EXPECT_EQ(strike(40), (Notes{67}));
    EXPECT_EQ(strike(40), (Notes{68, 69}));
}

// ---------------------------------------------------------------- ringing

using Ringing = Interactive;

TEST_F(Ringing, APressRingsTheNextClusterWithItsOwnSpacingAndReleaseEndsEachNote)
{
    TrackPlan t;
    t.note(0, 200, 60, 70).note(10, 200, 64, 80).note(20, 200, 67, 90).controller(15, 7, 99);
    t.note(480, 100, 72, 100);
    ASSERT_TRUE(load(songBytes({t}), {0}));
    start();
    EXPECT_TRUE(out.music().empty()) << "nothing sounds before a key";

    press(50, 77);
    const auto on = out.music();
    ASSERT_EQ(on.size(), 4u);
    const std::vector<std::tuple<int, uint64_t, int>> want{{SND_SEQ_EVENT_NOTEON, 0, 60},
                                                           {SND_SEQ_EVENT_NOTEON, 10, 64},
                                                           {SND_SEQ_EVENT_CONTROLLER, 15, -1},
                                                           {SND_SEQ_EVENT_NOTEON, 20, 67}};
    for (size_t i = 0; i < on.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(on[i].type(), std::get<0>(want[i]));
        EXPECT_EQ(on[i].kind, Sent::In) << "on the queue, relative to the key";
        EXPECT_EQ(on[i].time, std::get<1>(want[i]));
        EXPECT_EQ(on[i].ev.dest.client, kSynth);
        EXPECT_EQ(on[i].ev.source.port, kOutPort);
        if (on[i].type() == SND_SEQ_EVENT_NOTEON) {
            EXPECT_EQ(on[i].note(), std::get<2>(want[i]));
            EXPECT_EQ(on[i].velocity(), 77) << "the player's velocity";
            EXPECT_EQ(on[i].channel(), 0);
        }
    }
    // The keys light on the virtual keyboards as the notes start.
    const auto lit = out.echoes(SND_SEQ_EVENT_USR6);
    ASSERT_EQ(lit.size(), 3u);
    EXPECT_EQ(lit[1].time, 10u);
    EXPECT_EQ(lit[1].echoNote(), 64);
    EXPECT_EQ(lit[1].flag(), 4) << "zone of an unsplit keyboard";
    EXPECT_EQ(lit[1].ev.data.raw8.d[2], kKeyboard);
    EXPECT_EQ(loop->heldKeys(), 1);

    out.sent.clear();
    release(50);
    const auto off = out.music();
    ASSERT_EQ(off.size(), 3u);
    std::vector<std::pair<int, uint64_t>> ends;
    for (const Sent& s : off) {
        EXPECT_EQ(s.type(), SND_SEQ_EVENT_NOTEOFF);
        EXPECT_EQ(s.kind, Sent::In);
        EXPECT_EQ(s.ev.dest.client, kSynth);
        ends.emplace_back(s.note(), s.time);
    }
    std::sort(ends.begin(), ends.end());
    EXPECT_EQ(ends, (std::vector<std::pair<int, uint64_t>>{{60, 0}, {64, 10}, {67, 20}}));
    EXPECT_EQ(out.echoes(SND_SEQ_EVENT_USR7).size(), 3u);
    EXPECT_EQ(loop->heldKeys(), 0);

    // A second release of the same key has nothing left to end.
    out.sent.clear();
    release(50);
    EXPECT_TRUE(out.music().empty());
    EXPECT_EQ(loop->heldKeys(), 0);

    EXPECT_EQ(strike(51), Notes{72});
}

TEST_F(Ringing, ThePlayersVelocityTakesTheTrackOffsetClamped)
{
    TrackPlan t;
    t.run(0, 480, 6, 60);
    ASSERT_TRUE(load(songBytes({t}), {0}));
    deck.tracks.transpose[0] = 3;
    start();
    const auto velocityOf = [this](int keyVelocity) {
        out.sent.clear();
        press(40, keyVelocity);
        const auto on = out.music(SND_SEQ_EVENT_NOTEON);
        release(40);
        return on.size() == 1 ? on[0].velocity() : -1;
    };
    deck.tracks.velocityShift[0] = 30;
    EXPECT_EQ(velocityOf(50), 80);
    EXPECT_EQ(velocityOf(110), 127);
    deck.tracks.velocityShift[0] = -100;
    EXPECT_EQ(velocityOf(50), 0);
    deck.tracks.velocityShift[0] = 0;
    EXPECT_EQ(velocityOf(1), 1);
    // Transposed, and the note-off ends the transposed note.
    out.sent.clear();
    press(40, 90);
    release(40);
    const auto on = out.music(SND_SEQ_EVENT_NOTEON), off = out.music(SND_SEQ_EVENT_NOTEOFF);
    ASSERT_EQ(on.size(), 1u);
    ASSERT_EQ(off.size(), 1u);
    EXPECT_EQ(on[0].note(), 60 + 4 + 3);
    EXPECT_EQ(off[0].note(), on[0].note());
}

TEST_F(Ringing, FileVelocitiesKeepTheFilesWithTheTrackOffset)
{
    TrackPlan t;
    t.note(0, 100, 60, 70).note(5, 100, 64, 120);
    ASSERT_TRUE(load(songBytes({t}), {0}));
    options.filevel = true;
    deck.tracks.velocityShift[0] = 10;
    start();
    press(40, 5);
    const auto on = out.music(SND_SEQ_EVENT_NOTEON);
    ASSERT_EQ(on.size(), 2u);
    EXPECT_EQ(on[0].velocity(), 80);
    EXPECT_EQ(on[1].velocity(), 127);
}

TEST_F(Ringing, ThePcKeyboardAlwaysPlaysTheFilesVelocities)
{
    TrackPlan t;
    t.note(0, 100, 60, 70).note(480, 100, 62, 90);
    ASSERT_TRUE(load(songBytes({t}), {0}));
    deck.tracks.input[0] = &devices.pcKeyboard;
    deck.tracks.zone[0] = 2; // the letter keys
    deck.tracks.velocityShift[0] = -20;
    start();
    // Our own client sends them, from port 255.
    press(15, 64, kSelf.client, kPcKeyboardPort);
    auto on = out.music(SND_SEQ_EVENT_NOTEON);
    ASSERT_EQ(on.size(), 1u);
    EXPECT_EQ(on[0].note(), 60);
    EXPECT_EQ(on[0].velocity(), 50);
    EXPECT_EQ(out.echoes(SND_SEQ_EVENT_USR6)[0].ev.data.raw8.d[2], kPcKeyboardClient);
    release(15, kSelf.client, kPcKeyboardPort);
    // A number key (low zone) finds no track there and no free track listens.
    out.sent.clear();
    press(5, 64, kSelf.client, kPcKeyboardPort);
    EXPECT_TRUE(out.music().empty());
    release(5, kSelf.client, kPcKeyboardPort);
    out.sent.clear();
    press(20, 64, kSelf.client, kPcKeyboardPort);
    on = out.music(SND_SEQ_EVENT_NOTEON);
    ASSERT_EQ(on.size(), 1u);
    EXPECT_EQ(on[0].velocity(), 70);
    // From the MIDI keyboard the same key is its free track's.
    out.sent.clear();
    press(15, 64);
    EXPECT_EQ(out.ringingKeys(), Notes{15});
}

TEST_F(Ringing, FileDurationsLetTheSequencerEndTheNotes)
{
    TrackPlan t;
    t.note(0, 240, 60).note(10, 100, 64, 100, 9);
    t.noteOn(480, 67); // never ended in the file
    ASSERT_TRUE(load(songBytes({t}), {0}));
    options.filedur = true;
    start();
    press(40, 90);
    const auto notes = out.music(SND_SEQ_EVENT_NOTE);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(out.music(SND_SEQ_EVENT_NOTEON).size(), 0u);
    EXPECT_EQ(notes[0].ev.data.note.duration, 240u);
    EXPECT_EQ(notes[1].ev.data.note.duration, 100u);
    EXPECT_EQ(notes[1].time, 10u);
    EXPECT_EQ(notes[0].velocity(), 90);
    // Shown from start to end, except drums.
    const auto lit = out.echoes(SND_SEQ_EVENT_USR6), unlit = out.echoes(SND_SEQ_EVENT_USR7);
    ASSERT_EQ(lit.size(), 1u);
    ASSERT_EQ(unlit.size(), 1u);
    EXPECT_EQ(unlit[0].time, 240u);
    out.sent.clear();
    release(40);
    EXPECT_TRUE(out.music().empty()) << "the release sends nothing";
    EXPECT_EQ(loop->heldKeys(), 0);
    // Without an end in the file, a note lasts a measure.
    press(40);
    const auto last = out.music(SND_SEQ_EVENT_NOTE);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].ev.data.note.duration, 1920u);
}

TEST_F(Ringing, AStrayNoteOffInAnInteractiveTrackIsSkipped)
{
    TrackPlan t;
    t.note(0, 100, 60).noteOff(50, 61).noteOff(240, 62).note(480, 100, 64);
    ASSERT_TRUE(load(songBytes({t}), {0}));
    start();
    EXPECT_EQ(strike(40), Notes{60});
    EXPECT_EQ(strike(40), Notes{64});
    EXPECT_FALSE(loop->halted());
    deliver();
    EXPECT_EQ(mainRx.count(WarningMessageEvent), 0);
    EXPECT_EQ(deckRx.count(HaltSessionEvent), 0);
}

TEST_F(Ringing, TheFirstRingClearsTheStatusBarAndPressesAskForOneRepaintAtATime)
{
    TrackPlan t;
    t.run(0, 480, 10, 60);
    ASSERT_TRUE(load(songBytes({t}), {0}));
    start();
    for (int i = 0; i < 5; ++i) strike(40);
    deliver();
    EXPECT_EQ(mainRx.count(ClearStatusbarEvent), 1);
    EXPECT_EQ(deckRx.count(RepaintDiagramEvent), 1);
    EXPECT_FALSE(deck.repaintPosted.load());
    strike(40);
    deliver();
    EXPECT_EQ(deckRx.count(RepaintDiagramEvent), 2);
    EXPECT_EQ(mainRx.count(ClearStatusbarEvent), 1);
}

TEST_F(Ringing, AfterTheLastClusterKeysRingNothingAndTheSongMayEnd)
{
    TrackPlan t;
    t.note(0, 100, 60).note(480, 100, 62);
    ASSERT_TRUE(load(songBytes({t}), {0}));
    start();
    EXPECT_TRUE(loop->keepsSongAlive());
    EXPECT_EQ(strike(40), Notes{60});
    EXPECT_EQ(deck.tracks.playedUpTo[0], 480u);
    press(40);
    EXPECT_EQ(deck.tracks.playedUpTo[0], UINT64_MAX);
    EXPECT_TRUE(loop->keepsSongAlive()) << "a key is held";
    release(40);
    EXPECT_FALSE(loop->keepsSongAlive());
    EXPECT_EQ(strike(40), Notes{});
    EXPECT_EQ(loop->heldKeys(), 0);
}

// ---------------------------------------------------------------- split keyboard

struct Split : Interactive {
    // Three tracks on channels 0, 1, 2 in zones 1, 2, 3 (as prepared).
    void SetUp() override
    {
        std::vector<TrackPlan> tracks(3);
        tracks[0].run(0, 480, 8, 36, 0);
        tracks[1].run(0, 480, 8, 72, 1);
        tracks[2].run(0, 480, 8, 108, 2);
        ASSERT_TRUE(load(songBytes(tracks), {}));
        keyboard().kbenablesplit = true;
        keyboard().lowkey = 64;
        keyboard().highkey = 103;
    }
};

TEST_F(Split, KeysFallIntoZonesAtTheFirstKeyOfEach)
{
    EXPECT_EQ(InteractiveLoop::zoneOfKey(keyboard(), 0), 1);
    EXPECT_EQ(InteractiveLoop::zoneOfKey(keyboard(), 63), 1);
    EXPECT_EQ(InteractiveLoop::zoneOfKey(keyboard(), 64), 2);
    EXPECT_EQ(InteractiveLoop::zoneOfKey(keyboard(), 102), 2);
    EXPECT_EQ(InteractiveLoop::zoneOfKey(keyboard(), 103), 3);
    EXPECT_EQ(InteractiveLoop::zoneOfKey(keyboard(), 127), 3);
    keyboard().kbenablesplit = false;
    EXPECT_EQ(InteractiveLoop::zoneOfKey(keyboard(), 63), 4);
}

TEST_F(Split, EachZoneDrivesItsOwnTrack)
{
    for (int d = 0; d < 3; ++d) deck.tracks.keyboard[size_t(d)] = 1;
    EXPECT_EQ(deck.tracks.zone, (std::vector<int>{1, 2, 3, 0}));
    start();
    EXPECT_EQ(strike(63), Notes{36});
    EXPECT_EQ(strike(64), Notes{72});
    EXPECT_EQ(strike(103), Notes{108});
    // Independently: the high zone moves on, the others stay.
    EXPECT_EQ(strike(110), Notes{109});
    EXPECT_EQ(strike(127), Notes{110});
    EXPECT_EQ(strike(20), Notes{37});
    EXPECT_EQ(strike(90), Notes{73});
    // All three at once, as three players would.
    out.sent.clear();
    press(30);
    press(80);
    press(120);
    EXPECT_EQ(out.ringingKeys(), (Notes{38, 74, 111}));
    const auto lit = out.echoes(SND_SEQ_EVENT_USR6);
    ASSERT_EQ(lit.size(), 3u);
    EXPECT_EQ(lit[0].flag(), 1);
    EXPECT_EQ(lit[1].flag(), 2);
    EXPECT_EQ(lit[2].flag(), 3);
    EXPECT_EQ(loop->heldKeys(), 3);
    out.sent.clear();
    release(80);
    const auto off = out.music(SND_SEQ_EVENT_NOTEOFF);
    ASSERT_EQ(off.size(), 1u);
    EXPECT_EQ(off[0].note(), 74);
    EXPECT_EQ(off[0].channel(), 1);
    release(30);
    release(120);
    EXPECT_EQ(loop->heldKeys(), 0);
}

TEST_F(Split, ATrackWithoutAZonePlaysFromTheLowZone)
{
    // As a bound free track comes: zone 0.
    deck.tracks.keyboard[0] = 1;
    deck.tracks.zone[0] = 0;
    start();
    EXPECT_EQ(strike(30), Notes{36});
    EXPECT_EQ(strike(70), Notes{70}) << "the central zone is free";
}

TEST_F(Interactive, AFinishedZoneLeavesTheOtherZonesPositionAlone)
{
    TrackPlan low, central;
    low.note(0, 100, 40);
    central.note(0, 100, 70).note(480, 100, 71);
    ASSERT_TRUE(load(songBytes({low, central}), {0, 1}));
    keyboard().kbenablesplit = true;
    start();
    EXPECT_EQ(strike(80), Notes{70});
    EXPECT_EQ(deck.tracks.playedUpTo[1], 480u) << "its last cluster is next";
    EXPECT_EQ(strike(30), Notes{40});
    EXPECT_EQ(deck.tracks.playedUpTo[0], UINT64_MAX);
    EXPECT_EQ(deck.tracks.playedUpTo[1], 480u) << "still to be played";
    EXPECT_EQ(strike(80), Notes{71});
    EXPECT_EQ(deck.tracks.playedUpTo[1], UINT64_MAX);
}

TEST_F(Split, AKeyInAZoneNoTrackUsesPlaysTheFreeTrackAndIsRecordedAsPlayed)
{
    deck.tracks.keyboard[0] = deck.tracks.keyboard[1] = 1; // the high zone is free
    const int f = freeTrack();
    deck.tracks.transpose[size_t(f)] = 2;
    deck.tracks.velocityShift[size_t(f)] = -10;
    const int channel = firstSetChannel(deck.tracks.channelPattern[size_t(f)]);
    ASSERT_NE(channel, 0) << "the free track got a channel of its own";
    deck.recording = true;
    start();
    out.tick = 700;
    press(110, 60);
    auto free = out.music(SND_SEQ_EVENT_NOTEON);
    ASSERT_EQ(free.size(), 1u);
    EXPECT_EQ(free[0].kind, Sent::Now);
    EXPECT_EQ(free[0].note(), 112);
    EXPECT_EQ(free[0].velocity(), 50);
    EXPECT_EQ(free[0].channel(), channel);
    EXPECT_EQ(free[0].ev.dest.client, kSynth);
    EXPECT_EQ(loop->heldFreeNotes(), 1);
    EXPECT_EQ(loop->heldKeys(), 0);
    out.tick = 900;
    out.sent.clear();
    release(110);
    const auto off = out.music(SND_SEQ_EVENT_NOTEOFF);
    ASSERT_EQ(off.size(), 1u);
    EXPECT_EQ(off[0].note(), 112);
    EXPECT_EQ(loop->heldFreeNotes(), 0);
    EXPECT_EQ(loop->freeNotes(), 1) << "note-offs are not counted";
    EXPECT_TRUE(loop->keepsSongAlive()) << "a take with free notes runs on";

    // Stored as played: the track's offsets apply when it plays.
    const auto stored = eventsOf(deck.tracks.storeTrackOf(f));
    std::vector<std::tuple<uint64_t, int, int, int, int>> notes;
    for (const EventNode* n : stored)
        if (n->type() == SND_SEQ_EVENT_NOTEON || n->type() == SND_SEQ_EVENT_NOTEOFF)
            notes.emplace_back(n->tick, n->type(), n->note(), n->velocity(), n->channel());
    EXPECT_EQ(notes, (std::vector<std::tuple<uint64_t, int, int, int, int>>{
                         {700, SND_SEQ_EVENT_NOTEON, 110, 60, channel},
                         {900, SND_SEQ_EVENT_NOTEOFF, 110, 64, channel}}));
    EXPECT_EQ(deck.tracks.noteOnCount[size_t(f)], 1u);
}

// ---------------------------------------------------------------- any order

// Keys shown on the virtual keyboards with a key state (7 expected, 0 off).
std::vector<int> shownKeys(const RecordingSink& out, int state)
{
    std::vector<int> keys;
    for (const Sent& s : out.echoes(state == 0 ? SND_SEQ_EVENT_USR4 : SND_SEQ_EVENT_USR3, 2))
        if (s.flag() == state) keys.push_back(s.echoNote());
    return keys;
}

struct AnyOrder : Interactive {
    void SetUp() override
    {
        TrackPlan t;
        t.note(0, 100, 60).note(5, 100, 64).note(10, 100, 67).controller(8, 7, 90);
        t.note(480, 100, 72).note(490, 100, 76);
        t.note(960, 100, 79);
        ASSERT_TRUE(load(songBytes({t, TrackPlan().run(0, 480, 4, 40, 1)}), {0}));
        keyboard().kbmode = 1;
    }
    std::vector<int> expected(int state) const { return shownKeys(out, state); }
};

TEST_F(AnyOrder, AWrongKeyFlashesTwiceAndRingsNothing)
{
    start();
    EXPECT_EQ(expected(7), (Notes{60, 64, 67})) << "the cluster's keys are shown";
    out.sent.clear();
    press(61);
    EXPECT_TRUE(out.music().empty());
    std::vector<Sent> flashes;
    for (const Sent& s : out.sent)
        if (s.toSelf()) flashes.push_back(s);
    ASSERT_EQ(flashes.size(), 4u);
    const uint64_t tol = deck.timing.tick_tol;
    ASSERT_EQ(tol, 96u);
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(flashes[i].type(), i % 2 ? SND_SEQ_EVENT_USR4 : SND_SEQ_EVENT_USR3);
        EXPECT_EQ(flashes[i].ev.tag, 2);
        EXPECT_EQ(flashes[i].flag(), i % 2 ? 0 : 8);
        EXPECT_EQ(flashes[i].echoNote(), 61);
        EXPECT_EQ(flashes[i].time, i * tol);
    }
    EXPECT_EQ(loop->heldKeys(), 1);
    out.sent.clear();
    release(61);
    EXPECT_TRUE(out.music().empty());
    EXPECT_EQ(loop->heldKeys(), 0);
}

TEST_F(AnyOrder, TheLastExpectedNoteRingsTheRestAndPreparesTheNextCluster)
{
    start();
    out.sent.clear();
    press(67, 50);
    auto sent = out.music();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].kind, Sent::Now);
    EXPECT_EQ(sent[0].note(), 67);
    EXPECT_EQ(sent[0].velocity(), 50);
    EXPECT_EQ(expected(0), Notes{67}) << "its mark goes out";
    out.sent.clear();
    press(60, 60);
    press(64, 70);
    sent = out.music();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].note(), 60);
    EXPECT_EQ(sent[1].note(), 64);
    EXPECT_EQ(sent[2].type(), SND_SEQ_EVENT_CONTROLLER);
    EXPECT_EQ(sent[2].kind, Sent::In);
    EXPECT_EQ(sent[2].time, 8u);
    EXPECT_EQ(expected(7), (Notes{72, 76}));
    EXPECT_EQ(deck.tracks.playedUpTo[0], 960u);
    EXPECT_EQ(loop->heldKeys(), 3);
    out.sent.clear();
    for (int k : {60, 64, 67}) release(k);
    const auto off = out.music(SND_SEQ_EVENT_NOTEOFF);
    ASSERT_EQ(off.size(), 3u);
    for (const Sent& s : off) EXPECT_EQ(s.time, 0u) << "each ends with its key";
    EXPECT_EQ(loop->heldKeys(), 0);
    // A key of the next cluster pressed twice counts once.
    out.sent.clear();
    press(76);
    release(76);
    press(76);
    EXPECT_EQ(out.ringingKeys(), Notes{76});
    release(76);
}

TEST_F(AnyOrder, TheLastClusterIsPlayedOnceAndTheSongMayEnd)
{
    start();
    for (int k : {60, 64, 67, 72, 76, 79}) {
        press(k);
        release(k);
    }
    EXPECT_EQ(loop->heldKeys(), 0);
    EXPECT_FALSE(loop->keepsSongAlive());
    out.sent.clear();
    press(79);
    EXPECT_EQ(out.ringingKeys(), Notes{}) << "the last chord does not come back";
    release(79);
}

TEST_F(AnyOrder, AWrongKeyFlashesOnceForEachListeningTrackButCountsOnce)
{
    deck.tracks.keyboard[1] = 1;
    start();
    out.sent.clear();
    press(100);
    EXPECT_EQ(out.echoes(SND_SEQ_EVENT_USR3, 2).size(), 4u);
    EXPECT_EQ(out.echoes(SND_SEQ_EVENT_USR4, 2).size(), 4u);
    EXPECT_EQ(loop->heldKeys(), 1);
    release(100);
    EXPECT_EQ(loop->heldKeys(), 0);
    // Both tracks' first notes make one cluster.
    out.sent.clear();
    for (int k : {40, 60, 64, 67}) press(k);
    EXPECT_EQ(out.ringingKeys(), (Notes{40, 60, 64, 67}));
    EXPECT_EQ(loop->heldKeys(), 4);
    for (int k : {40, 60, 64, 67}) release(k);
    EXPECT_EQ(loop->heldKeys(), 0);
}

TEST_F(Interactive, AnyOrderOnASplitKeyboardCoversTheWholeKeyboard)
{
    // Track 0 is in the low zone, yet its notes lie in the central and high
    // ones, and the high zone has no track at all.
    TrackPlan low;
    low.note(0, 100, 70).note(0, 100, 110).note(480, 100, 36);
    TrackPlan central;
    central.note(0, 100, 80);
    ASSERT_TRUE(load(songBytes({low, central}), {0, 1}));
    keyboard().kbmode = 1;
    keyboard().kbenablesplit = true;
    keyboard().lowkey = 64;
    keyboard().highkey = 103;
    start();
    std::vector<int> shown = shownKeys(out, 7);
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (Notes{70, 80, 110}));
    out.sent.clear();
    for (int k : {110, 70}) press(k);
    EXPECT_EQ(out.ringingKeys(), (Notes{110, 70}));
    EXPECT_EQ(loop->heldKeys(), 2);
    out.sent.clear();
    release(110);
    release(70);
    const auto off = out.music(SND_SEQ_EVENT_NOTEOFF);
    ASSERT_EQ(off.size(), 2u) << "no note hangs";
    EXPECT_EQ(off[0].note(), 110);
    EXPECT_EQ(off[1].note(), 70);
    EXPECT_EQ(loop->heldKeys(), 0);
    EXPECT_EQ(loop->heldFreeNotes(), 0);
    press(80);
    release(80);
    EXPECT_EQ(shownKeys(out, 7), (Notes{36})) << "next cluster, still for the whole keyboard";
}

TEST_F(AnyOrder, ARecordedTakeKeepsEachNoteBetweenItsKeyPressAndRelease)
{
    deck.recording = true;
    start();
    struct Played {
        int key;
        uint64_t on, off;
    };
    const std::vector<Played> played{{64, 1000, 1300}, {60, 1010, 1200}, {67, 1100, 1150}};
    for (const Played& p : played) {
        out.tick = p.on;
        press(p.key);
    }
    for (const Played& p : played) {
        out.tick = p.off;
        release(p.key);
    }
    keepTake(deck, 0, false);
    for (const Played& p : played) {
        SCOPED_TRACE(p.key);
        const EventNode* n = noteOn(1, p.key);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->tick, p.on);
        ASSERT_NE(n->partner, nullptr);
        EXPECT_EQ(n->partner->tick, p.off);
    }
}

// ---------------------------------------------------------------- recording

struct Recording : Interactive {
    void SetUp() override
    {
        TrackPlan t;
        t.note(0, 100, 60).note(10, 100, 64).note(480, 100, 67).note(1920, 100, 69);
        t.note(4800, 100, 71);
        ASSERT_TRUE(load(songBytes({t}), {0}));
    }
    std::vector<std::pair<int, uint64_t>> times(int type) const
    {
        std::vector<std::pair<int, uint64_t>> found;
        for (const EventNode* n = song.events.head(); n; n = n->next)
            if (n->track == 1 && n->type() == type) found.emplace_back(n->note(), n->tick);
        return found;
    }
    void playTake()
    {
        deck.recording = true;
        start();
        out.tick = 1000;
        press(40);
        out.tick = 1300;
        release(40);
    }
    using Times = std::vector<std::pair<int, uint64_t>>;
};

TEST_F(Recording, PlayedTimesGoToTheAlternateTickAndAKeptTakeUsesThem)
{
    playTake();
    EXPECT_EQ(noteOn(1, 60)->altTick, 1000u);
    EXPECT_EQ(noteOn(1, 64)->altTick, 1010u);
    EXPECT_EQ(noteOn(1, 64)->tick, 10u);
    EXPECT_EQ(noteOn(1, 64)->partner->altTick, 1310u);
    // Counted as the clusters are prepared: the first two, then the next one.
    EXPECT_EQ(loop->interactiveNotes(), 3);
    keepTake(deck, 0, false);
    EXPECT_EQ(times(SND_SEQ_EVENT_NOTEON),
              (Times{{67, 480}, {60, 1000}, {64, 1010}, {69, 1920}, {71, 4800}}));
    EXPECT_EQ(times(SND_SEQ_EVENT_NOTEOFF),
              (Times{{67, 580}, {60, 1300}, {64, 1310}, {69, 2020}, {71, 4900}}));
}

TEST_F(Recording, ADiscardedTakeKeepsTheFileTimes)
{
    playTake();
    discardTake(deck, 0, false);
    EXPECT_EQ(times(SND_SEQ_EVENT_NOTEON),
              (Times{{60, 0}, {64, 10}, {67, 480}, {69, 1920}, {71, 4800}}));
    EXPECT_EQ(times(SND_SEQ_EVENT_NOTEOFF),
              (Times{{60, 100}, {64, 110}, {67, 580}, {69, 2020}, {71, 4900}}));
}

TEST_F(Recording, ShowingTheShiftMovesNotesAtOnceAndDiscardingMovesThemBack)
{
    options.showshiftwhenrecording = true;
    playTake();
    EXPECT_EQ(noteOn(1, 64)->tick, 1010u);
    EXPECT_EQ(noteOn(1, 64)->altTick, 10u);
    discardTake(deck, 0, true);
    EXPECT_EQ(times(SND_SEQ_EVENT_NOTEON),
              (Times{{60, 0}, {64, 10}, {67, 480}, {69, 1920}, {71, 4800}}));
    EXPECT_TRUE(song.events.isSorted());
}

TEST_F(Recording, ShowingTheShiftThenKeepingSortsThePlayedNotesIn)
{
    options.showshiftwhenrecording = true;
    playTake();
    keepTake(deck, 0, true);
    EXPECT_EQ(times(SND_SEQ_EVENT_NOTEON),
              (Times{{67, 480}, {60, 1000}, {64, 1010}, {69, 1920}, {71, 4800}}));
    EXPECT_TRUE(song.events.isSorted());
}

TEST_F(Recording, PlayedTimesAreSongTicksFromTheSessionStart)
{
    deck.currentBeat = 5;
    ASSERT_EQ(deck.repositionCursors(), 3);
    deck.recording = true;
    start(1920);
    out.tick = 100;
    press(40);
    out.tick = 150;
    release(40);
    EXPECT_EQ(noteOn(1, 69)->altTick, 2020u);
    keepTake(deck, 0, false);
    EXPECT_EQ(noteOn(1, 69)->tick, 2020u) << "no shift at the end of the take";
    EXPECT_EQ(noteOn(1, 69)->partner->tick, 2070u);
    EXPECT_EQ(noteOn(1, 60)->tick, 0u);
}

TEST_F(Recording, BindingAKeptFreeTakeAppliesTheFreeTracksOffsetsOnce)
{
    keyboard().kbenablesplit = true; // track 0 is in the low zone
    const int f = freeTrack();
    deck.tracks.transpose[size_t(f)] = 2;
    deck.tracks.velocityShift[size_t(f)] = 10;
    deck.recording = true;
    start();
    out.tick = 200;
    press(70, 60);
    EXPECT_EQ(out.ringingKeys(), Notes{72}) << "heard with the offsets";
    out.tick = 260;
    release(70);
    deck.recording = false;
    ASSERT_EQ(loop->freeNotes(), 1);
    keepTake(deck, loop->freeNotes(), false);
    ASSERT_EQ(bindFree(deck, true), 1);
    const auto bound = eventsOf(2); // the new file track after the conductor and track 1
    std::vector<std::tuple<uint64_t, int, int>> notes;
    for (const EventNode* n : bound)
        if (n->isSoundingNoteOn()) notes.emplace_back(n->tick, n->note(), n->velocity());
    EXPECT_EQ(notes, (std::vector<std::tuple<uint64_t, int, int>>{{200, 72, 70}}));
}

// ---------------------------------------------------------------- tempo following

struct TempoFollower : Interactive {
    void SetUp() override
    {
        std::vector<TrackPlan> tracks(2);
        tracks[0].run(0, 480, 100, 48, 0);
        tracks[1].run(0, 480, 100, 72, 1);
        ASSERT_TRUE(load(songBytes(tracks), {0}));
        options.tempoadapt = true;
    }
    // Rings `count` clusters with `key`, the accompaniment advancing `clock`
    // ticks before each; returns after which rings a tempo ratio came.
    std::vector<int> ring(int count, int key, uint64_t clock)
    {
        std::vector<int> at;
        for (int i = 1; i <= count; ++i) {
            loop->clockStep(int(clock));
            const size_t before = deckRx.values(TempoRatioEvent).size();
            press(key);
            release(key);
            deliver();
            if (deckRx.values(TempoRatioEvent).size() > before) at.push_back(i);
        }
        return at;
    }
    static void expectEveryNinth(const std::vector<int>& at, size_t atLeast)
    {
        ASSERT_GE(at.size(), atLeast);
        EXPECT_LE(at[0], 18) << "the first estimate may only reset the follower";
        for (size_t i = 1; i < at.size(); ++i) EXPECT_EQ(at[i] - at[i - 1], 9);
    }
};

TEST_F(TempoFollower, EveryNinthRingEstimatesTheRatioOfAccompanimentToPlayer)
{
    start();
    // The accompaniment moves 600 ticks while the player moves 480: 1.25.
    const auto at = ring(45, 40, 600);
    expectEveryNinth(at, 4);
    const auto ratios = deckRx.values(TempoRatioEvent);
    for (size_t i = 1; i < ratios.size(); ++i) EXPECT_NEAR(ratios[i], 1.25, 1e-6);
}

TEST_F(TempoFollower, ABoostOutside83To120StopsFollowingUntilItIsBack)
{
    start();
    deck.setTempoBoost(121);
    EXPECT_TRUE(ring(30, 40, 480).empty());
    deck.setTempoBoost(82);
    EXPECT_TRUE(ring(30, 40, 480).empty());
    deck.setTempoBoost(120);
    EXPECT_FALSE(ring(18, 40, 480).empty());
}

TEST_F(TempoFollower, OnlyTheLeadingZoneOfASplitKeyboardCounts)
{
    deck.tracks.keyboard[1] = 1;
    keyboard().kbenablesplit = true;
    keyboard().tempoleader = false;
    start();
    EXPECT_TRUE(ring(20, 40, 480).empty());
    EXPECT_TRUE(ring(20, 80, 480).empty());
    keyboard().tempoleader = true;
    keyboard().leadzone = 2;
    EXPECT_TRUE(ring(20, 40, 480).empty()) << "the low zone does not lead";
    expectEveryNinth(ring(30, 80, 480), 2);
}

TEST_F(TempoFollower, ASessionStartedLaterInTheSongContinuesFromTheSongPosition)
{
    start();
    ring(27, 40, 480);
    deck.currentBeat = 41;
    ASSERT_EQ(deck.repositionCursors(), 3);
    const size_t before = deckRx.values(TempoRatioEvent).size();
    start(40 * 480);
    ring(27, 40, 480);
    const auto ratios = deckRx.values(TempoRatioEvent);
    ASSERT_GE(ratios.size(), before + 2);
    for (size_t i = before; i < ratios.size(); ++i) EXPECT_NEAR(ratios[i], 1.0, 0.1) << i;
}

TEST_F(TempoFollower, TheDeckTurnsARatioIntoABoostWithinItsClamp)
{
    DeckSession session(deck, options, &mainRx);
    const auto follow = [&](double ratio) {
        postEvent(&session, new DoubleEvent(TempoRatioEvent, ratio));
        deliver();
        return deck.timing.tempoBoost;
    };
    EXPECT_EQ(follow(1.25), 83);
    EXPECT_EQ(session.effectiveTempo(), 500000 * 100 / 83);
    EXPECT_EQ(follow(1.0), 83);
    EXPECT_EQ(follow(0.9), 92);
    EXPECT_EQ(follow(0.5), 120);
    EXPECT_NEAR(deck.timing.tempo, 500000 * 100 / 120, 2) << "the deck's tempo follows";
}

// ---------------------------------------------------------------- allocation

struct Allocation : Interactive {
    // Counts the allocations of `work`, which must also report that it did something.
    long allocationsOf(const std::function<int()>& work, int* done)
    {
        newCalls = 0;
        mallocCalls = 0;
        countAllocations = true;
        *done = work();
        countAllocations = false;
        return newCalls.load() + mallocCalls.load();
    }
};

TEST_F(Allocation, AThousandKeyPressesAllocateNothing)
{
    std::vector<TrackPlan> tracks(2);
    for (uint32_t i = 0; i < 1100; ++i) {
        tracks[0].note(i * 240, 100, 40 + int(i % 20)).note(i * 240 + 8, 100, 52 + int(i % 5));
        tracks[0].controller(i * 240 + 4, 11, int(i % 128));
        tracks[1].note(i * 240, 100, 70 + int(i % 20), 100, 1);
    }
    ASSERT_TRUE(load(songBytes(tracks), {0, 1}));
    keyboard().kbenablesplit = true;
    start();
    const auto pair = [this](int key, int velocity) {
        press(key, velocity);
        release(key);
    };
    for (int i = 0; i < 20; ++i) {
        pair(30, 90);
        pair(80, 90);
        pair(110, 90); // the free track
    }
    // The repaint asked for is still on its way, as while the GUI is busy.
    out.sent.clear();
    int rung = 0;
    const long allocated = allocationsOf(
        [&] {
            int notes = 0;
            for (int i = 0; i < 1000; ++i) {
                pair(i % 2 ? 64 + i % 39 : 20 + i % 44, 1 + i % 127);
                if (i % 10 == 0) pair(104 + i % 20, 64);
                for (const Sent& s : out.sent)
                    if (s.type() == SND_SEQ_EVENT_NOTEON && !s.toSelf()) ++notes;
                out.sent.clear();
            }
            return notes;
        },
        &rung);
    EXPECT_EQ(allocated, 0);
    EXPECT_EQ(rung, 500 * 2 + 500 + 100) << "both tracks' clusters and the free notes";
    EXPECT_EQ(loop->heldKeys(), 0);
}

TEST_F(Allocation, AThousandClustersPlayedInAnyOrderAllocateNothing)
{
    TrackPlan t;
    for (uint32_t i = 0; i < 1050; ++i)
        t.note(i * 240, 100, 40 + int(i % 30)).note(i * 240 + 5, 100, 80 + int(i % 30));
    ASSERT_TRUE(load(songBytes({t}), {0}));
    keyboard().kbmode = 1;
    start();
    const auto cluster = [this](uint32_t i) {
        const int low = 40 + int(i % 30), high = 80 + int(i % 30);
        press(39); // wrong
        release(39);
        press(high);
        press(low);
        release(low);
        release(high);
    };
    for (uint32_t i = 0; i < 20; ++i) cluster(i);
    out.sent.clear();
    int rung = 0;
    const long allocated = allocationsOf(
        [&] {
            int notes = 0;
            for (uint32_t i = 20; i < 1020; ++i) {
                cluster(i);
                for (const Sent& s : out.sent)
                    if (s.type() == SND_SEQ_EVENT_NOTEON && !s.toSelf()) ++notes;
                out.sent.clear();
            }
            return notes;
        },
        &rung);
    EXPECT_EQ(allocated, 0);
    EXPECT_EQ(rung, 2000);
}

// ---------------------------------------------------------------- PC keyboard

TEST(PcKeys, TheKeyTableMapsQtKeyCodesToNotes)
{
    EXPECT_EQ(DeckSession::pcKeyNote(Qt::Key_A), 10) << "letters arrive upper-case";
    EXPECT_EQ(DeckSession::pcKeyNote(Qt::Key_Z), 35);
    EXPECT_EQ(DeckSession::pcKeyNote(Qt::Key_0), 0);
    EXPECT_EQ(DeckSession::pcKeyNote(Qt::Key_9), 9);
    EXPECT_EQ(DeckSession::pcKeyNote(Qt::Key_F1), 36);
    EXPECT_EQ(DeckSession::pcKeyNote(Qt::Key_F35), 70);
    EXPECT_EQ(DeckSession::pcKeyNote(Qt::Key_Exclam), -1) << "Shift+1";
    EXPECT_EQ(DeckSession::pcKeyNote(Qt::Key_Space), -1);
    EXPECT_EQ(DeckSession::pcKeyNote('a'), -1) << "no lower-case codes";
    EXPECT_EQ(DeckSession::pcKeyNote(Qt::Key_Escape), -1);
}

TEST_F(Interactive, WithoutASessionPcKeysAreLeftToTheWidgets)
{
    TrackPlan t;
    t.note(0, 100, 60);
    ASSERT_TRUE(load(songBytes({t}), {0}));
    DeckSession session(deck, options, &mainRx);
    EXPECT_FALSE(session.pcKeyEvent(Qt::Key_A, true));
    deck.tracks.input[0] = &devices.pcKeyboard;
    EXPECT_TRUE(session.pcKeyboardPlay());
    deck.tracks.mute[0] = 1;
    EXPECT_FALSE(session.pcKeyboardPlay());
}

} // namespace
