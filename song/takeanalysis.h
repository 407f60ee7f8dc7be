#pragma once

#include <QString>
#include <cstdint>
#include <vector>

class QIODevice;

// One cluster of the interactive tracks as a take played it: where the file
// has it, where the key struck it (both in song ticks), the file tempo in
// force there (us per quarter note) and the boost the accompaniment ran at.
struct TakeCluster {
    uint64_t fileTick = 0;
    uint64_t playedTick = 0;
    uint64_t tempo = 500000;
    int boost = 100;
    int velocity = 0; // of the key that rang it; 0 from the PC keyboard
};

// What a kept take leaves for its analysis. A keep replaces the file's times
// with the played ones, so the pairs are captured while the take is played.
struct TakeRecord {
    std::vector<TakeCluster> clusters;
    bool tempoFollowed = false; // the accompaniment followed the player
    int tick4qn = 384;
    int tick4measure = 1536;
    int tick4beat = 384;

    bool empty() const { return clusters.empty(); }
};

// Measures are 64-bit: a hostile file can hold more than an int counts.
struct TakeRow {
    qint64 measure = 1;      // counted from 1
    double beat = 1.0;       // within the measure, from 1
    double deviationMs = 0;  // early below 0, late above
    double steadinessMs = 0; // the same against the player's own local tempo
    int boost = 100;
    uint64_t fileTick = 0;
    uint64_t playedTick = 0;
    double at = 1.0; // the measure as a real number: 1.5 is half way through the first
};

struct MeasureScore {
    qint64 measure = 1;
    double meanAbsMs = 0;
    int clusters = 0;
};

struct TakeSummary {
    int clusters = 0;
    double medianAbsMs = 0;
    double p90AbsMs = 0;
    double medianSteadyMs = 0, p90SteadyMs = 0;
    std::vector<MeasureScore> worst; // at most five, worst first
};

struct TakeAnalysis {
    std::vector<TakeRow> rows; // in file order
    TakeSummary summary;
    bool tempoFollowed = false;
};

// A cluster's deviation in milliseconds at the tempo it was played at.
double clusterDeviationMs(const TakeCluster& c, int tick4qn);

// Steadiness: each cluster's deviation from a smooth tempo fitted over its
// neighbouring measures, so a deliberate ritardando is not counted as
// unsteady. Clusters come in played order with their file ticks and
// deviations; a pass ends where the file position goes back (a loop's seam)
// and is fitted on its own.
std::vector<double> steadinessMs(const std::vector<uint64_t>& fileTicks,
                                 const std::vector<double>& deviationsMs, uint64_t tick4measure);

// Sorted absolute values' median and nearest-rank 90th percentile.
double sortedMedian(const std::vector<double>& sorted);
double sortedPercentile90(const std::vector<double>& sorted);

// Measures the take: each cluster's deviation in milliseconds at the tempo
// the take was played at, and the summary. Measures are ranked by their mean
// absolute deviation; ties go to the earlier measure.
TakeAnalysis analyseTake(const TakeRecord& take);

// Comma-separated, one cluster a line after a header, for a spreadsheet.
QByteArray takeCsv(const TakeAnalysis& analysis);
bool writeTakeCsv(const TakeAnalysis& analysis, const QString& path, QString* error);
