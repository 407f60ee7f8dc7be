#include "app/playdialog.h"

#include "app/loopcontrols.h"
#include "app/quicksettings.h"
#include "core/devices.h"
#include "core/events.h"
#include "core/messages.h"
#include "core/settings.h"
#include "dialogs/trackdb.h"
#include "engine/decksession.h"
#include "engine/midithread.h"
#include "panes/cleanwidgets.h"
#include "song/preparation.h"
#include "song/songnames.h"
#include "views/diagram.h"
#include "views/score.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cstdio>
#include <exception>
#include <mutex>

namespace
{
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(playdialog)
};

// A button's new text would replace its shortcut with the text's mnemonic.
void setLabel(QToolButton* button, const QString& label)
{
    const QKeySequence keys = button->shortcut();
    button->setText(label);
    button->setShortcut(keys);
}
} // namespace

PlayDialog::PlayDialog(QMainWindow* main, LiveOptions& options, DeviceSet& devices,
                       const QString& path, QObject* mainReceiver)
    : main_(main), options_(options), mainReceiver_(mainReceiver), path_(path),
      model_(std::make_unique<DeckModel>(theSong(), devices))
{
    setObjectName(QStringLiteral("playdialog"));
    setFocusPolicy(Qt::StrongFocus);
    model_->fileName = QFileInfo(path).fileName();
    model_->actionChanged = [this](DeckAction a, bool on) { emit actionChanged(a, on); };
    model_->resizeRequested = [this] {
        if (mainReceiver_)
            postEvent(mainReceiver_,
                      new MessageEvent(ResizeRequestEvent, QLatin1String(kResizeRequestText)));
    };
    PrepareOptions prepare;
    prepare.msTol = uint32_t(options.ms_tol.load());
    prepare.zoom = options.pix4mc;
    prepareSong(*model_, prepare); // under the model's mutex
    session_ = std::make_unique<DeckSession>(*model_, options, mainReceiver);
    connect(session_.get(), &DeckSession::sessionStarted, this, &PlayDialog::sessionStarted);
    connect(session_.get(), &DeckSession::sessionFinished, this, &PlayDialog::sessionFinished);
    connect(session_.get(), &DeckSession::beatReached, this, [this](int beat) {
        const QSignalBlocker quiet(score_->slider());
        score_->slider()->setValue(beat);
        showBeat(beat);
    });
    connect(session_.get(), &DeckSession::tempoChanged, this, &PlayDialog::showTempo);
    connect(session_.get(), &DeckSession::loopRestarted, this, &PlayDialog::showPosition);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    score_ = new Score(*model_, options, this, this);
    column->addWidget(score_);
    score_->hooks.pcKey = [this](QKeyEvent* e, bool pressed) { return pcKey(e, pressed); };
    score_->hooks.masterVolumeStep = [this](int step) { masterVolumeStep(step); };
    score_->hooks.selectionChanged = [this](int, int) { reportSelection(); };
    // Modal: the track tables stay as they are while the dialog edits them.
    score_->hooks.configureTrack = [this](int d) {
        TrackDB dialog(this, *model_, *session_, d);
        dialog.exec();
    };
    ScoreSlider* slider = score_->slider();
    connect(slider, &QSlider::valueChanged, this, &PlayDialog::setCurrentBeat);
    connect(slider, &QSlider::sliderMoved, this, &PlayDialog::setCurrentBeat);
    connect(session_.get(), &DeckSession::clockStepped, score_, &Score::advancePosition);
    connect(session_.get(), &DeckSession::repaintRequested, score_->diagram(),
            qOverload<>(&QWidget::update));
    // Track edits change the rows: the strip follows before anything repaints.
    const auto resize = model_->resizeRequested;
    connect(score_, &Score::rowsChanged, this, resize);
    const auto tracksChanged = [this] {
        score_->syncRows();
        postEvent(this, new QEvent(eventType(RecordButtonCheckEvent)));
    };
    model_->viewsChanged = tracksChanged;
    model_->resizeRequested = [tracksChanged, resize] { tracksChanged(), resize(); };
    recordable_ = model_->recordable();

    quick_ = new QuickSettings;
    setQuietly(quick_->tolerance, int(model_->timing.ms_tol));
    setQuietly(quick_->boost, model_->timing.tempoBoost);
    setQuietly(quick_->zoom, int(4 * model_->timing.pix4mc));
    for (CleanSpin* box : {quick_->tolerance, quick_->boost, quick_->zoom})
        box->setKeyboardTracking(false); // "150" is not 1, then 15, then 150
    setQuietly(quick_->metRecord, options.metronomeRecord);
    setQuietly(quick_->metPlay, options.metronomePlay);
    setQuietly(quick_->tempoAdapt, options.tempoadapt);
    setQuietly(quick_->allTracks, score_->allTracks());
    connect(quick_->tolerance, qOverload<int>(&QSpinBox::valueChanged), this, &PlayDialog::setTol);
    connect(quick_->boost, qOverload<int>(&QSpinBox::valueChanged), this,
            &PlayDialog::setTempoboost);
    connect(quick_->zoom, qOverload<int>(&QSpinBox::valueChanged), this, &PlayDialog::setPix4mc);
    connect(quick_->metRecord, &QCheckBox::toggled, this, &PlayDialog::setMetRecord);
    connect(quick_->metPlay, &QCheckBox::toggled, this, &PlayDialog::setMetPlay);
    connect(quick_->allTracks, &QCheckBox::toggled, this, &PlayDialog::setQAllTracks);
    connect(quick_->tempoAdapt, &QCheckBox::toggled, this, &PlayDialog::setTempoAdapt);
    quickDock_ = addDock("dw_quickset", QT_TRANSLATE_NOOP("playdialog", "Quick settings"), quick_);
    if (auto* songtools = main_->findChild<QToolBar*>(QStringLiteral("songtools")))
        songtools->addActions({quick_->slower, quick_->faster, quick_->narrower, quick_->wider});
    buildDeckDock();
    showTempo();
    showBeat(model_->currentBeat);
    showTransport();
}

