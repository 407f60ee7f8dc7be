#include "app/devicelists.h"

#include "core/settings.h"

#include <QCoreApplication>

#include <algorithm>
#include <mutex>

namespace
{
DeviceLists::Scanner inputScanner = scanInputPorts;
DeviceLists::Scanner outputScanner = scanOutputPorts;

bool ignored(const InputDevice& d)
{
    return d.ignoreInput;
}
bool ignored(const OutputDevice& d)
{
    return d.ignoreOutput;
}
void loadRecord(InputDevice& d, const DeviceSet& set)
{
    Settings::loadInputDevice(d, set.defaultInput);
}
void loadRecord(OutputDevice& d, const DeviceSet& set)
{
    Settings::loadOutputDevice(d, set.defaultOutput);
}

template <typename Device>
DeviceLists::Outcome merge(std::vector<std::unique_ptr<Device>>& list, const DeviceSet& set,
                           const ScanResult& scan, bool songOpen, std::mutex* sessionLock)
{
    DeviceLists::Outcome out;
    if (!scan.ok) {
        // Nothing is known about the ports: keep the records, offer none.
        out.error = scan.error;
        return out;
    }
    // The new records are read from the settings first: the engine waits
    // only while the list itself changes.
    std::vector<bool> seen(list.size(), false);
    std::vector<std::unique_ptr<Device>> added;
    for (const PortInfo& port : scan.ports) {
        auto known = std::find_if(list.begin(), list.end(), [&](const auto& d) {
            return d->sameAddress(port.client, port.port);
        });
        if (known != list.end()) {
            seen[size_t(known - list.begin())] = true;
            continue;
        }
        auto d = std::make_unique<Device>();
        d->client = port.client;
        d->port = port.port;
        d->clientName = port.clientName;
        d->portName = port.portName;
        loadRecord(*d, set);
        added.push_back(std::move(d));
    }
    std::unique_lock<std::mutex> lock;
    if (sessionLock) lock = std::unique_lock<std::mutex>(*sessionLock);
    size_t keep = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!seen[i]) {
            if (!songOpen) continue;
            list[i]->absent = true;
        } else {
            list[i]->absent = false;
        }
        list[keep++] = std::move(list[i]);
    }
    list.resize(keep);
    for (auto& d : added) list.push_back(std::move(d));
    out.usable = int(std::count_if(list.begin(), list.end(),
                                   [](const auto& d) { return !ignored(*d) && !d->absent; }));
    return out;
}

template <typename Device> void purge(std::vector<std::unique_ptr<Device>>& list)
{
    list.erase(std::remove_if(list.begin(), list.end(), [](const auto& d) { return d->absent; }),
               list.end());
}
} // namespace

DeviceLists::Outcome DeviceLists::mergeInputs(DeviceSet& set, const ScanResult& scan, bool songOpen,
                                              std::mutex* sessionLock)
{
    return merge(set.inputs, set, scan, songOpen, sessionLock);
}

DeviceLists::Outcome DeviceLists::mergeOutputs(DeviceSet& set, const ScanResult& scan,
                                               bool songOpen, std::mutex* sessionLock)
{
    return merge(set.outputs, set, scan, songOpen, sessionLock);
}

void DeviceLists::purgeAbsent(DeviceSet& set)
{
    purge(set.inputs);
    purge(set.outputs);
}

ScanResult DeviceLists::scanInputs()
{
    return inputScanner();
}
ScanResult DeviceLists::scanOutputs()
{
    return outputScanner();
}

void DeviceLists::setScanners(Scanner inputs, Scanner outputs)
{
    inputScanner = inputs ? inputs : scanInputPorts;
    outputScanner = outputs ? outputs : scanOutputPorts;
}

bool DeviceLists::isMidiThrough(const QString& clientName)
{
    return clientName.startsWith(QLatin1String("Midi Through"));
}

QString DeviceLists::chooseFirstDefaults(DeviceSet& set, const ScanResult& inputs,
                                         const ScanResult& outputs)
{
    const PortInfo* in = nullptr;
    for (const PortInfo& p : inputs.ports)
        if (!isMidiThrough(p.clientName)) {
            in = &p;
            break;
        }
    const PortInfo* out = nullptr;
    for (const PortInfo& p : outputs.ports)
        if (p.synthesizer && !isMidiThrough(p.clientName)) {
            out = &p;
            break;
        }
    for (const PortInfo& p : outputs.ports)
        if (!out && !isMidiThrough(p.clientName)) out = &p;
    if (!out && !outputs.ports.empty()) out = &outputs.ports.front();

    set.defaultInput.client = in ? in->client : kPcKeyboardClient;
    set.defaultInput.port = in ? in->port : kPcKeyboardPort;
    if (out) {
        set.defaultOutput.client = out->client;
        set.defaultOutput.port = out->port;
    }
    const QString inName =
        in ? QStringLiteral("%1:%2 %3").arg(in->client).arg(in->port).arg(in->portName)
           : QCoreApplication::translate("TopWidget", "the PC keyboard");
    const QString outName =
        out ? QStringLiteral("%1:%2 %3").arg(out->client).arg(out->port).arg(out->portName)
            : QCoreApplication::translate("TopWidget", "none");
    return QCoreApplication::translate(
               "TopWidget", "First start: playing from %1 to %2 (see Options>>Devices setup)")
        .arg(inName, outName);
}

void DeviceLists::hideUnusedKeyboards(DeviceSet& set)
{
    const auto hideInput = [&set](InputDevice& d) {
        if (d.sameAddress(set.defaultInput.client, set.defaultInput.port)) return;
        d.ibck = d.itradk = false;
        Settings::saveInputDevice(d);
    };
    for (auto& d : set.inputs) hideInput(*d);
    hideInput(set.pcKeyboard);
    for (auto& d : set.outputs) {
        if (d->sameAddress(set.defaultOutput.client, set.defaultOutput.port)) continue;
        d->obck = d->otradk = false;
        Settings::saveOutputDevice(*d);
    }
}
