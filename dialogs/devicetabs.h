#pragma once

#include "core/devices.h"
#include "dialogs/midiiotab.h"
#include "dialogs/optionsdb.h"

#include <array>

class CleanCombo;
class MidiCleanSpin;
class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QSlider;
class QVBoxLayout;

// The widgets of one input record and one output record, shared by the
// "Default I/O" and "Devices setup" tabs.
class MidiIOMapTab : public MidiIOTab
{
    Q_OBJECT
public:
    MidiIOMapTab(OptioDB* dialog, DeviceSet& devices, const OptionsHooks& hooks);

protected:
    // The tab's widgets; `defaults` gives the texts of "Default I/O".
    void buildInput(QVBoxLayout* column, bool defaults);
    void buildOutput(QVBoxLayout* column, bool defaults);
    QCheckBox* checkBox(const char* name, const QString& text, const QString& tip);

    void loadInput(const InputDevice& device);
    void loadOutput(const OutputDevice& device);
    // False, with the warning shown, when the central zone starts above the
    // high one; the record then keeps both keys.
    bool keysInOrder() const;
    // Copies the input widgets into the record; true when a display flag changed.
    bool storeInput(InputDevice& device, bool keys) const;
    bool storeOutput(OutputDevice& device) const;
    Zone leadZone() const;
    // The lock the engine reads the records under, when a song is open.
    std::mutex* deckLock() const;

    const OptionsHooks& hooks_;
    CleanCombo* inputChooser_ = nullptr;
    CleanCombo* kbmode_ = nullptr;
    QCheckBox* itradk_ = nullptr;
    QCheckBox* ibck_ = nullptr;
    QCheckBox* split_ = nullptr;
    MidiCleanSpin* lowkey_ = nullptr;
    MidiCleanSpin* highkey_ = nullptr;
    std::array<QRadioButton*, kSplitZones> zones_{};
    CleanCombo* outputChooser_ = nullptr;
    QSlider* volume_ = nullptr;
    QLabel* volumeNote_ = nullptr;
    QCheckBox* otradk_ = nullptr;
    QCheckBox* obck_ = nullptr;
    // "Devices setup" only
    QCheckBox* ignoreInput_ = nullptr;
    QCheckBox* tempoleader_ = nullptr;
    QCheckBox* ignoreOutput_ = nullptr;
};

// The default input and output, and the program-wide defaults of new devices.
class MidiTab : public MidiIOMapTab
{
    Q_OBJECT
public:
    MidiTab(OptioDB* dialog, DeviceSet& devices, const OptionsHooks& hooks);

    void setOptions() override;
    void saveOptions() override;
    void firstShow() override;
    void devicesChanged() override;
};

// One real input and one real output at a time, chosen in two lists.
class InOutTab : public MidiIOMapTab
{
    Q_OBJECT
public:
    InOutTab(OptioDB* dialog, DeviceSet& devices, const OptionsHooks& hooks);

    void setOptions() override;
    void unsetOptions() override;
    void saveOptions() override;
    void firstShow() override;
    void devicesChanged() override;

public slots:
    void setImd(int index);
    void setOmd(int index);
    void setVolumeTo(int newvol);

private:
    // Every port present, the entries at these addresses selected; false for
    // a list whose address is not in it.
    std::pair<bool, bool> listPorts(int inAddress, int outAddress);
    InputDevice* chosenInput() const;
    OutputDevice* chosenOutput() const;
    // Back to the volume the output had when it was chosen.
    void restoreVolume();

    // Chosen devices by address: a record may be freed while the dialog is open.
    int inClient_ = -1, inPort_ = -1;
    int outClient_ = -1, outPort_ = -1;
    int savedVolume_ = -1; // -1: no preview sent
};
