#include "engine/listenloop.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/midi.h"
#include "core/settings.h"
#include "engine/echoes.h"
#include "engine/seqclient.h"
#include "song/deckmodel.h"

#include <QCoreApplication>
#include <algorithm>

namespace
{
constexpr int kDisplayEchoesPerWindow = 256;
// What the seam re-sends per output and channel: 128 controllers, the
// program, the pitch bend and the channel pressure.
constexpr size_t kChaseKinds = 131;

size_t chaseKind(const snd_seq_event_t& ev)
{
    switch (ev.type) {
    case SND_SEQ_EVENT_CONTROLLER:
        return ev.data.control.param < 128 ? ev.data.control.param : kChaseKinds;
    case SND_SEQ_EVENT_PGMCHANGE:
        return 128;
    case SND_SEQ_EVENT_PITCHBEND:
        return 129;
    case SND_SEQ_EVENT_CHANPRESS:
        return 130;
    default:
        return kChaseKinds;
    }
}
} // namespace

SessionValues SessionValues::fromDeck(const DeckModel& deck)
{
    SessionValues v;
    const TimingParams& p = deck.timing;
    v.fileTracks = deck.tracks.fileTracks;
    v.freeTracks = deck.tracks.freeTracks;
    v.ppq = p.tick4qn;
    const int clocksPerClick = int(deck.song.facts.clocksPerClick);
    v.clockStep = std::max(1, clocksPerClick > 0 ? p.tick4qn / clocksPerClick : p.tick4qn / 24);
    v.ticksPerBeat = std::max(1, p.tick4beat);
    // Zero beats per measure would re-arm the measure echo at once.
    v.beatsPerMeasure = std::max(1, p.temps);
    v.ticksPerMeasure = v.ticksPerBeat * v.beatsPerMeasure;
    v.startBeat = std::max(1, deck.currentBeat);
    v.effectiveTempo = p.tempo;
    v.startTick = uint64_t(v.startBeat - 1) * uint64_t(v.ticksPerBeat);
    return v;
}

ListenLoop::ListenLoop(DeckModel& deck, const LiveOptions& options, EventSink& sink,
                       QObject* deckReceiver, QObject* mainReceiver)
    : deck_(deck), options_(options), sink_(sink), deckReceiver_(deckReceiver),
      mainReceiver_(mainReceiver)
{
}

void ListenLoop::begin()
{
    v_ = SessionValues::fromDeck(deck_);
    windowStart_ = v_.startTick;
    queueAt_ = 0;
    noteEnd_ = UINT64_MAX;
    metronomeTick_ = 0;
    halted = false;
    cursor_ = v_.startBeat == 1 ? deck_.song.events.head() : deck_.songCursor;
    passes_ = 0;
    passBoost_ = deck_.loop.passBoost;
    stepBy_ = deck_.loop.stepBy;
    stepCap_ = deck_.loop.stepCap;
    // Room for the seam's chase now: the session allocates nothing later.
    const TrackTables& t = deck_.tracks;
    chaseOutputs_.clear();
    for (int d = 0; d < t.displayCount(); ++d)
        if (t.output[size_t(d)] && std::find(chaseOutputs_.begin(), chaseOutputs_.end(),
                                             t.output[size_t(d)]) == chaseOutputs_.end())
            chaseOutputs_.push_back(t.output[size_t(d)]);
    chaseSlots_.assign(chaseOutputs_.size() * 16 * kChaseKinds, nullptr);
}

void ListenLoop::echoAt(snd_seq_event_type_t type, uint64_t queueTick)
{
    snd_seq_ev_clear(&out_);
    out_.type = type;
    snd_seq_addr_t self = sink_.self();
    snd_seq_ev_set_dest(&out_, self.client, self.port);
    sink_.scheduleAt(out_, queueTick);
}

