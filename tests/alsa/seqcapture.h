#pragma once

#include <alsa/asoundlib.h>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

int64_t monotonicNs();
// Runs the event loop until `done` holds or timeoutMs passes; returns done().
bool spinUntil(const std::function<bool()>& done, int timeoutMs, int tickMs = 5);
inline void spinFor(int ms)
{
    spinUntil([] { return false; }, ms, 1);
}
inline double msBetween(int64_t from, int64_t to)
{
    return double(to - from) / 1e6;
}

// What a capture saw: one event as it left the port it listens to.
struct CapturedEvent {
    int type = 0;
    int sourceClient = 0;
    int channel = 0;
    int note = 0;
    int velocity = 0;
    unsigned param = 0; // controller number
    int value = 0;      // controller value, program, pitch bend, tempo
    // Kernel real time of the capture's own queue at delivery: no user-space
    // latency of this reader in it.
    int64_t ns = 0;
    int64_t mono = 0;                // CLOCK_MONOTONIC when the reader had it
    std::vector<unsigned char> data; // a system exclusive message, F0 to F7

    bool isNoteOn() const { return type == SND_SEQ_EVENT_NOTEON && velocity > 0; }
    bool isNoteOff() const
    {
        return type == SND_SEQ_EVENT_NOTEOFF || (type == SND_SEQ_EVENT_NOTEON && velocity == 0);
    }
    bool isController(unsigned number) const
    {
        return type == SND_SEQ_EVENT_CONTROLLER && param == number;
    }
};

using Captured = std::vector<CapturedEvent>;

// A sequencer client of its own that subscribes to one port and records every
// event delivered from it, stamped by the kernel.
class SeqCapture
{
public:
    ~SeqCapture() { close(); }

    // Empty on success, else what failed.
    std::string open(int client, int port);
    void close();
    // Sends what a session's first beat holds (a note due at once, a system
    // exclusive message, a controller) to the port listened to, waits for it
    // to come back and forgets it: the bench's emulated CPU runs kernel paths
    // slowly the first time, and the first timed beat must not pay for that.
    bool roundTrip();

    snd_seq_t* handle() const { return seq_; }
    Captured events() const;
    // Note-ons (or note-offs) on `channel`, or on all channels.
    Captured notes(bool on = true, int channel = -1) const;
    void clear();
    int overruns() const { return overruns_.load(); }
    // Runs the event loop until the events seen so far satisfy `done`.
    bool waitFor(const std::function<bool(const Captured&)>& done, int timeoutMs) const;

private:
    void readLoop();

    snd_seq_t* seq_ = nullptr;
    int port_ = -1;
    int queue_ = -1;
    snd_seq_addr_t source_{};
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::atomic<int> overruns_{0};
    mutable std::mutex mutex_;
    Captured events_;
};

// The virtual keyboard /dev/snd/midiC0D<n>: bytes written there arrive from
// client 16 + n, as from a USB keyboard.
class Keyboard
{
public:
    ~Keyboard();
    bool open(int n = 0);
    // Monotonic time just before the bytes went out.
    int64_t write(const std::vector<unsigned char>& bytes);
    int64_t press(int key, int velocity = 100)
    {
        return write({0x90, static_cast<unsigned char>(key), static_cast<unsigned char>(velocity)});
    }
    int64_t release(int key) { return write({0x80, static_cast<unsigned char>(key), 64}); }

private:
    int fd_ = -1;
};

// Sequencer facts a test checks from outside the engine.
namespace seqfacts
{
// Client number of the first client with this name, -1 when none.
int findClient(snd_seq_t* seq, const char* name);
// Clients subscribed to (SND_SEQ_QUERY_SUBS_READ) or from
// (SND_SEQ_QUERY_SUBS_WRITE) client:0.
std::vector<int> subscribers(snd_seq_t* seq, int client, snd_seq_query_subs_type_t type);
} // namespace seqfacts
