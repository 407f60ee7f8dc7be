// Beats denser than the kernel's event pool, played to Midi Through.

#include "enginefixture.h"

#include <set>
#include <tuple>

namespace
{
struct DenseRow {
    const char* name;
    uint32_t tick, spread; // the crowd stands from tick over spread ticks
    int notes;
};

class DenseBeat : public EngineFixture, public ::testing::WithParamInterface<DenseRow>
{
};

// Before the queue runs nothing frees the pool, and a later beat of more
// events than it holds must not stall the engine: every note still arrives,
// and so does the note after the crowd.
TEST_P(DenseBeat, EveryNoteArrivesAndTheSongGoesOn)
{
    const DenseRow row = GetParam();
    SongTrack track;
    // 15 channels (no drums) x 128 keys x 127 velocities tell every note apart.
    for (int i = 0; i < row.notes; ++i) {
        const uint32_t at = row.tick + uint32_t(uint64_t(i) * row.spread / uint64_t(row.notes));
        track.notes.push_back({at, 240, i % 15 < 9 ? i % 15 : i % 15 + 1, (i / 15) % 128,
                               1 + i % 127});
    }
    track.notes.push_back({row.tick + 4 * 480, 240, 0, 60, 100});
    plan.tracks = {track};
    ASSERT_TRUE(load(plan));
    const size_t total = size_t(row.notes) + 1;
    ASSERT_TRUE(playNotes(total));
    std::set<std::tuple<int, int, int>> heard;
    for (const CapturedEvent& e : songNoteOns()) heard.emplace(e.channel, e.note, e.velocity);
    EXPECT_EQ(heard.size(), total) << overruns << " overruns of the listener";
    EXPECT_EQ(heard.count({0, 60, 100}), 1u) << "the accompaniment stopped after the crowd";
}

// The listener's own pool holds 2,000 events: the later crowd is spread over
// its beat so that the listener keeps up.
INSTANTIATE_TEST_SUITE_P(Crowds, DenseBeat,
                         ::testing::Values(DenseRow{"FirstBeat800", 0, 480, 800},
                                           DenseRow{"LaterBeat5000", 480, 480, 5000}),
                         [](const auto& row) { return std::string(row.param.name); });
} // namespace
