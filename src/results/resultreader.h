#ifndef RESULTREADER_H
#define RESULTREADER_H

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One reader of the station's result files, for everything that reads them in
// bulk: baseline generation, the results store's recording and its import. It
// works on the file's bytes (LF or CR LF lines) and converts numbers with
// std::from_chars; a record read into again keeps its buffers, so reading a
// folder of files allocates nothing per value and, once warm, nothing per file.
namespace results {

// "X[3]=812 ," in the open/short failure list: line 'X' or 'Y', value index.
struct FailingElectrode
{
    char line = 'X';
    int index = 0;
    int value = 0;
};

// ",X3:X4" in the open and short lists: the pair of electrodes, numbered from 1.
struct ElectrodePair
{
    char line = 'X';
    int first = 0;
    int second = 0;
};

// "RasterX[2][5]=95 ," in a raster's failure list: the value as read.
struct FailingCell
{
    int row = 0;
    int column = 0;
    int value = 0;
};

// An item whose line carries a text: a version, the Attb or Reset answer.
struct TextItem
{
    bool present = false;
    bool pass = false;
    std::string text;
};

// The values of one line of numbers. The station ends every value with ",";
// the empty text after the last comma is no value, but a reader that splits
// at commas sees it as one more field, which trailingComma keeps.
struct ValueLine
{
    std::vector<int> values;
    bool trailingComma = false;

    // Fields a split at every comma gives (the empty last one included).
    std::size_t fields() const { return values.size() + (trailingComma ? 1 : 0); }
};

struct OpenShortBlock
{
    bool present = false;    // the "OpenShort" line was found
    bool headerRead = false; // it was the station's "OpenShort:,R,failures" header
    bool pass = false;
    std::vector<FailingElectrode> failing;
    bool linesRead = false;  // both the X and the Y line follow the header
    ValueLine x;             // XN - 1 values
    ValueLine y;             // YN - 1 values
    std::vector<ElectrodePair> open;
    std::vector<ElectrodePair> shorts;
    // The differences to the baseline, the block's last lines: 0 none yet,
    // 1 their header, 2 the X line, 3 the Y line too (a whole block).
    int differences = 0;
    // Their values, one per value of the line (what the station judged after
    // truncating toward zero).
    std::vector<float> xDifferences;
    std::vector<float> yDifferences;
};

struct RasterBlock
{
    bool present = false;
    bool headerRead = false;
    bool pass = false;
    std::vector<FailingCell> failing;
    // The judged cells, the lines of numbers after the header (YN + 1 of XN + 1
    // values in the station's files), flat, with where each row starts.
    std::vector<int> values;
    std::vector<std::size_t> rowStart; // one more entry than rows
    std::vector<char> rowTrailingComma;
    // The differences to the baseline that follow the rows: their header was
    // read, and how many rows of them (as many as rows in a whole block).
    bool differencesRead = false;
    int differenceRows = 0;
    // Their values, flat, with where each row starts (one more entry than
    // differenceRows).
    std::vector<float> differences;
    std::vector<std::size_t> differenceStart;

    int rows() const { return rowStart.empty() ? 0 : int(rowStart.size()) - 1; }
    std::size_t rowLength(int row) const { return rowStart[std::size_t(row) + 1] - rowStart[std::size_t(row)]; }
    const int *row(int r) const { return values.data() + rowStart[std::size_t(r)]; }
    std::size_t rowFields(int r) const { return rowLength(r) + (rowTrailingComma[std::size_t(r)] ? 1 : 0); }
};

struct ResultRecord
{
    bool electricPresent = false;
    bool electricPass = false; // the line's verdict field (the run's verdict when written)
    std::array<float, 3> currentMa{}; // sorted ascending, as written

    TextItem usbVersion;    // text: the version read; pass: the line's verdict field
    TextItem crcVersion;
    TextItem eepromVersion; // pass: the item's own result

    bool tbPresent = false;
    bool tbPass = false;
    std::vector<int> tb;

    TextItem attb;  // text: the panel's answer; pass: answer "PASS"
    OpenShortBlock openShort;
    RasterBlock rasterX;
    RasterBlock rasterY;

    bool buttonsPresent = false;
    std::vector<int> buttons;

    TextItem reset; // text: "PASS" or "FAIL"

    // Lines that belong to no block the station writes; 0 in its own files.
    int strayLines = 0;

    // Where the file was cut short, when it was: a block without the lines
    // every such block ends with, or a last line without its line end. Null
    // for a whole file. A file cut just after a block cannot be told from the
    // file of a run whose profile had fewer items, so it reads as whole.
    const char *cut = nullptr;
    bool whole() const { return cut == nullptr; }

    // Empties the record and keeps its buffers.
    void clear();
    // At least one of the station's blocks was found.
    bool anyBlock() const;
};

// Reads a whole result file's text into record. False when the text holds none
// of the station's blocks (not a result file); record then says what it found.
// Numbers that are not decimal integers read as 0, as the station's own readers
// take them; a block cut short keeps what it had.
bool readResult(std::string_view text, ResultRecord &record);

// A whole file's bytes into buffer (the caller's, reused between files);
// false, with errno, when the file cannot be opened or read or is no regular
// file (a FIFO is refused, never waited on).
bool readFileBytes(const std::string &path, std::string &buffer);

// readResult() for a file on disk; false also when the file cannot be read.
bool readResultFile(const std::string &path, std::string &buffer, ResultRecord &record);

} // namespace results

#endif
