// Reading speed of the input files: a data file of 100,000 lines by 50 columns (plus a header
// line), scanned by map_tma_data_file and read by read_tma_data_file, as in one job.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "map_tma_data_file.h"
#include "read_tma_data_file.h"

namespace {

constexpr int bench_lines = 100000;
constexpr int bench_columns = 50;

struct BenchFiles {
    std::filesystem::path dir;
    std::string data, map;
    std::uintmax_t bytes = 0;

    BenchFiles() {
        std::string pattern = (std::filesystem::temp_directory_path() / "varandel-bench-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        dir = pattern;
        data = (dir / "data.txt").string();
        map = (dir / "map.txt").string();
        std::mt19937 random(12345);
        std::uniform_real_distribution<double> value(0.0, 1000.0);
        std::ofstream out(data, std::ios::binary);
        for (int j = 1; j <= bench_columns; ++j) out << (j > 1 ? "\t" : "") << "marker" << j;
        out << '\n';
        char buf[32];
        for (int i = 0; i < bench_lines; ++i) {
            for (int j = 1; j <= bench_columns; ++j) {
                std::snprintf(buf, sizeof buf, "%s%.4f", j > 1 ? "\t" : "", value(random));
                out << buf;
            }
            out << '\n';
        }
        out.close();
        std::ofstream m(map, std::ios::binary);
        m << "Y\tN";
        for (int j = 1; j <= bench_columns; ++j) m << '\t' << j;
        m << '\n';
        m.close();
        bytes = std::filesystem::file_size(data);
    }
    ~BenchFiles() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

const BenchFiles& bench_files() {
    static const BenchFiles files;
    return files;
}

void BM_read_data_file(benchmark::State& state) {
    const BenchFiles& files = bench_files();
    for (auto _ : state) {
        std::ostringstream console;
        const varandel::DataMapping m = varandel::map_tma_data_file(files.data, files.map, console);
        varandel::Table<std::string> HEADER("HEADER", m.n);
        varandel::Table<float> RAWDATA("RAWDATA", m.lines, m.n);
        varandel::read_tma_data_file(files.data, m, HEADER, RAWDATA);
        benchmark::DoNotOptimize(RAWDATA.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(files.bytes));
    state.counters["file_MB"] = static_cast<double>(files.bytes) / 1e6;
}
BENCHMARK(BM_read_data_file)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace
