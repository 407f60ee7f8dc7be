#include "song/handsplit.h"

#include "core/midi.h"
#include "song/deckmodel.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace
{

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(HandSplit)
};

constexpr int kTrackNameMeta = kTypeTextBase + 3;

EventNode* trackNameEvent(const EventList& list, uint32_t track)
{
    for (EventNode* n = list.head(); n; n = n->next)
        if (n->track == track && n->type() == kTrackNameMeta) return n;
    return nullptr;
}

// The name the two hands are called after: the track's own name event,
// else what the file facts show, else its number in the track strip.
QByteArray baseName(const DeckModel& deck, int displayIndex, uint32_t track,
                    const EventNode* nameEvent)
{
    if (nameEvent && nameEvent->dataLength() > 0)
        return QByteArray(reinterpret_cast<const char*>(nameEvent->data()),
                          int(nameEvent->dataLength()));
    const auto& names = deck.song.facts.trackNames;
    if (track < names.size() && !names[track].isEmpty())
        return names[track].split('\n').constFirst();
    return Texts::tr("Track %1").arg(displayIndex + 1).toLocal8Bit();
}

// The translated pattern around the name's own bytes, which may not be text
// in the locale's encoding.
QByteArray handName(const QByteArray& base, Hand hand)
{
    const QString pattern =
        hand == Hand::Right ? Texts::tr("%1 (right hand)") : Texts::tr("%1 (left hand)");
    const int at = pattern.indexOf(QLatin1String("%1"));
    if (at < 0) return base + ' ' + pattern.toLocal8Bit();
    return pattern.left(at).toLocal8Bit() + base + pattern.mid(at + 2).toLocal8Bit();
}

void setText(EventNode* n, const QByteArray& text)
{
    auto* copy = static_cast<unsigned char*>(std::malloc(size_t(text.size()) + 1));
    std::memcpy(copy, text.constData(), size_t(text.size()) + 1);
    if (n->ownsData()) std::free(n->event.data.ext.ptr);
    n->event.type = kTrackNameMeta;
    n->event.flags = SND_SEQ_EVENT_LENGTH_VARUSR;
    n->event.data.ext.ptr = copy;
    n->event.data.ext.len = uint32_t(text.size());
}

// Names a track in the list, where Save finds it, and in the file facts.
// Returns its name event.
EventNode* nameTrack(DeckModel& deck, uint32_t track, EventNode* nameEvent, EventNode* after,
                     const QByteArray& name)
{
    EventList& list = deck.song.events;
    if (!nameEvent) {
        nameEvent = list.newNode();
        nameEvent->track = track;
        nameEvent->tempo = deck.timing.tempo;
        setText(nameEvent, name);
        list.insertAfter(nameEvent, after);
    } else {
        setText(nameEvent, name);
    }
    auto& names = deck.song.facts.trackNames;
    if (track < names.size()) names[track] = name;
    return nameEvent;
}

void copyInto(EventNode* copy, const EventNode* source, uint32_t track)
{
    copy->tick = source->tick;
    copy->altTick = source->altTick;
    copy->tempo = source->tempo;
    copy->event = source->event;
    copy->output = source->output;
    copy->track = track;
}

bool pairedOff(const EventNode* n)
{
    return n->partner && n->partner->partner == n;
}

template <typename T> void duplicateAt(std::vector<T>& v, size_t i, const T& value)
{
    v.insert(v.begin() + std::ptrdiff_t(std::min(i, v.size())), value);
}

// Display index d + 1 and track number track + 1 come into being, as copies
// of d and track, before any higher ones.
void insertTrackEntry(DeckModel& deck, int d, uint32_t track)
{
    TrackTables& t = deck.tracks;
    FileFacts& f = deck.song.facts;
    const size_t i = size_t(d);
    for (int& m : t.displayMap)
        if (m > d) ++m;
    duplicateAt(t.displayMap, track + 1, d + 1);
    duplicateAt(t.fileChannelPattern, track + 1, t.fileChannelPattern[track]);
    duplicateAt(f.trackNames, track + 1, QByteArray());
    duplicateAt(f.noteOnCounts, track + 1, 0u);
    duplicateAt(t.channelPattern, i + 1, t.channelPattern[i]);
    duplicateAt(t.noteOnCount, i + 1, 0u);
    duplicateAt(t.solo, i + 1, t.solo[i]);
    duplicateAt(t.keyboard, i + 1, uint8_t(0));
    duplicateAt(t.mute, i + 1, t.mute[i]);
    duplicateAt(t.input, i + 1, t.input[i]);
    duplicateAt(t.output, i + 1, t.output[i]);
    duplicateAt(t.zone, i + 1, t.zone[i]);
    duplicateAt(t.velocityShift, i + 1, t.velocityShift[i]);
    duplicateAt(t.transpose, i + 1, t.transpose[i]);
    duplicateAt<EventNode*>(t.cursor, i + 1, nullptr);
    duplicateAt<EventNode*>(t.lastNoteOn, i + 1, nullptr);
    t.playedUpTo.insert(i + 1, 1, 0);
    if (deck.selected.size() > i) duplicateAt(deck.selected, i + 1, uint8_t(0));
    ++t.fileTracks;
    ++t.boundTracks;
    f.ntracks = t.fileTracks;
}

