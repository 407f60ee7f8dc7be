#include "dialogs/devicetabs.h"

#include "core/devices.h"
#include "core/messages.h"
#include "core/midi.h"
#include "core/programname.h"
#include "core/settings.h"
#include "panes/cleanwidgets.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace
{
std::unique_lock<std::mutex> lockIf(std::mutex* mutex)
{
    return mutex ? std::unique_lock<std::mutex>(*mutex) : std::unique_lock<std::mutex>();
}

// Address of a list entry, as put there by the setup tab.
int addressData(int client, int port)
{
    return client << 8 | port;
}
} // namespace

MidiIOMapTab::MidiIOMapTab(OptioDB* dialog, DeviceSet& devices, const OptionsHooks& hooks)
    : MidiIOTab(dialog, devices), hooks_(hooks)
{
}

QCheckBox* MidiIOMapTab::checkBox(const char* name, const QString& text, const QString& tip)
{
    auto* box = new QCheckBox(text);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(tip);
    connect(box, &QCheckBox::toggled, this, &OptionsTab::setDirty);
    return box;
}

void MidiIOMapTab::buildInput(QVBoxLayout* column, bool defaults)
{
    auto* form = new QFormLayout;
    column->addLayout(form);
    inputChooser_ = new CleanCombo;
    inputChooser_->setObjectName(QStringLiteral("cb_input"));
    inputChooser_->setToolTip(
        defaults ? tr("Select the default input client/port (e.g. MIDI or PC keyboard) from "
                      "which to get user interaction.")
                 : tr("Select an input client/port (e.g. MIDI keyboard) to set up."));
    form->addRow(defaults ? tr("Default &input client/port") : tr("&Input client/port"),
                 inputChooser_);

    kbmode_ = new CleanCombo;
    kbmode_->setObjectName(QStringLiteral("cb_kbmode"));
    kbmode_->addItems({tr("One key hit per cluster"), tr("All cluster notes in any order")});
    kbmode_->setToolTip(
        defaults ? tr("Select input required by default from the player in order to ring a note "
                      "cluster.\nThis can be changed for each individual input MIDI device in the "
                      "\"Devices setup\" tab of the Options dialog.")
                 : tr("Select action required from the player in order to play a note cluster "
                      "from this instrument."));
    connect(kbmode_, QOverload<int>::of(&QComboBox::activated), this, &OptionsTab::setDirty);
    form->addRow(defaults ? tr("Default MIDI KB inte&raction mode:")
                          : tr("MIDI KB inte&raction mode:"),
                 kbmode_);

    if (defaults) {
        itradk_ = checkBox("cb_itradk",
                           tr("Show PC keyboard input transcripted on a &traditional keyboard"),
                           tr("Real or virtual input will be shown on a traditional keyboard when "
                              "the PC keyboard is used instead or a true MIDI instrument."));
        ibck_ = checkBox(
            "cb_ibck",
            tr("Show PC keyboard input transcripted on a bilinear uniform &chromatic keyboard"),
            tr("Real or virtual input will be shown on a bilinear uniform chromatic keyboard when "
               "the PC keyboard is used instead or a true MIDI instrument."));
    } else {
        itradk_ = checkBox("cb_itradk", tr("Show this instrument as a &traditional keyboard"),
                           tr("Real or virtual input from user will be shown on a traditional "
                              "keyboard."));
        ibck_ = checkBox("cb_ibck",
                         tr("Show this instrument as a bilinear uniform &chromatic keyboard"),
                         tr("Real or virtual input from user will be shown on a bilinear uniform "
                            "chromatic keyboard."));
    }
    column->addWidget(itradk_);
    column->addWidget(ibck_);
    if (!defaults) {
        ignoreInput_ = checkBox(
            "cb_ignoreInput",
            tr("I&gnore any backend or firmware consideration of this device as a MIDI input"),
            tr("If checked, this input will not appear anywhere else in %1 interface. You might "
               "need to reload file or demo for free tracks to adapt.")
                .arg(QLatin1String(App::kProgramName)));
        tempoleader_ = checkBox("cb_tempoleader",
                                tr("This instrument has the tem&po leadership when option "
                                   "\"Follow tempo skews from user\" is set"),
                                tr("If this is checked, and option \"Follow tempo skews from "
                                   "user\" in Parameters tab is checked also, then the player of "
                                   "this instrument (on the specified kbzone if any)\nwill be the "
                                   "only one to dynamically change the tempo of all the tracks by "
                                   "playing slower or faster.\n One could see him or her as the "
                                   "director."));
        column->addWidget(ignoreInput_);
        column->addWidget(tempoleader_);
    }

    auto* group = new QGroupBox(tr("MIDI keyboard splitting"));
    group->setObjectName(QStringLiteral("gb_split"));
    column->addWidget(group);
    auto* splitForm = new QFormLayout(group);
    split_ = defaults ? checkBox("cb_kbenablesplit", tr("&Split KB by default"),
                                 tr("If checked, interactive tracks will by default be triggered "
                                    "only by hitting the appropriate zone of the MIDI keyboards, "
                                    "allowing up to three players on one keyboard.\nThis can be "
                                    "changed for each input MIDI device through the \"Devices "
                                    "setup\" tab of the options dialog."))
                      : checkBox("cb_kbenablesplit", tr("&Split KB for this instrument"),
                                 tr("If checked, different interactive tracks can be triggered by "
                                    "hitting different zones of this MIDI keyboard, allowing up "
                                    "to three players on one keyboard."));
    splitForm->addRow(split_);
    lowkey_ = new MidiCleanSpin;
    highkey_ = new MidiCleanSpin;
    lowkey_->setObjectName(QStringLiteral("sb_lowkey"));
    highkey_->setObjectName(QStringLiteral("sb_highkey"));
    for (MidiCleanSpin* box : {lowkey_, highkey_}) {
        box->setRange(0, 127);
        connect(box, &CleanSpin::touched, this, &OptionsTab::setDirty);
    }
    lowkey_->setToolTip(tr("Lowest key for medium keyboard zone"));
    highkey_->setToolTip(tr("Lowest key for high keyboard zone"));
    splitForm->addRow(defaults ? tr("Default first key inside centra&l keyboard zone")
                               : tr("First key inside centra&l keyboard zone"),
                      lowkey_);
    splitForm->addRow(defaults ? tr("Default first key inside &high end keyboard zone")
                               : tr("First key inside &high end keyboard zone"),
                      highkey_);

    auto* lead = new QGroupBox(defaults ? tr("Default leadin&g zone") : tr("Leadin&g zone"));
    lead->setObjectName(defaults ? QStringLiteral("leadzone") : QStringLiteral("leadzone2"));
    lead->setToolTip(
        defaults ? tr("Default keyboard zone giving control of the tempo when option \"Follow "
                      "tempo skews from user\" is set.\n This can be changed for each input MIDI "
                      "device in the \"Devices setup\" tab of the options dialog.\nNumber, letter "
                      "and function keys are meant for PC keyboard splitting.")
                 : tr("Instrument zone giving tempo leadership, when keyboard is split"));
    auto* row = new QHBoxLayout(lead);
    const QStringList names =
        defaults ? QStringList{tr("Low end / Number keys"), tr("Central zone / Letter keys"),
                               tr("High end / Function keys")}
                 : QStringList{tr("Low end"), tr("Central zone"), tr("High end")};
    for (size_t z = 0; z < zones_.size(); ++z) {
        zones_[z] = new QRadioButton(names[int(z)]);
        zones_[z]->setObjectName(QStringLiteral("rb_lead%1").arg(z + 1));
        connect(zones_[z], &QRadioButton::clicked, this, &OptionsTab::setDirty);
        row->addWidget(zones_[z]);
    }
    splitForm->addRow(lead);
}

