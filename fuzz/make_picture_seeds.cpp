// Writes a few pictures as the picture fuzzer's starting corpus: baseline and progressive,
// odd sizes, and a short run of repeated scans.
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/core/support/hostile_pictures.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_picture_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    int n = 0;
    auto save = [&](const std::vector<std::uint8_t>& bytes) {
        std::ofstream(dir + "/picture" + std::to_string(n++) + ".jpg", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    for (bool progressive : {false, true}) {
        save(drv::test::PatternJpeg(64, 48, progressive));
        save(drv::test::PatternJpeg(33, 17, progressive));
    }
    save(drv::test::ManyScansJpeg(30, 48, 32));
    save(drv::test::ClaimedSizeJpeg(2000, 30));
    return 0;
}
