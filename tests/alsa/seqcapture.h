#pragma once

#include <alsa/asoundlib.h>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What a capture saw: one event as it left the port it listens to.
struct CapturedEvent {
    int type = 0;
    int sourceClient = 0;
    int sourcePort = 0;
    int channel = 0;
    int note = 0;
    int velocity = 0;
    unsigned param = 0; // controller number
    int value = 0;      // controller value, program, pitch bend, tempo
    // Kernel real time of the capture's own queue at delivery: no user-space
    // latency of this reader in it.
    int64_t ns = 0;
    std::vector<unsigned char> data; // a system exclusive message, F0 to F7

    bool isNoteOn() const { return type == SND_SEQ_EVENT_NOTEON && velocity > 0; }
    bool isController(unsigned number) const
    {
        return type == SND_SEQ_EVENT_CONTROLLER && param == number;
    }
};

// A sequencer client of its own that subscribes to one port and records every
// event delivered from it, stamped by the kernel.
class SeqCapture
{
public:
    SeqCapture() = default;
    ~SeqCapture();
    SeqCapture(const SeqCapture&) = delete;
    SeqCapture& operator=(const SeqCapture&) = delete;

    // Empty on success, else what failed. An eager reader competes for the
    // CPU, for floods that would overrun an idle one.
    std::string open(int client, int port, bool eager = false);
    // Times the kernel dropped events because this reader fell behind.
    int overruns() const { return overruns_.load(); }
    void close();
    // Sends what a session's first beat holds (a note due at once, a system
    // exclusive message, controllers) to the port listened to, waits for it
    // to come back and forgets it. False when it did not come back.
    bool roundTrip();

    snd_seq_t* handle() const { return seq_; }
    int clientId() const { return client_; }

    std::vector<CapturedEvent> events() const;
    std::vector<CapturedEvent> noteOns() const;
    void clear();
    // Waits until the events seen so far satisfy `done`; false after timeoutMs.
    bool waitFor(const std::function<bool(const std::vector<CapturedEvent>&)>& done,
                 int timeoutMs) const;
    // Waits until nothing arrived for quietMs (bounded by timeoutMs).
    bool waitQuiet(int quietMs, int timeoutMs) const;

private:
    void readLoop();

    snd_seq_t* seq_ = nullptr;
    int client_ = -1;
    int port_ = -1;
    int queue_ = -1;
    snd_seq_addr_t source_{};
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::atomic<int> overruns_{0};
    bool eager_ = false;
    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::vector<CapturedEvent> events_;
    int64_t lastArrival_ = 0; // CLOCK_MONOTONIC, ns
};

// Sequencer facts a test checks from outside the engine.
namespace seqfacts
{
// Client number of the first client with this name, -1 when none.
int findClient(snd_seq_t* seq, const char* name);
// Addresses subscribed to (type SND_SEQ_QUERY_SUBS_READ) or from
// (SND_SEQ_QUERY_SUBS_WRITE) client:port.
std::vector<snd_seq_addr_t> subscriptions(snd_seq_t* seq, int client, int port,
                                          snd_seq_query_subs_type_t type);
} // namespace seqfacts
