// A page of the thumbnail list decodes 16 pictures at their box size; the JPEG decoder
// scales while decoding. Baseline: the same 16 pictures decoded at full size.
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <random>

#include "gui/browse/thumbnail_list.h"
#include "gui/common/dialogs.h"

namespace {

const QTemporaryDir& pageFolder() {
    static const QTemporaryDir dir = [] {
        QTemporaryDir d;
        std::mt19937 rng(3);
        for (int n = 0; n < drv::kThumbnailCells; ++n) {
            QImage img(640, 480, QImage::Format_RGB888);
            for (int y = 0; y < 480; ++y) {
                uchar* row = img.scanLine(y);
                for (int x = 0; x < 640 * 3; ++x) row[x] = uchar((y / 2 + x / 8 + rng() % 24) & 255);
            }
            img.save(d.filePath(QStringLiteral("f%1.jpg").arg(n)), "JPEG", 85);
        }
        return d;
    }();
    return dir;
}

void BM_ThumbnailPageScaledDecode(benchmark::State& state) {
    const QString folder = pageFolder().path();
    for (auto _ : state) {
        for (int n = 0; n < drv::kThumbnailCells; ++n) {
            QSize natural;
            benchmark::DoNotOptimize(
                drv::DecodeThumbnail(drv::QStringToPath(folder + QStringLiteral("/f%1.jpg").arg(n)), 1.0, &natural));
        }
    }
}
BENCHMARK(BM_ThumbnailPageScaledDecode)->Unit(benchmark::kMillisecond);

void BM_ThumbnailPageFullDecodeBaseline(benchmark::State& state) {
    const QString folder = pageFolder().path();
    for (auto _ : state) {
        for (int n = 0; n < drv::kThumbnailCells; ++n)
            benchmark::DoNotOptimize(QImage(folder + QStringLiteral("/f%1.jpg").arg(n)));
    }
}
BENCHMARK(BM_ThumbnailPageFullDecodeBaseline)->Unit(benchmark::kMillisecond);

}  // namespace