void MidiIOMapTab::buildOutput(QVBoxLayout* column, bool defaults)
{
    auto* form = new QFormLayout;
    column->addLayout(form);
    outputChooser_ = new CleanCombo;
    outputChooser_->setObjectName(QStringLiteral("cb_output"));
    outputChooser_->setToolTip(
        defaults ? tr("Select the default output client/port (e.g. sound card port or expander) "
                      "where to send sequencer events.\n(Metronome ticks are always sent to this "
                      "address).")
                 : tr("Select an output client/port (e.g. sound card port or expander) to "
                      "setup."));
    form->addRow(defaults ? tr("Default &output client/port") : tr("&Output client/port"),
                 outputChooser_);
    volume_ = new QSlider(Qt::Horizontal);
    volume_->setObjectName(QStringLiteral("sl_volume"));
    volume_->setRange(0, 127);
    volume_->setToolTip(defaults ? tr("Change default volume for new instruments")
                                 : tr("Change volume for instrument (might not work, e.g. for MIDI "
                                      "Through)"));
    connect(volume_, &QSlider::valueChanged, this, &OptionsTab::setDirty);
    form->addRow(defaults ? tr("Default &volume") : tr("Instrument &volume"), volume_);
    volumeNote_ = new QLabel(tr("No song is playing: the instrument gets this volume when the "
                                "next one starts."));
    volumeNote_->setObjectName(QStringLiteral("lb_volumenote"));
    volumeNote_->setWordWrap(true);
    volumeNote_->hide();
    form->addRow(volumeNote_);

    if (defaults) {
        otradk_ = checkBox("cb_otradk",
                           tr("Show the sum of scheduled outputs on a &traditional keyboard"),
                           tr("The sum of scheduled outputs will be shown on a traditional "
                              "keyboard."));
        obck_ = checkBox(
            "cb_obck",
            tr("Show the sum of scheduled outputs on a bilinear uniform &chromatic keyboard"),
            tr("The sum of scheduled outputs will be shown on a bilinear uniform chromatic "
               "keyboard."));
    } else {
        otradk_ = checkBox("cb_otradk", tr("Show this instrument as a &traditional keyboard"),
                           tr("Scheduled output will be shown on a traditional keyboard."));
        obck_ = checkBox("cb_obck",
                         tr("Show this instrument as a bilinear uniform &chromatic keyboard"),
                         tr("Scheduled output will be shown on a bilinear uniform chromatic "
                            "keyboard."));
    }
    column->addWidget(otradk_);
    column->addWidget(obck_);
    if (!defaults) {
        ignoreOutput_ = checkBox(
            "cb_ignoreOutput",
            tr("I&gnore any backend or firmware consideration of this device as a MIDI output"),
            tr("If checked, this output will not appear anywhere else in %1 interface")
                .arg(QLatin1String(App::kProgramName)));
        column->addWidget(ignoreOutput_);
    }
}

