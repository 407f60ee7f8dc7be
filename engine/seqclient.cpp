#include "engine/seqclient.h"

#include "core/devices.h"
#include "core/midi.h"
#include "core/programname.h"
#include "engine/seqerror.h"
#include "song/songnames.h"
#include "song/tracktables.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace
{
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(midithread)
};

bool contains(const std::vector<snd_seq_addr_t>& list, snd_seq_addr_t a)
{
    return std::any_of(list.begin(), list.end(),
                       [a](snd_seq_addr_t b) { return a.client == b.client && a.port == b.port; });
}

void remove(std::vector<snd_seq_addr_t>& list, snd_seq_addr_t a)
{
    list.erase(
        std::remove_if(list.begin(), list.end(),
                       [a](snd_seq_addr_t b) { return a.client == b.client && a.port == b.port; }),
        list.end());
}

// All notes off, all sound off, sustain off. Local control is left alone: a
// keyboard that is also the output must keep sounding on its own.
constexpr int kSilencingControllers[] = {MIDI_CTL_ALL_NOTES_OFF, MIDI_CTL_ALL_SOUNDS_OFF,
                                         MIDI_CTL_SUSTAIN};
// The pedals and foot controllers a session leaves at rest.
constexpr int kPedalControllers[] = {
    MIDI_CTL_MSB_FOOT,   MIDI_CTL_LSB_FOOT,          MIDI_CTL_SUSTAIN, MIDI_CTL_SOSTENUTO,
    MIDI_CTL_SOFT_PEDAL, MIDI_CTL_LEGATO_FOOTSWITCH, MIDI_CTL_HOLD2};

std::string sequencerClientName()
{
    return std::string(App::kProgramName) + " ALSA sequencer";
}

snd_seq_addr_t address(int client, int port)
{
    snd_seq_addr_t a;
    a.client = static_cast<unsigned char>(client);
    a.port = static_cast<unsigned char>(port);
    return a;
}
} // namespace

SeqClient::~SeqClient()
{
    close();
}

void SeqClient::fail(int rc, const char* stderrLine, const QString& text)
{
    if (stderrLine) std::fputs(stderrLine, stderr);
    if (deviceFailure) deviceFailure(text.arg(seqErrorText(rc)));
}

bool SeqClient::portFailed(int rc, const QString& advice, const QString& error, int client,
                           int port)
{
    if (deviceFailure)
        deviceFailure(advice + QLatin1Char('\n') +
                      error.arg(client).arg(port).arg(seqErrorText(rc)));
    return false;
}

bool SeqClient::open(const TrackTables& tracks, DeviceSet& devices)
{
    std::lock_guard<std::mutex> guard(lock_);
    closeLocked();
    if (openLocked(tracks, devices)) return true;
    closeLocked();
    return false;
}

