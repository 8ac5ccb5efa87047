#include "wiretrace.h"

#include "logrotation.h"

#include <algorithm>

namespace emulator {

bool WireTrace::open(const QString &path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_.isOpen())
        file_.close();
    // A fresh trace: no part of an earlier one is taken for its beginning.
    files::removeWithParts(path, kept_);
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    start_ = std::chrono::steady_clock::now();
    return true;
}

void WireTrace::setRotation(qint64 limitBytes, int partsKept)
{
    std::lock_guard<std::mutex> lock(mutex_);
    limit_ = limitBytes;
    kept_ = partsKept;
}

void WireTrace::close()
{
    std::lock_guard<std::mutex> lock(mutex_);
    file_.close();
}

bool WireTrace::isOpen() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return file_.isOpen();
}

void WireTrace::record(Direction direction, const std::uint8_t *data, std::size_t length, std::size_t meaningful)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!file_.isOpen())
        return;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
    const QByteArray line = formatLine(ms, direction, data, length, meaningful).toLatin1() + '\n';
    file_.write(line);
    // Flushed line by line: a trace is most wanted after a crash or a hang.
    file_.flush();
    if (file_.pos() >= limit_) {
        // Whole lines only: a part always ends where a report's line does.
        const QString path = file_.fileName();
        file_.close();
        files::rotate(path, kept_);
        file_.setFileName(path);
        (void)file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    }
}

QString WireTrace::formatLine(double elapsedMs, Direction direction, const std::uint8_t *data,
                              std::size_t length, std::size_t meaningful)
{
    static const char *const names[] = {"out", "in ", "set", "get"};
    std::size_t shown = std::min(meaningful, length);
    for (std::size_t i = length; i > shown; --i) {
        if (data[i - 1] != 0) {
            shown = i;
            break;
        }
    }
    QString line = QStringLiteral("%1 %2").arg(elapsedMs, 10, 'f', 3).arg(QLatin1String(names[static_cast<int>(direction)]));
    static const char hex[] = "0123456789ABCDEF";
    line.reserve(line.size() + 3 * static_cast<int>(shown));
    for (std::size_t i = 0; i < shown; ++i) {
        line += QLatin1Char(' ');
        line += QLatin1Char(hex[data[i] >> 4]);
        line += QLatin1Char(hex[data[i] & 0x0F]);
    }
    return line;
}

} // namespace emulator
