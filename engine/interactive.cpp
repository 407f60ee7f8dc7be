#include "engine/interactive.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/midi.h"
#include "core/settings.h"
#include "engine/echoes.h"
#include "engine/seqclient.h"
#include "song/deckmodel.h"
#include "song/songnames.h"

#include <QCoreApplication>
#include <algorithm>

namespace
{

constexpr int kPendingReserve = 1024;

int clamp127(int v)
{
    return std::clamp(v, 0, 127);
}

bool isVarUsr(const EventNode* n)
{
    return (n->event.flags & SND_SEQ_EVENT_LENGTH_MASK) == SND_SEQ_EVENT_LENGTH_VARUSR;
}

} // namespace

InteractiveLoop::InteractiveLoop(DeckModel& deck, const LiveOptions& options, EventSink& sink,
                                 QObject* deckReceiver, QObject* mainReceiver,
                                 TempoFollower* follower)
    : deck_(deck), options_(options), sink_(sink), deckReceiver_(deckReceiver),
      mainReceiver_(mainReceiver), follower_(follower ? *follower : ownFollower_)
{
}

Zone InteractiveLoop::zoneOfKey(const InputDevice& device, int key)
{
    if (!device.kbenablesplit) return Zone::Whole;
    if (key < device.lowkey) return Zone::Low;
    if (key < device.highkey) return Zone::Central;
    return Zone::High;
}

bool InteractiveLoop::sameAddress(const InputDevice* a, const InputDevice& b) const
{
    return a && a->client == b.client && a->port == b.port;
}

bool InteractiveLoop::isInteractive(int d) const
{
    const TrackTables& t = deck_.tracks;
    return d >= 0 && d < t.boundTracks && t.keyboard[size_t(d)];
}

Zone InteractiveLoop::configuredZone(int d) const
{
    // A track bound from a free one has no zone: it plays from the low zone.
    return std::clamp(deck_.tracks.zone[size_t(d)], Zone::Low, Zone::High);
}

bool InteractiveLoop::trackInZone(Zone zone, int d) const
{
    return zone == Zone::Whole || configuredZone(d) == zone;
}

InteractiveLoop::DeviceState* InteractiveLoop::stateOf(int client, int port)
{
    for (DeviceState& s : devices_)
        if (s.device->client == client && s.device->port == port) return &s;
    return nullptr;
}

void InteractiveLoop::echoNow(int type, int tag, int flag, int note, int client, int port)
{
    makeDisplayEcho(out_, sink_.self(), type, tag, flag, note, client, port);
    sink_.sendNow(out_);
}

void InteractiveLoop::echoIn(int type, int tag, uint64_t ticks, int flag, int note, int client,
                             int port)
{
    makeDisplayEcho(out_, sink_.self(), type, tag, flag, note, client, port);
    sink_.scheduleIn(out_, ticks);
}

void InteractiveLoop::begin(uint64_t sessionStartTick, int startBeat, int ticksPerMeasure)
{
    TrackTables& t = deck_.tracks;
    DeviceSet& set = deck_.devices;
    startTick_ = sessionStartTick;
    passShift_ = 0;
    ticksPerMeasure_ = ticksPerMeasure;
    startMessageState_ = startBeat == 1 ? 2 : 3;
    heldKeys_ = heldFree_ = interactiveNotes_ = freeNotes_ = 0;
    halted_ = false;
    clockPosition_ = sessionStartTick; // the accompaniment starts where the player does
    zoneOf_.assign(size_t(t.boundTracks), Zone::None);

    devices_.clear();
    devices_.reserve(set.inputs.size() + 1);
    auto add = [this](InputDevice* d) {
        DeviceState s;
        s.device = d;
        for (auto& list : s.pending) list.reserve(kPendingReserve);
        devices_.push_back(std::move(s));
    };
    for (const auto& d : set.inputs) add(d.get());
    add(&set.pcKeyboard);
    prepareClusters();
}