bool SeqClient::openLocked(const TrackTables& tracks, DeviceSet& devices)
{
    // Non-blocking: a beat larger than the kernel's pool must not stop the
    // thread that frees the pool by letting the queue run.
    int rc = seqCheck(snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK),
                      "snd_seq_open");
    if (rc < 0) {
        seq_ = nullptr;
        fail(rc, "Error opening ALSA sequencer.\n", Texts::tr("Error opening ALSA sequencer: %1."));
        return false;
    }
    client_ = snd_seq_client_id(seq_);
    seqCheck(snd_seq_set_client_pool_output(seq_, 2000), "snd_seq_set_client_pool_output");
    // Wake for the backlog as soon as a little room is free, not half the pool.
    seqCheck(snd_seq_set_client_pool_output_room(seq_, 128), "snd_seq_set_client_pool_output_room");
    // And for a flood of keys while the handler is busy.
    seqCheck(snd_seq_set_client_pool_input(seq_, 2000), "snd_seq_set_client_pool_input");
    backlog_.reserve(4096);
    rc = seqCheck(snd_seq_set_client_name(seq_, sequencerClientName().c_str()),
                  "snd_seq_set_client_name");
    if (rc < 0) {
        fail(rc, "Error opening ALSA sequencer.\n", Texts::tr("Error setting client name: %1."));
        return false;
    }
    rc = seqCheck(snd_seq_create_simple_port(seq_, "output",
                                             SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                             SND_SEQ_PORT_TYPE_APPLICATION),
                  "snd_seq_create_simple_port");
    if (rc < 0) {
        fail(rc, "Error creating sequencer output port.\n",
             Texts::tr("Error creating sequencer output port: %1."));
        return false;
    }
    outPort_ = rc;
    rc = seqCheck(snd_seq_create_simple_port(seq_, "input",
                                             SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                             SND_SEQ_PORT_TYPE_APPLICATION),
                  "snd_seq_create_simple_port");
    if (rc < 0) {
        fail(rc, "Error creating sequencer input port.\n",
             Texts::tr("Error creating sequencer input port: %1."));
        return false;
    }
    inPort_ = rc;

    for (int d = 0; d < tracks.displayCount(); ++d) {
        const OutputDevice* out = tracks.output[size_t(d)];
        const snd_seq_addr_t a = address(out ? out->client : 0, out ? out->port : 0);
        if (contains(outputs_, a)) continue;
        if (!connectOutput(a.client, a.port)) return false;
        outputs_.push_back(a);
    }
    bool told = false;
    for (int d = 0; d < tracks.displayCount(); ++d) {
        const InputDevice* in = tracks.input[size_t(d)];
        const snd_seq_addr_t a = address(in ? in->client : 0, in ? in->port : 0);
        if (contains(inputs_, a)) continue;
        if (echoesUs(a)) {
            if (!told && notice) notice(echoText(a));
            told = true;
            continue;
        }
        if (!connectInput(a.client, a.port, devices)) return false;
        inputs_.push_back(a);
    }
    return true;
}

bool SeqClient::echoesUs(snd_seq_addr_t a) const
{
    // Midi Through sends on whatever it is sent: listening to it while we
    // play to it, we would hear every note of ours again as a player's, play
    // it again, and so on without end.
    if (!contains(outputs_, a)) return false;
    snd_seq_client_info_t* info;
    snd_seq_client_info_alloca(&info);
    if (snd_seq_get_any_client_info(seq_, a.client, info) < 0) return false;
    return snd_seq_client_info_get_type(info) == SND_SEQ_KERNEL_CLIENT &&
           std::strcmp(snd_seq_client_info_get_name(info), "Midi Through") == 0;
}

QString SeqClient::echoText(snd_seq_addr_t a)
{
    return Texts::tr("MIDI input %1:%2 plays back what the song sends to it: it is not listened to "
                     "while it is an output.")
        .arg(a.client)
        .arg(a.port);
}

void SeqClient::close()
{
    std::lock_guard<std::mutex> guard(lock_);
    closeLocked();
}

void SeqClient::closeLocked()
{
    if (!seq_) return;
    backlog_.clear();
    backlogHead_ = 0;
    holding_ = false;
    snd_seq_drop_output(seq_);
    // A connection that cannot be undone now is one whose port has left
    // (its program quit): news for the user, not a failure of the session.
    const auto failure = std::exchange(deviceFailure, nullptr);
    for (const snd_seq_addr_t& a : outputs_)
        if (!disconnectOutput(a.client, a.port) && deviceGone) deviceGone(a.client, a.port, true);
    // The PC keyboard was never connected.
    DeviceSet none;
    for (const snd_seq_addr_t& a : inputs_)
        if (a.client < kPcKeyboardClient && !disconnectInput(a.client, a.port, none) && deviceGone)
            deviceGone(a.client, a.port, false);
    deviceFailure = failure;
    outputs_.clear();
    inputs_.clear();
    if (queue_ >= 0) {
        snd_seq_event_t stop;
        snd_seq_ev_clear(&stop);
        snd_seq_ev_set_queue_stop(&stop, queue_);
        stop.source.port = static_cast<unsigned char>(outPort_);
        snd_seq_ev_set_direct(&stop);
        seqCheck(snd_seq_event_output_direct(seq_, &stop), "snd_seq_event_output_direct");
        seqCheck(snd_seq_free_queue(seq_, queue_), "snd_seq_free_queue");
        queue_ = -1;
    }
    snd_seq_close(seq_);
    seq_ = nullptr;
    client_ = inPort_ = outPort_ = -1;
    seqErrorRepeats();
}

