#include "core/settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QVariant>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace
{

// Before any test runs, the store points at a scratch folder, so nothing in
// this program ever reaches the user's own configuration.
struct ScratchConfigEnvironment : testing::Environment {
    std::unique_ptr<QTemporaryDir> dir;
    void SetUp() override
    {
        dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", dir->path().toLocal8Bit());
        Settings::resetForTests(dir->path(), QStringLiteral("xx"));
    }
    void TearDown() override
    {
        Settings::close();
        dir.reset();
    }
};
[[maybe_unused]] testing::Environment* const scratchEnvironment =
    testing::AddGlobalTestEnvironment(new ScratchConfigEnvironment);

struct SettingsTest : testing::Test {
    QTemporaryDir dir;
    QString code = QStringLiteral("fr");

    void SetUp() override { use(code); }
    void TearDown() override { Settings::close(); }
    void use(const QString& language) { Settings::resetForTests(dir.path(), code = language); }
    QString filePath() const { return dir.path() + "/clavion/clavion-" + code + ".conf"; }
    // Closing writes to disk; reopening reads the file afresh.
    void reopen() { use(code); }
    // A settings file written by hand, read by a fresh store.
    void handEdit(const QByteArray& text)
    {
        Settings::close();
        QDir().mkpath(dir.path() + QStringLiteral("/clavion"));
        QFile f(filePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        f.close();
        reopen();
    }
};

// A device record of that address.
template <class Device> Device at(int client, int port = 0)
{
    Device d;
    d.client = client;
    d.port = port;
    return d;
}

// The values a device's group holds that differ between two records, by
// name: empty when they all agree.
struct Mismatches {
    std::string text;
    void check(const char* name, int got, int want)
    {
        if (got != want)
            text += std::string(name) + " is " + std::to_string(got) + ", not " +
                    std::to_string(want) + "; ";
    }
};
#define CLAVION_CHECK_FIELD(field) m.check(#field, int(got.field), int(want.field))
std::string mismatches(const InputDevice& got, const InputDevice& want)
{
    Mismatches m;
    CLAVION_CHECK_FIELD(client);
    CLAVION_CHECK_FIELD(port);
    CLAVION_CHECK_FIELD(ibck);
    CLAVION_CHECK_FIELD(itradk);
    CLAVION_CHECK_FIELD(leadzone);
    CLAVION_CHECK_FIELD(tempoleader);
    CLAVION_CHECK_FIELD(lowkey);
    CLAVION_CHECK_FIELD(highkey);
    CLAVION_CHECK_FIELD(kbenablesplit);
    CLAVION_CHECK_FIELD(ignoreInput);
    CLAVION_CHECK_FIELD(kbmode);
    return m.text;
}
std::string mismatches(const OutputDevice& got, const OutputDevice& want)
{
    Mismatches m;
    CLAVION_CHECK_FIELD(client);
    CLAVION_CHECK_FIELD(port);
    CLAVION_CHECK_FIELD(obck);
    CLAVION_CHECK_FIELD(otradk);
    CLAVION_CHECK_FIELD(volume);
    CLAVION_CHECK_FIELD(ignoreOutput);
    return m.text;
}
#undef CLAVION_CHECK_FIELD

TEST_F(SettingsTest, EachLanguageHasItsOwnFileAndLoadingAloneWritesNothing)
{
    LiveOptions options;
    options.load();
    DeviceSet devices;
    Settings::loadDefaultDevices(devices);
    Settings::close();
    EXPECT_FALSE(QFile::exists(filePath()));

    reopen();
    Settings::setValue(Keys::Interface::wheelmult, 80);
    use(QString()); // LANG unset
    EXPECT_TRUE(Settings::store().fileName().endsWith(QStringLiteral("/clavion/clavion-.conf")));
    EXPECT_EQ(Settings::value(Keys::Interface::wheelmult), 60);
    use(QStringLiteral("fr"));
    EXPECT_EQ(Settings::value(Keys::Interface::wheelmult), 80);
}

TEST_F(SettingsTest, HandEditedValuesAreReadIntoTheirRangesOrFallBack)
{
    handEdit("[Display]\nst_color=300:0:0\not_color=0:0:128\nft_color=red\npn_color=1:2\n"
             "uln_color=1,2,3\nucn_color= 7 : 8 : 9 \naxis_color=-4:5:6\nbar_color=\n"
             "pix4mc=0\ndiam=99\ndarkmode=off\n"
             "[Interface]\nwheelmult=0\n"
             "[Parameters]\nms_tol=99999999999\nsmooth=-3\nfilevel=1\nfiledur=yes\n"
             "tempoadapt=TRUE\nsplitformat0=0\nkillsynths=maybe\nstrictlyrics=\n"
             "[Metronome]\nchannel=16\nstrong=-1\nweak=128\nvel=1000\n"
             "[Midi]\niclient=300\niport=-1\nleadzone=7\nkbmode=5\noclient=256\ndefvolume=-20\n"
             "lowkey=100\nhighkey=50\n"
             "[Geometry]\nwidth=abc\nheight=12.5\n"
             "[HCFont]\npointSize=0\nweight=500\nitalic=perhaps\n"
             "[Input_20_0]\nlowkey=90\nhighkey=30\n[Input_20_1]\nlowkey=70\nhighkey=70\n"
             "[Input_20_2]\nlowkey=200\n");
    using namespace Keys;
    using namespace Keys::Display;
    const std::vector<std::pair<ColourRole, Rgb>> readable{{InteractiveTrack, {255, 0, 0}},
                                                           {AutomaticTrack, {0, 0, 128}},
                                                           {UnplayedClusterBody, {7, 8, 9}},
                                                           {PositionMark, {0, 5, 6}}};
    for (const auto& [role, rgb] : readable)
        EXPECT_EQ(Settings::value(colours[role]), rgb) << colours[role].path;
    for (int unreadable : {FreeTrack, PlayedNote, UnplayedClusterHead, MeasureBars})
        EXPECT_EQ(Settings::value(colours[unreadable]), colours[unreadable].fallback)
            << colours[unreadable].path;
    // Numbers clamped; not numbers at all (width, height): the defaults.
    const std::vector<std::pair<IntKey, int>> numbers{{pix4mc, 1},
                                                      {diam, 16},
                                                      {Interface::wheelmult, 1},
                                                      {Parameters::ms_tol, 500},
                                                      {Parameters::smooth, 1},
                                                      {Metronome::channel, 15},
                                                      {Metronome::strong, 0},
                                                      {Metronome::weak, 127},
                                                      {Metronome::vel, 127},
                                                      {Geometry::width, 640},
                                                      {Geometry::height, 480}};
    for (const auto& [key, want] : numbers) EXPECT_EQ(Settings::value(key), want) << key.path;
    // Flags in common spellings; unreadable ones (killsynths, strictlyrics) the default.
    const std::vector<std::pair<BoolKey, bool>> flags{{Parameters::filevel, true},
                                                      {Parameters::filedur, true},
                                                      {Parameters::tempoadapt, true},
                                                      {Parameters::splitformat0, false},
                                                      {darkmode, false},
                                                      {Parameters::killsynths, false},
                                                      {Parameters::strictlyrics, false}};
    for (const auto& [key, want] : flags) EXPECT_EQ(Settings::value(key), want) << key.path;
    // Device records read through the same rules; keys in the wrong order are discarded.
    DeviceSet devices;
    Settings::loadDefaultDevices(devices);
    InputDevice input = at<InputDevice>(255);
    input.leadzone = Zone::High;
    input.tempoleader = true; // the key's default
    input.kbmode = 1;
    EXPECT_EQ(mismatches(devices.defaultInput, input), "");
    // An empty central zone is allowed; 200 is clamped to 127, above the inherited 103.
    for (auto [port, lowkey, highkey] : {std::tuple{0, 64, 103}, {1, 70, 70}, {2, 64, 103}}) {
        InputDevice d = at<InputDevice>(20, port);
        Settings::loadInputDevice(d, devices.defaultInput);
        EXPECT_EQ(d.lowkey, lowkey) << port;
        EXPECT_EQ(d.highkey, highkey) << port;
    }
    OutputDevice output = at<OutputDevice>(255);
    output.volume = 0;
    EXPECT_EQ(mismatches(devices.defaultOutput, output), "");
    const StoredFont font = Settings::font(QString::fromLatin1(Settings::kHistoryComboFontGroup));
    EXPECT_EQ(font.pointSize, 1);
    EXPECT_EQ(font.weight, 99);
    EXPECT_FALSE(font.italic || font.family);
}

TEST_F(SettingsTest, DevicesFallBackToTheDefaultRecordExceptIgnore)
{
    DeviceSet edited;
    InputDevice& in = edited.defaultInput;
    in.client = 20;
    in.ibck = in.tempoleader = false;
    in.leadzone = Zone::Central;
    in.lowkey = 50;
    in.highkey = 90;
    in.kbenablesplit = in.ignoreInput = true;
    in.kbmode = 1;
    edited.defaultOutput = at<OutputDevice>(128, 3);
    edited.defaultOutput.obck = false;
    edited.defaultOutput.ignoreOutput = true;
    edited.defaultOutput.volume = 90;
    Settings::saveDefaultDevices(edited);
    reopen();
    DeviceSet loaded;
    Settings::loadDefaultDevices(loaded);
    const InputDevice& defaults = loaded.defaultInput;
    EXPECT_EQ(mismatches(defaults, in), "");
    EXPECT_EQ(mismatches(loaded.defaultOutput, edited.defaultOutput), "");

    // A device without a group, or with one key in it, takes the default
    // record, except that it listens; one with its own group keeps it.
    InputDevice unknown = at<InputDevice>(24), partial = at<InputDevice>(30), pc;
    InputDevice own = at<InputDevice>(24, 1), back = at<InputDevice>(24, 1);
    Settings::loadInputDevice(unknown, defaults);
    InputDevice listening = defaults;
    listening.client = 24;
    listening.ignoreInput = false;
    EXPECT_EQ(mismatches(unknown, listening), "");
    Settings::store().setValue(Settings::inputGroup(30, 0) + QStringLiteral("/highkey"), 100);
    Settings::loadInputDevice(partial, defaults);
    listening.client = 30;
    listening.highkey = 100;
    EXPECT_EQ(mismatches(partial, listening), "");
    own.leadzone = Zone::High;
    own.tempoleader = own.ignoreInput = true;
    own.lowkey = 60;
    own.highkey = 72;
    Settings::saveInputDevice(own);
    reopen();
    Settings::loadInputDevice(back, defaults);
    EXPECT_EQ(mismatches(back, own), "");

    // A device known by its names: back under another client number it finds
    // its group, which then moves to its new address; another device at its
    // old address does not take it.
    own.clientName = back.clientName = QStringLiteral("Keys");
    own.portName = back.portName = QStringLiteral("Keys port");
    Settings::saveInputDevice(own);
    back.client = own.client = 28;
    Settings::loadInputDevice(back, defaults);
    EXPECT_EQ(mismatches(back, own), "");
    InputDevice other = at<InputDevice>(24, 1);
    other.clientName = QStringLiteral("Other");
    Settings::loadInputDevice(other, defaults);
    listening.client = 24;
    listening.port = 1;
    listening.highkey = defaults.highkey;
    listening.clientName = other.clientName;
    EXPECT_EQ(mismatches(other, listening), "");
    Settings::saveInputDevice(back);
    EXPECT_FALSE(
        Settings::store().contains(Settings::inputGroup(24, 1) + QStringLiteral("/lowkey")));

    // The PC keyboard: the default record's display flags and lead zone, its
    // own defaults for the rest.
    Settings::loadPcKeyboard(pc, defaults);
    InputDevice rows = at<InputDevice>(255, 255);
    rows.ibck = false;
    rows.leadzone = Zone::Central;
    rows.tempoleader = true;
    rows.lowkey = 10;
    rows.highkey = 36;
    rows.kbenablesplit = true;
    EXPECT_EQ(mismatches(pc, rows), "");
}

// Every value of the mirror away from its default and inside its range.
void changeEverything(LiveOptions& o)
{
    o.tooltips = o.notifyCancel = o.keepTempo = o.scrollabove = o.darkmode = false;
    o.storeHistorydoc = o.storeHistorylyrics = o.storeHistorysynths = false;
    o.showtrackcontrols = o.showlyrics = o.metronomeRecord = o.splitformat0 = false;
    o.toggletrackselect = o.showcmkeycolors = o.showbigpianos = o.metronomePlay = true;
    o.showshiftwhenrecording = o.filevel = o.filedur = o.tempoadapt = true;
    o.strictlyrics = o.killsynths = true;
    o.wheelmult = 17;
    o.mididir = QStringLiteral("/music/midi");
    o.helpMain = QStringLiteral("/usr/share/doc/clavion/en/index.html");
    o.helpBrowser = QStringLiteral("firefox");
    o.width = 1024;
    o.height = 700;
    for (int s = 0; s < Keys::EventFilters::FilterSetCount; ++s)
        for (int k = 0; k < Keys::EventFilters::FilterKindCount; ++k) o.filters[s][k] = (s + k) % 2;
    o.pix4mc = 11;
    o.diam = 9;
    for (int i = 0; i < Keys::Display::ColourCount; ++i) o.colours[i] = Rgb{i, 2 * i, 255 - i};
    o.metronomeChannel = 3;
    o.metronomeStrong = 76;
    o.metronomeWeak = 77;
    o.metronomeVel = 100;
    o.ms_tol = 250;
    o.smooth = 4;
    o.loopStepUp = true;
    o.loopStepFrom = 90;
    o.loopStepBy = 7;
    o.journalKeep = false;
    o.masteryMs = 45;
    o.masteryBoost = 90;
}

// Saved, loaded and saved again under another language: the same file.
// Histories and bytes that a text file can garble come back too.
TEST_F(SettingsTest, EveryValueSavesAndLoads)
{
    LiveOptions defaults, edited, loaded;
    changeEverything(edited);
    edited.save();
    loaded.load();
    // Each value comes back to its own key, not only the same file twice.
#define CLAVION_ROUND_TRIP(T, name, key, part)                                                     \
    EXPECT_NE(T(edited.name), T(defaults.name)) << #name " keeps its default";                     \
    EXPECT_EQ(T(loaded.name), T(edited.name)) << #name;
    CLAVION_LIVE_OPTIONS(CLAVION_ROUND_TRIP)
#undef CLAVION_ROUND_TRIP
    for (int s = 0; s < Keys::EventFilters::FilterSetCount; ++s)
        for (int k = 0; k < Keys::EventFilters::FilterKindCount; ++k)
            EXPECT_EQ(loaded.filters[s][k], edited.filters[s][k]) << s << " " << k;
    EXPECT_EQ(loaded.colours, edited.colours);
    const QSettings first(filePath(), QSettings::IniFormat);
    use(QStringLiteral("de"));
    loaded.save();
    Settings::close();
    const QSettings second(filePath(), QSettings::IniFormat);
    ASSERT_GE(first.allKeys().size(), 60);
    EXPECT_EQ(first.allKeys(), second.allKeys());
    for (const QString& key : first.allKeys())
        EXPECT_EQ(first.value(key), second.value(key)) << key.toStdString();

    reopen();
    const QString group = QStringLiteral("/Interface");
    EXPECT_FALSE(Settings::storeHistory(group, QStringLiteral("doc")));
    const QStringList lines = {QStringLiteral("fluidsynth -a alsa, -m alsa_seq"), QString()};
    Settings::setHistory(group, QStringLiteral("synths"), lines);
    Settings::setHistory(group, QStringLiteral("lyrics"), {QStringLiteral("only one")});
    const QByteArray state("\x00\x01\xff\n=,\"", 7);
    Settings::setValue(Keys::Geometry::windowState, state);
    reopen();
    EXPECT_EQ(Settings::value(Keys::Interface::historysynths), lines);
    EXPECT_EQ(Settings::history(group, QStringLiteral("lyrics")),
              QStringList{QStringLiteral("only one")});
    EXPECT_EQ(Settings::value(Keys::Geometry::windowState), state);
}

} // namespace
