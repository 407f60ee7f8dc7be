// What a listener on Midi Through hears when the engine plays a song, and a
// session's footprint on the kernel's sequencer.

#include "enginefixture.h"

#include "core/events.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

namespace
{

using namespace Keys::EventFilters;

// A melody with uneven steps on channel 0 and a second voice on channel 3
// that always falls between its notes, over two 4/4 measures.
SongPlan twoVoices()
{
    SongTrack melody, second;
    uint32_t at = 0;
    int key = 60;
    for (uint32_t step : {240, 120, 120, 480, 360, 120, 240, 240, 480, 120, 120, 240, 720}) {
        melody.notes.push_back({at, step - 20, 0, key, 30 + key % 90});
        at += step;
        key += 2;
    }
    for (int i = 0; i < 8; ++i)
        second.notes.push_back({uint32_t(60 + i * 480), 100, 3, 118 + i, 90 + i * 4});
    return SongPlan{{melody, second}};
}

// Per-track settings the expectation applies as the engine should.
struct TrackShape {
    int transpose = 0, velocityShift = 0;
    bool muted = false;
};

using Expected = std::vector<std::pair<uint64_t, CapturedEvent>>; // tick, note

// The notes of `plan` from `fromTick` on in time order, as the engine should
// shape them.
Expected expected(const SongPlan& plan, const std::vector<TrackShape>& shapes, uint64_t fromTick)
{
    Expected want;
    for (size_t t = 0; t < plan.tracks.size(); ++t) {
        const TrackShape shape = t < shapes.size() ? shapes[t] : TrackShape();
        for (const SongNote& n : plan.tracks[t].notes)
            if (!shape.muted && n.tick >= fromTick)
                want.push_back(
                    {n.tick, CapturedEvent{SND_SEQ_EVENT_NOTEON, n.channel,
                                           std::clamp(n.key + shape.transpose, 0, 127),
                                           std::clamp(n.velocity + shape.velocityShift, 0, 127)}});
    }
    std::stable_sort(want.begin(), want.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return want;
}

// Note by note and in order: channel, key and velocity exactly, each onset
// from the first within kToleranceMs.
::testing::AssertionResult arrivedInTime(const Captured& got, const SongPlan& plan, int boost,
                                         const Expected& want)
{
    std::ostringstream why;
    double worst = 0;
    if (got.size() != want.size())
        why << want.size() << " notes expected, " << got.size() << " came\n";
    for (size_t i = 0; i < std::min(got.size(), want.size()); ++i) {
        const CapturedEvent& g = got[i];
        const CapturedEvent& w = want[i].second;
        const double at = msBetween(got[0].ns, g.ns);
        const double error = at - plan.msAt(want[i].first, boost) + plan.msAt(want[0].first, boost);
        worst = std::max(worst, std::fabs(error));
        if (g.channel != w.channel || g.note != w.note || g.velocity != w.velocity ||
            std::fabs(error) > kToleranceMs)
            why << "note " << i << ": ch " << g.channel << " key " << g.note << " vel "
                << g.velocity << " at " << at << " ms (" << error << " ms late); expected ch "
                << w.channel << " key " << w.note << " vel " << w.velocity << "\n";
    }
    std::printf("largest onset error %.3f ms\n", worst); // what the bench's timing leaves
    if (why.str().empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << why.str();
}

// System exclusive messages come through whole and in their place.
void sysexWhole(EngineFixture& f)
{
    Captured sysex = f.heard();
    sysex.erase(std::remove_if(sysex.begin(), sysex.end(),
                               [](const auto& e) { return e.type != SND_SEQ_EVENT_SYSEX; }),
                sysex.end());
    std::vector<SongMessage> sent;
    for (const SongMessage& m : f.plan.tracks[0].messages)
        if (m.status == 0xF0) sent.push_back(m);
    ASSERT_EQ(sysex.size(), sent.size());
    for (size_t i = 0; i < sysex.size(); ++i) {
        std::vector<unsigned char> bytes{0xF0};
        bytes.insert(bytes.end(), sent[i].data.begin(), sent[i].data.end());
        EXPECT_EQ(sysex[i].data, bytes) << "message " << i;
        EXPECT_NEAR(msBetween(f.songNoteOns().at(0).ns, sysex[i].ns), f.plan.msAt(sent[i].tick),
                    kToleranceMs);
    }
}

// What the filters (and the mute of the second voice) let through.
void messagesThrough(EngineFixture& f)
{
    const Captured& got = f.heard();
    const bool removed = f.deck.tracks.mute[1];
    const auto on = [&](int type, int param = -1) {
        return std::count_if(got.begin(), got.end(), [=](const CapturedEvent& e) {
            return e.type == type && e.channel == 0 && (param < 0 || int(e.param) == param);
        });
    };
    EXPECT_EQ(on(SND_SEQ_EVENT_CONTROLLER, 1), removed ? 0 : 2);
    EXPECT_EQ(on(SND_SEQ_EVENT_CONTROLLER, 91), removed ? 0 : 1);
    EXPECT_EQ(on(SND_SEQ_EVENT_PITCHBEND), removed ? 0 : 2);
    EXPECT_EQ(on(SND_SEQ_EVENT_KEYPRESS), removed ? 0 : 1);
    // Filters of the other sets must not touch the accompaniment.
    EXPECT_EQ(on(SND_SEQ_EVENT_PGMCHANGE), 2);
    EXPECT_EQ(on(SND_SEQ_EVENT_CHANPRESS), 1);
    sysexWhole(f);
}

// The deck is told of the last tempo met, as the boost shows it; at rest a
// boost applies to the song's first tempo again.
void lastTempoShown(EngineFixture& f)
{
    EXPECT_EQ(f.tempoShown, effectiveTempo(750000, f.boost));
    f.session->setTempoBoost(50);
    EXPECT_EQ(f.session->effectiveTempo(), 1000000);
    EXPECT_EQ(f.deck.timing.tick_tol, f.deck.timing.toleranceTicks(1000000));
}

void otherSets(EngineFixture& f)
{
    f.options.filters[Interactive][ProgramChange] = false;
    f.options.filters[Free][ChannelPressure] = false;
}

void filtered(EngineFixture& f)
{
    otherSets(f);
    for (FilterKind k : {Controller, PitchBend, KeyPress})
        f.options.filters[Accompaniment][k] = false;
}

// What measure 1 set came before the first note.
void chased(EngineFixture& f)
{
    Captured got = f.heard();
    got.erase(std::find_if(got.begin(), got.end(), [](const auto& e) { return e.isNoteOn(); }),
              got.end());
    const auto sent = [&](int type, int value) {
        return std::any_of(got.begin(), got.end(), [=](const CapturedEvent& e) {
            return e.type == type && e.value == value &&
                   (e.channel == 2 || type == SND_SEQ_EVENT_TEMPO);
        });
    };
    EXPECT_TRUE(sent(SND_SEQ_EVENT_PGMCHANGE, 42)) << "program 42 was not chased";
    EXPECT_TRUE(sent(SND_SEQ_EVENT_CONTROLLER, 33)) << "the controller was not chased";
    EXPECT_TRUE(sent(SND_SEQ_EVENT_TEMPO, 300000)) << "the tempo was not sent on";
    EXPECT_EQ(f.tempoShown, 300000);
}

void metronomeOn(EngineFixture& f)
{
    f.options.metronomePlay = true;
    f.options.metronomeChannel = 9;
    f.options.metronomeVel = 77;
}

// Clicks fall on the beats from beat 2, the strong one on each downbeat.
void clicksOnTheBeats(EngineFixture& f)
{
    const Captured clicks = f.notes(true, 9);
    ASSERT_GE(clicks.size(), 8u);
    for (size_t k = 0; k < 8; ++k) {
        const int beat = int(k) + 2; // beats 4, 7 and 10 begin a measure
        EXPECT_EQ(clicks[k].note, beat % 3 == 1 ? 34 : 33) << "beat " << beat;
        EXPECT_EQ(clicks[k].velocity, 77);
        EXPECT_NEAR(msBetween(f.songNoteOns().at(0).ns, clicks[k].ns),
                    f.plan.msAt(uint64_t(beat - 1) * 480), kToleranceMs)
            << "beat " << beat;
    }
}

struct Heard {
    const char* name;
    SongPlan song;
    int boost, startBeat;
    std::vector<TrackShape> shapes;
    void (*prepare)(EngineFixture&); // options set before the start
    void (*check)(EngineFixture&);   // what else came through
};

// An octave down and softer; a fifth up and louder, pushing keys and velocities to 127.
const std::vector<TrackShape> kShaped{{-12, -15, false}, {7, 20, false}};
// Quarter notes across two tempo changes: faster at beat 5, slower at beat 9.
const SongPlan kTempoChanges{{noteRun(0, 240, 21, 1, 50)},
                             {{0, 500000}, {1920, 250000}, {3840, 750000}}};
// Controllers 1 (twice) and 91, pitch bends (twice), program changes
// (twice), channel and key pressure, and system exclusive messages of odd
// lengths (one in the first beat, which reaches the queue as it starts) among
// the notes of channel 0; a second voice on channel 1.
const SongPlan kMessages{{{noteRun(0, 240, 8, 0, 60).notes,
                           {{0, 0xF0, {0x7E, 0x7F, 0x09, 0x01, 0xF7}},
                            {120, 0xB0, {1, 10}},
                            {120, 0xF0, {0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}},
                            {360, 0xE0, {0, 80}},
                            {480, 0xC0, {10}},
                            {600, 0xB0, {1, 90}},
                            {600, 0xF0, {0x41, 0xF7}},
                            {700, 0xD0, {55}},
                            {800, 0xA0, {61, 44}},
                            {900, 0xB0, {91, 33}},
                            {1000, 0xE0, {0, 20}},
                            {1100, 0xC0, {11}}}},
                          noteRun(60, 240, 8, 1, 70)}};
// Measure 1 sets program 42 and a controller on channel 2 and speeds up at
// beat 3; quarter notes run to beat 20.
const SongPlan kFirstMeasureSets{
    {{noteRun(0, 480, 20, 2, 40, 400).notes, {{240, 0xC2, {42}}, {300, 0xB2, {10, 33}}}}},
    {{0, 500000}, {960, 300000}}};
// A 3/4 song with a note on every beat as the reference for the clicks.
const SongPlan kThreeFour{{noteRun(0, 480, 10, 0, 60, 100)}, {{0, 500000}}, 3};

const Heard kHeard[] = {
    {"Boost100", twoVoices(), 100, 1, kShaped, nullptr, nullptr},
    {"Boost50", twoVoices(), 50, 1, kShaped, nullptr, nullptr},
    {"Boost200", twoVoices(), 200, 1, kShaped, nullptr, nullptr},
    {"TempoChanges", kTempoChanges, 100, 1, {}, nullptr, lastTempoShown},
    {"TempoChangesBoost200", kTempoChanges, 200, 1, {}, nullptr, lastTempoShown},
    {"FiltersKept", kMessages, 100, 1, {}, otherSets, messagesThrough},
    {"MutedAndFiltered", kMessages, 100, 1, {{}, {0, 0, true}}, filtered, messagesThrough},
    {"ChaseFromBeat9", kFirstMeasureSets, 100, 9, {}, nullptr, chased},
    {"Metronome", kThreeFour, 100, 1, {}, metronomeOn, clicksOnTheBeats},
};

class Listening : public EngineFixture, public ::testing::WithParamInterface<Heard>
{
};

TEST_P(Listening, NotesArriveInOrderAndInTimeWithWhatSurroundsThem)
{
    const Heard& c = GetParam();
    ASSERT_TRUE(load(c.song, c.boost, c.startBeat));
    for (size_t d = 0; d < c.shapes.size(); ++d) {
        deck.tracks.transpose[d] = c.shapes[d].transpose;
        deck.tracks.velocityShift[d] = c.shapes[d].velocityShift;
        deck.tracks.mute[d] = c.shapes[d].muted;
    }
    if (c.prepare) c.prepare(*this);
    const Expected want = expected(plan, c.shapes, uint64_t(c.startBeat - 1) * 480);
    ASSERT_TRUE(playNotes(want.size())) << "the session did not start and end";
    EXPECT_FALSE(halted);
    EXPECT_TRUE(arrivedInTime(songNoteOns(), plan, boost, want));
    if (c.check) c.check(*this);
}

INSTANTIATE_TEST_SUITE_P(, Listening, ::testing::ValuesIn(kHeard),
                         [](const auto& p) { return std::string(p.param.name); });

// Quarter notes for 64 beats, one track per channel: longer than any test plays.
SongPlan longSong(int tracks = 1)
{
    SongPlan s;
    for (int t = 0; t < tracks; ++t)
        s.tracks.push_back(noteRun(uint32_t(t * 120), 480, 64, t, 40 + t));
    return s;
}

using Session = EngineFixture;

TEST_F(Session, OneConnectionPerDeviceWhileItPlaysAndNoneAfter)
{
    ASSERT_TRUE(load(longSong(3)));
    // Two tracks on Midi Through, the third on a virtual keyboard (it takes MIDI in too).
    devices.outputs.push_back(std::make_unique<OutputDevice>());
    devices.outputs.back()->client = 17;
    deck.tracks.output[2] = devices.outputs.back().get();
    const auto links = [this] {
        return std::vector<std::vector<int>>{subscribers(kThroughClient, SND_SEQ_QUERY_SUBS_WRITE),
                                             subscribers(17, SND_SEQ_QUERY_SUBS_WRITE),
                                             subscribers(kKeyboardClient, SND_SEQ_QUERY_SUBS_READ)};
    };
    int engine = -1;
    std::vector<std::vector<int>> playing;
    ASSERT_TRUE(play([&] {
        engine = findClient(kEngineClientName);
        playing = links();
        return engine >= 0 && notes().size() >= 4;
    }));
    EXPECT_FALSE(halted) << mainWindow.failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(playing, std::vector<std::vector<int>>(3, {engine})) << "engine " << engine;
    for (const CapturedEvent& e : notes()) EXPECT_LT(e.channel, 2);
    EXPECT_EQ(findClient(kEngineClientName), -1);
    EXPECT_EQ(links(), std::vector<std::vector<int>>(3));
}

TEST_F(Session, StopSilencesEveryChannelAfterTheLastNote)
{
    // Thirty-second notes on two channels: a stop always falls among queued notes.
    const SongPlan dense{{noteRun(0, 60, 400, 0, 20, 50), noteRun(30, 60, 400, 1, 20, 50)}};
    int hanging = 0;
    const int stops = 10;
    for (int i = 0; i < stops; ++i) {
        forget();
        ASSERT_TRUE(load(dense));
        // Stop at a different place each time, within and across beats.
        ASSERT_TRUE(play([&] { return notes().size() >= size_t(3 + i * 6); }));
        const auto silenced = [](const Captured& got, unsigned controller) {
            std::set<int> channels;
            for (const CapturedEvent& e : got)
                if (e.isController(controller) && e.value == 0) channels.insert(e.channel);
            return channels.size() == 16;
        };
        ASSERT_TRUE(waitFor(
            [&](const Captured& got) {
                return silenced(got, 123) && silenced(got, 120) && silenced(got, 64);
            },
            10000))
            << "all notes, all sounds or the sustain pedal left on on some channel";
        spinFor(300);
        const Captured got = heard();
        const auto off =
            std::find_if(got.begin(), got.end(), [](const auto& e) { return e.isController(123); });
        hanging += std::any_of(off, got.end(), [](const auto& e) { return e.isNoteOn(); });
    }
    EXPECT_EQ(hanging, 0) << "in " << hanging << " of " << stops
                          << " stops a note started after the all-notes-off and would hang";
}

// What a leak grows: sequencer clients and queues, threads, open files, resident kB.
std::vector<long> footprint()
{
    std::vector<long> out;
    for (const char* file : {"/proc/asound/seq/clients", "/proc/asound/seq/queues"}) {
        std::ifstream in(file);
        long n = 0;
        for (std::string line; std::getline(in, line);)
            n += line.rfind("Client ", 0) == 0 || line.rfind("queue ", 0) == 0;
        out.push_back(n);
    }
    for (const char* dir : {"/proc/self/task", "/proc/self/fd"})
        out.push_back(long(std::distance(std::filesystem::directory_iterator(dir), {})));
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) out.push_back(std::stol(line.substr(6)));
    return out;
}

TEST_F(Session, TwoHundredStartStopCyclesLeaveNoClientQueueThreadFileOrMemory)
{
    ASSERT_TRUE(load(longSong()));
    // The capture would keep every event of 200 sessions; it is not needed here.
    snd_seq_close(capture);
    capture = nullptr;
    int failed = 0;
    const auto cycles = [&](int n) {
        for (int i = 0; i < n; ++i) failed += play([] { return true; }) && !halted ? 0 : 1;
    };
    cycles(3);
    std::vector<long> before = footprint();
    ASSERT_EQ(before.size(), 5u);
    ASSERT_GT(before[0], 0) << "no /proc/asound/seq/clients";
    cycles(200);
    std::vector<long> after = footprint();
    EXPECT_EQ(failed, 0);
    EXPECT_TRUE(mainWindow.failures.isEmpty());
    // Allocator slack, not a leak: a client handle is tens of kB, 200 of them megabytes.
    EXPECT_LT(after.back() - before.back(), 1024) << "kB more resident";
    before.pop_back();
    after.pop_back();
    EXPECT_EQ(after, before) << "sequencer clients, queues, threads, open files";
}

// An output or input the session cannot use: the deck hears why and halts.
TEST_F(Session, AnUnusableDeviceHaltsWithTheReasonAndLeavesNothing)
{
    const std::vector<std::tuple<int, int, const char*>> rows{
        {99, 16,
         "MIDI output unavailable, please stop playing and try again.\nError connecting to output "
         "99:0 : "},
        {0, 16, "No output ports. Check \"Devices setup\" and reload song"},
        {14, 99,
         "MIDI input unavailable, please stop playing and try again.\nError connecting to input "
         "99:0 : "},
        {14, 0, "No input ports. Check \"Devices setup\" and retry"}};
    for (const auto& [output, input, text] : rows) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(load(longSong()));
        mainWindow.failures.clear();
        devices.defaultOutput.client = output;
        devices.defaultInput.client = input;
        devices.inputs.clear(); // any input may be asked for
        EXPECT_FALSE(play([] { return false; }, 30000)) << "it started";
        EXPECT_TRUE(finished && halted) << "the session did not end halted";
        ASSERT_EQ(mainWindow.failures.size(), 1);
        EXPECT_TRUE(mainWindow.failures[0].contains(QLatin1String(text)))
            << mainWindow.failures[0].toStdString();
        EXPECT_EQ(findClient(kEngineClientName), -1);
        EXPECT_TRUE(notes().empty());
    }
}

} // namespace
