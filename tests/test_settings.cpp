#include "core/settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace
{

// Before any test runs, the store points at a scratch folder, so nothing in
// this program ever reaches the user's own configuration.
class ScratchConfigEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        dir_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(dir_->isValid());
        qputenv("XDG_CONFIG_HOME", dir_->path().toLocal8Bit());
        Settings::resetForTests(dir_->path(), QStringLiteral("xx"));
    }
    void TearDown() override
    {
        Settings::close();
        dir_.reset();
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

[[maybe_unused]] testing::Environment* const scratchEnvironment =
    testing::AddGlobalTestEnvironment(new ScratchConfigEnvironment);

class SettingsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        use(QStringLiteral("fr"));
    }
    void TearDown() override { Settings::close(); }

    void use(const QString& code)
    {
        code_ = code;
        Settings::resetForTests(dir.path(), code);
    }
    QString filePath() const
    {
        return dir.path() + QStringLiteral("/clavion/clavion-%1.conf").arg(code_);
    }
    // Closing writes to disk; reopening reads the file afresh.
    void reopen() { use(code_); }
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

    QTemporaryDir dir;

private:
    QString code_;
};

// An input record whose every setting differs from the /Midi defaults.
InputDevice unusualInput()
{
    InputDevice d;
    d.ibck = false;
    d.itradk = false;
    d.leadzone = 2;
    d.tempoleader = false;
    d.lowkey = 50;
    d.highkey = 90;
    d.kbenablesplit = true;
    d.ignoreInput = true;
    d.kbmode = 1;
    return d;
}

TEST_F(SettingsTest, FreshUserGetsDefaultsOfEveryType)
{
    using namespace Keys;
    EXPECT_TRUE(Settings::value(Interface::tooltips));
    EXPECT_FALSE(Settings::value(Parameters::filevel));
    EXPECT_TRUE(Settings::value(Midi::tempoleader));
    EXPECT_FALSE(Settings::value(Midi::ignoreInput));
    EXPECT_TRUE(Settings::value(EventFilters::sets[EventFilters::Free][EventFilters::PitchBend]));
    EXPECT_EQ(Settings::value(Interface::wheelmult), 60);
    EXPECT_EQ(Settings::value(Geometry::width), 640);
    EXPECT_EQ(Settings::value(Geometry::height), 480);
    EXPECT_EQ(Settings::value(Midi::highkey), 103);
    EXPECT_EQ(Settings::value(Metronome::channel), 9);
    EXPECT_EQ(Settings::value(Display::pix4mc), 6);
    EXPECT_EQ(Settings::value(Interface::mididir), qEnvironmentVariable("HOME"));
    EXPECT_TRUE(Settings::value(Interface::helpMain).isEmpty());
    EXPECT_TRUE(Settings::value(Interface::historysynths).isEmpty());
    EXPECT_TRUE(Settings::value(Geometry::windowState).isEmpty());
    EXPECT_EQ(Settings::value(Display::colours[Display::InteractiveTrack]), (Rgb{0, 128, 128}));
    EXPECT_EQ(Settings::value(Display::colours[Display::PressedKey]), (Rgb{160, 160, 164}));
    EXPECT_EQ(Settings::textDir(QStringLiteral("/Interface"), QStringLiteral("lyrics")),
              qEnvironmentVariable("HOME"));

    // Loading reads only: a fresh user still has no file afterwards.
    LiveOptions options;
    options.load();
    DeviceSet devices;
    Settings::loadDefaultDevices(devices);
    Settings::close();
    EXPECT_FALSE(QFile::exists(filePath()));
}