PlayDialog::~PlayDialog()
{
    // The session ends (and silences its outputs) before the model goes.
    session_.reset();
    delete score_; // it reads the model to its end
    delete quickDock_;
    delete deckDock_;
}

QDockWidget* PlayDialog::addDock(const char* name, const char* title, QWidget* contents)
{
    QMainWindow* main = main_;
    auto* dock = new CleanDock(main, QLatin1String(name), [main] {
        if (main->metaObject()->indexOfMethod("neatShrink()") >= 0)
            QMetaObject::invokeMethod(main, "neatShrink");
    });
    dock->setWindowTitle(Texts::tr(title));
    dock->setWidget(contents);
    main->addDockWidget(Qt::TopDockWidgetArea, dock);
    return dock;
}

void PlayDialog::buildDeckDock()
{
    auto* box = new QGroupBox;
    box->setObjectName(QStringLiteral("gb_deck"));
    auto* column = new QVBoxLayout(box);
    auto* row = new QHBoxLayout;
    column->addLayout(row);
    const auto button = [&](const char* name, const char* icon, const char* keys, const char* tip,
                            void (PlayDialog::*slot)()) {
        auto* b = new QToolButton(box);
        b->setObjectName(QLatin1String(name));
        b->setIcon(QIcon(QLatin1String(icon)));
        b->setShortcut(QKeySequence(QLatin1String(keys)));
        b->setToolTip(Texts::tr(tip));
        b->setFocusPolicy(Qt::NoFocus); // keys belong to the deck while playing
        connect(b, &QToolButton::clicked, this, slot);
        row->addWidget(b);
        return b;
    };
    rewind_ =
        button("tb_rewind", ":/tb_tobeginning.xpm", "Ctrl+Home",
               QT_TRANSLATE_NOOP("playdialog", "Rewind song (CTRL+HOME)"), &PlayDialog::doRewind);
    pause_ = button("tb_pause", ":/tb_pause.xpm", "Ctrl+F2",
                    QT_TRANSLATE_NOOP("playdialog", "Pause song (CTRL+F2)"), &PlayDialog::doPause);
    record_ = button("tb_record", ":/tb_record.xpm", "Ctrl+Shift+Space",
                     QT_TRANSLATE_NOOP("playdialog", "Start recording (CTRL+SHIFT+Space)"),
                     &PlayDialog::record_or_stop);
    listen_ = button("tb_listen", ":/tb_listen.xpm", "Ctrl+Space",
                     QT_TRANSLATE_NOOP("playdialog", "Start listening (CTRL+Space)"),
                     &PlayDialog::listen_or_stop);
    column->addWidget(new LoopControls(*model_, options_, score_, box));
    deckDock_ = addDock("dw_deck", QT_TRANSLATE_NOOP("playdialog", "Deck"), box);
}

