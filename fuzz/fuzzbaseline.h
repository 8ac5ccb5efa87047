#ifndef FUZZBASELINE_H
#define FUZZBASELINE_H

// What the two targets of baseline tables share: an input that starts with the
// panel's size, and the check that a reader sized its tables to the panel.

#include "fuzzinput.h"

#include "baseline.h"

#include <QBuffer>
#include <QTextStream>

namespace fuzz {

// Byte 0 XN, byte 1 YN (electrodeCount), then a text read through a stream.
// Needs at least two bytes.
class PanelText
{
public:
    PanelText(const std::uint8_t *data, std::size_t size)
        : xn(electrodeCount(data[0])), yn(electrodeCount(data[1])), m_file(rest(data, size, 2)), m_buffer(&m_file)
    {
        m_buffer.open(QIODevice::ReadOnly | QIODevice::Text);
        m_stream.setDevice(&m_buffer);
    }
    PanelText(const PanelText &) = delete;
    PanelText &operator=(const PanelText &) = delete;

    QTextStream &stream() { return m_stream; }

    const int xn;
    const int yn;

private:
    QByteArray m_file;
    QBuffer m_buffer;
    QTextStream m_stream;
};

// Whatever the text, the tables have the panel's size (none for a size beyond
// any panel), so the judging never reads past them.
inline void checkPanelSized(const production::Baseline &tables, int xn, int yn)
{
    production::Baseline sized;
    sized.reset(xn, yn);
    FUZZ_CHECK(tables.x.size() == sized.x.size());
    FUZZ_CHECK(tables.y.size() == sized.y.size());
    FUZZ_CHECK(tables.raster.size() == sized.raster.size());
    for (std::size_t r = 0; r < tables.raster.size(); ++r)
        FUZZ_CHECK(tables.raster[r].size() == sized.raster[r].size());
}

} // namespace fuzz

#endif
