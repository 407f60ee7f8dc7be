#include "enginefixture.h"

#include "../smfbuilder.h"
#include "core/events.h"
#include "song/preparation.h"
#include "song/songloader.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <unistd.h>

int64_t monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

bool spinUntil(const std::function<bool()>& done, int timeoutMs, int tickMs)
{
    if (done()) return true;
    QEventLoop loop;
    QTimer tick;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > timeoutMs) loop.quit();
    });
    tick.start(tickMs);
    loop.exec();
    return done();
}

QByteArray SongPlan::bytes() const
{
    std::vector<TrackBuilder> out(1);
    out[0].timeSig(0, beatsPerMeasure, 2);
    uint32_t at = 0;
    for (const auto& [tick, usec] : tempos) {
        out[0].tempo(tick - at, usec);
        at = tick;
    }
    out[0].end();
    for (const SongTrack& track : tracks) {
        // At one tick: ends, then other messages, then starts.
        std::vector<std::pair<std::pair<uint32_t, int>, QByteArray>> events;
        const auto add = [&](uint32_t tick, int rank, int status, const std::vector<int>& data) {
            QByteArray b(1, char(status));
            if (status == 0xF0) b += varLen(data.size());
            for (int d : data) b += char(d);
            events.push_back({{tick, rank}, b});
        };
        for (const SongNote& n : track.notes) {
            add(n.tick, 2, 0x90 | n.channel, {n.key, n.velocity});
            add(n.tick + n.length, 0, 0x80 | n.channel, {n.key, 64});
        }
        for (const SongMessage& m : track.messages) add(m.tick, 1, m.status, m.data);
        std::stable_sort(events.begin(), events.end(),
                         [](const auto& x, const auto& y) { return x.first < y.first; });
        TrackBuilder& t = out.emplace_back();
        at = 0;
        for (const auto& [when, b] : events) {
            t.raw(varLen(when.first - at) + b);
            at = when.first;
        }
        t.end();
    }
    return smfFile(1, 480, out);
}

double SongPlan::msAt(uint64_t tick, int boost) const
{
    double us = 0;
    for (size_t i = 0; i < tempos.size() && tempos[i].first < tick; ++i) {
        const uint64_t to =
            i + 1 < tempos.size() ? std::min<uint64_t>(tick, tempos[i + 1].first) : tick;
        us += double(to - tempos[i].first) * tempos[i].second / 480;
    }
    return us / 1000.0 * 100.0 / boost;
}

std::vector<SongNote> noteRun(uint32_t first, uint32_t step, int count, int channel, int key,
                              uint32_t length)
{
    std::vector<SongNote> v;
    for (int i = 0; i < count; ++i)
        v.push_back({first + uint32_t(i) * step, length ? length : step / 2, channel, key + i % 24,
                     40 + (i * 13) % 80});
    return v;
}

std::string SeqCapture::open(int client, int port)
{
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
        seq_ = nullptr;
        return "snd_seq_open failed";
    }
    snd_seq_set_client_name(seq_, "clavion-test capture");
    // The largest pool there is, for a stop's controllers or a key flood.
    snd_seq_set_client_pool_input(seq_, 2000);
    // Not MIDI_GENERIC: device scans must not offer this port as a synthesizer.
    port_ = snd_seq_create_simple_port(seq_, "capture",
                                       SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                       SND_SEQ_PORT_TYPE_APPLICATION);
    queue_ = snd_seq_alloc_queue(seq_);
    if (port_ < 0 || queue_ < 0) return "cannot create the capture's port and queue";
    snd_seq_start_queue(seq_, queue_, nullptr);
    snd_seq_drain_output(seq_);
    snd_seq_port_subscribe_t* sub;
    snd_seq_port_subscribe_alloca(&sub);
    source_ = {uint8_t(client), uint8_t(port)};
    const snd_seq_addr_t dest{uint8_t(snd_seq_client_id(seq_)), uint8_t(port_)};
    snd_seq_port_subscribe_set_sender(sub, &source_);
    snd_seq_port_subscribe_set_dest(sub, &dest);
    snd_seq_port_subscribe_set_queue(sub, queue_);
    snd_seq_port_subscribe_set_time_update(sub, 1);
    snd_seq_port_subscribe_set_time_real(sub, 1);
    return snd_seq_subscribe_port(seq_, sub) < 0 ? "cannot subscribe to the port" : "";
}

