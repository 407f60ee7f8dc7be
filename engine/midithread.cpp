#include "engine/midithread.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/midi.h"
#include "core/settings.h"
#include "engine/echoes.h"
#include "engine/seqerror.h"
#include "song/deckmodel.h"
#include "song/songnames.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

MidiThread::MidiThread(DeckModel& deck, const LiveOptions& options, QObject* deckReceiver,
                       QObject* mainReceiver)
    : deck_(deck), options_(options), deckReceiver_(deckReceiver), mainReceiver_(mainReceiver)
{
    setObjectName(QStringLiteral("midi"));
    client_.deviceFailure = [this](const QString& text) {
        postEvent(mainReceiver_, new MessageEvent(DeviceFailureEvent, text));
    };
    client_.notice = [this](const QString& text) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        postEvent(mainReceiver_, new StatusbarEvent(StatusTextEvent, text));
    };
    client_.deviceGone = [this](int client, int port, bool output) {
        if (mainReceiver_) postEvent(mainReceiver_, DeviceGonePayload::make(client, port, output));
    };
}

MidiThread::~MidiThread()
{
    deck_.stopFlag = true;
    join();
}

bool MidiThread::join(unsigned long ms)
{
    const bool ended = wait(ms);
    // Pairs with the store that ends run(): QThread's own hand-over happens
    // inside QtCore, where a sanitizer cannot see it.
    if (ended) (void)running_.load(std::memory_order_acquire);
    return ended;
}

void MidiThread::applyFileTempo(void* self, int fileTempo)
{
    // On the engine thread, with the deck's mutex held.
    auto* t = static_cast<MidiThread*>(self);
    if (fileTempo <= 0) return;
    TimingParams& p = t->deck_.timing;
    t->deck_.fileTempo = fileTempo;
    // A stepped-up pass plays at its own boost before the deck shows it.
    const int passBoost = t->deck_.loop.passBoost;
    const int tempo = effectiveTempo(fileTempo, passBoost > 0 ? passBoost : p.tempoBoost);
    if (tempo <= 0) return;
    t->setTempo(tempo, p.tick4qn);
    p.tick_tol = p.toleranceTicks(tempo);
    postEvent(t->deckReceiver_, new QEvent(eventType(RepaintDiagramEvent)));
}

void MidiThread::loopSeam(void* self, const LoopSeam& seam)
{
    // On the engine thread, with the deck's mutex held, as the loop starts over.
    auto* t = static_cast<MidiThread*>(self);
    PracticeLoop& loop = t->deck_.loop;
    // The user may have set the boost himself since the seam was scheduled.
    const int boost = loop.passBoost > 0 ? seam.boost : 0;
    loop.passBoost = boost;
    applyFileTempo(self, seam.fileTempo > 0 ? seam.fileTempo : t->deck_.fileTempo);
    t->interactive_->restartAt(seam.tick);
    postEvent(t->deckReceiver_, LoopSeamPayload::make(seam.beat, boost));
}

snd_seq_event_t MidiThread::startEvent()
{
    snd_seq_event_t start;
    snd_seq_ev_clear(&start);
    start.type = SND_SEQ_EVENT_START;
    return start;
}

bool MidiThread::songAlive(void* self)
{
    auto* t = static_cast<MidiThread*>(self);
    return t->interactive_ && t->interactive_->keepsSongAlive();
}

int MidiThread::sendPcNote(int note, bool pressed)
{
    if (!running_.load()) return -1;
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    ev.type = pressed ? SND_SEQ_EVENT_NOTEON : SND_SEQ_EVENT_NOTEOFF;
    ev.source.port = kPcKeyboardPort;
    ev.data.note.channel = 0;
    ev.data.note.note = static_cast<unsigned char>(note & 127);
    ev.data.note.velocity = 64;
    return client_.sendToSelf(ev);
}

void MidiThread::setTempo(int tempo, int ppq)
{
    // The deck recomputes its tolerance itself, under its mutex.
    client_.setQueueTempo(tempo, ppq);
}

bool MidiThread::getTempo(int* tempo, int* ppq)
{
    return client_.getQueueTempo(tempo, ppq);
}

void MidiThread::stopQueue()
{
    client_.stopQueue();
}

