// What Midi Through hears when the engine plays a song; a session's footprint on the sequencer.

#include "enginefixture.h"

#include "core/events.h"

#include "engine/midithread.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <set>
#include <thread>

namespace
{

using namespace Keys::EventFilters;

// A melody with uneven steps on channel 0, and on channel 3 a voice always between its notes.
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

// Division 100 at 6 ms a tick, which preparation rounds to 96: uneven steps land between
// the rounded ticks, and keep their times only if rescaled.
SongPlan division100()
{
    SongPlan s{{SongTrack{}}, {{0, 600000}}, 4, 100};
    for (uint32_t i = 0, at = 100; i < 24; at += 37 + 13 * (i++ % 5))
        s.tracks[0].notes.push_back({at, 20, 0, int(48 + i), 100});
    return s;
}

// What the filters let through; system exclusive messages come whole and in their place.
void messagesThrough(EngineFixture& f)
{
    const bool removed = f.deck.tracks.mute[1];
    const auto count = [&](int type, int param = -1) {
        return f
            .heard([=](const CapturedEvent& e) {
                return e.type == type && e.channel == 0 && (param < 0 || int(e.param) == param);
            })
            .size();
    };
    EXPECT_EQ(count(SND_SEQ_EVENT_CONTROLLER, 1), removed ? 0u : 2u);
    EXPECT_EQ(count(SND_SEQ_EVENT_CONTROLLER, 91), removed ? 0u : 1u);
    EXPECT_EQ(count(SND_SEQ_EVENT_PITCHBEND), removed ? 0u : 2u);
    EXPECT_EQ(count(SND_SEQ_EVENT_KEYPRESS), removed ? 0u : 1u);
    // Filters of the other sets must not touch the accompaniment.
    EXPECT_EQ(count(SND_SEQ_EVENT_PGMCHANGE), 2u);
    EXPECT_EQ(count(SND_SEQ_EVENT_CHANPRESS), 1u);

    Captured got = f.heard([](const auto& e) { return e.type == SND_SEQ_EVENT_SYSEX; });
    for (const SongMessage& m : f.plan.tracks[0].messages) {
        if (m.status != 0xF0) continue;
        ASSERT_FALSE(got.empty()) << "a system exclusive message is missing";
        std::vector<unsigned char> bytes{0xF0};
        bytes.insert(bytes.end(), m.data.begin(), m.data.end());
        EXPECT_EQ(got[0].data, bytes);
        EXPECT_NEAR(msBetween(f.songNoteOns().at(0).ns, got[0].ns), f.plan.msAt(m.tick),
                    kToleranceMs);
        got.erase(got.begin());
    }
    EXPECT_TRUE(got.empty()) << "system exclusive messages not in the song";
}

// The other sets' filters, and with the second voice muted the accompaniment's too.
void filters(EngineFixture& f)
{
    f.options.filters[Interactive][ProgramChange] = false;
    f.options.filters[Free][ChannelPressure] = false;
    for (FilterKind k : {Controller, PitchBend, KeyPress})
        f.options.filters[Accompaniment][k] = !f.deck.tracks.mute[1];
}

// The deck shows the last tempo met with the boost; at rest the first tempo again.
void lastTempoShown(EngineFixture& f)
{
    EXPECT_EQ(f.tempoShown, effectiveTempo(750000, f.boost));
    f.session->setTempoBoost(50);
    EXPECT_EQ(f.session->effectiveTempo(), 1000000);
    EXPECT_EQ(f.deck.timing.tick_tol, f.deck.timing.toleranceTicks(1000000));
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
    for (int beat = 2; beat < 10; ++beat) { // beats 4, 7 and 10 begin a measure
        const CapturedEvent& click = clicks[size_t(beat - 2)];
        EXPECT_EQ(click.voice(), std::make_tuple(9, beat % 3 == 1 ? 34 : 33, 77)) << beat;
        EXPECT_NEAR(msBetween(f.songNoteOns().at(0).ns, click.ns),
                    f.plan.msAt(uint64_t(beat - 1) * 480), kToleranceMs)
            << "beat " << beat;
    }
}

// Per-track settings the expectation applies as the engine should.
struct TrackShape {
    int transpose = 0, velocityShift = 0;
    bool muted = false;
};

struct Heard {
    const char* name;
    SongPlan song;
    int boost, startBeat;
    std::vector<TrackShape> shapes;
    void (*prepare)(EngineFixture&); // options set before the start
    void (*check)(EngineFixture&);   // what else came through
    double slackMs = 0;              // for ticks rounded when prepared
    friend void PrintTo(const Heard& h, std::ostream* os) { *os << h.name; }
};

// An octave down and softer; a fifth up and louder, pushing keys and velocities to 127.
const std::vector<TrackShape> kShaped{{-12, -15, false}, {7, 20, false}};
// Quarter notes across two tempo changes: faster at beat 5, slower at beat 9.
const SongPlan kTempoChanges{{noteRun(0, 240, 21, 1, 50)},
                             {{0, 500000}, {1920, 250000}, {3840, 750000}}};
// Among channel 0's notes, each kind of message, some twice, and system exclusive ones of odd
// lengths, one reaching the queue as it starts; a second voice on channel 1.
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
    {"Boost200", twoVoices(), 200, 1, kShaped, nullptr, nullptr},
    {"TempoChangesBoost200", kTempoChanges, 200, 1, {}, nullptr, lastTempoShown},
    {"FiltersKept", kMessages, 100, 1, {}, filters, messagesThrough},
    {"MutedAndFiltered", kMessages, 100, 1, {{}, {0, 0, true}}, filters, messagesThrough},
    {"ChaseFromBeat9", kFirstMeasureSets, 100, 9, {}, nullptr, chased},
    {"Metronome", kThreeFour, 100, 1, {}, metronomeOn, clicksOnTheBeats},
    // Half a tick of the rounded division on top: 600 000 us / 96 / 2.
    {"Division100", division100(), 100, 1, {}, nullptr, nullptr, 3.125},
};