void InteractiveLoop::restartAt(uint64_t songTick)
{
    TrackTables& t = deck_.tracks;
    const EventList& list = deck_.song.events;
    EventNode* from = list.head();
    while (from && from->tick < songTick) from = from->next;
    for (int d = 0; d < t.boundTracks; ++d) {
        if (!isInteractive(d)) continue;
        t.cursor[size_t(d)] =
            from ? list.nextSoundingNoteOn(from, t.storeTrackOf(d), false) : nullptr;
        t.playedUpTo[size_t(d)] = songTick;
    }
    for (DeviceState& s : devices_) {
        for (auto& pending : s.pending) {
            // The keys an any-order cluster asked for are not asked for any more.
            if (s.device->kbmode == AllClusterNotes)
                for (const EventNode* n : pending)
                    if (n->isSoundingNoteOn() && n->channel() != kDrumChannel)
                        echoNow(SND_SEQ_EVENT_USR4, KeyHintEcho, 0, n->output.data.note.note,
                                s.device->client, s.device->port);
            pending.clear();
        }
    }
    // The accompaniment and the player start over together.
    passShift_ = sink_.currentTick() + startTick_ - songTick;
    clockPosition_ = songTick;
    follower_.clock = follower_.song = 0;
    prepareClusters();
    requestRepaint();
}

void InteractiveLoop::showHints()
{
    for (const DeviceState& s : devices_) {
        if (s.device->kbmode != AllClusterNotes) continue;
        for (const EventNode* n : s.pending[size_t(Zone::Whole)])
            if (n->isSoundingNoteOn() && n->channel() != kDrumChannel)
                echoNow(SND_SEQ_EVENT_USR3, KeyHintEcho, OmnikeyState, n->output.data.note.note,
                        s.device->client, s.device->port);
    }
}

void InteractiveLoop::prepareClusters()
{
    TrackTables& t = deck_.tracks;

    // Tracks that one zone of one device plays start together.
    for (int a = 0; a < t.boundTracks; ++a) {
        if (!isInteractive(a) || !t.input[size_t(a)]) continue;
        for (int b = a + 1; b < t.boundTracks; ++b) {
            if (!isInteractive(b) || !sameAddress(t.input[size_t(b)], *t.input[size_t(a)]) ||
                configuredZone(b) != configuredZone(a))
                continue;
            EventNode*& ca = t.cursor[size_t(a)];
            EventNode*& cb = t.cursor[size_t(b)];
            if (ca && (!cb || ca->tick < cb->tick))
                cb = ca;
            else if (cb && (!ca || cb->tick < ca->tick))
                ca = cb;
        }
    }

    for (DeviceState& s : devices_) {
        std::fill(zoneOf_.begin(), zoneOf_.end(), Zone::None);
        const InputDevice& dev = *s.device;
        if (dev.kbenablesplit && dev.kbmode != AllClusterNotes) {
            std::array<EventNode*, kSplitZones> starts{};
            std::array<bool, kSplitZones> used{};
            for (int d = 0; d < t.boundTracks; ++d) {
                if (!isInteractive(d) || !sameAddress(t.input[size_t(d)], dev)) continue;
                const Zone z = configuredZone(d);
                zoneOf_[size_t(d)] = z;
                starts[size_t(zoneIndex(z))] = t.cursor[size_t(d)];
                used[size_t(zoneIndex(z))] = true;
            }
            for (int i = 0; i < kSplitZones; ++i) {
                if (!used[size_t(i)] || !starts[size_t(i)]) continue;
                const Zone z = zoneAt(i);
                buildCursor_ = starts[size_t(i)];
                EventNode* next = buildCluster(s, z);
                for (int d = 0; d < t.boundTracks; ++d)
                    if (zoneOf_[size_t(d)] == z) t.cursor[size_t(d)] = next;
            }
        } else {
            EventNode* start = nullptr;
            for (int d = 0; d < t.boundTracks; ++d) {
                if (!isInteractive(d) || !sameAddress(t.input[size_t(d)], dev)) continue;
                zoneOf_[size_t(d)] = Zone::Whole;
                EventNode* c = t.cursor[size_t(d)];
                if (c && (!start || c->tick < start->tick)) start = c;
            }
            if (!start) continue; // no track of this device has notes left
            buildCursor_ = start;
            EventNode* next = buildCluster(s, Zone::Whole);
            for (int d = 0; d < t.boundTracks; ++d)
                if (zoneOf_[size_t(d)] == Zone::Whole) t.cursor[size_t(d)] = next;
        }
    }
    std::fill(zoneOf_.begin(), zoneOf_.end(), Zone::None);
}

