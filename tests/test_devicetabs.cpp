// The Options dialog's device tabs: what Apply, Cancel and the close button
// leave in the device records, the engine's previews, refusals, and what a
// restart reads back.

#include "app/playdialog.h"
#include "core/settings.h"
#include "dialogs/devicetabs.h"
#include "dialogs/trackdb.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>

namespace
{

struct Volume {
    int client;
    int volume;
    bool operator==(const Volume& o) const { return client == o.client && volume == o.volume; }
};

template <typename T> T* child(QWidget* tab, const char* name)
{
    T* w = tab->findChild<T*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Chooses the entry of a device list that starts with `prefix`, as a user would.
void choose(QComboBox* box, const char* prefix)
{
    const int i = box->findText(QLatin1String(prefix), Qt::MatchStartsWith);
    ASSERT_GE(i, 0) << prefix;
    box->setCurrentIndex(i);
    emit box->activated(i);
}

// The dialog on records of its own, with hooks that count what reaches the window.
struct DeviceTabs : ::testing::Test {
    void SetUp() override
    {
        Settings::resetForTests(dir.path(), QStringLiteral("en"));
        for (int c : {20, 21}) {
            devices.inputs.push_back(std::make_unique<InputDevice>());
            devices.inputs.back()->client = c;
            devices.inputs.back()->portName = QStringLiteral("Keys %1").arg(c);
        }
        for (int c : {128, 129}) {
            devices.outputs.push_back(std::make_unique<OutputDevice>());
            devices.outputs.back()->client = c;
            devices.outputs.back()->portName = QStringLiteral("Synth %1").arg(c);
        }
        devices.defaultInput.client = 20;
        devices.defaultOutput.client = 128;
        hooks.songOpen = [this] { return songOpen; };
        hooks.sessionActive = [this] { return sessionActive; };
        hooks.sendVolume = [this](const OutputDevice& out, int v) {
            sent.push_back({out.client, v});
            return sessionActive;
        };
        hooks.rebuildKeyboards = [this](bool, bool) { ++rebuilds; };
    }
    void TearDown() override { Settings::close(); }
    QWidget* open(int tab)
    {
        db = std::make_unique<OptionsDB>(nullptr, options, devices, hooks, &lastTab);
        db->show();
        db->tabs()->setCurrentIndex(tab);
        return db->tabs()->currentWidget();
    }

    QTemporaryDir dir;
    ScriptedMessageSink sink;
    ScopedMessageSink installed{&sink};
    LiveOptions options;
    DeviceSet devices;
    OptionsHooks hooks;
    bool songOpen = false;
    bool sessionActive = false;
    std::vector<Volume> sent;
    int rebuilds = 0;
    int lastTab = 0;
    std::unique_ptr<OptionsDB> db;
};

TEST_F(DeviceTabs, VolumePreviewApplyAndCancel)
{
    sessionActive = true;
    QWidget* tab = open(1);
    auto* volume = child<QSlider>(tab, "sl_volume");
    choose(child<QComboBox>(tab, "cb_output"), "129:0");
    volume->setValue(90);
    db->cancelButton()->click();
    EXPECT_EQ(sent, (std::vector<Volume>{{129, 90}, {129, 127}})) << "Cancel sends the old volume";
    EXPECT_EQ(devices.outputs[1]->volume, 127);

    // Apply then Cancel keeps what was applied; Escape undoes the rest.
    sent.clear();
    tab = open(1);
    volume = child<QSlider>(tab, "sl_volume");
    volume->setValue(80);
    db->applyButton()->click();
    volume->setValue(60);
    QTest::keyClick(db.get(), Qt::Key_Escape);
    EXPECT_EQ(sent, (std::vector<Volume>{{128, 80}, {128, 80}, {128, 60}, {128, 80}}));
    EXPECT_EQ(devices.outputs[0]->volume, 80);
    EXPECT_EQ(lastTab, 1) << "the next dialog opens on this tab";

    // No session: the dialog says when the volume will be heard.
    sessionActive = false;
    tab = open(1);
    child<QSlider>(tab, "sl_volume")->setValue(70);
    EXPECT_TRUE(child<QLabel>(tab, "lb_volumenote")->isVisibleTo(tab));

    // The default volume sounds nowhere now: applied, it is what a new instrument gets.
    sent.clear();
    tab = open(0);
    child<QSlider>(tab, "sl_volume")->setValue(100);
    db->applyButton()->click();
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(devices.defaultOutput.volume, 100);
    OutputDevice arrived;
    arrived.client = 130;
    Settings::loadOutputDevice(arrived, devices.defaultOutput);
    EXPECT_EQ(arrived.volume, 100);
}

TEST_F(DeviceTabs, KeyLimitsIgnoreNotesAndVanishedDevices)
{
    songOpen = true;
    QWidget* tab = open(1);
    choose(child<QComboBox>(tab, "cb_input"), "21:0");
    child<QCheckBox>(tab, "cb_kbenablesplit")->setChecked(true);
    child<QSpinBox>(tab, "sb_lowkey")->setValue(70);
    child<QSpinBox>(tab, "sb_highkey")->setValue(60);
    child<QCheckBox>(tab, "cb_ignoreInput")->setChecked(true);
    child<QCheckBox>(tab, "cb_ibck")->setChecked(false);
    db->applyButton()->click();
    const InputDevice& in = *devices.inputs[1];
    EXPECT_TRUE(in.kbenablesplit);
    EXPECT_EQ(std::make_pair(in.lowkey, in.highkey), std::make_pair(64, 103));
    EXPECT_TRUE(in.ignoreInput);
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(sink.texts(), (QStringList{"Incorrect values discarded for high key / low key limits",
                                         "To remove access to the disallowed input device, you’ll "
                                         "have to reload the current sequence."}));
    EXPECT_EQ(sink.shown[1].title, QStringLiteral("Clavion - Information"));

    // Equal keys are kept: the central zone is then empty.
    child<QSpinBox>(tab, "sb_lowkey")->setValue(60);
    child<QSpinBox>(tab, "sb_highkey")->setValue(60);
    child<QCheckBox>(tab, "cb_itradk")->toggle();
    db->applyButton()->click();
    EXPECT_EQ(std::make_pair(in.lowkey, in.highkey), std::make_pair(60, 60));

    // The chosen device goes away while the dialog is open: nothing is
    // applied and OK leaves the dialog open.
    sink.shown.clear();
    child<QCheckBox>(tab, "cb_tempoleader")->setChecked(true);
    child<QCheckBox>(tab, "cb_ignoreOutput")->setChecked(true);
    devices.inputs.pop_back();
    db->okButton()->click();
    EXPECT_TRUE(db->isVisible());
    EXPECT_FALSE(db->okButton()->isHidden());
    ASSERT_EQ(sink.texts().size(), 1);
    EXPECT_TRUE(sink.texts()[0].contains("no longer on the sequencer"));
    EXPECT_FALSE(devices.outputs[0]->ignoreOutput);
}

TEST_F(DeviceTabs, DefaultPortsMoveOnlyBetweenSessions)
{
    QWidget* tab = open(0);
    EXPECT_EQ(db->windowTitle(), QLatin1String("Clavion - Configuration"));
    EXPECT_EQ(db->tabs()->tabText(0) + db->tabs()->tabText(1), "Default I/ODevices setup");
    auto* output = child<QComboBox>(tab, "cb_output");
    EXPECT_EQ(output->currentText(), QLatin1String("128:0 Synth 128"));
    sessionActive = true;
    choose(output, "129:0");
    db->applyButton()->click();
    EXPECT_EQ(devices.defaultOutput.client, 128) << "refused while the song plays";
    ASSERT_EQ(sink.texts().size(), 1);
    sessionActive = false;
    db->applyButton()->click();
    EXPECT_EQ(devices.defaultOutput.client, 129);
    EXPECT_EQ(Settings::value(Keys::Midi::oclient), 129);
    EXPECT_TRUE(db->okButton()->isHidden()) << "clean after Apply";
}

using DeviceTabsWindow = Window;

// The whole way through the window: the File menu's command, Apply, and a
// second start that reads the records back.
TEST_F(DeviceTabsWindow, OptionsDeviceSetupSurvivesARestart)
{
    open();
    sink.shown.clear();
    window->setOptionsDialogHook([](OptionsDB& db) {
        db.show();
        db.tabs()->setCurrentIndex(1);
        QWidget* tab = db.tabs()->currentWidget();
        choose(child<QComboBox>(tab, "cb_input"), "16:0");
        child<QCheckBox>(tab, "cb_kbenablesplit")->setChecked(true);
        child<QSpinBox>(tab, "sb_lowkey")->setValue(48);
        child<QSpinBox>(tab, "sb_highkey")->setValue(72);
        child<QRadioButton>(tab, "rb_lead3")->click();
        choose(child<QComboBox>(tab, "cb_output"), "128:0");
        child<QCheckBox>(tab, "cb_otradk")->setChecked(false);
        db.okButton()->click();
    });
    window->action("a_options")->trigger();
    EXPECT_TRUE(sink.texts().isEmpty()) << sink.texts().join('\n').toStdString();
    window->close();
    Settings::close();
    Settings::resetForTests(dir.path(), QStringLiteral("en"));

    open();
    const InputDevice* in = window->devices().findInput(16, 0);
    ASSERT_NE(in, nullptr);
    EXPECT_TRUE(in->kbenablesplit);
    EXPECT_EQ(std::make_tuple(in->lowkey, in->highkey, in->leadzone),
              std::make_tuple(48, 72, Zone::High));
    EXPECT_FALSE(window->devices().findOutput(128, 0)->otradk);
}

// Ports come and go while a dialog is open: its lists follow the sequencer,
// what the user chose or edits stays, and a chosen port that went stays shown.
TEST_F(DeviceTabsWindow, OpenDialogsFollowTheSequencer)
{
    const struct {
        const char* tab;
        const char* choose; // an output the user picks first, if any
        bool edit;          // a field edited and not applied
        const char* shownOutput;
    } cases[] = {
        {"miditab", nullptr, false, "128:0 Synth input"},
        {"miditab", "14:0", false, "14:0 Midi Through Port-0"},
        {"inouttab", "128:0", true, "128:0 Synth input"},
        {"inouttab", "14:0", true, "14:0 Midi Through Port-0"},
        {"trackmiditab", nullptr, false, "128:0 Synth input"},
        {"trackmiditab", "14:0", false, "14:0 Midi Through Port-0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.tab) + " " + (c.choose ? c.choose : "-"));
        const bool track = QLatin1String(c.tab) == QLatin1String("trackmiditab");
        fakeInputs = {{16, 0, "Virtual Raw MIDI 1-0", "VirMIDI 1-0"}};
        fakeOutputs = {{14, 0, "Midi Through", "Midi Through Port-0"},
                       {128, 0, "Synth", "Synth input"}};
        open(track ? 1 : 0);
        bool ran = false, appliedOtradk = false;
        auto body = [&](OptioDB& db) {
            ran = true;
            db.tabs()->setCurrentWidget(db.findChild<QWidget*>(QLatin1String(c.tab)));
            auto* tab = qobject_cast<OptionsTab*>(db.tabs()->currentWidget());
            ASSERT_NE(tab, nullptr);
            auto* input = child<QComboBox>(tab, "cb_input");
            auto* output = child<QComboBox>(tab, "cb_output");
            if (c.choose) choose(output, c.choose);
            QCheckBox* edited = c.edit ? child<QCheckBox>(tab, "cb_otradk") : nullptr;
            if (edited) edited->toggle();
            const bool editedTo = edited && edited->isChecked();
            const bool dirty = tab->isDirty();

            // A keyboard is plugged in, a synthesizer starts and the one in use quits.
            fakeInputs.push_back({20, 0, "Keys", "Keys port"});
            fakeOutputs = {fakeOutputs[0], {130, 0, "New synth", "New synth port"}};
            window->refreshDevices();
            EXPECT_GE(input->findText("20:0 Keys port"), 0);
            EXPECT_GE(output->findText("130:0 New synth port"), 0);
            EXPECT_EQ(input->currentText(), "16:0 VirMIDI 1-0");
            EXPECT_EQ(output->currentText(), c.shownOutput);
            EXPECT_EQ(output->findText("128:0 Synth input") >= 0,
                      std::string(c.shownOutput).rfind("128:0", 0) == 0);
            EXPECT_EQ(tab->isDirty(), dirty);
            EXPECT_EQ(edited && edited->isChecked(), editedTo) << "the edit stays";

            // The new port is there to be chosen and set up.
            choose(output, "130:0");
            if (edited) {
                edited->toggle();
                appliedOtradk = edited->isChecked();
            }
            db.applyButton()->click();
            db.reject();
        };
        if (track) {
            QTimer::singleShot(0, [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* db = qobject_cast<TrackDB*>(w); db && db->isVisible()) body(*db);
            });
            window->findChild<QPushButton*>("conf1")->click();
        } else {
            window->setOptionsDialogHook([&](OptionsDB& db) {
                db.show();
                body(db);
            });
            window->action("a_options")->trigger();
        }
        EXPECT_TRUE(ran);
        EXPECT_TRUE(sink.texts().isEmpty()) << sink.texts().join('\n').toStdString();
        const OutputDevice* chosen = window->devices().findOutput(130, 0);
        ASSERT_NE(chosen, nullptr);
        if (track)
            EXPECT_EQ(window->deck()->model().tracks.output[0], chosen);
        else if (QLatin1String(c.tab) == QLatin1String("miditab"))
            EXPECT_EQ(window->devices().defaultOutput.client, 130);
        else
            EXPECT_EQ(chosen->otradk, appliedOtradk) << "applied to the new port";
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace
