#pragma once

#include "core/settings.h"

#include <QString>
#include <QStringList>

namespace Keys
{
namespace Synth
{
constexpr BoolKey enabled{"/Synth/enabled", true};
// The default output is the built-in synthesizer, whatever client number it
// gets at this start.
constexpr BoolKey isDefault{"/Synth/default", false};
constexpr StringKey soundfont{"/Synth/soundfont"}; // empty: the best one installed
constexpr IntKey gain{"/Synth/gain", 60, 0, 500};  // hundredths
constexpr BoolKey reverb{"/Synth/reverb", true};
constexpr BoolKey chorus{"/Synth/chorus", false};
constexpr StringKey driver{"/Synth/driver"}; // empty: the sound server, else ALSA
constexpr StringKey device{"/Synth/device"}; // empty: the driver's default device
// Frames; 256 keeps up on slow machines, Options offers less for a faster answer.
constexpr IntKey period{"/Synth/period", 256, 64, 1024};
constexpr IntKey periods{"/Synth/periods", 3, 2, 16};
} // namespace Synth
} // namespace Keys

// The built-in synthesizer's settings, read clamped and written back whole.
struct SynthOptions {
    bool enabled = Keys::Synth::enabled.fallback;
    bool isDefault = Keys::Synth::isDefault.fallback;
    QString soundFont;
    int gain = Keys::Synth::gain.fallback;
    bool reverb = Keys::Synth::reverb.fallback;
    bool chorus = Keys::Synth::chorus.fallback;
    QString driver;
    QString device;
    int period = Keys::Synth::period.fallback;
    int periods = Keys::Synth::periods.fallback;

    // The audio drivers offered; an unknown stored name reads as "" (automatic).
    static const QStringList& drivers();

    static SynthOptions load();
    void save() const;
};