EventNode* InteractiveLoop::buildCluster(DeviceState& s, Zone zone)
{
    TrackTables& t = deck_.tracks;
    const TimingParams& p = deck_.timing;
    std::vector<EventNode*>& pending = s.pending[size_t(zone)];
    const bool pc = s.device->isPcKeyboard();
    EventNode* start = buildCursor_;
    if (zone == Zone::Whole) s.anyOrderLogged = false;
    if (!start) return nullptr;
    const bool firstVariant = start->isSoundingNoteOn();
    const uint64_t t0 = start->tick;
    uint64_t previousNoteOn = t0;
    bool tookNoteOn = false;

    for (EventNode* n = start; n; n = n->next) {
        if (firstVariant && deck_.stopFlag.load()) return nullptr;
        const int d = t.displayIndexOf(int(n->track));
        if (d < 0 || d >= t.boundTracks || zoneOf_[size_t(d)] != zone) continue;
        const int type = n->type();
        if (n->isSoundingNoteOn()) {
            const uint64_t tol = p.clusterTolerance(n->tempo);
            // The first note always belongs to the cluster, whatever the tolerance.
            if (tookNoteOn && tol <= n->tick - previousNoteOn) return n;
            previousNoteOn = n->tick;
        }
        const uint64_t rel = n->tick - t0;
        if (isLyricMark(type)) {
            makeLyricEcho(out_, sink_.self(), *n);
            sink_.scheduleIn(out_, rel);
            continue;
        }
        if (isVarUsr(n) || !filterPasses(options_, Keys::EventFilters::Interactive, type)) continue;
        // Note-offs go out when the key is released; stray ones are ignored.
        if (n->isNoteOffEvent()) continue;

        snd_seq_event_t& o = n->output;
        o = n->event;
        const OutputDevice* device = t.output[size_t(d)];
        if (type == SND_SEQ_EVENT_TEMPO) {
            const snd_seq_addr_t self = sink_.self();
            snd_seq_ev_set_dest(&o, self.client, self.port);
        } else if (device) {
            snd_seq_ev_set_dest(&o, static_cast<unsigned char>(device->client),
                                static_cast<unsigned char>(device->port));
        }
        if (!n->isSoundingNoteOn()) {
            if (type == SND_SEQ_EVENT_PGMCHANGE && device)
                o.data.control.value =
                    device->programFor(o.data.control.channel, o.data.control.value);
            n->clusterOffset = uint32_t(firstVariant ? rel : rel + 10);
            pending.push_back(n);
            continue;
        }
        tookNoteOn = true;
        if (options_.filedur.load()) {
            const uint64_t length =
                n->partner ? n->partner->tick - n->tick : uint64_t(ticksPerMeasure_);
            o.type = SND_SEQ_EVENT_NOTE;
            o.data.note.duration = static_cast<unsigned int>(length);
            o.data.note.off_velocity = 0;
        } else if (n->partner) {
            n->partner->clusterOffset = uint32_t(rel);
        }
        n->clusterOffset = uint32_t(rel);
        if (pc || options_.filevel.load())
            o.data.note.velocity =
                static_cast<unsigned char>(clamp127(n->velocity() + t.velocityShift[size_t(d)]));
        o.data.note.note = static_cast<unsigned char>(clamp127(n->note() + t.transpose[size_t(d)]));
        if (deck_.recording.load()) ++interactiveNotes_;
        t.lastNoteOn[size_t(d)] = n;
        if (s.device->kbmode == AllClusterNotes && n->channel() != kDrumChannel)
            echoNow(SND_SEQ_EVENT_USR3, KeyHintEcho, OmnikeyState, o.data.note.note,
                    s.device->client, s.device->port);
        pending.push_back(n);
    }
    return nullptr;
}

void InteractiveLoop::markPlayed(EventNode* n, uint64_t relativeTicks)
{
    const uint64_t played = sink_.currentTick() + startTick_ + relativeTicks;
    if (options_.showshiftwhenrecording.load()) {
        n->altTick = n->tick;
        n->tick = played;
    } else {
        n->altTick = played;
    }
}

