// The deck widget on the real sequencer: Listen plays the song to Midi
// Through, a master volume set at rest arrives with the session, closing
// the deck silences the output, and a held PC key rings its cluster once.

#include "enginefixture.h"

#include "app/appglobals.h"
#include "app/devicelists.h"
#include "app/playdialog.h"
#include "app/synthcontrol.h"
#include "app/topwidget.h"
#include "core/messages.h"
#include "core/settings.h"
#include "dialogs/trackdb.h"
#include "engine/decksession.h"
#include "engine/midithread.h"
#include "song/songloader.h"
#include "views/diagram.h"
#include "views/score.h"
#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>

namespace
{
// The sequencer's own ports are under test here, not the program's synthesizer.
struct NoBuiltinSynth {
    NoBuiltinSynth()
    {
        SynthControl::setStartHook([](const SynthOptions&) { return false; });
    }
    ~NoBuiltinSynth() { SynthControl::setStartHook(nullptr); }
};
} // namespace

namespace
{

class DeckAlsa : public EngineFixture
{
protected:
    void TearDown() override
    {
        deck.reset();
        theSong().clear();
        EngineFixture::TearDown();
    }
    PlayDialog& open(const SongPlan& songPlan)
    {
        plan = songPlan;
        EXPECT_TRUE(loadSongFromBytes(plan.bytes(), QStringLiteral("deck.mid")));
        deck = std::make_unique<PlayDialog>(&main, options, devices, QStringLiteral("deck.mid"),
                                            &mainWindow);
        return *deck;
    }
    size_t count(const std::function<bool(const CapturedEvent&)>& which)
    {
        return heard(which).size();
    }
    bool waitCount(const std::function<bool(const CapturedEvent&)>& which, size_t n)
    {
        return spinUntil([&] { return count(which) >= n; }, 10000);
    }

    QMainWindow main;
    std::unique_ptr<PlayDialog> deck;
};

const auto noteOn = [](const CapturedEvent& e) { return e.isNoteOn(); };

TEST_F(DeckAlsa, ListenPlaysAndClosingTheDeckSilencesTheOutput)
{
    PlayDialog& d = open({{noteRun(0, 240, 32, 0, 60)}});
    d.masterVolumeStep(-27); // no session yet: it waits for the next one
    main.findChild<QToolButton*>(QStringLiteral("tb_listen"))->click();
    ASSERT_TRUE(d.busy());
    ASSERT_TRUE(waitCount(noteOn, 4));
    d.score()->diagram()->grab(); // paints while the engine plays
    const Captured ons = heard(noteOn);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(ons[size_t(k)].note, 60 + k);
    const Captured volumes = heard([](const CapturedEvent& e) { return e.isController(7); });
    ASSERT_EQ(volumes.size(), 16u);
    for (const CapturedEvent& v : volumes) EXPECT_EQ(v.value, 100);

    forget();
    ASSERT_TRUE(d.closeDeck());
    EXPECT_FALSE(d.busy());
    EXPECT_TRUE(waitCount([](const CapturedEvent& e) { return e.isController(123); }, 16))
        << "all notes off on every channel";
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.texts().join('\n').toStdString();
}

TEST_F(DeckAlsa, AHeldPcKeyRingsItsClusterOnce)
{
    PlayDialog& d = open({{noteRun(0, 480, 8, 0, 60)}});
    TrackTables& t = d.model().tracks;
    t.keyboard[0] = 1;
    t.input[0] = &devices.pcKeyboard;
    t.zone[0] = Zone::Central; // the letter keys
    main.findChild<QToolButton*>(QStringLiteral("tb_listen"))->click();
    ASSERT_TRUE(spinUntil([&] { return d.session().thread()->isSessionRunning(); }, 10000));
    spinFor(300);
    forget();
    const auto key = [&](QEvent::Type type, bool repeat) {
        QKeyEvent e(type, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), repeat);
        QApplication::sendEvent(&d, &e);
        EXPECT_TRUE(e.isAccepted());
    };
    key(QEvent::KeyPress, false);
    for (int i = 0; i < 5; ++i) {
        spinFor(40);
        key(QEvent::KeyRelease, true);
        key(QEvent::KeyPress, true);
        d.score()->diagram()->grab(); // reads what the engine's ring marked played
    }
    spinFor(100);
    key(QEvent::KeyRelease, false);
    ASSERT_TRUE(waitCount([](const CapturedEvent& e) { return e.isNoteOff(); }, 1));
    spinFor(300);
    const Captured ons = heard(noteOn);
    ASSERT_EQ(ons.size(), 1u) << "the window system's repeats ring nothing";
    EXPECT_EQ(ons[0].note, 60);
    ASSERT_TRUE(d.closeDeck());
}
// The track dialog while a session plays: patches, a remap and ports.
using DeckAlsaTrackDialog = EngineFixture;