TEST_F(SettingsTest, EachLanguageCodeHasItsOwnFile)
{
    EXPECT_EQ(Settings::store().fileName(), filePath());
    EXPECT_EQ(Settings::organisationDir(), dir.path() + QStringLiteral("/clavion"));
    Settings::setValue(Keys::Interface::wheelmult, 80);

    use(QStringLiteral("en"));
    EXPECT_TRUE(Settings::store().fileName().endsWith(QStringLiteral("/clavion/clavion-en.conf")));
    EXPECT_EQ(Settings::value(Keys::Interface::wheelmult), 60);

    use(QString()); // LANG unset
    EXPECT_TRUE(Settings::store().fileName().endsWith(QStringLiteral("/clavion/clavion-.conf")));
    EXPECT_EQ(Settings::value(Keys::Interface::wheelmult), 60);

    use(QStringLiteral("fr"));
    EXPECT_EQ(Settings::value(Keys::Interface::wheelmult), 80);
}

TEST(SettingsLanguage, CodeIsTheFirstTwoCharactersOfLang)
{
    const QByteArray saved = qgetenv("LANG");
    const bool had = qEnvironmentVariableIsSet("LANG");
    qputenv("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(Settings::languageCode(), QStringLiteral("fr"));
    qputenv("LANG", "C");
    EXPECT_EQ(Settings::languageCode(), QStringLiteral("C"));
    qunsetenv("LANG");
    EXPECT_EQ(Settings::languageCode(), QString());
    EXPECT_EQ(Settings::applicationName(QString()), QStringLiteral("clavion-"));
    EXPECT_EQ(Settings::applicationName(QStringLiteral("en")), QStringLiteral("clavion-en"));
    if (had) qputenv("LANG", saved);
}

TEST_F(SettingsTest, LeadingAndDoubledSlashesNameTheSameKey)
{
    Settings::store().setValue(QStringLiteral("Midi/ibck"), false);
    EXPECT_FALSE(Settings::value(Keys::Midi::ibck));    // declared as "/Midi/ibck"
    Settings::setValue(Keys::Midi::ignoreOutput, true); // declared as "Midi/ignoreOutput"
    Settings::setTextDir(QStringLiteral("/Interface"), QStringLiteral("lyrics"),
                         QStringLiteral("/music/texts"));
    reopen();
    EXPECT_FALSE(Settings::value(Keys::Midi::ibck));
    EXPECT_TRUE(Settings::store().value(QStringLiteral("/Midi/ignoreOutput")).toBool());
    EXPECT_EQ(Settings::store().value(QStringLiteral("Interface/textdirlyrics")).toString(),
              QStringLiteral("/music/texts"));
    EXPECT_EQ(Settings::textDir(QStringLiteral("/Interface"), QStringLiteral("lyrics")),
              QStringLiteral("/music/texts"));
}

TEST_F(SettingsTest, ColoursRoundTripAsRedGreenBlueText)
{
    const ColourKey& played = Keys::Display::colours[Keys::Display::PlayedNote];
    Settings::setValue(played, Rgb{12, 34, 56});
    reopen();
    EXPECT_EQ(Settings::store().value(QStringLiteral("/Display/pn_color")).toString(),
              QStringLiteral("12:34:56"));
    EXPECT_EQ(Settings::value(played), (Rgb{12, 34, 56}));
    EXPECT_EQ(Settings::encodeColour(Rgb{0, 128, 128}), QStringLiteral("0:128:128"));
}

TEST_F(SettingsTest, HandEditedColoursAreClampedOrFallBack)
{
    handEdit("[Display]\n"
             "st_color=300:0:0\n"
             "ot_color=0:0:128\n"
             "ft_color=red\n"
             "pn_color=1:2\n"
             "uln_color=1,2,3\n"
             "ucn_color= 7 : 8 : 9 \n"
             "axis_color=-4:5:6\n"
             "bar_color=\n");
    using namespace Keys::Display;
    EXPECT_EQ(Settings::value(colours[InteractiveTrack]), (Rgb{255, 0, 0}));
    EXPECT_EQ(Settings::value(colours[AutomaticTrack]), (Rgb{0, 0, 128}));
    EXPECT_EQ(Settings::value(colours[FreeTrack]), colours[FreeTrack].fallback);
    EXPECT_EQ(Settings::value(colours[PlayedNote]), colours[PlayedNote].fallback);
    EXPECT_EQ(Settings::value(colours[UnplayedClusterHead]), colours[UnplayedClusterHead].fallback);
    EXPECT_EQ(Settings::value(colours[UnplayedClusterBody]), (Rgb{7, 8, 9}));
    EXPECT_EQ(Settings::value(colours[PositionMark]), (Rgb{0, 5, 6}));
    EXPECT_EQ(Settings::value(colours[MeasureBars]), colours[MeasureBars].fallback);

    for (const char* bad : {"", "1:2:3:4", "a:b:c", "1:2:x", "1::3", "1:2:3x", "0x10:0:0"})
        EXPECT_FALSE(Settings::decodeColour(QString::fromLatin1(bad)).has_value()) << bad;
    EXPECT_EQ(Settings::decodeColour(QStringLiteral("+1:2:999999999999")), (Rgb{1, 2, 255}));
}

TEST_F(SettingsTest, HandEditedNumbersAreClampedIntoTheirRanges)
{
    handEdit("[Interface]\nwheelmult=0\n"
             "[Display]\npix4mc=0\ndiam=99\n"
             "[Parameters]\nms_tol=99999999999\nsmooth=-3\n"
             "[Metronome]\nchannel=16\nstrong=-1\nweak=128\nvel=1000\n"
             "[Midi]\niclient=300\niport=-1\nleadzone=7\nkbmode=5\noclient=256\ndefvolume=-20\n"
             "[Geometry]\nwidth=abc\nheight=12.5\n");
    using namespace Keys;
    EXPECT_EQ(Settings::value(Interface::wheelmult), 1);
    EXPECT_EQ(Settings::value(Display::pix4mc), 1);
    EXPECT_EQ(Settings::value(Display::diam), 16);
    EXPECT_EQ(Settings::value(Parameters::ms_tol), 500);
    EXPECT_EQ(Settings::value(Parameters::smooth), 1);
    EXPECT_EQ(Settings::value(Metronome::channel), 15);
    EXPECT_EQ(Settings::value(Metronome::strong), 0);
    EXPECT_EQ(Settings::value(Metronome::weak), 127);
    EXPECT_EQ(Settings::value(Metronome::vel), 127);
    // Not numbers at all: the defaults.
    EXPECT_EQ(Settings::value(Geometry::width), 640);
    EXPECT_EQ(Settings::value(Geometry::height), 480);

    DeviceSet devices;
    Settings::loadDefaultDevices(devices);
    EXPECT_EQ(devices.defaultInput.client, 255);
    EXPECT_EQ(devices.defaultInput.port, 0);
    EXPECT_EQ(devices.defaultInput.leadzone, 3);
    EXPECT_EQ(devices.defaultInput.kbmode, 1);
    EXPECT_EQ(devices.defaultOutput.client, 255);
    EXPECT_EQ(devices.defaultOutput.volume, 0);

    // The mirror reads through the same rules.
    LiveOptions options;
    options.load();
    EXPECT_EQ(options.wheelmult.load(), 1);
    EXPECT_EQ(options.ms_tol.load(), 500);
    EXPECT_EQ(options.metronomeChannel.load(), 15);
}

TEST_F(SettingsTest, HandEditedFlagsAcceptCommonSpellingsOnly)
{
    handEdit("[Parameters]\nfilevel=1\nfiledur=yes\ntempoadapt=TRUE\n"
             "splitformat0=0\nkillsynths=maybe\nstrictlyrics=\n"
             "[Display]\ndarkmode=off\n");
    using namespace Keys;
    EXPECT_TRUE(Settings::value(Parameters::filevel));
    EXPECT_TRUE(Settings::value(Parameters::filedur));
    EXPECT_TRUE(Settings::value(Parameters::tempoadapt));
    EXPECT_FALSE(Settings::value(Parameters::splitformat0));
    EXPECT_FALSE(Settings::value(Display::darkmode));
    // Unreadable: the default.
    EXPECT_FALSE(Settings::value(Parameters::killsynths));
    EXPECT_FALSE(Settings::value(Parameters::strictlyrics));
}

TEST_F(SettingsTest, ZoneLimitsInTheWrongOrderAreDiscarded)
{
    handEdit("[Midi]\nlowkey=100\nhighkey=50\n"
             "[Input_20_0]\nlowkey=90\nhighkey=30\n"
             "[Input_20_1]\nlowkey=70\nhighkey=70\n"
             "[Input_20_2]\nlowkey=200\n");
    DeviceSet devices;
    Settings::loadDefaultDevices(devices);
    EXPECT_EQ(devices.defaultInput.lowkey, 64);
    EXPECT_EQ(devices.defaultInput.highkey, 103);

    InputDevice defaults = devices.defaultInput;
    defaults.lowkey = 40;
    defaults.highkey = 80;
    InputDevice swapped, equal, high;
    swapped.client = equal.client = high.client = 20;
    equal.port = 1;
    high.port = 2;
    Settings::loadInputDevice(swapped, defaults);
    EXPECT_EQ(swapped.lowkey, 40);
    EXPECT_EQ(swapped.highkey, 80);
    Settings::loadInputDevice(equal, defaults); // an empty central zone is allowed
    EXPECT_EQ(equal.lowkey, 70);
    EXPECT_EQ(equal.highkey, 70);
    // 200 is clamped to 127, which lies above the inherited high key 80.
    Settings::loadInputDevice(high, defaults);
    EXPECT_EQ(high.lowkey, 40);
    EXPECT_EQ(high.highkey, 80);
}

TEST_F(SettingsTest, DefaultDeviceRecordsComeFromTheMidiGroup)
{
    DeviceSet fresh;
    Settings::loadDefaultDevices(fresh);
    const InputDevice& in = fresh.defaultInput;
    EXPECT_EQ(in.clientName, QStringLiteral("Default input client"));
    EXPECT_EQ(in.portName, QStringLiteral("Default input port"));
    EXPECT_EQ(in.client, 0);
    EXPECT_TRUE(in.ibck);
    EXPECT_TRUE(in.itradk);
    EXPECT_TRUE(in.tempoleader);
    EXPECT_FALSE(in.ignoreInput);
    EXPECT_FALSE(in.kbenablesplit);
    EXPECT_EQ(in.leadzone, 1);
    EXPECT_EQ(in.lowkey, 64);
    EXPECT_EQ(in.highkey, 103);
    EXPECT_EQ(fresh.defaultOutput.clientName, QStringLiteral("Default output client"));
    EXPECT_EQ(fresh.defaultOutput.portName, QStringLiteral("Default output port"));
    EXPECT_EQ(fresh.defaultOutput.volume, 127);
    EXPECT_FALSE(fresh.defaultOutput.ignoreOutput);

    DeviceSet edited;
    edited.defaultInput = unusualInput();
    edited.defaultInput.client = 20;
    edited.defaultInput.itradk = true;
    edited.defaultOutput.client = 128;
    edited.defaultOutput.port = 3;
    edited.defaultOutput.obck = false;
    edited.defaultOutput.ignoreOutput = true;
    edited.defaultOutput.volume = 90;
    Settings::saveDefaultDevices(edited);
    EXPECT_FALSE(Settings::store().contains(Settings::inputGroup(20, 0) + QStringLiteral("/ibck")));
    reopen();

    DeviceSet loaded;
    Settings::loadDefaultDevices(loaded);
    const InputDevice& li = loaded.defaultInput;
    EXPECT_EQ(li.client, 20);
    EXPECT_FALSE(li.ibck);
    EXPECT_EQ(li.leadzone, 2);
    EXPECT_FALSE(li.tempoleader);
    EXPECT_TRUE(li.itradk);
    EXPECT_EQ(li.lowkey, 50);
    EXPECT_EQ(li.highkey, 90);
    EXPECT_TRUE(li.kbenablesplit);
    EXPECT_TRUE(li.ignoreInput);
    EXPECT_EQ(li.kbmode, 1);
    const OutputDevice& lo = loaded.defaultOutput;
    EXPECT_EQ(lo.client, 128);
    EXPECT_EQ(lo.port, 3);
    EXPECT_FALSE(lo.obck);
    EXPECT_TRUE(lo.otradk);
    EXPECT_TRUE(lo.ignoreOutput);
    EXPECT_EQ(lo.volume, 90); // the default volume survives a restart
    EXPECT_EQ(Settings::store().value(QStringLiteral("Midi/defvolume")).toInt(), 90);
}

TEST_F(SettingsTest, InputDevicesFallBackToTheDefaultRecordExceptIgnore)
{
    const InputDevice defaults = unusualInput();

    InputDevice unknown;
    unknown.client = 24;
    Settings::loadInputDevice(unknown, defaults);
    EXPECT_FALSE(unknown.ibck);
    EXPECT_FALSE(unknown.itradk);
    EXPECT_EQ(unknown.leadzone, 2);
    EXPECT_FALSE(unknown.tempoleader);
    EXPECT_EQ(unknown.lowkey, 50);
    EXPECT_EQ(unknown.highkey, 90);
    EXPECT_TRUE(unknown.kbenablesplit);
    EXPECT_EQ(unknown.kbmode, 1);
    EXPECT_FALSE(unknown.ignoreInput); // even though the default record ignores

    InputDevice own;
    own.client = 24;
    own.port = 1;
    own.leadzone = 3;
    own.tempoleader = true;
    own.lowkey = 60;
    own.highkey = 72;
    own.ignoreInput = true;
    Settings::saveInputDevice(own);
    reopen();
    InputDevice back;
    back.client = 24;
    back.port = 1;
    Settings::loadInputDevice(back, defaults);
    EXPECT_TRUE(back.ibck);
    EXPECT_TRUE(back.itradk);
    EXPECT_EQ(back.leadzone, 3);
    EXPECT_TRUE(back.tempoleader);
    EXPECT_EQ(back.lowkey, 60);
    EXPECT_EQ(back.highkey, 72);
    EXPECT_FALSE(back.kbenablesplit);
    EXPECT_TRUE(back.ignoreInput);
    EXPECT_EQ(back.kbmode, 0);

    // Another port of the same client has no group of its own.
    InputDevice sibling;
    sibling.client = 24;
    sibling.port = 2;
    Settings::loadInputDevice(sibling, defaults);
    EXPECT_EQ(sibling.lowkey, 50);
    EXPECT_FALSE(sibling.ignoreInput);

    // A group holding one key takes the rest from the default record.
    Settings::store().setValue(Settings::inputGroup(30, 0) + QStringLiteral("/highkey"), 100);
    InputDevice partial;
    partial.client = 30;
    Settings::loadInputDevice(partial, defaults);
    EXPECT_EQ(partial.highkey, 100);
    EXPECT_EQ(partial.lowkey, 50);
    EXPECT_EQ(partial.leadzone, 2);
}

TEST_F(SettingsTest, OutputDevicesFallBackToTheDefaultRecordExceptIgnore)
{
    OutputDevice defaults;
    defaults.obck = false;
    defaults.otradk = false;
    defaults.volume = 90;
    defaults.ignoreOutput = true;

    OutputDevice unknown;
    unknown.client = 128;
    Settings::loadOutputDevice(unknown, defaults);
    EXPECT_FALSE(unknown.obck);
    EXPECT_FALSE(unknown.otradk);
    EXPECT_EQ(unknown.volume, 90);
    EXPECT_FALSE(unknown.ignoreOutput);

    OutputDevice own;
    own.client = 128;
    own.port = 1;
    own.volume = 33;
    own.ignoreOutput = true;
    Settings::saveOutputDevice(own);
    reopen();
    EXPECT_EQ(Settings::store().value(QStringLiteral("Output_128_1/volume")).toInt(), 33);
    OutputDevice back;
    back.client = 128;
    back.port = 1;
    Settings::loadOutputDevice(back, defaults);
    EXPECT_TRUE(back.obck);
    EXPECT_TRUE(back.otradk);
    EXPECT_EQ(back.volume, 33);
    EXPECT_TRUE(back.ignoreOutput);

    Settings::store().setValue(QStringLiteral("Output_128_2/volume"), 400);
    OutputDevice loud;
    loud.client = 128;
    loud.port = 2;
    Settings::loadOutputDevice(loud, defaults);
    EXPECT_EQ(loud.volume, 127);
}

TEST_F(SettingsTest, PcKeyboardHasItsOwnDefaultsAndGroup)
{
    InputDevice defaults = unusualInput();
    defaults.itradk = true;
    defaults.leadzone = 3;
    InputDevice pc;
    Settings::loadPcKeyboard(pc, defaults);
    EXPECT_EQ(pc.client, 255);
    EXPECT_EQ(pc.port, 255);
    EXPECT_TRUE(pc.isPcKeyboard());
    EXPECT_EQ(pc.clientName, QStringLiteral("PC keyboard"));
    EXPECT_EQ(pc.portName, QStringLiteral("subsets"));
    EXPECT_FALSE(pc.ibck); // the default record's display flags and zone
    EXPECT_TRUE(pc.itradk);
    EXPECT_EQ(pc.leadzone, 3);
    EXPECT_TRUE(pc.tempoleader); // its own defaults for the rest
    EXPECT_EQ(pc.lowkey, 10);
    EXPECT_EQ(pc.highkey, 36);
    EXPECT_TRUE(pc.kbenablesplit);
    EXPECT_EQ(pc.kbmode, 0);
    EXPECT_FALSE(pc.ignoreInput);

    pc.lowkey = 12;
    pc.highkey = 30;
    pc.kbenablesplit = false;
    Settings::saveInputDevice(pc);
    reopen();
    EXPECT_TRUE(Settings::store().contains(QStringLiteral("Input_255_255/lowkey")));
    InputDevice again;
    Settings::loadPcKeyboard(again, defaults);
    EXPECT_EQ(again.lowkey, 12);
    EXPECT_EQ(again.highkey, 30);
    EXPECT_FALSE(again.kbenablesplit);
}

TEST_F(SettingsTest, HistoriesAndTextDirsFollowTheGroupAndSuffixRule)
{
    const QString group = QStringLiteral("/Interface");
    EXPECT_TRUE(Settings::storeHistory(group, QStringLiteral("synths")));
    Settings::setValue(Keys::Interface::storeHistorydoc, false);
    EXPECT_FALSE(Settings::storeHistory(group, QStringLiteral("doc")));

    const QStringList lines = {QStringLiteral("fluidsynth -a alsa, -m alsa_seq"),
                               QStringLiteral("timidity -iA"), QString()};
    Settings::setHistory(group, QStringLiteral("synths"), lines);
    Settings::setHistory(group, QStringLiteral("lyrics"), {QStringLiteral("only one")});
    Settings::setHistory(group, QStringLiteral("doc"), {});
    reopen();
    EXPECT_EQ(Settings::value(Keys::Interface::historysynths), lines);
    EXPECT_EQ(Settings::history(group, QStringLiteral("lyrics")),
              QStringList{QStringLiteral("only one")});
    EXPECT_TRUE(Settings::history(group, QStringLiteral("doc")).isEmpty());
}

TEST_F(SettingsTest, FontsReportOnlyTheKeysThatArePresent)
{
    const QString doc = Settings::fontGroup(QStringLiteral("doc"));
    EXPECT_EQ(doc, QStringLiteral("Fontdoc"));
    StoredFont none = Settings::font(doc);
    EXPECT_FALSE(none.family || none.pointSize || none.weight || none.italic);

    Settings::setFont(doc, QStringLiteral("DejaVu Serif"), 14, 75, true);
    reopen();
    const StoredFont f = Settings::font(doc);
    EXPECT_EQ(f.family, QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(f.pointSize, 14);
    EXPECT_EQ(f.weight, 75);
    EXPECT_EQ(f.italic, true);
    EXPECT_FALSE(Settings::font(Settings::fontGroup(QStringLiteral("lyrics"))).family);

    handEdit("[HCFont]\npointSize=0\nweight=500\nitalic=perhaps\n");
    const StoredFont hc = Settings::font(QString::fromLatin1(Settings::kHistoryComboFontGroup));
    EXPECT_EQ(hc.pointSize, 1);
    EXPECT_EQ(hc.weight, 99);
    EXPECT_FALSE(hc.italic);
    EXPECT_FALSE(hc.family);
}

TEST_F(SettingsTest, ByteArraysSurviveBinaryContent)
{
    const QByteArray state("\x00\x01\xff\n=,\"", 7);
    Settings::setValue(Keys::Geometry::windowState, state);
    reopen();
    EXPECT_EQ(Settings::value(Keys::Geometry::windowState), state);
    EXPECT_TRUE(Settings::value(Keys::General::geometry).isEmpty());
}

// Field by field, since the mirror's atomics cannot be compared as a whole.
void expectSameOptions(const LiveOptions& a, const LiveOptions& b)
{
    EXPECT_EQ(a.tooltips.load(), b.tooltips.load());
    EXPECT_EQ(a.wheelmult.load(), b.wheelmult.load());
    EXPECT_EQ(a.mididir, b.mididir);
    EXPECT_EQ(a.helpMain, b.helpMain);
    EXPECT_EQ(a.helpBrowser, b.helpBrowser);
    EXPECT_EQ(a.notifyCancel.load(), b.notifyCancel.load());
    EXPECT_EQ(a.storeHistorydoc.load(), b.storeHistorydoc.load());
    EXPECT_EQ(a.storeHistorylyrics.load(), b.storeHistorylyrics.load());
    EXPECT_EQ(a.storeHistorysynths.load(), b.storeHistorysynths.load());
    EXPECT_EQ(a.width.load(), b.width.load());
    EXPECT_EQ(a.height.load(), b.height.load());
    for (int s = 0; s < Keys::EventFilters::FilterSetCount; ++s)
        for (int k = 0; k < Keys::EventFilters::FilterKindCount; ++k)
            EXPECT_EQ(a.filters[s][k].load(), b.filters[s][k].load()) << s << " " << k;
    EXPECT_EQ(a.keepTempo.load(), b.keepTempo.load());
    EXPECT_EQ(a.scrollabove.load(), b.scrollabove.load());
    EXPECT_EQ(a.darkmode.load(), b.darkmode.load());
    EXPECT_EQ(a.showtrackcontrols.load(), b.showtrackcontrols.load());
    EXPECT_EQ(a.toggletrackselect.load(), b.toggletrackselect.load());
    EXPECT_EQ(a.showlyrics.load(), b.showlyrics.load());
    EXPECT_EQ(a.showcmkeycolors.load(), b.showcmkeycolors.load());
    EXPECT_EQ(a.showbigpianos.load(), b.showbigpianos.load());
    EXPECT_EQ(a.pix4mc.load(), b.pix4mc.load());
    EXPECT_EQ(a.diam.load(), b.diam.load());
    EXPECT_TRUE(a.colours == b.colours);
    EXPECT_TRUE(a.keyColours == b.keyColours);
    EXPECT_EQ(a.metronomeRecord.load(), b.metronomeRecord.load());
    EXPECT_EQ(a.metronomePlay.load(), b.metronomePlay.load());
    EXPECT_EQ(a.metronomeChannel.load(), b.metronomeChannel.load());
    EXPECT_EQ(a.metronomeStrong.load(), b.metronomeStrong.load());
    EXPECT_EQ(a.metronomeWeak.load(), b.metronomeWeak.load());
    EXPECT_EQ(a.metronomeVel.load(), b.metronomeVel.load());
    EXPECT_EQ(a.splitformat0.load(), b.splitformat0.load());
    EXPECT_EQ(a.showshiftwhenrecording.load(), b.showshiftwhenrecording.load());
    EXPECT_EQ(a.filevel.load(), b.filevel.load());
    EXPECT_EQ(a.filedur.load(), b.filedur.load());
    EXPECT_EQ(a.tempoadapt.load(), b.tempoadapt.load());
    EXPECT_EQ(a.strictlyrics.load(), b.strictlyrics.load());
    EXPECT_EQ(a.killsynths.load(), b.killsynths.load());
    EXPECT_EQ(a.ms_tol.load(), b.ms_tol.load());
    EXPECT_EQ(a.smooth.load(), b.smooth.load());
}

// Every value away from its default and inside its range.
void changeEverything(LiveOptions& o)
{
    o.tooltips = false;
    o.wheelmult = 17;
    o.mididir = QStringLiteral("/music/midi");
    o.helpMain = QStringLiteral("/usr/share/doc/clavion/en/index.html");
    o.helpBrowser = QStringLiteral("firefox");
    o.notifyCancel = false;
    o.storeHistorydoc = false;
    o.storeHistorylyrics = false;
    o.storeHistorysynths = false;
    o.width = 1024;
    o.height = 700;
    for (int s = 0; s < Keys::EventFilters::FilterSetCount; ++s)
        for (int k = 0; k < Keys::EventFilters::FilterKindCount; ++k) o.filters[s][k] = (s + k) % 2;
    o.keepTempo = false;
    o.scrollabove = false;
    o.darkmode = false;
    o.showtrackcontrols = false;
    o.toggletrackselect = true;
    o.showlyrics = false;
    o.showcmkeycolors = true;
    o.showbigpianos = true;
    o.pix4mc = 11;
    o.diam = 9;
    for (int i = 0; i < Keys::Display::ColourCount; ++i) o.colours[i] = Rgb{i, 2 * i, 255 - i};
    o.metronomeRecord = false;
    o.metronomePlay = true;
    o.metronomeChannel = 3;
    o.metronomeStrong = 76;
    o.metronomeWeak = 77;
    o.metronomeVel = 100;
    o.splitformat0 = false;
    o.showshiftwhenrecording = true;
    o.filevel = true;
    o.filedur = true;
    o.tempoadapt = true;
    o.strictlyrics = true;
    o.killsynths = true;
    o.ms_tol = 250;
    o.smooth = 4;
}

TEST_F(SettingsTest, MirrorOfAFreshStoreEqualsTheDefaults)
{
    LiveOptions defaults, loaded;
    changeEverything(loaded);
    loaded.load();
    expectSameOptions(loaded, defaults);
}

TEST_F(SettingsTest, MirrorSaveAndLoadRoundTrip)
{
    LiveOptions edited;
    changeEverything(edited);
    edited.copyKeyColours();
    edited.save();
    reopen();

    LiveOptions loaded;
    loaded.load();
    expectSameOptions(loaded, edited);
    EXPECT_EQ(loaded.keyColours[0], loaded.colours[Keys::Display::BlackKey]);
    EXPECT_EQ(loaded.keyColours[8], loaded.colours[Keys::Display::WrongKey]);

    loaded.resetColours();
    for (int i = 0; i < Keys::Display::ColourCount; ++i)
        EXPECT_EQ(loaded.colours[i], Keys::Display::colours[i].fallback);
}

TEST_F(SettingsTest, EachTabSaveWritesOnlyItsOwnKeys)
{
    LiveOptions o;
    changeEverything(o);
    o.saveParameters();
    for (const QString& k : Settings::store().allKeys())
        EXPECT_TRUE(k.startsWith(QStringLiteral("Parameters/"))) << k.toStdString();
    EXPECT_EQ(Settings::store().allKeys().size(), 9);

    use(QStringLiteral("de"));
    o.saveMetronome();
    for (const QString& k : Settings::store().allKeys())
        EXPECT_TRUE(k.startsWith(QStringLiteral("Metronome/"))) << k.toStdString();
    EXPECT_EQ(Settings::store().allKeys().size(), 6);

    use(QStringLiteral("it"));
    o.saveEventFilters();
    EXPECT_EQ(Settings::store().allKeys().size(), 16);
    EXPECT_TRUE(Settings::store().contains(QStringLiteral("EventFilters/keep_tempo")));
}

} // namespace
