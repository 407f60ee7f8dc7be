#include "core/settings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>
#include <algorithm>
#include <type_traits>

namespace
{

QSettings* openStore = nullptr;

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(DeviceRecords)
};

int clampInt(qlonglong v, int min, int max)
{
    return int(std::clamp<qlonglong>(v, min, max));
}

bool isNumeric(const QVariant& v)
{
    switch (v.userType()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

// The file holds text; values set in this run are still typed in the cache.
std::optional<bool> toBool(const QVariant& v)
{
    if (!v.isValid()) return std::nullopt;
    if (v.userType() == QMetaType::Bool) return v.toBool();
    if (isNumeric(v)) return v.toLongLong() != 0;
    if (v.userType() != QMetaType::QString) return std::nullopt;
    const QString s = v.toString().trimmed().toLower();
    if (s == QLatin1String("true") || s == QLatin1String("1") || s == QLatin1String("yes") ||
        s == QLatin1String("on"))
        return true;
    if (s == QLatin1String("false") || s == QLatin1String("0") || s == QLatin1String("no") ||
        s == QLatin1String("off"))
        return false;
    return std::nullopt;
}

std::optional<qlonglong> toInt(const QVariant& v)
{
    if (!v.isValid()) return std::nullopt;
    if (isNumeric(v)) return v.toLongLong();
    if (v.userType() != QMetaType::QString) return std::nullopt;
    bool ok = false;
    const qlonglong n = v.toString().trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    return n;
}

// An unquoted comma in a hand-edited file turns a string into a list.
QString toText(const QVariant& v)
{
    if (v.userType() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

bool readBool(const QString& key, bool fallback)
{
    return toBool(Settings::store().value(key)).value_or(fallback);
}

int readInt(const QString& key, int fallback, int min, int max)
{
    return clampInt(toInt(Settings::store().value(key)).value_or(fallback), min, max);
}

// A central zone that starts above the high zone is discarded, as the
// Options dialog does.
void readKeyLimits(const QString& lowKey, const QString& highKey, int fallbackLow, int fallbackHigh,
                   int& low, int& high)
{
    low = readInt(lowKey, fallbackLow, 0, 127);
    high = readInt(highKey, fallbackHigh, 0, 127);
    if (low > high) {
        low = std::clamp(fallbackLow, 0, 127);
        high = std::clamp(fallbackHigh, 0, 127);
    }
}

QString key(const char* path)
{
    return QString::fromLatin1(path);
}

QString leaf(const char* path)
{
    const QString p = key(path);
    return p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
}

QString home()
{
    return qEnvironmentVariable("HOME");
}

bool fallbackOf(const BoolKey& k)
{
    return k.fallback;
}
int fallbackOf(const IntKey& k)
{
    return k.fallback;
}
QString fallbackOf(const StringKey& k)
{
    return k.fallback == StringKey::Home ? home() : QString();
}

} // namespace

namespace Settings
{

QString languageCode()
{
    return qEnvironmentVariable("LANG").left(2);
}

QString applicationName(const QString& code)
{
    return QStringLiteral("%1-%2").arg(QLatin1String(kOrganisation), code);
}

void open(const QString& code)
{
    delete openStore;
    openStore = new QSettings(QSettings::NativeFormat, QSettings::UserScope,
                              QLatin1String(kOrganisation), applicationName(code));
}

QSettings& store()
{
    if (!openStore) open(languageCode());
    return *openStore;
}

void close()
{
    delete openStore;
    openStore = nullptr;
}

bool isOpen()
{
    return openStore != nullptr;
}

QString organisationDir()
{
    return QFileInfo(store().fileName()).absolutePath();
}

void resetForTests(const QString& configDir, const QString& code)
{
    close();
    const QString system = configDir + QStringLiteral("/system");
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, configDir);
        QSettings::setPath(format, QSettings::SystemScope, system);
    }
    open(code);
}

bool value(const BoolKey& k)
{
    return readBool(key(k.path), k.fallback);
}

int value(const IntKey& k)
{
    return readInt(key(k.path), k.fallback, k.min, k.max);
}

QString value(const StringKey& k)
{
    const QVariant v = store().value(key(k.path));
    return v.isValid() ? toText(v) : fallbackOf(k);
}

QStringList value(const StringListKey& k)
{
    return store().value(key(k.path)).toStringList();
}

QByteArray value(const ByteArrayKey& k)
{
    return store().value(key(k.path)).toByteArray();
}

Rgb value(const ColourKey& k)
{
    const QVariant v = store().value(key(k.path));
    if (!v.isValid()) return k.fallback;
    const QString text = toText(v);
    if (text == encodeColour(k.fallback)) return k.fallback;
    return decodeColour(text).value_or(k.fallback);
}

void setValue(const BoolKey& k, bool v)
{
    store().setValue(key(k.path), v);
}
void setValue(const IntKey& k, int v)
{
    store().setValue(key(k.path), v);
}
void setValue(const StringKey& k, const QString& v)
{
    store().setValue(key(k.path), v);
}
void setValue(const StringListKey& k, const QStringList& v)
{
    store().setValue(key(k.path), v);
}
void setValue(const ByteArrayKey& k, const QByteArray& v)
{
    store().setValue(key(k.path), v);
}
void setValue(const ColourKey& k, const Rgb& v)
{
    store().setValue(key(k.path), encodeColour(v));
}

QString encodeColour(const Rgb& c)
{
    return QStringLiteral("%1:%2:%3").arg(c.red).arg(c.green).arg(c.blue);
}

std::optional<Rgb> decodeColour(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3) return std::nullopt;
    int channel[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const qlonglong n = parts[i].trimmed().toLongLong(&ok, 10);
        if (!ok) return std::nullopt;
        channel[i] = clampInt(n, 0, 255);
    }
    return Rgb{channel[0], channel[1], channel[2]};
}

namespace
{
QString storeHistoryKey(const QString& group, const QString& suffix)
{
    return group + QStringLiteral("/storeHistory") + suffix;
}
QString historyKey(const QString& group, const QString& suffix)
{
    return group + QStringLiteral("/history") + suffix;
}
QString textDirKey(const QString& group, const QString& suffix)
{
    return QStringLiteral("/%1/textdir%2").arg(group, suffix);
}
} // namespace

bool storeHistory(const QString& group, const QString& suffix)
{
    return readBool(storeHistoryKey(group, suffix), true);
}

void setStoreHistory(const QString& group, const QString& suffix, bool on)
{
    store().setValue(storeHistoryKey(group, suffix), on);
}

QStringList history(const QString& group, const QString& suffix)
{
    return store().value(historyKey(group, suffix)).toStringList();
}

void setHistory(const QString& group, const QString& suffix, const QStringList& items)
{
    store().setValue(historyKey(group, suffix), items);
}

QString textDir(const QString& group, const QString& suffix)
{
    const QVariant v = store().value(textDirKey(group, suffix));
    return v.isValid() ? toText(v) : home();
}

void setTextDir(const QString& group, const QString& suffix, const QString& dir)
{
    store().setValue(textDirKey(group, suffix), dir);
}

QString fontGroup(const QString& paneKey)
{
    return QStringLiteral("Font") + paneKey;
}

StoredFont font(const QString& group)
{
    QSettings& s = store();
    StoredFont f;
    const QVariant family = s.value(group + QStringLiteral("/family"));
    if (family.isValid()) f.family = toText(family);
    // Qt's font accepts point sizes from 1 and weights 0..99.
    if (const auto size = toInt(s.value(group + QStringLiteral("/pointSize"))))
        f.pointSize = clampInt(*size, 1, std::numeric_limits<int>::max());
    if (const auto weight = toInt(s.value(group + QStringLiteral("/weight"))))
        f.weight = clampInt(*weight, 0, 99);
    f.italic = toBool(s.value(group + QStringLiteral("/italic")));
    return f;
}

void setFont(const QString& group, const QString& family, int pointSize, int weight, bool italic)
{
    QSettings& s = store();
    s.setValue(group + QStringLiteral("/family"), family);
    s.setValue(group + QStringLiteral("/pointSize"), pointSize);
    s.setValue(group + QStringLiteral("/weight"), weight);
    s.setValue(group + QStringLiteral("/italic"), italic);
}

QString inputGroup(int client, int port)
{
    return QStringLiteral("Input_%1_%2").arg(client).arg(port);
}

QString outputGroup(int client, int port)
{
    return QStringLiteral("Output_%1_%2").arg(client).arg(port);
}

namespace
{
const QString kClientNameKey = QStringLiteral("clientName");
const QString kPortNameKey = QStringLiteral("portName");

bool names(QSettings& s, const QString& group, const QString& client, const QString& port)
{
    return s.value(group + QLatin1Char('/') + kClientNameKey).toString() == client &&
           s.value(group + QLatin1Char('/') + kPortNameKey).toString() == port;
}

// Client numbers change when a keyboard is plugged in again or a synthesizer
// restarts, so a group names its device. Its address's group when that names
// it; else the group that names it under an older address; else its
// address's group if that names nobody (written before names were kept);
// else none, and the defaults apply.
QString findGroup(const QString& prefix, const QString& own, const QString& client,
                  const QString& port)
{
    QSettings& s = store();
    if (names(s, own, client, port)) return own;
    if (!client.isEmpty() || !port.isEmpty())
        for (const QString& g : s.childGroups())
            if (g.startsWith(prefix) && names(s, g, client, port)) return g;
    return s.contains(own + QLatin1Char('/') + kClientNameKey) ? QString() : own;
}

// Writes the names, and forgets the device's groups of addresses it has left.
QString ownGroup(const QString& prefix, const QString& own, const QString& client,
                 const QString& port)
{
    QSettings& s = store();
    if (!client.isEmpty() || !port.isEmpty())
        for (const QString& g : s.childGroups())
            if (g != own && g.startsWith(prefix) && names(s, g, client, port)) s.remove(g);
    s.setValue(own + QLatin1Char('/') + kClientNameKey, client);
    s.setValue(own + QLatin1Char('/') + kPortNameKey, port);
    return own + QLatin1Char('/');
}
} // namespace

void loadDefaultInput(InputDevice& d)
{
    using namespace Keys::Midi;
    d.client = value(iclient);
    d.port = value(iport);
    d.clientName = Texts::tr("Default input client");
    d.portName = Texts::tr("Default input port");
    d.ibck = value(ibck);
    d.itradk = value(itradk);
    d.ignoreInput = value(ignoreInput);
    d.leadzone = Zone(value(leadzone));
    d.tempoleader = value(tempoleader);
    readKeyLimits(key(lowkey.path), key(highkey.path), lowkey.fallback, highkey.fallback, d.lowkey,
                  d.highkey);
    d.kbenablesplit = value(kbenablesplit);
    d.kbmode = value(kbmode);
}

void loadDefaultOutput(OutputDevice& d)
{
    using namespace Keys::Midi;
    d.client = value(oclient);
    d.port = value(oport);
    d.clientName = Texts::tr("Default output client");
    d.portName = Texts::tr("Default output port");
    d.obck = value(obck);
    d.otradk = value(otradk);
    d.ignoreOutput = value(ignoreOutput);
    d.volume = value(defvolume);
}

void loadDefaultDevices(DeviceSet& devices)
{
    loadDefaultInput(devices.defaultInput);
    loadDefaultOutput(devices.defaultOutput);
}

void saveDefaultDevices(const DeviceSet& devices)
{
    using namespace Keys::Midi;
    const InputDevice& in = devices.defaultInput;
    setValue(iclient, in.client);
    setValue(iport, in.port);
    setValue(ibck, in.ibck);
    setValue(itradk, in.itradk);
    setValue(ignoreInput, in.ignoreInput);
    setValue(leadzone, int(in.leadzone));
    setValue(tempoleader, in.tempoleader);
    setValue(lowkey, in.lowkey);
    setValue(highkey, in.highkey);
    setValue(kbenablesplit, in.kbenablesplit);
    setValue(kbmode, in.kbmode);
    const OutputDevice& out = devices.defaultOutput;
    setValue(oclient, out.client);
    setValue(oport, out.port);
    setValue(obck, out.obck);
    setValue(otradk, out.otradk);
    setValue(ignoreOutput, out.ignoreOutput);
    setValue(defvolume, out.volume);
}

void loadInputDevice(InputDevice& d, const InputDevice& defaults)
{
    using namespace Keys::Midi;
    const QString found = d.isPcKeyboard()
                              ? inputGroup(d.client, d.port)
                              : findGroup(QStringLiteral("Input_"), inputGroup(d.client, d.port),
                                          d.clientName, d.portName);
    // Without a group every key reads its fallback: no key lives at the top.
    const QString g = found.isEmpty() ? QString() : found + QLatin1Char('/');
    d.ibck = readBool(g + leaf(ibck.path), defaults.ibck);
    d.itradk = readBool(g + leaf(itradk.path), defaults.itradk);
    d.ignoreInput = readBool(g + leaf(ignoreInput.path), false);
    d.leadzone =
        Zone(readInt(g + leaf(leadzone.path), int(defaults.leadzone), leadzone.min, leadzone.max));
    d.tempoleader = readBool(g + leaf(tempoleader.path), defaults.tempoleader);
    readKeyLimits(g + leaf(lowkey.path), g + leaf(highkey.path), defaults.lowkey, defaults.highkey,
                  d.lowkey, d.highkey);
    d.kbenablesplit = readBool(g + leaf(kbenablesplit.path), defaults.kbenablesplit);
    d.kbmode = readInt(g + leaf(kbmode.path), defaults.kbmode, kbmode.min, kbmode.max);
}

void loadOutputDevice(OutputDevice& d, const OutputDevice& defaults)
{
    using namespace Keys::Midi;
    const QString found = findGroup(QStringLiteral("Output_"), outputGroup(d.client, d.port),
                                    d.clientName, d.portName);
    const QString g = found.isEmpty() ? QString() : found + QLatin1Char('/');
    d.obck = readBool(g + leaf(obck.path), defaults.obck);
    d.otradk = readBool(g + leaf(otradk.path), defaults.otradk);
    d.ignoreOutput = readBool(g + leaf(ignoreOutput.path), false);
    d.volume = readInt(g + QStringLiteral("volume"), defaults.volume, defvolume.min, defvolume.max);
}

void loadPcKeyboard(InputDevice& d, const InputDevice& defaults)
{
    d.client = kPcKeyboardClient;
    d.port = kPcKeyboardPort;
    d.clientName = Texts::tr("PC keyboard");
    d.portName = Texts::tr("subsets");
    InputDevice pc = InputDevice::pcKeyboard();
    pc.ibck = defaults.ibck;
    pc.itradk = defaults.itradk;
    pc.leadzone = defaults.leadzone;
    loadInputDevice(d, pc);
}

void saveInputDevice(const InputDevice& d)
{
    using namespace Keys::Midi;
    QSettings& s = store();
    const QString g = d.isPcKeyboard()
                          ? inputGroup(d.client, d.port) + QLatin1Char('/')
                          : ownGroup(QStringLiteral("Input_"), inputGroup(d.client, d.port),
                                     d.clientName, d.portName);
    s.setValue(g + leaf(ibck.path), d.ibck);
    s.setValue(g + leaf(itradk.path), d.itradk);
    s.setValue(g + leaf(ignoreInput.path), d.ignoreInput);
    s.setValue(g + leaf(leadzone.path), int(d.leadzone));
    s.setValue(g + leaf(tempoleader.path), d.tempoleader);
    s.setValue(g + leaf(lowkey.path), d.lowkey);
    s.setValue(g + leaf(highkey.path), d.highkey);
    s.setValue(g + leaf(kbenablesplit.path), d.kbenablesplit);
    s.setValue(g + leaf(kbmode.path), d.kbmode);
}

void saveOutputDevice(const OutputDevice& d)
{
    using namespace Keys::Midi;
    QSettings& s = store();
    const QString g = ownGroup(QStringLiteral("Output_"), outputGroup(d.client, d.port),
                               d.clientName, d.portName);
    s.setValue(g + leaf(obck.path), d.obck);
    s.setValue(g + leaf(otradk.path), d.otradk);
    s.setValue(g + leaf(ignoreOutput.path), d.ignoreOutput);
    s.setValue(g + QStringLiteral("volume"), d.volume);
}

} // namespace Settings

