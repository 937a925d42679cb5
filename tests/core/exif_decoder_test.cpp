#include <gtest/gtest.h>
#include <chrono>
#include <string>

#include "core/exif/telemetry_decoder.h"
#include "tests/core/support/telemetry_texts.h"

namespace drv {
namespace {

using test::Block;
using test::kExampleNote;
using test::Tags;

const char* const kNoPosition = "----度--分--秒- ";

FrameRecord Decode(const ExifTags& tags) {
    FrameRecord r;
    DecodeFrameTelemetry(tags, r);
    return r;
}

// The position texts as the panel shows them, and beside them the decimal degrees (S and W
// negative) as a pair, valid only when both texts are positions.
TEST(DecodeFrameTelemetry, PositionTextsValuesAndClock) {
    struct Case {
        std::string lat, lon, latitudeText, longitudeText;
        bool valid;
        double latitude, longitude;
    };
    const double north = 35 + 40 / 60.0 + 41.2 / 3600, east = 139 + 45 / 60.0 + 6.7 / 3600;
    for (const Case& c : {
             Case{"N03540412", "E13945067", "N  35度40分41秒2", "E 139度45分06秒7", true, north, east},
             {"S03540412", "W13945067", "S  35度40分41秒2", "W 139度45分06秒7", true, -north, -east},
             {"N09000000", "W18000000", "N  90度00分00秒0", "W 180度00分00秒0", true, 90, -180},
             {"S12340412", "W00145067", "S 123度40分41秒2", "W 001度45分06秒7", false, 0, 0},  // no latitude
             {"N03560412", "E13945067", "N  35度60分41秒2", "E 139度45分06秒7", false, 0, 0},
             {"N00040412", "E00045067", kNoPosition, kNoPosition, false, 0, 0},
             {"N00040412", "E13945067", kNoPosition, "E 139度45分06秒7", false, 0, 0},
             {"N03540412", "E00045067", "N  35度40分41秒2", kNoPosition, false, 0, 0},
             {"\xE5"
              "03540412",
              "E139", "?  35度40分41秒2", "E 139度00分00秒0", false, 0, 0},
         }) {
        const FrameRecord r = Decode(Tags(kExampleNote.substr(0, 30) + c.lat + c.lon));
        EXPECT_EQ(r.Latitude, c.latitudeText) << c.lat;
        EXPECT_EQ(r.Longitude, c.longitudeText) << c.lon;
        EXPECT_EQ(r.position.valid, c.valid) << c.lat << c.lon;
        EXPECT_NEAR(r.position.latitude, c.latitude, 1e-12) << c.lat;
        EXPECT_NEAR(r.position.longitude, c.longitude, 1e-12) << c.lon;
    }

    using namespace std::chrono;
    const auto clock = Decode(Tags(kExampleNote)).clock;
    ASSERT_TRUE(clock);
    EXPECT_EQ(*clock, local_days{2007y / October / 10} + 4h + 18min + 59s);
    // The placeholder, a month 13 and a 30 February have no clock.
    for (const std::string& note :
         {std::string(), kExampleNote.substr(0, 18) + "071310041859", kExampleNote.substr(0, 18) + "080230000000"}) {
        EXPECT_FALSE(Decode(Tags(note)).clock) << note;
    }
}

// Status bits where the comment is cut or the texts are not hexadecimal read as clear.
TEST(DecodeFrameStatus, ShortOrForeignComment) {
    ExifTags cut = Tags(kExampleNote, Block{}.set(0, 6).set(34, 0xC0));
    cut.UserCommentHex.resize(2 * (kStatusBlockOffset + 1));  // reaches block byte 0 only
    const FrameStatus s = DecodeFrameStatus(cut);
    EXPECT_TRUE(s.triggerMark && s.externalSwitch);
    EXPECT_FALSE(s.highFrameRate || s.highQuality);
    EXPECT_EQ(UserCommentBlockByte("zz", -3), 0);
}

TEST(ExifDateToDisplay, CopiesTheDigitPairs) {
    for (const auto& [in, out] : {std::pair{"2007:10:10 04:18:59", "2007/10/10 04:18:59"},
                                  {"", "2000/00/00 00:00:00"},
                                  {"1999:12:31 23:59:58", "2099/12/31 23:59:58"},
                                  {"2007:1", "2007/10/00 00:00:00"},
                                  {"20\xC3\xA9", "20?\?/00/00 00:00:00"}})
        EXPECT_EQ(ExifDateToDisplay(in), out) << in;
}

}  // namespace
}  // namespace drv
