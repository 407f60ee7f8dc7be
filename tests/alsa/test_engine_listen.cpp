// What a listener on Midi Through hears when the engine plays a song, and a
// session's footprint on the kernel's sequencer.

#include "enginefixture.h"

#include "core/events.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <set>

namespace
{

using namespace Keys::EventFilters;

int count(const Captured& got, const std::function<bool(const CapturedEvent&)>& match)
{
    return int(std::count_if(got.begin(), got.end(), match));
}

// A melody with uneven steps on channel 0 and a second voice on channel 3
// that always falls between its notes, over two 4/4 measures.
SongPlan twoVoices()
{
    SongPlan s;
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
    s.tracks = {melody, second};
    return s;
}

// Quarter notes across two tempo changes: faster at beat 5, slower at beat 9.
SongPlan tempoChanges()
{
    SongPlan s;
    s.tempos = {{0, 500000}, {1920, 250000}, {3840, 750000}};
    s.tracks = {SongTrack{noteRun(0, 240, 21, 1, 50), {}}};
    return s;
}

// System exclusive messages of odd lengths in the first beat (which reaches
// the queue as it starts) and later.
SongPlan withSysex()
{
    SongPlan s;
    SongTrack t{noteRun(0, 120, 12, 0, 60, 60), {}};
    t.messages = {{0, 0xF0, {0x7E, 0x7F, 0x09, 0x01, 0xF7}},
                  {120, 0xF0, {0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}},
                  {600, 0xF0, {0x41, 0xF7}}};
    s.tracks = {t};
    return s;
}

// Eight notes on channel 0 with two controllers 1, pitch bends, program
// changes, channel and key pressure and a controller 91 between them; a
// second voice on channel 1.
SongPlan withMessages()
{
    SongPlan s;
    SongTrack first{noteRun(0, 240, 8, 0, 60), {}};
    first.messages = {{120, 0xB0, {1, 10}},  {360, 0xE0, {0, 80}},  {480, 0xC0, {10}},
                      {600, 0xB0, {1, 90}},  {700, 0xD0, {55}},     {800, 0xA0, {61, 44}},
                      {900, 0xB0, {91, 33}}, {1000, 0xE0, {0, 20}}, {1100, 0xC0, {11}}};
    s.tracks = {first, SongTrack{noteRun(60, 240, 8, 1, 70), {}}};
    return s;
}

// Measure 1 sets program 42 and a controller on channel 2 and speeds up at
// beat 3; quarter notes run from beat 1 to beat 20.
SongPlan firstMeasureSetsTheSound()
{
    SongPlan s;
    s.tempos = {{0, 500000}, {960, 300000}};
    SongTrack t{noteRun(0, 480, 20, 2, 40, 400), {}};
    t.messages = {{240, 0xC2, {42}}, {300, 0xB2, {10, 33}}};
    s.tracks = {t};
    return s;
}

// A 3/4 song with a note on every beat as the reference for the clicks.
SongPlan threeFour()
{
    SongPlan s;
    s.beatsPerMeasure = 3;
    s.tracks = {SongTrack{noteRun(0, 480, 10, 0, 60, 100), {}}};
    return s;
}

void expectMessages(EngineFixture& f, bool removed)
{
    const Captured got = f.capture.events();
    const auto on = [&](int type, int channel, int param = -1) {
        return count(got, [=](const CapturedEvent& e) {
            return e.sourceClient == kThroughClient && e.type == type && e.channel == channel &&
                   (param < 0 || int(e.param) == param);
        });
    };
    EXPECT_EQ(on(SND_SEQ_EVENT_CONTROLLER, 0, 1), removed ? 0 : 2);
    EXPECT_EQ(on(SND_SEQ_EVENT_CONTROLLER, 0, 91), removed ? 0 : 1);
    EXPECT_EQ(on(SND_SEQ_EVENT_PITCHBEND, 0), removed ? 0 : 2);
    EXPECT_EQ(on(SND_SEQ_EVENT_KEYPRESS, 0), removed ? 0 : 1);
    // Filters of the other sets must not touch the accompaniment.
    EXPECT_EQ(on(SND_SEQ_EVENT_PGMCHANGE, 0), 2);
    EXPECT_EQ(on(SND_SEQ_EVENT_CHANPRESS, 0), 1);
}

void otherSetsFilter(EngineFixture& f)
{
    f.options.filters[Interactive][ProgramChange] = false;
    f.options.filters[Free][ChannelPressure] = false;
}

struct Heard {
    const char* name;
    SongPlan (*song)();
    int boost;
    int startBeat;
    std::vector<TrackShape> shapes;
    void (*prepare)(EngineFixture&);
    void (*check)(EngineFixture&);
};

// Down an octave and softer; up a fifth and louder, which pushes the second
// voice's top keys and velocities against 127.
const std::vector<TrackShape> kShaped{{-12, -15, false}, {7, 20, false}};

const Heard kHeard[] = {
    {"Boost100", twoVoices, 100, 1, kShaped, nullptr, nullptr},
    {"Boost50", twoVoices, 50, 1, kShaped, nullptr, nullptr},
    {"Boost200", twoVoices, 200, 1, kShaped, nullptr, nullptr},
    // The deck is told of the last tempo met, as the boost shows it.
    {"TempoChanges",
     tempoChanges,
     100,
     1,
     {},
     nullptr,
     [](EngineFixture& f) { EXPECT_EQ(f.session->effectiveTempo(), 750000); }},
    {"TempoChangesBoost200",
     tempoChanges,
     200,
     1,
     {},
     nullptr,
     [](EngineFixture& f) { EXPECT_EQ(f.session->effectiveTempo(), effectiveTempo(750000, 200)); }},
    {"SystemExclusive",
     withSysex,
     100,
     1,
     {},
     nullptr,
     [](EngineFixture& f) {
         Captured sysex;
         for (const CapturedEvent& e : f.capture.events())
             if (e.type == SND_SEQ_EVENT_SYSEX) sysex.push_back(e);
         const std::vector<SongMessage>& sent = f.plan.tracks[0].messages;
         ASSERT_EQ(sysex.size(), sent.size());
         const int64_t first = f.songNoteOns().at(0).ns;
         for (size_t i = 0; i < sysex.size(); ++i) {
             std::vector<unsigned char> bytes{0xF0};
             for (int d : sent[i].data) bytes.push_back(static_cast<unsigned char>(d));
             EXPECT_EQ(sysex[i].data, bytes) << "message " << i;
             EXPECT_NEAR(msBetween(first, sysex[i].ns), f.plan.msAt(sent[i].tick), kToleranceMs);
         }
     }},
    {"FiltersKept",
     withMessages,
     100,
     1,
     {},
     otherSetsFilter,
     [](EngineFixture& f) { expectMessages(f, false); }},
    {"MutedAndFiltered",
     withMessages,
     100,
     1,
     {{}, {0, 0, true}},
     [](EngineFixture& f) {
         otherSetsFilter(f);
         for (FilterKind k : {Controller, PitchBend, KeyPress})
             f.options.filters[Accompaniment][k] = false;
     },
     [](EngineFixture& f) { expectMessages(f, true); }},
    // Starting at beat 9 sends what measure 1 set before the first note, and
    // never the notes it passes.
    {"ChaseFromBeat9",
     firstMeasureSetsTheSound,
     100,
     9,
     {},
     nullptr,
     [](EngineFixture& f) {
         const Captured got = f.capture.events();
         const auto firstNote = std::find_if(got.begin(), got.end(),
                                             [](const CapturedEvent& e) { return e.isNoteOn(); });
         const auto before = [&](auto match) { return std::any_of(got.begin(), firstNote, match); };
         EXPECT_TRUE(before([](const CapturedEvent& e) {
             return e.type == SND_SEQ_EVENT_PGMCHANGE && e.channel == 2 && e.value == 42;
         })) << "program 42 was not chased";
         EXPECT_TRUE(before([](const CapturedEvent& e) {
             return e.isController(10) && e.channel == 2 && e.value == 33;
         })) << "the controller was not chased";
         EXPECT_TRUE(before([](const CapturedEvent& e) {
             return e.type == SND_SEQ_EVENT_TEMPO && e.value == 300000;
         })) << "the tempo was not sent on";
         EXPECT_EQ(f.session->effectiveTempo(), 300000);
     }},
    // Clicks fall on the beats from beat 2, the strong one on each downbeat.
    {"Metronome",
     threeFour,
     100,
     1,
     {},
     [](EngineFixture& f) {
         f.options.metronomePlay = true;
         f.options.metronomeChannel = 9;
         f.options.metronomeVel = 77;
     },
     [](EngineFixture& f) {
         const Captured clicks = f.capture.notes(true, 9);
         ASSERT_GE(clicks.size(), 8u);
         for (size_t k = 0; k < 8; ++k) {
             const int beat = int(k) + 2; // beats 4, 7 and 10 begin a measure
             EXPECT_EQ(clicks[k].note, beat % 3 == 1 ? 34 : 33) << "click on beat " << beat;
             EXPECT_EQ(clicks[k].velocity, 77);
             EXPECT_NEAR(msBetween(f.songNoteOns().at(0).ns, clicks[k].ns),
                         f.plan.msAt(uint64_t(beat - 1) * 480), kToleranceMs)
                 << "click on beat " << beat;
         }
     }},
};

class Listening : public EngineFixture, public ::testing::WithParamInterface<Heard>
{
};

TEST_P(Listening, NotesArriveInOrderAndInTimeWithWhatSurroundsThem)
{
    const Heard& c = GetParam();
    ASSERT_TRUE(load(c.song(), c.boost, c.startBeat));
    for (size_t d = 0; d < c.shapes.size(); ++d) {
        deck.tracks.transpose[d] = c.shapes[d].transpose;
        deck.tracks.velocityShift[d] = c.shapes[d].velocityShift;
        deck.tracks.mute[d] = c.shapes[d].muted;
    }
    if (c.prepare) c.prepare(*this);
    const std::vector<ExpectedNote> want =
        expectedNotes(plan, boost, c.shapes, uint64_t(c.startBeat - 1) * plan.ticksPerBeat());
    ASSERT_TRUE(playNotes(want.size())) << "the session did not start and end";
    EXPECT_FALSE(halted);
    std::vector<double> errors;
    EXPECT_TRUE(arrivedInTime(songNoteOns(), want, &errors));
    std::printf("onset errors: %s\n", distribution(errors).c_str());
    if (c.check) c.check(*this);
}

INSTANTIATE_TEST_SUITE_P(, Listening, ::testing::ValuesIn(kHeard),
                         [](const auto& p) { return std::string(p.param.name); });

// Quarter notes for 64 beats, one track per channel: longer than any test plays.
SongPlan longSong(int tracks = 1)
{
    SongPlan s;
    for (int t = 0; t < tracks; ++t)
        s.tracks.push_back(SongTrack{noteRun(uint32_t(t * 120), 480, 64, t, 40 + t), {}});
    return s;
}

using Session = EngineFixture;

TEST_F(Session, OneConnectionPerDeviceWhileItPlaysAndNoneAfter)
{
    ASSERT_TRUE(load(longSong(3)));
    // Two tracks on Midi Through, the third on a virtual keyboard's port,
    // which also takes MIDI in.
    devices.outputs.push_back(std::make_unique<OutputDevice>());
    devices.outputs.back()->client = 17;
    deck.tracks.output[2] = devices.outputs.back().get();
    const auto subscribers = [this](int client, snd_seq_query_subs_type_t type) {
        return seqfacts::subscribers(capture.handle(), client, type);
    };
    int engine = -1;
    std::vector<int> through, other, reading;
    ASSERT_TRUE(play([&] {
        engine = seqfacts::findClient(capture.handle(), kEngineClientName);
        through = subscribers(kThroughClient, SND_SEQ_QUERY_SUBS_WRITE);
        other = subscribers(17, SND_SEQ_QUERY_SUBS_WRITE);
        reading = subscribers(kKeyboardClient, SND_SEQ_QUERY_SUBS_READ);
        return engine >= 0 && capture.notes().size() >= 4;
    }));
    EXPECT_FALSE(halted) << mainWindow.failures.join(QLatin1Char('\n')).toStdString();
    ASSERT_GE(engine, 0) << "the engine's client never appeared";
    EXPECT_EQ(through, std::vector<int>{engine});
    EXPECT_EQ(other, std::vector<int>{engine});
    EXPECT_EQ(reading, std::vector<int>{engine});
    for (const CapturedEvent& e : capture.notes()) EXPECT_LT(e.channel, 2);
    EXPECT_EQ(seqfacts::findClient(capture.handle(), kEngineClientName), -1);
    EXPECT_TRUE(subscribers(kThroughClient, SND_SEQ_QUERY_SUBS_WRITE).empty());
    EXPECT_TRUE(subscribers(17, SND_SEQ_QUERY_SUBS_WRITE).empty());
    EXPECT_TRUE(subscribers(kKeyboardClient, SND_SEQ_QUERY_SUBS_READ).empty());
}

TEST_F(Session, StopSilencesEveryChannelAfterTheLastNote)
{
    // Thirty-second notes on two channels: a stop always falls among queued notes.
    SongPlan dense;
    dense.tracks = {SongTrack{noteRun(0, 60, 400, 0, 20, 50), {}},
                    SongTrack{noteRun(30, 60, 400, 1, 20, 50), {}}};
    int hanging = 0;
    const int stops = 10;
    for (int i = 0; i < stops; ++i) {
        capture.clear();
        ASSERT_TRUE(load(dense));
        // Stop at a different place each time, within and across beats.
        const size_t notes = size_t(3 + i * 6);
        ASSERT_TRUE(play([&] { return capture.notes().size() >= notes; }));
        const auto silenced = [](const Captured& got, unsigned controller) {
            std::set<int> channels;
            for (const CapturedEvent& e : got)
                if (e.isController(controller) && e.value == 0) channels.insert(e.channel);
            return channels.size() == 16;
        };
        ASSERT_TRUE(capture.waitFor(
            [&](const Captured& got) {
                return silenced(got, 123) && silenced(got, 120) && silenced(got, 64);
            },
            10000))
            << "all notes, all sounds or the sustain pedal left on on some channel";
        spinFor(300);
        const Captured got = capture.events();
        const auto firstOff = std::find_if(
            got.begin(), got.end(), [](const CapturedEvent& e) { return e.isController(123); });
        hanging +=
            std::any_of(firstOff, got.end(), [](const CapturedEvent& e) { return e.isNoteOn(); });
    }
    EXPECT_EQ(hanging, 0) << "in " << hanging << " of " << stops
                          << " stops a note started after the all-notes-off and would hang";
}

// Counts from /proc of what a leak would grow.
std::vector<long> footprint()
{
    const auto matches = [](const char* file, const char* pattern) {
        QFile f(QString::fromLatin1(file));
        if (!f.open(QIODevice::ReadOnly)) return -1L;
        return long(QString::fromLocal8Bit(f.readAll())
                        .count(QRegularExpression(QString::fromLatin1(pattern),
                                                  QRegularExpression::MultilineOption)));
    };
    const auto entries = [](const char* dir) {
        return long(QDir(QString::fromLatin1(dir))
                        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                        .size());
    };
    return {matches("/proc/asound/seq/clients", "^Client +\\d+ :"),
            matches("/proc/asound/seq/queues", "^queue +\\d+:"), entries("/proc/self/task"),
            entries("/proc/self/fd")};
}

long rssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    return QRegularExpression(QStringLiteral("^VmRSS:\\s+(\\d+) kB"),
                              QRegularExpression::MultilineOption)
        .match(QString::fromLocal8Bit(status.readAll()))
        .captured(1)
        .toLong();
}