void MidiIOMapTab::loadInput(const InputDevice& d)
{
    {
        const QSignalBlocker quiet(kbmode_);
        kbmode_->setCurrentIndex(d.kbmode == AllClusterNotes ? AllClusterNotes : OneKeyPerCluster);
    }
    setQuietly(itradk_, d.itradk);
    setQuietly(ibck_, d.ibck);
    setQuietly(split_, d.kbenablesplit);
    setQuietly(lowkey_, d.lowkey);
    setQuietly(highkey_, d.highkey);
    const Zone zone = isSplitZone(d.leadzone) ? d.leadzone : Zone::Low;
    for (size_t z = 0; z < zones_.size(); ++z) setQuietly(zones_[z], zoneAt(int(z)) == zone);
    if (ignoreInput_) {
        setQuietly(ignoreInput_, d.ignoreInput);
        // The PC keyboard is always there to be ignored or not.
        ignoreInput_->setEnabled(!d.isPcKeyboard());
        setQuietly(tempoleader_, d.tempoleader);
    }
}

void MidiIOMapTab::loadOutput(const OutputDevice& d)
{
    setQuietly(volume_, d.volume);
    setQuietly(otradk_, d.otradk);
    setQuietly(obck_, d.obck);
    if (ignoreOutput_) setQuietly(ignoreOutput_, d.ignoreOutput);
}

bool MidiIOMapTab::keysInOrder() const
{
    if (lowkey_->value() <= highkey_->value()) return true;
    Messages::warning(tr("Incorrect values discarded for high key / low key limits"));
    return false;
}

Zone MidiIOMapTab::leadZone() const
{
    for (size_t z = 0; z < zones_.size(); ++z)
        if (zones_[z]->isChecked()) return zoneAt(int(z));
    return Zone::Low;
}

