#include "song/practicejournal.h"

#include "song/deckmodel.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

SongIdentity songIdentity(const DeckModel& deck)
{
    SongIdentity id;
    // The notes as they sound: ticks at the prepared division and keys. Names,
    // tracks and channels may change with a save without changing the piece.
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const int32_t division = deck.timing.tick4qn;
    hash.addData(reinterpret_cast<const char*>(&division), sizeof division);
    bool any = false;
    for (const EventNode* n = deck.song.events.head(); n; n = n->next) {
        if (!n->isSoundingNoteOn()) continue;
        const uint64_t tick = n->tick;
        const uint8_t key = uint8_t(n->note());
        hash.addData(reinterpret_cast<const char*>(&tick), sizeof tick);
        hash.addData(reinterpret_cast<const char*>(&key), sizeof key);
        any = true;
    }
    if (!any) return id;
    id.hash = QString::fromLatin1(hash.result().toHex());
    id.path = deck.fileName;
    id.title = QFileInfo(deck.fileName).completeBaseName();
    id.measures = songBars(deck);
    return id;
}

JournalSession journalSession(const std::vector<TakeCluster>& log, int tick4qn, int tick4measure)
{
    JournalSession s;
    s.tick4measure = std::max(1, tick4measure);
    const uint64_t measureTicks = uint64_t(std::max(1, tick4measure));
    std::vector<uint64_t> ticks;
    std::vector<double> deviations;
    ticks.reserve(log.size());
    deviations.reserve(log.size());
    for (const TakeCluster& c : log) {
        ticks.push_back(c.fileTick);
        deviations.push_back(clusterDeviationMs(c, tick4qn));
    }
    const std::vector<double> steady = steadinessMs(ticks, deviations, measureTicks);
    s.clusterRows.reserve(log.size());
    for (size_t i = 0; i < log.size(); ++i) {
        JournalCluster c;
        c.measure = qint64(std::min<uint64_t>(log[i].fileTick / measureTicks, INT64_MAX - 1)) + 1;
        c.fileTick = log[i].fileTick;
        c.deviationMs = deviations[i];
        c.steadinessMs = steady[i];
        c.velocity = log[i].velocity;
        c.boost = log[i].boost;
        s.clusterRows.push_back(c);
    }
    summarise(s);
    return s;
}

void closeSessionLog(DeckModel& deck, const QDateTime& started, qint64 elapsedMs, int userBoost,
                     bool recorded)
{
    // Hashing the notes is for sessions the journal will keep.
    deck.lastSessionSong = deck.takeLog.empty() ? SongIdentity() : songIdentity(deck);
    JournalSession& s = deck.lastSession;
    s = journalSession(deck.takeLog, deck.timing.tick4qn, deck.timing.tick4measure);
    s.started = started;
    s.seconds = int(std::clamp<qint64>((elapsedMs + 500) / 1000, 0, INT32_MAX));
    s.boost = userBoost;
    s.recorded = recorded;
    const TrackTables& t = deck.tracks;
    const std::vector<QByteArray>& names = deck.song.facts.trackNames;
    QStringList played;
    for (int d = 0; d < t.boundTracks; ++d) {
        if (!t.keyboard[size_t(d)] || t.mute[size_t(d)]) continue;
        const int track = t.storeTrackOf(d);
        const QString name = track >= 0 && size_t(track) < names.size()
                                 ? QString::fromUtf8(names[size_t(track)]).section('\n', 0, 0)
                                 : QString();
        played << QStringLiteral("#%1 %2").arg(d + 1).arg(name).trimmed();
    }
    s.tracks = played.join('\n');
    if (deck.loop.on && deck.loop.marked()) {
        s.loopFirst = deck.loop.startBar < 0 ? 1 : deck.loop.startBar + 1;
        s.loopLast = deck.loop.endBar < 0 ? songBars(deck) : deck.loop.endBar;
    }
}

void summarise(JournalSession& session)
{
    std::vector<double> absolute, steady;
    struct Acc {
        std::vector<double> absolute, steady;
        int boost = INT32_MAX;
    };
    std::map<qint64, Acc> measures;
    for (const JournalCluster& c : session.clusterRows) {
        absolute.push_back(std::fabs(c.deviationMs));
        steady.push_back(std::fabs(c.steadinessMs));
        Acc& m = measures[c.measure];
        m.absolute.push_back(absolute.back());
        m.steady.push_back(steady.back());
        m.boost = std::min(m.boost, c.boost);
    }
    std::sort(absolute.begin(), absolute.end());
    std::sort(steady.begin(), steady.end());
    session.clusters = int(session.clusterRows.size());
    session.medianAbsMs = sortedMedian(absolute);
    session.p90AbsMs = sortedPercentile90(absolute);
    session.medianSteadyMs = sortedMedian(steady);
    session.p90SteadyMs = sortedPercentile90(steady);
    session.measures.clear();
    for (auto& [measure, m] : measures) {
        std::sort(m.absolute.begin(), m.absolute.end());
        std::sort(m.steady.begin(), m.steady.end());
        MeasureResult r;
        r.measure = measure;
        r.clusters = int(m.absolute.size());
        r.p90AbsMs = sortedPercentile90(m.absolute);
        r.p90SteadyMs = sortedPercentile90(m.steady);
        r.boost = m.boost;
        session.measures.push_back(r);
    }
}