void refresh(DeckModel& deck)
{
    deck.resetCursors();
    // Reload stays: it is how the user goes back to the file's one track.
    deck.setModified(true);
    if (deck.resizeRequested) deck.resizeRequested();
    if (deck.viewsChanged) deck.viewsChanged();
}

} // namespace

std::vector<Hand> assignHandsAtKey(const std::vector<HandNote>& notes, int splitKey)
{
    std::vector<Hand> hands;
    hands.reserve(notes.size());
    for (const HandNote& n : notes) hands.push_back(n.pitch >= splitKey ? Hand::Right : Hand::Left);
    return hands;
}

// The automatic split is a shortest path over the chords (notes struck
// together). In a chord sorted by pitch, choice s gives its s lowest notes to
// the left hand and the rest to the right, so the hands never cross inside a
// chord. Each step costs:
//   - a stretch: a hand spanning more than a tenth;
//   - a move: how far a hand's notes lie outside what it covered over the
//     last beat, counting less after a rest; a line keeps its hand when it
//     crosses middle C, and a hand may run up and down an arpeggio;
//   - striking while the same hand still holds a note: a long note and a
//     running figure around it are two hands;
//   - parting a chord elsewhere than at its widest interval;
//   - the right hand below the left;
//   - notes across the split line: the key where the pitches of the bars
//     around part most clearly in two (the largest variance between the
//     parts), else the whole song's, else none for a one-hand track.
//     Higher parts go right when the rest does not decide.
// Each choice keeps the cheapest path that reaches it, with where that
// path's hands are, so the time is the notes times the choices of two
// neighbouring chords: linear for chords of bounded size.
namespace
{

constexpr double kReach = 15;         // a tenth, in semitones
constexpr double kStretchCost = 12;   // per semitone beyond the reach
constexpr double kMoveCost = 1;       // per semitone out of what the hand covered
constexpr double kRestedWeight = 0.4; // what a move still counts after a long rest
constexpr double kHeldCost = 4;       // striking while the hand still holds a note
constexpr double kGapCost = 2;    // per semitone the parting is narrower than the chord's widest
constexpr double kCrossCost = 4;  // per semitone of the right hand below the left
constexpr double kPullCost = 0.5; // per note and semitone across the split line
// Pitches part into two hands when the means of the parts lie this far apart.
constexpr double kParted = 8;
constexpr int kNoLine = -1;
constexpr int kMiddleC = 60;

// The key that best parts a histogram of pitches in two (the one that
// maximises the variance between the two parts), and how far apart the
// parts' means are; middle C when there is nothing to part.
int partingKey(const std::array<int, 128>& count, double* gap)
{
    double total = 0, weighted = 0;
    for (int p = 0; p < 128; ++p) {
        total += count[size_t(p)];
        weighted += double(p) * count[size_t(p)];
    }
    int best = kMiddleC;
    double bestVariance = -1, below = 0, belowWeighted = 0;
    *gap = 0;
    // Between two struck keys the parts stay the same: only the keys just
    // above one are worth a look.
    for (int key = 1; key < 128; ++key) {
        const int n = count[size_t(key - 1)];
        if (n == 0) continue;
        below += n;
        belowWeighted += double(key - 1) * n;
        const double above = total - below;
        if (above < 1) break;
        const double low = belowWeighted / below, high = (weighted - belowWeighted) / above;
        const double variance = below * above * (high - low) * (high - low);
        if (variance > bestVariance) {
            bestVariance = variance;
            best = key;
            *gap = high - low;
        }
    }
    return best;
}

struct HandState {
    double position;
    int low, high;      // what it covered over the last beat
    uint64_t heldUntil; // when the last of those ends
    uint64_t lastStart; // when it last struck
};

struct PathState {
    double cost = 0;
    HandState right{67, 67, 67, 0, 0};
    HandState left{48, 48, 48, 0, 0};
};

// How much a move counts after `rest` ticks without playing: fully while the
// hand is busy, less after a rest, but never nothing: a hand that has been
// idle does not take over a line the other hand is playing.
double moveWeight(uint64_t rest, uint64_t beat)
{
    const double beats = double(rest) / double(std::max<uint64_t>(beat, 1));
    return std::max(kRestedWeight, 1.0 / (1.0 + 0.75 * beats));
}

// The cost of a hand striking pitches [low, high] at `start`; moves the hand.
double playCost(const HandState& h, int low, int high, uint64_t start, uint64_t beat)
{
    double cost = kStretchCost * std::max(0.0, double(high - low) - kReach);
    const double outside = std::max(0, h.low - low) + std::max(0, high - h.high);
    cost += kMoveCost * outside * moveWeight(start - std::min(start, h.lastStart), beat);
    if (h.heldUntil > start) cost += kHeldCost;
    return cost;
}

// The hand has struck [low, high] at `start`: it covers what it struck over
// the last beat, within its reach.
void strike(HandState& h, int low, int high, uint64_t start, uint64_t end, uint64_t beat)
{
    if (h.lastStart + beat >= start) {
        int newLow = std::min(h.low, low), newHigh = std::max(h.high, high);
        if (newHigh - newLow > kReach) {
            if (high >= h.high)
                newLow = std::max(newLow, int(high - kReach));
            else
                newHigh = std::min(newHigh, int(low + kReach));
        }
        h.low = std::min(newLow, low);
        h.high = std::max(newHigh, high);
    } else {
        h.low = low;
        h.high = high;
    }
    h.position = (low + high) / 2.0;
    h.heldUntil = h.heldUntil > start ? std::max(h.heldUntil, end) : end;
    h.lastStart = start;
}

} // namespace