bool SeqCapture::roundTrip()
{
    unsigned char sysex[] = {0xF0, 0x7D, 0x01, 0xF7};
    for (int i = 0; i < 3; ++i) {
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        if (i == 0) snd_seq_ev_set_note(&ev, 15, 0, 1, 1);
        if (i == 1) snd_seq_ev_set_sysex(&ev, sizeof sysex, sysex);
        if (i == 2) snd_seq_ev_set_controller(&ev, 15, 1, 0);
        snd_seq_ev_set_source(&ev, uint8_t(port_));
        snd_seq_ev_set_dest(&ev, source_.client, source_.port);
        if (i < 2)
            snd_seq_ev_schedule_tick(&ev, queue_, 0, 0); // long past: due at once
        else
            snd_seq_ev_set_direct(&ev);
        snd_seq_event_output(seq_, &ev);
    }
    snd_seq_drain_output(seq_);
    // The note's end comes back last.
    const bool back = waitFor([](const Captured& got) { return got.size() >= 4; }, 5000);
    clear();
    return back;
}

void SeqCapture::close()
{
    if (seq_) snd_seq_close(seq_);
    seq_ = nullptr;
}

void SeqCapture::drain()
{
    for (;;) {
        snd_seq_event_t* ev = nullptr;
        const int rc = snd_seq_event_input(seq_, &ev);
        if (rc == -ENOSPC) {
            ++overruns_; // the check that wanted these events means nothing
            continue;
        }
        if (rc < 0 || !ev) return;
        CapturedEvent c;
        c.type = ev->type;
        c.ns = int64_t(ev->time.time.tv_sec) * 1000000000 + ev->time.time.tv_nsec;
        if (snd_seq_ev_is_note_type(ev)) {
            c.channel = ev->data.note.channel;
            c.note = ev->data.note.note;
            c.velocity = ev->data.note.velocity;
        } else if (ev->type == SND_SEQ_EVENT_TEMPO) {
            c.value = ev->data.queue.param.value;
        } else if (ev->type == SND_SEQ_EVENT_SYSEX) {
            const auto* bytes = static_cast<const unsigned char*>(ev->data.ext.ptr);
            c.data.assign(bytes, bytes + ev->data.ext.len);
        } else {
            c.channel = ev->data.control.channel;
            c.param = ev->data.control.param;
            c.value = ev->data.control.value;
        }
        events_.push_back(c);
    }
}

const Captured& SeqCapture::events()
{
    drain();
    return events_;
}

Captured SeqCapture::notes(bool on, int channel)
{
    Captured out;
    for (const CapturedEvent& e : events())
        if ((on ? e.isNoteOn() : e.isNoteOff()) && (channel < 0 || e.channel == channel))
            out.push_back(e);
    return out;
}

void SeqCapture::clear()
{
    drain();
    events_.clear();
}

bool SeqCapture::waitFor(const std::function<bool(const Captured&)>& done, int timeoutMs)
{
    return spinUntil([&] { return done(events()); }, timeoutMs);
}

int findClient(snd_seq_t* seq, const char* name)
{
    snd_seq_client_info_t* info;
    snd_seq_client_info_alloca(&info);
    snd_seq_client_info_set_client(info, -1);
    while (snd_seq_query_next_client(seq, info) >= 0)
        if (std::string(snd_seq_client_info_get_name(info)) == name)
            return snd_seq_client_info_get_client(info);
    return -1;
}

std::vector<int> subscribers(snd_seq_t* seq, int client, snd_seq_query_subs_type_t type)
{
    std::vector<int> out;
    snd_seq_query_subscribe_t* q;
    snd_seq_query_subscribe_alloca(&q);
    const snd_seq_addr_t root{uint8_t(client), 0};
    snd_seq_query_subscribe_set_root(q, &root);
    snd_seq_query_subscribe_set_type(q, type);
    for (int i = 0;
         snd_seq_query_subscribe_set_index(q, i), snd_seq_query_port_subscribers(seq, q) >= 0; ++i)
        out.push_back(snd_seq_query_subscribe_get_addr(q)->client);
    return out;
}

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
    keyboard = ::open("/dev/snd/midiC0D0", O_WRONLY);
    ASSERT_GE(keyboard, 0) << "no virtual keyboard /dev/snd/midiC0D0";
    devices.inputs.push_back(std::make_unique<InputDevice>());
    devices.inputs[0]->client = kKeyboardClient;
    devices.outputs.push_back(std::make_unique<OutputDevice>());
    devices.outputs[0]->client = kThroughClient;
    devices.defaultInput.client = kKeyboardClient;
    devices.defaultOutput.client = kThroughClient;
    options.metronomeRecord = false;
}

