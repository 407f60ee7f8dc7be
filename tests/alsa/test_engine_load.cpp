// Beats denser than the kernel's event pool, played to Midi Through.

#include "enginefixture.h"

#include <set>
#include <tuple>

namespace
{
struct DenseRow {
    const char* name;
    uint32_t tick;   // where the crowd starts
    uint32_t spread; // over how many ticks
    int notes;
};

class DenseBeat : public EngineFixture, public ::testing::WithParamInterface<DenseRow>
{
};

// Before the queue runs nothing frees the pool, and a later beat of more
// events than it holds must not stall the engine: every note still arrives.
// (A listener's own pool holds 2,000 events, so the later crowd is spread
// over its beat for the capture to keep up.)
TEST_P(DenseBeat, EveryNoteArrivesAndTheSessionEnds)
{
    const DenseRow row = GetParam();
    ASSERT_EQ(capture.open(kThroughClient, 0, true), "");
    plan.ppq = 96;
    SongTrack track;
    // 15 channels (no drums) x 128 keys give each note its own address.
    for (int i = 0; i < row.notes; ++i) {
        const int channel = i % 15 < 9 ? i % 15 : i % 15 + 1;
        const uint32_t at = row.tick + uint32_t(uint64_t(i) * row.spread / uint64_t(row.notes));
        track.notes.push_back({at, 48, channel, (i / 15) % 128, 1 + i % 127});
    }
    track.notes.push_back({row.tick + 4 * 96, 48, 0, 60, 100});
    plan.tracks = {track};
    ASSERT_TRUE(load(plan));
    const size_t total = size_t(row.notes) + 1;
    const SessionRun run = playNotes(total, 120000);
    ASSERT_TRUE(run.started && run.finished);
    std::set<std::tuple<int, int, int>> heard;
    for (const CapturedEvent& e : songNoteOns()) heard.emplace(e.channel, e.note, e.velocity);
    EXPECT_EQ(heard.size(), total) << capture.overruns() << " overruns of the listener";
    EXPECT_EQ(heard.count({0, 60, 100}), 1u) << "the accompaniment stopped after the crowd";
}

INSTANTIATE_TEST_SUITE_P(Crowds, DenseBeat,
                         ::testing::Values(DenseRow{"FirstBeat800", 0, 96, 800},
                                           DenseRow{"LaterBeat5000", 96, 96, 5000}),
                         [](const auto& row) { return std::string(row.param.name); });
} // namespace