bool PlayDialog::busy() const
{
    return session_->active();
}

void PlayDialog::showTransport()
{
    const bool active = busy();
    const bool recording = active && model_->recording.load();
    const bool paused = active && model_->pauseFlag.load();
    const bool listening = active && !recording;
    listen_->setIcon(QIcon(QLatin1String(listening ? ":/tb_stop.xpm" : ":/tb_listen.xpm")));
    setLabel(listen_, listening ? Texts::tr("Stop") : Texts::tr("Listen"));
    listen_->setToolTip(listening ? Texts::tr("Stop listening (CTRL+Space)")
                                  : Texts::tr("Start listening (CTRL+Space)"));
    record_->setIcon(QIcon(QLatin1String(recording ? ":/tb_stop.xpm" : ":/tb_record.xpm")));
    setLabel(record_, recording ? Texts::tr("Stop") : Texts::tr("Record"));
    record_->setToolTip(recording ? Texts::tr("Stop recording (CTRL+SHIFT+Space)")
                                  : Texts::tr("Start recording (CTRL+SHIFT+Space)"));
    // A session is stopped by its own button; a pause holds both.
    listen_->setEnabled(!paused && !recording);
    record_->setEnabled(!paused && !listening && (recording || recordable_));
    pause_->setEnabled(active);
    // The engine keeps its own cursors while it plays.
    score_->slider()->setEnabled(!active);
}

void PlayDialog::showTempo()
{
    setQuietly(quick_->boost, model_->timing.tempoBoost);
    setQuietly(quick_->tempo, session_->shownTempo());
}

void PlayDialog::showBeat(int n)
{
    const int temps = std::max(1, model_->timing.temps);
    const int measure = (n - 1) / temps + 1;
    const int beat = (n - 1) % temps + 1;
    quick_->beat->setText(QString::asprintf(temps < 10 ? "%03d:%01d" : "%03d:%02d", measure, beat));
}

void PlayDialog::setTol(int ms)
{
    {
        std::lock_guard<std::mutex> lock(model_->mutex);
        model_->setMsTol(uint32_t(std::max(0, ms)));
        // At the tempo now playing, as the boost computes it.
        TimingParams& p = model_->timing;
        p.tick_tol = p.toleranceTicks(session_->effectiveTempo());
    }
    setQuietly(quick_->tolerance, ms);
    score_->diagram()->update();
}

void PlayDialog::setTempoboost(int boost)
{
    if (boost <= 0) return;
    // The session sets the queue's tempo too, through the engine's own client.
    if (boost != model_->timing.tempoBoost) session_->setTempoBoost(boost);
    showTempo();
    score_->diagram()->update(); // clusters span more or fewer notes
}

void PlayDialog::setPix4mc(int zoom)
{
    {
        std::lock_guard<std::mutex> lock(model_->mutex);
        model_->setZoom(zoom);
    }
    setQuietly(quick_->zoom, zoom);
    score_->diagram()->update();
}

void PlayDialog::setMetPlay(bool on)
{
    options_.metronomePlay = on; // the engine looks at the next measure
    setQuietly(quick_->metPlay, on);
}