// For the journal and the take's analysis: where the cluster's first note is
// in the file and where the key put it, with the boost and the key's velocity.
// A loop's later passes are measured from where each pass started.
void InteractiveLoop::logCluster(const EventNode* first, uint64_t playedTick, const DeviceState& s,
                                 int velocity)
{
    std::vector<TakeCluster>& log = deck_.takeLog;
    if (log.size() == log.capacity()) return; // no allocation on this thread
    TakeCluster c;
    c.fileTick = first->tick;
    c.playedTick = playedTick - passShift_;
    c.tempo = first->tempo;
    // While stepping up, the pass's boost is what the queue plays at.
    c.boost = deck_.loop.passBoost > 0 ? deck_.loop.passBoost : deck_.timing.tempoBoost;
    c.velocity = s.device->isPcKeyboard() ? 0 : velocity;
    log.push_back(c);
}

int InteractiveLoop::playedVelocity(const DeviceState& s, int d, int keyVelocity) const
{
    if (s.device->isPcKeyboard() || options_.filevel.load()) return -1;
    return clamp127(keyVelocity + deck_.tracks.velocityShift[size_t(d)]);
}

void InteractiveLoop::ringCluster(DeviceState& s, Zone zone, int key, int velocity)
{
    std::vector<EventNode*>& pending = s.pending[size_t(zone)];
    if (pending.empty()) return;
    const TrackTables& t = deck_.tracks;
    const bool recording = deck_.recording.load();
    uint64_t lastTick = 0;
    const auto first = std::find_if(pending.begin(), pending.end(),
                                    [](const EventNode* n) { return n->isSoundingNoteOn(); });
    if (first != pending.end())
        logCluster(*first, sink_.currentTick() + startTick_ + (*first)->clusterOffset, s, velocity);
    for (EventNode* n : pending) {
        snd_seq_event_t& o = n->output;
        const uint64_t rel = n->clusterOffset;
        const int d = t.displayIndexOf(int(n->track));
        lastTick = n->tick;
        if (recording) markPlayed(n, rel);
        if (n->isSoundingNoteOn()) {
            const int v = playedVelocity(s, d, velocity);
            if (v >= 0) o.data.note.velocity = static_cast<unsigned char>(v);
            if (o.type == SND_SEQ_EVENT_NOTE) {
                if (n->channel() != kDrumChannel) {
                    echoIn(SND_SEQ_EVENT_USR6, UserNoteEcho, rel, int(zone), o.data.note.note,
                           s.device->client, s.device->port);
                    echoIn(SND_SEQ_EVENT_USR7, UserNoteEcho, rel + o.data.note.duration, int(zone),
                           o.data.note.note, s.device->client, s.device->port);
                }
            } else if (n->channel() != kDrumChannel) {
                echoIn(SND_SEQ_EVENT_USR6, UserNoteEcho, rel, int(zone), o.data.note.note,
                       s.device->client, s.device->port);
            }
            n->nextSounding = s.sounding[size_t(key & 127)];
            s.sounding[size_t(key & 127)] = n;
        }
        sink_.scheduleIn(o, rel);
    }
    pending.clear();
    const InputDevice& dev = *s.device;
    if (options_.tempoadapt.load() &&
        ((dev.tempoleader && dev.leadzone == zone) || zone == Zone::Whole || dev.isPcKeyboard())) {
        if (recording) deck_.takeFollowed = true;
        advanceTempoFollower(lastTick);
    }
}

void InteractiveLoop::advanceTempoFollower(uint64_t songTick)
{
    TempoFollower& f = follower_;
    if (++f.rings < TempoFollower::period(options_.smooth.load())) return;
    f.rings = 0;
    const int boost = deck_.timing.tempoBoost;
    if (boost < 83 || boost > 120) return;
    const uint64_t p = clockPosition_;
    // A new session may start anywhere: no progress to compare across it.
    if (f.song >= songTick || f.clock > p) {
        f.clock = f.song = 0;
        return;
    }
    const float ratio = float(double(p - f.clock) / double(songTick - f.song));
    postEvent(deckReceiver_, new DoubleEvent(TempoRatioEvent, double(ratio)));
    f.clock = p;
    f.song = songTick;
}

