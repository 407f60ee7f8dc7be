#pragma once

#include <QString>
#include <vector>

// A port found on the sequencer.
struct PortInfo {
    int client = 0;
    int port = 0;
    QString clientName;
    QString portName;
    bool synthesizer = false; // declares itself a synthesizer or sampler (hardware or software)
};

struct ScanResult {
    bool ok = false;
    QString error; // "Error opening ALSA sequencer: ..." when the sequencer could not be opened
    std::vector<PortInfo> ports;
};

// MIDI ports others can send to us (keyboards) and ports we can play to.
ScanResult scanInputPorts();
ScanResult scanOutputPorts();