class EngineListen : public EngineFixture, public ::testing::WithParamInterface<Heard>
{
};

// Note by note and in order: channel, key and velocity exactly, each onset
// from the first within the tolerance.
TEST_P(EngineListen, NotesArriveInOrderAndInTimeWithWhatSurroundsThem)
{
    const Heard& c = GetParam();
    ASSERT_TRUE(load(c.song, c.boost, c.startBeat));
    std::vector<std::pair<uint32_t, std::tuple<int, int, int>>> want; // tick, voice
    for (size_t t = 0; t < plan.tracks.size(); ++t) {
        const TrackShape s = t < c.shapes.size() ? c.shapes[t] : TrackShape();
        deck.tracks.transpose[t] = s.transpose;
        deck.tracks.velocityShift[t] = s.velocityShift;
        deck.tracks.mute[t] = s.muted;
        for (const SongNote& n : plan.tracks[t].notes)
            if (!s.muted && n.tick >= uint32_t(c.startBeat - 1) * uint32_t(plan.division))
                want.push_back({n.tick,
                                {n.channel, std::clamp(n.key + s.transpose, 0, 127),
                                 std::clamp(n.velocity + s.velocityShift, 0, 127)}});
    }
    std::stable_sort(want.begin(), want.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    if (c.prepare) c.prepare(*this);
    ASSERT_TRUE(playNotes(want.size())) << "the session did not start and end";
    EXPECT_FALSE(halted);
    const Captured got = songNoteOns();
    EXPECT_EQ(got.size(), want.size());
    // Onsets against the song's clock, measured from the median offset: under a loaded
    // host the queue's very first delivery can be late by a few ms, which must not shift
    // every later note.
    const size_t n = std::min(got.size(), want.size());
    std::vector<double> offsets;
    for (size_t i = 0; i < n; ++i)
        offsets.push_back(msBetween(got[0].ns, got[i].ns) - plan.msAt(want[i].first, boost));
    std::vector<double> sorted = offsets;
    std::nth_element(sorted.begin(), sorted.begin() + n / 2, sorted.end());
    const double median = n ? sorted[n / 2] : 0;
    double worst = 0;
    for (size_t i = 0; i < n; ++i) {
        const double error = offsets[i] - median;
        worst = std::max(worst, std::fabs(error));
        EXPECT_EQ(got[i].voice(), want[i].second) << "note " << i;
        EXPECT_LE(std::fabs(error), (i ? kToleranceMs : kStartMs) + c.slackMs)
            << "onset error of note " << i;
    }
    std::printf("largest onset error %.3f ms\n", worst); // what the bench's timing leaves
    if (c.check) c.check(*this);
}

INSTANTIATE_TEST_SUITE_P(, EngineListen, ::testing::ValuesIn(kHeard),
                         [](const auto& p) { return std::string(p.param.name); });

// Quarter notes for 64 beats, one track per channel: longer than any test plays.
SongPlan longSong(int tracks = 1)
{
    SongPlan s;
    for (int t = 0; t < tracks; ++t)
        s.tracks.push_back(noteRun(uint32_t(t * 120), 480, 64, t, 40 + t));
    return s;
}

using EngineListenSession = EngineFixture;

TEST_F(EngineListenSession, OneConnectionPerDeviceWhileItPlaysAndNoneAfter)
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
    EXPECT_TRUE(notes(true, 2).empty()) << "the third track went to Midi Through";
    EXPECT_EQ(findClient(kEngineClientName), -1);
    EXPECT_EQ(links(), std::vector<std::vector<int>>(3));
}