void EngineFixture::TearDown()
{
    if (session && session->active()) end();
    session.reset();
    capture.close();
    if (keyboard >= 0) ::close(keyboard);
}

::testing::AssertionResult EngineFixture::load(const SongPlan& s, int tempoBoost, int startBeat,
                                               std::initializer_list<int> played)
{
    plan = s;
    boost = tempoBoost;
    session.reset();
    if (!loadSongFromBytes(plan.bytes(), QStringLiteral("test.mid"), LoadOptions(), song) ||
        prepareSong(deck) != PrepareResult::Prepared)
        return ::testing::AssertionFailure() << "the song did not load";
    for (int d : played) deck.tracks.keyboard[size_t(d)] = 1;
    if (boost != 100) deck.setTempoBoost(boost);
    deck.currentBeat = startBeat;
    deck.repositionCursors();
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
    if (!(record ? session->record() : session->listen()) ||
        !spinUntil([this] { return started; }, 20000))
        return ::testing::AssertionFailure() << "the session did not start";
    spinFor(300); // the engine prepares its clusters after the start
    capture.clear();
    return ::testing::AssertionSuccess();
}

bool EngineFixture::end()
{
    session->stop();
    return spinUntil([this] { return finished; }, 20000);
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
    const double beatMs = plan.msAt(480, boost);
    int64_t last = monotonicNs();
    size_t seen = 0;
    return play([&] {
        if (songNoteOns().size() != seen) {
            seen = songNoteOns().size();
            last = monotonicNs();
        }
        // A beat more, so notes that should not come have their chance to.
        return seen >= notes && msBetween(last, monotonicNs()) > beatMs + 50;
    });
}

Captured EngineFixture::songNoteOns()
{
    Captured out = capture.notes();
    if (options.metronomePlay.load())
        out.erase(std::remove_if(out.begin(), out.end(),
                                 [this](const CapturedEvent& e) {
                                     return e.channel == options.metronomeChannel.load();
                                 }),
                  out.end());
    return out;
}

int64_t EngineFixture::send(const std::vector<unsigned char>& bytes)
{
    const int64_t at = monotonicNs();
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(keyboard, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    return at;
}

std::pair<int64_t, int64_t> EngineFixture::strike(int key, int velocity, int holdMs, int restMs)
{
    const int64_t on = press(key, velocity);
    spinUntil([&] { return msBetween(on, monotonicNs()) >= holdMs; }, 60000);
    const int64_t off = release(key);
    spinFor(restMs);
    return {on, off};
}

bool EngineFixture::waitNotes(size_t ons, size_t offs, int timeoutMs)
{
    return capture.waitFor(
        [=](const Captured& got) {
            size_t on = 0, off = 0;
            for (const CapturedEvent& e : got) {
                on += e.isNoteOn();
                off += e.isNoteOff();
            }
            return on >= ons && off >= offs;
        },
        timeoutMs);
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
                                         std::vector<double>& errors)
{
    std::ostringstream why;
    if (got.size() != want.size())
        why << "expected " << want.size() << " notes, got " << got.size() << "\n";
    for (size_t i = 0; i < std::min(got.size(), want.size()); ++i) {
        const CapturedEvent& g = got[i];
        const ExpectedNote& w = want[i];
        const double at = msBetween(got[0].ns, g.ns), should = w.ms - want[0].ms;
        if (i > 0) errors.push_back(at - should);
        if (std::getenv("CLAVION_TEST_VERBOSE"))
            std::printf("note %zu key %d at %.3f error %+.3f\n", i, g.note, at, at - should);
        if (g.channel != w.channel || g.note != w.key || g.velocity != w.velocity ||
            std::fabs(at - should) > kToleranceMs)
            why << "note " << i << ": got ch " << g.channel << " key " << g.note << " vel "
                << g.velocity << " at " << at << " ms; expected ch " << w.channel << " key "
                << w.key << " vel " << w.velocity << " at " << should << " ms\n";
    }
    if (why.str().empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << why.str();
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