TEST_F(Session, TwoHundredStartStopCyclesLeaveNoClientQueueThreadFileOrMemory)
{
    ASSERT_TRUE(load(longSong()));
    // The capture would keep every event of 200 sessions; it is not needed here.
    capture.close();
    const auto cycle = [this] { return play([] { return true; }) && !halted; };
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(cycle()) << "warm-up cycle " << i;
    const std::vector<long> before = footprint();
    const long rssBefore = rssKb();
    ASSERT_GT(before[0], 0) << "no /proc/asound/seq/clients";
    int failed = 0;
    for (int i = 0; i < 200; ++i) failed += cycle() ? 0 : 1;
    EXPECT_EQ(failed, 0);
    EXPECT_TRUE(mainWindow.failures.isEmpty());
    EXPECT_EQ(footprint(), before) << "sequencer clients, queues, threads, open files";
    // Allocator slack, not a leak: a client handle is tens of kB, 200 of them megabytes.
    EXPECT_LT(rssKb() - rssBefore, 1024);
}

// An output or input the session cannot use: the deck hears why and halts.
TEST_F(Session, AnUnusableDeviceHaltsWithTheReasonAndLeavesNothing)
{
    const struct {
        int outClient, inClient;
        const char* text;
    } rows[] = {
        {99, 16,
         "MIDI output unavailable, please stop playing and try again.\n"
         "Error connecting to output 99:0 : "},
        {0, 16, "No output ports. Check \"Devices setup\" and reload song"},
        {14, 99,
         "MIDI input unavailable, please stop playing and try again.\n"
         "Error connecting to input 99:0 : "},
        {14, 0, "No input ports. Check \"Devices setup\" and retry"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        ASSERT_TRUE(load(longSong()));
        mainWindow.failures.clear();
        devices.defaultOutput.client = row.outClient;
        devices.defaultInput.client = row.inClient;
        devices.inputs.clear(); // any input may be asked for
        EXPECT_FALSE(play([] { return false; }, 30000)) << "it started";
        EXPECT_TRUE(finished && halted) << "the session did not end halted";
        ASSERT_EQ(mainWindow.failures.size(), 1);
        EXPECT_TRUE(mainWindow.failures[0].contains(QLatin1String(row.text)))
            << mainWindow.failures[0].toStdString();
        EXPECT_EQ(seqfacts::findClient(capture.handle(), kEngineClientName), -1);
        EXPECT_TRUE(capture.notes().empty());
    }
}

TEST_F(Session, SeqsessionWithAnUnconnectableOutputExitsWithTheReason)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("song.mid"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(longSong().bytes()) > 0);
    f.close();
    const ProcessResult r =
        runSeqsession({"--output", "99:0", "--input", "16:0", file}, dir.path(), 60000);
    ASSERT_TRUE(r.ran) << r.describe();
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("MIDI output unavailable")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Error connecting to output 99:0 : ")) << r.err.toStdString();
    EXPECT_TRUE(capture.notes().empty());
    EXPECT_EQ(seqfacts::findClient(capture.handle(), kEngineClientName), -1);
}

} // namespace