void InteractiveLoop::assignFrom(const InputDevice& dev, int first, EventNode* cursor, Zone zone)
{
    const TrackTables& t = deck_.tracks;
    zoneOf_[size_t(first)] = zone;
    // Finished tracks all share a null cursor: only those of this zone go along.
    for (int d = first + 1; d < t.boundTracks; ++d)
        if (isInteractive(d) && t.cursor[size_t(d)] == cursor &&
            sameAddress(t.input[size_t(d)], dev) && trackInZone(zone, d))
            zoneOf_[size_t(d)] = zone;
}

bool InteractiveLoop::keyPress(DeviceState& s, int key, int velocity)
{
    TrackTables& t = deck_.tracks;
    const InputDevice& dev = *s.device;
    const Zone z = zoneOfKey(dev, key);
    std::fill(zoneOf_.begin(), zoneOf_.end(), Zone::None);

    if (dev.kbmode == OneKeyPerCluster) {
        int first = -1;
        for (int d = 0; d < t.boundTracks && first < 0; ++d)
            if (isInteractive(d) && sameAddress(t.input[size_t(d)], dev) && trackInZone(z, d))
                first = d;
        if (first < 0) return false; // the caller plays it on a free track
        buildCursor_ = t.cursor[size_t(first)];
        zoneOf_[size_t(first)] = z;
        ringCluster(s, z, key, velocity);
        assignFrom(dev, first, buildCursor_, z);
        hold(s, key);
        if (startMessageState_ > 1) {
            postEvent(mainReceiver_, new StatusbarEvent(ClearStatusbarEvent, QString()));
            startMessageState_ = 0;
        }
        if (!buildCursor_) {
            for (int d = 0; d < t.boundTracks; ++d)
                if (zoneOf_[size_t(d)] == z) t.playedUpTo[size_t(d)] = UINT64_MAX;
        } else {
            const uint64_t at = buildCursor_->tick;
            EventNode* next = buildCluster(s, z);
            for (int d = 0; d < t.boundTracks; ++d) {
                if (zoneOf_[size_t(d)] != z) continue;
                t.cursor[size_t(d)] = next;
                t.playedUpTo[size_t(d)] = at;
            }
            requestRepaint();
        }
        return true;
    }
    if (dev.kbmode != AllClusterNotes) return true; // keys of an unknown mode ring nothing

    // Any order: the key must be one of the cluster's notes. Such a device's
    // clusters always cover the whole keyboard.
    std::vector<EventNode*>& pending = s.pending[size_t(Zone::Whole)];
    int found = -1;
    bool listening = false;
    for (int d = 0; d < t.boundTracks && found < 0; ++d) {
        if (!isInteractive(d) || !sameAddress(t.input[size_t(d)], dev)) continue;
        listening = true;
        auto it = std::find_if(pending.begin(), pending.end(), [key](const EventNode* n) {
            return n->isSoundingNoteOn() && n->output.data.note.note == key;
        });
        if (it == pending.end()) {
            const uint64_t tol = deck_.timing.tick_tol;
            for (int i = 0; i < 4; ++i)
                echoIn(SND_SEQ_EVENT_USR3 + (i % 2), KeyHintEcho, uint64_t(i) * tol,
                       i % 2 ? BlackKeyState : WrongKeyState, key, dev.client, dev.port);
            continue;
        }
        EventNode* n = *it;
        pending.erase(it);
        if (n->channel() != kDrumChannel)
            echoNow(SND_SEQ_EVENT_USR4, KeyHintEcho, 0, n->output.data.note.note, dev.client,
                    dev.port);
        found = d;
        if (!s.anyOrderLogged) {
            // The cluster's first key says how early or late it was played.
            s.anyOrderLogged = true;
            logCluster(n, sink_.currentTick() + startTick_, s, velocity);
        }
        sendFound(s, n, key, velocity);
    }
    if (!listening) return false;
    // One held key however many tracks listen, so releases balance.
    hold(s, key);
    if (found < 0) return true;
    buildCursor_ = t.cursor[size_t(found)];
    assignFrom(dev, found, buildCursor_, Zone::Whole);
    const bool notesLeft = std::any_of(pending.begin(), pending.end(),
                                       [](const EventNode* n) { return n->isSoundingNoteOn(); });
    if (!notesLeft) {
        ringCluster(s, Zone::Whole, key, velocity);
        EventNode* next = buildCluster(s, Zone::Whole);
        // Without a next cluster the track ends: its last one is pending now
        // (and must not be built again) or was just rung.
        for (int d = 0; d < t.boundTracks; ++d) {
            if (zoneOf_[size_t(d)] != Zone::Whole) continue;
            t.cursor[size_t(d)] = next;
            if (next)
                t.playedUpTo[size_t(d)] = next->tick;
            else if (!buildCursor_)
                t.playedUpTo[size_t(d)] = UINT64_MAX;
        }
    }
    requestRepaint();
    return true;
}

