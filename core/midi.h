#pragma once

#include <cstdint>

// MIDI numbers and keyboard modes that several layers share.

// A channel pattern (bit c for channel c) with all sixteen channels.
constexpr uint16_t kAllChannels = 0xffff;

// The General MIDI percussion channel (channel 10, counted from 0): its notes
// are drums, never keys the player is asked for or shown.
constexpr int kDrumChannel = 9;

// How a MIDI keyboard rings the clusters (/Midi/kbmode and each input
// device's kbmode); a device with any other value rings nothing.
enum InteractionMode : int {
    OneKeyPerCluster = 0, // "One key hit per cluster"
    AllClusterNotes = 1,  // "All cluster notes in any order"
};
