#include "seqcapture.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
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

std::string SeqCapture::open(int client, int port)
{
    close();
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
        seq_ = nullptr;
        return "snd_seq_open failed";
    }
    snd_seq_set_client_name(seq_, "clavion-test capture");
    // The largest input pool there is: a stop's controllers or a key flood
    // while the reader waits for the CPU.
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
    source_ = {static_cast<unsigned char>(client), static_cast<unsigned char>(port)};
    const snd_seq_addr_t dest{static_cast<unsigned char>(snd_seq_client_id(seq_)),
                              static_cast<unsigned char>(port_)};
    snd_seq_port_subscribe_set_sender(sub, &source_);
    snd_seq_port_subscribe_set_dest(sub, &dest);
    snd_seq_port_subscribe_set_queue(sub, queue_);
    snd_seq_port_subscribe_set_time_update(sub, 1);
    snd_seq_port_subscribe_set_time_real(sub, 1);
    if (snd_seq_subscribe_port(seq_, sub) < 0) return "cannot subscribe to the port";
    stop_ = false;
    reader_ = std::thread(&SeqCapture::readLoop, this);
    return std::string();
}

bool SeqCapture::roundTrip()
{
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
        [](const Captured& got) {
            int kinds = 0;
            for (int type : {SND_SEQ_EVENT_NOTEOFF, SND_SEQ_EVENT_SYSEX, SND_SEQ_EVENT_CONTROLLER})
                kinds += std::any_of(got.begin(), got.end(),
                                     [type](const CapturedEvent& e) { return e.type == type; });
            return kinds == 3;
        },
        5000);
    clear();
    return back;
}

void SeqCapture::close()
{
    stop_ = true;
    if (reader_.joinable()) reader_.join();
    if (seq_) snd_seq_close(seq_);
    seq_ = nullptr;
}

void SeqCapture::readLoop()
{
    // The kernel stamps each event, so this reader may run late without
    // harm; it must not take the bench's one CPU from the engine under test.
    sched_param idle{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
    pollfd fds[4];
    const int count = snd_seq_poll_descriptors(seq_, fds, 4, POLLIN);
    while (!stop_.load()) {
        if (::poll(fds, nfds_t(count), 20) <= 0) continue;
        for (;;) {
            snd_seq_event_t* ev = nullptr;
            const int rc = snd_seq_event_input(seq_, &ev);
            if (rc == -ENOSPC) {
                ++overruns_;
                continue;
            }
            if (rc < 0 || !ev) break;
            CapturedEvent c;
            c.mono = monotonicNs();
            c.type = ev->type;
            c.sourceClient = ev->source.client;
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
            std::lock_guard<std::mutex> lock(mutex_);
            events_.push_back(c);
        }
    }
}

Captured SeqCapture::events() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

Captured SeqCapture::notes(bool on, int channel) const
{
    Captured out;
    for (const CapturedEvent& e : events())
        if ((on ? e.isNoteOn() : e.isNoteOff()) && (channel < 0 || e.channel == channel))
            out.push_back(e);
    return out;
}

void SeqCapture::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
}

bool SeqCapture::waitFor(const std::function<bool(const Captured&)>& done, int timeoutMs) const
{
    return spinUntil(
        [&] {
            std::lock_guard<std::mutex> lock(mutex_);
            return done(events_);
        },
        timeoutMs);
}

Keyboard::~Keyboard()
{
    if (fd_ >= 0) ::close(fd_);
}

bool Keyboard::open(int n)
{
    fd_ = ::open(("/dev/snd/midiC0D" + std::to_string(n)).c_str(), O_WRONLY);
    return fd_ >= 0;
}

int64_t Keyboard::write(const std::vector<unsigned char>& bytes)
{
    const int64_t at = monotonicNs();
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    return at;
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

std::vector<int> subscribers(snd_seq_t* seq, int client, snd_seq_query_subs_type_t type)
{
    std::vector<int> out;
    snd_seq_query_subscribe_t* q;
    snd_seq_query_subscribe_alloca(&q);
    const snd_seq_addr_t root{static_cast<unsigned char>(client), 0};
    snd_seq_query_subscribe_set_root(q, &root);
    snd_seq_query_subscribe_set_type(q, type);
    snd_seq_query_subscribe_set_index(q, 0);
    while (snd_seq_query_port_subscribers(seq, q) >= 0) {
        out.push_back(snd_seq_query_subscribe_get_addr(q)->client);
        snd_seq_query_subscribe_set_index(q, snd_seq_query_subscribe_get_index(q) + 1);
    }
    return out;
}

} // namespace seqfacts