// Walks the sessions oldest first: a measure counts a day when a session of
// that day played it within the threshold at the target boost or faster. Two
// such days master it, unless its latest play at the target missed since.
std::vector<MeasureMastery> masteryMap(const SongHistory& history, const MasteryRules& rules,
                                       int measures)
{
    std::vector<MeasureMastery> map(size_t(std::max(0, measures)));
    for (size_t i = 0; i < map.size(); ++i) map[i].measure = qint64(i) + 1;
    struct Walk {
        std::set<QDate> goodDays;
        bool played = false, atTarget = false, lastAtTargetGood = false;
    };
    std::vector<Walk> walk(map.size());
    std::vector<size_t> order(history.sessions.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return history.sessions[a].started < history.sessions[b].started;
    });
    for (size_t k : order) {
        const JournalSession& s = history.sessions[k];
        for (const MeasureResult& r : s.measures) {
            if (r.measure < 1 || r.measure > qint64(map.size())) continue;
            MeasureMastery& m = map[size_t(r.measure - 1)];
            Walk& w = walk[size_t(r.measure - 1)];
            const bool within = r.p90AbsMs <= rules.thresholdMs;
            w.played = true;
            m.lastP90Ms = r.p90AbsMs;
            m.lastBoost = r.boost;
            if (within) m.lastGoodBoost = r.boost;
            if (r.boost >= rules.targetBoost) {
                w.atTarget = true;
                w.lastAtTargetGood = within;
                if (within) w.goodDays.insert(s.started.date());
            }
        }
    }
    for (size_t i = 0; i < map.size(); ++i) {
        MeasureMastery& m = map[i];
        const Walk& w = walk[i];
        m.goodDays = int(w.goodDays.size());
        if (!w.played) continue;
        if (m.goodDays >= 2)
            m.state = w.lastAtTargetGood ? Mastery::Mastered : Mastery::Regressed;
        else
            m.state = w.atTarget ? Mastery::Learning : Mastery::Slow;
        if (m.state == Mastery::Mastered) {
            m.score = 1;
            continue;
        }
        // Green only when mastered: within the threshold counts most, then
        // how near the target the last play was.
        const double threshold = std::max(1.0, rules.thresholdMs);
        const double timing = std::clamp(1 - (m.lastP90Ms - threshold) / (2 * threshold), 0.0, 1.0);
        const double tempo =
            std::clamp(double(m.lastBoost) / std::max(1, rules.targetBoost), 0.0, 1.0);
        m.score = 0.85 * timing * tempo;
    }
    return map;
}

// The weakest played measure that is not mastered, then its unmastered
// neighbours, the weaker side first, while they are at least half as weak.
WeakestRun weakestRun(const std::vector<MeasureMastery>& map, const MasteryRules& rules,
                      int longest)
{
    WeakestRun run;
    const auto open = [&](size_t i) {
        return i < map.size() && map[i].state != Mastery::Unplayed &&
               map[i].state != Mastery::Mastered;
    };
    size_t worst = map.size();
    for (size_t i = 0; i < map.size(); ++i)
        if (open(i) && (worst == map.size() || map[i].score < map[worst].score)) worst = i;
    if (worst == map.size()) return run;
    const double weakness = 1 - map[worst].score;
    const auto weakEnough = [&](size_t i) { return open(i) && 1 - map[i].score >= weakness / 2; };
    size_t first = worst, last = worst;
    while (int(last - first) + 1 < longest) {
        const bool left = first > 0 && weakEnough(first - 1);
        const bool right = weakEnough(last + 1);
        if (!left && !right) break;
        if (left && (!right || map[first - 1].score <= map[last + 1].score))
            --first;
        else
            ++last;
    }
    run.first = int(first) + 1;
    run.last = int(last) + 1;
    // Each measure from the boost it was last played well at, or when never,
    // from seven tenths of its last boost; the run from the slowest of these,
    // and never above the target it is to be mastered at.
    run.stepFrom = std::max(10, rules.targetBoost);
    for (size_t i = first; i <= last; ++i)
        run.stepFrom = std::min(run.stepFrom, map[i].lastGoodBoost > 0
                                                  ? map[i].lastGoodBoost
                                                  : std::max(10, map[i].lastBoost * 7 / 10));
    return run;
}