void MidiThread::wake()
{
    if (!running_.load()) return;
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    ev.type = SND_SEQ_EVENT_USR1;
    client_.sendToSelf(ev);
}
void MidiThread::continueQueue()
{
    client_.continueQueue();
}
void MidiThread::setPaused(bool paused)
{
    if (paused) client_.stopQueue();
    deck_.pauseFlag = paused;
    if (!paused) client_.continueQueue();
    // After what the queue sent before it stopped: a note it started then
    // must be silenced too.
    wake();
}

void MidiThread::followPause()
{
    const bool paused = deck_.pauseFlag.load();
    if (paused == silenced_) return;
    silenced_ = paused;
    if (!paused) {
        // The deck has just cleared the keyboards.
        interactive_->showHints();
        return;
    }
    for (const auto& out : deck_.devices.outputs)
        if (!out->ignoreOutput && !out->absent) client_.channelsOff(*out, kAllChannels);
    const OutputDevice& fallback = deck_.devices.defaultOutput;
    if (deck_.devices.outputs.empty() && (fallback.client || fallback.port))
        client_.channelsOff(fallback, kAllChannels);
}
void MidiThread::setVolume(const OutputDevice& out, int value)
{
    client_.setVolume(out, value);
}
void MidiThread::programChanges(const OutputDevice& out, uint16_t pattern,
                                const std::array<int, 16>& programs)
{
    client_.programChanges(out, pattern, programs);
}
void MidiThread::channelsOff(const OutputDevice& out, uint16_t pattern)
{
    client_.channelsOff(out, pattern);
}
SeqClient::Live MidiThread::connectInput(const InputDevice& in, QString* error)
{
    return client_.connectInputLive(in.client, in.port, deck_.devices, error);
}
void MidiThread::disconnectInput(const InputDevice& in)
{
    client_.disconnectInputLive(in.client, in.port);
}
SeqClient::Live MidiThread::connectOutput(const OutputDevice& out, QString* error)
{
    return client_.connectOutputLive(out.client, out.port, error);
}
void MidiThread::disconnectOutput(const OutputDevice& out)
{
    client_.disconnectOutputLive(out.client, out.port);
}

void MidiThread::sendPatches()
{
    // The patches chosen in the track dialog, over what the chase set.
    std::vector<const OutputDevice*> sent;
    for (const OutputDevice* out : deck_.tracks.output) {
        if (!out || std::find(sent.begin(), sent.end(), out) != sent.end()) continue;
        sent.push_back(out);
        sendPatches(*out);
    }
}

void MidiThread::sendPatches(const OutputDevice& out)
{
    uint16_t chosen = 0;
    for (int c = 0; c < 16; ++c)
        if (out.patches[size_t(c)] >= 0) chosen |= channelBit(c);
    if (chosen) client_.programChanges(out, chosen, out.patches);
}

int MidiThread::sendDeviceEcho(int what, int client, int port, int volume)
{
    if (!running_.load()) return -1;
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    ev.type = SND_SEQ_EVENT_USR1;
    ev.data.raw8.d[DeviceEchoWhat] = static_cast<unsigned char>(what);
    ev.data.raw8.d[DeviceEchoClient] = static_cast<unsigned char>(client);
    ev.data.raw8.d[DeviceEchoPort] = static_cast<unsigned char>(port);
    ev.data.raw8.d[DeviceEchoVolume] = static_cast<unsigned char>(volume & 127);
    return client_.sendToSelf(ev);
}

void MidiThread::inputGone(const InputDevice& in)
{
    client_.forgetPort(in.client, in.port);
    sendDeviceEcho(InputGoneEcho, in.client, in.port);
}

void MidiThread::outputGone(const OutputDevice& out)
{
    // What was scheduled to it is dropped by the sequencer; nothing to send.
    client_.forgetPort(out.client, out.port);
}

SeqClient::Live MidiThread::inputBack(const InputDevice& in, QString* error)
{
    return client_.connectInputLive(in.client, in.port, deck_.devices, error);
}

SeqClient::Live MidiThread::outputBack(const OutputDevice& out, int volume, QString* error)
{
    const SeqClient::Live done = client_.connectOutputLive(out.client, out.port, error);
    if (done == SeqClient::Live::Done) sendDeviceEcho(OutputBackEcho, out.client, out.port, volume);
    return done;
}

