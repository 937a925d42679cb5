#include <gtest/gtest.h>
#include <sys/stat.h>
#include <cmath>
#include <string>

#include "core/common/file_read.h"
#include "core/common/numbers.h"
#include "tests/core/support/frame_files.h"

namespace drv {
namespace {

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
    for (const auto& [in, out] :
         {std::pair{0.5, 0}, {1.5, 2}, {2.5, 2}, {-2.5, -2}, {-0.5, 0}, {2.4999, 2}, {-1.5, -2}, {67.0, 67}}) {
        EXPECT_EQ(RoundHalfEven(in), out) << in;
    }
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
    EXPECT_GT(RoundHalfEven(1e300), 0);
    EXPECT_LT(RoundHalfEven(-1e300), 0);
    EXPECT_EQ(RoundToInt16(40000.0), 32767);
    EXPECT_EQ(RoundToInt16(-40000.0), -32768);
    EXPECT_EQ(RoundToInt32(1e12), 2147483647);
}

TEST(ParseLenient, ReadsWhatAUserWouldCallTheNumber) {
    for (const auto& [in, out] : {std::pair<const char*, double>{"", 0},
                                  {"   ", 0},
                                  {"0523", 523},
                                  {"12abc", 12},
                                  {" 1 2", 12},
                                  {".5", 0.5},
                                  {"-", 0},
                                  {"-3.25", -3.25},
                                  {"+7", 7},
                                  {"1.2.3", 1.2},
                                  {"abc", 0},
                                  {"--5", 0},
                                  {"1e2", 100},
                                  {"1e", 1},
                                  {"0 0 9", 9},
                                  {"5-", 5},
                                  {"\t42", 42}}) {
        EXPECT_DOUBLE_EQ(ParseLenient(in), out) << '"' << in << '"';
    }
    const std::string many(100000, '9');
    EXPECT_TRUE(std::isinf(ParseLenient(many)) || ParseLenient(many) > 1e300);
    EXPECT_DOUBLE_EQ(ParseLenient("0." + many.substr(0, 5000)), 1.0);
    EXPECT_DOUBLE_EQ(ParseLenient(std::string(50000, ' ') + "3"), 3.0);
}

TEST(FormatNumber, PatternsRoundAndPad) {
    struct Case {
        double in;
        const char* pattern;
        const char* out;
    };
    for (const Case& c : {
             Case{52.3f, "##0.0", "52.3"},
             {5.2f, "#00.0", "05.2"},
             {-1.25f, "#0.00", "-1.25"},
             {9.95, "##0.0", "10.0"},
             {99.9996, "00.000", "100.000"},
             {-0.146f, "00.000", "-00.146"},
             {-0.0, "##0.0", "0.0"},
             {-0.04, "##0.0", "0.0"},
             {-0.05, "##0.0", "-0.1"},
             {1234.56, "#00.0", "1234.6"},
             {0.005, "#0.00", "0.01"},
             {0.0, "00.000", "00.000"},
             {1e20, "##0.0", "100000000000000000000.0"},
             {1e-20, "##0.0", "0.0"},
             {INFINITY, "##0.0", "Inf"},
         }) {
        EXPECT_EQ(FormatNumber(c.in, c.pattern), c.out) << c.in << " " << c.pattern;
    }
}

// Only an ordinary file within the bound gives its bytes; a pipe named like a picture must not block.
TEST(FileRead, OrdinaryFilesWithinTheBoundOnly) {
    const test::TempFolder dir;
    test::WriteText(dir.path() / "a.jpg", "12345");
    ASSERT_EQ(::mkfifo((dir.path() / "pipe.jpg").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.path() / "dir.jpg");
    const struct {
        const char* name;
        std::size_t max;
        std::string bytes;
    } cases[] = {
        {"a.jpg", 5, "12345"}, {"a.jpg", 4, ""}, {"pipe.jpg", 100, ""}, {"dir.jpg", 100, ""}, {"none.jpg", 100, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(ReadRegularFile(dir.path() / c.name, c.max), c.bytes) << c.name << " " << c.max;
}

}  // namespace
}  // namespace drv
