#include "engine/decksession.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/messages.h"
#include "core/settings.h"
#include "engine/midithread.h"
#include "song/deckmodel.h"
#include "song/songnames.h"
#include "song/trackediting.h"

#include <QCoreApplication>
#include <QDateTime>
#include <mutex>
#include <utility>

DeckSession::DeckSession(DeckModel& deck, LiveOptions& options, QObject* mainReceiver,
                         QObject* parent)
    : QObject(parent), deck_(deck), options_(options), mainReceiver_(mainReceiver)
{
    std::lock_guard<std::mutex> lock(deck_.mutex);
    effectiveTempo_ = ::effectiveTempo(deck_.fileTempo, deck_.timing.tempoBoost);
}

void DeckSession::restFileTempo()
{
    // At rest the song is at its start as far as tempo goes.
    std::lock_guard<std::mutex> lock(deck_.mutex);
    deck_.fileTempo = int(deck_.song.facts.songTempo());
    effectiveTempo_ = ::effectiveTempo(deck_.fileTempo, deck_.timing.tempoBoost);
}

int DeckSession::pcKeyNote(int qtKey)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return qtKey - Qt::Key_0;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey - 55;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35) return qtKey - 0x0100000C;
    return -1;
}

bool DeckSession::pcKeyEvent(int qtKey, bool pressed)
{
    if (!thread_ || !thread_->isSessionRunning()) return false;
    const int note = pcKeyNote(qtKey);
    if (note >= 0) thread_->sendPcNote(note, pressed);
    return true;
}

bool DeckSession::pcKeyboardPlay() const
{
    return deck_.playsFromPcKeyboard();
}

void DeckSession::setTempoBoost(int boost)
{
    if (boost <= 0) return;
    // Under the lock, from the file tempo the engine is using: a tempo event
    // it applies meanwhile cannot be overwritten by a stale one.
    std::lock_guard<std::mutex> lock(deck_.mutex);
    deck_.loop.passBoost = 0;
    userBoost_ = 0;
    applyTempoBoost(boost);
}

void DeckSession::applyTempoBoost(int boost)
{
    deck_.setTempoBoost(boost);
    effectiveTempo_ = ::effectiveTempo(deck_.fileTempo, boost);
    // The tolerance follows the tempo now playing, not the song's first.
    TimingParams& p = deck_.timing;
    p.tick_tol = p.toleranceTicks(effectiveTempo_);
    if (thread_ && thread_->isSessionRunning()) thread_->setTempo(effectiveTempo_, p.tick4qn);
}

void DeckSession::stepMasterVolume(int step)
{
    // Beyond +-127 a step back would first have to undo what changes nothing.
    volumeOffset_ = qBound(-127, volumeOffset_ + step, 127);
    if (!thread_ || !thread_->isSessionRunning()) return;
    for (const auto& out : deck_.devices.outputs)
        if (!out->ignoreOutput && !out->absent) thread_->setVolume(*out, masterVolume(*out));
}

int DeckSession::masterVolume(const OutputDevice& out) const
{
    return qBound(0, out.volume + volumeOffset_, 127);
}

bool DeckSession::sendVolume(const OutputDevice& out, int volume)
{
    if (!thread_ || !thread_->isSessionRunning()) return false;
    thread_->setVolume(out, qBound(0, volume + volumeOffset_, 127));
    return true;
}

namespace
{
template <typename Device> bool sameAddress(const Device* a, const Device* b)
{
    return a && b && a->client == b->client && a->port == b->port;
}

// Whether a track other than d plays through (or listens to) the device's address.
template <typename Device>
bool otherTrackUses(const std::vector<Device*>& devices, int d, const Device* device)
{
    for (size_t k = 0; k < devices.size(); ++k)
        if (int(k) != d && sameAddress(devices[k], device)) return true;
    return false;
}

const char* const kInputFailure =
    QT_TRANSLATE_NOOP("midithread", "MIDI input %1:%2 could not be connected.");
const char* const kOutputFailure =
    QT_TRANSLATE_NOOP("midithread", "MIDI output %1:%2 could not be connected.");

QString connectFailure(const char* what, int client, int port)
{
    return QCoreApplication::translate("midithread", what).arg(client).arg(port);
}
} // namespace