TEST_F(EngineListenSession, StopSilencesEveryChannelAfterTheLastNote)
{
    // Thirty-second notes on two channels: a stop always falls among queued notes.
    const SongPlan dense{{noteRun(0, 60, 400, 0, 20, 50), noteRun(30, 60, 400, 1, 20, 50)}};
    for (int i = 0; i < 10; ++i) { // a different place each time, within and across beats
        SCOPED_TRACE(::testing::Message() << "stop after " << 3 + i * 6 << " notes");
        forget();
        ASSERT_TRUE(load(dense));
        ASSERT_TRUE(play([&] { return notes().size() >= size_t(3 + i * 6); }));
        const auto silenced = [this](unsigned controller) {
            std::set<int> channels;
            for (const CapturedEvent& e : heard())
                if (e.isController(controller) && e.value == 0) channels.insert(e.channel);
            return channels.size() == 16;
        };
        EXPECT_TRUE(
            waitFor([&](auto&) { return silenced(123) && silenced(120) && silenced(64); }, 10000))
            << "all notes, all sounds or the sustain pedal left on on some channel";
        spinFor(300);
        const Captured& got = heard();
        const auto off =
            std::find_if(got.begin(), got.end(), [](const auto& e) { return e.isController(123); });
        EXPECT_TRUE(std::none_of(off, got.end(), [](const auto& e) { return e.isNoteOn(); }))
            << "a note started after the all-notes-off and would hang";
    }
}

// An output or input the session cannot use: the deck hears why and halts.
TEST_F(EngineListenSession, AnUnusableDeviceHaltsWithTheReasonAndLeavesNothing)
{
    const char* unavailable =
        " unavailable, please stop playing and try again.\nError connecting to ";
    const std::vector<std::tuple<int, int, std::string>> rows{
        {99, 16, std::string("MIDI output") + unavailable + "output 99:0 : "},
        {0, 16, "No output ports. Check \"Devices setup\" and reload song"},
        {14, 99, std::string("MIDI input") + unavailable + "input 99:0 : "},
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
        EXPECT_TRUE(mainWindow.failures[0].contains(QString::fromStdString(text)))
            << mainWindow.failures[0].toStdString();
        EXPECT_EQ(findClient(kEngineClientName), -1);
        EXPECT_TRUE(notes().empty());
    }
}

// Midi Through played to and listened to would send the engine its own notes back as a
// player's, which it would play again, and so on: it is not listened to, and the user is told.
TEST_F(EngineListenSession, MidiThroughIsNeverListenedToWhileItIsAnOutput)
{
    devices.inputs.push_back(std::make_unique<InputDevice>());
    devices.inputs.back()->client = kThroughClient; // a free track's input
    ASSERT_TRUE(load(SongPlan{{noteRun(0, 240, 12, 0, 60)}}));
    int engine = -1;
    std::vector<int> listenedTo;
    ASSERT_TRUE(play([&] {
        engine = findClient(kEngineClientName);
        listenedTo = subscribers(kThroughClient, SND_SEQ_QUERY_SUBS_READ);
        return songNoteOns().size() > 12; // one too many is enough
    }));
    EXPECT_FALSE(halted) << mainWindow.failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(std::count(listenedTo.begin(), listenedTo.end(), engine), 0);
    EXPECT_EQ(songNoteOns().size(), 12u) << "our own notes came back and played again";
    ASSERT_EQ(mainWindow.notices.size(), 1);
    EXPECT_TRUE(mainWindow.notices[0].startsWith(QLatin1String("MIDI input 14:0 plays back")))
        << mainWindow.notices[0].toStdString();
    // Given to a track while listening, it is refused with the same reason.
    ASSERT_TRUE(begin());
    QString error;
    EXPECT_EQ(session->thread()->connectInput(*devices.inputs.back(), &error),
              SeqClient::Live::Failed);
    EXPECT_EQ(error, mainWindow.notices[0]);
    EXPECT_TRUE(end());
}

