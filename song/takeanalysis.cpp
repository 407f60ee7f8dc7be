#include "song/takeanalysis.h"

#include <QSaveFile>
#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

namespace
{
double deviationMs(const TakeCluster& c, int tick4qn)
{
    const double ticks = double(int64_t(c.playedTick - c.fileTick));
    const double boost = c.boost > 0 ? c.boost : 100;
    // A boost above 100 plays faster: each tick lasts less.
    return ticks * double(c.tempo) / double(std::max(1, tick4qn)) / 1000.0 * 100.0 / boost;
}

double median(const std::vector<double>& sorted)
{
    const size_t n = sorted.size();
    if (n == 0) return 0;
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

// Nearest rank: the smallest value that at least 90 % of the clusters reach.
double percentile90(const std::vector<double>& sorted)
{
    if (sorted.empty()) return 0;
    const size_t rank = size_t(std::ceil(0.9 * double(sorted.size())));
    return sorted[std::max<size_t>(rank, 1) - 1];
}
} // namespace

TakeAnalysis analyseTake(const TakeRecord& take)
{
    TakeAnalysis a;
    a.tempoFollowed = take.tempoFollowed;
    const uint64_t measureTicks = uint64_t(std::max(1, take.tick4measure));
    const double beatTicks = double(std::max(1, take.tick4beat));
    std::vector<TakeCluster> clusters = take.clusters;
    std::stable_sort(
        clusters.begin(), clusters.end(),
        [](const TakeCluster& x, const TakeCluster& y) { return x.fileTick < y.fileTick; });
    std::vector<double> absolute;
    std::map<qint64, MeasureScore> measures;
    for (const TakeCluster& c : clusters) {
        TakeRow r;
        r.measure = qint64(std::min<uint64_t>(c.fileTick / measureTicks, INT64_MAX - 1)) + 1;
        r.beat = 1.0 + double(c.fileTick % measureTicks) / beatTicks;
        r.at = 1.0 + double(c.fileTick) / double(measureTicks);
        r.deviationMs = deviationMs(c, take.tick4qn);
        r.boost = c.boost;
        r.fileTick = c.fileTick;
        r.playedTick = c.playedTick;
        a.rows.push_back(r);
        absolute.push_back(std::fabs(r.deviationMs));
        MeasureScore& m = measures[r.measure];
        m.measure = r.measure;
        m.meanAbsMs += std::fabs(r.deviationMs);
        ++m.clusters;
    }
    std::sort(absolute.begin(), absolute.end());
    TakeSummary& s = a.summary;
    s.clusters = int(a.rows.size());
    s.medianAbsMs = median(absolute);
    s.p90AbsMs = percentile90(absolute);
    for (auto& entry : measures) {
        entry.second.meanAbsMs /= entry.second.clusters;
        s.worst.push_back(entry.second);
    }
    std::stable_sort(
        s.worst.begin(), s.worst.end(),
        [](const MeasureScore& x, const MeasureScore& y) { return x.meanAbsMs > y.meanAbsMs; });
    if (s.worst.size() > 5) s.worst.resize(5);
    return a;
}

QByteArray takeCsv(const TakeAnalysis& analysis)
{
    QByteArray text("measure,beat,file_tick,played_tick,deviation_ms,boost_percent\n");
    for (const TakeRow& r : analysis.rows) {
        text += QByteArray::number(r.measure) + ',' + QByteArray::number(r.beat, 'f', 3) + ',' +
                QByteArray::number(qulonglong(r.fileTick)) + ',' +
                QByteArray::number(qulonglong(r.playedTick)) + ',' +
                QByteArray::number(r.deviationMs, 'f', 3) + ',' + QByteArray::number(r.boost) +
                '\n';
    }
    return text;
}

bool writeTakeCsv(const TakeAnalysis& analysis, const QString& path, QString* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(takeCsv(analysis)) >= 0 && file.commit())
        return true;
    if (error) *error = file.errorString();
    return false;
}
