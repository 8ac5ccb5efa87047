#include "generatecsv.h"

#include "baseline.h"
#include "durablefile.h"
#include "resultreader.h"
#include "settings.h"
#include "values.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTextStream>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tools {

namespace {

// How long the generation may hold the window before it is painted again.
constexpr qint64 KeepAliveMs = 50;

const QString BaselineName = QStringLiteral("baseline.csv");

// The cells one result file holds, in the order the file has them.
struct Layout
{
    int xValues, yValues, rows, cells;
};

enum class Read { Complete, Incomplete, OpenFailed };

// Hands each value a result file gives the tables to add(table, row, column,
// value): table 0 the X line, 1 the Y line, 2 the raster (rows 0..2*YN+1).
// The X and Y lines are the two lines after the "OpenShort" line (less their
// first two characters), the raster rows the lines after "RasterX" and
// "RasterY". A line gives as many values as a split at its commas has fields,
// the empty one after a final comma included (read as 0). False when a marker
// is missing or the file ends before its rows or a line before its values.
template <typename Add>
bool takeValues(const results::ResultRecord &file, const Layout &layout, Add add)
{
    const results::OpenShortBlock &lines = file.openShort;
    if (!lines.present || !lines.linesRead || lines.x.fields() < std::size_t(layout.xValues)
        || lines.y.fields() < std::size_t(layout.yValues))
        return false;
    const int half = layout.rows / 2;
    for (const results::RasterBlock *raster : {&file.rasterX, &file.rasterY}) {
        if (!raster->present || raster->rows() < half)
            return false;
        for (int r = 0; r < half; ++r)
            if (raster->rowFields(r) < std::size_t(layout.cells))
                return false;
    }
    const auto line = [&add](const std::vector<int> &values, std::size_t count, int table) {
        for (std::size_t k = 0; k < count; ++k)
            add(table, 0, int(k), k < values.size() ? values[k] : 0);
    };
    line(lines.x.values, std::size_t(layout.xValues), 0);
    line(lines.y.values, std::size_t(layout.yValues), 1);
    int row = 0;
    for (const results::RasterBlock *raster : {&file.rasterX, &file.rasterY}) {
        for (int r = 0; r < half; ++r, ++row) {
            const std::size_t length = raster->rowLength(r);
            const int *cells = raster->row(r);
            for (int k = 0; k < layout.cells; ++k)
                add(2, row, k, std::size_t(k) < length ? cells[k] : 0);
        }
    }
    return true;
}

Layout layoutOf(const production::Baseline &tables, int xn)
{
    return Layout{int(tables.x.size()), int(tables.y.size()), int(tables.raster.size()), std::max(xn + 1, 0)};
}

// One file of the folder, through the results store's reader; buffer and
// record are reused from file to file.
struct FileReader
{
    std::string buffer;
    results::ResultRecord record;

    template <typename Add>
    Read read(const QString &path, const Layout &layout, Add add)
    {
        if (!results::readFileBytes(QFile::encodeName(path).toStdString(), buffer))
            return Read::OpenFailed;
        results::readResult(buffer, record);
        return takeValues(record, layout, add) ? Read::Complete : Read::Incomplete;
    }
};

void appendLine(QByteArray &text, std::vector<float> &cells)
{
    for (float &cell : cells) {
        cell = std::ceil(cell);
        const double c = cell;
        const bool fits = std::isfinite(c) && std::fabs(c) < 9.0e18;
        text += QByteArray::number(fits ? qint64(c) : qint64(0));
        text += ',';
    }
    text += '\n';
}

} // namespace

QByteArray baselineText(production::Baseline &baseline, int yn)
{
    // Every negative count has no rows; no panel has more than the most.
    yn = std::clamp(yn, -1, production::Baseline::MaxElectrodes);
    baseline.raster.resize(std::size_t(std::max(2 * yn + 2, 0)));
    QByteArray text = "Debug:\n";
    appendLine(text, baseline.x);
    appendLine(text, baseline.y);
    text += "RasterX:\n";
    for (int r = 0; r <= yn; ++r)
        appendLine(text, baseline.raster[std::size_t(r)]);
    text += "RasterY:\n";
    for (int r = yn + 1; r <= 2 * yn + 1; ++r)
        appendLine(text, baseline.raster[std::size_t(r)]);
    return text;
}

