#pragma once

#include <thread>

class QObject;
struct _snd_seq;

// Follows the sequencer's announcements from a client of its own: whenever a
// port starts, leaves or changes, the receiver gets one RescanDevicesEvent
// per burst (a client starting announces itself and each of its ports).
// The device lists then follow without anyone asking for a reload.
class DeviceWatch
{
public:
    explicit DeviceWatch(QObject* receiver);
    ~DeviceWatch();
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    // False when the sequencer cannot be opened: the lists are then read
    // only when asked.
    bool start();
    void stop();
    bool running() const { return thread_.joinable(); }

private:
    void run();

    QObject* receiver_;
    _snd_seq* seq_ = nullptr;
    int wake_[2] = {-1, -1}; // written to end the thread's poll
    std::thread thread_;
};