// A row whose member type differs from what its key reads does not compile.
#define CLAVION_CHECK_OPTION(T, name, key, part)                                                   \
    static_assert(std::is_same_v<decltype(Settings::value(key)), T>,                               \
                  #name " is not of its key's type");
CLAVION_LIVE_OPTIONS(CLAVION_CHECK_OPTION)
#undef CLAVION_CHECK_OPTION

LiveOptions::LiveOptions()
{
    resetToDefaults();
}

void LiveOptions::resetToDefaults()
{
#define CLAVION_RESET_OPTION(T, name, key, part) name = fallbackOf(key);
    CLAVION_LIVE_OPTIONS(CLAVION_RESET_OPTION)
#undef CLAVION_RESET_OPTION
    for (int s = 0; s < Keys::EventFilters::FilterSetCount; ++s)
        for (int k = 0; k < Keys::EventFilters::FilterKindCount; ++k)
            filters[s][k] = Keys::EventFilters::sets[s][k].fallback;
    resetColours();
    copyKeyColours();
}

void LiveOptions::load()
{
#define CLAVION_LOAD_OPTION(T, name, key, part) name = Settings::value(key);
    CLAVION_LIVE_OPTIONS(CLAVION_LOAD_OPTION)
#undef CLAVION_LOAD_OPTION
    for (int s = 0; s < Keys::EventFilters::FilterSetCount; ++s)
        for (int k = 0; k < Keys::EventFilters::FilterKindCount; ++k)
            filters[s][k] = Settings::value(Keys::EventFilters::sets[s][k]);
    for (int i = 0; i < Keys::Display::ColourCount; ++i)
        colours[i] = Settings::value(Keys::Display::colours[i]);
    copyKeyColours();
}

void LiveOptions::save() const
{
    for (Part part : {Window, Interface, EventFilters, Metronome, Loop, Parameters}) save(part);
}

void LiveOptions::save(Part part) const
{
#define CLAVION_SAVE_OPTION(T, name, key, rowPart)                                                 \
    if (part == rowPart) Settings::setValue(key, name);
    CLAVION_LIVE_OPTIONS(CLAVION_SAVE_OPTION)
#undef CLAVION_SAVE_OPTION
    if (part == EventFilters)
        for (int s = 0; s < Keys::EventFilters::FilterSetCount; ++s)
            for (int k = 0; k < Keys::EventFilters::FilterKindCount; ++k)
                Settings::setValue(Keys::EventFilters::sets[s][k], filters[s][k]);
    if (part == Interface)
        for (int i = 0; i < Keys::Display::ColourCount; ++i)
            Settings::setValue(Keys::Display::colours[i], colours[i]);
}

void LiveOptions::resetColours()
{
    for (int i = 0; i < Keys::Display::ColourCount; ++i)
        colours[i] = Keys::Display::colours[i].fallback;
}

void LiveOptions::copyKeyColours()
{
    std::copy(colours.begin() + Keys::Display::BlackKey, colours.end(), keyColours.begin());
}
