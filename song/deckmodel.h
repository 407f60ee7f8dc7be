#pragma once

#include "song/practicejournal.h"
#include "song/practiceloop.h"
#include "song/song.h"
#include "song/takeanalysis.h"
#include "song/timingparams.h"
#include "song/tracktables.h"

#include <QString>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

struct DeviceSet;

// Actions of the main window whose state the song's edits change.
enum class DeckAction { FileSave, Reload, AllNotesOff, TakeAnalysis };

// The deck without its widgets: the prepared song's track tables and timing,
// the session mutex and flags, and the modified flag. The engine, the tools
// and the tests use it directly; the deck widget wraps it.
class DeckModel
{
public:
    DeckModel(Song& song, DeviceSet& devices);
    DeckModel(const DeckModel&) = delete;
    DeckModel& operator=(const DeckModel&) = delete;

    Song& song;
    DeviceSet& devices;
    TrackTables tracks;
    TimingParams timing;
    QString fileName; // shown in warnings

    // Where play continues, and the song's length in beats.
    EventNode* songCursor = nullptr;
    int beats = 1;
    int currentBeat = 1;

    // The file tempo in force, before the boost: the song's first at rest,
    // the one the engine last applied during a session. Under the mutex.
    int fileTempo = 500000;
    // Marked by the user, forgotten with the song. Under the mutex.
    PracticeLoop loop;
    // The clusters a session rang, written by the engine under the mutex into
    // room reserved before it starts; a kept take moves them to keptTake for
    // its analysis.
    std::vector<TakeCluster> takeLog;
    bool takeFollowed = false;
    TakeRecord keptTake;
    // The session that ended last, for the practice journal; its clusterRows
    // are empty when it rang none. The song it was played on is taken before
    // a kept take gives the notes their played times.
    JournalSession lastSession;
    SongIdentity lastSessionSong;
    // Counts preparations: what outlives a session knows when the song changed.
    unsigned preparations = 0;

    // Copied from the file facts at preparation.
    int format = 0;
    int rawDivision = 0;
    int keySharpsFlats = 0;
    int keyMode = 0;

    // Taken by the engine for each event and by the deck when it changes the
    // position or the tolerance.
    std::mutex mutex;
    // Read by the engine between events without the lock.
    std::atomic<bool> stopFlag{false};
    std::atomic<bool> pauseFlag{false};
    std::atomic<bool> recording{false};
    std::atomic<bool> sessionActive{false};
    std::atomic<bool> pcKeyboardPlay{false};
    // A repaint request is on its way to the deck: key presses do not post
    // (and allocate) another until the deck has handled it.
    std::atomic<bool> repaintPosted{false};

    // Selection flags of the track strip, per display index.
    std::vector<uint8_t> selected;

    bool modified() const { return modified_; }
    // Edits mark the song modified: Save becomes possible and, unless only a
    // take was kept, Reload does not.
    void setModified(bool reloadStaysEnabled = false);
    void clearModified();

    // What the main window shows follows these.
    std::function<void(DeckAction, bool enabled)> actionChanged;
    std::function<void()> resizeRequested; // the track strip changed its rows
    std::function<void()> viewsChanged;    // repaint the piano roll and strip

    int fileTracks() const { return tracks.fileTracks; }
    int boundTracks() const { return tracks.boundTracks; }
    int freeTracks() const { return tracks.freeTracks; }
    // A displayed interactive track that is not muted listens to the PC keyboard.
    bool playsFromPcKeyboard() const;
    // What a recording can take: a free track, or an interactive track with
    // notes that is heard.
    bool recordable() const;

    // Cursors: back to the start, or to the current beat when it lies far
    // enough inside the song; says which it did.
    enum CursorPlacement { CursorsReset, CursorsMoved };
    void resetCursors();
    CursorPlacement repositionCursors();

    // Tempo factor and tolerance changes recompute what depends on them.
    void setTempoBoost(int boost);
    void setMsTol(uint32_t msTol);
    void setZoom(int zoom);

private:
    void setAction(DeckAction action, bool enabled);
    bool modified_ = false;
};