int ListenLoop::chase()
{
    int tempo = 0;
    for (EventNode* n = deck_.song.events.head(); n && n != cursor_; n = n->next) {
        const int type = n->type();
        if (n->isNoteOn() || type == SND_SEQ_EVENT_NOTEOFF ||
            (n->event.flags & SND_SEQ_EVENT_LENGTH_MASK) == SND_SEQ_EVENT_LENGTH_VARUSR ||
            isLyricMark(type))
            continue;
        if (type == SND_SEQ_EVENT_TEMPO) {
            tempo = n->event.data.queue.param.value;
            continue;
        }
        out_ = n->event;
        snd_seq_ev_set_subs(&out_);
        sink_.sendNow(out_);
    }
    if (tempo > 0) {
        if (applyTempo) applyTempo(applyTempoContext, tempo);
        postEvent(deckReceiver_, new IntEvent(FileTempoEvent, tempo));
        snd_seq_ev_clear(&out_);
        out_.type = SND_SEQ_EVENT_TEMPO;
        out_.data.queue.param.value = tempo;
        snd_seq_ev_set_subs(&out_);
        sink_.sendNow(out_);
    }
    sink_.drain();
    return tempo;
}

void ListenLoop::scheduleWindow()
{
    if (deck_.stopFlag.load()) return;
    uint64_t loopStart = 0, loopEnd = 0;
    const bool looping = loopAhead(&loopStart, &loopEnd);
    if (looping && windowStart_ == loopEnd) restartLoop(loopStart);
    noteEnd_ = looping ? loopEnd : UINT64_MAX;
    const uint64_t w = uint64_t(v_.ticksPerBeat);
    const uint64_t base = queueAt_;
    // The song's events first: the first window reaches the queue as it
    // starts, and what is due at once must not wait behind the echoes.
    windowEchoes_ = 0;
    scheduleAccompaniment(windowStart_ + w);
    for (uint64_t k = 1; k * uint64_t(v_.clockStep) <= w; ++k)
        echoAt(SND_SEQ_EVENT_CLOCK, base + k * uint64_t(v_.clockStep));
    echoAt(SND_SEQ_EVENT_USR0, base + w);
    // A quarter beat early, so the next window is queued before its first
    // notes are due instead of leaving late by the echo's round trip.
    echoAt(SND_SEQ_EVENT_ECHO, base + w - w / 4);
    windowStart_ += w;
    queueAt_ += w;
}

void ListenLoop::scheduleAccompaniment(uint64_t windowEnd)
{
    const bool alive = keepsSongAlive && keepsSongAlive(keepsSongAliveContext);
    // A loop still ahead goes on past the song's last event to its end.
    if (!cursor_ && !alive && noteEnd_ == UINT64_MAX) {
        echoAt(SND_SEQ_EVENT_USR2, queueAt_ + uint64_t(v_.ticksPerMeasure));
        return;
    }
    const TrackTables& t = deck_.tracks;
    while (cursor_ && cursor_->tick < windowEnd) {
        EventNode* n = cursor_;
        cursor_ = n->next;
        const int d = playedThrough(*n);
        if (d < 0) continue;
        const uint64_t at = queueAt_ + (n->tick > windowStart_ ? n->tick - windowStart_ : 0);
        const int type = n->type();
        if (isLyricMark(type)) {
            makeLyricEcho(out_, sink_.self(), *n);
            sink_.scheduleAt(out_, at);
            continue;
        }
        if ((n->event.flags & SND_SEQ_EVENT_LENGTH_MASK) == SND_SEQ_EVENT_LENGTH_VARUSR) continue;
        if (!filterPasses(options_, Keys::EventFilters::Accompaniment, type)) continue;

        out_ = n->event;
        if (type == SND_SEQ_EVENT_TEMPO) {
            const snd_seq_addr_t self = sink_.self();
            snd_seq_ev_set_dest(&out_, self.client, self.port);
            sink_.scheduleAt(out_, at);
            continue;
        }
        if (t.displayCount() == 0) continue;
        OutputDevice* device = t.output[size_t(d)];
        if (!device) continue;
        snd_seq_ev_set_dest(&out_, static_cast<unsigned char>(device->client),
                            static_cast<unsigned char>(device->port));
        if (n->isNoteOffEvent()) continue; // the sequencer ends every note it started
        if (type == SND_SEQ_EVENT_PGMCHANGE) {
            // Kept so that a patch set back to default can restore the song's.
            const int channel = n->event.data.control.channel & 15;
            device->programs[size_t(channel)] = n->event.data.control.value;
            out_.data.control.value = device->programFor(channel, n->event.data.control.value);
        }
        if (n->isSoundingNoteOn()) {
            const int note = std::clamp(n->note() + t.transpose[size_t(d)], 0, 127);
            const int velocity = std::clamp(n->velocity() + t.velocityShift[size_t(d)], 0, 127);
            // A note without its end still ends, a beat later; what still
            // sounds at the loop's end ends there.
            const uint64_t length =
                std::min(n->partner ? n->partner->tick - n->tick : uint64_t(v_.ticksPerBeat),
                         noteEnd_ - n->tick);
            snd_seq_ev_set_note(&out_, n->channel(), note, velocity,
                                static_cast<unsigned int>(length));
            sink_.scheduleAt(out_, at);
            // A beat of more notes than any keyboard shows lights no more: its
            // echoes would overrun our own input and lose the window echoes.
            if (n->channel() != kDrumChannel && windowEchoes_++ < kDisplayEchoesPerWindow) {
                const snd_seq_addr_t self = sink_.self();
                for (int end = 0; end < 2; ++end) {
                    makeDisplayEcho(out_, self, end ? SND_SEQ_EVENT_USR4 : SND_SEQ_EVENT_USR3,
                                    AccompanimentEcho, end ? BlackKeyState : UnsplitState, note,
                                    device->client, device->port);
                    sink_.scheduleAt(out_, end ? at + length : at);
                }
            }
            continue;
        }
        sink_.scheduleAt(out_, at);
    }
}