// The port that could not be connected may have gone, or another come: the
// main window's lists should show the ports as they are now.
void DeckSession::requestRescan()
{
    if (mainReceiver_) postEvent(mainReceiver_, new QEvent(eventType(RescanDevicesEvent)));
}

namespace
{
template <typename Device> bool used(const std::vector<Device*>& devices, const Device& device)
{
    return std::find(devices.begin(), devices.end(), &device) != devices.end();
}
} // namespace

void DeckSession::deviceGone(const InputDevice& in)
{
    if (running() && used(deck_.tracks.input, in)) thread_->inputGone(in);
}

void DeckSession::deviceGone(const OutputDevice& out)
{
    if (running() && used(deck_.tracks.output, out)) thread_->outputGone(out);
}

QString DeckSession::deviceBack(const InputDevice& in)
{
    if (!running() || !used(deck_.tracks.input, in)) return QString();
    QString error;
    if (thread_->inputBack(in, &error) != SeqClient::Live::Failed) return QString();
    return error.isEmpty() ? connectFailure(kInputFailure, in.client, in.port) : error;
}

QString DeckSession::deviceBack(const OutputDevice& out)
{
    if (!running() || !used(deck_.tracks.output, out)) return QString();
    QString error;
    if (thread_->outputBack(out, masterVolume(out), &error) != SeqClient::Live::Failed)
        return QString();
    return error.isEmpty() ? connectFailure(kOutputFailure, out.client, out.port) : error;
}

QString DeckSession::setTrackInput(int d, InputDevice* device)
{
    std::lock_guard<std::mutex> lock(deck_.mutex);
    std::vector<InputDevice*>& inputs = deck_.tracks.input;
    if (d < 0 || size_t(d) >= inputs.size() || !device) return QString();
    InputDevice* old = inputs[size_t(d)];
    if (thread_ && !sameAddress(old, device)) {
        QString error;
        const SeqClient::Live done = thread_->connectInput(*device, &error);
        if (done == SeqClient::Live::Failed) {
            requestRescan();
            return error.isEmpty() ? connectFailure(kInputFailure, device->client, device->port)
                                   : error;
        }
        if (done == SeqClient::Live::Done && old && !otherTrackUses(inputs, d, old))
            thread_->disconnectInput(*old);
    }
    inputs[size_t(d)] = device;
    return QString();
}

QString DeckSession::setTrackOutput(int d, OutputDevice* device)
{
    std::lock_guard<std::mutex> lock(deck_.mutex);
    std::vector<OutputDevice*>& outputs = deck_.tracks.output;
    if (d < 0 || size_t(d) >= outputs.size() || !device) return QString();
    OutputDevice* old = outputs[size_t(d)];
    if (thread_ && !sameAddress(old, device)) {
        QString error;
        const SeqClient::Live done = thread_->connectOutput(*device, &error);
        if (done == SeqClient::Live::Failed) {
            requestRescan();
            return error.isEmpty() ? connectFailure(kOutputFailure, device->client, device->port)
                                   : error;
        }
        if (done == SeqClient::Live::Done && old) {
            // The ends of what the track left sounding there go elsewhere now.
            thread_->channelsOff(*old, deck_.tracks.channelPattern[size_t(d)]);
            if (!otherTrackUses(outputs, d, old)) thread_->disconnectOutput(*old);
        }
    }
    outputs[size_t(d)] = device;
    return QString();
}

void DeckSession::setPatches(OutputDevice& out, uint16_t pattern,
                             const std::array<int, 16>& patches, bool resend)
{
    std::lock_guard<std::mutex> lock(deck_.mutex);
    uint16_t changed = 0;
    for (int c = 0; c < 16; ++c) {
        if (!(pattern & channelBit(c))) continue;
        int& patch = out.patches[size_t(c)];
        if (resend || patch != patches[size_t(c)]) changed |= channelBit(c);
        patch = patches[size_t(c)];
    }
    if (!changed || !thread_) return;
    // Back to default means back to what the song last chose there.
    std::array<int, 16> programs;
    for (int c = 0; c < 16; ++c) programs[size_t(c)] = out.programFor(c, out.programs[size_t(c)]);
    thread_->programChanges(out, changed, programs);
}