// Program changes on channel 3 (the free track's go to channel 1).
std::vector<int> programChanges(const Captured& heard)
{
    std::vector<int> out;
    for (const CapturedEvent& e : heard)
        if (e.type == SND_SEQ_EVENT_PGMCHANGE && e.channel == 2) out.push_back(e.value);
    return out;
}

TEST_F(DeckAlsaTrackDialog, PatchesReachTheTracksChannelAtStartAndAtOnce)
{
    SongTrack track = noteRun(0, 240, 64, 2, 60);
    track.messages.push_back({0, 0xC2, {10}}); // the song's own program
    ASSERT_TRUE(load(SongPlan{{track}}));
    TrackDB db(nullptr, deck, *session, 0);
    db.show();
    db.tabs()->setCurrentIndex(1);
    auto* patch = db.findChild<QListWidget*>(QStringLiteral("lb_patch"));
    patch->setCurrentRow(41);
    db.okButton()->click();
    // At the start and in place of the song's: program 40.
    ASSERT_TRUE(session->listen());
    ASSERT_TRUE(waitFor([](const Captured& c) { return c.size() > 0 && c.back().isNoteOn(); }));
    EXPECT_EQ(programChanges(heard()), std::vector<int>({40, 40}));

    forget();
    db.show();
    patch->setCurrentRow(0); // back to the song's
    patch->setCurrentRow(6);
    db.cancelButton()->click(); // back to 40
    ASSERT_TRUE(waitFor([](const Captured& c) { return programChanges(c).size() >= 3; }));
    EXPECT_EQ(programChanges(heard()), std::vector<int>({10, 5, 40}));
}

TEST_F(DeckAlsaTrackDialog, ARemapWhileAKeyIsHeldEndsItsNoteOnTheOldChannel)
{
    ASSERT_TRUE(load(SongPlan{{noteRun(0, 480, 8, 0, 60)}}, 100, 1, {0}));
    ASSERT_TRUE(begin());
    send({0x90, 40, 100});
    ASSERT_TRUE(waitNotes(1, 0));
    TrackDB db(nullptr, deck, *session, 0);
    db.show();
    db.tabs()->setCurrentIndex(1);
    db.findChild<QSpinBox*>(QStringLiteral("sb_channel"))->setValue(3);
    db.applyButton()->click();
    send({0x80, 40, 64});
    ASSERT_TRUE(waitNotes(1, 1));
    const Captured got = heard();
    const auto on = std::find_if(got.begin(), got.end(), [](auto& e) { return e.isNoteOn(); });
    const auto silenced = std::find_if(on, got.end(), [](auto& e) {
        return e.channel == 0 && (e.isController(123) || e.isNoteOff());
    });
    const auto off = std::find_if(on, got.end(), [](auto& e) { return e.isNoteOff(); });
    EXPECT_EQ(on->channel, 0);
    EXPECT_TRUE(silenced < off) << "channel 1 silenced before the release";
    EXPECT_EQ(off->channel, 2) << "the release follows the remap";
}

