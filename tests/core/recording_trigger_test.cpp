#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "core/exif/telemetry_decoder.h"
#include "core/recording/recording_loader.h"
#include "core/recording/trigger_rule.h"
#include "tests/core/support/telemetry_texts.h"

namespace drv {
namespace {

using test::Block;
using test::kExampleNote;
using test::Tags;

// Decodes a recording whose frame i + 1 carries frames[i] as its block.
RecordingState DecodeRecording(const std::vector<Block>& frames) {
    RecordingState state;
    for (std::size_t i = 0; i < frames.size(); ++i)
        ApplyTriggerRule(DecodeFrameStatus(Tags(kExampleNote, frames[i])), static_cast<int>(i + 1), state);
    return state;
}

TEST(TriggerSearch, FirstMarkSetsThePositionTheCaptionFollowsTheKinds) {
    const Block powerCut = Block{}.set(24, 0x60).set(34, 0x04), shock = Block{}.set(0, 0x02);
    struct Case {
        const char* name;
        std::vector<Block> frames;
        bool found;
        std::int32_t position;
        const char* caption;
    };
    for (const Case& c : {Case{"PowerCut", {Block{}, powerCut}, true, 100, "常時電源切断"},
                          Case{"LaterShockWins", {Block{}, powerCut, shock}, true, 100, "衝撃検出撮影"},
                          Case{"LaterPowerCutDoesNot", {Block{}.set(0, 0x04), powerCut}, true, 50, "衝撃検出撮影"},
                          Case{"SecondFormWithoutPowerCutBit", {Block{}.set(24, 0x7F)}, true, 50, ""},
                          Case{"NoMark", {Block{}, Block{}.set(0, 0x01).set(24, 0x20)}, false, 10050, ""}}) {
        const RecordingState s = DecodeRecording(c.frames);
        EXPECT_EQ(std::tie(s.TriggerFound, s.TriggerPosition, s.TriggerKindCaption),
                  std::make_tuple(c.found, c.position, std::string(c.caption)))
            << c.name;
    }
    // The first marked frame also sets the flags; later frames' flags do not count.
    const RecordingState s =
        DecodeRecording({Block{}.set(34, 0xC0), Block{}, Block{}.set(0, 0x06).set(2, 0x04).set(34, 0x40).set(70, 0x07),
                         Block{}.set(0, 0x02).set(34, 0x80)});
    EXPECT_EQ(std::tie(s.TriggerPosition, s.TriggerKindCaption), std::make_tuple(150, std::string("外部スイッチ")));
    EXPECT_TRUE(s.VehicleSignalsPresent && s.NoMainSpeed && s.HighFrameRate && !s.HighQuality);
}

// Frames outside the sample table load safely.
TEST(LoadFrame, OutOfTableInput) {
    RecordingState state;
    const auto samples = state.GraphSamples;
    for (int index : {442, 32767, 0, -1}) {
        FrameRecord r;
        LoadFrame(Tags(kExampleNote, Block{}.set(0, 2)), r, index, state);
        EXPECT_EQ(r.Latitude, "N  35度40分41秒2");
    }
    EXPECT_EQ(state.GraphSamples, samples);
    EXPECT_EQ(state.TriggerPosition, 442 * kUnitsPerFrame);
}

}  // namespace
}  // namespace drv