bool SeqClient::connectInput(int client, int port, DeviceSet& devices)
{
    if (client == 0 && port == 0) {
        if (deviceFailure)
            deviceFailure(Texts::tr("No input ports. Check \"Devices setup\" and retry"));
        return false;
    }
    if (client >= kPcKeyboardClient) return true;
    if (!devices.inputs.empty() && !devices.findInput(client, port)) return false;
    const int rc =
        seqCheck(snd_seq_connect_from(seq_, inPort_, client, port), "snd_seq_connect_from");
    if (rc < 0)
        return portFailed(rc,
                          Texts::tr("MIDI input unavailable, please stop playing and try again."),
                          Texts::tr("Error connecting to input %1:%2 : %3."), client, port);
    return true;
}

bool SeqClient::disconnectInput(int client, int port, DeviceSet&)
{
    if (client >= kPcKeyboardClient || (client == 0 && port == 0)) return true;
    const int rc =
        seqCheck(snd_seq_disconnect_from(seq_, inPort_, client, port), "snd_seq_disconnect_from");
    if (rc < 0)
        return portFailed(rc, Texts::tr("MIDI input not found."),
                          Texts::tr("Error disconnecting from input %1:%2 : %3."), client, port);
    return true;
}

bool SeqClient::connectOutput(int client, int port)
{
    if (client == 0 && port == 0) {
        if (deviceFailure)
            deviceFailure(Texts::tr("No output ports. Check \"Devices setup\" and reload song"));
        return false;
    }
    // An address that names no port fails here too, with ALSA's reason.
    const int rc = seqCheck(snd_seq_connect_to(seq_, outPort_, client, port), "snd_seq_connect_to");
    if (rc < 0)
        return portFailed(rc,
                          Texts::tr("MIDI output unavailable, please stop playing and try again."),
                          Texts::tr("Error connecting to output %1:%2 : %3."), client, port);
    return true;
}

bool SeqClient::disconnectOutput(int client, int port)
{
    const int rc =
        seqCheck(snd_seq_disconnect_to(seq_, outPort_, client, port), "snd_seq_disconnect_to");
    if (rc < 0)
        return portFailed(rc, Texts::tr("MIDI output not found."),
                          Texts::tr("Error disconnecting from output %1:%2 : %3."), client, port);
    return true;
}

bool SeqClient::allocQueue()
{
    std::lock_guard<std::mutex> guard(lock_);
    const int rc = snd_seq_alloc_queue(seq_);
    if (rc < 0) {
        std::fprintf(stderr, "Error %i in snd_seq_alloc_queue : (%s).\n", rc, snd_strerror(rc));
        queue_ = -1;
        return false;
    }
    queue_ = rc;
    return true;
}

void SeqClient::startQueue()
{
    // A standing queue dispatches an event due at tick 0 the moment it
    // arrives, so the held beat goes in two parts: its later events wait in
    // the kernel first, then the start and the tick-0 events follow in one
    // short write. Written before the start, tick-0 notes sounded ahead of
    // the queue's time base by as long as the writing took (3 to 6 ms in the
    // bench); written whole after it, behind it by as long (up to 18 ms with
    // the GUI thread taking the CPU mid-write).
    holding_ = false;
    const auto held = backlog_.begin() + std::ptrdiff_t(backlogHead_);
    std::stable_sort(held, backlog_.end(), [](const snd_seq_event_t& a, const snd_seq_event_t& b) {
        return a.time.tick < b.time.tick;
    });
    const auto later = std::find_if(held, backlog_.end(),
                                    [](const snd_seq_event_t& ev) { return ev.time.tick != 0; });
    // A beat larger than the pool: only the running queue frees it, so the
    // queue starts first and what is due first goes first.
    const bool crowd = size_t(backlog_.end() - held) > outputRoom();
    std::vector<snd_seq_event_t> first(crowd ? later : held, later);
    backlog_.erase(crowd ? later : held, later);
    // CONTINUE starts from tick 0 a queue that never ran (START would drop
    // what is queued). In one write with the tick-0 events when nothing
    // waits for room; otherwise direct, which needs no room in the pool and
    // never waits in the library's buffer behind events that have none.
    snd_seq_event_t start;
    snd_seq_ev_clear(&start);
    snd_seq_ev_set_queue_continue(&start, queue_);
    start.source.port = static_cast<unsigned char>(outPort_);
    snd_seq_ev_set_direct(&start);
    if (!crowd) drain();
    if (backlogged())
        seqCheck(snd_seq_event_output_direct(seq_, &start), "snd_seq_event_output_direct");
    else
        seqCheck(snd_seq_event_output(seq_, &start), "snd_seq_event_output");
    for (snd_seq_event_t& ev : first) output(ev);
    drain();
}