int DeckSession::remapTrackChannel(int d, int channel)
{
    int moved = 0;
    {
        std::lock_guard<std::mutex> lock(deck_.mutex);
        const TrackTables& t = deck_.tracks;
        if (d < 0 || d >= t.displayCount()) return 0;
        const uint16_t before = t.channelPattern[size_t(d)];
        if (before == channelBit(channel)) return 0;
        // Notes started on the old channel would have their ends sent on the new one.
        if (thread_ && t.output[size_t(d)])
            thread_->channelsOff(*t.output[size_t(d)], before & ~channelBit(channel));
        moved = remapChannel(deck_, d, channel);
    }
    deck_.setModified();
    if (deck_.viewsChanged) deck_.viewsChanged();
    return moved;
}

DeckSession::~DeckSession()
{
    if (!thread_) return;
    deck_.stopFlag = true;
    thread_->wake();
    thread_->join();
    // The finished event dies with us: end the session as a stop would,
    // with nobody left to ask about the take.
    if (!active()) return;
    const bool wasRecording = deck_.recording.load();
    deck_.sessionActive = false;
    deck_.recording = false;
    const int freeNotes = thread_->freeNotes();
    if (wasRecording && (thread_->interactiveNotes() > 0 || freeNotes > 0))
        discardTake(deck_, freeNotes, showShiftWhenRecording());
    deck_.repositionCursors();
    restFileTempo();
}

bool DeckSession::running() const
{
    return thread_ && thread_->isSessionRunning();
}

bool DeckSession::active() const
{
    return deck_.sessionActive.load();
}

int DeckSession::shownTempo() const
{
    return beatsPerMinute(effectiveTempo_);
}

bool DeckSession::showShiftWhenRecording() const
{
    return options_.showshiftwhenrecording.load();
}

void DeckSession::prepareStepUp(bool recording)
{
    std::lock_guard<std::mutex> lock(deck_.mutex);
    PracticeLoop& loop = deck_.loop;
    loop.passBoost = 0;
    userBoost_ = 0;
    uint64_t start = 0, end = 0;
    const uint64_t at = uint64_t(std::max(0, deck_.currentBeat - 1)) *
                        uint64_t(std::max(0, deck_.timing.tick4beat));
    if (recording || !loop.on || !options_.loopStepUp.load() || !loopTicks(deck_, &start, &end) ||
        at >= end)
        return;
    // The climb ends at the boost the user had.
    userBoost_ = deck_.timing.tempoBoost;
    loop.stepBy = options_.loopStepBy.load();
    loop.stepCap = userBoost_;
    loop.passBoost = std::min(options_.loopStepFrom.load(), userBoost_);
    applyTempoBoost(loop.passBoost);
}

bool DeckSession::start(bool recording)
{
    if (active() || (thread_ && thread_->isRunning())) return false;
    if (!thread_) thread_ = std::make_unique<MidiThread>(deck_, options_, this, mainReceiver_);
    deck_.stopFlag = false;
    deck_.pauseFlag = false;
    deck_.recording = recording;
    beginTake(deck_); // every session is logged for the practice journal
    started_ = QDateTime::currentDateTime();
    running_.start();
    deck_.sessionActive = true;
    clockSteps_ = 0;
    restFileTempo();
    prepareStepUp(recording);
    thread_->start(QThread::TimeCriticalPriority);
    return true;
}

bool DeckSession::setPaused(bool paused)
{
    if (!active() || !thread_ || !thread_->isSessionRunning()) return false;
    if (!paused && mainReceiver_) {
        // Now, not posted: the hints the engine shows again must come after.
        QEvent reset(eventType(ResetKeyboardsEvent));
        QCoreApplication::sendEvent(mainReceiver_, &reset);
    }
    thread_->setPaused(paused);
    return true;
}

void DeckSession::stop()
{
    deck_.stopFlag = true;
    if (thread_) thread_->wake();
}

