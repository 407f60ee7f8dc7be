#include "core/synthoptions.h"

const QStringList& SynthOptions::drivers()
{
    // A PipeWire desktop serves the PulseAudio protocol too.
    static const QStringList names{QString(), QStringLiteral("pulseaudio"), QStringLiteral("alsa"),
                                   QStringLiteral("jack")};
    return names;
}

SynthOptions SynthOptions::load()
{
    namespace K = Keys::Synth;
    SynthOptions o;
    o.enabled = Settings::value(K::enabled);
    o.isDefault = Settings::value(K::isDefault);
    o.soundFont = Settings::value(K::soundfont).trimmed();
    o.gain = Settings::value(K::gain);
    o.reverb = Settings::value(K::reverb);
    o.chorus = Settings::value(K::chorus);
    o.driver = Settings::value(K::driver).trimmed().toLower();
    if (!drivers().contains(o.driver)) o.driver.clear();
    // The device name goes to the driver as is: one line, nothing else.
    o.device = Settings::value(K::device).trimmed();
    if (o.device.contains(QLatin1Char('\n'))) o.device.clear();
    o.period = Settings::value(K::period);
    o.periods = Settings::value(K::periods);
    return o;
}

void SynthOptions::save() const
{
    Settings::setValue(Keys::Synth::enabled, enabled);
    Settings::setValue(Keys::Synth::isDefault, isDefault);
    Settings::setValue(Keys::Synth::soundfont, soundFont);
    Settings::setValue(Keys::Synth::gain, gain);
    Settings::setValue(Keys::Synth::reverb, reverb);
    Settings::setValue(Keys::Synth::chorus, chorus);
    Settings::setValue(Keys::Synth::driver, driver);
    Settings::setValue(Keys::Synth::device, device);
    Settings::setValue(Keys::Synth::period, period);
    Settings::setValue(Keys::Synth::periods, periods);
}
