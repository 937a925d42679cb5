// Texts of the telemetry panel.
#include <gtest/gtest.h>

#include "core/common/numbers.h"
#include "core/viewer/panel_text.h"

namespace drv {
namespace {

struct PassTimeCase {
    bool high;
    std::int32_t triggerPosition;
    int index;
    const char* seconds;
};

class PanelPassTime : public ::testing::TestWithParam<PassTimeCase> {};

TEST_P(PanelPassTime, CountsFromTheTriggerFrame) {
    const PassTimeCase c = GetParam();
    RecordingState state;
    state.HighFrameRate = c.high;
    state.TriggerPosition = c.triggerPosition;
    EXPECT_EQ(PassTimeText(state, c.index), std::string("経過時間：　") + c.seconds + "秒");
}

INSTANTIATE_TEST_SUITE_P(
    Examples, PanelPassTime,
    ::testing::Values(PassTimeCase{true, 150, 1, "-00.146"}, PassTimeCase{true, 150, 3, "00.000"},
                      PassTimeCase{true, 150, 13, "00.730"}, PassTimeCase{false, 50, 11, "01.450"},
                      PassTimeCase{false, 50, 1, "00.000"},
                      // No trigger found since start-up: frame 201 is taken as the trigger.
                      PassTimeCase{true, 10050, 1, "-14.600"}, PassTimeCase{false, 10050, 441, "34.800"},
                      // 75 / 50 = 1.5 rounds to the even 2; 125 / 50 = 2.5 rounds to 2 as well.
                      PassTimeCase{true, 75, 2, "00.000"}, PassTimeCase{true, 125, 2, "00.000"},
                      PassTimeCase{false, 50, 400, "57.855"}));

TEST(PanelAcceleration, FourteenCharactersRightAlignedInSix) {
    const struct {
        float g;
        const char* text;
    } cases[] = {
        {0.25f, "  0.25 G      "}, {-1.25f, " -1.25 G      "}, {0.0f, "  0.00 G      "},
        {-0.004f, "  0.00 G      "}, {12.5f, " 12.50 G      "}, {-12.5f, "-12.50 G      "},
        {123.45f, "123.45 G      "}, {-123.45f, "123.45 G      "},  // longer: its last six kept
        {1234.5f, "234.50 G      "},
    };
    for (const auto& c : cases) {
        const std::string text = AccelerationText(c.g);
        EXPECT_EQ(text, c.text) << c.g;
        EXPECT_EQ(text.size(), 14u) << c.g;
    }
}

TEST(PanelSpeed, SpeedAndPulseFormats) {
    EXPECT_EQ(SpeedText(52.3f), "52.3km/h");
    EXPECT_EQ(SpeedText(0.0f), "0.0km/h");
    EXPECT_EQ(SpeedText(120.0f), "120.0km/h");
    EXPECT_EQ(PulseSpeedText(5.2f), "05.2 km/h");
    EXPECT_EQ(PulseSpeedText(100.0f), "100.0 km/h");
}

FrameRecord sampleRecord() {
    FrameRecord r;
    r.Speed = 52.3f;
    r.PulseSpeed = 5.2f;
    r.Brake = true;
    r.AccelLongitudinal = -0.25f;
    r.AccelLateral = 0.12f;
    r.Latitude = FixedWidth("N  35度40分12秒3", 13);
    r.Longitude = FixedWidth("E 139度45分06秒7", 13);
    r.ShotAt = "2007/10/10 04:18:59";
    r.UpdatedAt = "2007/10/10 04:19:00";
    return r;
}

struct SpeedCase {
    bool noMainSpeed;
    bool vehicleSignals;
    const char* speed;
    const char* pulse;
};

class PanelSpeedCases : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(PanelSpeedCases, SpeedRowsFollowTheRecordingFlags) {
    const SpeedCase c = GetParam();
    RecordingState state;
    state.NoMainSpeed = c.noMainSpeed;
    state.VehicleSignalsPresent = c.vehicleSignals;
    const PanelTexts t = ComputePanelTexts(sampleRecord(), state, 1);
    EXPECT_EQ(t.speed, c.speed);
    EXPECT_EQ(t.pulseSpeed, c.pulse);
}

INSTANTIATE_TEST_SUITE_P(Flags, PanelSpeedCases,
                         ::testing::Values(SpeedCase{false, true, "52.3km/h", "05.2 km/h"},
                                           SpeedCase{false, false, "52.3km/h", ""},
                                           SpeedCase{true, true, "5.2km/h", ""},
                                           SpeedCase{true, false, "----km/h", ""}));

TEST(PanelTexts, CopiesFixedWidthFieldsWhole) {
    RecordingState state;
    state.HighFrameRate = true;
    state.TriggerPosition = 150;
    const FrameRecord r = sampleRecord();
    const PanelTexts t = ComputePanelTexts(r, state, 13);
    EXPECT_TRUE(t.brakeOn);
    EXPECT_EQ(t.accelLongitudinal, " -0.25 G      ");
    EXPECT_EQ(t.accelLateral, "  0.12 G      ");
    EXPECT_EQ(t.latitude, r.Latitude);
    EXPECT_EQ(t.longitude, r.Longitude);
    EXPECT_EQ(t.shotAt, "2007/10/10 04:18:59");
    EXPECT_EQ(t.updatedAt, "2007/10/10 04:19:00");
    EXPECT_EQ(t.passTime, "経過時間：　00.730秒");
}

TEST(PanelTexts, FrameWithoutTelemetryShowsThePlaceholders) {
    FrameRecord r;
    r.Latitude = FixedWidth("----度--分--秒-", 13);
    r.Longitude = r.Latitude;
    r.ShotAt = r.UpdatedAt = "2000/00/00 00:00:00";
    const PanelTexts t = ComputePanelTexts(r, RecordingState{}, 1);
    EXPECT_EQ(t.speed, "0.0km/h");
    EXPECT_FALSE(t.brakeOn);
    EXPECT_EQ(t.accelLongitudinal, "  0.00 G      ");
    EXPECT_EQ(t.latitude, "----度--分--秒- ");
    EXPECT_EQ(t.shotAt, "2000/00/00 00:00:00");
}

TEST(PanelTexts, FpsAndBrakeCaptions) {
    EXPECT_EQ(FpsText(true, false), "14fps / 低画質");
    EXPECT_EQ(FpsText(false, true), " 7fps / 高画質");
    EXPECT_EQ(FpsText(true, true), "14fps / 高画質");
    EXPECT_EQ(FpsText(false, false), " 7fps / 低画質");
    EXPECT_EQ(BrakeCaption(true), "ブレーキ ＯＮ");
    EXPECT_EQ(BrakeCaption(false), "ブレーキ ＯＦＦ");
}

}  // namespace
}  // namespace drv