size_t SeqClient::outputRoom() const
{
    snd_seq_client_pool_t* pool;
    snd_seq_client_pool_alloca(&pool);
    if (seqCheck(snd_seq_get_client_pool(seq_, pool), "snd_seq_get_client_pool") < 0) return 0;
    return snd_seq_client_pool_get_output_free(pool);
}

bool SeqClient::backlogged() const
{
    return holding_ || backlogHead_ < backlog_.size() ||
           (seq_ && snd_seq_event_output_pending(seq_) > 0);
}

void SeqClient::dropOutput()
{
    backlog_.clear();
    backlogHead_ = 0;
    holding_ = false;
    if (!seq_) return;
    snd_seq_drop_output_buffer(seq_);
    if (queue_ < 0) return;
    // What has not started never will; the notes that sound end now rather
    // than never: past the last of them, the stopped queue lets them all go
    // as soon as anything arrives on it.
    snd_seq_remove_events_t* remove;
    snd_seq_remove_events_alloca(&remove);
    snd_seq_remove_events_set_condition(remove, SND_SEQ_REMOVE_OUTPUT | SND_SEQ_REMOVE_IGNORE_OFF);
    seqCheck(snd_seq_remove_events(seq_, remove), "snd_seq_remove_events");
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    ev.source.port = static_cast<unsigned char>(outPort_);
    snd_seq_ev_set_queue_pos_tick(&ev, queue_, std::numeric_limits<snd_seq_tick_time_t>::max());
    snd_seq_ev_set_direct(&ev);
    seqCheck(snd_seq_event_output_direct(seq_, &ev), "snd_seq_event_output_direct");
    snd_seq_ev_clear(&ev);
    ev.type = SND_SEQ_EVENT_USR1; // the engine's wake-up, which nothing reads any more
    snd_seq_ev_set_dest(&ev, static_cast<unsigned char>(client_),
                        static_cast<unsigned char>(inPort_));
    ev.source.port = static_cast<unsigned char>(outPort_);
    snd_seq_ev_schedule_tick(&ev, queue_, 0, 0);
    seqCheck(snd_seq_event_output_direct(seq_, &ev), "snd_seq_event_output_direct");
}

void SeqClient::silenceSession()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!seq_) return;
    for (const snd_seq_addr_t& a : outputs_) {
        channelsOffLocked(a.client, a.port, kAllChannels);
        resetControllersLocked(a.client, a.port);
    }
}

bool SeqClient::playsTo(const OutputDevice& out) const
{
    std::lock_guard<std::mutex> guard(lock_);
    return contains(outputs_, address(out.client, out.port));
}

void SeqClient::output(snd_seq_event_t& ev)
{
    if (!holding_ && backlogHead_ == backlog_.size()) {
        const int rc = snd_seq_event_output(seq_, &ev);
        if (rc != -EAGAIN) {
            seqCheck(rc, "snd_seq_event_output");
            return;
        }
    }
    // A relative time would count from when the event finally leaves.
    if ((ev.flags & SND_SEQ_TIME_MODE_MASK) == SND_SEQ_TIME_MODE_REL) {
        ev.time.tick += static_cast<snd_seq_tick_time_t>(holding_ ? 0 : currentTick());
        ev.flags = static_cast<unsigned char>((ev.flags & ~SND_SEQ_TIME_MODE_MASK) |
                                              SND_SEQ_TIME_MODE_ABS);
    }
    backlog_.push_back(ev);
}

