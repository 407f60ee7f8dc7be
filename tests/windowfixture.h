#pragma once

// The main window with fake sequencer ports, a scripted message sink and
// settings in a temporary folder.

#include "app/appglobals.h"
#include "app/devicelists.h"
#include "app/launcher.h"
#include "app/synthcontrol.h"
#include "app/topwidget.h"
#include "core/messages.h"
#include "smfbuilder.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>

inline std::vector<PortInfo> fakeInputs;
inline std::vector<PortInfo> fakeOutputs;
inline bool sequencerMissing = false;

inline ScanResult fakeScan(const std::vector<PortInfo>& ports)
{
    ScanResult r;
    r.ok = !sequencerMissing;
    if (r.ok)
        r.ports = ports;
    else
        r.error = QStringLiteral("Error opening ALSA sequencer: No such file or directory");
    return r;
}

class Window : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Settings::resetForTests(dir.path(), QStringLiteral("en"));
        // The practice journal too stays in the test's folder.
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
        DeviceLists::setScanners([] { return fakeScan(fakeInputs); },
                                 [] { return fakeScan(fakeOutputs); });
        fakeInputs = {{16, 0, "Virtual Raw MIDI 1-0", "VirMIDI 1-0"}};
        fakeOutputs = {{14, 0, "Midi Through", "Midi Through Port-0"},
                       {128, 0, "Synth", "Synth input"}};
        sequencerMissing = false;
        Launcher::setDialogHook([](HistDialog&) { return false; }); // no launcher unless asked
        synthStarts.clear();
        SynthControl::setStartHook([this](const SynthOptions& o) {
            synthStarts.push_back(o);
            return false;
        });
        // The command line: a song with a Latin-1 lyric, and a file that is not MIDI.
        static const std::string song = writeTempFile(smfFile(
            0, 96, {TrackBuilder().text(0, 5, "Caf\xe9 ").on(0, 0, 60, 100).off(96, 0, 60).end()}));
        static const std::string text = writeTempFile("just text\n", ".txt");
        App::arguments = QStringList{QStringLiteral("clavion"), QString::fromStdString(song),
                                     QString::fromStdString(text)};
    }
    void TearDown() override
    {
        if (window) window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        DeviceLists::setScanners(nullptr, nullptr);
        Launcher::setDialogHook(nullptr);
        SynthControl::setStartHook(nullptr);
        Settings::close();
    }
    TopWidget* open(int fileArgument = 0)
    {
        window = new TopWidget(fileArgument > 0 ? App::arguments[fileArgument] : QString());
        window->show();
        return window;
    }
    // 32 quarter notes at 120 bpm in 4/4: eight measures to play and loop.
    TopWidget* openMelody()
    {
        TrackBuilder conductor, melody;
        conductor.tempo(0, 500000).timeSig(0, 4, 2).end();
        for (int i = 0; i < 32; ++i) melody.on(0, 0, 60 + i % 12, 90).off(96, 0, 60 + i % 12);
        App::arguments[1] =
            QString::fromStdString(writeTempFile(smfFile(1, 96, {conductor, melody.end()})));
        return open(1);
    }
    std::set<QString> enabledActions() const
    {
        std::set<QString> names;
        for (QAction* a : window->findChildren<QAction*>())
            if (a->isEnabled() && a->objectName().startsWith(QLatin1String("a_")))
                names.insert(a->objectName());
        return names;
    }
    QVariant stored(const char* key) const
    {
        return QSettings(settingsFile(), QSettings::IniFormat).value(key);
    }
    QString settingsFile() const { return Settings::store().fileName(); }

    QTemporaryDir dir;
    ScriptedMessageSink sink;
    ScopedMessageSink installed{&sink};
    QPointer<TopWidget> window;
    std::vector<SynthOptions> synthStarts; // what the built-in synthesizer was started with
};