void MidiThread::deviceEcho(const snd_seq_event_t& ev)
{
    // With the deck's mutex held: the window changes the records only under it.
    const int client = ev.data.raw8.d[DeviceEchoClient];
    const int port = ev.data.raw8.d[DeviceEchoPort];
    switch (ev.data.raw8.d[DeviceEchoWhat]) {
    case InputGoneEcho:
        interactive_->releaseDevice(client, port);
        break;
    case OutputBackEcho: {
        loop_->chaseFor(client, port);
        // Each record there once, allocating nothing on the engine's thread.
        const std::vector<OutputDevice*>& outputs = deck_.tracks.output;
        const OutputDevice* volumeTo = nullptr;
        for (auto it = outputs.begin(); it != outputs.end(); ++it) {
            const OutputDevice* out = *it;
            if (!out || !out->sameAddress(client, port) ||
                std::find(outputs.begin(), it, out) != it)
                continue;
            sendPatches(*out);
            volumeTo = out;
        }
        if (volumeTo) client_.setVolume(*volumeTo, ev.data.raw8.d[DeviceEchoVolume]);
        break;
    }
    default:
        break;
    }
}

namespace
{
// Ahead of the window and the desktop's other programs, as far as the user
// may (root, or an rtprio limit such as the audio group's): a write that
// another thread interrupts makes the notes it carries late.
void raiseToRealtime()
{
    int priority = 40;
    if (geteuid() != 0) {
        rlimit limit{};
        if (getrlimit(RLIMIT_RTPRIO, &limit) != 0 || limit.rlim_cur == 0) return;
        if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < rlim_t(priority))
            priority = int(limit.rlim_cur);
    }
    sched_param param{};
    param.sched_priority = std::min(priority, sched_get_priority_max(SCHED_FIFO));
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param); // refused: stays as it was
}
} // namespace

void MidiThread::run()
{
    raiseToRealtime();
    running_ = true;
    silenced_ = false;
    interactiveNotes_ = freeNotes_ = 0;
    loop_ = std::make_unique<ListenLoop>(deck_, options_, client_, deckReceiver_, mainReceiver_);
    loop_->applyTempo = &MidiThread::applyFileTempo;
    loop_->applyTempoContext = this;
    interactive_ = std::make_unique<InteractiveLoop>(deck_, options_, client_, deckReceiver_,
                                                     mainReceiver_, &follower_);
    loop_->keepsSongAlive = &MidiThread::songAlive;
    loop_->keepsSongAliveContext = this;
    loop_->seam = &MidiThread::loopSeam;
    loop_->seamContext = this;
    postEvent(deckReceiver_, new QEvent(eventType(RepaintDiagramEvent)));

    bool opened;
    {
        std::lock_guard<std::mutex> lock(deck_.mutex);
        if (followerPreparation_ != deck_.preparations) {
            follower_ = TempoFollower();
            followerPreparation_ = deck_.preparations;
        }
        loop_->begin();
        opened = client_.open(deck_.tracks, deck_.devices) && client_.allocQueue();
    }
    if (!opened) {
        client_.close();
        postEvent(deckReceiver_, new QEvent(eventType(HaltSessionEvent)));
        running_ = false;
        return;
    }

    const SessionValues& v = loop_->values();
    setTempo(v.effectiveTempo, v.ppq);
    {
        std::lock_guard<std::mutex> lock(deck_.mutex);
        if (v.startBeat != 1) loop_->chase();
        sendPatches();
        // The first beat is written whole before the queue starts, so its
        // notes are not late by an echo's round trip nor by their own writing.
        client_.holdOutput();
        loop_->handleEcho(startEvent());
    }
    client_.startQueue();
    snd_seq_event_t clock;
    snd_seq_ev_clear(&clock);
    clock.type = SND_SEQ_EVENT_CLOCK;
    const snd_seq_addr_t self = client_.self();
    snd_seq_ev_set_dest(&clock, self.client, self.port);
    client_.scheduleAt(clock, 0);
    client_.drain();
    postEvent(deckReceiver_, new QEvent(eventType(SessionStartedEvent)));
    {
        std::lock_guard<std::mutex> lock(deck_.mutex);
        interactive_->begin(v.startTick, v.startBeat, v.ticksPerMeasure);
    }
    client_.drain();

    snd_seq_t* seq = client_.handle();
    const int count = snd_seq_poll_descriptors_count(seq, POLLIN | POLLOUT);
    std::vector<pollfd> fds(size_t(count > 0 ? count : 1));
    snd_seq_poll_descriptors(seq, fds.data(), unsigned(fds.size()), POLLIN | POLLOUT);
    while (!deck_.stopFlag.load()) {
        // Room in the kernel is worth waking for only while events wait for it.
        const short events = POLLIN | (client_.backlogged() ? POLLOUT : 0);
        for (pollfd& f : fds) f.events = events;
        const int ready = ::poll(fds.data(), nfds_t(fds.size()), 1200);
        if (ready < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "Error %i in poll (%s).\n", errno, std::strerror(errno));
            break;
        }
        client_.drain();
        if (ready == 0) continue;
        while (snd_seq_event_input_pending(seq, 1) > 0 && !deck_.stopFlag.load()) {
            snd_seq_event_t* ev = nullptr;
            const int rc = snd_seq_event_input(seq, &ev);
            if (rc < 0) {
                if (rc != -EAGAIN) seqCheck(rc, "snd_seq_event_input", "run : ");
                break;
            }
            if (ev) handle(*ev);
            client_.drain();
        }
        if (loop_->halted || interactive_->halted()) break;
    }
    endSession();
}

