#include <gtest/gtest.h>
#include <sys/stat.h>
#include <string>
#include <tuple>
#include <vector>

#include "core/exif/telemetry_decoder.h"
#include "core/recording/recording_loader.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

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

// Runs of digits by their value, then the time rotation: a recording that began at IMG_9
// plays 9, 10, 11, 1, 2. Zero-padded names keep their byte order.
TEST(ListJpgFiles, NumbersInNamesInNaturalOrderBeforeTheRotation) {
    struct Case {
        std::vector<std::pair<std::string, long>> files;
        std::vector<std::string> played;
    };
    for (const Case& c :
         {Case{{{"IMG_1.JPG", 1}, {"IMG_2.JPG", 1}, {"IMG_9.JPG", 1}, {"IMG_10.JPG", 1}, {"IMG_100.JPG", 1}}, {}},
          Case{{{"IMG_0001.JPG", 1}, {"IMG_0002.JPG", 1}, {"IMG_0010.JPG", 1}, {"IMG_1000.JPG", 1}}, {}},
          Case{{{"9.jpg", 1},
                {"10.jpg", 1},
                {"a.jpg", 1},
                {"a0.jpg", 1},
                {"a2b1.jpg", 1},
                {"a2b10.jpg", 1},
                {"a10b1.jpg", 1},
                {"b.jpg", 1}},
               {}},
          Case{{{"x01.jpg", 1}, {"x1.jpg", 1}, {"x2.jpg", 1}}, {}},  // equal numbers: byte order
          Case{{{"IMG_1.JPG", 103}, {"IMG_2.JPG", 104}, {"IMG_9.JPG", 100}, {"IMG_10.JPG", 101}, {"IMG_11.JPG", 102}},
               {"IMG_9.JPG", "IMG_10.JPG", "IMG_11.JPG", "IMG_1.JPG", "IMG_2.JPG"}}}) {
        TempFolder dir;
        for (auto it = c.files.rbegin(); it != c.files.rend(); ++it) Touch(dir.path() / it->first, it->second);
        std::vector<std::string> listed{""}, played{""};
        for (const auto& file : c.files) listed.push_back(file.first);
        played.insert(played.end(), c.played.begin(), c.played.end());
        FileNameList list = ListJpgFiles(dir.path());
        EXPECT_EQ(Names(list), listed);
        OrderFilesByTime(dir.path(), list);
        EXPECT_EQ(Names(list), c.played.empty() ? listed : played);
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

}  // namespace
}  // namespace drv
