#include "firmwareimage.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

namespace device {
namespace firmware {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads one line into buf (at most LineBufferSize - 1 characters, like the
// C library's line reader); the rest of an over-long line is skipped. The
// terminator is taken off. False at the end of the input.
bool readLine(QIODevice &in, QByteArray &buf)
{
    buf.resize(LineBufferSize);
    const qint64 n = in.readLine(buf.data(), LineBufferSize);
    if (n <= 0) {
        buf.clear();
        return false;
    }
    buf.resize(static_cast<int>(n));
    if (!buf.endsWith('\n')) {
        char scratch[LineBufferSize];
        qint64 more = 0;
        do {
            more = in.readLine(scratch, sizeof scratch);
        } while (more > 0 && scratch[more - 1] != '\n');
    }
    while (!buf.isEmpty() && (buf.endsWith('\n') || buf.endsWith('\r')))
        buf.chop(1);
    return true;
}

bool containsAfterFirst(const QByteArray &line, const QByteArray &text)
{
    return !text.isEmpty() && line.indexOf(text, 1) >= 1;
}

struct PathHolder
{
    QMutex mutex;
    QString path;
    QByteArray downloaded;
};

PathHolder &pathHolder()
{
    static PathHolder holder;
    return holder;
}

} // namespace

bool sentType(const char *text, int size)
{
    return size >= 2 && text[0] == '0' && text[1] >= '0' && text[1] <= '6';
}

bool decodeRecord(const char *text, int size, Record &record)
{
    if (size < RecordHexDigits)
        return false;
    for (int i = 0; i < RecordBytes; ++i) {
        const int high = hexDigit(text[2 * i]);
        const int low = hexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        record[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return true;
}

ReadResult read(QIODevice &in, const QString &bootloaderCode)
{
    ReadResult result;
    const QByteArray code = bootloaderCode.toLatin1();
    const QByteArray versionMark("VERSION");
    bool inSection = false;
    bool skipping = false;
    int fileLine = 0;
    QByteArray text;
    text.reserve(LineBufferSize);

    while (readLine(in, text)) {
        ++fileLine;
        const bool version = containsAfterFirst(text, versionMark);
        const bool ours = containsAfterFirst(text, code);
        if (version && ours) {
            skipping = false;
            inSection = true;
        } else if (version && !inSection) {
            skipping = true;
            continue;
        } else if (skipping) {
            continue;
        }

        Image &image = result.image;
        if (static_cast<int>(image.lines.size()) >= MaxSelectedLines) {
            result.outcome = Outcome::TooManyLines;
            result.fileLine = fileLine;
            return result;
        }
        Line line;
        line.fileLine = fileLine;
        if (text.startsWith('$')) {
            line.kind = Line::Data;
            if (++image.dataLines > MaxDataLines) {
                result.outcome = Outcome::TooManyDataLines;
                result.fileLine = fileLine;
                return result;
            }
            const char *digits = text.constData() + 1;
            const int size = text.size() - 1;
            line.sent = sentType(digits, size);
            if (line.sent && !decodeRecord(digits, size, line.record)) {
                result.outcome = Outcome::BadRecord;
                result.fileLine = fileLine;
                return result;
            }
        } else if (text.startsWith('!')) {
            line.kind = Line::Pause;
        }
        image.lines.push_back(line);
    }

    if (result.image.lines.empty())
        result.outcome = Outcome::NothingSelected;
    return result;
}

ReadResult readFile(const QString &path, const QString &bootloaderCode)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        ReadResult result;
        result.outcome = Outcome::CannotOpen;
        return result;
    }
    // Read whole first, so that the bytes kept are the ones the records came from.
    QByteArray text = file.readAll();
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    ReadResult result = read(buffer, bootloaderCode);
    result.text = text;
    return result;
}

QByteArray downloadedText()
{
    PathHolder &h = pathHolder();
    QMutexLocker lock(&h.mutex);
    return h.downloaded;
}

void setDownloadedText(const QByteArray &text)
{
    PathHolder &h = pathHolder();
    QMutexLocker lock(&h.mutex);
    h.downloaded = text;
}

QString filePath()
{
    PathHolder &h = pathHolder();
    QMutexLocker lock(&h.mutex);
    return h.path;
}

void setFilePath(const QString &path)
{
    PathHolder &h = pathHolder();
    QMutexLocker lock(&h.mutex);
    h.path = path;
}

} // namespace firmware
} // namespace device