std::vector<Hand> assignHands(const std::vector<HandNote>& notes, uint64_t quarter)
{
    std::vector<Hand> hands(notes.size(), Hand::Right);
    if (notes.empty()) return hands;
    const uint64_t beat = std::max<uint64_t>(quarter, 1);
    // Notes struck within a 32nd of a chord's first note are the chord's.
    const uint64_t chordWindow = beat / 8;

    // Chords: runs of notes, each sorted by pitch.
    std::vector<size_t> order(notes.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::vector<size_t> chordStart;
    for (size_t i = 0; i < notes.size(); ++i)
        if (i == 0 || notes[i].start > notes[order[chordStart.back()]].start + chordWindow)
            chordStart.push_back(i);
    chordStart.push_back(notes.size());
    const size_t chords = chordStart.size() - 1;
    for (size_t c = 0; c < chords; ++c)
        std::sort(order.begin() + std::ptrdiff_t(chordStart[c]),
                  order.begin() + std::ptrdiff_t(chordStart[c + 1]),
                  [&notes](size_t a, size_t b) { return notes[a].pitch < notes[b].pitch; });

    std::vector<PathState> previous(1), current;
    std::vector<int> back; // per chord and choice, flattened
    back.reserve(notes.size() + chords);
    std::vector<size_t> backStart(chords + 1, 0);
    std::vector<double> across;

    // The split line: where the pitches of the bars around a chord part in
    // two, or of the whole song where those bars do not part clearly (one
    // hand alone).
    std::array<int, 128> histogram{};
    for (const HandNote& n : notes) ++histogram[size_t(n.pitch & 127)];
    double songGap = 0;
    int songLine = partingKey(histogram, &songGap);
    if (songGap < kParted) songLine = kNoLine;
    histogram.fill(0);
    const uint64_t reachAround = 8 * beat;
    size_t from = 0, to = 0;
    // Found again every other beat at most: the bars around barely change sooner.
    uint64_t lineUntil = 0;
    int line = songLine;
    const auto lineAt = [&](uint64_t tick) {
        if (tick < lineUntil) return line;
        lineUntil = tick + 2 * beat;
        while (to < notes.size() && notes[to].start <= tick + reachAround)
            ++histogram[size_t(notes[to++].pitch & 127)];
        while (from < to && notes[from].start + reachAround < tick)
            --histogram[size_t(notes[from++].pitch & 127)];
        double gap = 0;
        const int local = partingKey(histogram, &gap);
        line = gap >= kParted ? local : songLine;
        return line;
    };
    for (size_t c = 0; c < chords; ++c) {
        const size_t first = chordStart[c];
        const int k = int(chordStart[c + 1] - first);
        const uint64_t start = notes[order[first]].start;
        uint64_t end = start;
        for (int i = 0; i < k; ++i) end = std::max(end, notes[order[first + size_t(i)]].end);
        const auto pitchAt = [&](int i) { return notes[order[first + size_t(i)]].pitch; };
        // How far the choice puts notes across the split line here.
        const int here = lineAt(start);
        int widest = 0;
        for (int i = 1; i < k; ++i) widest = std::max(widest, pitchAt(i) - pitchAt(i - 1));
        across.assign(size_t(k) + 1, 0);
        if (here != kNoLine) {
            for (int i = 0; i < k; ++i) across[0] += std::max(0, here - pitchAt(i));
            // Each step hands one more note from the right hand to the left.
            for (int s = 1; s <= k; ++s)
                across[size_t(s)] = across[size_t(s) - 1] - std::max(0, here - pitchAt(s - 1)) +
                                    std::max(0, pitchAt(s - 1) - here + 1);
        }
        current.resize(size_t(k) + 1);
        backStart[c] = back.size();
        for (int s = 0; s <= k; ++s) {
            // Where the hands are after this choice, whatever came before.
            const double leftAt = s > 0 ? (pitchAt(0) + pitchAt(s - 1)) / 2.0 : -1;
            const double rightAt = s < k ? (pitchAt(s) + pitchAt(k - 1)) / 2.0 : -1;
            double local = kPullCost * across[size_t(s)];
            if (s > 0 && s < k) local += kGapCost * (widest - (pitchAt(s) - pitchAt(s - 1)));
            double bestCost = std::numeric_limits<double>::infinity();
            size_t bestFrom = 0;
            for (size_t p = 0; p < previous.size(); ++p) {
                const PathState& was = previous[p];
                double cost = was.cost + local;
                if (s > 0) cost += playCost(was.left, pitchAt(0), pitchAt(s - 1), start, beat);
                if (s < k) cost += playCost(was.right, pitchAt(s), pitchAt(k - 1), start, beat);
                const double l = s > 0 ? leftAt : was.left.position;
                const double r = s < k ? rightAt : was.right.position;
                cost += kCrossCost * std::max(0.0, l - r);
                if (cost < bestCost) {
                    bestCost = cost;
                    bestFrom = p;
                }
            }
            PathState& best = current[size_t(s)];
            best = previous[bestFrom];
            best.cost = bestCost;
            if (s > 0) strike(best.left, pitchAt(0), pitchAt(s - 1), start, end, beat);
            if (s < k) strike(best.right, pitchAt(s), pitchAt(k - 1), start, end, beat);
            back.push_back(int(bestFrom));
        }
        previous.swap(current);
    }
    backStart[chords] = back.size();

    size_t choice = 0;
    for (size_t s = 1; s < previous.size(); ++s)
        if (previous[s].cost < previous[choice].cost) choice = s;
    for (size_t c = chords; c-- > 0;) {
        const size_t first = chordStart[c];
        for (size_t i = 0; i < choice; ++i) hands[order[first + i]] = Hand::Left;
        choice = size_t(back[backStart[c] + choice]);
    }
    return hands;
}

HandSplitPlan planHandSplit(const DeckModel& deck, int displayIndex, int splitKey)
{
    HandSplitPlan plan;
    plan.displayIndex = displayIndex;
    plan.splitKey = splitKey;
    plan.revision = deck.song.events.revision();
    const TrackTables& t = deck.tracks;
    if (displayIndex < 0 || displayIndex >= t.boundTracks) {
        plan.refusal = Texts::tr("Only a bound track can be split by hand.");
        return plan;
    }
    const uint32_t track = uint32_t(t.storeTrackOf(displayIndex));
    std::vector<HandNote> notes;
    notes.reserve(t.noteOnCount[size_t(displayIndex)]);
    plan.notes.reserve(t.noteOnCount[size_t(displayIndex)]);
    for (EventNode* n = deck.song.events.head(); n; n = n->next) {
        if (n->track != track || !n->isSoundingNoteOn()) continue;
        if (n->channel() == kDrumChannel) {
            plan.refusal = Texts::tr("Track #%1 plays drums on channel 10: drums have no hands "
                                     "to split.")
                               .arg(displayIndex + 1);
            plan.notes.clear();
            return plan;
        }
        plan.notes.push_back(n);
        notes.push_back({n->tick, pairedOff(n) ? n->partner->tick : n->tick, n->note()});
    }
    if (notes.empty()) {
        plan.refusal = Texts::tr("Track #%1 has no notes to split.").arg(displayIndex + 1);
        return plan;
    }
    plan.hands = splitKey == kAutomaticSplit ? assignHands(notes, uint64_t(deck.timing.tick4qn))
                                             : assignHandsAtKey(notes, splitKey);
    for (Hand h : plan.hands) ++(h == Hand::Right ? plan.rightNotes : plan.leftNotes);
    return plan;
}

int applyHandSplit(DeckModel& deck, const HandSplitPlan& plan)
{
    EventList& list = deck.song.events;
    TrackTables& t = deck.tracks;
    const int d = plan.displayIndex;
    if (!plan.refusal.isEmpty() || plan.revision != list.revision() || d < 0 ||
        d >= t.boundTracks || plan.notes.empty() || plan.notes.size() != plan.hands.size())
        return 0;
    const uint32_t track = uint32_t(t.storeTrackOf(d));
    EventNode* nameEvent = trackNameEvent(list, track);
    const QByteArray base = baseName(deck, d, track, nameEvent);
    if (plan.leftNotes == 0 || plan.rightNotes == 0) {
        nameTrack(deck, track, nameEvent, nullptr,
                  handName(base, plan.leftNotes ? Hand::Left : Hand::Right));
        refresh(deck);
        return 1;
    }

    const uint32_t left = track + 1;
    // The left hand's notes are marked first, so that one walk renumbers the
    // tracks above and settles the rest.
    constexpr uint32_t kMarked = UINT32_MAX;
    for (size_t i = 0; i < plan.notes.size(); ++i) {
        if (plan.hands[i] != Hand::Left) continue;
        EventNode* on = plan.notes[i];
        on->track = kMarked;
        if (pairedOff(on)) on->partner->track = kMarked;
    }
    // Key pressures and unpaired note-offs go with the last note struck on
    // their key; the channel's settings are heard on both hands; clusters
    // are made per track again.
    std::array<Hand, 16 * 128> lastHand;
    lastHand.fill(Hand::Right);
    EventNode* previous[2] = {nullptr, nullptr};
    std::vector<EventNode*> settings;
    for (EventNode* n = list.head(); n; n = n->next) {
        if (n->track == kMarked) {
            n->track = left;
        } else if (n->track != track) {
            if (n->track > track) ++n->track;
            continue;
        }
        const size_t key = size_t(n->channel() & 15) * 128 + size_t(n->note() & 127);
        if (n->isSoundingNoteOn()) {
            lastHand[key] = n->track == left ? Hand::Left : Hand::Right;
            EventNode*& p = previous[n->track - track];
            n->noteGap = p && pairedOff(n) ? uint32_t(n->tick - p->tick) : kNoGap;
            if (pairedOff(n)) p = n;
        } else if (n->track == left) {
            continue;
        } else if ((n->isNoteOffEvent() && !pairedOff(n)) || n->type() == kTypeKeyPress) {
            n->track = lastHand[key] == Hand::Left ? left : track;
        } else if (n->type() >= kTypeController && isChannelEvent(n->type())) {
            settings.push_back(n);
        }
    }
    for (EventNode* source : settings) {
        EventNode* copy = list.newNode();
        copyInto(copy, source, left);
        list.insertAfter(copy, source);
    }

    insertTrackEntry(deck, d, track);
    t.noteOnCount[size_t(d)] = uint32_t(plan.rightNotes);
    t.noteOnCount[size_t(d) + 1] = uint32_t(plan.leftNotes);
    deck.song.facts.noteOnCounts[track] = uint32_t(plan.rightNotes);
    deck.song.facts.noteOnCounts[left] = uint32_t(plan.leftNotes);
    nameEvent = nameTrack(deck, track, nameEvent, nullptr, handName(base, Hand::Right));
    nameTrack(deck, left, nullptr, nameEvent, handName(base, Hand::Left));
    refresh(deck);
    return 2;
}
