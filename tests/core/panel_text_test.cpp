// Texts of the telemetry panel.
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
        {true, 150, 1, "-00.146"}, {true, 150, 3, "00.000"}, {true, 150, 13, "00.730"},
        {false, 50, 11, "01.450"}, {false, 50, 400, "57.855"},
        {true, 10050, 1, "-14.600"},                        // no trigger since start-up: frame 201
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
    const std::pair<float, const char*> cases[] = {{0.25f, "  0.25 G      "},  {-1.25f, " -1.25 G      "},
                                                   {-12.5f, "-12.50 G      "}, {-123.45f, "123.45 G      "}};
    for (const auto& [g, text] : cases) EXPECT_EQ(AccelerationText(g), text) << g;
}

TEST(PanelText, SpeedRowsFollowTheRecordingFlags) {
    FrameRecord r;
    r.Speed = 52.3f;
    r.PulseSpeed = 5.2f;
    const struct {
        bool noMainSpeed, vehicleSignals;
        const char *speed, *pulse;
    } cases[] = {{false, true, "52.3km/h", "05.2 km/h"}, {false, false, "52.3km/h", ""},
                 {true, true, "5.2km/h", ""},            {true, false, "----km/h", ""}};
    for (const auto& c : cases) {
        RecordingState state;
        state.NoMainSpeed = c.noMainSpeed;
        state.VehicleSignalsPresent = c.vehicleSignals;
        const PanelTexts t = ComputePanelTexts(r, state, 1);
        EXPECT_EQ(std::make_pair(t.speed, t.pulseSpeed), std::make_pair(std::string(c.speed), std::string(c.pulse)));
    }
    EXPECT_EQ(FpsText(true, false), "14fps / 低画質");
    EXPECT_EQ(FpsText(false, true), " 7fps / 高画質");
}

}  // namespace
}  // namespace drv