// An output marked ignored while it plays still hears the end of every note it was sent,
// and all notes off on every channel: the tracks were playing to it.
TEST_F(EngineListenSession, EveryNoteEndsAndEveryChannelIsSilencedOnAnOutputIgnoredWhilePlaying)
{
    // Notes of a measure, one starting every beat: a stop always leaves some sounding.
    ASSERT_TRUE(
        load(SongPlan{{noteRun(0, 480, 16, 0, 60, 1900), noteRun(240, 480, 16, 1, 40, 1900)}}));
    ASSERT_TRUE(play([&] {
        if (notes().size() < 5) return false;
        std::lock_guard<std::mutex> lock(deck.mutex);
        devices.outputs[0]->ignoreOutput = true;
        return true;
    }));
    EXPECT_TRUE(waitFor(
        [](const Captured& got) {
            return std::count_if(got.begin(), got.end(),
                                 [](const auto& e) { return e.isController(123); }) >= 16;
        },
        10000))
        << "no all notes off on some channel";
    spinFor(300);
    std::map<std::tuple<int, int>, int> sounding; // channel, key: note-ons not yet ended
    for (const CapturedEvent& e : heard()) {
        if (e.isNoteOn()) ++sounding[{e.channel, e.note}];
        if (e.isNoteOff() && sounding[{e.channel, e.note}] > 0) --sounding[{e.channel, e.note}];
    }
    for (const auto& [voice, count] : sounding)
        EXPECT_EQ(count, 0) << "channel " << std::get<0>(voice) << " key " << std::get<1>(voice)
                            << " was never ended";
    std::set<int> channels;
    for (const CapturedEvent& e : heard())
        if (e.isController(123) && e.value == 0) channels.insert(e.channel);
    EXPECT_EQ(channels.size(), 16u);
}

// All notes off at rest, from a client of its own: every channel's controllers and a
// note-off for every key reach each output given.
TEST_F(EngineListenSession, AllNotesOffAtRestReachesEveryKeyOfEveryChannel)
{
    bool sent = false;
    std::thread rest([&] { sent = silenceAtRest({devices.outputs[0].get()}); });
    const auto complete = [this] {
        return notes(false).size() >= 16 * 128 && heard().size() >= 16 * 131;
    };
    spinUntil(complete, 20000);
    rest.join();
    spinFor(100);
    EXPECT_TRUE(sent);
    EXPECT_EQ(overruns, 0);
    std::set<std::tuple<int, int>> ended;
    std::map<unsigned, std::set<int>> controllers;
    for (const CapturedEvent& e : heard()) {
        if (e.isNoteOff()) ended.insert({e.channel, e.note});
        if (e.type == SND_SEQ_EVENT_CONTROLLER && e.value == 0)
            controllers[e.param].insert(e.channel);
    }
    EXPECT_EQ(ended.size(), 16u * 128u);
    for (unsigned c : {123u, 120u, 64u})
        EXPECT_EQ(controllers[c].size(), 16u) << "controller " << c;
    EXPECT_EQ(findClient(kEngineClientName), -1) << "the client outlived its use";
}

// Counts the note-ons Midi Through sends, on a thread of its own at a real-time priority
// (where the system grants one): a crowd of notes outruns a listener that shares a thread.
class NoteCounter
{
public:
    NoteCounter()
    {
        if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) return;
        snd_seq_set_client_pool_input(seq_, 2000);
        const int port = snd_seq_create_simple_port(
            seq_, "count", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
            SND_SEQ_PORT_TYPE_APPLICATION);
        ok_ = port >= 0 && snd_seq_connect_from(seq_, port, kThroughClient, 0) >= 0;
        thread_ = std::thread([this] { run(); });
    }
    ~NoteCounter()
    {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (seq_) snd_seq_close(seq_);
    }
    bool ok() const { return ok_; }
    // Note-ons by voice, and how often the listener overflowed, since the last call.
    std::map<std::tuple<int, int, int>, int> take(int* overflows)
    {
        std::lock_guard<std::mutex> guard(lock_);
        *overflows = std::exchange(overflows_, 0);
        return std::exchange(ons_, {});
    }

