#include "enginefixture.h"

#include "core/events.h"
#include "song/preparation.h"
#include "song/songloader.h"

#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

void MainWindowStub::customEvent(QEvent* event)
{
    if (int(event->type()) == DeviceFailureEvent)
        failures << static_cast<MessageEvent*>(event)->text;
    event->accept();
}

void EngineFixture::SetUp()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/snd/seq")))
        GTEST_SKIP() << "no /dev/snd/seq here; run through tools/seqvm";
    ASSERT_EQ(capture.open(kThroughClient, 0), "") << "cannot listen to Midi Through";
    ASSERT_TRUE(capture.roundTrip()) << "Midi Through did not echo";
    ASSERT_TRUE(keyboard.open()) << "no /dev/snd/midiC0D0";
    auto in = std::make_unique<InputDevice>();
    in->client = kKeyboardClient;
    devices.inputs.push_back(std::move(in));
    auto out = std::make_unique<OutputDevice>();
    out->client = kThroughClient;
    devices.outputs.push_back(std::move(out));
    devices.defaultInput.client = kKeyboardClient;
    devices.defaultOutput.client = kThroughClient;
    options.metronomeRecord = false;
}

void EngineFixture::TearDown()
{
    if (session && session->active()) end();
    session.reset();
    capture.close();
}

