#pragma once

#include "core/midi.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// Device records: plain data owned by the main window (or a tool that stands
// in for it); the deck and the engine keep pointers into them.

// Keyboard zones, with the numbers settings and track tables store: the
// low, central and high zones of a split keyboard (the PC keyboard's number,
// letter and function keys), and the whole keyboard when it is not split.
// None is a free track's zone, and a track no key press reached.
enum class Zone : int { None = 0, Low = 1, Central = 2, High = 3, Whole = 4 };
constexpr int kSplitZones = 3;

constexpr bool isSplitZone(Zone z)
{
    return z >= Zone::Low && z <= Zone::High;
}
// The split zones as a position 0, 1, 2 in a list of choices, and back.
constexpr int zoneIndex(Zone z)
{
    return int(z) - int(Zone::Low);
}
constexpr Zone zoneAt(int index)
{
    return Zone(int(Zone::Low) + index);
}

// What a key of a virtual keyboard shows; each code picks one of the nine
// keyboard colours. The engine's key-display events carry it.
enum KeyState : int {
    BlackKeyState,
    WhiteKeyState,
    PressedKeyState,
    LowZoneState,
    CentralZoneState,
    HighZoneState,
    UnsplitState,
    OmnikeyState,
    WrongKeyState,
    KeyStateCount
};
// A key the player rang shows its zone: the pressed state plus the zone.
static_assert(LowZoneState == PressedKeyState + int(Zone::Low) &&
              UnsplitState == PressedKeyState + int(Zone::Whole));

constexpr int kPcKeyboardClient = 255;
constexpr int kPcKeyboardPort = 255;

struct InputDevice {
    int client = 0;
    int port = 0;
    QString clientName;
    QString portName;
    bool ibck = true;          // shown on a bilinear uniform chromatic keyboard
    bool itradk = true;        // shown on a traditional keyboard
    Zone leadzone = Zone::Low; // zone that leads the tempo: a split zone
    bool tempoleader = false;
    int lowkey = 64;   // first key of the central zone
    int highkey = 103; // first key of the high zone
    bool kbenablesplit = false;
    bool ignoreInput = false;
    int kbmode = OneKeyPerCluster; // an InteractionMode
    bool absent = false;           // gone from the sequencer while a song still points at it

    bool isPcKeyboard() const { return client == kPcKeyboardClient; }
    // The PC keyboard before its settings are read: split into its three key
    // rows (numbers below 10, letters below 36), leading the tempo.
    static InputDevice pcKeyboard()
    {
        InputDevice d;
        d.client = kPcKeyboardClient;
        d.port = kPcKeyboardPort;
        d.tempoleader = true;
        d.lowkey = 10;
        d.highkey = 36;
        d.kbenablesplit = true;
        return d;
    }
    bool sameAddress(int c, int p) const { return client == c && port == p; }
};

struct OutputDevice {
    int client = 0;
    int port = 0;
    QString clientName;
    QString portName;
    bool obck = true;
    bool otradk = true;
    int volume = 127;
    bool ignoreOutput = false;
    std::array<int, 16> programs{}; // last program the song or a player chose on each channel
    // Programs the user chose per channel; -1 leaves the song's own.
    std::array<int, 16> patches = [] {
        std::array<int, 16> a;
        a.fill(-1);
        return a;
    }();
    bool absent = false;

    bool sameAddress(int c, int p) const { return client == c && port == p; }
    // What a program change of the song on this channel becomes.
    int programFor(int channel, int songProgram) const
    {
        const int patch = patches[size_t(channel & 15)];
        return patch >= 0 ? patch : songProgram;
    }
};

// The records a main window keeps: the lists found on the sequencer, the PC
// keyboard, and the defaults built from the settings.
struct DeviceSet {
    std::vector<std::unique_ptr<InputDevice>> inputs;
    std::vector<std::unique_ptr<OutputDevice>> outputs;
    InputDevice pcKeyboard = InputDevice::pcKeyboard();
    InputDevice defaultInput;
    OutputDevice defaultOutput;
    // Whose port each default's address was when the lists last looked, so
    // that the default follows its device to another client number.
    struct Owner {
        int client = -1, port = -1;
        QString clientName, portName;
    };
    Owner defaultInputOwner, defaultOutputOwner;

    // Input devices that are not ignored, in list order.
    std::vector<InputDevice*> usableInputs() const
    {
        std::vector<InputDevice*> out;
        for (const auto& d : inputs)
            if (!d->ignoreInput && !d->absent) out.push_back(d.get());
        return out;
    }
    bool hasUsableOutput() const
    {
        for (const auto& d : outputs)
            if (!d->ignoreOutput && !d->absent) return true;
        return false;
    }
    // Client 255 is the PC keyboard; others are looked up in the input list.
    InputDevice* findInput(int client, int port)
    {
        if (client == kPcKeyboardClient) return &pcKeyboard;
        return find(inputs, client, port);
    }
    OutputDevice* findOutput(int client, int port) { return find(outputs, client, port); }

private:
    // The device at that address now, else the one that left it.
    template <typename Device>
    static Device* find(const std::vector<std::unique_ptr<Device>>& list, int client, int port)
    {
        Device* gone = nullptr;
        for (const auto& d : list)
            if (d->sameAddress(client, port)) {
                if (!d->absent) return d.get();
                if (!gone) gone = d.get();
            }
        return gone;
    }
};