bool MidiIOMapTab::storeInput(InputDevice& d, bool keys) const
{
    const bool changed = d.itradk != itradk_->isChecked() || d.ibck != ibck_->isChecked();
    d.itradk = itradk_->isChecked();
    d.ibck = ibck_->isChecked();
    d.kbmode = kbmode_->currentIndex() == AllClusterNotes ? AllClusterNotes : OneKeyPerCluster;
    d.kbenablesplit = split_->isChecked();
    if (keys) {
        d.lowkey = lowkey_->value();
        d.highkey = highkey_->value();
    }
    d.leadzone = leadZone();
    return changed;
}

bool MidiIOMapTab::storeOutput(OutputDevice& d) const
{
    const bool changed = d.otradk != otradk_->isChecked() || d.obck != obck_->isChecked();
    d.otradk = otradk_->isChecked();
    d.obck = obck_->isChecked();
    d.volume = volume_->value();
    return changed;
}

std::mutex* MidiIOMapTab::deckLock() const
{
    return hooks_.deckLock ? hooks_.deckLock() : nullptr;
}

MidiTab::MidiTab(OptioDB* dialog, DeviceSet& devices, const OptionsHooks& hooks)
    : MidiIOMapTab(dialog, devices, hooks)
{
    setObjectName(QStringLiteral("miditab"));
    auto* column = new QVBoxLayout(this);
    buildInput(column, true);
    buildOutput(column, true);
    column->addStretch(1);
    loadInput(devices_.defaultInput);
    loadOutput(devices_.defaultOutput);
}

void MidiTab::firstShow()
{
    listInputs(inputChooser_, &devices_.defaultInput);
    listOutputs(outputChooser_, &devices_.defaultOutput);
    for (CleanCombo* box : {inputChooser_, outputChooser_})
        connect(box, QOverload<int>::of(&QComboBox::activated), this, &OptionsTab::setDirty);
}

void MidiTab::devicesChanged()
{
    if (!isInitialised()) return;
    const QString in = keptText(inputChooser_, portText(devices_.defaultInput), isDirty());
    const QString out = keptText(outputChooser_, portText(devices_.defaultOutput), isDirty());
    const QSignalBlocker quietIn(inputChooser_), quietOut(outputChooser_);
    listInputs(inputChooser_, nullptr);
    listOutputs(outputChooser_, nullptr);
    keepShown(inputChooser_, in);
    keepShown(outputChooser_, out);
}

void MidiTab::setOptions()
{
    InputDevice& in = devices_.defaultInput;
    OutputDevice& out = devices_.defaultOutput;
    int ic = kPcKeyboardClient, ip = kPcKeyboardPort;
    if (!parseAddress(inputChooser_->currentText(), &ic, &ip)) ic = ip = kPcKeyboardClient;
    int oc = out.client, op = out.port;
    parseAddress(outputChooser_->currentText(), &oc, &op);
    const bool moved = !in.sameAddress(ic, ip) || !out.sameAddress(oc, op);
    if (moved && hooks_.sessionActive && hooks_.sessionActive()) {
        Messages::warning(tr("Stop the song before choosing another default port. Nothing was "
                             "applied."));
        refuse();
        return;
    }
    const InputDevice* newIn = in.sameAddress(ic, ip) ? &in : devices_.findInput(ic, ip);
    const OutputDevice* newOut = out.sameAddress(oc, op) ? &out : devices_.findOutput(oc, op);
    if (!newIn || newIn->absent || !newOut || newOut->absent) {
        Messages::warning(
            tr("The chosen port is no longer on the sequencer. Nothing was applied."));
        refuse();
        const QSignalBlocker quietIn(inputChooser_), quietOut(outputChooser_);
        listInputs(inputChooser_, &in);
        listOutputs(outputChooser_, &out);
        return;
    }
    const bool keys = keysInOrder();
    bool inputFlags = false, outputFlags = false;
    {
        auto lock = lockIf(deckLock());
        in.client = ic;
        in.port = ip;
        inputFlags = storeInput(in, keys);
        out.client = oc;
        out.port = op;
        outputFlags = storeOutput(out);
    }
    if ((inputFlags || outputFlags) && hooks_.rebuildKeyboards)
        hooks_.rebuildKeyboards(inputFlags, outputFlags);
    OptionsTab::setOptions();
}