void SeqClient::drain()
{
    if (!seq_ || holding_) return;
    while (backlogHead_ < backlog_.size()) {
        const int rc = snd_seq_event_output(seq_, &backlog_[backlogHead_]);
        if (rc == -EAGAIN) break;
        seqCheck(rc, "snd_seq_event_output");
        ++backlogHead_;
    }
    if (backlogHead_ == backlog_.size()) {
        backlog_.clear();
        backlogHead_ = 0;
    }
    // -EAGAIN leaves the rest in the library's buffer for the next POLLOUT.
    const int rc = snd_seq_drain_output(seq_);
    if (rc != -EAGAIN) seqCheck(rc, "snd_seq_drain_output");
}

void SeqClient::queueControl(int type)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!seq_ || queue_ < 0) return;
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_queue_control(&ev, type, queue_, 0);
    ev.source.port = static_cast<unsigned char>(outPort_);
    snd_seq_ev_set_direct(&ev);
    seqCheck(snd_seq_event_output_direct(seq_, &ev), "snd_seq_event_output_direct");
}

void SeqClient::stopQueue()
{
    queueControl(SND_SEQ_EVENT_STOP);
}
void SeqClient::continueQueue()
{
    queueControl(SND_SEQ_EVENT_CONTINUE);
}

int SeqClient::sendToSelf(snd_seq_event_t ev)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!seq_) return -1;
    if (ev.source.port == 0) ev.source.port = static_cast<unsigned char>(outPort_);
    snd_seq_ev_set_dest(&ev, static_cast<unsigned char>(client_),
                        static_cast<unsigned char>(inPort_));
    snd_seq_ev_set_direct(&ev);
    return snd_seq_event_output_direct(seq_, &ev);
}

bool SeqClient::setQueueTempo(int tempo, int ppq)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!seq_ || queue_ < 0 || tempo <= 0) return false;
    snd_seq_queue_tempo_t* t = nullptr;
    if (seqCheck(snd_seq_queue_tempo_malloc(&t), "snd_seq_queue_tempo_malloc") < 0) return false;
    snd_seq_queue_tempo_set_tempo(t, unsigned(tempo));
    snd_seq_queue_tempo_set_ppq(t, ppq);
    const int rc = seqCheck(snd_seq_set_queue_tempo(seq_, queue_, t), "snd_seq_set_queue_tempo");
    snd_seq_queue_tempo_free(t);
    return rc >= 0;
}

bool SeqClient::getQueueTempo(int* tempo, int* ppq)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!seq_ || queue_ < 0) return false;
    snd_seq_queue_tempo_t* t;
    snd_seq_queue_tempo_alloca(&t);
    if (seqCheck(snd_seq_get_queue_tempo(seq_, queue_, t), "snd_seq_get_queue_tempo") < 0)
        return false;
    *tempo = int(snd_seq_queue_tempo_get_tempo(t));
    *ppq = snd_seq_queue_tempo_get_ppq(t);
    return true;
}

int64_t SeqClient::queueTick()
{
    snd_seq_queue_status_t* status;
    snd_seq_queue_status_alloca(&status);
    if (snd_seq_get_queue_status(seq_, queue_, status) < 0) return -1;
    return snd_seq_queue_status_get_tick_time(status);
}

void SeqClient::scheduleAt(snd_seq_event_t& ev, uint64_t queueTick)
{
    ev.source.port = static_cast<unsigned char>(outPort_);
    snd_seq_ev_schedule_tick(&ev, queue_, 0, static_cast<snd_seq_tick_time_t>(queueTick));
    output(ev);
}

void SeqClient::scheduleIn(snd_seq_event_t& ev, uint64_t ticks)
{
    ev.source.port = static_cast<unsigned char>(outPort_);
    snd_seq_ev_schedule_tick(&ev, queue_, 1, static_cast<snd_seq_tick_time_t>(ticks));
    output(ev);
}

void SeqClient::scheduleTempo(int tempo, uint64_t queueTick)
{
    // The system timer changes it on the queue itself, exactly at that tick.
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_queue_tempo(&ev, queue_, tempo);
    scheduleAt(ev, queueTick);
}

