#include "song/preparation.h"

#include "core/devices.h"
#include "core/messages.h"
#include "song/deckmodel.h"
#include "song/songnames.h"

#include <QCoreApplication>
#include <algorithm>
#include <climits>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace
{

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(Preparation)
};

int roundToMultipleOf24(int ticks)
{
    const int r = ticks % 24;
    return r <= 12 ? ticks - r : ticks - r + 24;
}

// The file's ticks per quarter note as num / den of the rounded tick4qn:
// den / num ticks per quarter note before rounding. {1, 1} when nothing moves
// or the file gives no time base.
struct TickScale {
    uint64_t num = 1;
    uint64_t den = 1;
};

TickScale fileTickScale(const FileFacts& f, const TimingParams& p)
{
    TickScale s;
    if (f.division & 0x8000) {
        // Keep the exact frame rate rather than the truncated ticks per quarter note.
        const uint64_t framesPerSecond = uint64_t(256 - ((f.division >> 8) & 0xFF));
        const uint64_t ticksPerFrame = uint64_t(f.division & 0xFF);
        s.num = uint64_t(p.tick4qn) * 1000000u;
        s.den = framesPerSecond * ticksPerFrame * uint64_t(p.tempo);
    } else {
        s.num = uint64_t(p.tick4qn);
        s.den = uint64_t(f.division);
    }
    if (s.den == 0 || s.num == s.den) return TickScale();
    return s;
}

__extension__ typedef unsigned __int128 WideTick;

// tick * num / den rounded half up; never the "no tick" value.
uint64_t scaleTick(uint64_t tick, const TickScale& s)
{
    const WideTick v = (WideTick(tick) * s.num + s.den / 2) / s.den;
    return v >= WideTick(kNoTick) ? kNoTick - 1 : uint64_t(v);
}

// The queue runs at the rounded ticks per quarter note: move every event
// there so the song keeps its own timing. The mapping is monotonic, so the
// order stays.
void rescaleTicks(Song& song, const TimingParams& p)
{
    if (song.ticksRescaled) return;
    song.ticksRescaled = true;
    const TickScale s = fileTickScale(song.facts, p);
    if (s.num == s.den) return;
    for (EventNode* n = song.events.head(); n; n = n->next) {
        n->tick = scaleTick(n->tick, s);
        n->event.time.tick = static_cast<snd_seq_tick_time_t>(n->tick);
        if (n->altTick != kNoTick) n->altTick = scaleTick(n->altTick, s);
    }
}

} // namespace

void computeTiming(DeckModel& deck, const PrepareOptions& options)
{
    const FileFacts& f = deck.song.facts;
    TimingParams& p = deck.timing;
    // A tempo of 0 would divide by zero everywhere: play such a file at the
    // tempo of a file without one.
    p.tempo = f.firstTempo == kNoTempo || f.firstTempo == 0 ? 500000 : int(f.firstTempo);
    p.beat4min = 60000000 / p.tempo;
    p.tempoBoost = 100;
    p.nb_measures = 4;
    p.ms_tol = options.msTol;
    p.pix4mc = options.zoom * 0.25;
    if (p.pix4mc <= 0) p.pix4mc = 1.5;

    int64_t tick4qn = f.division;
    if (f.division & 0x8000) {
        const int64_t framesPerSecond = 256 - ((f.division >> 8) & 0xFF);
        const int64_t ticksPerFrame = f.division & 0xFF;
        tick4qn = framesPerSecond * ticksPerFrame * p.tempo / 1000000;
    }
    // The division is saved in 15 bits.
    tick4qn = std::min<int64_t>(tick4qn, 32760);
    // Time signatures that would divide by zero count as 4/4.
    p.temps = f.timeSigNumerator > 0 && f.timeSigNumerator < 256 ? int(f.timeSigNumerator) : 4;
    p.beatvalue =
        f.timeSigDenominator > 0 && f.timeSigDenominator <= 64 ? int(f.timeSigDenominator) : 4;
    p.trcr4qn = int(f.thirtySecondsPerQuarter);
    p.mc4qn = 24;
    // Fewer than 13 ticks per quarter note would round to none: take the
    // nearest multiple that is not zero.
    p.tick4qn = std::max(24, roundToMultipleOf24(int(tick4qn)));
    p.tick4beat = p.tick4qn * 4 / p.beatvalue;
    p.tick4measure = p.tick4beat * p.temps;
    p.minticks = uint32_t(p.tick4qn / p.mc4qn);
    p.tick_tol = p.toleranceTicks(p.tempo);
    p.tick4pix = p.tick4qn / (p.mc4qn * p.pix4mc);
    p.pix4measure = p.tick4measure * p.mc4qn * p.pix4mc / p.tick4qn;
    p.pix4sec = p.mc4qn * 1000000.0 * p.pix4mc / p.tempo;
}