void MidiTab::saveOptions()
{
    Settings::saveDefaultDevices(devices_);
    loadInput(devices_.defaultInput);
    loadOutput(devices_.defaultOutput);
}

InOutTab::InOutTab(OptioDB* dialog, DeviceSet& devices, const OptionsHooks& hooks)
    : MidiIOMapTab(dialog, devices, hooks)
{
    setObjectName(QStringLiteral("inouttab"));
    auto* column = new QVBoxLayout(this);
    buildInput(column, false);
    buildOutput(column, false);
    column->addStretch(1);
    connect(inputChooser_, QOverload<int>::of(&QComboBox::activated), this, &InOutTab::setImd);
    connect(outputChooser_, QOverload<int>::of(&QComboBox::activated), this, &InOutTab::setOmd);
    connect(volume_, &QSlider::valueChanged, this, &InOutTab::setVolumeTo);
}

void InOutTab::firstShow()
{
    listPorts(addressData(devices_.defaultInput.client, devices_.defaultInput.port),
              addressData(devices_.defaultOutput.client, devices_.defaultOutput.port));
    setImd(inputChooser_->currentIndex());
    setOmd(outputChooser_->currentIndex());
}

std::pair<bool, bool> InOutTab::listPorts(int inAddress, int outAddress)
{
    // Every device, ignored ones included, or they could never come back.
    bool inListed = false, outListed = false;
    inputChooser_->clear();
    auto addInput = [&](const InputDevice& d) {
        if (d.absent) return;
        inputChooser_->addItem(portText(d), addressData(d.client, d.port));
        if (addressData(d.client, d.port) == inAddress) {
            inputChooser_->setCurrentIndex(inputChooser_->count() - 1);
            inListed = true;
        }
    };
    addInput(devices_.pcKeyboard);
    for (const auto& d : devices_.inputs) addInput(*d);
    outputChooser_->clear();
    for (const auto& d : devices_.outputs) {
        if (d->absent) continue;
        outputChooser_->addItem(portText(*d), addressData(d->client, d->port));
        if (addressData(d->client, d->port) == outAddress) {
            outputChooser_->setCurrentIndex(outputChooser_->count() - 1);
            outListed = true;
        }
    }
    return {inListed, outListed};
}

// The fields stay as they are: they may hold edits not yet applied. A chosen
// port that has gone stays shown, and Apply says so.
void InOutTab::devicesChanged()
{
    if (!isInitialised()) return;
    const QString inShown = inputChooser_->currentText();
    const QString outShown = outputChooser_->currentText();
    const QSignalBlocker quietIn(inputChooser_), quietOut(outputChooser_);
    const auto [inListed, outListed] =
        listPorts(inClient_ < 0 ? -1 : addressData(inClient_, inPort_),
                  outClient_ < 0 ? -1 : addressData(outClient_, outPort_));
    if (inClient_ < 0) {
        setImd(inputChooser_->currentIndex());
    } else if (!inListed) {
        inputChooser_->insertItem(0, inShown, addressData(inClient_, inPort_));
        inputChooser_->setCurrentIndex(0);
    }
    if (outClient_ < 0) {
        setOmd(outputChooser_->currentIndex());
    } else if (!outListed) {
        outputChooser_->insertItem(0, outShown, addressData(outClient_, outPort_));
        outputChooser_->setCurrentIndex(0);
    }
}

void InOutTab::setImd(int index)
{
    const int address = index >= 0 ? inputChooser_->itemData(index).toInt() : -1;
    inClient_ = address < 0 ? -1 : address >> 8;
    inPort_ = address < 0 ? -1 : address & 255;
    if (const InputDevice* d = chosenInput()) loadInput(*d);
}

void InOutTab::setOmd(int index)
{
    restoreVolume();
    const int address = index >= 0 ? outputChooser_->itemData(index).toInt() : -1;
    outClient_ = address < 0 ? -1 : address >> 8;
    outPort_ = address < 0 ? -1 : address & 255;
    const OutputDevice* d = chosenOutput();
    if (d) loadOutput(*d);
    volume_->setEnabled(d != nullptr);
    volumeNote_->hide();
}