void InteractiveLoop::requestRepaint()
{
    if (!deck_.repaintPosted.exchange(true))
        postEvent(deckReceiver_, new QEvent(eventType(RepaintDiagramEvent)));
}

void InteractiveLoop::sendFound(DeviceState& s, EventNode* n, int key, int velocity)
{
    const int d = deck_.tracks.displayIndexOf(int(n->track));
    snd_seq_event_t& o = n->output;
    const int v = playedVelocity(s, d, velocity);
    if (v >= 0) o.data.note.velocity = static_cast<unsigned char>(v);
    if (deck_.recording.load()) markPlayed(n, 0);
    if (n->channel() != kDrumChannel) {
        echoNow(SND_SEQ_EVENT_USR6, UserNoteEcho, int(Zone::Whole), o.data.note.note,
                s.device->client, s.device->port);
        if (o.type == SND_SEQ_EVENT_NOTE)
            echoIn(SND_SEQ_EVENT_USR7, UserNoteEcho, o.data.note.duration, int(Zone::Whole),
                   o.data.note.note, s.device->client, s.device->port);
    }
    n->clusterOffset = 0;
    if (n->partner) n->partner->clusterOffset = 0;
    n->nextSounding = s.sounding[size_t(key & 127)];
    s.sounding[size_t(key & 127)] = n;
    sink_.sendNow(o);
}

void InteractiveLoop::hold(DeviceState& s, int key)
{
    if (s.held[size_t(key & 127)]) return;
    s.held.set(size_t(key & 127));
    ++heldKeys_;
}

void InteractiveLoop::keyRelease(DeviceState& s, const snd_seq_event_t& ev, int key)
{
    TrackTables& t = deck_.tracks;
    const InputDevice& dev = *s.device;
    // The release ends what the press rang, whatever became of the tracks,
    // their devices or the mode meanwhile. A key never seen pressed rang nothing.
    const size_t k = size_t(key & 127);
    if (s.freeKeys[k]) {
        s.freeKeys.reset(k);
        freeNote(s, ev);
    }
    if (!s.held[k]) return;
    s.held.reset(k);
    if (heldKeys_ > 0) --heldKeys_;
    // Any-order clusters cover the whole keyboard, so their releases must too.
    const Zone z = dev.kbmode == AllClusterNotes ? Zone::Whole : zoneOfKey(dev, key);
    EventNode*& head = s.sounding[size_t(key & 127)];
    if (!options_.filedur.load()) {
        const bool recording = deck_.recording.load();
        for (EventNode* n = head; n; n = n->nextSounding) {
            EventNode* off = n->partner;
            if (!off) continue;
            const int d = t.displayIndexOf(int(off->track));
            snd_seq_event_t& o = off->output;
            o = off->event;
            o.type = SND_SEQ_EVENT_NOTEOFF;
            o.data.note.note = n->output.data.note.note;
            const OutputDevice* device = d >= 0 ? t.output[size_t(d)] : nullptr;
            if (device)
                snd_seq_ev_set_dest(&o, static_cast<unsigned char>(device->client),
                                    static_cast<unsigned char>(device->port));
            if (recording) markPlayed(off, off->clusterOffset);
            if (n->channel() != kDrumChannel)
                echoIn(SND_SEQ_EVENT_USR7, UserNoteEcho, off->clusterOffset, int(z),
                       o.data.note.note, dev.client, dev.port);
            sink_.scheduleIn(o, off->clusterOffset);
        }
    }
    for (EventNode* n = head; n;) {
        EventNode* following = n->nextSounding;
        n->nextSounding = nullptr;
        n = following;
    }
    head = nullptr;
}

