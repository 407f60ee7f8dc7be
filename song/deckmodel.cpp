#include "song/deckmodel.h"

#include "core/devices.h"

DeckModel::DeckModel(Song& s, DeviceSet& d) : song(s), devices(d) {}

void DeckModel::setAction(DeckAction action, bool enabled)
{
    if (actionChanged) actionChanged(action, enabled);
}

void DeckModel::setModified(bool reloadStaysEnabled)
{
    modified_ = true;
    setAction(DeckAction::FileSave, true);
    if (!reloadStaysEnabled) setAction(DeckAction::Reload, false);
}

void DeckModel::clearModified()
{
    modified_ = false;
    setAction(DeckAction::FileSave, false);
    setAction(DeckAction::Reload, false);
}

void DeckModel::resetCursors()
{
    EventList& list = song.events;
    const int bound = tracks.boundTracks;
    for (int k = 0; k < bound; ++k) {
        const int track = tracks.storeTrackOf(k);
        tracks.cursor[size_t(k)] = list.nextSoundingNoteOn(nullptr, track, false);
        tracks.playedUpTo[size_t(k)] = 0;
        EventNode* last = nullptr;
        for (EventNode* n = list.tail(); n; n = n->prev) {
            if (n->isNoteOn() && n->track == uint32_t(track)) {
                last = n;
                break;
            }
        }
        tracks.lastNoteOn[size_t(k)] = last;
    }
    songCursor = list.head();
    currentBeat = 1;
}

DeckModel::CursorPlacement DeckModel::repositionCursors()
{
    const int b = currentBeat;
    if (b > timing.temps && b < beats - timing.temps) {
        const uint64_t t = uint64_t(b - 1) * uint64_t(timing.tick4beat);
        EventNode* n = song.events.head();
        while (n && n->tick < t) n = n->next;
        if (n) {
            songCursor = song.events.firstSoundingNoteOn(n);
            for (int k = 0; k < tracks.boundTracks; ++k) {
                tracks.cursor[size_t(k)] =
                    songCursor
                        ? song.events.nextSoundingNoteOn(songCursor, tracks.storeTrackOf(k), false)
                        : nullptr;
                tracks.playedUpTo[size_t(k)] = songCursor ? songCursor->tick : t;
            }
            return CursorsMoved;
        }
    }
    resetCursors();
    return CursorsReset;
}

void DeckModel::setTempoBoost(int boost)
{
    if (boost <= 0) return;
    TimingParams& p = timing;
    p.tempo = int(int64_t(p.tempo) * p.tempoBoost / boost);
    if (p.tempo <= 0) p.tempo = 1;
    p.tempoBoost = boost;
    p.beat4min = 60000000 / p.tempo;
    p.tick_tol = p.toleranceTicks(p.tempo);
    p.pix4sec = p.mc4qn * 1000000.0 * p.pix4mc / p.tempo;
}

void DeckModel::setMsTol(uint32_t msTol)
{
    timing.ms_tol = msTol;
    timing.tick_tol = timing.toleranceTicks(timing.tempo);
}

void DeckModel::setZoom(int zoom)
{
    TimingParams& p = timing;
    p.pix4mc = zoom * 0.25;
    if (p.pix4mc <= 0) p.pix4mc = 0.25;
    p.tick4pix = p.tick4qn / (p.mc4qn * p.pix4mc);
    p.pix4measure = p.tick4measure * p.mc4qn * p.pix4mc / p.tick4qn;
    p.pix4sec = p.mc4qn * 1000000.0 * p.pix4mc / p.tempo;
}

bool DeckModel::playsFromPcKeyboard() const
{
    const TrackTables& t = tracks;
    for (size_t d = 0; d < size_t(t.boundTracks); ++d)
        if (t.keyboard[d] && !t.mute[d] && t.input[d] && t.input[d]->isPcKeyboard()) return true;
    return false;
}

bool DeckModel::recordable() const
{
    const TrackTables& t = tracks;
    if (t.freeTracks > 0) return true;
    for (size_t d = 0; d < size_t(t.boundTracks); ++d)
        if (t.keyboard[d] && !t.mute[d] && t.noteOnCount[d] > 0) return true;
    return false;
}
