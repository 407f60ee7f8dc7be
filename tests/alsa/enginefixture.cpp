#include "enginefixture.h"

#include "core/events.h"
#include "song/preparation.h"
#include "song/songloader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

bool haveSequencer()
{
    return QFileInfo::exists(QStringLiteral("/dev/snd/seq"));
}

bool spinUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done()) return true;
    QEventLoop loop;
    QTimer tick;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > timeoutMs) loop.quit();
    });
    tick.start(5);
    loop.exec();
    return done();
}

void MainWindowStub::customEvent(QEvent* event)
{
    const int type = int(event->type());
    ++counts[type];
    if (type == DeviceFailureEvent) failures << static_cast<MessageEvent*>(event)->text;
    event->accept();
}

void EngineFixture::SetUp()
{
    if (!haveSequencer()) GTEST_SKIP() << "no /dev/snd/seq here; run through tools/seqvm";
    const std::string error = capture.open(kThroughClient, 0);
    ASSERT_EQ(error, "") << "cannot listen to Midi Through";
    // The bench's emulated CPU runs kernel code slowly the first time after
    // boot; a first beat is handled inside the write that starts the queue,
    // so the paths it takes are run once before anything is timed.
    ASSERT_TRUE(capture.roundTrip()) << "Midi Through did not echo";
}

void EngineFixture::TearDown()
{
    if (session) {
        session->stop();
        spinUntil([this] { return !session->active(); }, 10000);
        session.reset();
    }
    capture.close();
}

::testing::AssertionResult EngineFixture::load(const SongPlan& s, int tempoBoost, int startBeat)
{
    plan = s;
    boost = tempoBoost;
    devices.defaultOutput.client = kThroughClient;
    devices.defaultOutput.port = 0;
    devices.defaultInput.client = kKeyboardClient;
    devices.defaultInput.port = 0;
    if (devices.outputs.empty()) {
        auto out = std::make_unique<OutputDevice>();
        out->client = kThroughClient;
        devices.outputs.push_back(std::move(out));
    }
    if (!loadSongFromBytes(plan.bytes(), QStringLiteral("test.mid"), LoadOptions(), song))
        return ::testing::AssertionFailure() << "the song did not load";
    if (prepareSong(deck) != PrepareResult::Prepared)
        return ::testing::AssertionFailure() << "the song was not prepared";
    if (boost != 100) deck.setTempoBoost(boost);
    deck.currentBeat = startBeat;
    deck.repositionCursors();
    if (deck.currentBeat != startBeat)
        return ::testing::AssertionFailure() << "the deck cannot start at beat " << startBeat;
    session = std::make_unique<DeckSession>(deck, options, &mainWindow);
    return ::testing::AssertionSuccess();
}

SessionRun EngineFixture::play(const std::function<bool()>& until, int timeoutMs)
{
    SessionRun run;
    QObject::connect(session.get(), &DeckSession::sessionStarted, [&run] { run.started = true; });
    QObject::connect(session.get(), &DeckSession::sessionFinished, [&run](int, int, bool halted) {
        run.finished = true;
        run.halted = halted;
    });
    if (!session->listen()) return run;
    spinUntil([&] { return run.finished || (run.started && until()); }, timeoutMs);
    session->stop();
    spinUntil([&] { return run.finished; }, 20000);
    QObject::disconnect(session.get(), nullptr, nullptr, nullptr);
    return run;
}

std::vector<CapturedEvent> EngineFixture::songNoteOns() const
{
    std::vector<CapturedEvent> out;
    const int clickChannel = options.metronomeChannel.load();
    const int weak = options.metronomeWeak.load(), strong = options.metronomeStrong.load();
    for (const CapturedEvent& e : capture.noteOns()) {
        const bool click = options.metronomePlay.load() && e.channel == clickChannel &&
                           (e.note == weak || e.note == strong);
        if (!click) out.push_back(e);
    }
    return out;
}

