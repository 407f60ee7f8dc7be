#include "song/takeanalysis.h"

#include <QSaveFile>
#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

double clusterDeviationMs(const TakeCluster& c, int tick4qn)
{
    const double ticks = double(int64_t(c.playedTick - c.fileTick));
    const double boost = c.boost > 0 ? c.boost : 100;
    // A boost above 100 plays faster: each tick lasts less.
    return ticks * double(c.tempo) / double(std::max(1, tick4qn)) / 1000.0 * 100.0 / boost;
}

double sortedMedian(const std::vector<double>& sorted)
{
    const size_t n = sorted.size();
    if (n == 0) return 0;
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

// Nearest rank: the smallest value that at least 90 % of the clusters reach.
double sortedPercentile90(const std::vector<double>& sorted)
{
    if (sorted.empty()) return 0;
    const size_t rank = size_t(std::ceil(0.9 * double(sorted.size())));
    return sorted[std::max<size_t>(rank, 1) - 1];
}

namespace
{
// Weighted least squares of y on 1, x, x^2 (or fewer terms); the fit's value at x = 0.
double fitAtZero(const std::vector<double>& x, const std::vector<double>& y,
                 const std::vector<double>& w, int terms)
{
    double m[3][4] = {};
    for (size_t k = 0; k < x.size(); ++k) {
        const double p[3] = {1, x[k], x[k] * x[k]};
        for (int i = 0; i < terms; ++i) {
            for (int j = 0; j < terms; ++j) m[i][j] += w[k] * p[i] * p[j];
            m[i][3] += w[k] * p[i] * y[k];
        }
    }
    // Gauss-Jordan with partial pivoting; a singular system falls back to fewer terms.
    for (int c = 0; c < terms; ++c) {
        int pivot = c;
        for (int r = c + 1; r < terms; ++r)
            if (std::fabs(m[r][c]) > std::fabs(m[pivot][c])) pivot = r;
        if (std::fabs(m[pivot][c]) < 1e-9) return terms > 1 ? fitAtZero(x, y, w, terms - 1) : 0;
        for (int j = 0; j < 4; ++j) std::swap(m[c][j], m[pivot][j]);
        for (int r = 0; r < terms; ++r) {
            if (r == c) continue;
            const double f = m[r][c] / m[c][c];
            for (int j = c; j < 4; ++j) m[r][j] -= f * m[c][j];
        }
    }
    return m[0][3] / m[0][0];
}
} // namespace

// A local quadratic (a tempo changing evenly) through the neighbours within a
// measure and a half, weighted by distance, the cluster itself left out so
// that a lone slip is not explained away by its own fit. Where fewer than
// five neighbours are that close the window widens to three measures. A
// second round weighs each neighbour down by how far it strayed in the first
// (bisquare), so one slip does not make its neighbours look unsteady.
std::vector<double> steadinessMs(const std::vector<uint64_t>& fileTicks,
                                 const std::vector<double>& deviationsMs, uint64_t tick4measure)
{
    const size_t n = std::min(fileTicks.size(), deviationsMs.size());
    std::vector<double> out(n, 0.0), robust(n, 1.0);
    const double measure = double(std::max<uint64_t>(1, tick4measure));
    std::vector<double> x, y, w;
    const auto residuals = [&](size_t passStart, size_t passEnd) {
        for (size_t i = passStart; i < passEnd; ++i) {
            const auto at = [&](size_t j) {
                return (double(fileTicks[j]) - double(fileTicks[i])) / measure;
            };
            // Ticks only grow within a pass: the neighbours lie on either side by index.
            const auto gather = [&](double reach) {
                x.clear(), y.clear(), w.clear();
                for (size_t j = i; j-- > passStart && at(j) >= -reach;) x.push_back(double(j));
                for (size_t j = i + 1; j < passEnd && at(j) <= reach; ++j) x.push_back(double(j));
                for (double& index : x) {
                    const size_t j = size_t(index);
                    const double u = std::fabs(at(j)) / (reach * 1.01);
                    const double tricube = (1 - u * u * u) * (1 - u * u * u) * (1 - u * u * u);
                    index = at(j);
                    y.push_back(deviationsMs[j]);
                    w.push_back(tricube * robust[j]);
                }
            };
            gather(1.5);
            if (x.size() < 5) gather(3.0);
            const int terms = x.size() >= 5 ? 3 : x.size() >= 3 ? 2 : 1;
            out[i] = x.empty() ? 0 : deviationsMs[i] - fitAtZero(x, y, w, terms);
        }
    };
    for (size_t passStart = 0, passEnd; passStart < n; passStart = passEnd) {
        passEnd = passStart + 1;
        while (passEnd < n && fileTicks[passEnd] >= fileTicks[passEnd - 1]) ++passEnd;
        residuals(passStart, passEnd);
        std::vector<double> spread;
        for (size_t i = passStart; i < passEnd; ++i) spread.push_back(std::fabs(out[i]));
        std::sort(spread.begin(), spread.end());
        // Six median residuals, and never under 6 ms: steady playing keeps its neighbours.
        const double scale = 6 * std::max(1.0, sortedMedian(spread));
        for (size_t i = passStart; i < passEnd; ++i) {
            const double u = std::min(1.0, std::fabs(out[i]) / scale);
            robust[i] = (1 - u * u) * (1 - u * u);
        }
        residuals(passStart, passEnd);
    }
    return out;
}

TakeAnalysis analyseTake(const TakeRecord& take)
{
    TakeAnalysis a;
    a.tempoFollowed = take.tempoFollowed;
    const uint64_t measureTicks = uint64_t(std::max(1, take.tick4measure));
    const double beatTicks = double(std::max(1, take.tick4beat));
    // Steadiness is measured in the order the clusters were played.
    std::vector<uint64_t> ticks;
    std::vector<double> deviations;
    for (const TakeCluster& c : take.clusters) {
        ticks.push_back(c.fileTick);
        deviations.push_back(clusterDeviationMs(c, take.tick4qn));
    }
    const std::vector<double> steady = steadinessMs(ticks, deviations, measureTicks);
    std::vector<size_t> order(take.clusters.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        return take.clusters[x].fileTick < take.clusters[y].fileTick;
    });
    std::vector<double> absolute, steadyAbsolute;
    std::map<qint64, MeasureScore> measures;
    for (size_t k : order) {
        const TakeCluster& c = take.clusters[k];
        TakeRow r;
        r.measure = qint64(std::min<uint64_t>(c.fileTick / measureTicks, INT64_MAX - 1)) + 1;
        r.beat = 1.0 + double(c.fileTick % measureTicks) / beatTicks;
        r.at = 1.0 + double(c.fileTick) / double(measureTicks);
        r.deviationMs = deviations[k];
        r.steadinessMs = steady[k];
        steadyAbsolute.push_back(std::fabs(r.steadinessMs));
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
    s.medianAbsMs = sortedMedian(absolute);
    s.p90AbsMs = sortedPercentile90(absolute);
    std::sort(steadyAbsolute.begin(), steadyAbsolute.end());
    s.medianSteadyMs = sortedMedian(steadyAbsolute);
    s.p90SteadyMs = sortedPercentile90(steadyAbsolute);
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
    QByteArray text(
        "measure,beat,file_tick,played_tick,deviation_ms,boost_percent,steadiness_ms\n");
    for (const TakeRow& r : analysis.rows) {
        text += QByteArray::number(r.measure) + ',' + QByteArray::number(r.beat, 'f', 3) + ',' +
                QByteArray::number(qulonglong(r.fileTick)) + ',' +
                QByteArray::number(qulonglong(r.playedTick)) + ',' +
                QByteArray::number(r.deviationMs, 'f', 3) + ',' + QByteArray::number(r.boost) +
                ',' + QByteArray::number(r.steadinessMs, 'f', 3) + '\n';
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