TEST_F(DeckAlsaTrackDialog, AnOutputMovedWhileListeningIsConnectedAndAFailureKeepsTheTrack)
{
    ASSERT_TRUE(load(SongPlan{{noteRun(0, 240, 64, 0, 60)}}));
    for (int client : {17, 99}) { // the second port does not exist
        devices.outputs.push_back(std::make_unique<OutputDevice>());
        devices.outputs.back()->client = client;
    }
    ASSERT_TRUE(begin());
    const int engine = findClient(kEngineClientName);
    const auto moveTo = [&](int d, const QString& port) {
        TrackDB db(nullptr, deck, *session, d);
        db.show();
        auto* output = db.findChild<QComboBox*>(QStringLiteral("cb_output"));
        output->setCurrentIndex(output->findText(port));
        db.okButton()->click();
    };
    moveTo(0, QStringLiteral("99:0 "));
    EXPECT_EQ(deck.tracks.output[0], &devices.defaultOutput);
    EXPECT_TRUE(messages.texts().join(' ').contains("Error connecting to output 99:0"));
    QCoreApplication::sendPostedEvents(&mainWindow);
    EXPECT_TRUE(mainWindow.failures.isEmpty()) << "the song stays open";
    EXPECT_EQ(mainWindow.rescans, 1) << "the window lists the ports as they are now";

    moveTo(0, QStringLiteral("17:0 "));
    EXPECT_EQ(deck.tracks.output[0], devices.outputs[1].get());
    const std::vector<int> connected{engine};
    EXPECT_EQ(subscribers(17, SND_SEQ_QUERY_SUBS_WRITE), connected);
    EXPECT_EQ(subscribers(kThroughClient, SND_SEQ_QUERY_SUBS_WRITE), connected)
        << "the free track still plays there";
    moveTo(1, QStringLiteral("17:0 "));
    EXPECT_TRUE(subscribers(kThroughClient, SND_SEQ_QUERY_SUBS_WRITE).empty());
    EXPECT_TRUE(session->active());
}

// A synthesizer that quits in the middle of a song: the session ends as
// ever, and the main window hears which port went, not a failure that
// would close the song.
TEST_F(DeckAlsaTrackDialog, AnOutputThatLeavesMidSongIsNamedWhenTheSessionEnds)
{
    snd_seq_t* synth = nullptr;
    ASSERT_EQ(snd_seq_open(&synth, "default", SND_SEQ_OPEN_DUPLEX, 0), 0);
    snd_seq_set_client_name(synth, "Leaving synth");
    const int port = snd_seq_create_simple_port(
        synth, "in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SYNTHESIZER);
    const int client = snd_seq_client_id(synth);
    ASSERT_TRUE(load(SongPlan{{noteRun(0, 240, 64, 0, 60)}}));
    devices.outputs.push_back(std::make_unique<OutputDevice>());
    devices.outputs.back()->client = client;
    devices.outputs.back()->port = port;
    deck.tracks.output[0] = devices.outputs.back().get();
    ASSERT_TRUE(begin());
    EXPECT_FALSE(subscribers(client, SND_SEQ_QUERY_SUBS_WRITE).empty());
    snd_seq_close(synth);
    spinFor(200);
    session->stop();
    ASSERT_TRUE(spinUntil([&] { return !session->active(); }, 5000));
    QCoreApplication::sendPostedEvents(&mainWindow);
    EXPECT_TRUE(mainWindow.failures.isEmpty()) << mainWindow.failures.join(' ').toStdString();
    EXPECT_EQ(mainWindow.gone, (std::vector<std::array<int, 3>>{{client, port, 1}}));
}
} // namespace

// A window of its own settings, with no synthesizer of its own starting.
class DeckAlsaDevices : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!QFile::exists(QStringLiteral("/dev/snd/seq")))
            GTEST_SKIP() << "no /dev/snd/seq here; run through tools/seqvm";
        Settings::resetForTests(dir.path(), QStringLiteral("en"));
    }
    void TearDown() override { Settings::close(); }

    QTemporaryDir dir;
    const NoBuiltinSynth noSynth;
    ScriptedMessageSink sink;
    ScopedMessageSink installed{&sink};
};

