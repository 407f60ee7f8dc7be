// The player's side of a session against a recording sink: no sequencer needed.

#include "deckfixture.h"

#include "core/events.h"
#include "core/settings.h"
#include "engine/decksession.h"
#include "engine/interactive.h"
#include "engine/listenloop.h"
#include "engine/seqclient.h"
#include "song/songnames.h"
#include "song/trackediting.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <map>
#include <tuple>
#include <utility>

// Every allocation of the process is counted while a test asks for it. Qt's
// containers call malloc, and operator new ends there too.
namespace
{
std::atomic<bool> countAllocations{false};
std::atomic<long> allocations{0};
void noteAllocation()
{
    if (countAllocations.load(std::memory_order_relaxed)) allocations.fetch_add(1);
}
} // namespace

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* malloc(size_t size) noexcept
{
    noteAllocation();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) noexcept
{
    noteAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) noexcept
{
    noteAllocation();
    return __libc_realloc(p, size);
}
}

namespace
{

// Posted events need an application object.
struct ApplicationEnvironment : ::testing::Environment {
    int argc = 1;
    char name[17] = "test_interactive";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    void SetUp() override { app = std::make_unique<QCoreApplication>(argc, argv); }
    void TearDown() override { app.reset(); }
};
[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

constexpr int kKeyboard = 20; // DeckFixture's first input device
constexpr int kSynth = 128;   // and its output
constexpr snd_seq_addr_t kSelf{130, 1};

// What the engine handed to the sequencer, in order: whether now, at a queue
// tick or in some ticks from now, and the event.
struct Sent {
    char kind; // '!' now, '@' at, '+' in
    uint64_t time;
    snd_seq_event_t ev;

    bool toSelf() const { return ev.dest.client == kSelf.client && ev.dest.port == kSelf.port; }
    int type() const { return ev.type; }
    int note() const { return ev.data.note.note; }
    // "on 60/77 c1 +10": a note-on of key 60 at velocity 77 on channel 2, 10
    // ticks after the key; "lit 64 z4 +10": the key shown in zone 4. The
    // channel and devices show when they are not the first.
    std::string str() const
    {
        static const std::map<int, std::string> names = {
            {SND_SEQ_EVENT_NOTEON, "on"}, {SND_SEQ_EVENT_NOTEOFF, "off"},
            {SND_SEQ_EVENT_NOTE, "note"}, {SND_SEQ_EVENT_CONTROLLER, "ctl"},
            {SND_SEQ_EVENT_USR3, "show"}, {SND_SEQ_EVENT_USR4, "hide"},
            {SND_SEQ_EVENT_USR6, "lit"},  {SND_SEQ_EVENT_USR7, "unlit"}};
        std::string s = names.count(type()) ? names.at(type()) : "type" + std::to_string(type());
        const auto& d = ev.data.raw8.d;
        if (toSelf()) {
            s += " " + std::to_string(d[1]) + " z" + std::to_string(d[0]);
            if (d[2] != kKeyboard) s += " k" + std::to_string(d[2]);
        } else if (type() != SND_SEQ_EVENT_CONTROLLER) {
            s += " " + std::to_string(note()) + "/" + std::to_string(ev.data.note.velocity);
            if (type() == SND_SEQ_EVENT_NOTE) s += ":" + std::to_string(ev.data.note.duration);
            if (ev.data.note.channel) s += " c" + std::to_string(ev.data.note.channel);
            if (ev.dest.client != kSynth) s += " ->" + std::to_string(ev.dest.client);
        }
        return s + " " + kind + (kind == '!' ? "" : std::to_string(time));
    }
};

class RecordingSink : public EventSink
{
public:
    RecordingSink() { sent.reserve(1 << 16); }

    void scheduleAt(snd_seq_event_t& ev, uint64_t at) override { sent.push_back({'@', at, ev}); }
    void scheduleIn(snd_seq_event_t& ev, uint64_t ticks) override
    {
        sent.push_back({'+', ticks, ev});
    }
    void sendNow(snd_seq_event_t& ev) override { sent.push_back({'!', 0, ev}); }
    uint64_t currentTick() override { return tick; }
    snd_seq_addr_t self() const override { return kSelf; }

    // What was sent for the outputs, or shown on the virtual keyboards.
    std::string played(bool echoes = false) const
    {
        std::string out;
        for (const Sent& s : sent)
            if (s.toSelf() == echoes) out += (out.empty() ? "" : ", ") + s.str();
        return out;
    }
    // Keys starting to sound: note-ons with a velocity, and whole notes.
    std::vector<int> ringingKeys() const
    {
        std::vector<int> keys;
        for (const Sent& s : sent)
            if (!s.toSelf() && ((s.type() == SND_SEQ_EVENT_NOTEON && s.ev.data.note.velocity) ||
                                s.type() == SND_SEQ_EVENT_NOTE))
                keys.push_back(s.note());
        return keys;
    }

    uint64_t tick = 0;
    std::vector<Sent> sent;
};

// The deck's and the main window's side of the posted events: their types,
// and the tempo ratios.
class Receiver : public QObject
{
public:
    std::vector<int> types;
    std::vector<double> ratios;
    std::atomic<bool>* repaintPosted = nullptr;

    int count(int type) const { return int(std::count(types.begin(), types.end(), type)); }

protected:
    void customEvent(QEvent* event) override
    {
        const int type = event->type();
        types.push_back(type);
        if (type == TempoRatioEvent) ratios.push_back(static_cast<DoubleEvent*>(event)->value);
        // As the deck does: the next key press may ask for a repaint again.
        if (type == RepaintDiagramEvent && repaintPosted) *repaintPosted = false;
    }
};

// A track described by absolute ticks; the file bytes follow from it.
struct TrackPlan {
    std::vector<std::tuple<uint32_t, int, int, int>> items; // tick, status, data

    TrackPlan& note(uint32_t tick, uint32_t length, int key, int velocity = 100, int ch = 0)
    {
        return add(tick, 0x90 | ch, key, velocity).add(tick + length, 0x80 | ch, key, 64);
    }
    TrackPlan& add(uint32_t tick, int status, int d1, int d2)
    {
        items.emplace_back(tick, status, d1, d2);
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

// A format 1 song at 480 ppq, 4/4, with a conductor track of these tempos.
QByteArray songBytes(const std::vector<TrackPlan>& tracks,
                     std::vector<std::pair<uint32_t, uint32_t>> tempos = {{0, 500000}})
{
    TrackBuilder conductor;
    conductor.timeSig(0, 4, 2);
    uint32_t at = 0;
    for (const auto& [tick, usec] : tempos) conductor.tempo(tick - std::exchange(at, tick), usec);
    std::vector<TrackBuilder> built{conductor.end()};
    for (const TrackPlan& plan : tracks) {
        auto items = plan.items;
        // Ends before starts at the same tick, as files store legato.
        std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
            return std::make_pair(std::get<0>(a), (std::get<1>(a) & 0xF0) == 0x90) <
                   std::make_pair(std::get<0>(b), (std::get<1>(b) & 0xF0) == 0x90);
        });
        TrackBuilder tb;
        uint32_t last = 0;
        for (const auto& [tick, status, d1, d2] : items)
            tb.channel(tick - std::exchange(last, tick), status, {d1, d2});
        built.push_back(tb.end());
    }
    return smfFile(1, 480, built);
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
        for (int d : played) deck.tracks.keyboard.at(size_t(d)) = 1;
        return ::testing::AssertionSuccess();
    }
    InputDevice& keyboard() { return *devices.inputs[0]; }
    int freeTrack() const { return deck.tracks.boundTracks; }

    void start(uint64_t startTick = 0)
    {
        loop = std::make_unique<InteractiveLoop>(deck, options, out, &deckRx, &mainRx);
        loop->begin(startTick, deck.currentBeat, SessionValues::fromDeck(deck).ticksPerMeasure);
    }
    void key(int type, int note, int velocity, int client, int port)
    {
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        ev.type = static_cast<snd_seq_event_type_t>(type);
        ev.source = {static_cast<unsigned char>(client), static_cast<unsigned char>(port)};
        ev.dest = kSelf;
        ev.data.note.note = static_cast<unsigned char>(note);
        ev.data.note.velocity = static_cast<unsigned char>(velocity);
        loop->handle(ev);
    }
    void press(int note, int velocity = 100, int client = kKeyboard, int port = 0)
    {
        key(SND_SEQ_EVENT_NOTEON, note, velocity, client, port);
    }
    void release(int note, int client = kKeyboard, int port = 0)
    {
        key(SND_SEQ_EVENT_NOTEOFF, note, 64, client, port);
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

    // A track's notes in list order, "60@0-100": key, tick and its end's tick.
    std::string notes(int track) const
    {
        std::string text;
        for (const EventNode* n : eventsOf(track))
            if (n->isSoundingNoteOn())
                text += (text.empty() ? "" : " ") + std::to_string(n->note()) + "@" +
                        std::to_string(n->tick) + "-" +
                        (n->partner ? std::to_string(n->partner->tick) : "?");
        return text;
    }
};

using Notes = std::vector<int>;

// ---------------------------------------------------------------- clusters and ringing

TEST_F(Interactive, NotesWithinToleranceOfThePreviousFormOneClusterBuiltAtTheBoostOfTheTime)
{
    // 100 ms at 480 ppq and 500 000 us per quarter note: 96 ticks.
    TrackPlan t;
    t.note(0, 30, 60).note(90, 30, 62).note(180, 30, 64); // each within 96 of the one before
    t.note(1000, 30, 65).note(1096, 30, 66);              // 96 apart: two clusters
    t.note(2000, 30, 67).note(2095, 30, 68);              // 95 apart: one
    t.note(3840, 30, 69).note(4020, 30, 70); // at twice the tempo the tolerance doubles
    t.note(4800, 20, 71).note(4860, 20, 72); // 60 apart at 50 % (48 ticks): two
    t.note(5760, 20, 73).note(5920, 20, 74); // 160 apart at 200 % (192 ticks): one
    ASSERT_TRUE(load(songBytes({t}, {{0, 500000}, {3840, 250000}, {4800, 500000}}), {0}));
    deck.setMsTol(100);
    EXPECT_EQ(deck.timing.tick_tol, 96u);
    start();
    for (const Notes& cluster : {Notes{60, 62, 64}, Notes{65}, Notes{66}, Notes{67, 68}})
        EXPECT_EQ(strike(40), cluster);
    // The first ring clears the status bar; presses ask for one repaint at a time.
    deliver();
    EXPECT_EQ(mainRx.count(ClearStatusbarEvent), 1);
    EXPECT_EQ(deckRx.count(RepaintDiagramEvent), 1);
    EXPECT_FALSE(deck.repaintPosted.load());
    // The next cluster is built as one rings: a boost changes the one after.
    deck.setTempoBoost(50);
    EXPECT_EQ(strike(40), (Notes{69, 70}));
    EXPECT_EQ(strike(40), Notes{71});
    deck.setTempoBoost(200);
    EXPECT_EQ(strike(40), Notes{72});
    EXPECT_EQ(strike(40), (Notes{73, 74}));
    EXPECT_EQ(strike(40), Notes{});
    deliver();
    EXPECT_EQ(deckRx.count(RepaintDiagramEvent), 2);
    EXPECT_EQ(mainRx.count(ClearStatusbarEvent), 1);
}

TEST_F(Interactive, APressRingsTheNextClusterWithItsOwnSpacingAndReleaseEndsEachNote)
{
    TrackPlan t;
    t.note(0, 200, 60, 70).note(10, 200, 64, 80).note(20, 200, 67, 90).add(15, 0xB0, 7, 99);
    t.add(240, 0x80, 61, 0).note(480, 100, 72, 100).note(490, 100, 73); // a stray note-off
    ASSERT_TRUE(load(songBytes({t}), {0}));
    start();
    EXPECT_EQ(out.played(), "") << "nothing sounds before a key";
    EXPECT_TRUE(loop->keepsSongAlive());

    press(50, 77);
    EXPECT_EQ(out.played(), "on 60/77 +0, on 64/77 +10, ctl +15, on 67/77 +20");
    EXPECT_EQ(out.played(true), "lit 60 z4 +0, lit 64 z4 +10, lit 67 z4 +20");
    EXPECT_EQ(loop->heldKeys(), 1);
    out.sent.clear();
    release(50);
    EXPECT_EQ(out.played(), "off 67/64 +20, off 64/64 +10, off 60/64 +0");
    EXPECT_EQ(out.played(true), "unlit 67 z4 +20, unlit 64 z4 +10, unlit 60 z4 +0");
    EXPECT_EQ(loop->heldKeys(), 0);
    out.sent.clear();
    release(50);
    EXPECT_EQ(out.played(), "") << "a second release has nothing left to end";

    out.sent.clear();
    press(51);
    EXPECT_EQ(out.ringingKeys(), (Notes{72, 73}));
    EXPECT_EQ(deck.tracks.playedUpTo[0], UINT64_MAX);
    EXPECT_TRUE(loop->keepsSongAlive()) << "a key is held";
    release(51);
    EXPECT_FALSE(loop->keepsSongAlive());
    EXPECT_EQ(strike(40), Notes{}) << "after the last cluster";
    EXPECT_FALSE(loop->halted());
    deliver();
    EXPECT_EQ(mainRx.count(WarningMessageEvent), 0);
    EXPECT_EQ(deckRx.count(HaltSessionEvent), 0);
}

TEST_F(Interactive, VelocitiesTakeTheTrackOffsetClampedAndTransposeMovesTheNote)
{
    ASSERT_TRUE(load(songBytes({TrackPlan().note(0, 100, 60)}), {0}));
    deck.tracks.transpose[0] = 3;
    struct Row {
        bool fileVelocities;
        int shift, keyVelocity, expected;
    };
    // The file's velocity is 100.
    for (const Row& r : std::vector<Row>{{false, 30, 50, 80},
                                         {false, 30, 110, 127},
                                         {false, -100, 50, 0},
                                         {false, 0, 1, 1},
                                         {true, 10, 5, 110},
                                         {true, 30, 5, 127},
                                         {true, -99, 5, 1}}) {
        options.filevel = r.fileVelocities;
        deck.tracks.velocityShift[0] = r.shift;
        deck.repositionCursors();
        start();
        out.sent.clear();
        press(40, r.keyVelocity);
        release(40);
        EXPECT_EQ(out.played(), "on 63/" + std::to_string(r.expected) + " +0, off 63/64 +0");
    }
}

TEST_F(Interactive, ThePcKeyboardPlaysTheFilesVelocitiesFromItsZones)
{
    TrackPlan t;
    t.note(0, 100, 60, 70).note(480, 100, 62, 90);
    ASSERT_TRUE(load(songBytes({t}), {0}));
    deck.tracks.input[0] = &devices.pcKeyboard;
    deck.tracks.zone[0] = 2; // the letter keys
    deck.tracks.velocityShift[0] = -20;
    start();
    // Our own client sends them, from port 255; a number key (low zone) finds
    // no track there and no free track listens.
    for (int key : {15, 5}) {
        press(key, 64, kSelf.client, kPcKeyboardPort);
        release(key, kSelf.client, kPcKeyboardPort);
    }
    EXPECT_EQ(out.played(), "on 60/50 +0, off 60/64 +0");
    EXPECT_EQ(out.played(true), "lit 60 z2 k255 +0, unlit 60 z2 k255 +0");
    // From the MIDI keyboard the same key is its free track's.
    EXPECT_EQ(strike(15, 64), Notes{15});

    // Letters arrive upper-case; Shift+1 and lower-case codes are no keys.
    const int qtKeys[] = {Qt::Key_A,  Qt::Key_Z,   Qt::Key_0,      Qt::Key_9,
                          Qt::Key_F1, Qt::Key_F35, Qt::Key_Exclam, 'a'};
    const int keyNotes[] = {10, 35, 0, 9, 36, 70, -1, -1};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(DeckSession::pcKeyNote(qtKeys[i]), keyNotes[i]) << i;
    // Without a session PC keys are left to the widgets.
    DeckSession session(deck, options, &mainRx);
    EXPECT_FALSE(session.pcKeyEvent(Qt::Key_A, true));
    EXPECT_TRUE(session.pcKeyboardPlay());
    deck.tracks.mute[0] = 1;
    EXPECT_FALSE(session.pcKeyboardPlay());
}

TEST_F(Interactive, FileDurationsLetTheSequencerEndTheNotes)
{
    TrackPlan t;
    t.note(0, 240, 60).note(10, 100, 64, 100, 9);
    t.add(480, 0x90, 67, 100); // never ended in the file: a measure
    ASSERT_TRUE(load(songBytes({t}), {0}));
    options.filedur = true;
    start();
    press(40, 90);
    release(40);
    press(40);
    EXPECT_EQ(out.played(), "note 60/90:240 +0, note 64/90:100 c9 +10, note 67/100:1920 +0");
    // Shown from start to end, except drums.
    EXPECT_EQ(out.played(true), "lit 60 z4 +0, unlit 60 z4 +240, lit 67 z4 +0, unlit 67 z4 +1920");
    EXPECT_EQ(loop->heldKeys(), 1);
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

TEST_F(Split, EachZoneFromItsFirstKeyDrivesItsOwnTrack)
{
    for (auto [key, zone] :
         std::vector<std::pair<int, int>>{{0, 1}, {63, 1}, {64, 2}, {102, 2}, {103, 3}, {127, 3}})
        EXPECT_EQ(InteractiveLoop::zoneOfKey(keyboard(), key), zone) << key;
    keyboard().kbenablesplit = false;
    EXPECT_EQ(InteractiveLoop::zoneOfKey(keyboard(), 63), 4);
    keyboard().kbenablesplit = true;

    for (int d = 0; d < 3; ++d) deck.tracks.keyboard[size_t(d)] = 1;
    EXPECT_EQ(deck.tracks.zone, (std::vector<int>{1, 2, 3, 0}));
    start();
    // Independently: the high zone moves on, the others stay.
    for (auto [key, note] : std::vector<std::pair<int, int>>{
             {63, 36}, {64, 72}, {103, 108}, {110, 109}, {127, 110}, {20, 37}, {90, 73}})
        EXPECT_EQ(strike(key), Notes{note}) << key;
    // All three at once, as three players would; each release ends its own.
    out.sent.clear();
    for (int key : {63, 102, 120}) press(key);
    release(102);
    EXPECT_EQ(out.played(), "on 38/100 +0, on 74/100 c1 +0, on 111/100 c2 +0, off 74/64 c1 +0");
    EXPECT_EQ(out.played(true), "lit 38 z1 +0, lit 74 z2 +0, lit 111 z3 +0, unlit 74 z2 +0");
    EXPECT_EQ(loop->heldKeys(), 2);
    release(63);
    release(120);
    EXPECT_EQ(loop->heldKeys(), 0);
}

TEST_F(Split, ATrackWithoutAZonePlaysFromTheLowZoneAndAFreeZoneFromTheFreeTrack)
{
    // As a bound free track comes: zone 0.
    deck.tracks.keyboard[0] = 1;
    deck.tracks.zone[0] = 0;
    const int f = freeTrack();
    deck.tracks.transpose[size_t(f)] = 2;
    deck.tracks.velocityShift[size_t(f)] = -10;
    const int channel = firstSetChannel(deck.tracks.channelPattern[size_t(f)]);
    ASSERT_EQ(channel, 3) << "the free track got a channel of its own";
    deck.recording = true;
    start();
    EXPECT_EQ(strike(30), Notes{36});
    out.tick = 700;
    out.sent.clear();
    press(70, 60);
    EXPECT_EQ(loop->heldFreeNotes(), 1);
    EXPECT_EQ(loop->heldKeys(), 0);
    out.tick = 900;
    release(70);
    EXPECT_EQ(out.played(), "on 72/50 c3 !, off 72/64 c3 !");
    EXPECT_EQ(loop->heldFreeNotes(), 0);
    EXPECT_EQ(loop->freeNotes(), 1) << "note-offs are not counted";
    EXPECT_TRUE(loop->keepsSongAlive()) << "a take with free notes runs on";

    // Stored as played: the track's offsets apply when it plays.
    std::vector<std::tuple<uint64_t, int, int, int, int>> notes;
    for (const EventNode* n : eventsOf(deck.tracks.storeTrackOf(f)))
        if (n->type() == SND_SEQ_EVENT_NOTEON || n->type() == SND_SEQ_EVENT_NOTEOFF)
            notes.emplace_back(n->tick, n->type(), n->note(), n->velocity(), n->channel());
    EXPECT_EQ(notes, (decltype(notes){{700, SND_SEQ_EVENT_NOTEON, 70, 60, channel},
                                      {900, SND_SEQ_EVENT_NOTEOFF, 70, 64, channel}}));
    EXPECT_EQ(deck.tracks.noteOnCount[size_t(f)], 1u);
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
    EXPECT_EQ(strike(30), Notes{40});
    EXPECT_EQ(deck.tracks.playedUpTo[0], UINT64_MAX);
    EXPECT_EQ(deck.tracks.playedUpTo[1], 480u) << "still to be played";
    EXPECT_EQ(strike(80), Notes{71});
    EXPECT_EQ(deck.tracks.playedUpTo[1], UINT64_MAX);
}

// ---------------------------------------------------------------- any order

struct AnyOrder : Interactive {
    void SetUp() override
    {
        TrackPlan t;
        t.note(0, 100, 60).note(5, 100, 64).note(10, 100, 67).add(8, 0xB0, 7, 90);
        t.note(480, 100, 72).note(490, 100, 76);
        t.note(960, 100, 79);
        ASSERT_TRUE(load(songBytes({t, TrackPlan().run(0, 480, 4, 40, 1)}), {0}));
        keyboard().kbmode = 1;
    }
};

TEST_F(AnyOrder, TheLastExpectedNoteRingsTheRestAndTheLastClusterIsPlayedOnce)
{
    start();
    EXPECT_EQ(out.played(true), "show 60 z7 !, show 64 z7 !, show 67 z7 !");
    out.sent.clear();
    press(67, 50);
    EXPECT_EQ(out.played(), "on 67/50 !");
    EXPECT_EQ(out.played(true), "hide 67 z0 !, lit 67 z4 !") << "its mark goes out";
    out.sent.clear();
    press(60, 60);
    press(64, 70);
    EXPECT_EQ(out.played(), "on 60/60 !, on 64/70 !, ctl +8");
    EXPECT_EQ(out.played(true),
              "hide 60 z0 !, lit 60 z4 !, hide 64 z0 !, lit 64 z4 !, show 72 z7 !, show 76 z7 !");
    EXPECT_EQ(deck.tracks.playedUpTo[0], 960u);
    EXPECT_EQ(loop->heldKeys(), 3);
    out.sent.clear();
    for (int k : {60, 64, 67}) release(k);
    EXPECT_EQ(out.played(), "off 60/64 +0, off 64/64 +0, off 67/64 +0") << "each ends with its key";
    EXPECT_EQ(loop->heldKeys(), 0);
    // A key of the next cluster pressed twice counts once.
    out.sent.clear();
    for (int k : {76, 76, 72, 79, 79}) {
        press(k);
        release(k);
    }
    EXPECT_EQ(out.ringingKeys(), (Notes{76, 72, 79})) << "the last chord does not come back";
    EXPECT_FALSE(loop->keepsSongAlive());
}

TEST_F(AnyOrder, AWrongKeyFlashesTwiceForEachListeningTrackButCountsOnce)
{
    deck.tracks.keyboard[1] = 1;
    start();
    out.sent.clear();
    press(61);
    EXPECT_EQ(out.played(), "");
    EXPECT_EQ(out.played(true), "show 61 z8 +0, hide 61 z0 +96, show 61 z8 +192, hide 61 z0 +288, "
                                "show 61 z8 +0, hide 61 z0 +96, show 61 z8 +192, hide 61 z0 +288");
    EXPECT_EQ(loop->heldKeys(), 1);
    release(61);
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
    TrackPlan low, central;
    low.note(0, 100, 70).note(0, 100, 110).note(480, 100, 36);
    central.note(0, 100, 80);
    ASSERT_TRUE(load(songBytes({low, central}), {0, 1}));
    keyboard().kbmode = 1;
    keyboard().kbenablesplit = true;
    start();
    EXPECT_EQ(out.played(true), "show 70 z7 !, show 110 z7 !, show 80 z7 !");
    out.sent.clear();
    for (int k : {110, 70}) press(k);
    release(110);
    release(70);
    EXPECT_EQ(out.played(), "on 110/100 !, on 70/100 !, off 110/64 +0, off 70/64 +0")
        << "no note hangs";
    EXPECT_EQ(loop->heldKeys(), 0);
    EXPECT_EQ(loop->heldFreeNotes(), 0);
    out.sent.clear();
    press(80);
    EXPECT_EQ(out.played(true), "hide 80 z0 !, lit 80 z4 !, show 36 z7 !")
        << "next cluster, still for the whole keyboard";
}

TEST_F(AnyOrder, ARecordedTakeKeepsEachNoteBetweenItsKeyPressAndRelease)
{
    deck.recording = true;
    start();
    const std::vector<std::tuple<int, uint64_t, uint64_t>> played{
        {64, 1000, 1300}, {60, 1010, 1200}, {67, 1100, 1150}};
    for (const auto& [key, on, off] : played) {
        out.tick = on;
        press(key);
    }
    for (const auto& [key, on, off] : played) {
        out.tick = off;
        release(key);
    }
    keepTake(deck, 0, false);
    EXPECT_EQ(notes(1), "72@480-580 76@490-590 79@960-1060 64@1000-1300 60@1010-1200 67@1100-1150");
}

// ---------------------------------------------------------------- recording

struct Recording : Interactive {
    void SetUp() override
    {
        TrackPlan t;
        t.note(0, 100, 60).note(10, 100, 64).note(480, 100, 67).note(1920, 100, 69);
        t.note(4800, 100, 71);
        ASSERT_TRUE(load(songBytes({t}), {0}));
        keyboard().kbenablesplit = true; // track 0 is in the low zone
    }
};

TEST_F(Recording, AKeptTakeUsesThePlayedTimesADiscardedOneTheFileTimes)
{
    for (bool keep : {true, false}) {
        for (bool showShift : {false, true}) {
            SCOPED_TRACE(std::to_string(keep) + " " + std::to_string(showShift));
            SetUp();
            // The first cluster played 1000 ticks late; a free note in the central zone.
            options.showshiftwhenrecording = showShift;
            deck.recording = true;
            start();
            out.tick = 1000;
            press(40);
            out.tick = 1100;
            press(70, 60);
            out.tick = 1300;
            release(40);
            release(70);
            deck.recording = false;
            // Shown at once, or noted aside; counted as clusters are prepared.
            EXPECT_NE(notes(1).find(showShift ? "64@1010-1310" : "64@10-110"), std::string::npos);
            EXPECT_EQ(loop->interactiveNotes(), 3);
            const int f = freeTrack(), freeNotes = loop->freeNotes();
            keep ? keepTake(deck, freeNotes, showShift) : discardTake(deck, freeNotes, showShift);
            EXPECT_EQ(notes(1),
                      keep ? "67@480-580 60@1000-1300 64@1010-1310 69@1920-2020 71@4800-4900"
                           : "60@0-100 64@10-110 67@480-580 69@1920-2020 71@4800-4900");
            EXPECT_TRUE(song.events.isSorted());
            EXPECT_EQ(notes(deck.tracks.storeTrackOf(f)), keep ? "70@1100-1300" : "");
            EXPECT_EQ(deck.tracks.noteOnCount[size_t(f)], keep ? 1u : 0u);
            EXPECT_EQ(deck.modified(), keep);
            EXPECT_EQ(sink.busyDepth, 0);
        }
    }
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
    keepTake(deck, 0, false);
    EXPECT_EQ(notes(1), "60@0-100 64@10-110 67@480-580 69@2020-2070 71@4800-4900")
        << "no shift after the end of the take";
}

// ---------------------------------------------------------------- tempo following

struct TempoFollower : Interactive {
    void SetUp() override
    {
        std::vector<TrackPlan> tracks(2);
        tracks[0].run(0, 480, 130, 48, 0);
        tracks[1].run(0, 480, 130, 72, 1);
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
            const size_t before = deckRx.ratios.size();
            press(key);
            release(key);
            deliver();
            if (deckRx.ratios.size() > before) at.push_back(i);
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

TEST_F(TempoFollower, EveryNinthRingEstimatesTheRatioWhileTheBoostIsWithin83And120)
{
    start();
    // The accompaniment moves 600 ticks while the player moves 480: 1.25.
    expectEveryNinth(ring(45, 40, 600), 4);
    for (size_t i = 1; i < deckRx.ratios.size(); ++i) EXPECT_NEAR(deckRx.ratios[i], 1.25, 1e-6);
    for (auto [boost, follows] :
         std::vector<std::pair<int, bool>>{{121, false}, {82, false}, {83, true}, {120, true}}) {
        deck.setTempoBoost(boost);
        EXPECT_EQ(ring(18, 40, 480).empty(), !follows) << boost;
    }
}

TEST_F(TempoFollower, ASessionStartedLaterInTheSongContinuesFromTheSongPosition)
{
    start();
    ring(27, 40, 480);
    deck.currentBeat = 41;
    ASSERT_EQ(deck.repositionCursors(), 3);
    const size_t before = deckRx.ratios.size();
    start(40 * 480);
    ring(27, 40, 480);
    const auto ratios = deckRx.ratios;
    ASSERT_GE(ratios.size(), before + 2);
    for (size_t i = before; i < ratios.size(); ++i) EXPECT_NEAR(ratios[i], 1.0, 0.1) << i;
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

TEST_F(TempoFollower, TheDeckTurnsARatioIntoABoostWithinItsClamp)
{
    DeckSession session(deck, options, &mainRx);
    for (auto [ratio, boost] :
         std::vector<std::pair<double, int>>{{1.25, 83}, {1.0, 83}, {0.9, 92}, {0.5, 120}}) {
        postEvent(&session, new DoubleEvent(TempoRatioEvent, ratio));
        deliver();
        EXPECT_EQ(deck.timing.tempoBoost, boost) << ratio;
        EXPECT_EQ(session.effectiveTempo(), 500000 * 100 / boost);
    }
    EXPECT_NEAR(deck.timing.tempo, 500000 * 100 / 120, 2) << "the deck's tempo follows";
}

// ---------------------------------------------------------------- allocation

// Two keyboards: the first split between tracks 0 and 1 with its free track
// in the high zone, the second playing track 2 in any order. A thousand
// rounds of key presses after warming up ring their clusters and allocate
// nothing, while the repaint asked for stays on its way as when the GUI is busy.
TEST_F(Interactive, KeyPressesAllocateNothing)
{
    std::vector<TrackPlan> tracks(3);
    for (uint32_t i = 0; i < 1100; ++i) {
        tracks[0].note(i * 240, 100, 40 + int(i % 20)).note(i * 240 + 8, 100, 52 + int(i % 5));
        tracks[0].add(i * 240 + 4, 0xB0, 11, int(i % 128));
        tracks[1].note(i * 240, 100, 70 + int(i % 20), 100, 1);
        tracks[2]
            .note(i * 240, 100, 40 + int(i % 30), 100, 2)
            .note(i * 240 + 5, 100, 80 + int(i % 30), 100, 2);
    }
    addDevices(2);
    ASSERT_TRUE(load(songBytes(tracks), {0, 1, 2}));
    keyboard().kbenablesplit = true;
    devices.inputs[1]->kbmode = 1;
    deck.tracks.input[2] = devices.inputs[1].get();
    start();
    const auto round = [this](int i) {
        press(i % 2 ? 64 + i % 39 : 20 + i % 44, 1 + i % 127);
        release(i % 2 ? 64 + i % 39 : 20 + i % 44);
        press(104 + i % 20, 64); // a free note
        release(104 + i % 20);
        const int low = 40 + i % 30, high = 80 + i % 30;
        for (int key : {39, high, low}) press(key, 100, kKeyboard + 1); // 39 is wrong
        for (int key : {39, low, high}) release(key, kKeyboard + 1);
    };
    for (int i = 0; i < 20; ++i) round(i);
    out.sent.clear();
    int rung = 0;
    allocations = 0;
    countAllocations = true;
    for (int i = 20; i < 1020; ++i) {
        round(i);
        for (const Sent& s : out.sent) rung += s.type() == SND_SEQ_EVENT_NOTEON && !s.toSelf();
        out.sent.clear();
    }
    countAllocations = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(rung, 500 * 2 + 500 + 1000 + 2000) << "clusters of both zones, free notes, any order";
    EXPECT_EQ(loop->heldKeys(), 0);
}

} // namespace