private:
    void run()
    {
        sched_param param{};
        param.sched_priority = 60; // above the engine's
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
        std::vector<pollfd> fds(size_t(snd_seq_poll_descriptors_count(seq_, POLLIN)));
        snd_seq_poll_descriptors(seq_, fds.data(), unsigned(fds.size()), POLLIN);
        while (!stop_) {
            ::poll(fds.data(), nfds_t(fds.size()), 50);
            snd_seq_event_t* ev = nullptr;
            for (int rc; (rc = snd_seq_event_input(seq_, &ev)) >= 0 || rc == -ENOSPC;) {
                std::lock_guard<std::mutex> guard(lock_);
                if (rc < 0)
                    ++overflows_;
                else if (ev->type == SND_SEQ_EVENT_NOTEON && ev->data.note.velocity > 0)
                    ++ons_[{ev->data.note.channel, ev->data.note.note, ev->data.note.velocity}];
            }
        }
    }

    snd_seq_t* seq_ = nullptr;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex lock_;
    std::map<std::tuple<int, int, int>, int> ons_;
    int overflows_ = 0;
};

// seqsession as a user runs it: a first beat of more notes than the kernel's pool holds,
// struck at once or spread over the beat, plays whole and the song goes on to its end.
TEST_F(EngineListenSession, SeqsessionPlaysAFirstBeatLargerThanThePoolToTheEnd)
{
    NoteCounter counter;
    ASSERT_TRUE(counter.ok());
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    for (const auto& [count, chord] :
         {std::pair<int, bool>{1500, false}, {4000, true}, {20000, false}}) {
        SCOPED_TRACE(::testing::Message() << count << (chord ? " notes at once" : " notes"));
        SongPlan crowd{{SongTrack{{{2 * 480, 240, 0, 60, 100}}}}}; // beat 3
        // 15 channels (no drums) x 128 keys x 127 velocities tell every note apart.
        for (int i = 0; i < count; ++i)
            crowd.tracks[0].notes.push_back({chord ? 0 : uint32_t(i * 480 / count), 480,
                                             i % 15 < 9 ? i % 15 : i % 15 + 1, (i / 15) % 128,
                                             1 + i % 127});
        const QString file = dir.filePath(QStringLiteral("crowd%1.mid").arg(count));
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(crowd.bytes());
        out.close();
        int overflows = 0;
        counter.take(&overflows);
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(CLAVION_SEQSESSION),
                {QStringLiteral("--output"), QStringLiteral("14:0"), QStringLiteral("--input"),
                 QStringLiteral("16:0"), file});
        spinUntil([&] { return p.state() == QProcess::NotRunning; }, 30000 + count * 2);
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished();
            FAIL() << "seqsession still played after " << 30 + count / 500 << " s";
        }
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "it crashed";
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        spinFor(200);
        std::map<std::tuple<int, int, int>, int> times = counter.take(&overflows);
        ASSERT_EQ(overflows, 0) << "the listener lost events: the test means nothing";
        EXPECT_EQ(times.size(), size_t(count) + 1);
        EXPECT_EQ(times[std::make_tuple(0, 60, 100)], 1) << "beat 3 never came";
        EXPECT_TRUE(std::all_of(times.begin(), times.end(), [](const auto& t) {
            return t.second == 1;
        })) << "a note was heard twice";
    }
}

// Before the queue runs nothing frees the kernel's event pool; later, a beat of more events
// than it holds must not stall the engine. The later crowd is spread over its beat for the
// listener's own pool of 2,000.
TEST_F(EngineListenSession, BeatsDenserThanThePoolAllArriveAndTheSongGoesOn)
{
    for (const auto& [tick, count] : {std::pair<uint32_t, int>{0, 800}, {480, 5000}}) {
        SCOPED_TRACE(::testing::Message() << count << " notes from tick " << tick);
        SongTrack track{{{tick + 4 * 480, 240, 0, 60, 100}}};
        // 15 channels (no drums) x 128 keys x 127 velocities tell every note apart.
        for (int i = 0; i < count; ++i)
            track.notes.push_back({tick + uint32_t(i * 480 / count), 480,
                                   i % 15 < 9 ? i % 15 : i % 15 + 1, (i / 15) % 128, 1 + i % 127});
        forget();
        ASSERT_TRUE(load(SongPlan{{track}}));
        ASSERT_TRUE(playNotes(size_t(count) + 1));
        std::set<std::tuple<int, int, int>> voices;
        for (const CapturedEvent& e : songNoteOns()) voices.insert(e.voice());
        EXPECT_EQ(voices.size(), size_t(count) + 1) << overruns << " overruns of the listener";
        EXPECT_EQ(voices.count({0, 60, 100}), 1u) << "the accompaniment stopped after the crowd";
    }
}

} // namespace