int ListenLoop::playedThrough(const EventNode& n) const
{
    const TrackTables& t = deck_.tracks;
    const int d = t.displayIndexOf(int(n.track));
    if (d < 0 || d >= t.displayCount())
        return 0; // tracks without notes (tempo, texts) play through the first track's output
    if (t.mute[size_t(d)] || (d < t.boundTracks && t.keyboard[size_t(d)])) return -1;
    return d;
}

bool ListenLoop::loopAhead(uint64_t* start, uint64_t* end) const
{
    // A recording keeps the song's own time.
    return deck_.loop.on && !deck_.recording.load() && loopTicks(deck_, start, end) &&
           windowStart_ <= *end;
}

EventNode** ListenLoop::chaseSlot(const EventNode& n, OutputDevice** device)
{
    const size_t kind = chaseKind(n.event);
    if (kind >= kChaseKinds) return nullptr;
    const int d = playedThrough(n);
    if (d < 0 || d >= deck_.tracks.displayCount() ||
        !filterPasses(options_, Keys::EventFilters::Accompaniment, n.type()))
        return nullptr;
    *device = deck_.tracks.output[size_t(d)];
    const auto it = std::find(chaseOutputs_.begin(), chaseOutputs_.end(), *device);
    if (it == chaseOutputs_.end()) return nullptr; // a device given to a track while playing
    const size_t channel = n.event.data.control.channel & 15;
    return &chaseSlots_[(size_t(it - chaseOutputs_.begin()) * 16 + channel) * kChaseKinds + kind];
}

void ListenLoop::chaseFor(int client, int port)
{
    // The window's default record and a record of its list may both be there.
    const auto there = [&](const OutputDevice* d) { return d && d->sameAddress(client, port); };
    for (size_t i = 0; i < chaseOutputs_.size(); ++i)
        if (there(chaseOutputs_[i]))
            std::fill_n(chaseSlots_.begin() + std::ptrdiff_t(i * 16 * kChaseKinds),
                        16 * kChaseKinds, nullptr);
    OutputDevice* device = nullptr;
    for (EventNode* n = deck_.song.events.head(); n && n != cursor_; n = n->next)
        if (EventNode** slot = chaseSlot(*n, &device); slot && there(device)) *slot = n;
    for (EventNode* m = deck_.song.events.head(); m && m != cursor_; m = m->next) {
        EventNode** slot = chaseSlot(*m, &device);
        if (!slot || *slot != m || !there(device)) continue;
        out_ = m->event;
        snd_seq_ev_set_dest(&out_, static_cast<unsigned char>(device->client),
                            static_cast<unsigned char>(device->port));
        if (out_.type == SND_SEQ_EVENT_PGMCHANGE) {
            const int channel = out_.data.control.channel & 15;
            out_.data.control.value = device->programFor(channel, m->event.data.control.value);
        }
        sink_.sendNow(out_);
    }
    sink_.drain();
}

