#include "seqcapture.h"

#include <chrono>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <sched.h>

namespace
{

int64_t monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::string failure(const char* call, int rc)
{
    return std::string(call) + ": " + snd_strerror(rc);
}

} // namespace

SeqCapture::~SeqCapture()
{
    close();
}

std::string SeqCapture::open(int client, int port, bool eager)
{
    close();
    eager_ = eager;
    int rc = snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
    if (rc < 0) {
        seq_ = nullptr;
        return failure("snd_seq_open", rc);
    }
    client_ = snd_seq_client_id(seq_);
    snd_seq_set_client_name(seq_, "clavion-test capture");
    // Room for a whole stop's controllers while the reader waits for the CPU.
    snd_seq_set_client_pool_input(seq_, 2000);
    // Not MIDI_GENERIC: device scans must not offer this port as a synthesizer.
    port_ = snd_seq_create_simple_port(seq_, "capture",
                                       SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                       SND_SEQ_PORT_TYPE_APPLICATION);
    if (port_ < 0) {
        const std::string why = failure("snd_seq_create_simple_port", port_);
        close();
        return why;
    }
    queue_ = snd_seq_alloc_named_queue(seq_, "capture clock");
    if (queue_ < 0) {
        const std::string why = failure("snd_seq_alloc_queue", queue_);
        close();
        return why;
    }
    snd_seq_start_queue(seq_, queue_, nullptr);
    snd_seq_drain_output(seq_);

    snd_seq_port_subscribe_t* sub;
    snd_seq_port_subscribe_alloca(&sub);
    snd_seq_addr_t sender{static_cast<unsigned char>(client), static_cast<unsigned char>(port)};
    snd_seq_addr_t dest{static_cast<unsigned char>(client_), static_cast<unsigned char>(port_)};
    snd_seq_port_subscribe_set_sender(sub, &sender);
    snd_seq_port_subscribe_set_dest(sub, &dest);
    snd_seq_port_subscribe_set_queue(sub, queue_);
    snd_seq_port_subscribe_set_time_update(sub, 1);
    snd_seq_port_subscribe_set_time_real(sub, 1);
    rc = snd_seq_subscribe_port(seq_, sub);
    if (rc < 0) {
        const std::string why = failure("snd_seq_subscribe_port", rc);
        close();
        return why;
    }
    source_ = sender;
    stop_ = false;
    reader_ = std::thread(&SeqCapture::readLoop, this);
    return std::string();
}

bool SeqCapture::roundTrip()
{
    if (!seq_) return false;
    const auto send = [this](snd_seq_event_t& ev, bool queued) {
        snd_seq_ev_set_source(&ev, static_cast<unsigned char>(port_));
        snd_seq_ev_set_dest(&ev, source_.client, source_.port);
        if (queued)
            snd_seq_ev_schedule_tick(&ev, queue_, 0, 0); // long past: due at once
        else
            snd_seq_ev_set_direct(&ev);
        snd_seq_event_output(seq_, &ev);
    };
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_note(&ev, 15, 0, 1, 1);
    send(ev, true);
    unsigned char sysex[] = {0xF0, 0x7D, 0x01, 0xF7};
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_sysex(&ev, sizeof sysex, sysex);
    send(ev, true);
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_controller(&ev, 15, 1, 0);
    send(ev, false);
    snd_seq_drain_output(seq_);
    const bool back = waitFor(
        [](const std::vector<CapturedEvent>& events) {
            int noteOffs = 0, sysexes = 0, controllers = 0;
            for (const CapturedEvent& e : events) {
                noteOffs += e.type == SND_SEQ_EVENT_NOTEOFF;
                sysexes += e.type == SND_SEQ_EVENT_SYSEX;
                controllers += e.type == SND_SEQ_EVENT_CONTROLLER;
            }
            return noteOffs && sysexes && controllers;
        },
        5000);
    clear();
    return back;
}

void SeqCapture::close()
{
    stop_ = true;
    if (reader_.joinable()) reader_.join();
    if (seq_) {
        if (queue_ >= 0) snd_seq_free_queue(seq_, queue_);
        snd_seq_close(seq_);
    }
    seq_ = nullptr;
    client_ = port_ = queue_ = -1;
}

