#include "engine/seqclient.h"

#include "core/devices.h"
#include "engine/seqerror.h"
#include "song/tracktables.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
QString tr(const char* text) { return QCoreApplication::translate("midithread", text); }

bool contains(const std::vector<snd_seq_addr_t>& list, snd_seq_addr_t a)
{
    return std::any_of(list.begin(), list.end(),
                       [a](snd_seq_addr_t b) { return a.client == b.client && a.port == b.port; });
}

snd_seq_addr_t address(int client, int port)
{
    snd_seq_addr_t a;
    a.client = static_cast<unsigned char>(client);
    a.port = static_cast<unsigned char>(port);
    return a;
}
} // namespace

SeqClient::~SeqClient() { close(); }

void SeqClient::fail(int rc, const char* stderrLine, const QString& text)
{
    if (stderrLine) std::fputs(stderrLine, stderr);
    if (deviceFailure) deviceFailure(text.arg(seqErrorText(rc)));
}

bool SeqClient::open(const TrackTables& tracks, DeviceSet& devices)
{
    close();
    int rc = seqCheck(snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, 0), "snd_seq_open");
    if (rc < 0) {
        seq_ = nullptr;
        fail(rc, "Error opening ALSA sequencer.\n", tr("Error opening ALSA sequencer: %1."));
        return false;
    }
    client_ = snd_seq_client_id(seq_);
    // A dense beat is scheduled at once; keep room for it in the kernel.
    seqCheck(snd_seq_set_client_pool_output(seq_, 2000), "snd_seq_set_client_pool_output");
    // And for a flood of keys while the handler is busy.
    seqCheck(snd_seq_set_client_pool_input(seq_, 2000), "snd_seq_set_client_pool_input");
    rc = seqCheck(snd_seq_set_client_name(seq_, "Clavion ALSA sequencer"), "snd_seq_set_client_name");
    if (rc < 0) {
        fail(rc, "Error opening ALSA sequencer.\n", tr("Error setting client name: %1."));
        close();
        return false;
    }
    rc = seqCheck(snd_seq_create_simple_port(seq_, "output",
                                             SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                             SND_SEQ_PORT_TYPE_APPLICATION),
                  "snd_seq_create_simple_port");
    if (rc < 0) {
        fail(rc, "Error creating sequencer output port.\n",
             tr("Error creating sequencer output port: %1."));
        close();
        return false;
    }
    outPort_ = rc;
    rc = seqCheck(snd_seq_create_simple_port(seq_, "input",
                                             SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                             SND_SEQ_PORT_TYPE_APPLICATION),
                  "snd_seq_create_simple_port");
    if (rc < 0) {
        fail(rc, "Error creating sequencer input port.\n",
             tr("Error creating sequencer input port: %1."));
        close();
        return false;
    }
    inPort_ = rc;

    for (int d = 0; d < tracks.displayCount(); ++d) {
        const OutputDevice* out = tracks.output[size_t(d)];
        const snd_seq_addr_t a = address(out ? out->client : 0, out ? out->port : 0);
        if (contains(outputs_, a)) continue;
        if (!connectOutput(a.client, a.port)) {
            close();
            return false;
        }
        outputs_.push_back(a);
    }
    for (int d = 0; d < tracks.displayCount(); ++d) {
        const InputDevice* in = tracks.input[size_t(d)];
        const snd_seq_addr_t a = address(in ? in->client : 0, in ? in->port : 0);
        if (contains(inputs_, a)) continue;
        if (!connectInput(a.client, a.port, devices)) {
            close();
            return false;
        }
        inputs_.push_back(a);
    }
    return true;
}