void ListenLoop::restartLoop(uint64_t loopStart)
{
    // At the seam the sound is set as it stands at the loop's start: per
    // output and channel the last controller values, program, bend and
    // pressure met before it, in song order, ahead of the loop's first notes.
    std::fill(chaseSlots_.begin(), chaseSlots_.end(), nullptr);
    const bool followTempo =
        filterPasses(options_, Keys::EventFilters::Accompaniment, SND_SEQ_EVENT_TEMPO);
    int tempo = 0;
    OutputDevice* device = nullptr;
    EventNode* n = deck_.song.events.head();
    for (; n && n->tick < loopStart; n = n->next) {
        if (n->type() == SND_SEQ_EVENT_TEMPO && playedThrough(*n) >= 0)
            tempo = n->event.data.queue.param.value;
        else if (EventNode** slot = chaseSlot(*n, &device))
            *slot = n;
    }
    for (EventNode* m = deck_.song.events.head(); m != n; m = m->next) {
        EventNode** slot = chaseSlot(*m, &device);
        if (!slot || *slot != m || !device) continue;
        out_ = m->event;
        snd_seq_ev_set_dest(&out_, static_cast<unsigned char>(device->client),
                            static_cast<unsigned char>(device->port));
        if (out_.type == SND_SEQ_EVENT_PGMCHANGE) {
            const int channel = out_.data.control.channel & 15;
            device->programs[size_t(channel)] = m->event.data.control.value;
            out_.data.control.value = device->programFor(channel, m->event.data.control.value);
        }
        sink_.scheduleAt(out_, queueAt_);
    }
    // Without tempo events followed, the tempo playing stays; without any
    // before the loop, the song's first is in force there.
    if (!followTempo)
        tempo = 0;
    else if (tempo <= 0)
        tempo = int(deck_.song.facts.songTempo());
    if (tempo > 0) {
        snd_seq_ev_clear(&out_);
        out_.type = SND_SEQ_EVENT_TEMPO;
        out_.data.queue.param.value = tempo;
        snd_seq_ev_set_subs(&out_);
        sink_.scheduleAt(out_, queueAt_);
    }

    // The next pass a step faster, unless the user set the boost himself.
    if (deck_.loop.passBoost <= 0) passBoost_ = 0;
    if (passBoost_ > 0 && passBoost_ < stepCap_)
        passBoost_ = std::min(stepCap_, passBoost_ + std::max(1, stepBy_));
    const int boost = passBoost_ > 0 ? passBoost_ : deck_.timing.tempoBoost;
    sink_.scheduleTempo(effectiveTempo(tempo > 0 ? tempo : deck_.fileTempo, boost), queueAt_);

    snd_seq_ev_clear(&out_);
    out_.type = SND_SEQ_EVENT_SETPOS_TICK;
    out_.data.raw32.d[SeamFirstBeat] = uint32_t(loopStart / uint64_t(v_.ticksPerBeat) + 1);
    out_.data.raw32.d[SeamFileTempo] = uint32_t(tempo);
    out_.data.raw32.d[SeamPassBoost] = uint32_t(passBoost_);
    const snd_seq_addr_t self = sink_.self();
    snd_seq_ev_set_dest(&out_, self.client, self.port);
    sink_.scheduleAt(out_, queueAt_);

    windowStart_ = loopStart;
    cursor_ = n;
    ++passes_;
}

