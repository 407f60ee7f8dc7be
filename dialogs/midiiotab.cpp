#include "dialogs/midiiotab.h"

#include "core/devices.h"

#include <QComboBox>
#include <cstdio>

MidiIOTab::MidiIOTab(OptioDB* dialog, DeviceSet& devices) : OptionsTab(dialog), devices_(devices) {}

QString MidiIOTab::pcKeyboardName()
{
    return tr("PC keyboard");
}

QString MidiIOTab::portText(const InputDevice& device)
{
    return QStringLiteral("%1:%2 %3")
        .arg(device.client)
        .arg(device.port)
        .arg(device.isPcKeyboard() ? pcKeyboardName() : device.portName);
}

QString MidiIOTab::portText(const OutputDevice& device)
{
    return QStringLiteral("%1:%2 %3").arg(device.client).arg(device.port).arg(device.portName);
}

bool MidiIOTab::parseAddress(const QString& text, int* client, int* port)
{
    unsigned char c = 0, p = 0;
    if (std::sscanf(text.toLatin1().constData(), "%hhu:%hhu ", &c, &p) != 2) return false;
    *client = c;
    *port = p;
    return true;
}

namespace
{
template <typename Device>
void fill(QComboBox* box, const std::vector<Device*>& devices, const Device* current)
{
    box->clear();
    int selected = -1;
    for (const Device* d : devices) {
        if (current && d->sameAddress(current->client, current->port)) selected = box->count();
        box->addItem(MidiIOTab::portText(*d));
    }
    if (current && selected < 0) {
        box->insertItem(0, MidiIOTab::portText(*current));
        selected = 0;
    }
    box->setCurrentIndex(selected);
}
} // namespace

QString MidiIOTab::keptText(const QComboBox* box, const QString& recordText, bool edited)
{
    const QString shown = box->currentText();
    if (edited) return shown;
    int client = 0, port = 0, recordClient = 0, recordPort = 0;
    const bool same = parseAddress(shown, &client, &port) &&
                      parseAddress(recordText, &recordClient, &recordPort) &&
                      client == recordClient && port == recordPort;
    return same ? shown : recordText;
}

void MidiIOTab::keepShown(QComboBox* box, const QString& shown)
{
    int client = 0, port = 0;
    if (!parseAddress(shown, &client, &port)) return;
    for (int i = 0; i < box->count(); ++i) {
        int c = 0, p = 0;
        if (parseAddress(box->itemText(i), &c, &p) && c == client && p == port) {
            box->setCurrentIndex(i);
            return;
        }
    }
    box->insertItem(0, shown);
    box->setCurrentIndex(0);
}

void MidiIOTab::listInputs(QComboBox* box, const InputDevice* current)
{
    std::vector<InputDevice*> inputs{&devices_.pcKeyboard};
    for (InputDevice* d : devices_.usableInputs()) inputs.push_back(d);
    fill(box, inputs, current);
}

void MidiIOTab::listOutputs(QComboBox* box, const OutputDevice* current)
{
    std::vector<OutputDevice*> outputs;
    for (const auto& d : devices_.outputs)
        if (!d->ignoreOutput && !d->absent) outputs.push_back(d.get());
    fill(box, outputs, current);
}