void SeqClient::close()
{
    if (!seq_) return;
    bool ok = true;
    for (const snd_seq_addr_t& a : outputs_)
        if (ok) ok = disconnectOutput(a.client, a.port);
    // The PC keyboard was never connected.
    DeviceSet none;
    for (const snd_seq_addr_t& a : inputs_)
        if (ok && a.client < kPcKeyboardClient) ok = disconnectInput(a.client, a.port, none);
    outputs_.clear();
    inputs_.clear();
    freeQueue();
    snd_seq_close(seq_);
    seq_ = nullptr;
    client_ = inPort_ = outPort_ = -1;
}

bool SeqClient::connectInput(int client, int port, DeviceSet& devices)
{
    if (client == 0 && port == 0) {
        if (deviceFailure) deviceFailure(tr("No input ports. Check \"Devices setup\" and retry"));
        return false;
    }
    if (client >= kPcKeyboardClient) return true;
    if (!devices.inputs.empty() && !devices.findInput(client, port)) return false;
    const int rc = seqCheck(snd_seq_connect_from(seq_, inPort_, client, port), "snd_seq_connect_from");
    if (rc < 0) {
        if (deviceFailure)
            deviceFailure(tr("MIDI input unavailable, please stop playing and try again.") +
                          QLatin1Char('\n') +
                          tr("Error connecting to input %1:%2 : %3.")
                              .arg(client)
                              .arg(port)
                              .arg(seqErrorText(rc)));
        return false;
    }
    return true;
}

bool SeqClient::disconnectInput(int client, int port, DeviceSet&)
{
    if (client >= kPcKeyboardClient || (client == 0 && port == 0)) return true;
    const int rc =
        seqCheck(snd_seq_disconnect_from(seq_, inPort_, client, port), "snd_seq_disconnect_from");
    if (rc < 0) {
        if (deviceFailure)
            deviceFailure(tr("MIDI input not found.") + QLatin1Char('\n') +
                          tr("Error disconnecting from input %1:%2 : %3.")
                              .arg(client)
                              .arg(port)
                              .arg(seqErrorText(rc)));
        return false;
    }
    return true;
}

bool SeqClient::connectOutput(int client, int port)
{
    if (client == 0 && port == 0) {
        if (deviceFailure)
            deviceFailure(tr("No output ports. Check \"Devices setup\" and reload song"));
        return false;
    }
    // An address that names no port fails here too, with ALSA's reason.
    const int rc = seqCheck(snd_seq_connect_to(seq_, outPort_, client, port), "snd_seq_connect_to");
    if (rc < 0) {
        if (deviceFailure)
            deviceFailure(tr("MIDI output unavailable, please stop playing and try again.") +
                          QLatin1Char('\n') +
                          tr("Error connecting to output %1:%2 : %3.")
                              .arg(client)
                              .arg(port)
                              .arg(seqErrorText(rc)));
        return false;
    }
    return true;
}

bool SeqClient::disconnectOutput(int client, int port)
{
    const int rc =
        seqCheck(snd_seq_disconnect_to(seq_, outPort_, client, port), "snd_seq_disconnect_to");
    if (rc < 0) {
        if (deviceFailure)
            deviceFailure(tr("MIDI output not found.") + QLatin1Char('\n') +
                          tr("Error disconnecting from output %1:%2 : %3.")
                              .arg(client)
                              .arg(port)
                              .arg(seqErrorText(rc)));
        return false;
    }
    return true;
}

bool SeqClient::allocQueue()
{
    const int rc = snd_seq_alloc_queue(seq_);
    if (rc < 0) {
        std::fprintf(stderr, "Error %i in snd_seq_alloc_queue : (%s).\n", rc, snd_strerror(rc));
        queue_ = -1;
        return false;
    }
    queue_ = rc;
    return true;
}

void SeqClient::freeQueue()
{
    if (!seq_ || queue_ < 0) return;
    seqCheck(snd_seq_stop_queue(seq_, queue_, nullptr), "snd_seq_stop_queue");
    snd_seq_drain_output(seq_);
    seqCheck(snd_seq_free_queue(seq_, queue_), "snd_seq_free_queue");
    queue_ = -1;
}

