#include <gtest/gtest.h>
#include <sys/stat.h>
#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "core/common/utf8.h"
#include "core/exif/telemetry_decoder.h"
#include "core/recording/recording_dump.h"
#include "core/recording/recording_loader.h"
#include "core/recording/trigger_rule.h"
#include "tests/core/support/frame_files.h"
#include "tests/core/support/telemetry_texts.h"

namespace drv {
namespace {

namespace fs = std::filesystem;
using test::Block;
using test::kExampleNote;
using test::Tags;
using test::TempFolder;

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

// The worked example, named with a comma, a quote and a byte that is not UTF-8, as one JSON
// object and as a quoted CSV row.
TEST(RecordingDump, TheWorkedExampleAsJsonAndCsv) {
    test::TempFolder dir;
    test::WriteFile(dir.path() / "a,\"\xFF.jpg", test::FrameBytes(test::ExampleExif()));
    const Recording r = test::LoadedFolder(dir.path());
    EXPECT_EQ(
        RecordingToJson(r),
        "{\"folder\": \"" + dir.path().string() +
            "\", \"frameCount\": 1, \"triggerFound\": false, \"triggerPosition\": 10050, \"triggerKind\": \"\", "
            "\"vehicleSignalsPresent\": false, \"noMainSpeed\": false, \"highFrameRate\": false, "
            "\"highQuality\": false, \"frames\": [\n"
            "{\"index\": 1, \"file\": \"a,\\\"\xEF\xBF\xBD.jpg\", \"speed\": 52.3, \"pulseSpeed\": 0, \"brake\": true, "
            "\"accelLongitudinal\": 0.25, \"accelLateral\": 0.12, \"accelAxis3\": 0.98, "
            "\"recordedAt\": \"2007/10/10 04:18:59\", \"latitude\": \"N  35度40分41秒2\", "
            "\"longitude\": \"E 139度45分06秒7\", \"shotAt\": \"2007/10/10 04:18:59\", "
            "\"digitizedAt\": \"2007/10/10 04:19:00\", \"updatedAt\": \"2008/01/02 03:04:05\", "
            "\"samples\": [62, 30, -57, 70]}\n]}\n");
    const std::string csv = RecordingToCsv(r);
    const auto lineEnd = csv.find("\r\n");
    ASSERT_NE(lineEnd, std::string::npos);
    EXPECT_EQ(csv.substr(0, 24), "index,file,speed,pulseSp");
    EXPECT_EQ(csv.substr(lineEnd + 2),
              "1,\"a,\"\"\xEF\xBF\xBD.jpg\",52.3,0,1,0.25,0.12,0.98,2007/10/10 04:18:59,N  35度40分41秒2,"
              "E 139度45分06秒7,2007/10/10 04:18:59,2007/10/10 04:19:00,2008/01/02 03:04:05,62,30,-57,70\r\n");
}

TEST(RecordingToJson, SamplesAreNullPastFrame441AndControlCharactersEscaped) {
    Recording r = test::BlankRecording(442);
    r.frames[442].Latitude = "N\x01\t";
    const std::string json = RecordingToJson(r);
    EXPECT_NE(json.find("\"samples\": null}"), std::string::npos);
    EXPECT_EQ(json.find("\"samples\": null}"), json.rfind("\"samples\": null}"));  // only frame 442
    EXPECT_NE(json.find("\"latitude\": \"N\\u0001\\t\""), std::string::npos);
}

std::vector<std::string> Names(const FileNameList& list) {
    std::vector<std::string> out;
    for (const auto& p : list) out.push_back(p.native());
    return out;
}

void Touch(const fs::path& path, long seconds = 1'700'000'000) {
    test::WriteFile(path, {0});
    test::SetModificationTime(path, seconds);
}

TEST(ListJpgFiles, OrdinaryJpgFilesInByteOrder) {
    TempFolder dir;
    for (const char* name : {"b.JPG", "a.jpg", "C.Jpg", "d.jpeg", "e.jpg.txt", "jpg", "\xFF\xFE.jpg", "_.jPg",
                             "._a.jpg", "._b.JPG", ".jpg"})  // hidden: macOS twins
        Touch(dir.path() / name);
    fs::create_directory(dir.path() / "folder.jpg");
    fs::create_symlink(dir.path() / "a.jpg", dir.path() / "link.jpg");
    EXPECT_EQ(Names(ListJpgFiles(dir.path())),
              (std::vector<std::string>{"", "C.Jpg", "_.jPg", "a.jpg", "b.JPG", "link.jpg", "\xFF\xFE.jpg"}));
    for (const fs::path& p : {dir.path() / "nope", dir.path() / "a.jpg"})  // missing, or not a folder
        EXPECT_EQ(ListJpgFiles(p).size(), 1u) << p;
}

// Runs of digits by their value; zero-padded names and equal numbers keep their byte order.
TEST(ListJpgFiles, NumbersInNamesInNaturalOrder) {
    for (const std::vector<std::string>& names : std::vector<std::vector<std::string>>{
             {"IMG_1.JPG", "IMG_2.JPG", "IMG_9.JPG", "IMG_10.JPG", "IMG_100.JPG"},
             {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0010.JPG", "IMG_1000.JPG"},
             {"9.jpg", "10.jpg", "a.jpg", "a0.jpg", "a2b1.jpg", "a2b10.jpg", "a10b1.jpg", "b.jpg"},
             {"x01.jpg", "x1.jpg", "x2.jpg"}}) {
        TempFolder dir;
        for (auto it = names.rbegin(); it != names.rend(); ++it) Touch(dir.path() / *it);
        std::vector<std::string> listed{""};
        listed.insert(listed.end(), names.begin(), names.end());
        EXPECT_EQ(Names(ListJpgFiles(dir.path())), listed);
    }
}

// Listed order with modification times, plus files listed but gone before their time is read
// ('0' names are listed first, the others last); the expected order has the empty entry 0.
TEST(OrderFilesByTime, RotatesAtTheFirstStrictlyEarlierFile) {
    struct Case {
        std::vector<std::pair<const char*, long>> files;
        std::vector<const char*> missing;
        std::vector<std::string> expected;
        std::size_t limit = kMaxFrames;
    };
    for (const Case& c :
         {Case{{{"5", 105}, {"6", 106}, {"7", 107}, {"1", 101}, {"2", 102}}, {}, {"", "1", "2", "5", "6", "7"}},
          Case{{{"1", 101}, {"2", 101}, {"3", 100}, {"4", 102}}, {}, {"", "3", "4", "1", "2"}},  // equal is no break
          Case{{{"1", 105}, {"2", 101}, {"3", 109}, {"4", 100}}, {}, {"", "2", "3", "4", "1"}},  // then no sorting
          // A recording that began at IMG_9 plays 9, 10, 11, 1, 2.
          Case{{{"IMG_1", 103}, {"IMG_2", 104}, {"IMG_9", 100}, {"IMG_10", 101}, {"IMG_11", 102}},
               {},
               {"", "IMG_9", "IMG_10", "IMG_11", "IMG_1", "IMG_2"}},
          Case{{{"2", 105}, {"3", 101}}, {"0gone"}, {"", "3", "0gone", "2"}},
          Case{{{"1", 105}, {"2", 106}}, {"zgone"}, {"", "1", "2", "zgone"}}, Case{{}, {"0a", "0b"}, {"", "0b", "0a"}},
          // Over the limit the oldest stay, whatever sorts first by name.
          Case{{{"5", 105}, {"6", 106}, {"7", 107}, {"1", 101}, {"2", 102}}, {}, {"", "1", "2", "5"}, 3}}) {
        TempFolder dir;
        FileNameList list(1);
        for (const auto& [name, time] : c.files) {
            Touch(dir.path() / name, time);
            list.emplace_back(name);
        }
        for (const char* name : c.missing)
            list.emplace(list.begin() + 1 + (name[0] == '0' ? 0 : list.size() - 1), name);
        OrderFilesByTime(dir.path(), list, c.limit);
        EXPECT_EQ(Names(list), c.expected);
    }
}

// `n` example frames, frame `trigger` marked (0: none), frame i at (1000 + i % 1000) / 10 km/h.
void WriteRecording(const fs::path& dir, int n, int trigger, bool bigEndian = false) {
    test::WriteRecording(dir, n, [&](int i) {
        FrameExif exif = test::ExampleExif(bigEndian);
        exif.makerNote.replace(0, 4, std::to_string(1000 + i % 1000).substr(0, 4));
        if (i == trigger) exif.set(StatusBit::TriggerMark);
        return exif;
    });
}

// Past the chart's 441 frames with the last one marked (its position past 16 bits); a second
// load without a mark starts from the start-up state: nothing of the first stays.
TEST(LoadAllFrames, LoadsPast441FramesAndEachLoadStartsFromTheStartUpState) {
    TempFolder dir;
    WriteRecording(dir.path(), 700, 700);
    FrameTable frames(401);
    RecordingState state;
    state.TriggerFound = true;
    state.TriggerKindCaption = "外部スイッチ";
    for (auto& channel : state.GraphSamples) channel.fill(7777);
    LoadAllFrames(dir.path(), ListJpgFiles(dir.path()), frames, state);
    ASSERT_EQ(frames.size(), 701u);
    EXPECT_FLOAT_EQ(frames[4].Speed, 100.4f);
    EXPECT_FLOAT_EQ(frames[700].Speed, 170.0f);
    EXPECT_EQ(std::tie(state.TriggerPosition, state.TriggerKindCaption),
              std::make_tuple(700 * kUnitsPerFrame, std::string("衝撃検出撮影")));
    for (const auto& channel : state.GraphSamples)
        for (int v : channel) EXPECT_NE(v, 7777);
    state.VehicleSignalsPresent = state.NoMainSpeed = state.HighFrameRate = state.HighQuality = true;
    TempFolder plain;
    WriteRecording(plain.path(), 2, 0);
    LoadAllFrames(plain.path(), ListJpgFiles(plain.path()), frames, state);
    EXPECT_EQ(std::tie(state.TriggerFound, state.TriggerPosition, state.TriggerKindCaption, state.VehicleSignalsPresent,
                       state.NoMainSpeed, state.HighFrameRate, state.HighQuality),
              std::make_tuple(false, 10050, std::string(), false, false, false, false));
    EXPECT_EQ(frames.size(), 3u);
}

TEST(LoadAllFrames, BadFilesDecodeToPlaceholdersAndTheRestLoads) {
    TempFolder dir;
    WriteRecording(dir.path(), 6, 5);
    test::WriteFile(dir.path() / "00001.jpg", {});                                                    // empty
    test::WriteFile(dir.path() / "00002.jpg", {0xFF, 0xD8, 0xFF, 0xE0});                              // JFIF start, cut
    test::WriteFile(dir.path() / "\x83\x74\x83\x40.JPG", test::FrameBytes(test::ExampleExif(true)));  // not UTF-8
    FileNameList names = ListJpgFiles(dir.path());
    fs::remove(dir.path() / "00003.jpg");  // a folder by now
    fs::create_directory(dir.path() / "00003.jpg");
    fs::remove(dir.path() / "00004.jpg");  // a pipe by now: no writer will ever come
    ASSERT_EQ(::mkfifo((dir.path() / "00004.jpg").c_str(), 0600), 0);
    FrameTable frames;
    RecordingState state;
    LoadAllFrames(dir.path(), names, frames, state);
    ASSERT_EQ(frames.size(), 8u);
    for (int i : {1, 2, 3, 4}) {
        EXPECT_TRUE(frames[i].Speed == 0.0f && !frames[i].Brake) << i;
        EXPECT_EQ(frames[i].Latitude, "----度--分--秒- ");
        EXPECT_EQ(frames[i].ShotAt, "2000/00/00 00:00:00");
        EXPECT_EQ(state.GraphSamples[2][i - 1], -120);
    }
    EXPECT_FLOAT_EQ(frames[6].Speed, 100.6f);
    EXPECT_FLOAT_EQ(frames[7].Speed, 52.3f);
    EXPECT_EQ(state.TriggerPosition, 250);
}

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

// The four samples frame 5 stores in the sample table: limits, signs and the pulse speed; frames
// outside the table load their telemetry and leave the table alone.
TEST(LoadFrame, SamplesAndFramesOutsideTheTable) {
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
        RecordingState state;
        FrameRecord r;
        LoadFrame(Tags(c.note, c.block), r, 5, state);
        const auto& t = state.GraphSamples;
        EXPECT_EQ((std::array<std::int32_t, 4>{t[0][4], t[1][4], t[2][4], t[3][4]}), c.samples) << c.note;
    }
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
