#include <gtest/gtest.h>
#include <array>
#include <chrono>
#include <string>
#include <tuple>
#include <vector>

#include "core/exif/telemetry_decoder.h"

namespace drv {
namespace {

// The worked example (decoded whole in the dump's tests): 52.3 km/h, pulse 0, brake,
// 0.25 / 0.12 / 0.98 G, 2007-10-10 04:18:59, N 035 40 41 2, E 139 45 06 7.
const std::string kExampleNote = "052300001025012098071010041859N03540412E13945067";
const char* const kNoPosition = "----度--分--秒- ";

// The UserComment: 20 bytes, then the recorder's block.
struct Block {
    std::array<std::uint8_t, 94> bytes{};
    Block& set(int k, std::uint8_t v) { bytes[20 + static_cast<std::size_t>(k)] = v; return *this; }
    std::string hex() const {
        std::string s;
        for (std::uint8_t b : bytes) s += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
        return s;
    }
};

ExifTags Tags(std::string note, const Block& block = {}) {
    ExifTags t;
    t.MakerNoteText = std::move(note);
    t.UserCommentHex = block.hex();
    t.DateTimeOriginalText = "2007:10:10 04:18:59";
    t.DateTimeDigitizedText = "2007:10:10 04:19:00";
    t.DateTimeText = "2008:01:02 03:04:05";
    return t;
}

struct Decoded {
    FrameRecord r;
    RecordingState state;
    std::array<std::int32_t, 4> samples(int index) const {
        const auto k = static_cast<std::size_t>(index - 1);
        return {state.GraphSamples[0][k], state.GraphSamples[1][k], state.GraphSamples[2][k], state.GraphSamples[3][k]};
    }
};

Decoded Decode(const ExifTags& tags, int index = 1) {
    Decoded d;
    DecodeFrameTelemetry(tags, d.r, index, d.state);
    return d;
}

TEST(DecodeFrameTelemetry, GraphSampleLimitsSignsAndPulseSpeed) {
    struct Case { std::string note; Block block; std::array<std::int32_t, 4> samples; };
    const Block negative = Block{}.set(4, 0x80).set(6, 0x80).set(8, 0x80);
    // Speed, longitudinal and lateral at and beyond their limits.
    for (const Case& c : {Case{"25000000005050", {}, {125, 125, 120, 0}},
                          Case{"00000000005051", Block{}.set(4, 0x80), {-125, 125, -120, 0}},
                          // -0.49 as a 32-bit float lies just beyond -0.49, so -122.5 rounds away to -123.
                          Case{"20010000004900", Block{}.set(4, 0x80), {-123, 0, 120, 0}},
                          Case{"1000000000", {}, {0, 0, -0, 0}}, Case{kExampleNote, negative, {-62, -30, -57, 70}},
                          // Without main speed the speed channel follows the pulse speed: (60 * 12 - 1200) / 10.
                          Case{"00000600", Block{}.set(70, 0x07), {0, 0, -48, 0}}}) {
        const Decoded d = Decode(Tags(c.note, c.block), 5);
        EXPECT_EQ(d.samples(5), c.samples) << c.note;
    }
}

TEST(DecodeFrameTelemetry, PositionTexts) {
    struct Case { std::string lat, lon, latitude, longitude; };
    for (const Case& c : {Case{"N03540412", "E13945067", "N  35度40分41秒2", "E 139度45分06秒7"},
                          Case{"S12340412", "W00145067", "S 123度40分41秒2", "W 001度45分06秒7"},
                          Case{"N00040412", "E00045067", kNoPosition, kNoPosition},
                          Case{"\xE5" "03540412", "E139", "?  35度40分41秒2", "E 139度00分00秒0"}}) {
        const Decoded d = Decode(Tags(kExampleNote.substr(0, 30) + c.lat + c.lon));
        EXPECT_EQ(d.r.Latitude, c.latitude) << c.lat;
        EXPECT_EQ(d.r.Longitude, c.longitude) << c.lon;
    }
}

// The values beside the texts: decimal degrees (S and W negative) as a pair, and the clock.
TEST(DecodeFrameTelemetry, PositionAndClockValues) {
    struct Case { std::string lat, lon; bool valid; double latitude, longitude; };
    const double north = 35 + 40 / 60.0 + 41.2 / 3600, east = 139 + 45 / 60.0 + 6.7 / 3600;
    for (const Case& c : {Case{"N03540412", "E13945067", true, north, east},
                          Case{"S03540412", "W13945067", true, -north, -east},
                          Case{"N09000000", "W18000000", true, 90, -180},
                          Case{"S12340412", "W00145067", false, 0, 0},   // 123 degrees is no latitude
                          Case{"N03560412", "E13945067", false, 0, 0},   // 60 minutes
                          Case{"N00040412", "E13945067", false, 0, 0},   // no-position latitude
                          Case{"N03540412", "E00045067", false, 0, 0}}) {
        const GeoPosition p = Decode(Tags(kExampleNote.substr(0, 30) + c.lat + c.lon)).r.position;
        EXPECT_EQ(p.valid, c.valid) << c.lat << c.lon;
        EXPECT_NEAR(p.latitude, c.latitude, 1e-12) << c.lat;
        EXPECT_NEAR(p.longitude, c.longitude, 1e-12) << c.lon;
    }

    using namespace std::chrono;
    const auto clock = Decode(Tags(kExampleNote)).r.clock;
    ASSERT_TRUE(clock);
    EXPECT_EQ(*clock, local_days{2007y / October / 10} + 4h + 18min + 59s);
    // The placeholder, a month 13 and a 30 February have no clock.
    for (const std::string note : {std::string(), kExampleNote.substr(0, 18) + "071310041859",
                                   kExampleNote.substr(0, 18) + "080230000000"}) {
        EXPECT_FALSE(Decode(Tags(note)).r.clock) << note;
    }
}

// A cut UserComment and frames outside the sample table decode safely.
TEST(DecodeFrameTelemetry, ShortAndOutOfTableInput) {
    ExifTags cut = Tags(kExampleNote, Block{}.set(0, 6).set(34, 0xC0));
    cut.UserCommentHex.resize(2 * 21);  // reaches block byte 0 only: the rest reads as zero
    EXPECT_EQ(Decode(cut, 4).state.TriggerPosition, 200);
    EXPECT_EQ(UserCommentBlockByte("zz", -3), 0);
    RecordingState state;
    const auto samples = state.GraphSamples;
    for (int index : {442, 32767, 0, -1}) {
        FrameRecord r;
        DecodeFrameTelemetry(Tags(kExampleNote, Block{}.set(0, 2)), r, index, state);
        EXPECT_EQ(r.Latitude, "N  35度40分41秒2");
    }
    EXPECT_EQ(state.GraphSamples, samples);
    EXPECT_EQ(state.TriggerPosition, 442 * 50);
}

// Decodes a recording whose frame i + 1 carries frames[i] as its block.
RecordingState DecodeRecording(const std::vector<Block>& frames) {
    RecordingState state;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        FrameRecord r;
        DecodeFrameTelemetry(Tags(kExampleNote, frames[i]), r, static_cast<int>(i + 1), state);
    }
    return state;
}

TEST(TriggerSearch, FirstMarkSetsThePositionTheCaptionFollowsTheKinds) {
    const Block powerCut = Block{}.set(24, 0x60).set(34, 0x04), shock = Block{}.set(0, 0x02);
    struct Case { const char* name; std::vector<Block> frames; bool found; std::int32_t position; const char* caption; };
    for (const Case& c : {
             Case{"PowerCut", {Block{}, powerCut}, true, 100, "常時電源切断"},
             Case{"LaterShockWins", {Block{}, powerCut, shock}, true, 100, "衝撃検出撮影"},
             Case{"LaterPowerCutDoesNot", {Block{}.set(0, 0x04), powerCut}, true, 50, "衝撃検出撮影"},
             Case{"SecondFormWithoutPowerCutBit", {Block{}.set(24, 0x7F)}, true, 50, ""},
             Case{"NoMark", {Block{}, Block{}.set(0, 0x01).set(24, 0x20)}, false, 10050, ""}}) {
        const RecordingState s = DecodeRecording(c.frames);
        EXPECT_EQ(std::tie(s.TriggerFound, s.TriggerPosition, s.TriggerKindCaption),
                  std::make_tuple(c.found, c.position, std::string(c.caption))) << c.name;
    }
    // The first marked frame also sets the flags; later frames' flags do not count.
    const RecordingState s = DecodeRecording({Block{}.set(34, 0xC0), Block{},
                                              Block{}.set(0, 0x06).set(2, 0x04).set(34, 0x40).set(70, 0x07),
                                              Block{}.set(0, 0x02).set(34, 0x80)});
    EXPECT_EQ(std::tie(s.TriggerPosition, s.TriggerKindCaption),
              std::make_tuple(150, std::string("外部スイッチ")));
    EXPECT_TRUE(s.VehicleSignalsPresent && s.NoMainSpeed && s.HighFrameRate && !s.HighQuality);
}

TEST(ExifDateToDisplay, CopiesTheDigitPairs) {
    struct Case { const char* in; const char* out; };
    for (const Case& c : {Case{"2007:10:10 04:18:59", "2007/10/10 04:18:59"}, {"", "2000/00/00 00:00:00"},
                          {"1999:12:31 23:59:58", "2099/12/31 23:59:58"}, {"2007:1", "2007/10/00 00:00:00"},
                          {"20\xC3\xA9", "20?\?/00/00 00:00:00"}})
        EXPECT_EQ(ExifDateToDisplay(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace drv