void PlayDialog::setMetRecord(bool on)
{
    options_.metronomeRecord = on;
    setQuietly(quick_->metRecord, on);
}

void PlayDialog::setQAllTracks(bool on)
{
    score_->setAllTracks(on);
    setQuietly(quick_->allTracks, on);
    if (model_->resizeRequested) model_->resizeRequested();
}

void PlayDialog::toggleQAllTracks()
{
    setQAllTracks(!score_->allTracks());
}

void PlayDialog::setTempoAdapt(bool on)
{
    options_.tempoadapt = on; // read live by the engine
    setQuietly(quick_->tempoAdapt, on);
    score_->refreshRows();
}

void PlayDialog::toggleTempoAdapt()
{
    setTempoAdapt(!options_.tempoadapt);
}

void PlayDialog::setCurrentBeat(int n)
{
    n = qBound(1, n, std::max(1, model_->beats));
    showBeat(n);
    // A dragged slider shows where it would go; its release moves there.
    if (score_->slider()->isSliderDown()) return;
    {
        std::lock_guard<std::mutex> lock(model_->mutex);
        model_->currentBeat = n;
        model_->repositionCursors();
    }
    score_->setPosition(uint64_t(n - 1) * uint64_t(std::max(0, model_->timing.tick4beat)));
    const QSignalBlocker quiet(score_->slider());
    score_->slider()->setValue(n);
}

void PlayDialog::showPosition()
{
    const int n = model_->currentBeat;
    score_->setPosition(uint64_t(std::max(0, n - 1)) *
                        uint64_t(std::max(0, model_->timing.tick4beat)));
    const QSignalBlocker quiet(score_->slider());
    score_->slider()->setValue(n);
    showBeat(n);
}

void PlayDialog::doRewind()
{
    setCurrentBeat(1);
    setTempoboost(100);
}

void PlayDialog::doPause()
{
    // While paused the engine drops the player's new notes.
    if (!busy() || !session_->setPaused(!model_->pauseFlag.load())) return;
    showTransport();
}

void PlayDialog::listen_or_stop()
{
    startOrStop(false);
}

void PlayDialog::record_or_stop()
{
    startOrStop(true);
}

void PlayDialog::startOrStop(bool recording)
{
    if (busy()) {
        main_->statusBar()->showMessage(recording
                                            ? Texts::tr("Shutting down the recording session.")
                                            : Texts::tr("Shutting down the playing session."),
                                        1000);
        session_->stop(); // the engine's "finished" completes the stop
        return;
    }
    if (recording && !recordable_) return;
    if (!prepareListen(recording)) return;
    showTransport();
    showTempo(); // a stepped-up loop starts slower
    reportSelection();
    score_->diagram()->setFocus(); // the PC keyboard plays here
}

bool PlayDialog::prepareListen(bool recording)
{
    // Within the first or the last measure the session starts from the top.
    {
        std::lock_guard<std::mutex> lock(model_->mutex);
        model_->repositionCursors();
    }
    showPosition();
    model_->pcKeyboardPlay = session_->pcKeyboardPlay();
    try {
        return recording ? session_->record() : session_->listen();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "std::exception was caught in PlayDialog::prepareListen()\n");
        std::printf("%s\n", e.what());
    }
    return false;
}

void PlayDialog::sessionStarted()
{
    showTempo();
}

void PlayDialog::sessionFinished()
{
    model_->pcKeyboardPlay = false;
    showTransport();
    showTempo();
    showPosition();
    reportSelection();
    score_->diagram()->update();
}

void PlayDialog::reportSelection()
{
    int bound = 0, free = 0;
    for (size_t d = 0; d < model_->selected.size(); ++d)
        if (model_->selected[d]) ++(int(d) < model_->boundTracks() ? bound : free);
    emit trackSelectionChanged(bound, free, busy());
}

