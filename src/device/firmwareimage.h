#ifndef FIRMWAREIMAGE_H
#define FIRMWAREIMAGE_H

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class QIODevice;

// The controller's firmware image (.qlx): a text file of "$" records (143
// bytes as 286 hex digits), "!" pauses, and version lines that start the
// section for one bootloader. The reader picks the lines for the bootloader
// on the panel and checks every record it will send, before anything goes to
// the board: a download that stops half-way leaves the controller without
// working firmware, so a file we cannot read whole is not started at all.
namespace device {
namespace firmware {

// A line is read into a buffer of this many characters (terminator
// included); whatever a longer line carries beyond it is dropped, never read
// as a line of its own.
constexpr int LineBufferSize = 1024;
constexpr int MaxSelectedLines = 2000;
constexpr int MaxDataLines = 1200;

constexpr int RecordBytes = 143;
constexpr int RecordHexDigits = 2 * RecordBytes;
// The bootloader takes a record in three bridge reports.
constexpr int Part1Bytes = 60;
constexpr int Part2Bytes = 60;
constexpr int Part3Bytes = 23;
static_assert(Part1Bytes + Part2Bytes + Part3Bytes == RecordBytes, "a record is three parts");

using Record = std::array<std::uint8_t, RecordBytes>;

struct Line
{
    enum Kind { Data, Pause, Other };
    Kind kind = Other;
    // Data lines: whether the record goes to the bootloader (types "00" to
    // "06"); the others are skipped and not counted.
    bool sent = false;
    Record record{};
    int fileLine = 0; // 1-based, for messages
};

struct Image
{
    std::vector<Line> lines; // the selected lines, in file order
    int dataLines = 0;       // selected data lines, sent or not
};

enum class Outcome {
    Ok,
    CannotOpen,       // nothing to report: the window's file check shows it
    NothingSelected,  // no line belongs to this bootloader
    TooManyLines,     // over MaxSelectedLines selected
    TooManyDataLines, // over MaxDataLines selected data lines
    BadRecord,        // a record to send is short or not hexadecimal
};

struct ReadResult
{
    Outcome outcome = Outcome::Ok;
    Image image;
    int fileLine = 0; // where the reader gave up, for the refusals
    QByteArray text;  // readFile(): the file's bytes as read (what a run that downloads it is judged with)
};

// A line belongs to a section when it carries "VERSION" after its first
// character; the section is the bootloader's whose code it carries (again
// after the first character). Lines before the first version line are
// selected; a version line for another bootloader drops everything up to the
// matching one; after the matching one everything is selected. An empty code
// (no bootloader read) matches no section.
ReadResult read(QIODevice &in, const QString &bootloaderCode);
ReadResult readFile(const QString &path, const QString &bootloaderCode);

// Types "00" to "06", as the two characters after the "$".
bool sentType(const char *text, int size);

// The first 286 characters as hex digits (either case); false when there are
// fewer or one is not a digit.
bool decodeRecord(const char *text, int size, Record &record);

// The file the next download sends: the profile's qlxfile_path or the one
// picked in the download dialog. Process-wide.
QString filePath();
void setFilePath(const QString &path);

// The bytes of the file the latest download read (empty when it could not
// read one); after a download that succeeded, the image now on the panel.
// Process-wide.
QByteArray downloadedText();
void setDownloadedText(const QByteArray &text);

} // namespace firmware
} // namespace device

#endif