uint64_t SeqClient::currentTick()
{
    const int64_t tick = queueTick();
    return tick < 0 ? 100 : uint64_t(tick);
}

void SeqClient::sendNow(snd_seq_event_t& ev)
{
    ev.source.port = static_cast<unsigned char>(outPort_);
    snd_seq_ev_set_direct(&ev);
    seqCheck(snd_seq_event_output_direct(seq_, &ev), "snd_seq_event_output_direct");
}

snd_seq_addr_t SeqClient::self() const
{
    return address(client_, inPort_);
}

void SeqClient::controller(const OutputDevice& out, int param, int value, int channel)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (seq_) controllerLocked(out, param, value, channel);
}

void SeqClient::controllerLocked(const OutputDevice& out, int param, int value, int channel)
{
    controllerLocked(out.client, out.port, param, value, channel);
}

void SeqClient::controllerLocked(int client, int port, int param, int value, int channel)
{
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_dest(&ev, static_cast<unsigned char>(client), static_cast<unsigned char>(port));
    snd_seq_ev_set_controller(&ev, channel, unsigned(param), value);
    directLocked(ev);
}

void SeqClient::directLocked(snd_seq_event_t& ev)
{
    // Bursts of controllers can fill a slow reader's queue: give it a moment
    // rather than lose an all-notes-off.
    ev.source.port = static_cast<unsigned char>(outPort_);
    snd_seq_ev_set_direct(&ev);
    int rc = snd_seq_event_output_direct(seq_, &ev);
    for (int tries = 0; rc == -EAGAIN && tries < 50; ++tries) {
        QThread::usleep(1000);
        rc = snd_seq_event_output_direct(seq_, &ev);
    }
    seqCheck(rc, "snd_seq_event_output_direct");
}

void SeqClient::programChange(OutputDevice& out, int channel, int program)
{
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_dest(&ev, static_cast<unsigned char>(out.client),
                        static_cast<unsigned char>(out.port));
    snd_seq_ev_set_pgmchange(&ev, channel, program);
    sendNow(ev);
    out.programs[size_t(channel & 15)] = program;
}

void SeqClient::programChanges(const OutputDevice& out, uint16_t pattern,
                               const std::array<int, 16>& programs)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!seq_) return;
    for (int c = 0; c < 16; ++c) {
        if (!(pattern & channelBit(c))) continue;
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        snd_seq_ev_set_dest(&ev, static_cast<unsigned char>(out.client),
                            static_cast<unsigned char>(out.port));
        snd_seq_ev_set_pgmchange(&ev, c, std::clamp(programs[size_t(c)], 0, 127));
        directLocked(ev);
    }
}

void SeqClient::channelsOff(const OutputDevice& out, uint16_t pattern)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (seq_) channelsOffLocked(out.client, out.port, pattern);
}

void SeqClient::channelsOffLocked(int client, int port, uint16_t pattern)
{
    for (int c = 0; c < 16; ++c)
        if (pattern & channelBit(c))
            for (int param : kSilencingControllers) controllerLocked(client, port, param, 0, c);
}

SeqClient::Live SeqClient::live(QString* error, const std::function<bool()>& change)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!seq_) return Live::Closed;
    // Under lock_, as every other use of deviceFailure.
    QString text;
    auto report = std::exchange(deviceFailure, [&text](const QString& t) { text = t; });
    const bool ok = change();
    deviceFailure = std::move(report);
    if (!ok && error) *error = text;
    return ok ? Live::Done : Live::Failed;
}

SeqClient::Live SeqClient::connectInputLive(int client, int port, DeviceSet& devices,
                                            QString* error)
{
    const snd_seq_addr_t a = address(client, port);
    return live(error, [&] {
        // A second subscription to the same port would fail as busy.
        if (contains(inputs_, a)) return true;
        if (echoesUs(a)) {
            if (deviceFailure) deviceFailure(echoText(a));
            return false;
        }
        if (!connectInput(client, port, devices)) return false;
        inputs_.push_back(a);
        return true;
    });
}

