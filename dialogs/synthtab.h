#pragma once

#include "core/synthoptions.h"
#include "dialogs/optiodb.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// What the synthesizer tab reaches in the window; an empty hook is skipped.
struct SynthHooks {
    std::function<QString()> describe;
    // Saves after and acts on what differs from before.
    std::function<void(const SynthOptions& before, const SynthOptions& after)> apply;
    std::function<void()> testSound;
    std::function<void()> useAsDefault;
};

// The built-in synthesizer's settings, with a test chord and the sizes in use.
class SynthTab : public OptionsTab
{
    Q_OBJECT
public:
    SynthTab(OptioDB* dialog, SynthHooks hooks);

    void setOptions() override;
    // The line on what runs, read again (the synthesizer starts on a thread).
    void showState();

private:
    SynthOptions edited() const;
    void browse();

    SynthHooks hooks_;
    SynthOptions stored_;
    QCheckBox* enabled_;
    QLineEdit* font_;
    QDoubleSpinBox* gain_;
    QCheckBox* reverb_;
    QCheckBox* chorus_;
    QComboBox* driver_;
    QLineEdit* device_;
    QComboBox* period_;
    QSpinBox* periods_;
    QLabel* state_;
};