void SeqCapture::readLoop()
{
    // The kernel stamps each event, so this reader may run late without
    // harm; it must not take the bench's one CPU from the engine under test.
    sched_param idle{};
    if (!eager_) pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
    const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
    std::vector<pollfd> fds(size_t(count > 0 ? count : 1));
    snd_seq_poll_descriptors(seq_, fds.data(), unsigned(fds.size()), POLLIN);
    while (!stop_.load()) {
        if (::poll(fds.data(), nfds_t(fds.size()), 20) <= 0) continue;
        for (;;) {
            snd_seq_event_t* ev = nullptr;
            const int rc = snd_seq_event_input(seq_, &ev);
            if (rc == -ENOSPC) ++overruns_;
            if (rc < 0 || !ev) break;
            CapturedEvent c;
            c.type = ev->type;
            c.sourceClient = ev->source.client;
            c.sourcePort = ev->source.port;
            c.ns = int64_t(ev->time.time.tv_sec) * 1000000000 + ev->time.time.tv_nsec;
            switch (ev->type) {
            case SND_SEQ_EVENT_NOTE:
            case SND_SEQ_EVENT_NOTEON:
            case SND_SEQ_EVENT_NOTEOFF:
            case SND_SEQ_EVENT_KEYPRESS:
                c.channel = ev->data.note.channel;
                c.note = ev->data.note.note;
                c.velocity = ev->data.note.velocity;
                break;
            case SND_SEQ_EVENT_CONTROLLER:
            case SND_SEQ_EVENT_PGMCHANGE:
            case SND_SEQ_EVENT_CHANPRESS:
            case SND_SEQ_EVENT_PITCHBEND:
                c.channel = ev->data.control.channel;
                c.param = ev->data.control.param;
                c.value = ev->data.control.value;
                break;
            case SND_SEQ_EVENT_TEMPO:
                c.value = ev->data.queue.param.value;
                break;
            case SND_SEQ_EVENT_SYSEX: {
                const auto* bytes = static_cast<const unsigned char*>(ev->data.ext.ptr);
                c.data.assign(bytes, bytes + ev->data.ext.len);
                break;
            }
            default:
                break;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            events_.push_back(c);
            lastArrival_ = monotonicNs();
            arrived_.notify_all();
        }
    }
}

std::vector<CapturedEvent> SeqCapture::events() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

std::vector<CapturedEvent> SeqCapture::noteOns() const
{
    std::vector<CapturedEvent> out;
    for (const CapturedEvent& e : events())
        if (e.isNoteOn()) out.push_back(e);
    return out;
}

void SeqCapture::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
}

bool SeqCapture::waitFor(const std::function<bool(const std::vector<CapturedEvent>&)>& done,
                         int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return done(events_); });
}

bool SeqCapture::waitQuiet(int quietMs, int timeoutMs) const
{
    const int64_t deadline = monotonicNs() + int64_t(timeoutMs) * 1000000;
    for (;;) {
        const int64_t now = monotonicNs();
        int64_t last;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            last = lastArrival_;
        }
        if (now - last >= int64_t(quietMs) * 1000000) return true;
        if (now >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

namespace seqfacts
{

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

std::vector<snd_seq_addr_t> subscriptions(snd_seq_t* seq, int client, int port,
                                          snd_seq_query_subs_type_t type)
{
    std::vector<snd_seq_addr_t> out;
    snd_seq_query_subscribe_t* q;
    snd_seq_query_subscribe_alloca(&q);
    snd_seq_addr_t root{static_cast<unsigned char>(client), static_cast<unsigned char>(port)};
    snd_seq_query_subscribe_set_root(q, &root);
    snd_seq_query_subscribe_set_type(q, type);
    snd_seq_query_subscribe_set_index(q, 0);
    while (snd_seq_query_port_subscribers(seq, q) >= 0) {
        out.push_back(*snd_seq_query_subscribe_get_addr(q));
        snd_seq_query_subscribe_set_index(q, snd_seq_query_subscribe_get_index(q) + 1);
    }
    return out;
}

} // namespace seqfacts
