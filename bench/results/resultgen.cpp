// Result files of the 40 × 30 bench file whose texts all differ, for the
// figures of the store's size and of the import: every measured value of the
// open/short and raster blocks drawn anew for each file, uniformly over the
// range the bench file's own values of that block span, so that no two files
// share their readings and a compressor finds in each what it finds in a
// panel of its own.
//
//   ./resultgen DIR N [--baseline]
//
// writes DIR/resultsPASS/SN<n>-<yyyyMMddhhmmss>-00-00-Pass.csv, n = 0 … N-1,
// one a minute from 2026-12-01 00:00. The bench file's jitter lines repeat its
// readings (its baseline was zero); so do these. --baseline takes the bench
// file's own readings as the baseline instead: the jitter lines then hold the
// differences, small signed numbers as a station with a baseline files them,
// each file carrying twice the information.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> splitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The numbers of a line and what precedes them ("X," or nothing); whether
// it ends with ",".
struct NumberLine
{
    std::string head;
    std::vector<long> values;
    bool trailingComma = false;
};

NumberLine parse(const std::string &line)
{
    NumberLine n;
    std::size_t at = 0;
    if (!line.empty() && !(line[0] == '-' || (line[0] >= '0' && line[0] <= '9'))) {
        at = line.find(',') + 1;
        n.head = line.substr(0, at);
    }
    while (at < line.size()) {
        const std::size_t comma = line.find(',', at);
        const std::string field = line.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        if (!field.empty())
            n.values.push_back(std::strtol(field.c_str(), nullptr, 10));
        if (comma == std::string::npos)
            break;
        at = comma + 1;
    }
    n.trailingComma = !line.empty() && line.back() == ',';
    return n;
}

std::string print(const NumberLine &n)
{
    std::string out = n.head;
    for (std::size_t i = 0; i < n.values.size(); ++i) {
        if (i > 0)
            out += ',';
        out += std::to_string(n.values[i]);
    }
    if (n.trailingComma)
        out += ',';
    return out;
}

// Lines [from, to) of the file as number lines.
std::vector<NumberLine> block(const std::vector<std::string> &lines, std::size_t from, std::size_t to)
{
    std::vector<NumberLine> out;
    for (std::size_t i = from; i < to; ++i)
        out.push_back(parse(lines[i]));
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: resultgen DIR N [--baseline]\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const long count = std::strtol(argv[2], nullptr, 10);
    const bool baseline = argc > 3 && std::string(argv[3]) == "--baseline";
    std::ifstream seed(KAVEL_SOURCE_DIR "/bench/tools/data/result-40x30.csv", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(seed)), std::istreambuf_iterator<char>());
    const std::vector<std::string> lines = splitLines(text);
    // The bench file: open/short X and Y (lines 2, 3), their jitter (9, 10),
    // RasterX rows 12..42 and their jitter 44..74, RasterY 76..106 and 108..138
    // (numbered from 1).
    if (lines.size() != 138 || lines[10].rfind("RasterX:", 0) != 0 || lines[74].rfind("RasterY:", 0) != 0) {
        std::fprintf(stderr, "resultgen: the bench file is not the one this program knows\n");
        return 1;
    }
    struct Block
    {
        std::size_t from, to, jitter; // readings [from, to), their jitter lines from jitter
    };
    const Block blocks[] = {{1, 2, 8}, {2, 3, 9}, {11, 42, 43}, {75, 106, 107}};
    std::filesystem::create_directories(dir / "resultsPASS");
    std::mt19937_64 random(20261201);
    std::tm start{};
    start.tm_year = 2026 - 1900;
    start.tm_mon = 11;
    start.tm_mday = 1;
    const std::time_t first = timegm(&start);
    for (long n = 0; n < count; ++n) {
        std::vector<std::string> out = lines;
        for (const Block &b : blocks) {
            const std::vector<NumberLine> readings = block(lines, b.from, b.to);
            long low = readings.front().values.front(), high = low;
            for (const NumberLine &l : readings)
                for (long v : l.values) {
                    low = std::min(low, v);
                    high = std::max(high, v);
                }
            std::uniform_int_distribution<long> draw(low, high);
            for (std::size_t i = 0; i < readings.size(); ++i) {
                NumberLine fresh = readings[i];
                for (long &v : fresh.values)
                    v = draw(random);
                out[b.from + i] = print(fresh);
                NumberLine jitter = parse(lines[b.jitter + i]);
                for (std::size_t k = 0; k < jitter.values.size() && k < fresh.values.size(); ++k)
                    jitter.values[k] = baseline ? fresh.values[k] - readings[i].values[k] : fresh.values[k];
                out[b.jitter + i] = print(jitter);
            }
        }
        const std::time_t at = first + n * 60;
        char stamp[16];
        std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", std::gmtime(&at));
        const std::filesystem::path file =
            dir / "resultsPASS" / ("SN" + std::to_string(100000 + n) + "-" + stamp + "-00-00-Pass.csv");
        std::ofstream f(file, std::ios::binary);
        for (const std::string &line : out)
            f << line << '\n';
        if (!f) {
            std::fprintf(stderr, "resultgen: cannot write %s\n", file.c_str());
            return 1;
        }
    }
    return 0;
}