void MidiThread::handle(const snd_seq_event_t& ev)
{
    const bool fromUs = ev.source.client == client_.client() && ev.source.port != kPcKeyboardPort;
    // A pause swallows the player's new notes only: releases must still end
    // what sounds, and our own echoes keep the session going.
    if (deck_.pauseFlag.load() && !fromUs && ev.type == SND_SEQ_EVENT_NOTEON &&
        ev.data.note.velocity > 0)
        return;
    std::lock_guard<std::mutex> lock(deck_.mutex);
    if (fromUs) {
        if (ev.type == SND_SEQ_EVENT_CLOCK) interactive_->clockStep(loop_->values().clockStep);
        if (loop_->handleEcho(ev)) return;
    }
    switch (ev.type) {
    case SND_SEQ_EVENT_STOP:
        client_.stopQueue();
        break;
    case SND_SEQ_EVENT_CONTINUE:
        client_.continueQueue();
        break;
    case SND_SEQ_EVENT_USR1:
        if (fromUs && ev.data.raw8.d[DeviceEchoWhat])
            deviceEcho(ev);
        else if (fromUs)
            followPause();
        break;
    default:
        if (!fromUs) interactive_->handle(ev);
        break;
    }
}

void MidiThread::endSession()
{
    // Nothing queued for the rest of the beat may start after the silence.
    client_.stopQueue();
    client_.dropOutput();
    {
        // The Options dialog may change the ignore flags meanwhile.
        std::lock_guard<std::mutex> lock(deck_.mutex);
        client_.silenceSession();
        for (const auto& out : deck_.devices.outputs) {
            if (out->ignoreOutput || out->absent || client_.playsTo(*out)) continue;
            client_.channelsOff(*out, kAllChannels);
            client_.resetControllers(*out);
        }
        const OutputDevice& fallback = deck_.devices.defaultOutput;
        if (deck_.devices.outputs.empty() && (fallback.client || fallback.port)) {
            client_.channelsOff(fallback, kAllChannels);
            client_.resetControllers(fallback);
        }
    }
    client_.drain();
    {
        std::lock_guard<std::mutex> lock(deck_.mutex);
        client_.close();
    }
    postEvent(deckReceiver_, new QEvent(eventType(RepaintDiagramEvent)));
    // After every key it lit: the echoes that would have put them out are gone.
    postEvent(mainReceiver_, new QEvent(eventType(ResetKeyboardsEvent)));
    interactiveNotes_ = interactive_->interactiveNotes();
    freeNotes_ = interactive_->freeNotes();
    postEvent(deckReceiver_, SessionFinishedPayload::make(interactiveNotes_, freeNotes_));
    running_ = false;
}