void SeqClient::disconnectInputLive(int client, int port)
{
    const snd_seq_addr_t a = address(client, port);
    DeviceSet none;
    live(nullptr, [&] {
        if (!contains(inputs_, a)) return true;
        remove(inputs_, a);
        return disconnectInput(client, port, none);
    });
}

SeqClient::Live SeqClient::connectOutputLive(int client, int port, QString* error)
{
    const snd_seq_addr_t a = address(client, port);
    return live(error, [&] {
        if (contains(outputs_, a)) return true;
        if (!connectOutput(client, port)) return false;
        outputs_.push_back(a);
        return true;
    });
}

void SeqClient::disconnectOutputLive(int client, int port)
{
    const snd_seq_addr_t a = address(client, port);
    live(nullptr, [&] {
        if (!contains(outputs_, a)) return true;
        remove(outputs_, a);
        return disconnectOutput(client, port);
    });
}

void SeqClient::forgetPort(int client, int port)
{
    std::lock_guard<std::mutex> guard(lock_);
    remove(outputs_, address(client, port));
    remove(inputs_, address(client, port));
}

void SeqClient::resetControllers(const OutputDevice& out)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (seq_) resetControllersLocked(out.client, out.port);
}

void SeqClient::resetControllersLocked(int client, int port)
{
    for (int c = 0; c < 16; ++c)
        for (int param : kPedalControllers) controllerLocked(client, port, param, 0, c);
}

void SeqClient::setVolume(const OutputDevice& out, int value)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!seq_) return;
    for (int c = 0; c < 16; ++c) controllerLocked(out, MIDI_CTL_MSB_MAIN_VOLUME, value, c);
}

namespace
{
std::function<bool(const std::vector<const OutputDevice*>&)>& restSilencer()
{
    static std::function<bool(const std::vector<const OutputDevice*>&)> silencer;
    return silencer;
}

void sendWaiting(snd_seq_t* seq, snd_seq_event_t& ev)
{
    // A slow reader's queue fills with two thousand events: give it a moment.
    int rc = snd_seq_event_output_direct(seq, &ev);
    for (int tries = 0; rc == -EAGAIN && tries < 200; ++tries) {
        QThread::usleep(1000);
        rc = snd_seq_event_output_direct(seq, &ev);
    }
    seqCheck(rc, "snd_seq_event_output_direct");
}
} // namespace

void setRestSilencer(std::function<bool(const std::vector<const OutputDevice*>&)> silencer)
{
    restSilencer() = std::move(silencer);
}

bool silenceAtRest(const std::vector<const OutputDevice*>& outputs)
{
    if (restSilencer()) return restSilencer()(outputs);
    snd_seq_t* seq = nullptr;
    if (seqCheck(snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK),
                 "snd_seq_open") < 0)
        return false;
    seqCheck(snd_seq_set_client_name(seq, sequencerClientName().c_str()),
             "snd_seq_set_client_name");
    const int port = seqCheck(snd_seq_create_simple_port(
                                  seq, "output", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                  SND_SEQ_PORT_TYPE_APPLICATION),
                              "snd_seq_create_simple_port");
    if (port >= 0) {
        for (const OutputDevice* out : outputs) {
            snd_seq_event_t ev;
            snd_seq_ev_clear(&ev);
            snd_seq_ev_set_source(&ev, static_cast<unsigned char>(port));
            snd_seq_ev_set_dest(&ev, static_cast<unsigned char>(out->client),
                                static_cast<unsigned char>(out->port));
            snd_seq_ev_set_direct(&ev);
            for (int c = 0; c < 16; ++c) {
                // Sustain off first, or the note-offs would leave the notes ringing.
                for (int param : kSilencingControllers) {
                    snd_seq_ev_set_controller(&ev, c, unsigned(param), 0);
                    sendWaiting(seq, ev);
                }
                // An expander may know no all-notes-off.
                for (int key = 0; key < 128; ++key) {
                    snd_seq_ev_set_noteoff(&ev, c, key, 0);
                    sendWaiting(seq, ev);
                }
            }
        }
    }
    snd_seq_close(seq);
    seqErrorRepeats();
    return port >= 0;
}
