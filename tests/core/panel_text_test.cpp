#include <gtest/gtest.h>

#include "core/viewer/panel_text.h"

namespace drv {
namespace {

TEST(PanelText, ElapsedTimeFromTheTriggerFrame) {
    const struct {
        bool high;
        std::int32_t triggerPosition;
        int index;
        const char* seconds;
    } cases[] = {
        {true, 150, 1, "-00.146"}, {true, 150, 3, "00.000"},   {true, 150, 13, "00.730"},
        {false, 50, 11, "01.450"}, {false, 50, 400, "57.855"}, {true, 10050, 1, "-14.600"},  // no trigger: frame 201
        {true, 75, 2, "00.000"},   {true, 125, 2, "00.000"},  // 1.5 and 2.5 both round to frame 2
    };
    for (const auto& c : cases) {
        RecordingState state;
        state.HighFrameRate = c.high;
        state.TriggerPosition = c.triggerPosition;
        EXPECT_EQ(PassTimeText(state, c.index), std::string("経過時間：　") + c.seconds + "秒") << c.index;
    }
}

TEST(PanelText, AccelerationIsFourteenCharactersRightAlignedInSix) {
    const std::pair<float, const char*> cases[] = {{0.25f, "  0.25 G      "},
                                                   {-1.25f, " -1.25 G      "},
                                                   {-12.5f, "-12.50 G      "},
                                                   {-123.45f, "123.45 G      "}};
    for (const auto& [g, text] : cases) EXPECT_EQ(AccelerationText(g), text) << g;
}

}  // namespace
}  // namespace drv
