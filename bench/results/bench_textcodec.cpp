// How small and how fast the station's store keeps a result file's text:
// zstd at a few levels, without and with a dictionary trained on other
// result files of the same kind. The files come from resultgen:
//
//   ./resultgen /tmp/texts 7000
//   ./bench_textcodec /tmp/texts
//
// packs the first 5000 files (in name order) and trains the dictionaries on
// the last 2000, so that no file is packed with a dictionary that saw it.
// Counters: bytes per file packed, and the time per file.
#include "textcodec.h"

#include <benchmark/benchmark.h>
#include <zdict.h>
#include <zstd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_files, g_training;

void pack(benchmark::State &state, int level, std::size_t dictionarySize)
{
    std::string dictionary;
    if (dictionarySize > 0) {
        std::string samples;
        std::vector<std::size_t> sizes;
        for (const std::string &t : g_training) {
            samples += t;
            sizes.push_back(t.size());
        }
        dictionary.resize(dictionarySize);
        const std::size_t made = ZDICT_trainFromBuffer(dictionary.data(), dictionary.size(), samples.data(),
                                                       sizes.data(), unsigned(sizes.size()));
        if (ZDICT_isError(made)) {
            state.SkipWithError(ZDICT_getErrorName(made));
            return;
        }
        dictionary.resize(made);
    }
    ZSTD_CCtx *context = ZSTD_createCCtx();
    ZSTD_CDict *prepared = dictionary.empty() ? nullptr : ZSTD_createCDict(dictionary.data(), dictionary.size(), level);
    std::vector<char> out(ZSTD_compressBound(1 << 20));
    std::size_t bytes = 0, files = 0, next = 0;
    for (auto _ : state) {
        const std::string &f = g_files[next];
        next = (next + 1) % g_files.size();
        std::size_t size = 0;
        if (prepared) {
            size = ZSTD_compress_usingCDict(context, out.data(), out.size(), f.data(), f.size(), prepared);
        } else if (level == results::textcodec::Level) {
            // The store's own.
            size = std::size_t(results::textcodec::pack(QByteArray::fromRawData(f.data(), qsizetype(f.size()))).size());
        } else {
            size = ZSTD_compressCCtx(context, out.data(), out.size(), f.data(), f.size(), level);
        }
        if (ZSTD_isError(size)) {
            state.SkipWithError(ZSTD_getErrorName(size));
            break;
        }
        bytes += size;
        ++files;
    }
    state.counters["bytes/file"] = double(bytes) / double(std::max<std::size_t>(files, 1));
    state.counters["dictionary"] = double(dictionary.size());
    ZSTD_freeCDict(prepared);
    ZSTD_freeCCtx(context);
}

std::vector<std::string> readFolder(const std::filesystem::path &folder)
{
    std::vector<std::filesystem::path> paths;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().extension() == ".csv")
            paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    std::vector<std::string> texts;
    for (const auto &path : paths) {
        std::ifstream in(path, std::ios::binary);
        texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return texts;
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_textcodec FOLDER (made by resultgen, 7000 files)\n");
        return 2;
    }
    std::vector<std::string> all = readFolder(argv[1]);
    if (all.size() < 7000) {
        std::fprintf(stderr, "bench_textcodec: %zu files in %s, 7000 wanted\n", all.size(), argv[1]);
        return 1;
    }
    g_training.assign(all.end() - 2000, all.end());
    all.resize(5000);
    g_files = std::move(all);
    for (const int level : {1, 3, 6})
        for (const std::size_t dictionary : {std::size_t(0), std::size_t(4096), std::size_t(16384), std::size_t(65536)})
            benchmark::RegisterBenchmark(
                (QStringLiteral("Pack/level:%1/dictionary:%2").arg(level).arg(dictionary)).toStdString().c_str(),
                [level, dictionary](benchmark::State &state) { pack(state, level, dictionary); })
                ->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
