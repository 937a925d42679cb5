#include <gtest/gtest.h>
#include <cmath>
#include <string>

#include "core/common/utf8.h"
#include "core/recording/recording_dump.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

TEST(ShortestFloat, TheShortestTextThatReadsBackOrNull) {
    for (const auto& [v, text] :
         {std::pair{52.3f, "52.3"}, {0.0f, "0"}, {-0.0f, "0"}, {-0.25f, "-0.25"}, {INFINITY, "null"}, {NAN, "null"}})
        EXPECT_EQ(ShortestFloat(v), text);
}

TEST(ToValidUtf8, ReplacesEveryBadByte) {
    struct Case {
        std::string in, out;
    };
    for (const Case& c : {Case{"\xFF.jpg", "\xEF\xBF\xBD.jpg"},
                          {"\x83\x74\x83\x40", "\xEF\xBF\xBDt\xEF\xBF\xBD@"},
                          {"\xE5\xBA", "\xEF\xBF\xBD\xEF\xBF\xBD"},
                          {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
                          {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}})  // a surrogate
        EXPECT_EQ(ToValidUtf8(c.in), c.out);
}

Recording LoadExample(const std::filesystem::path& dir) { return test::LoadedFolder(dir); }

TEST(RecordingToJson, TheWorkedExampleAsOneObject) {
    test::TempFolder dir;
    test::WriteFile(dir.path() / "a\"\xFF.jpg", test::FrameBytes(test::ExampleExif()));
    const std::string json = RecordingToJson(LoadExample(dir.path()));
    const std::string folder = dir.path().string();
    EXPECT_EQ(
        json,
        "{\"folder\": \"" + folder +
            "\", \"frameCount\": 1, \"triggerFound\": false, \"triggerPosition\": 10050, \"triggerKind\": \"\", "
            "\"vehicleSignalsPresent\": false, \"noMainSpeed\": false, \"highFrameRate\": false, "
            "\"highQuality\": false, \"frames\": [\n"
            "{\"index\": 1, \"file\": \"a\\\"\xEF\xBF\xBD.jpg\", \"speed\": 52.3, \"pulseSpeed\": 0, \"brake\": true, "
            "\"accelLongitudinal\": 0.25, \"accelLateral\": 0.12, \"accelAxis3\": 0.98, "
            "\"recordedAt\": \"2007/10/10 04:18:59\", \"latitude\": \"N  35度40分41秒2\", "
            "\"longitude\": \"E 139度45分06秒7\", \"shotAt\": \"2007/10/10 04:18:59\", "
            "\"digitizedAt\": \"2007/10/10 04:19:00\", \"updatedAt\": \"2008/01/02 03:04:05\", "
            "\"samples\": [62, 30, -57, 70]}\n]}\n");
}

TEST(RecordingToJson, SamplesAreNullPastFrame441AndControlCharactersEscaped) {
    Recording r = test::BlankRecording(442);
    r.frames[442].Latitude = "N\x01\t";
    const std::string json = RecordingToJson(r);
    EXPECT_NE(json.find("\"samples\": null}"), std::string::npos);
    EXPECT_EQ(json.find("\"samples\": null}"), json.rfind("\"samples\": null}"));  // only frame 442
    EXPECT_NE(json.find("\"latitude\": \"N\\u0001\\t\""), std::string::npos);
}

TEST(RecordingToCsv, HeaderThenOneQuotedRowPerFrame) {
    test::TempFolder dir;
    test::WriteFile(dir.path() / "a,b.jpg", test::FrameBytes(test::ExampleExif()));
    const std::string csv = RecordingToCsv(LoadExample(dir.path()));
    const auto lineEnd = csv.find("\r\n");
    ASSERT_NE(lineEnd, std::string::npos);
    EXPECT_EQ(csv.substr(0, 24), "index,file,speed,pulseSp");
    EXPECT_EQ(csv.substr(lineEnd + 2),
              "1,\"a,b.jpg\",52.3,0,1,0.25,0.12,0.98,2007/10/10 04:18:59,N  35度40分41秒2,E 139度45分06秒7,"
              "2007/10/10 04:18:59,2007/10/10 04:19:00,2008/01/02 03:04:05,62,30,-57,70\r\n");
}

}  // namespace
}  // namespace drv