BaselineGeneration generateBaseline(const QString &folder, int xn, int yn, production::Baseline &baseline,
                                    const std::function<void()> &betweenFiles)
{
    BaselineGeneration result;
    const QDir dir(folder);
    // Qt's default order by name, as the log viewer lists them: the order
    // the float sums are made in shows in the rounding.
    QStringList files = dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    files.removeAll(BaselineName);

    if (!production::baselineSizeFits(xn, yn))
        return result;
    production::Baseline sums;
    sums.reset(xn, yn);
    const Layout layout = layoutOf(sums, xn);

    // First which files are whole: only they count, and N must be known
    // before the first value is divided by it.
    FileReader reader;
    QStringList usable;
    for (const QString &name : files) {
        const Read read = reader.read(dir.filePath(name), layout, [](int, int, int, int) {});
        if (betweenFiles)
            betweenFiles();
        if (read == Read::OpenFailed) {
            result.status = BaselineGeneration::Status::OpenFailed;
            result.failedFile = name;
            return result;
        }
        if (read == Read::Complete)
            usable << name;
        else
            result.skipped << name;
    }
    if (usable.isEmpty())
        return result;

    const double n = usable.size();
    const auto add = [&sums, n](int table, int row, int column, int value) {
        std::vector<float> &cells = table == 0 ? sums.x : table == 1 ? sums.y : sums.raster[std::size_t(row)];
        // In double, then into the 32-bit cell: ten files of 1 come out a
        // little above 1 and round up to 2, as the line's baselines always have.
        cells[std::size_t(column)] += double(value) / n;
    };
    for (const QString &name : usable) {
        const Read read = reader.read(dir.filePath(name), layout, add);
        if (betweenFiles)
            betweenFiles();
        if (read != Read::Complete) {
            // Changed under our feet since it was checked: no baseline from it.
            result.status = BaselineGeneration::Status::OpenFailed;
            result.failedFile = name;
            return result;
        }
    }

    const QByteArray text = baselineText(sums, yn);
    QSaveFile out(dir.filePath(BaselineName));
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        result.status = BaselineGeneration::Status::WriteFailed;
        return result;
    }
    // The new baseline replaced the old by a rename: its folder goes to the disk
    // before the files it came from are deleted.
    files::syncFolderOf(dir.filePath(BaselineName));
    baseline = sums;
    result.status = BaselineGeneration::Status::Written;
    result.used = usable.size();
    for (const QString &name : usable)
        if (!name.contains(QLatin1String("baseline")))
            QFile::remove(dir.filePath(name));
    return result;
}

bool readResultValues(QTextStream &in, int xn, int yn, production::Baseline &values)
{
    values.reset(xn, yn);
    if (!production::baselineSizeFits(xn, yn))
        return false;
    const QByteArray text = in.readAll().toUtf8();
    results::ResultRecord record;
    results::readResult(std::string_view(text.constData(), std::size_t(text.size())), record);
    const auto set = [&values](int table, int row, int column, int value) {
        std::vector<float> &cells = table == 0 ? values.x : table == 1 ? values.y : values.raster[std::size_t(row)];
        cells[std::size_t(column)] = float(value);
    };
    return takeValues(record, layoutOf(values, xn), set);
}

} // namespace tools

GenerateCsv::GenerateCsv(const Settings &store, production::Baseline &baseline, QWidget *parent,
                         const QString &logFolder)
    : QDialog(parent)
    , m_baseline(baseline)
    , m_logFolder(logFolder)
{
    setWindowTitle(tr("Dialog"));
    m_button = new QPushButton(tr("Generate Files"), this);
    m_status = new QLabel(tr("status"), this);
    m_status->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_button);
    layout->addWidget(m_status);
    connect(m_button, &QPushButton::clicked, this, &GenerateCsv::On_ButtonClicked);

    m_xn = profile::toInt(store.value("x_electrodes"));
    m_yn = profile::toInt(store.value("y_electrodes"));
    // The next run reads the baseline file again; until then the window holds
    // nothing stale from before the generation.
    m_baseline.reset(m_xn, m_yn);
}

void GenerateCsv::On_ButtonClicked()
{
    using Status = tools::BaselineGeneration::Status;
    // Thousands of files take seconds: the window stays painted and its timers
    // run meanwhile, but nothing the operator does or the board reports is
    // taken until the generation is over.
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    const auto keepAlive = [&sinceEvents] {
        if (sinceEvents.elapsed() < tools::KeepAliveMs)
            return;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
        sinceEvents.restart();
    };
    m_button->setEnabled(false);
    const tools::BaselineGeneration result = tools::generateBaseline(m_logFolder, m_xn, m_yn, m_baseline, keepAlive);
    m_button->setEnabled(true);
    const QString skipped = result.skipped.isEmpty()
                                ? QString()
                                : QLatin1Char('\n') + QStringLiteral("skipped, incomplete (left in ./log): %1")
                                                          .arg(result.skipped.join(QStringLiteral(", ")));
    switch (result.status) {
    case Status::NoFiles:
        m_status->setText(QStringLiteral("can't find PASS files") + skipped);
        return;
    case Status::OpenFailed:
        m_status->setText(result.failedFile);
        QMessageBox::about(this, QStringLiteral("error"), QStringLiteral("open csv file error"));
        return;
    case Status::WriteFailed:
        QMessageBox::about(this, QStringLiteral("error"), QStringLiteral("write baseline file error"));
        return;
    case Status::Written:
        m_status->setText(QStringLiteral("OK") + skipped);
        // The administrator must see which files were left out before the
        // dialog goes.
        if (result.skipped.isEmpty())
            accept();
        return;
    }
}