void pairNotes(DeckModel& deck, bool freeTracks)
{
    EventList& list = deck.song.events;
    TrackTables& t = deck.tracks;
    const uint32_t lo = freeTracks ? uint32_t(t.fileTracks) : 0;
    const uint32_t hi = freeTracks ? uint32_t(t.fileTracks + t.freeTracks) : uint32_t(t.fileTracks);
    if (!freeTracks) t.fileChannelPattern.assign(size_t(t.fileTracks), 0);
    bool flipped = false;
    bool errors = false;
    // Note Ons of one track, channel and key waiting for their note-off, and
    // the note-off events of the current tick that found none (a Note On of
    // the same tick later takes them: a zero-length note stored backwards).
    struct HeldKey {
        std::vector<EventNode*> waiting;
        size_t firstWaiting = 0;
        std::vector<EventNode*> orphans;
        size_t firstOrphan = 0;
        uint64_t orphanGroup = 0;
    };
    // One pass, each node touched a bounded number of times: every Note On
    // takes the first free note-off of its key after it, so the note-offs
    // take the waiting Note Ons first come, first served.
    std::unordered_map<uint64_t, HeldKey> keys;
    std::vector<EventNode*> noteOns; // in walk order, for the gaps
    uint64_t group = 0;
    bool anyGroup = false;
    uint64_t groupTick = 0;

    for (EventNode* n = list.head(); n;) {
        if (n->track < lo || n->track >= hi) {
            n = n->next;
            continue;
        }
        if (!anyGroup || n->tick > groupTick) {
            anyGroup = true;
            groupTick = n->tick;
            ++group;
        }
        EventNode* leaving = n;
        const bool noteOff = n->isNoteOffEvent();
        if (!n->isNoteOn() && n->type() != kTypeNoteOff) {
            n->partner = nullptr;
        } else if (noteOff || n->isSoundingNoteOn()) {
            const uint64_t key = (uint64_t(n->track - lo) << 11) |
                                 (uint64_t(n->channel() & 15) << 7) | uint64_t(n->note() & 127);
            HeldKey& k = keys[key];
            if (k.orphanGroup != group) {
                k.orphans.clear();
                k.firstOrphan = 0;
                k.orphanGroup = group;
            }
            if (noteOff) {
                if (!n->partner) {
                    if (k.firstWaiting < k.waiting.size()) {
                        EventNode* on = k.waiting[k.firstWaiting++];
                        on->partner = n;
                        n->partner = on;
                    } else {
                        k.orphans.push_back(n);
                    }
                }
            } else {
                if (!freeTracks) t.fileChannelPattern[n->track] |= channelBit(n->channel());
                noteOns.push_back(n);
                if (k.firstOrphan < k.orphans.size()) {
                    // A zero-length note stored off-before-on: put the on first.
                    EventNode* off = k.orphans[k.firstOrphan++];
                    list.swapPlaces(off, n);
                    flipped = true;
                    leaving = off;
                    n->partner = off;
                    off->partner = n;
                } else if (n->partner) {
                    n->partner->partner = n;
                } else {
                    k.waiting.push_back(n);
                }
            }
        }
        if (leaving->altTick == kNoTick) leaving->altTick = leaving->tick;
        n = leaving->next;
    }

    std::vector<EventNode*> lastNoteOn(hi - lo, nullptr);
    for (EventNode* n : noteOns) {
        if (!n->partner) {
            errors = true;
            continue;
        }
        EventNode*& last = lastNoteOn[n->track - lo];
        n->noteGap = last ? uint32_t(n->tick - last->tick) : kNoGap;
        last = n;
    }
    if (flipped)
        Messages::warning(Texts::tr("Zero length flipped notes detected and corrected in %1.")
                              .arg(deck.fileName));
    if (errors)
        Messages::warning(Texts::tr("Errors were found while parsing %1.").arg(deck.fileName));
}