// The window's device lists against the bench's real ports: Midi Through
// 14:0 and the virtual keyboards 16:0..19:0, each both input and output.
TEST_F(DeckAlsaDevices, ListTheSequencersPorts)
{
    auto* window = new TopWidget;
    const auto addresses = [](const auto& list) {
        std::vector<std::pair<int, int>> out;
        for (const auto& d : list) out.emplace_back(d->client, d->port);
        return out;
    };
    const std::vector<std::pair<int, int>> expected{{14, 0}, {16, 0}, {17, 0}, {18, 0}, {19, 0}};
    EXPECT_EQ(addresses(window->devices().inputs), expected);
    EXPECT_EQ(addresses(window->devices().outputs), expected);
    EXPECT_EQ(window->devices().inputs[0]->clientName, QStringLiteral("Midi Through"));
    EXPECT_EQ(window->refreshDevices().inputs, 5); // a rescan finds the same
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(sink.shown.isEmpty()) << sink.texts().join(QLatin1Char('\n')).toStdString();
    delete window;
}

namespace
{
// The scans of the bench's ports with a few more inputs each time, as if
// keyboards came and went: the list grows while sessions start and end. None
// while the song opens: its free tracks would listen to ports that cannot be
// connected. The outputs are merged anew with each scan too.
int portBand = 0;
ScanResult withPassingPorts(ScanResult scan)
{
    for (int p = 0; p < 4 && portBand > 0; ++p)
        scan.ports.push_back(
            {100 + portBand, p, QStringLiteral("Tool %1").arg(portBand), QStringLiteral("Tool")});
    return scan;
}
} // namespace