void InteractiveLoop::freeNote(DeviceState& s, const snd_seq_event_t& ev)
{
    TrackTables& t = deck_.tracks;
    const InputDevice& dev = *s.device;
    for (int j = 0; j < t.freeTracks; ++j) {
        const int d = t.boundTracks + j;
        if (t.mute[size_t(d)] || !sameAddress(t.input[size_t(d)], dev)) continue;
        const OutputDevice* device = t.output[size_t(d)];
        const bool on = ev.type == SND_SEQ_EVENT_NOTEON;
        heldFree_ += on ? 1 : (heldFree_ > 0 ? -1 : 0);
        const int channel = firstSetChannel(t.channelPattern[size_t(d)]);
        out_ = ev;
        out_.data.note.channel = static_cast<unsigned char>(channel);
        out_.data.note.note =
            static_cast<unsigned char>(clamp127(ev.data.note.note + t.transpose[size_t(d)]));
        if (on)
            out_.data.note.velocity = static_cast<unsigned char>(
                clamp127(ev.data.note.velocity + t.velocityShift[size_t(d)]));
        if (device)
            snd_seq_ev_set_dest(&out_, static_cast<unsigned char>(device->client),
                                static_cast<unsigned char>(device->port));
        const int shown = out_.data.note.note;
        sink_.sendNow(out_);
        if (deck_.recording.load()) {
            // Kept as played: the track's offsets are applied when it plays,
            // or baked in once when it is bound.
            snd_seq_event_t raw = ev;
            raw.data.note.channel = static_cast<unsigned char>(channel);
            snd_seq_ev_set_subs(&raw);
            raw.dest.port = SND_SEQ_ADDRESS_UNKNOWN;
            deck_.tracks.addFreeTrackEvent(deck_.song.events, deck_.timing, j, raw,
                                           sink_.currentTick() + startTick_);
            if (on) {
                ++freeNotes_;
                ++t.noteOnCount[size_t(d)];
            }
        }
        if (channel != kDrumChannel)
            echoNow(on ? SND_SEQ_EVENT_USR6 : SND_SEQ_EVENT_USR7, UserNoteEcho, int(Zone::None),
                    shown, dev.client, dev.port);
        return;
    }
}

