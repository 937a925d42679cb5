#include <gtest/gtest.h>
#include <array>
#include <string>

#include "core/recording/recording_loader.h"
#include "tests/core/support/telemetry_texts.h"

namespace drv {
namespace {

using test::Block;
using test::kExampleNote;
using test::Tags;

// The four samples that loading frame `index` stores, from the sample table.
std::array<std::int32_t, 4> LoadedSamples(const ExifTags& tags, int index) {
    RecordingState state;
    FrameRecord r;
    LoadFrame(tags, r, index, state);
    const auto k = static_cast<std::size_t>(index - 1);
    return {state.GraphSamples[0][k], state.GraphSamples[1][k], state.GraphSamples[2][k], state.GraphSamples[3][k]};
}

TEST(GraphSamples, LimitsSignsAndPulseSpeed) {
    struct Case {
        std::string note;
        Block block;
        std::array<std::int32_t, 4> samples;
    };
    const Block negative = Block{}.set(4, 0x80).set(6, 0x80).set(8, 0x80);
    // Speed, longitudinal and lateral at and beyond their limits.
    for (const Case& c : {Case{"25000000005050", {}, {125, 125, 120, 0}},
                          Case{"00000000005051", Block{}.set(4, 0x80), {-125, 125, -120, 0}},
                          // -0.49 as a 32-bit float lies just beyond -0.49, so -122.5 rounds away to -123.
                          Case{"20010000004900", Block{}.set(4, 0x80), {-123, 0, 120, 0}},
                          Case{"1000000000", {}, {0, 0, -0, 0}}, Case{kExampleNote, negative, {-62, -30, -57, 70}},
                          // Without main speed the speed channel follows the pulse speed: (60 * 12 - 1200) / 10.
                          Case{"00000600", Block{}.set(70, 0x07), {0, 0, -48, 0}}}) {
        EXPECT_EQ(LoadedSamples(Tags(c.note, c.block), 5), c.samples) << c.note;
    }
}

}  // namespace
}  // namespace drv