// The engine walks the window's device lists as a session starts and as it
// ends; a rescan meanwhile (Ctrl+U, the launcher) must not move them under it.
// The sanitizer's run is what shows it.
TEST_F(DeckAlsaDevices, RescansWhileSessionsStartAndEndLeaveTheEngineItsLists)
{
    const QString path = dir.filePath(QStringLiteral("song.mid"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(SongPlan{{noteRun(0, 240, 64, 0, 60)}}.bytes());
    file.close();
    DeviceLists::setScanners([] { return withPassingPorts(scanInputPorts()); }, nullptr);
    auto window = std::make_unique<TopWidget>(path);
    ASSERT_TRUE(window->songOpen());
    DeckSession& session = window->deck()->session();
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(session.listen());
        ++portBand;
        window->refreshDevices(); // as the engine opens its client and begins
        ASSERT_TRUE(spinUntil([&] { return session.thread()->isSessionRunning(); }, 10000));
        spinFor(300);
        session.stop();
        ++portBand;
        window->refreshDevices(); // as it silences the outputs and closes
        ASSERT_TRUE(spinUntil([&] { return !session.active(); }, 10000));
    }
    EXPECT_EQ(window->devices().inputs.size(), 5u + 4u * 8u) << "the passing ports stay absent";
    DeviceLists::setScanners(nullptr, nullptr);
}

namespace
{
// Keyboards and synthesizers switched off and on under a window that follows
// the sequencer by itself: stand-ins of the test's own leave and come back
// under their names, with another client number.
class DeviceChanges : public EngineFixture
{
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Settings::resetForTests(dir.path(), QStringLiteral("en"));
        ASSERT_TRUE(synth.open() && keys.open());
    }
    void TearDown() override
    {
        if (window && window->songOpen() && window->deck()->session().active()) {
            window->deck()->session().stop();
            spinUntil([&] { return !window->deck()->session().active(); }, 10000);
        }
        window.reset();
        Settings::close();
        EngineFixture::TearDown();
    }
    // The window with a song whose tracks play to `output` and listen to the keys.
    void openWindow(const SongPlan& songPlan, int outputClient, int outputPort)
    {
        plan = songPlan;
        Settings::setValue(Keys::Midi::oclient, outputClient);
        Settings::setValue(Keys::Midi::oport, outputPort);
        Settings::setValue(Keys::Midi::iclient, keys.client());
        Settings::setValue(Keys::Midi::iport, keys.port());
        Settings::store().sync(); // not a first start, which would choose for itself
        const QString path = dir.filePath(QStringLiteral("song.mid"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(plan.bytes());
        file.close();
        window = std::make_unique<TopWidget>(path);
        ASSERT_TRUE(window->songOpen());
    }
    // Milliseconds until `done` holds, failing past five seconds.
    double msUntil(const std::function<bool()>& done)
    {
        const int64_t from = monotonicNs();
        EXPECT_TRUE(spinUntil(done, 5000));
        return msBetween(from, monotonicNs());
    }
    QString status() const { return window->statusBar()->currentMessage(); }
    TrackTables& tracks() { return window->deck()->model().tracks; }
    DeckSession& session() { return window->deck()->session(); }

    QTemporaryDir dir;
    const NoBuiltinSynth noSynth;
    StandIn synth{"Stand-in synth", "Stand-in synth port"};
    StandIn keys{"Stand-in keys", "Stand-in keys port"};
    std::unique_ptr<TopWidget> window;
};

TEST_F(DeviceChanges, TheListsFollowAClientThatComesAndGoes)
{
    window = std::make_unique<TopWidget>();
    const auto output = [&] { return window->devices().findOutput(synth.client(), synth.port()); };
    const auto present = [&] { return output() && !output()->absent; };
    ASSERT_TRUE(present()) << "found as the window starts";
    synth.close();
    EXPECT_LE(msUntil([&] { return output() && output()->absent; }), 500);
    synth.open();
    EXPECT_LE(msUntil(present), 500);
    EXPECT_EQ(output()->clientName, QStringLiteral("Stand-in synth"));

    // Records are kept however their devices come and go, with a song open too.
    openWindow(SongPlan{{noteRun(0, 480, 8, 0, 60)}}, synth.client(), synth.port());
    OutputDevice* record = output();
    InputDevice* keyboard = window->devices().findInput(keys.client(), keys.port());
    ASSERT_TRUE(record && keyboard);
    const InputDevice* in = tracks().input[0];
    const OutputDevice* out = tracks().output[0];
    ASSERT_TRUE(in && out);
    const int was = synth.client();
    synth.close();
    keys.close();
    EXPECT_LE(msUntil([&] { return record->absent && keyboard->absent; }), 500);
    EXPECT_TRUE(status().contains(QStringLiteral("has gone"))) << status().toStdString();
    ASSERT_TRUE(synth.open(true) && keys.open(true));
    ASSERT_NE(synth.client(), was) << "the stand-in should have come back under a new number";
    const double followed = msUntil([&] { return !record->absent && !keyboard->absent; });
    EXPECT_LE(followed, 500);
    std::printf("the lists followed a client back under a new number in %.0f ms\n", followed);
    EXPECT_EQ(std::make_pair(record->client, record->port),
              std::make_pair(synth.client(), synth.port()))
        << "the same record, at the new address";
    EXPECT_EQ(window->devices().findInput(keys.client(), keys.port()), keyboard);
    // The tracks play to the default devices, which follow.
    EXPECT_TRUE(in->sameAddress(keys.client(), keys.port()));
    EXPECT_TRUE(out->sameAddress(synth.client(), synth.port()));
    EXPECT_TRUE(status().contains(QStringLiteral("is back"))) << status().toStdString();
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.texts().join('\n').toStdString();
}

// A synthesizer switched off and on mid-song: nothing ends, and after it is
// back it gets the song's program and controllers and plays on in time.
TEST_F(DeviceChanges, ListenLosesItsOutputAndPlaysOnThroughItWhenItComesBack)
{
    SongTrack track = noteRun(0, 120, 96, 0, 60); // a note every 125 ms for 12 s
    track.messages = {{0, 0xC0, {5}}, {0, 0xB0, {MIDI_CTL_MSB_PAN, 20}}};
    openWindow(SongPlan{{track}}, synth.client(), synth.port());
    ASSERT_TRUE(session().listen());
    const auto noteOns = [&] {
        Captured ons;
        for (const CapturedEvent& e : synth.heard())
            if (e.isNoteOn()) ons.push_back(e);
        return ons;
    };
    ASSERT_TRUE(spinUntil([&] { return noteOns().size() >= 8; }, 10000));
    synth.close();
    spinFor(600);
    EXPECT_TRUE(session().active()) << "the session goes on without it";
    EXPECT_TRUE(status().contains(QStringLiteral("has gone"))) << status().toStdString();
    ASSERT_TRUE(synth.open(true));
    const int64_t back = monotonicNs();
    ASSERT_TRUE(spinUntil([&] { return !noteOns().empty(); }, 5000));
    EXPECT_LE(msBetween(back, monotonicNs()), 1000) << "sounding again within a second";
    ASSERT_TRUE(spinUntil([&] { return !session().active(); }, 20000)) << "the song ends";

    const Captured& heard = synth.heard();
    const auto firstNote = std::find_if(heard.begin(), heard.end(),
                                        [](const CapturedEvent& e) { return e.isNoteOn(); });
    const auto before = [&](const std::function<bool(const CapturedEvent&)>& which) {
        return std::any_of(heard.begin(), firstNote, which);
    };
    EXPECT_TRUE(before([](const CapturedEvent& e) {
        return e.type == SND_SEQ_EVENT_PGMCHANGE && e.channel == 0 && e.value == 5;
    })) << "the song's program";
    EXPECT_TRUE(before([](const CapturedEvent& e) {
        return e.isController(MIDI_CTL_MSB_PAN) && e.channel == 0 && e.value == 20;
    })) << "the song's controllers";
    EXPECT_TRUE(before([](const CapturedEvent& e) {
        return e.isController(MIDI_CTL_MSB_MAIN_VOLUME) && e.value == 127;
    })) << "the output's volume";

    // Each note at its song time: a (key, velocity) pair names its tick.
    const Captured ons = noteOns();
    ASSERT_GE(ons.size(), 40u);
    const auto tickOf = [&](const CapturedEvent& e) -> int64_t {
        for (const SongNote& n : track.notes)
            if (n.key == e.note && n.velocity == e.velocity) return n.tick;
        return -1;
    };
    // Against the song's times, from the notes' median offset: one late
    // first note must not make every other look early.
    std::vector<double> offsets;
    for (const CapturedEvent& e : ons) {
        const int64_t tick = tickOf(e);
        ASSERT_GE(tick, 8 * 120) << "a note from before the loss was played again: " << e.note;
        offsets.push_back(double(e.ns) / 1e6 - plan.msAt(uint64_t(tick)));
    }
    std::vector<double> sorted = offsets;
    std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2),
                     sorted.end());
    const double median = sorted[sorted.size() / 2];
    double worst = 0;
    for (double o : offsets) worst = std::max(worst, std::abs(o - median));
    EXPECT_LE(worst, kToleranceMs) << "onset error after the synthesizer came back";
    std::map<int, int> sounding;
    for (const CapturedEvent& e : heard) {
        if (e.isNoteOn()) ++sounding[e.note];
        if (e.isNoteOff() && sounding[e.note] > 0) --sounding[e.note];
    }
    for (const auto& [note, count] : sounding) EXPECT_EQ(count, 0) << "note " << note << " hangs";
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.texts().join('\n').toStdString();
    std::printf("back after the loss: %zu notes, worst onset error %.2f ms\n", ons.size(), worst);
}

// A keyboard unplugged with a key down and plugged in again: what the key
// rang ends, and its keys ring the next clusters once it is back.
TEST_F(DeviceChanges, AKeyboardUnpluggedMidSongEndsItsNotesAndRingsOnWhenBack)
{
    openWindow(SongPlan{{noteRun(0, 480, 16, 0, 60, 240)}}, kThroughClient, 0);
    tracks().keyboard[0] = 1;
    ASSERT_TRUE(session().listen());
    ASSERT_TRUE(spinUntil([&] { return session().thread()->isSessionRunning(); }, 10000));
    spinFor(300);
    forget();
    keys.note(40, 100);
    ASSERT_TRUE(waitNotes(1, 0));
    EXPECT_EQ(notes(true)[0].note, 60);
    keys.close();
    EXPECT_TRUE(waitNotes(1, 1)) << "the held key's note ends with its keyboard";
    ASSERT_TRUE(keys.open(true));
    ASSERT_TRUE(spinUntil(
        [&] { return tracks().input[0]->client == keys.client() && !tracks().input[0]->absent; },
        1000));
    spinFor(100);
    keys.note(41, 100);
    ASSERT_TRUE(waitNotes(2, 1));
    EXPECT_EQ(notes(true)[1].note, 61) << "the next cluster";
    keys.note(41, 0);
    EXPECT_TRUE(waitNotes(2, 2));
    EXPECT_TRUE(session().active());
    session().stop();
    ASSERT_TRUE(spinUntil([&] { return !session().active(); }, 10000));
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.texts().join('\n').toStdString();
}
} // namespace
