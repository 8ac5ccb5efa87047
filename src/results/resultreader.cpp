#include "resultreader.h"

#include <cerrno>
#include <charconv>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace results {

namespace {

using std::string_view;

bool startsWith(string_view text, string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool contains(string_view text, string_view part)
{
    return text.find(part) != string_view::npos;
}

string_view trimmed(string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// A decimal integer as the station's readers take one: surrounding blanks and
// a leading "+" allowed, anything else (or a number beyond int) is 0.
int toInt(string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

float toFloat(string_view text)
{
    text = trimmed(text);
    float value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() ? value : 0.0f;
}

// Calls field(text) for every comma-separated field of line, the empty one
// after a final comma included.
template <typename Field>
void forEachField(string_view line, Field field)
{
    for (;;) {
        const std::size_t comma = line.find(',');
        if (comma == string_view::npos) {
            field(line);
            return;
        }
        field(line.substr(0, comma));
        line.remove_prefix(comma + 1);
    }
}

// The values of a line of numbers; the empty text after a final comma is no
// value. One pass: the usual field, digits with an optional "-" up to the
// comma, is converted where it stands; anything else goes the careful way.
void readValues(string_view line, std::vector<int> &values, bool &trailingComma)
{
    trailingComma = !line.empty() && line.back() == ',';
    if (trailingComma)
        line.remove_suffix(1);
    if (line.empty() && !trailingComma)
        return; // an empty line is one empty field, which the caller counts as none
    const char *p = line.data();
    const char *const end = p + line.size();
    for (;;) {
        // Up to nine digits cannot overflow an int: the raster's three or four
        // are read here, inline (the library's from_chars costs more than the
        // rest of the reader together).
        const char *q = p;
        const bool negative = q != end && *q == '-';
        q += negative ? 1 : 0;
        const char *const digits = q;
        int value = 0;
        while (q != end && unsigned(*q - '0') < 10u && q - digits < 9)
            value = value * 10 + (*q++ - '0');
        if (q != digits && (q == end || *q == ',')) {
            values.push_back(negative ? -value : value);
            p = q;
        } else {
            const char *comma = static_cast<const char *>(std::memchr(p, ',', std::size_t(end - p)));
            if (!comma)
                comma = end;
            values.push_back(toInt(string_view(p, std::size_t(comma - p))));
            p = comma;
        }
        if (p == end)
            return;
        ++p; // the comma
    }
}

// The differences to the baseline, written in general notation: integers as a
// rule, read where they stand; anything else through from_chars.
void readDifferences(string_view line, std::vector<float> &values)
{
    if (!line.empty() && line.back() == ',')
        line.remove_suffix(1);
    if (line.empty())
        return;
    forEachField(line, [&values](string_view f) {
        const char *p = f.data();
        const char *const end = p + f.size();
        const bool negative = p != end && *p == '-';
        const char *const digits = p + (negative ? 1 : 0);
        int value = 0;
        const char *q = digits;
        while (q != end && unsigned(*q - '0') < 10u && q - digits < 9)
            value = value * 10 + (*q++ - '0');
        values.push_back(q != digits && q == end ? float(negative ? -value : value) : toFloat(f));
    });
}

void readValueLine(string_view line, ValueLine &out)
{
    out.values.clear();
    readValues(line, out.values, out.trailingComma);
    if (line.empty())
        out.trailingComma = true; // one empty field
}

// The text after the n-th comma (n from 1), empty when there is none.
string_view afterComma(string_view line, int n)
{
    for (int i = 0; i < n; ++i) {
        const std::size_t comma = line.find(',');
        if (comma == string_view::npos)
            return {};
        line.remove_prefix(comma + 1);
    }
    return line;
}

string_view field(string_view line, int n)
{
    line = afterComma(line, n);
    return line.substr(0, line.find(','));
}

// "<name>[a]=v ," or "<name>[a][b]=v ," entries, one after another. The entry
// names its line (open/short) or raster; brackets give the indices.
template <typename Entry>
void forEachEntry(string_view list, Entry entry)
{
    std::size_t at = 0;
    while ((at = list.find('[', at)) != string_view::npos) {
        const char name = at > 0 ? list[at - 1] : '?';
        int index[2] = {0, 0};
        int count = 0;
        std::size_t p = at;
        while (p < list.size() && list[p] == '[' && count < 2) {
            const std::size_t close = list.find(']', p);
            if (close == string_view::npos)
                return;
            index[count++] = toInt(list.substr(p + 1, close - p - 1));
            p = close + 1;
        }
        if (p >= list.size() || list[p] != '=') {
            at = p;
            continue;
        }
        const std::size_t end = list.find(',', p);
        const string_view value = list.substr(p + 1, end == string_view::npos ? string_view::npos : end - p - 1);
        entry(name, count, index[0], index[1], toInt(value));
        at = end == string_view::npos ? list.size() : end;
    }
}

// ",X3:X4,X7:X8" after the list's name.
void readPairs(string_view list, std::vector<ElectrodePair> &pairs)
{
    forEachField(list, [&pairs](string_view f) {
        const std::size_t colon = f.find(':');
        if (f.size() < 2 || colon == string_view::npos || colon + 1 >= f.size())
            return;
        pairs.push_back({f.front(), toInt(f.substr(1, colon - 1)), toInt(f.substr(colon + 2))});
    });
}

void assign(std::string &to, string_view from)
{
    to.assign(from.data(), from.size());
}

enum class Section { None, OpenShortX, OpenShortY, OpenShortRest, RasterRows, RasterJitter };

class Reader
{
public:
    explicit Reader(ResultRecord &record) : r(record) {}

    void line(string_view text)
    {
        switch (m_section) {
        case Section::OpenShortX:
            readValueLine(text.substr(std::min<std::size_t>(2, text.size())), r.openShort.x);
            m_section = Section::OpenShortY;
            return;
        case Section::OpenShortY:
            readValueLine(text.substr(std::min<std::size_t>(2, text.size())), r.openShort.y);
            r.openShort.linesRead = true;
            m_section = Section::OpenShortRest;
            return;
        case Section::RasterRows:
            if (isRow(text)) {
                RasterBlock &b = *m_raster;
                bool trailing = false;
                readValues(text, b.values, trailing);
                b.rowStart.push_back(b.values.size());
                b.rowTrailingComma.push_back(trailing ? 1 : 0);
                return;
            }
            m_section = Section::None;
            break;
        case Section::RasterJitter:
            if (isRow(text)) {
                if (m_differencesOf) {
                    ++m_differencesOf->differenceRows;
                    readDifferences(text, m_differencesOf->differences);
                    m_differencesOf->differenceStart.push_back(m_differencesOf->differences.size());
                }
                return;
            }
            m_section = Section::None;
            break;
        default:
            break;
        }
        marker(text);
    }

private:
    // Inside a raster block every line is a row until a line of another
    // block: what is not a number in a row reads as 0, as the station's own
    // readers take it.
    static bool isRow(string_view text)
    {
        if (text.empty())
            return false;
        const char c = text.front();
        if ((c >= '0' && c <= '9') || c == '-')
            return true;
        for (const string_view prefix : {"RJitter", "Electric,", "Usb_Version,", "CRC_Version,", "eeprom_Version,",
                                         "Tb_Value,", "Attb:,", "BtnData", "Reset:,"})
            if (startsWith(text, prefix))
                return false;
        return !contains(text, "Raster") && !contains(text, "OpenShort");
    }

    void raster(RasterBlock &b, string_view text, string_view header)
    {
        b.present = true;
        b.rowStart.assign(1, 0);
        if (startsWith(text, header)) {
            b.headerRead = true;
            b.pass = field(text, 1) == "PASS";
            forEachEntry(afterComma(text, 2), [&b](char, int count, int row, int column, int value) {
                if (count == 2)
                    b.failing.push_back({row, column, value});
            });
        }
        m_raster = &b;
        m_section = Section::RasterRows;
    }

    void textItem(TextItem &item, string_view text, bool passFromLast)
    {
        item.present = true;
        const string_view rest = afterComma(text, 1);
        if (passFromLast) {
            const std::size_t last = rest.rfind(',');
            assign(item.text, rest.substr(0, last));
            item.pass = last != string_view::npos && rest.substr(last + 1) == "PASS";
        } else {
            assign(item.text, rest);
            item.pass = rest == "PASS";
        }
    }

    void marker(string_view text)
    {
        if (!r.openShort.present && contains(text, "OpenShort")) {
            OpenShortBlock &b = r.openShort;
            b.present = true;
            if (startsWith(text, "OpenShort:,")) {
                b.headerRead = true;
                b.pass = field(text, 1) == "PASS";
                forEachEntry(afterComma(text, 2), [&b](char line, int count, int index, int, int value) {
                    if (count == 1)
                        b.failing.push_back({line, index, value});
                });
            }
            m_section = Section::OpenShortX;
        } else if (!r.rasterX.present && contains(text, "RasterX")) {
            raster(r.rasterX, text, "RasterX:,");
        } else if (!r.rasterY.present && contains(text, "RasterY")) {
            raster(r.rasterY, text, "RasterY:,");
        } else if (startsWith(text, "RJitter")) {
            // The differences of the raster just read, when the header names it.
            const char which = text.size() > 7 ? text[7] : '?';
            m_differencesOf = m_raster && which == (m_raster == &r.rasterX ? 'X' : 'Y') ? m_raster : nullptr;
            if (m_differencesOf) {
                m_differencesOf->differencesRead = true;
                m_differencesOf->differenceStart.assign(1, 0);
            }
            m_section = Section::RasterJitter;
        } else if (startsWith(text, "Electric,")) {
            r.electricPresent = true;
            r.electricPass = field(text, 1) == "PASS";
            for (int i = 0; i < 3; ++i)
                r.currentMa[std::size_t(i)] = toFloat(field(text, 2 + i));
        } else if (startsWith(text, "Usb_Version,")) {
            textItem(r.usbVersion, text, true);
        } else if (startsWith(text, "CRC_Version,")) {
            textItem(r.crcVersion, text, true);
        } else if (startsWith(text, "eeprom_Version,")) {
            textItem(r.eepromVersion, text, true);
        } else if (startsWith(text, "Tb_Value,")) {
            r.tbPresent = true;
            r.tbPass = field(text, 1) == "PASS";
            bool trailing = false;
            if (const string_view values = afterComma(text, 2); !values.empty())
                readValues(values, r.tb, trailing);
        } else if (startsWith(text, "Attb:,")) {
            textItem(r.attb, text, false);
        } else if (startsWith(text, "Reset:,")) {
            textItem(r.reset, text, false);
        } else if (startsWith(text, "BtnData")) {
            r.buttonsPresent = true;
            bool trailing = false;
            if (const string_view values = afterComma(text, 1); !values.empty())
                readValues(values, r.buttons, trailing);
        } else if (m_section == Section::OpenShortRest && startsWith(text, "Xopen:")) {
            readPairs(text.substr(6), r.openShort.open);
        } else if (m_section == Section::OpenShortRest && startsWith(text, "Yopen:")) {
            readPairs(text.substr(6), r.openShort.open);
        } else if (m_section == Section::OpenShortRest && startsWith(text, "Xshort:")) {
            readPairs(text.substr(7), r.openShort.shorts);
        } else if (m_section == Section::OpenShortRest && startsWith(text, "Yshort:")) {
            readPairs(text.substr(7), r.openShort.shorts);
        } else if (m_section == Section::OpenShortRest
                   && (startsWith(text, "DJitter:") || startsWith(text, "X") || startsWith(text, "Y"))) {
            // The differences to the baseline, which end a whole block
            // (header, X line, Y line): "X,d0,d1,...".
            int &step = r.openShort.differences;
            const int next = text.front() == 'D' ? 1 : text.front() == 'X' ? 2 : 3;
            if (next == step + 1) {
                step = next;
                if (next > 1)
                    readDifferences(text.substr(std::min<std::size_t>(2, text.size())),
                                    next == 2 ? r.openShort.xDifferences : r.openShort.yDifferences);
            }
        } else if (!text.empty()) {
            ++r.strayLines;
        }
    }

    ResultRecord &r;
    Section m_section = Section::None;
    RasterBlock *m_raster = nullptr;
    RasterBlock *m_differencesOf = nullptr;
};

// Where a file read into r was cut short, or null. text is the whole file.
const char *cutShort(string_view text, const ResultRecord &r)
{
    const OpenShortBlock &o = r.openShort;
    if (o.headerRead && !o.linesRead)
        return "the open/short block ends before its X and Y lines";
    if (o.headerRead && o.differences < 3)
        return "the open/short block ends before its differences to the baseline";
    const struct
    {
        const RasterBlock &block;
        const char *noRows, *noDifferences, *fewDifferences;
    } rasters[] = {
        {r.rasterX, "the X raster ends before its rows", "the X raster ends before its differences to the baseline",
         "the X raster ends inside its differences to the baseline"},
        {r.rasterY, "the Y raster ends before its rows", "the Y raster ends before its differences to the baseline",
         "the Y raster ends inside its differences to the baseline"},
    };
    for (const auto &raster : rasters) {
        const RasterBlock &b = raster.block;
        if (!b.headerRead)
            continue;
        if (b.rows() == 0)
            return raster.noRows;
        if (!b.differencesRead)
            return raster.noDifferences;
        if (b.differenceRows < b.rows())
            return raster.fewDifferences;
    }
    // Every line the station writes ends with a line end.
    if (!text.empty() && text.back() != '\n')
        return "its last line has no line end";
    return nullptr;
}

void clearText(TextItem &item)
{
    item.present = false;
    item.pass = false;
    item.text.clear();
}

void clearRaster(RasterBlock &b)
{
    b.present = b.headerRead = b.pass = b.differencesRead = false;
    b.differenceRows = 0;
    b.differences.clear();
    b.differenceStart.clear();
    b.failing.clear();
    b.values.clear();
    b.rowStart.clear();
    b.rowTrailingComma.clear();
}

} // namespace

void ResultRecord::clear()
{
    electricPresent = electricPass = false;
    currentMa = {};
    clearText(usbVersion);
    clearText(crcVersion);
    clearText(eepromVersion);
    tbPresent = tbPass = false;
    tb.clear();
    clearText(attb);
    openShort.present = openShort.headerRead = openShort.pass = openShort.linesRead = false;
    openShort.failing.clear();
    openShort.x.values.clear();
    openShort.y.values.clear();
    openShort.x.trailingComma = openShort.y.trailingComma = false;
    openShort.open.clear();
    openShort.shorts.clear();
    openShort.differences = 0;
    openShort.xDifferences.clear();
    openShort.yDifferences.clear();
    clearRaster(rasterX);
    clearRaster(rasterY);
    buttonsPresent = false;
    buttons.clear();
    clearText(reset);
    strayLines = 0;
    cut = nullptr;
}

bool ResultRecord::anyBlock() const
{
    return electricPresent || usbVersion.present || crcVersion.present || eepromVersion.present || tbPresent
           || attb.present || openShort.present || rasterX.present || rasterY.present || buttonsPresent
           || reset.present;
}

bool readResult(std::string_view text, ResultRecord &record)
{
    record.clear();
    const std::string_view whole = text;
    Reader reader(record);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        reader.line(line);
        if (end == string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    if (!record.anyBlock())
        return false;
    record.cut = cutShort(whole, record);
    return true;
}

bool readFileBytes(const std::string &path, std::string &buffer)
{
    // Not blocking: a FIFO under a result file's name must not stop the reader
    // until someone writes to it; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info {};
    const bool statted = ::fstat(fd, &info) == 0;
    if (!statted || !S_ISREG(info.st_mode)) {
        const int why = statted ? EINVAL : errno;
        ::close(fd);
        errno = why;
        return false;
    }
    bool ok = true;
    // The size the file has now, and whatever it grew by while being read.
    buffer.resize(ok ? std::size_t(info.st_size) + 1 : 4096);
    std::size_t size = 0;
    while (ok) {
        if (size == buffer.size())
            buffer.resize(buffer.size() * 2);
        const ssize_t n = ::read(fd, &buffer[size], buffer.size() - size);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n >= 0;
        if (n <= 0)
            break;
        size += std::size_t(n);
    }
    const int why = errno;
    ::close(fd);
    errno = why;
    buffer.resize(size);
    return ok;
}

bool readResultFile(const std::string &path, std::string &buffer, ResultRecord &record)
{
    if (!readFileBytes(path, buffer)) {
        record.clear();
        return false;
    }
    return readResult(buffer, record);
}

} // namespace results
