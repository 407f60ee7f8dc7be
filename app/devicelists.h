#pragma once

#include "core/devices.h"
#include "engine/devicescan.h"

#include <QString>
#include <mutex>

// Keeps the window's input and output records in step with the sequencer.
// A record that the deck or the engine may point into is never freed while a
// song is open: a vanished port is only marked absent until the song closes.
namespace DeviceLists
{
struct Outcome {
    int usable = 0; // records neither ignored nor absent
    QString error;  // the scan could not open the sequencer
};

// Merges a scan into the list: known ports are kept with their settings, new
// ones are read from their settings group with the default record as
// fallback, vanished ones are freed, or marked absent while songOpen. The
// list changes with sessionLock held (the deck's, which the engine holds
// while it walks the lists).
Outcome mergeInputs(DeviceSet& set, const ScanResult& scan, bool songOpen,
                    std::mutex* sessionLock = nullptr);
Outcome mergeOutputs(DeviceSet& set, const ScanResult& scan, bool songOpen,
                     std::mutex* sessionLock = nullptr);

// The sequencer's ports; tests put scanners of their own in place.
using Scanner = ScanResult (*)();
ScanResult scanInputs();
ScanResult scanOutputs();
void setScanners(Scanner inputs, Scanner outputs);

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
