// The built-in synthesizer as the window decides and reports it: which sound
// font, which driver, when it starts, what a failure tells the user.

#include "windowfixture.h"

#include "core/synthoptions.h"
#include "dialogs/optionsdb.h"
#include "dialogs/synthtab.h"
#include "engine/builtinsynth.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

namespace
{
void touch(const QString& path, const QByteArray& bytes = "RIFF")
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(SynthFonts, TheFullestGeneralMidiFontIsFoundFirstWhicheverFolderHoldsIt)
{
    struct Case {
        std::vector<const char*> files; // folder index/name
        const char* expected;
    };
    const std::vector<Case> cases = {
        {{"0/TimGM6mb.sf2", "1/MuseScore_General.sf3", "2/FluidR3_GM.sf2"}, "2/FluidR3_GM.sf2"},
        {{"0/TimGM6mb.sf2", "1/MuseScore_General.sf3"}, "1/MuseScore_General.sf3"},
        {{"0/default-GM.sf2", "2/TimGM6mb.sf2"}, "2/TimGM6mb.sf2"},
        {{"0/zz.sf2", "1/default-GM.sf3"}, "1/default-GM.sf3"},
        {{"1/b.sf3", "1/a.sf2", "1/notes.txt"}, "1/a.sf2"},
        {{"0/notes.txt", "1/FluidR3_GM.sf2/"}, ""}, // a folder of that name is no font
        {{}, ""},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QStringList folders{dir.filePath("0"), dir.filePath("1"), dir.filePath("2")};
        for (const char* f : c.files) {
            const QString path = dir.filePath(QLatin1String(f));
            if (path.endsWith('/'))
                QDir().mkpath(path);
            else
                touch(path);
        }
        const QString expected = *c.expected ? dir.filePath(QLatin1String(c.expected)) : QString();
        EXPECT_EQ(BuiltinSynth::findSoundFont(folders), expected) << c.expected;
    }
}

TEST(SynthSettings, StoredValuesAreClampedAndAnUnknownDriverReadsAsAutomatic)
{
    QTemporaryDir dir;
    Settings::resetForTests(dir.path(), QStringLiteral("en"));
    EXPECT_EQ(SynthOptions::load().period, 256);
    QSettings& s = Settings::store();
    const std::vector<std::pair<QVariant, int>> gains = {{-5, 0}, {9999, 500}, {"x", 60}, {80, 80}};
    for (const auto& [stored, read] : gains) {
        s.setValue("Synth/gain", stored);
        EXPECT_EQ(SynthOptions::load().gain, read) << stored.toString().toStdString();
    }
    s.setValue("Synth/period", 3);
    s.setValue("Synth/periods", 100);
    s.setValue("Synth/driver", " ALSA ");
    s.setValue("Synth/device", "hw:1,0\nrm -rf");
    SynthOptions o = SynthOptions::load();
    EXPECT_EQ(o.period, 64);
    EXPECT_EQ(o.periods, 16);
    EXPECT_EQ(o.driver, QStringLiteral("alsa"));
    EXPECT_EQ(o.device, QString());
    s.setValue("Synth/driver", "oss");
    EXPECT_EQ(SynthOptions::load().driver, QString());
    // What is saved reads back the same.
    o.soundFont = QStringLiteral("/fonts/a b.sf2");
    o.device = QStringLiteral("plughw:1,0");
    o.reverb = false;
    o.save();
    const SynthOptions back = SynthOptions::load();
    EXPECT_EQ(back.soundFont, o.soundFont);
    EXPECT_EQ(back.device, o.device);
    EXPECT_FALSE(back.reverb);
    Settings::close();
}

TEST(SynthDriver, TheSoundServerIsTakenWhenItAnswersElseAlsa)
{
    QTemporaryDir runtime;
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR"), oldPulse = qgetenv("PULSE_SERVER");
    qunsetenv("PULSE_SERVER");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    EXPECT_EQ(BuiltinSynth::resolveDriver(QString()), QStringLiteral("alsa"));
    touch(runtime.filePath("pulse/native"));
    EXPECT_EQ(BuiltinSynth::resolveDriver(QString()), QStringLiteral("pulseaudio"));
    EXPECT_EQ(BuiltinSynth::resolveDriver(QStringLiteral("jack")), QStringLiteral("jack"));
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
    if (!oldPulse.isEmpty()) qputenv("PULSE_SERVER", oldPulse);
}

// A settings file from an earlier start, so the next window is not a first start.
void earlierStart(const QString& file, bool synthIsDefault)
{
    QSettings s(file, QSettings::IniFormat);
    s.setValue("Midi/oclient", 14);
    s.setValue("Synth/default", synthIsDefault);
    s.sync();
}

using SynthWindow = Window;

TEST_F(SynthWindow, TheBuiltinSynthStartsOnlyWhenNothingElseWouldSoundOrItIsTheDefault)
{
    const PortInfo through{14, 0, "Midi Through", "Midi Through Port-0"};
    const PortInfo expander{20, 0, "Expander", "Expander MIDI 1", true};
    struct Case {
        const char* what;
        std::vector<PortInfo> outputs;
        int earlier; // -1 first start, else the stored Synth/default
        bool starts;
    };
    const std::vector<Case> cases = {
        {"first start, Midi Through alone", {through}, -1, true},
        {"first start, a synthesizer present", {through, expander}, -1, false},
        {"later start, another default output", {through}, 0, false},
        {"later start, it is the default output", {through, expander}, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Settings::close();
        QTemporaryDir d;
        // Written out before the folder goes, not into a folder made anew.
        const auto closeFirst = qScopeGuard([] { Settings::close(); });
        Settings::resetForTests(d.path(), QStringLiteral("en"));
        if (c.earlier >= 0) earlierStart(settingsFile(), c.earlier == 1);
        fakeOutputs = c.outputs;
        synthStarts.clear();
        open();
        ASSERT_EQ(synthStarts.size(), size_t(c.starts));
        if (c.starts) {
            EXPECT_TRUE(synthStarts[0].isDefault);
        }
        EXPECT_EQ(Settings::value(Keys::Synth::isDefault), c.starts);
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// The real synthesizer, started as a first start starts it, failing in each
// way it can without a sequencer: the user is told what to do, once.
TEST_F(SynthWindow, AFailedStartSaysWhatToDoAndTheProgramGoesOn)
{
    SynthControl::setStartHook(nullptr);
    QTemporaryDir fonts;
    touch(fonts.filePath("broken.sf2"), "not a sound font");
    const QString system = BuiltinSynth::findSoundFont();
    struct Case {
        const char* what;
        QStringList folders;
        QString font;
        QString device;
        const char* said; // in the status bar when the box list stays empty
        const char* boxed;
    };
    const std::vector<Case> cases = {
        {"no font installed", {fonts.filePath("none")}, {}, {}, "fluid-soundfont-gm", nullptr},
        {"a broken font", {}, fonts.filePath("broken.sf2"), {}, nullptr, "broken.sf2"},
        {"no audio device", {}, system, "clavion_no_such_device", nullptr, "no audio output"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (QString(c.boxed) == "no audio output" && system.isEmpty())
            GTEST_SKIP() << "no sound font installed to get as far as the audio";
        Settings::close();
        QTemporaryDir d;
        // Written out before the folder goes, not into a folder made anew.
        const auto closeFirst = qScopeGuard([] { Settings::close(); });
        Settings::resetForTests(d.path(), QStringLiteral("en"));
        Settings::setValue(Keys::Synth::soundfont, c.font);
        Settings::setValue(Keys::Synth::driver, QStringLiteral("alsa"));
        Settings::setValue(Keys::Synth::device, c.device);
        BuiltinSynth::setSoundFontFolders(c.folders);
        fakeOutputs = {{14, 0, "Midi Through", "Midi Through Port-0"}};
        const int shown = sink.texts().size();
        earlierStart(settingsFile(), true);
        open();
        auto* control = window->synthControl();
        QTRY_VERIFY_WITH_TIMEOUT(!control->starting(), 20000);
        QTest::qWait(50); // the queued report
        EXPECT_EQ(control->synth().state(), BuiltinSynth::State::Failed);
        if (c.said) {
            EXPECT_TRUE(window->statusBar()->currentMessage().contains(QLatin1String(c.said)))
                << window->statusBar()->currentMessage().toStdString();
            EXPECT_EQ(sink.texts().size(), shown);
        } else {
            ASSERT_EQ(sink.texts().size(), shown + 1);
            EXPECT_TRUE(sink.texts().last().contains(QLatin1String(c.boxed)))
                << sink.texts().last().toStdString();
        }
        EXPECT_TRUE(control->describe().startsWith(QLatin1String("No sound font")) ||
                    control->describe().startsWith(QLatin1String("Not running")));
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    BuiltinSynth::setSoundFontFolders({});
}

TEST_F(SynthWindow, TheSynthesizerTabSavesWhatItShowsAndRestartsOnlyWhatNeedsIt)
{
    earlierStart(settingsFile(), true);
    open();
    ASSERT_EQ(synthStarts.size(), 1u);
    window->setOptionsDialogHook([](OptionsDB& db) {
        auto* tab = db.findChild<SynthTab*>();
        ASSERT_TRUE(tab);
        db.tabs()->setCurrentWidget(tab);
        db.findChild<QDoubleSpinBox*>("synth_gain")->setValue(1.25);
        db.findChild<QCheckBox*>("synth_chorus")->setChecked(true);
        db.okButton()->click();
    });
    window->action("a_options")->trigger();
    EXPECT_EQ(Settings::value(Keys::Synth::gain), 125);
    EXPECT_TRUE(Settings::value(Keys::Synth::chorus));
    EXPECT_EQ(synthStarts.size(), 1u); // gain and chorus change live
    window->setOptionsDialogHook([](OptionsDB& db) {
        auto* tab = db.findChild<SynthTab*>();
        db.tabs()->setCurrentWidget(tab);
        auto* period = db.findChild<QComboBox*>("synth_period");
        period->setCurrentIndex(period->findData(128));
        emit period->activated(period->currentIndex());
        db.okButton()->click();
    });
    window->action("a_options")->trigger();
    EXPECT_EQ(Settings::value(Keys::Synth::period), 128);
    ASSERT_EQ(synthStarts.size(), 2u);
    EXPECT_EQ(synthStarts[1].period, 128);
    EXPECT_EQ(synthStarts[1].gain, 125);
}
} // namespace
