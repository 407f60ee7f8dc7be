#include "enginefixture.h"

#include "../smfbuilder.h"
#include "core/events.h"
#include "song/preparation.h"
#include "song/songloader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <fcntl.h>
#include <map>
#include <unistd.h>

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
    for (const auto& [tick, usec] : tempos) out[0].tempo(tick - std::exchange(at, tick), usec);
    out[0].end();
    for (const SongTrack& track : tracks) {
        // By tick, then at one tick: ends (0), other messages (1), starts (2).
        std::multimap<std::pair<uint32_t, int>, QByteArray> events;
        const auto add = [&](uint32_t tick, int order, int status, const std::vector<int>& data) {
            QByteArray b(1, char(status));
            if (status == 0xF0) b += varLen(data.size());
            for (int d : data) b += char(d);
            events.insert({{tick, order}, b});
        };
        for (const SongNote& n : track.notes) {
            add(n.tick + n.length, 0, 0x80 | n.channel, {n.key, 64});
            add(n.tick, 2, 0x90 | n.channel, {n.key, n.velocity});
        }
        for (const SongMessage& m : track.messages) add(m.tick, 1, m.status, m.data);
        TrackBuilder& t = out.emplace_back();
        at = 0;
        for (const auto& [when, b] : events)
            t.raw(varLen(when.first - std::exchange(at, when.first)) + b);
        t.end();
    }
    return smfFile(1, division, out);
}

double SongPlan::msAt(uint64_t tick, int boost) const
{
    double us = 0;
    for (size_t i = 0; i < tempos.size() && tempos[i].first < tick; ++i) {
        const uint64_t to =
            i + 1 < tempos.size() ? std::min<uint64_t>(tick, tempos[i + 1].first) : tick;
        us += double(to - tempos[i].first) * tempos[i].second / division;
    }
    return us / 1000.0 * 100.0 / boost;
}

SongTrack noteRun(uint32_t first, uint32_t step, int count, int channel, int key, uint32_t length)
{
    SongTrack t;
    for (int i = 0; i < count; ++i)
        t.notes.push_back({first + uint32_t(i) * step, length ? length : step / 2, channel,
                           key + i % 24, 40 + (i * 13) % 80});
    return t;
}

void MainWindowStub::customEvent(QEvent* event)
{
    types.push_back(int(event->type()));
    if (int(event->type()) == DeviceFailureEvent)
        failures << static_cast<MessageEvent*>(event)->text;
    if (int(event->type()) == StatusTextEvent) notices << static_cast<StatusbarEvent*>(event)->text;
    if (int(event->type()) == RescanDevicesEvent) ++rescans;
    if (int(event->type()) == DeviceGoneEvent) {
        const DeviceGonePayload e(event);
        gone.push_back({e.client(), e.port(), e.isOutput()});
    }
    event->accept();
}

void EngineFixture::SetUp()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/snd/seq")))
        GTEST_SKIP() << "no /dev/snd/seq here; run through tools/seqvm";
    ASSERT_TRUE(openCapture()) << "cannot listen to Midi Through";
    keyboard_ = ::open("/dev/snd/midiC0D0", O_WRONLY);
    ASSERT_GE(keyboard_, 0) << "no virtual keyboard /dev/snd/midiC0D0";
    devices.inputs.push_back(std::make_unique<InputDevice>());
    devices.inputs[0]->client = kKeyboardClient;
    devices.outputs.push_back(std::make_unique<OutputDevice>());
    devices.outputs[0]->client = kThroughClient;
    devices.defaultInput.client = kKeyboardClient;
    devices.defaultOutput.client = kThroughClient;
    options.metronomeRecord = false;
}