void ListenLoop::scheduleMetronome()
{
    const bool on =
        deck_.recording.load() ? options_.metronomeRecord.load() : options_.metronomePlay.load();
    const uint64_t tpb = uint64_t(v_.ticksPerBeat);
    const int beats = v_.beatsPerMeasure;
    if (on && beats >= 1) {
        const OutputDevice& out = deck_.devices.defaultOutput;
        for (int k = 1; k <= beats; ++k) {
            snd_seq_ev_clear(&out_);
            snd_seq_ev_set_dest(&out_, static_cast<unsigned char>(out.client),
                                static_cast<unsigned char>(out.port));
            const int note =
                k == beats ? options_.metronomeStrong.load() : options_.metronomeWeak.load();
            snd_seq_ev_set_note(&out_, options_.metronomeChannel.load(), note,
                                options_.metronomeVel.load(), 1);
            sink_.scheduleAt(out_, metronomeTick_ + uint64_t(k) * tpb);
        }
    }
    metronomeTick_ += uint64_t(beats) * tpb;
    echoAt(SND_SEQ_EVENT_USR8, metronomeTick_);
}

bool ListenLoop::handleEcho(const snd_seq_event_t& ev)
{
    switch (ev.type) {
    case SND_SEQ_EVENT_START:
        scheduleWindow();
        scheduleMetronome();
        return true;
    case SND_SEQ_EVENT_ECHO:
        scheduleWindow();
        return true;
    case SND_SEQ_EVENT_CLOCK:
        postEvent(deckReceiver_, new QEvent(eventType(ClockStepEvent)));
        return true;
    case SND_SEQ_EVENT_USR0:
        postEvent(deckReceiver_, new QEvent(eventType(BeatEvent)));
        return true;
    case SND_SEQ_EVENT_USR2:
        postEvent(deckReceiver_, new UlongintEvent(SongEndEvent, 0));
        return true;
    case SND_SEQ_EVENT_USR8:
        scheduleMetronome();
        return true;
    case SND_SEQ_EVENT_USR5:
    case SND_SEQ_EVENT_USR9:
        postEvent(mainReceiver_, LyricSelectPayload::make(ev.data.raw32.d[EchoBytePosition],
                                                          int(ev.data.raw32.d[EchoByteLength])));
        return true;
    case SND_SEQ_EVENT_USR3:
    case SND_SEQ_EVENT_USR4:
    case SND_SEQ_EVENT_USR6:
    case SND_SEQ_EVENT_USR7: {
        const bool on = ev.type == SND_SEQ_EVENT_USR3 || ev.type == SND_SEQ_EVENT_USR6;
        const int state = ev.data.raw8.d[EchoKeyState], note = ev.data.raw8.d[EchoNote];
        const int client = ev.data.raw8.d[EchoClient], port = ev.data.raw8.d[EchoPort];
        if (ev.type == SND_SEQ_EVENT_USR6 || ev.type == SND_SEQ_EVENT_USR7) {
            postEvent(mainReceiver_, KeyDisplayPayload::userNote(on, note, client, port, state));
        } else if (ev.tag == KeyHintEcho) {
            postEvent(mainReceiver_, KeyDisplayPayload::keyHint(on, note, client, port, state));
        } else {
            if (ev.tag == AccompanimentEcho)
                postEvent(mainReceiver_,
                          KeyDisplayPayload::accompanimentNote(on, note, client, port, state));
            postEvent(mainReceiver_,
                      new IntEvent(on ? OutputNoteOnEvent : OutputNoteOffEvent, note));
        }
        return true;
    }
    case SND_SEQ_EVENT_SETPOS_TICK: {
        LoopSeam s;
        s.beat = int(ev.data.raw32.d[SeamFirstBeat]);
        s.tick = uint64_t(s.beat - 1) * uint64_t(v_.ticksPerBeat);
        s.fileTempo = int(ev.data.raw32.d[SeamFileTempo]);
        s.boost = int(ev.data.raw32.d[SeamPassBoost]);
        if (seam) seam(seamContext, s);
        return true;
    }
    case SND_SEQ_EVENT_TEMPO: {
        const int tempo = ev.data.queue.param.value;
        postEvent(deckReceiver_, new IntEvent(FileTempoEvent, tempo));
        if (applyTempo) applyTempo(applyTempoContext, tempo);
        return true;
    }
    default:
        return false;
    }
}