void DeckSession::finish(int interactiveNotes, int freeNotes, bool halted)
{
    if (!active()) return;
    deck_.stopFlag = true;
    const bool wasRecording = deck_.recording.load();
    if (thread_ && !thread_->join(2000))
        Messages::warning(
            wasRecording
                ? QCoreApplication::translate("playdialog", "Could not stop record thread.")
                : QCoreApplication::translate("playdialog", "Could not stop listen thread."));
    deck_.sessionActive = false;
    deck_.recording = false;
    closeSessionLog(deck_, started_, running_.elapsed(),
                    userBoost_ > 0 ? userBoost_ : deck_.timing.tempoBoost, wasRecording);
    if (wasRecording && (interactiveNotes > 0 || freeNotes > 0)) {
        const int answer =
            keepUnasked_ ? Yes
                         : Messages::question(QCoreApplication::translate(
                                                  "playdialog", "Do you want to keep the take?"),
                                              Yes | No);
        // Told to keep it while the question was open: the program is ending.
        if (answer == Yes || keepUnasked_)
            keepTake(deck_, freeNotes, showShiftWhenRecording());
        else
            discardTake(deck_, freeNotes, showShiftWhenRecording());
    }
    std::vector<TakeCluster>().swap(deck_.takeLog);
    deck_.repositionCursors();
    if (userBoost_ > 0) {
        std::lock_guard<std::mutex> lock(deck_.mutex);
        deck_.loop.passBoost = 0;
        applyTempoBoost(std::exchange(userBoost_, 0));
    }
    restFileTempo();
    emit sessionFinished(interactiveNotes, freeNotes, halted);
}

void DeckSession::customEvent(QEvent* event)
{
    switch (int(event->type())) {
    case SessionFinishedEvent: {
        const SessionFinishedPayload p(event);
        finish(p.interactiveNotes(), p.freeNotes(), false);
        break;
    }
    case HaltSessionEvent:
        finish(0, 0, true);
        break;
    case SongEndEvent:
        deck_.stopFlag = true;
        if (thread_) thread_->wake();
        break;
    case BeatEvent:
        emit beatReached(++deck_.currentBeat);
        break;
    case ClockStepEvent:
        ++clockSteps_;
        emit clockStepped();
        break;
    case TempoRatioEvent: {
        const int boost =
            followedTempoBoost(deck_.timing.tempoBoost, static_cast<DoubleEvent*>(event)->value);
        if (boost != deck_.timing.tempoBoost) setTempoBoost(boost);
        emit tempoChanged();
        break;
    }
    case LoopSeamEvent: {
        const LoopSeamPayload seam(event);
        const int boost = seam.passBoost();
        deck_.currentBeat = seam.firstBeat();
        {
            // Unless the user set a boost of his own since the engine sent it.
            std::lock_guard<std::mutex> lock(deck_.mutex);
            if (boost > 0 && deck_.loop.passBoost == boost && boost != deck_.timing.tempoBoost)
                applyTempoBoost(boost);
            effectiveTempo_ = ::effectiveTempo(deck_.fileTempo, deck_.timing.tempoBoost);
        }
        emit loopRestarted(seam.firstBeat());
        emit tempoChanged();
        break;
    }
    case FileTempoEvent: {
        // Shown only: the engine already applied it under the lock.
        const int tempo = static_cast<IntEvent*>(event)->value;
        if (tempo > 0 && active())
            effectiveTempo_ = ::effectiveTempo(tempo, deck_.timing.tempoBoost);
        emit tempoChanged();
        break;
    }
    case SessionStartedEvent:
        if (thread_)
            for (const auto& out : deck_.devices.outputs)
                // A port that left may be anyone's now, our own client's too.
                if (!out->ignoreOutput && !out->absent)
                    thread_->setVolume(*out, masterVolume(*out));
        emit sessionStarted();
        break;
    case RepaintDiagramEvent:
        deck_.repaintPosted = false;
        emit repaintRequested();
        break;
    default:
        QObject::customEvent(event);
        return;
    }
    event->accept();
}