bool PlayDialog::endSession(bool keepTake)
{
    if (keepTake) session_->keepTakeUnasked();
    if (!busy()) return true;
    const bool recording = model_->recording.load();
    session_->stop();
    MidiThread* thread = session_->thread();
    if (thread && !thread->join(2000)) {
        Messages::warning(recording ? Texts::tr("Could not stop record thread.")
                                    : Texts::tr("Could not stop listen thread."));
        return false;
    }
    // The engine silenced every output as it ended; its "finished" ends
    // the session here as a stop would, keep-take question included.
    QCoreApplication::sendPostedEvents(session_.get());
    return true;
}

bool PlayDialog::closeDeck()
{
    if (!endSession()) return false;
    if (mainReceiver_)
        postEvent(mainReceiver_,
                  new MessageEvent(CloseDocWindowEvent, QLatin1String(kCloseDocWindowText)));
    return true;
}

void PlayDialog::masterVolumeStep(int step)
{
    session_->stepMasterVolume(step);
}

QString PlayDialog::songDataTitle()
{
    return Texts::tr("Song data");
}

QString PlayDialog::songData() const
{
    const DeckModel& m = *model_;
    const TrackTables& t = m.tracks;
    QString html = Texts::tr("<p><b>Time signature</b> %1 / %2</p>")
                       .arg(m.timing.temps)
                       .arg(m.timing.beatvalue);
    html += Texts::tr("<p><b>Mode</b> %1</p>").arg(keySignatureName(m.keySharpsFlats, m.keyMode));
    html += Texts::tr("<p><b>MIDI file of type</b> %1</p>").arg(m.format);
    html += Texts::tr("<p><b>%1 tracks with note events</b></p>").arg(t.boundTracks);
    html += Texts::tr("<p><b>%1 tracks total</b></p>").arg(t.fileTracks);
    for (const auto& out : m.devices.outputs) {
        if (out->ignoreOutput || out->absent) continue;
        // Tracks point at the default output record, which shares the address.
        uint16_t used = 0;
        for (int d = 0; d < t.displayCount(); ++d) {
            const OutputDevice* o = t.output[size_t(d)];
            if (o && o->sameAddress(out->client, out->port)) used |= t.channelPattern[size_t(d)];
        }
        html += QStringLiteral("<p><b>Used channels for</b> %1:</p>")
                    .arg(QStringLiteral("%1:%2 %3")
                             .arg(out->client)
                             .arg(out->port)
                             .arg(out->portName.toHtmlEscaped()));
        for (int c = 0; c < 16; ++c) html += QLatin1Char(used & (1u << (15 - c)) ? 'I' : '-');
    }
    return html;
}

void PlayDialog::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    quick_->boost->setValue(quick_->boost->value() +
                            options_.wheelmult * event->angleDelta().y() / 1000);
    event->accept();
}

void PlayDialog::customEvent(QEvent* event)
{
    switch (int(event->type())) {
    case RecordButtonCheckEvent:
        recordable_ = model_->recordable();
        showTransport();
        break;
    case HaltSessionEvent:
        postEvent(session_.get(), new QEvent(eventType(HaltSessionEvent)));
        break;
    default:
        QWidget::customEvent(event);
        return;
    }
    event->accept();
}

bool PlayDialog::pcKeyPress(QKeyEvent* event)
{
    if (!busy() || !model_->pcKeyboardPlay) return false;
    score_->diagram()->setFocus(Qt::OtherFocusReason);
    pcKey(event, true);
    event->accept();
    return true;
}

bool PlayDialog::pcKey(QKeyEvent* event, bool pressed)
{
    if (!busy() || !model_->pcKeyboardPlay) return false;
    // A held key repeats in the window system; a struck piano key does not.
    if (event->isAutoRepeat()) return true;
    return session_->pcKeyEvent(event->key(), pressed);
}

void PlayDialog::keyPressEvent(QKeyEvent* event)
{
    if (!pcKeyPress(event)) QWidget::keyPressEvent(event);
}

void PlayDialog::keyReleaseEvent(QKeyEvent* event)
{
    if (pcKey(event, false))
        event->accept();
    else
        QWidget::keyReleaseEvent(event);
}
