#include "app/devicelists.h"

#include "core/settings.h"

#include <QCoreApplication>

#include <algorithm>
#include <mutex>
#include <tuple>

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

template <typename Device> bool named(const Device& d, const PortInfo& port)
{
    return d.clientName == port.clientName && d.portName == port.portName;
}

template <typename Device>
DeviceLists::Outcome<Device> merge(std::vector<std::unique_ptr<Device>>& list, Device& fallback,
                                   DeviceSet::Owner& owner, const DeviceSet& set,
                                   const ScanResult& scan, bool songOpen, std::mutex* sessionLock)
{
    DeviceLists::Outcome<Device> out;
    if (!scan.ok) {
        // Nothing is known about the ports: keep the records, offer none.
        out.error = scan.error;
        return out;
    }
    // Where each record is now: at its address under its names; else under
    // its names elsewhere, as client numbers change when a keyboard is
    // plugged in again or a synthesizer restarts; else, if it was there at
    // the last scan, at its address under other names (renamed).
    std::vector<const PortInfo*> found(list.size(), nullptr);
    std::vector<bool> placed(scan.ports.size(), false);
    enum Match { AddressAndNames, Names, Renamed };
    const auto place = [&](Match match) {
        for (size_t p = 0; p < scan.ports.size(); ++p) {
            const PortInfo& port = scan.ports[p];
            for (size_t i = 0; i < list.size() && !placed[p]; ++i) {
                const Device& d = *list[i];
                const bool here = d.sameAddress(port.client, port.port);
                const bool same = match == AddressAndNames ? here && named(d, port)
                                  : match == Names         ? named(d, port)
                                                           : here && !d.absent;
                if (found[i] || !same) continue;
                found[i] = &port;
                placed[p] = true;
            }
        }
    };
    place(AddressAndNames);
    place(Names);
    place(Renamed);
    // The new records are read from the settings first: the engine waits
    // only while the list itself changes.
    std::vector<std::unique_ptr<Device>> added;
    for (size_t p = 0; p < scan.ports.size(); ++p) {
        if (placed[p]) continue;
        const PortInfo& port = scan.ports[p];
        auto d = std::make_unique<Device>();
        d->client = port.client;
        d->port = port.port;
        d->clientName = port.clientName;
        d->portName = port.portName;
        loadRecord(*d, set);
        added.push_back(std::move(d));
    }
    // Tracks play to the default record, not to the list's: it follows its
    // device, known by the names its address had when the default was set.
    if (!fallback.sameAddress(owner.client, owner.port)) {
        owner = DeviceSet::Owner{fallback.client, fallback.port, {}, {}};
        for (const auto& d : list)
            if (!d->absent && d->sameAddress(fallback.client, fallback.port))
                std::tie(owner.clientName, owner.portName) = std::tie(d->clientName, d->portName);
    }
    const PortInfo* defaultTo = nullptr;
    for (const PortInfo& port : scan.ports)
        if (fallback.sameAddress(port.client, port.port) &&
            (owner.clientName.isEmpty() || named(owner, port))) {
            std::tie(owner.clientName, owner.portName) = std::tie(port.clientName, port.portName);
            defaultTo = &port; // still there, or seen there for the first time
        }
    for (const PortInfo& port : scan.ports)
        if (!defaultTo && !owner.clientName.isEmpty() && named(owner, port)) defaultTo = &port;
    std::unique_lock<std::mutex> lock;
    if (sessionLock) lock = std::unique_lock<std::mutex>(*sessionLock);
    if (defaultTo && !fallback.sameAddress(defaultTo->client, defaultTo->port)) {
        fallback.client = owner.client = defaultTo->client;
        fallback.port = owner.port = defaultTo->port;
        out.defaultMoved = out.changed = true;
    }
    size_t keep = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        Device& d = *list[i];
        if (const PortInfo* port = found[i]) {
            if (d.absent || !d.sameAddress(port->client, port->port)) out.back.push_back(&d);
            out.changed |= !named(d, *port);
            d.client = port->client;
            d.port = port->port;
            d.clientName = port->clientName;
            d.portName = port->portName;
            d.absent = false;
        } else if (!songOpen) {
            out.changed = true;
            continue;
        } else {
            if (!d.absent) out.gone.push_back(&d);
            d.absent = true;
        }
        list[keep++] = std::move(list[i]);
    }
    list.resize(keep);
    out.changed |= !added.empty() || !out.back.empty() || !out.gone.empty();
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

DeviceLists::Outcome<InputDevice> DeviceLists::mergeInputs(DeviceSet& set, const ScanResult& scan,
                                                           bool songOpen, std::mutex* sessionLock)
{
    return merge(set.inputs, set.defaultInput, set.defaultInputOwner, set, scan, songOpen,
                 sessionLock);
}

DeviceLists::Outcome<OutputDevice> DeviceLists::mergeOutputs(DeviceSet& set, const ScanResult& scan,
                                                             bool songOpen, std::mutex* sessionLock)
{
    return merge(set.outputs, set.defaultOutput, set.defaultOutputOwner, set, scan, songOpen,
                 sessionLock);
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

bool DeviceLists::realScanners()
{
    return inputScanner == scanInputPorts && outputScanner == scanOutputPorts;
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