InputDevice* InOutTab::chosenInput() const
{
    if (inClient_ < 0) return nullptr;
    InputDevice* d = devices_.findInput(inClient_, inPort_);
    return d && !d->absent ? d : nullptr;
}

OutputDevice* InOutTab::chosenOutput() const
{
    if (outClient_ < 0) return nullptr;
    OutputDevice* d = devices_.findOutput(outClient_, outPort_);
    return d && !d->absent ? d : nullptr;
}

void InOutTab::setVolumeTo(int newvol)
{
    const OutputDevice* out = chosenOutput();
    if (!out) return;
    if (savedVolume_ < 0) savedVolume_ = out->volume;
    const bool sent = hooks_.sendVolume && hooks_.sendVolume(*out, newvol);
    volumeNote_->setVisible(!sent);
}

void InOutTab::restoreVolume()
{
    const int saved = std::exchange(savedVolume_, -1);
    const OutputDevice* out = chosenOutput();
    if (saved >= 0 && out && hooks_.sendVolume) hooks_.sendVolume(*out, saved);
}

void InOutTab::unsetOptions()
{
    restoreVolume();
    if (const OutputDevice* d = chosenOutput()) loadOutput(*d);
    if (const InputDevice* d = chosenInput()) loadInput(*d);
    OptionsTab::unsetOptions();
}

void InOutTab::setOptions()
{
    InputDevice* in = chosenInput();
    OutputDevice* out = chosenOutput();
    if ((inClient_ >= 0 && !in) || (outClient_ >= 0 && !out)) {
        Messages::warning(tr("The device set up here is no longer on the sequencer. Nothing was "
                             "applied."));
        refuse();
        return;
    }
    const bool keys = !in || keysInOrder();
    bool inputFlags = false, outputFlags = false;
    int ignoredInput = -1, ignoredOutput = -1; // -1 unchanged, else the new flag
    {
        auto lock = lockIf(deckLock());
        if (in) {
            inputFlags = storeInput(*in, keys);
            if (!in->isPcKeyboard() && in->ignoreInput != ignoreInput_->isChecked())
                ignoredInput = in->ignoreInput = ignoreInput_->isChecked();
            in->tempoleader = tempoleader_->isChecked();
        }
        if (out) {
            outputFlags = storeOutput(*out);
            if (out->ignoreOutput != ignoreOutput_->isChecked())
                ignoredOutput = out->ignoreOutput = ignoreOutput_->isChecked();
        }
    }
    if (out) {
        savedVolume_ = -1;
        const bool sent = hooks_.sendVolume && hooks_.sendVolume(*out, out->volume);
        volumeNote_->setVisible(!sent);
    }
    inputFlags = inputFlags || ignoredInput >= 0;
    outputFlags = outputFlags || ignoredOutput >= 0;
    if ((inputFlags || outputFlags) && hooks_.rebuildKeyboards)
        hooks_.rebuildKeyboards(inputFlags, outputFlags);
    if (hooks_.songOpen && hooks_.songOpen()) {
        if (ignoredInput >= 0)
            Messages::information(
                ignoredInput ? tr("To remove access to the disallowed input device, you’ll have "
                                  "to reload the current sequence.")
                             : tr("To gain access to the newly allowed input device, you’ll have "
                                  "to reload the current sequence."));
        if (ignoredOutput >= 0)
            Messages::information(
                ignoredOutput ? tr("To remove access to the newly disallowed output device, "
                                   "you’ll have to reload the current sequence.")
                              : tr("To gain access to the newly allowed output device, you’ll "
                                   "have to reload the current sequence."));
    }
    OptionsTab::setOptions();
}

void InOutTab::saveOptions()
{
    Settings::saveInputDevice(devices_.pcKeyboard);
    for (const auto& d : devices_.inputs) Settings::saveInputDevice(*d);
    for (const auto& d : devices_.outputs) Settings::saveOutputDevice(*d);
    if (const InputDevice* d = chosenInput()) loadInput(*d);
    if (const OutputDevice* d = chosenOutput()) loadOutput(*d);
}