::testing::AssertionResult EngineFixture::load(const SongPlan& s, int tempoBoost, int startBeat,
                                               std::initializer_list<int> played)
{
    plan = s;
    boost = tempoBoost;
    session.reset();
    if (!loadSongFromBytes(plan.bytes(), QStringLiteral("test.mid"), LoadOptions(), song))
        return ::testing::AssertionFailure() << "the song did not load";
    if (prepareSong(deck) != PrepareResult::Prepared)
        return ::testing::AssertionFailure() << "the song was not prepared";
    for (int d : played) deck.tracks.keyboard[size_t(d)] = 1;
    if (boost != 100) deck.setTempoBoost(boost);
    deck.currentBeat = startBeat;
    deck.repositionCursors();
    if (deck.currentBeat != startBeat)
        return ::testing::AssertionFailure() << "the deck cannot start at beat " << startBeat;
    session = std::make_unique<DeckSession>(deck, options, &mainWindow);
    QObject::connect(session.get(), &DeckSession::sessionStarted, [this] { started = true; });
    QObject::connect(session.get(), &DeckSession::sessionFinished, [this](int, int, bool h) {
        finished = true;
        halted = h;
    });
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult EngineFixture::begin(bool record)
{
    started = finished = halted = false;
    if (!(record ? session->record() : session->listen()))
        return ::testing::AssertionFailure() << "the session did not start";
    if (!spinUntil([this] { return started; }, 20000))
        return ::testing::AssertionFailure() << "no start in 20 s";
    spinFor(300); // the engine prepares its clusters after the start
    capture.clear();
    return ::testing::AssertionSuccess();
}

bool EngineFixture::end(int timeoutMs)
{
    session->stop();
    return spinUntil([this] { return finished; }, timeoutMs);
}

bool EngineFixture::play(const std::function<bool()>& until, int timeoutMs)
{
    started = finished = halted = false;
    if (!session->listen()) return false;
    spinUntil([&] { return finished || (started && until()); }, timeoutMs);
    return end() && started;
}

bool EngineFixture::playNotes(size_t notes)
{
    const double beatMs = plan.msAt(plan.ticksPerBeat(), boost);
    int64_t last = 0;
    size_t seen = 0;
    return play([&] {
        const size_t now = songNoteOns().size();
        if (now != seen || !last) {
            seen = now;
            last = monotonicNs();
        }
        // A beat more, so notes that should not come have their chance to.
        return seen >= notes && msBetween(last, monotonicNs()) > beatMs + 50;
    });
}

Captured EngineFixture::songNoteOns() const
{
    Captured out;
    for (const CapturedEvent& e : capture.notes())
        if (!options.metronomePlay.load() || e.channel != options.metronomeChannel.load())
            out.push_back(e);
    return out;
}

bool EngineFixture::waitNotes(size_t ons, size_t offs, int timeoutMs)
{
    return capture.waitFor(
        [=](const Captured& got) {
            const auto count = [&](bool on) {
                return size_t(std::count_if(got.begin(), got.end(), [on](const CapturedEvent& e) {
                    return on ? e.isNoteOn() : e.isNoteOff();
                }));
            };
            return count(true) >= ons && count(false) >= offs;
        },
        timeoutMs);
}

std::pair<int64_t, int64_t> EngineFixture::strike(int key, int velocity, int holdMs, int restMs)
{
    const int64_t on = keyboard.press(key, velocity);
    spinUntil([&] { return msBetween(on, monotonicNs()) >= holdMs; }, 60000, 1);
    const int64_t off = keyboard.release(key);
    spinFor(restMs);
    return {on, off};
}

std::vector<ExpectedNote> expectedNotes(const SongPlan& plan, int boost,
                                        const std::vector<TrackShape>& shapes, uint64_t fromTick)
{
    std::vector<std::pair<uint64_t, ExpectedNote>> all;
    for (size_t t = 0; t < plan.tracks.size(); ++t) {
        const TrackShape shape = t < shapes.size() ? shapes[t] : TrackShape();
        for (const SongNote& n : plan.tracks[t].notes)
            if (!shape.muted && n.tick >= fromTick)
                all.push_back({n.tick,
                               {plan.msAt(n.tick, boost), n.channel,
                                std::clamp(n.key + shape.transpose, 0, 127),
                                std::clamp(n.velocity + shape.velocityShift, 0, 127)}});
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ExpectedNote> out;
    for (const auto& k : all) out.push_back(k.second);
    return out;
}

::testing::AssertionResult arrivedInTime(const Captured& got, const std::vector<ExpectedNote>& want,
                                         std::vector<double>* errors)
{
    std::ostringstream why;
    if (got.size() != want.size())
        why << "expected " << want.size() << " notes, got " << got.size() << "\n";
    int bad = 0;
    for (size_t i = 0; i < std::min(got.size(), want.size()); ++i) {
        const CapturedEvent& g = got[i];
        const ExpectedNote& w = want[i];
        const double at = msBetween(got[0].ns, g.ns), should = w.ms - want[0].ms;
        const double error = at - should;
        if (errors && i > 0) errors->push_back(error);
        if (std::getenv("CLAVION_TEST_VERBOSE"))
            std::printf("note %zu key %d at %.3f error %+.3f\n", i, g.note, at, error);
        const bool same = g.channel == w.channel && g.note == w.key && g.velocity == w.velocity;
        if ((!same || std::fabs(error) > kToleranceMs) && ++bad <= 12)
            why << "note " << i << ": got ch " << g.channel << " key " << g.note << " vel "
                << g.velocity << " at " << at << " ms; expected ch " << w.channel << " key "
                << w.key << " vel " << w.velocity << " at " << should << " ms\n";
    }
    if (why.str().empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << why.str() << bad << " wrong";
}

std::string distribution(std::vector<double> values)
{
    if (values.empty()) return "no values";
    for (double& v : values) v = std::fabs(v);
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) { return values[size_t(q * double(values.size() - 1) + 0.5)]; };
    char text[120];
    std::snprintf(text, sizeof text, "n=%zu median=%.3f ms p99=%.3f ms max=%.3f ms", values.size(),
                  at(0.5), at(0.99), values.back());
    return text;
}

std::string ProcessResult::describe() const
{
    return "ran=" + std::to_string(ran) + " exit=" + std::to_string(exitCode) + "\nstdout:\n" +
           out.toStdString() + "\nstderr:\n" + err.toStdString();
}

ProcessResult runSeqsession(const QStringList& args, const QString& configHome, int timeoutMs,
                            QProcessEnvironment env)
{
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(CLAVION_SEQSESSION), args);
    p.closeWriteChannel();
    ProcessResult r;
    r.ran = p.waitForFinished(timeoutMs) && p.exitStatus() == QProcess::NormalExit;
    if (!r.ran) {
        p.kill();
        p.waitForFinished(5000);
    }
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