void InteractiveLoop::forward(DeviceState& s, const snd_seq_event_t& ev)
{
    TrackTables& t = deck_.tracks;
    const InputDevice& dev = *s.device;
    const int type = ev.type;
    const int channel = ev.data.control.channel & 15;
    const bool recording = deck_.recording.load();
    const uint64_t tick = recording ? sink_.currentTick() + startTick_ : 0;
    for (int d = 0; d < t.boundTracks; ++d) {
        if (t.mute[size_t(d)] || !filterPasses(options_,
                                               isInteractive(d) ? Keys::EventFilters::Interactive
                                                                : Keys::EventFilters::Accompaniment,
                                               type))
            continue;
        if (!(t.channelPattern[size_t(d)] & channelBit(channel))) continue;
        const bool fromTrackInput = sameAddress(t.input[size_t(d)], dev);
        if (type == SND_SEQ_EVENT_CONTROLLER && !fromTrackInput) continue;
        if ((type == SND_SEQ_EVENT_KEYPRESS || type == SND_SEQ_EVENT_CHANPRESS ||
             type == SND_SEQ_EVENT_PITCHBEND) &&
            !(fromTrackInput || ev.source.port == sink_.self().port))
            continue;
        OutputDevice* device = t.output[size_t(d)];
        out_ = ev;
        if (device)
            snd_seq_ev_set_dest(&out_, static_cast<unsigned char>(device->client),
                                static_cast<unsigned char>(device->port));
        sink_.sendNow(out_);
        if (type == SND_SEQ_EVENT_PGMCHANGE && device)
            device->programs[size_t(channel)] = ev.data.control.value;
        if (recording) {
            snd_seq_event_t copy = ev;
            snd_seq_ev_set_subs(&copy);
            copy.dest.port = SND_SEQ_ADDRESS_UNKNOWN;
            t.addTrackEvent(deck_.song.events, deck_.timing, d, copy, tick);
        }
        return;
    }
    for (int j = 0; j < t.freeTracks; ++j) {
        const int d = t.boundTracks + j;
        if (t.mute[size_t(d)] || !filterPasses(options_, Keys::EventFilters::Free, type) ||
            !sameAddress(t.input[size_t(d)], dev))
            continue;
        OutputDevice* device = t.output[size_t(d)];
        out_ = ev;
        out_.data.control.channel =
            static_cast<unsigned char>(firstSetChannel(t.channelPattern[size_t(d)]));
        if (device)
            snd_seq_ev_set_dest(&out_, static_cast<unsigned char>(device->client),
                                static_cast<unsigned char>(device->port));
        sink_.sendNow(out_);
        if (type == SND_SEQ_EVENT_PGMCHANGE && device)
            device->programs[size_t(out_.data.control.channel)] = ev.data.control.value;
        if (recording) {
            snd_seq_event_t copy = out_;
            snd_seq_ev_set_subs(&copy);
            copy.dest.port = SND_SEQ_ADDRESS_UNKNOWN;
            t.addFreeTrackEvent(deck_.song.events, deck_.timing, j, copy, tick);
        }
        return;
    }
}

bool InteractiveLoop::handle(const snd_seq_event_t& ev)
{
    int client = ev.source.client, port = ev.source.port;
    if (port > 254) client = port; // the PC keyboard
    DeviceState* s = stateOf(client, port);
    if (!s || s->device->ignoreInput) return false;
    switch (ev.type) {
    case SND_SEQ_EVENT_NOTEON:
        if (ev.data.note.velocity > 0) {
            // No interactive track takes the key: improvisation.
            const int key = ev.data.note.note & 127;
            if (!keyPress(*s, key, ev.data.note.velocity)) {
                s->freeKeys.set(size_t(key));
                freeNote(*s, ev);
            }
            return true;
        }
        [[fallthrough]];
    case SND_SEQ_EVENT_NOTEOFF: {
        snd_seq_event_t off = ev;
        if (off.type == SND_SEQ_EVENT_NOTEON) {
            off.type = SND_SEQ_EVENT_NOTEOFF;
            off.data.note.velocity = 64;
        }
        keyRelease(*s, off, off.data.note.note & 127);
        return true;
    }
    case SND_SEQ_EVENT_CONTROLLER:
    case SND_SEQ_EVENT_KEYPRESS:
    case SND_SEQ_EVENT_CHANPRESS:
    case SND_SEQ_EVENT_PITCHBEND:
    case SND_SEQ_EVENT_PGMCHANGE:
        forward(*s, ev);
        return true;
    default:
        return false;
    }
}

void InteractiveLoop::releaseDevice(int client, int port)
{
    DeviceState* s = stateOf(client, port);
    if (!s) return;
    snd_seq_event_t off;
    snd_seq_ev_clear(&off);
    off.source.client = static_cast<unsigned char>(client);
    off.source.port = static_cast<unsigned char>(port);
    for (int key = 0; key < 128; ++key) {
        if (!s->held[size_t(key)] && !s->freeKeys[size_t(key)]) continue;
        snd_seq_ev_set_noteoff(&off, 0, key, 64);
        keyRelease(*s, off, key);
    }
}

bool InteractiveLoop::keepsSongAlive() const
{
    if (heldKeys_ > 0 || heldFree_ > 0 || freeNotes_ > 0) return true;
    for (const DeviceState& s : devices_)
        for (const auto& pending : s.pending)
            if (!pending.empty()) return true;
    const TrackTables& t = deck_.tracks;
    for (int d = 0; d < t.boundTracks; ++d)
        if (isInteractive(d) && t.cursor[size_t(d)]) return true;
    return false;
}
