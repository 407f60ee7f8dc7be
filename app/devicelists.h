#pragma once

#include "core/devices.h"
#include "engine/devicescan.h"

#include <QString>
#include <mutex>
#include <vector>

// Keeps the window's input and output records in step with the sequencer.
// A record that the deck or the engine may point into is never freed while a
// song is open: a vanished port is only marked absent until the song closes.
namespace DeviceLists
{
template <typename Device> struct Outcome {
    int usable = 0; // records neither ignored nor absent
    QString error;  // the scan could not open the sequencer
    // Records that left the sequencer in this merge (marked absent), and
    // records of absent or moved devices found again (at their new address).
    std::vector<Device*> gone;
    std::vector<Device*> back;
    // The default record was at the address of a device that moved: it
    // follows it, as the tracks that play to it should.
    bool defaultMoved = false;
    bool changed = false; // any record added, freed, moved, renamed, gone or back
};

// Merges a scan into the list: known ports are kept with their settings
// (found by address, or by client and port name when they moved), new ones
// are read from their settings group with the default record as fallback,
// vanished ones are freed, or marked absent while songOpen. A record is
// never moved in memory; the default record follows a device that moves. The list changes with
// sessionLock held (the deck's, which the engine holds while it walks the lists).
Outcome<InputDevice> mergeInputs(DeviceSet& set, const ScanResult& scan, bool songOpen,
                                 std::mutex* sessionLock = nullptr);
Outcome<OutputDevice> mergeOutputs(DeviceSet& set, const ScanResult& scan, bool songOpen,
                                   std::mutex* sessionLock = nullptr);

// The sequencer's ports; tests put scanners of their own in place.
using Scanner = ScanResult (*)();
ScanResult scanInputs();
ScanResult scanOutputs();
void setScanners(Scanner inputs, Scanner outputs);
// No test stands in for the sequencer.
bool realScanners();

// A first start has no settings to name the default devices: take what is
// connected. Input: the first port that is not Midi Through, else the PC
// keyboard. Output: a synthesizer, else the first port that is not Midi
// Through, else Midi Through. Returns what was chosen, for the status bar.
QString chooseFirstDefaults(DeviceSet& set, const ScanResult& inputs, const ScanResult& outputs);

// Turns off, and saves so, the keyboards of every device but the default
// input and output: a first window showing every port's would not fit a
// laptop's screen.
void hideUnusedKeyboards(DeviceSet& set);

// The kernel's Midi Through: it sends back what it is sent, and sounds nothing.
bool isMidiThrough(const QString& clientName);

// Frees the records marked absent, once nothing points into them.
void purgeAbsent(DeviceSet& set);
} // namespace DeviceLists
