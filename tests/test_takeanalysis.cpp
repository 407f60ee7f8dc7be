// A take's analysis from clusters with known deviations, and its CSV.

#include "song/takeanalysis.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace
{

// 500 ticks a quarter at 500000 us: a tick is a millisecond at boost 100.
// Measures of 2000 ticks; the clusters are given out of order.
TakeRecord scriptedTake()
{
    TakeRecord take;
    take.tick4qn = 500, take.tick4beat = 500, take.tick4measure = 2000;
    take.tempoFollowed = true;
    const struct {
        uint64_t file, played, tempo;
        int boost;
    } clusters[] = {
        {2000, 2050, 500000, 100},    // m2 +50
        {0, 10, 500000, 100},         // m1 +10
        {500, 480, 500000, 100},      // m1 -20 -> mean 15
        {2500, 2500, 500000, 100},    // m2 0 -> mean 25
        {4000, 3960, 500000, 125},    // m3 -40 ticks at 125 %: -32 ms
        {6000, 6015, 500000, 100},    // m4 +15, ties with m1: the earlier goes first
        {8000, 8030, 500000, 100},    // m5 +30
        {10000, 10000, 500000, 100},  // m6 0
        {12000, 12100, 1000000, 100}, // m7 +100 ticks at half the speed: +200 ms
        {14000, 13999, 500000, 100},  // m8 -1
    };
    for (const auto& c : clusters) take.clusters.push_back({c.file, c.played, c.tempo, c.boost});
    return take;
}

TEST(TakeAnalysis, KnownDeviationsGiveTheirSummaryAndWorstMeasures)
{
    const TakeAnalysis a = analyseTake(scriptedTake());
    // |dev| sorted: 0 0 1 10 15 20 30 32 50 200
    EXPECT_EQ(a.summary.clusters, 10);
    EXPECT_DOUBLE_EQ(a.summary.medianAbsMs, 17.5);
    EXPECT_DOUBLE_EQ(a.summary.p90AbsMs, 50);
    std::string worst;
    for (const MeasureScore& m : a.summary.worst)
        worst += std::to_string(m.measure) + ":" + std::to_string(int(m.meanAbsMs)) + " ";
    EXPECT_EQ(worst, "7:200 3:32 5:30 2:25 1:15 ");

    ASSERT_EQ(a.rows.size(), 10u);
    const TakeRow& second = a.rows[1];
    EXPECT_EQ(std::tuple(second.measure, second.beat, second.deviationMs, second.at),
              std::tuple(1, 2.0, -20.0, 1.25));
    EXPECT_DOUBLE_EQ(a.rows[4].deviationMs, -32);
    EXPECT_TRUE(a.tempoFollowed);

    // A hostile file (division 24, time signature 1/64: a measure of a tick)
    // puts two clusters 2^40 measures apart.
    TakeRecord hostile;
    hostile.tick4qn = 24, hostile.tick4beat = 1, hostile.tick4measure = 1;
    const uint64_t far = uint64_t(1) << 40;
    hostile.clusters = {{0, 0, 500000, 100}, {far, far + 24, 500000, 100}};
    const TakeAnalysis h = analyseTake(hostile);
    ASSERT_EQ(h.rows.size(), 2u);
    EXPECT_EQ(std::tuple(h.rows[1].measure, h.rows[1].deviationMs, h.summary.worst[0].measure),
              std::tuple(qint64(far) + 1, 500.0, qint64(far) + 1));

    const TakeAnalysis none = analyseTake(TakeRecord());
    EXPECT_EQ(
        std::tuple(none.summary.clusters, none.summary.medianAbsMs, none.summary.worst.size()),
        std::tuple(0, 0.0, size_t(0)));
}

TEST(TakeAnalysis, CsvRoundTripsAndAFailedWriteSaysWhy)
{
    const TakeAnalysis a = analyseTake(scriptedTake());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("take.csv"));
    QString error;
    ASSERT_TRUE(writeTakeCsv(a, path, &error)) << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 12) << "header, ten clusters, final newline";
    EXPECT_EQ(lines[0],
              "measure,beat,file_tick,played_tick,deviation_ms,boost_percent,steadiness_ms");
    for (size_t i = 0; i < a.rows.size(); ++i) {
        const QList<QByteArray> f = lines[int(i) + 1].split(',');
        ASSERT_EQ(f.size(), 7) << lines[int(i) + 1].toStdString();
        const TakeRow& r = a.rows[i];
        EXPECT_EQ(f[0].toInt(), r.measure);
        EXPECT_DOUBLE_EQ(f[1].toDouble(), r.beat);
        EXPECT_EQ(f[2].toULongLong(), r.fileTick);
        EXPECT_EQ(f[3].toULongLong(), r.playedTick);
        EXPECT_NEAR(f[4].toDouble(), r.deviationMs, 0.0005);
        EXPECT_EQ(f[5].toInt(), r.boost);
        EXPECT_NEAR(f[6].toDouble(), r.steadinessMs, 0.0005);
    }

    error.clear();
    EXPECT_FALSE(writeTakeCsv(a, dir.filePath(QStringLiteral("missing/take.csv")), &error));
    EXPECT_FALSE(error.isEmpty());
}

// Eighths in 4/4 at 120 bpm (a tick is a millisecond at 500 a quarter) over
// six measures, played: a ritardando that slows evenly by 10 % over the four
// middle measures, steady but ever later than the file; or on the beat with
// random slips of up to 80 ms either way, unsteady but never far off. Twice
// over, as a loop plays it, the seam must not count as unsteady.
TEST(TakeAnalysis, SteadinessTellsRubatoFromUnsteadyPlaying)
{
    const double measure = 2000, span = 4 * measure;
    uint32_t noise = 12345; // a fixed generator: the same slips on every machine
    const auto slip = [&noise] {
        noise = noise * 1664525u + 1013904223u;
        return double(noise >> 8) / double(1u << 24) * 160 - 80;
    };
    const struct {
        const char* name;
        int passes;
        bool ritardando;
    } cases[] = {{"ritardando", 1, true}, {"ritardando looped", 2, true}, {"jitter", 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TakeRecord take;
        take.tick4qn = take.tick4beat = 500, take.tick4measure = 2000;
        for (int pass = 0; pass < c.passes; ++pass) {
            for (uint64_t f = 0; f < 6 * 2000; f += 250) {
                // Time played: the integral of a duration growing from 1 to 1.1.
                const double x = std::clamp(double(f) - measure, 0.0, span);
                double played = double(f) + 0.05 * x * x / span + 0.1 * (double(f) - measure - x);
                if (f < measure) played = double(f);
                if (!c.ritardando) played = double(f) + slip();
                take.clusters.push_back({f, uint64_t(std::llround(played)), 500000, 100});
            }
        }
        const TakeSummary s = analyseTake(take).summary;
        if (c.ritardando) {
            EXPECT_GT(s.p90AbsMs, 300) << "the file's time is left far behind";
            EXPECT_LT(s.p90SteadyMs, 3) << "yet the tempo changes smoothly";
        } else {
            EXPECT_LT(s.p90AbsMs, 80);
            EXPECT_GT(s.p90SteadyMs, 60) << "slips are not smoothed away";
            EXPECT_GT(s.p90SteadyMs, 0.8 * s.p90AbsMs);
        }
    }
}

} // namespace
