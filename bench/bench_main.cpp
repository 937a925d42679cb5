// Benchmarks that need widgets or picture codecs get an application object.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <string_view>

namespace drv::bench {
void RegisterPaceBenchmarks(std::string_view filter);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The minute-long pace runs join only when the filter asks for them by name.
    std::string_view filter;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with("--benchmark_filter=")) filter = arg.substr(19);
    }
    drv::bench::RegisterPaceBenchmarks(filter);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
