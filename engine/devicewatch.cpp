#include "engine/devicewatch.h"

#include "core/events.h"
#include "core/programname.h"
#include "engine/seqerror.h"

#include <alsa/asoundlib.h>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
// Ports come in bursts: a client announces each of its ports, then its
// name. Quiet for this long, the burst is over.
constexpr int kBurstQuietMs = 30;

bool changesPorts(const snd_seq_event_t& ev)
{
    // Clients without ports (our own scans among them) change no list.
    switch (ev.type) {
    case SND_SEQ_EVENT_PORT_START:
    case SND_SEQ_EVENT_PORT_EXIT:
    case SND_SEQ_EVENT_PORT_CHANGE:
    case SND_SEQ_EVENT_CLIENT_CHANGE:
        return true;
    default:
        return false;
    }
}
} // namespace

DeviceWatch::DeviceWatch(QObject* receiver) : receiver_(receiver) {}

DeviceWatch::~DeviceWatch()
{
    stop();
}

bool DeviceWatch::start()
{
    if (running()) return true;
    snd_seq_t* seq = nullptr;
    if (seqCheck(snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK),
                 "snd_seq_open") < 0)
        return false;
    const std::string name = std::string(App::kProgramName) + " device watch";
    seqCheck(snd_seq_set_client_name(seq, name.c_str()), "snd_seq_set_client_name");
    // Not a MIDI port: it shows in no device list, and nobody else may use it.
    const int port =
        seqCheck(snd_seq_create_simple_port(seq, "announcements",
                                            SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                            SND_SEQ_PORT_TYPE_APPLICATION),
                 "snd_seq_create_simple_port");
    if (port < 0 ||
        seqCheck(
            snd_seq_connect_from(seq, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE),
            "snd_seq_connect_from") < 0 ||
        ::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        snd_seq_close(seq);
        return false;
    }
    seq_ = seq;
    thread_ = std::thread(&DeviceWatch::run, this);
    return true;
}

void DeviceWatch::stop()
{
    if (!running()) return;
    const char byte = 0;
    while (::write(wake_[1], &byte, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    snd_seq_close(seq_);
    seq_ = nullptr;
    ::close(wake_[0]);
    ::close(wake_[1]);
    wake_[0] = wake_[1] = -1;
}

void DeviceWatch::run()
{
    const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
    std::vector<pollfd> fds(size_t(count > 0 ? count : 0) + 1);
    snd_seq_poll_descriptors(seq_, fds.data() + 1, unsigned(fds.size() - 1), POLLIN);
    fds[0] = {wake_[0], POLLIN, 0};
    bool changed = false;
    for (;;) {
        // Within a burst, wait only for the rest of it.
        const int ready = ::poll(fds.data(), nfds_t(fds.size()), changed ? kBurstQuietMs : -1);
        if (ready < 0 && errno != EINTR) break;
        if (fds[0].revents) break;
        if (ready == 0 && changed) {
            changed = false;
            if (receiver_) postEvent(receiver_, new QEvent(eventType(RescanDevicesEvent)));
            continue;
        }
        snd_seq_event_t* ev = nullptr;
        int rc;
        while ((rc = snd_seq_event_input(seq_, &ev)) >= 0)
            if (ev && changesPorts(*ev)) changed = true;
        // Announcements lost to an overrun may have changed anything.
        if (rc == -ENOSPC) changed = true;
    }
}
