#pragma once

#include "song/takeanalysis.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <vector>

class DeckModel;

// One cluster of a practice session as the journal keeps it.
struct JournalCluster {
    qint64 measure = 1;      // counted from 1
    uint64_t fileTick = 0;   // where the file has it
    double deviationMs = 0;  // against the file at the tempo in force: early below 0
    double steadinessMs = 0; // against the player's own local tempo
    int velocity = 0;        // as struck; 0 from the PC keyboard
    int boost = 100;
};

// One measure as one session played it.
struct MeasureResult {
    qint64 measure = 1;
    int clusters = 0;
    double p90AbsMs = 0;    // deviation against the file
    double p90SteadyMs = 0; // against the local tempo
    int boost = 100;        // the slowest it was played at in the session
};

// One practice session: listening with interactive tracks, or recording.
struct JournalSession {
    qint64 id = 0; // in the journal; 0 before it is written
    QDateTime started;
    int seconds = 0;
    QString tracks; // the names of the tracks played, one a line
    int boost = 100;
    int loopFirst = 0, loopLast = 0; // the loop's measures from 1; 0 without a loop
    bool recorded = false;
    int tick4measure = 1536; // the file ticks' measure, for the steadiness
    int clusters = 0;
    double medianAbsMs = 0, p90AbsMs = 0;
    double medianSteadyMs = 0, p90SteadyMs = 0;
    std::vector<MeasureResult> measures;     // in measure order
    std::vector<JournalCluster> clusterRows; // in played order; only when written
};

// What identifies a song in the journal: a hash of its notes, so saving it
// again (renamed tracks, split hands) keeps its history.
struct SongIdentity {
    QString hash;
    QString title;
    QString path;
    int measures = 0;
    bool valid() const { return !hash.isEmpty(); }
};

struct SongHistory {
    SongIdentity song;
    std::vector<JournalSession> sessions; // oldest first, with their measures, no clusters
};

enum class Mastery { Unplayed, Learning, Slow, Regressed, Mastered };

struct MasteryRules {
    double thresholdMs = 60;
    int targetBoost = 100;
};

// A measure's state over the history, and a score from 0 (red) to 1 (green)
// for the map.
struct MeasureMastery {
    qint64 measure = 1;
    Mastery state = Mastery::Unplayed;
    double score = 0;
    int goodDays = 0;     // days it was within the threshold at the target
    double lastP90Ms = 0; // the last session that played it
    int lastBoost = 0;
    int lastGoodBoost = 0; // the last boost it was within the threshold at; 0: never
};

// The loop "Practise the weakest" sets: measures from 1, and the boost the
// step-up starts from.
struct WeakestRun {
    int first = 0, last = 0;
    int stepFrom = 0;
    bool found() const { return first > 0; }
};

SongIdentity songIdentity(const DeckModel& deck);

// Turns the engine's log of a session (clusters in played order) into the
// journal's record with its summaries; when, how long and what was played
// are the caller's to fill.
JournalSession journalSession(const std::vector<TakeCluster>& log, int tick4qn, int tick4measure);

// A session ended: its log becomes deck.lastSession, with when it started,
// how long it ran, what was played and the boost the user had set, and the
// song as it stands becomes deck.lastSessionSong.
void closeSessionLog(DeckModel& deck, const QDateTime& started, qint64 elapsedMs, int userBoost,
                     bool recorded);

// The summaries and measures of a session from its clusterRows.
void summarise(JournalSession& session);

// Per-measure mastery from the whole history, one entry per measure 1..measures.
std::vector<MeasureMastery> masteryMap(const SongHistory& history, const MasteryRules& rules,
                                       int measures);
// Up to `longest` neighbouring unmastered measures around the weakest one played.
WeakestRun weakestRun(const std::vector<MeasureMastery>& map, const MasteryRules& rules,
                      int longest = 4);