void SeqClient::startQueue()
{
    // The first beat waits in our buffer. START would drop it from the queue,
    // and what is due at tick 0 leaves as soon as it reaches a stopped queue,
    // ahead of the rest. So CONTINUE (from tick 0 on a queue that never ran)
    // goes in front of the beat, in the same write, so that nothing runs
    // between the start and the first notes.
    std::vector<char> beat;
    snd_seq_event_t* ev = nullptr;
    while (snd_seq_extract_output(seq_, &ev) >= 0 && ev) {
        const char* bytes = reinterpret_cast<const char*>(ev);
        beat.insert(beat.end(), bytes, bytes + snd_seq_event_length(ev));
    }
    snd_seq_event_t start;
    snd_seq_ev_clear(&start);
    snd_seq_ev_set_queue_continue(&start, queue_);
    start.source.port = static_cast<unsigned char>(outPort_);
    snd_seq_ev_set_direct(&start);
    seqCheck(snd_seq_event_output(seq_, &start), "snd_seq_event_output");
    for (size_t at = 0; at < beat.size();) {
        snd_seq_event_t e;
        std::memcpy(&e, beat.data() + at, sizeof e);
        at += sizeof e;
        if (snd_seq_ev_is_variable(&e)) {
            e.data.ext.ptr = beat.data() + at;
            at += e.data.ext.len;
        }
        seqCheck(snd_seq_event_output(seq_, &e), "snd_seq_event_output");
    }
    drain();
}

void SeqClient::stopQueue()
{
    if (!seq_ || queue_ < 0) return;
    seqCheck(snd_seq_control_queue(seq_, queue_, SND_SEQ_EVENT_STOP, 0, nullptr),
             "snd_seq_control_queue");
    drain();
}

void SeqClient::continueQueue()
{
    if (!seq_ || queue_ < 0) return;
    seqCheck(snd_seq_control_queue(seq_, queue_, SND_SEQ_EVENT_CONTINUE, 0, nullptr),
             "snd_seq_control_queue");
    drain();
}

bool SeqClient::setQueueTempo(int tempo, int ppq)
{
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
    seqCheck(snd_seq_event_output(seq_, &ev), "snd_seq_event_output");
}

void SeqClient::scheduleIn(snd_seq_event_t& ev, uint64_t ticks)
{
    ev.source.port = static_cast<unsigned char>(outPort_);
    snd_seq_ev_schedule_tick(&ev, queue_, 1, static_cast<snd_seq_tick_time_t>(ticks));
    seqCheck(snd_seq_event_output(seq_, &ev), "snd_seq_event_output");
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

snd_seq_addr_t SeqClient::self() const { return address(client_, inPort_); }

void SeqClient::drain()
{
    if (seq_) snd_seq_drain_output(seq_);
}

void SeqClient::controller(const OutputDevice& out, int param, int value, int channel)
{
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_dest(&ev, static_cast<unsigned char>(out.client),
                        static_cast<unsigned char>(out.port));
    snd_seq_ev_set_controller(&ev, channel, unsigned(param), value);
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

void SeqClient::allNotesOff(const OutputDevice& out)
{
    if (!seq_) return;
    // All sound off, reset, sustain off. Local control is left alone: a
    // keyboard that is also the output must keep sounding on its own.
    for (int c = 0; c < 16; ++c)
        for (int param : {123, 120, 64}) controller(out, param, 0, c);
    drain();
}

void SeqClient::resetControllers(const OutputDevice& out)
{
    if (!seq_) return;
    for (int c = 0; c < 16; ++c)
        for (int param : {4, 36, 64, 66, 67, 68, 69}) controller(out, param, 0, c);
    drain();
}

void SeqClient::setVolume(const OutputDevice& out, int value)
{
    if (!seq_) return;
    for (int c = 0; c < 16; ++c) controller(out, 7, value, c);
    drain();
}