void measureNoteGaps(EventList& list, uint32_t first, uint32_t last)
{
    std::vector<EventNode*> previous(last - first + 1, nullptr);
    for (EventNode* n = list.head(); n; n = n->next) {
        if (n->track < first || n->track > last || !n->isSoundingNoteOn()) continue;
        const bool paired = n->partner && n->partner->partner == n;
        EventNode*& p = previous[n->track - first];
        n->noteGap = p && paired ? uint32_t(n->tick - p->tick) : kNoGap;
        if (paired) p = n;
    }
}

PrepareResult prepareSong(DeckModel& deck, const PrepareOptions& options)
{
    std::lock_guard<std::mutex> lock(deck.mutex);
    Song& song = deck.song;
    const FileFacts& f = song.facts;
    TrackTables& t = deck.tracks;

    computeTiming(deck, options);
    deck.fileTempo = deck.timing.tempo;
    ++deck.preparations;
    deck.format = f.format;
    deck.rawDivision = f.division;
    deck.keySharpsFlats = f.keySharpsFlats;
    deck.keyMode = f.keyMode;
    deck.clearModified();
    if (deck.actionChanged) deck.actionChanged(DeckAction::AllNotesOff, false);

    rescaleTicks(song, deck.timing);
    t = TrackTables();
    t.fileTracks = f.ntracks;
    pairNotes(deck, false);

    int bound = 0;
    t.displayMap.assign(size_t(f.ntracks), -2);
    for (int i = 0; i < f.ntracks; ++i)
        if (f.noteOnCounts[size_t(i)] > 0) t.displayMap[size_t(i)] = bound++;

    const auto usable = deck.devices.usableInputs();
    // Without an output the song can still be shown and listened to (Listen
    // reports the missing device): the bound tracks get their tables all the same.
    const bool output = deck.devices.hasUsableOutput();
    if (!output)
        Messages::warning(
            deck.devices.outputs.empty()
                ? Texts::tr(
                      "No sound will be heard since no output devices were found. Check Devices "
                      "setup in Options in case a valid output device is set to be ignored.")
                : Texts::tr(
                      "No operational output devices were found. Check Devices setup in Options "
                      "to allow at least one output device."));

    const int free = output ? int(usable.size()) : 0;
    t.resize(bound, free);
    deck.selected.assign(size_t(bound + free), 0);
    for (int k = 0; k < bound; ++k) {
        t.input[size_t(k)] = &deck.devices.defaultInput;
        t.output[size_t(k)] = &deck.devices.defaultOutput;
        t.zone[size_t(k)] = zoneAt(k % kSplitZones);
    }
    if (output && free == 0) Messages::warning(Texts::tr("No midi keyboard for input."));
    for (int j = 0; j < free; ++j) {
        t.input[size_t(bound + j)] = usable[size_t(j)];
        t.output[size_t(bound + j)] = &deck.devices.defaultOutput;
    }

    const EventNode* tail = song.events.tail();
    const uint64_t beats = (tail ? tail->tick : 0) / uint64_t(deck.timing.tick4beat) + 1;
    deck.beats = int(std::min<uint64_t>(beats, uint64_t(INT_MAX)));
    deck.resetCursors();

    for (int k = 0; k < bound; ++k) {
        const int track = t.storeTrackOf(k);
        t.noteOnCount[size_t(k)] = f.noteOnCounts[size_t(track)];
        t.channelPattern[size_t(k)] = t.fileChannelPattern[size_t(track)];
    }
    for (int j = 0; j < free; ++j) {
        const int d = bound + j;
        const int channel = t.firstFreeChannel(t.output[size_t(d)]);
        t.channelPattern[size_t(d)] = channelBit(channel);
        snd_seq_event_t pc{};
        pc.type = SND_SEQ_EVENT_PGMCHANGE;
        pc.dest.client = SND_SEQ_ADDRESS_SUBSCRIBERS;
        pc.dest.port = SND_SEQ_ADDRESS_UNKNOWN;
        pc.data.control.channel = static_cast<unsigned char>(channel);
        pc.data.control.value = 0;
        t.addFreeTrackEvent(song.events, deck.timing, j, pc, 0);
    }
    return output ? PrepareResult::Prepared : PrepareResult::NoOutput;
}