SessionRun EngineFixture::playNotes(size_t notes, int timeoutMs)
{
    const double beatMs = plan.msAt(plan.ticksPerBeat(), boost);
    QElapsedTimer sinceLast;
    size_t seen = 0;
    return play(
        [&] {
            const size_t now = songNoteOns().size();
            if (now != seen || !sinceLast.isValid()) {
                seen = now;
                sinceLast.start();
            }
            // A beat more, so notes that should not come have their chance to.
            return seen >= notes && sinceLast.elapsed() > beatMs + 50;
        },
        timeoutMs);
}

std::vector<ExpectedNote> expectedNotes(const SongPlan& plan, int boost,
                                        const std::vector<TrackShape>& shapes, uint64_t fromTick)
{
    struct Keyed {
        uint64_t tick;
        size_t track;
        ExpectedNote note;
    };
    std::vector<Keyed> all;
    for (size_t t = 0; t < plan.tracks.size(); ++t) {
        const TrackShape shape = t < shapes.size() ? shapes[t] : TrackShape();
        if (shape.muted) continue;
        for (const SongNote& n : plan.tracks[t].notes) {
            if (n.tick < fromTick) continue;
            ExpectedNote e;
            e.ms = plan.msAt(n.tick, boost);
            e.channel = n.channel;
            e.key = std::clamp(n.key + shape.transpose, 0, 127);
            e.velocity = std::clamp(n.velocity + shape.velocityShift, 0, 127);
            all.push_back({n.tick, t, e});
        }
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const Keyed& a, const Keyed& b) { return a.tick < b.tick; });
    std::vector<ExpectedNote> out;
    for (const Keyed& k : all) out.push_back(k.note);
    return out;
}

::testing::AssertionResult arrivedInTime(const std::vector<CapturedEvent>& got,
                                         const std::vector<ExpectedNote>& want, double toleranceMs,
                                         std::vector<double>* errors)
{
    std::ostringstream why;
    if (got.size() != want.size())
        why << "expected " << want.size() << " notes, got " << got.size() << "\n";
    const size_t n = std::min(got.size(), want.size());
    int bad = 0;
    for (size_t i = 0; i < n; ++i) {
        const CapturedEvent& g = got[i];
        const ExpectedNote& w = want[i];
        const double at = double(g.ns - got[0].ns) / 1e6;
        const double should = w.ms - want[0].ms;
        const double error = at - should;
        if (errors && i > 0) errors->push_back(error);
        // Every note's error, when a timing failure needs a closer look.
        if (std::getenv("CLAVION_TEST_VERBOSE"))
            std::printf("note %zu key %d at %.3f error %+.3f\n", i, g.note, at, error);
        const bool same = g.channel == w.channel && g.note == w.key && g.velocity == w.velocity;
        if (!same || std::fabs(error) > toleranceMs) {
            if (++bad <= 12)
                why << "note " << i << ": got ch " << g.channel << " key " << g.note << " vel "
                    << g.velocity << " at " << at << " ms; expected ch " << w.channel << " key "
                    << w.key << " vel " << w.velocity << " at " << should << " ms (error " << error
                    << " ms)\n";
        }
    }
    if (bad > 12) why << "... " << bad - 12 << " more\n";
    if (why.str().empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << why.str();
}

std::string distribution(std::vector<double> values)
{
    if (values.empty()) return "no values";
    double sum = 0;
    for (double& v : values) {
        sum += v;
        v = std::fabs(v);
    }
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) {
        return values[std::min(values.size() - 1, size_t(q * double(values.size() - 1) + 0.5))];
    };
    std::ostringstream out;
    out.precision(3);
    out << std::fixed << "n=" << values.size() << " median=" << at(0.5) << " ms p99=" << at(0.99)
        << " ms max=" << values.back() << " ms (mean signed " << sum / double(values.size())
        << " ms, + is late)";
    return out.str();
}