bool EngineFixture::openCapture()
{
    if (snd_seq_open(&capture, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) return false;
    snd_seq_set_client_name(capture, "clavion-test capture");
    // The largest pool there is, for a stop's controllers or a key flood.
    snd_seq_set_client_pool_input(capture, 2000);
    // Not MIDI_GENERIC: device scans must not offer this port as a synthesizer.
    const int port = snd_seq_create_simple_port(
        capture, "capture", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
        SND_SEQ_PORT_TYPE_APPLICATION);
    const int queue = snd_seq_alloc_queue(capture);
    snd_seq_start_queue(capture, queue, nullptr);
    snd_seq_port_subscribe_t* sub;
    snd_seq_port_subscribe_alloca(&sub);
    const snd_seq_addr_t through{kThroughClient, 0};
    const snd_seq_addr_t self{uint8_t(snd_seq_client_id(capture)), uint8_t(port)};
    snd_seq_port_subscribe_set_sender(sub, &through);
    snd_seq_port_subscribe_set_dest(sub, &self);
    snd_seq_port_subscribe_set_queue(sub, queue);
    snd_seq_port_subscribe_set_time_update(sub, 1);
    snd_seq_port_subscribe_set_time_real(sub, 1);
    if (port < 0 || queue < 0 || snd_seq_subscribe_port(capture, sub) < 0) return false;
    // A note, a system exclusive message and a controller around once: the emulated
    // CPU runs kernel paths slowly the first time, which no timed beat may pay for.
    unsigned char sysex[] = {0xF0, 0x7D, 0x01, 0xF7};
    snd_seq_event_t ev[3];
    for (snd_seq_event_t& e : ev) snd_seq_ev_clear(&e);
    snd_seq_ev_set_note(&ev[0], 15, 0, 1, 1);
    snd_seq_ev_set_sysex(&ev[1], sizeof sysex, sysex);
    snd_seq_ev_set_controller(&ev[2], 15, 1, 0);
    for (snd_seq_event_t& e : ev) {
        snd_seq_ev_set_source(&e, uint8_t(port));
        snd_seq_ev_set_dest(&e, kThroughClient, 0);
        snd_seq_ev_schedule_tick(&e, queue, 0, 0); // long past: due at once
        snd_seq_event_output(capture, &e);
    }
    snd_seq_drain_output(capture);
    // The note's end comes back last.
    const bool back = waitFor([](const Captured& got) { return got.size() >= 4; });
    forget();
    return back;
}

void EngineFixture::TearDown()
{
    if (session && session->active()) end();
    session.reset();
    if (capture) snd_seq_close(capture);
    if (keyboard_ >= 0) ::close(keyboard_);
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
    forget();
    return ::testing::AssertionSuccess();
}

bool EngineFixture::play(const std::function<bool()>& until, int timeoutMs)
{
    started = finished = halted = false;
    if (!session->listen()) return false;
    spinUntil(
        [&] {
            if (started && !finished) tempoShown = session->effectiveTempo();
            return finished || (started && until());
        },
        timeoutMs);
    return end() && started;
}

bool EngineFixture::playNotes(size_t count)
{
    // A beat more, so notes that should not come have their chance to.
    int64_t enough = 0;
    return play([&] {
        if (!enough && songNoteOns().size() >= count) enough = monotonicNs();
        return enough && msBetween(enough, monotonicNs()) > plan.msAt(plan.division, boost) + 50;
    });
}

const Captured& EngineFixture::heard()
{
    readCaptured(capture, heard_, &overruns);
    return heard_;
}

void readCaptured(snd_seq_t* seq, Captured& into, int* overruns)
{
    snd_seq_event_t* ev = nullptr;
    for (int rc; seq && ((rc = snd_seq_event_input(seq, &ev)) >= 0 || rc == -ENOSPC);) {
        if (rc < 0) {
            ++*overruns;
            continue;
        }
        CapturedEvent c;
        c.type = ev->type;
        c.ns = int64_t(ev->time.time.tv_sec) * 1000000000 + ev->time.time.tv_nsec;
        if (snd_seq_ev_is_note_type(ev)) {
            c.channel = ev->data.note.channel;
            c.note = ev->data.note.note;
            c.velocity = ev->data.note.velocity;
            if (c.type == SND_SEQ_EVENT_NOTEON && !c.velocity) c.type = SND_SEQ_EVENT_NOTEOFF;
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
        into.push_back(c);
    }
}

StandIn::StandIn(const char* clientName, const char* portName)
    : clientName_(clientName), portName_(portName)
{
}

StandIn::~StandIn()
{
    close();
    for (snd_seq_t* f : fillers_) snd_seq_close(f);
}

bool StandIn::open(bool newNumber)
{
    close();
    if (newNumber) {
        // The lowest free number goes to the filler: the one we had.
        snd_seq_t* filler = nullptr;
        if (snd_seq_open(&filler, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return false;
        fillers_.push_back(filler);
    }
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) return false;
    snd_seq_set_client_name(seq_, clientName_);
    snd_seq_set_client_pool_input(seq_, 2000);
    const int queue = snd_seq_alloc_queue(seq_);
    snd_seq_start_queue(seq_, queue, nullptr);
    snd_seq_drain_output(seq_);
    // What arrives is stamped by the kernel with our queue's time.
    snd_seq_port_info_t* info;
    snd_seq_port_info_alloca(&info);
    snd_seq_port_info_set_name(info, portName_);
    snd_seq_port_info_set_capability(info, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ |
                                               SND_SEQ_PORT_CAP_WRITE |
                                               SND_SEQ_PORT_CAP_SUBS_WRITE);
    snd_seq_port_info_set_type(info, SND_SEQ_PORT_TYPE_MIDI_GENERIC |
                                         SND_SEQ_PORT_TYPE_SYNTHESIZER |
                                         SND_SEQ_PORT_TYPE_APPLICATION);
    snd_seq_port_info_set_timestamping(info, 1);
    snd_seq_port_info_set_timestamp_real(info, 1);
    snd_seq_port_info_set_timestamp_queue(info, queue);
    if (queue < 0 || snd_seq_create_port(seq_, info) < 0) {
        close();
        return false;
    }
    client_ = snd_seq_client_id(seq_);
    port_ = snd_seq_port_info_get_port(info);
    heard_.clear();
    return true;
}

void StandIn::close()
{
    if (seq_) snd_seq_close(seq_);
    seq_ = nullptr;
}

const Captured& StandIn::heard()
{
    int overruns = 0;
    readCaptured(seq_, heard_, &overruns);
    EXPECT_EQ(overruns, 0) << clientName_ << " lost events";
    return heard_;
}

void StandIn::note(int key, int velocity)
{
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    if (velocity > 0)
        snd_seq_ev_set_noteon(&ev, 0, key, velocity);
    else
        snd_seq_ev_set_noteoff(&ev, 0, key, 64);
    snd_seq_ev_set_source(&ev, uint8_t(port_));
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    EXPECT_GE(snd_seq_event_output_direct(seq_, &ev), 0);
}

Captured EngineFixture::heard(const std::function<bool(const CapturedEvent&)>& which)
{
    Captured out;
    for (const CapturedEvent& e : heard())
        if (which(e)) out.push_back(e);
    return out;
}

Captured EngineFixture::notes(bool on, int channel)
{
    return heard([=](const CapturedEvent& e) {
        return (on ? e.isNoteOn() : e.isNoteOff()) && (channel < 0 || e.channel == channel);
    });
}

Captured EngineFixture::songNoteOns()
{
    return heard([this](const CapturedEvent& e) {
        return e.isNoteOn() &&
               (!options.metronomePlay.load() || e.channel != options.metronomeChannel.load());
    });
}

bool EngineFixture::waitNotes(size_t ons, size_t offs)
{
    return waitFor([&](auto&) { return notes(true).size() >= ons && notes(false).size() >= offs; });
}

int EngineFixture::findClient(const char* name)
{
    snd_seq_client_info_t* info;
    snd_seq_client_info_alloca(&info);
    snd_seq_client_info_set_client(info, -1);
    while (snd_seq_query_next_client(capture, info) >= 0)
        if (std::string(snd_seq_client_info_get_name(info)) == name)
            return snd_seq_client_info_get_client(info);
    return -1;
}

std::vector<int> EngineFixture::subscribers(int client, snd_seq_query_subs_type_t type)
{
    std::vector<int> out;
    snd_seq_query_subscribe_t* q;
    snd_seq_query_subscribe_alloca(&q);
    const snd_seq_addr_t root{uint8_t(client), 0};
    snd_seq_query_subscribe_set_root(q, &root);
    snd_seq_query_subscribe_set_type(q, type);
    for (int i = 0;
         snd_seq_query_subscribe_set_index(q, i), snd_seq_query_port_subscribers(capture, q) >= 0;
         ++i)
        out.push_back(snd_seq_query_subscribe_get_addr(q)->client);
    return out;
}

int64_t EngineFixture::send(const std::vector<unsigned char>& bytes)
{
    const int64_t at = monotonicNs();
    EXPECT_EQ(::write(keyboard_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    usleep(1000); // the one CPU to whoever takes the key, now
    return at;
}

std::pair<int64_t, int64_t> EngineFixture::strike(int key, int velocity, int holdMs, int restMs)
{
    const int64_t on = send({0x90, uint8_t(key), uint8_t(velocity)});
    spinUntil([&] { return msBetween(on, monotonicNs()) >= holdMs; }, 60000);
    const int64_t off = send({0x80, uint8_t(key), 64});
    spinFor(restMs);
    return {on, off};
}
