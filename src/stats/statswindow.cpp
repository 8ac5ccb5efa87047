#include "statswindow.h"

#include "csv.h"
#include "heatmapwidget.h"
#include "measurements.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGraphicsSimpleTextItem>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScatterSeries>
#include <QSettings>
#include <QStackedBarSeries>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTimeZone>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <optional>

namespace stats {

namespace {

// Bars a yield chart draws; older groups are in the CSV.
constexpr int MostBars = 36;
constexpr int AutoRefreshMs = 30000;

void replaceChart(QChartView *view, QChart *chart)
{
    // The view gives the previous chart back to its caller.
    QChart *previous = view->chart();
    view->setChart(chart);
    delete previous;
}

QChart *newChart(const QString &title)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    return chart;
}

QChartView *newChartView(QWidget *parent)
{
    auto *view = new QChartView(parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(160);
    return view;
}

QValueAxis *valueAxis(QChart *chart, Qt::Alignment where, double low, double high, const QString &title)
{
    auto *axis = new QValueAxis;
    axis->setRange(low, high);
    axis->setTitleText(title);
    chart->addAxis(axis, where);
    return axis;
}

QString timeText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString percent(double value)
{
    return QString::number(value, 'f', 1);
}

using results::csvLine; // the one CSV writer of the store's tools

// A range of values with a little room, never empty.
std::pair<double, double> padded(double low, double high)
{
    if (!(high > low)) {
        const double room = std::max(1.0, std::abs(low) * 0.05);
        return {low - room, high + room};
    }
    const double room = (high - low) * 0.08;
    return {low - room, high + room};
}

// An axis from 0 to at least most, with ticks a round step apart (1, 2 or 5
// times a power of ten, at most five steps, which a small chart still
// labels): counts of runs never read as 0.25 or 9.5.
QValueAxis *countAxis(QChart *chart, Qt::Alignment where, double most, const QString &title, bool whole = true)
{
    double step = 1;
    for (double power = whole ? 1 : 0.01;; power *= 10) {
        const double steps[] = {power, 2 * power, 5 * power};
        const auto fit = std::find_if(std::begin(steps), std::end(steps), [most](double s) { return most / s <= 5; });
        if (fit != std::end(steps)) {
            step = *fit;
            break;
        }
    }
    auto *axis = new QValueAxis;
    axis->setRange(0, std::max(step, std::ceil(most / step - 1e-9) * step));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
    axis->setLabelFormat(whole || step >= 1 ? QStringLiteral("%d") : QStringLiteral("%.2g"));
    axis->setTitleText(title);
    chart->addAxis(axis, where);
    return axis;
}

// A value axis over low..high on round ticks (1, 2 or 5 times a power of
// ten, about six of them), its ends on ticks: 17.5, 18, 18.5 rather than
// 16.98, 17.79.
QValueAxis *roundAxis(QChart *chart, Qt::Alignment where, double low, double high, const QString &title)
{
    const double wanted = (high > low ? high - low : std::max(1.0, std::abs(low))) / 6;
    const double power = std::pow(10.0, std::floor(std::log10(wanted)));
    double step = 10 * power;
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= wanted) {
            step = m * power;
            break;
        }
    }
    auto *axis = new QValueAxis;
    axis->setRange(std::floor(low / step) * step, std::ceil(high / step) * step);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
    const int decimals = std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
    axis->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
    axis->setTitleText(title);
    chart->addAxis(axis, where);
    return axis;
}

// Texts of its own on each bar of a bar series (a yield with its counts),
// upright along the bar: inside from its foot where it fits, else above it.
// Kept in place as the plot area moves.
class BarLabels : public QObject
{
public:
    // texts[set][bar]
    BarLabels(QChart *chart, QBarSeries *series, std::vector<QStringList> texts)
        : QObject(chart), m_chart(chart), m_series(series)
    {
        QFont font = chart->font();
        font.setPointSizeF(std::max(6.0, font.pointSizeF() - 2));
        for (const QStringList &set : texts) {
            m_items.emplace_back();
            for (const QString &text : set) {
                auto *item = new QGraphicsSimpleTextItem(text, chart);
                item->setFont(font);
                item->setRotation(-90);
                item->setZValue(10);
                m_items.back().push_back(item);
            }
        }
        connect(chart, &QChart::plotAreaChanged, this, &BarLabels::place);
        place();
    }

    void place()
    {
        const QList<QBarSet *> sets = m_series->barSets();
        const double width = m_series->barWidth();
        const qsizetype k = sets.size();
        for (qsizetype j = 0; j < k && std::size_t(j) < m_items.size(); ++j) {
            for (qsizetype i = 0; i < sets.at(j)->count() && std::size_t(i) < m_items[std::size_t(j)].size(); ++i) {
                QGraphicsSimpleTextItem *item = m_items[std::size_t(j)][std::size_t(i)];
                const double x = double(i) - width / 2 + (double(j) + 0.5) * width / double(k);
                const QPointF foot = m_chart->mapToPosition(QPointF(x, 0), m_series);
                const QPointF top = m_chart->mapToPosition(QPointF(x, sets.at(j)->at(i)), m_series);
                const QRectF box = item->boundingRect();
                // Turned upright, the text's width runs up the bar.
                const bool inside = foot.y() - top.y() >= box.width() + 6;
                item->setBrush(inside ? QColor(Qt::white) : QColor(Qt::black));
                item->setPos(foot.x() - box.height() / 2, (inside ? foot.y() : top.y()) - 3);
            }
        }
    }

private:
    QChart *m_chart;
    QBarSeries *m_series;
    std::vector<std::vector<QGraphicsSimpleTextItem *>> m_items; // owned by the chart
};

// "66.7 % 2/3", or "–" where no panel was first tested.
QString yieldLabel(std::optional<double> yield, qint64 passed, qint64 panels)
{
    if (!yield)
        return QStringLiteral("\u2013");
    return QStringLiteral("%1 % %2/%3").arg(QString::number(*yield, 'f', 1)).arg(passed).arg(panels);
}

QString yieldField(std::optional<double> yield)
{
    return yield ? QString::number(*yield, 'f', 1) : QString();
}

// A capability figure: four significant digits; an index two decimals.
QString figure(std::optional<double> v)
{
    return v ? QString::number(*v, 'g', 4) : QStringLiteral("\u2013");
}

QString capabilityIndex(std::optional<double> v)
{
    return v ? QString::number(*v, 'f', 2) : QStringLiteral("\u2013");
}

// Capable from 1.33 on, marginal from 1.0, else not: the usual reading.
QColor indexColour(std::optional<double> v)
{
    if (!v)
        return QColor(Qt::black);
    return *v >= 1.33 ? QColor(0, 130, 0) : *v >= 1.0 ? QColor(200, 120, 0) : QColor(200, 0, 0);
}

// Cpk of a version, with the side it is of where only one limit is.
QString sidedIndex(std::optional<double> k, std::optional<double> upper, std::optional<double> lower,
                   const char *upperName, const char *lowerName)
{
    if (!k || (upper && lower))
        return capabilityIndex(k);
    return QStringLiteral("%1 (%2)").arg(capabilityIndex(k), QLatin1String(upper ? upperName : lowerName));
}

// The value a version is worst at: its Cpk, else its Ppk; none where neither is.
std::optional<double> worstIndex(const Capability &c)
{
    return c.cpk ? c.cpk : c.ppk;
}

} // namespace

QTime shiftStart(const QString &settingsFile)
{
    const QSettings file(settingsFile, QSettings::IniFormat);
    const QTime t = QTime::fromString(file.value(QStringLiteral("shift/start")).toString(), QStringLiteral("HH:mm"));
    return t.isValid() ? t : QTime(6, 0);
}

void setShiftStart(const QTime &start, const QString &settingsFile)
{
    QSettings file(settingsFile, QSettings::IniFormat);
    file.setValue(QStringLiteral("shift/start"), start.toString(QStringLiteral("HH:mm")));
}

namespace {

// The shift's start on a day, in the zone of now. On the day the clocks
// spring forward over it, the shift starts at the first minute they show
// after the jump.
QDateTime shiftStartOn(const QDate &day, const QTime &start, const QTimeZone &zone)
{
    QDateTime at(day, start, zone);
    for (QTime t = start; !at.isValid() && t.addSecs(60) > t;) {
        t = t.addSecs(60);
        at = QDateTime(day, t, zone);
    }
    return at;
}

} // namespace

QDateTime currentShiftStart(const QDateTime &now, const QTime &start)
{
    const QTimeZone zone = now.timeZone();
    const QDateTime today = shiftStartOn(now.date(), start, zone);
    return today <= now ? today : shiftStartOn(now.date().addDays(-1), start, zone);
}

QString itemLabel(const QString &item)
{
    static const std::pair<const char *, const char *> labels[] = {
        {"electric", QT_TRANSLATE_NOOP("stats::StatsWindow", "current")},
        {"usb_version", QT_TRANSLATE_NOOP("stats::StatsWindow", "USB version")},
        {"crc_version", QT_TRANSLATE_NOOP("stats::StatsWindow", "CRC version")},
        {"eeprom_version", QT_TRANSLATE_NOOP("stats::StatsWindow", "EEPROM version")},
        {"tb", QT_TRANSLATE_NOOP("stats::StatsWindow", "TB")},
        {"attb", QT_TRANSLATE_NOOP("stats::StatsWindow", "Attb")},
        {"open_short", QT_TRANSLATE_NOOP("stats::StatsWindow", "open/short")},
        {"raster_x", QT_TRANSLATE_NOOP("stats::StatsWindow", "X raster")},
        {"raster_y", QT_TRANSLATE_NOOP("stats::StatsWindow", "Y raster")},
        {"button_data", QT_TRANSLATE_NOOP("stats::StatsWindow", "button data")},
        {"reset", QT_TRANSLATE_NOOP("stats::StatsWindow", "reset")},
    };
    for (const auto &[name, label] : labels)
        if (item == QLatin1String(name))
            return StatsWindow::tr(label);
    return item;
}

StatsWindow::StatsWindow(const Options &options, QWidget *parent)
    : QWidget(parent, Qt::Window), m_options(options),
      m_service(Source{options.lineStore, options.localPath, options.lineConnection})
{
    setWindowTitle(tr("Line statistics"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buildFilterBar());

    m_tabs = new QTabWidget(this);
    m_tabs->addTab(buildYieldTab(), tr("Yield"));
    m_tabs->addTab(buildParetoTab(), tr("Failures"));
    m_tabs->addTab(buildMapTab(), tr("Where panels fail"));
    m_tabs->addTab(buildSpcTab(), tr("Drift"));
    m_tabs->addTab(buildTraceTab(), tr("Traceability"));
    m_tabs->addTab(buildCapabilityTab(), tr("Capability"));
    layout->addWidget(m_tabs, 1);

    auto *bottom = new QHBoxLayout;
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statsStatus"));
    m_status->setWordWrap(true);
    auto *png = new QPushButton(tr("Export PNG"), this);
    auto *csvButton = new QPushButton(tr("Export CSV"), this);
    bottom->addWidget(m_status, 1);
    bottom->addWidget(png);
    bottom->addWidget(csvButton);
    layout->addLayout(bottom);

    connect(png, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Export PNG"), QString(), tr("PNG (*.png)"));
        if (!path.isEmpty() && !exportPng(path))
            setStatus(tr("could not write %1").arg(path));
    });
    connect(csvButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, tr("Export CSV"), QString(), tr("CSV (*.csv)"));
        if (!path.isEmpty() && !exportCsv(path))
            setStatus(tr("could not write %1").arg(path));
    });
    connect(&m_service, &StatsService::answered, this, &StatsWindow::onAnswer);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { refresh(); });

    // The shift leader watches it on the line: it keeps itself current.
    m_autoRefresh = new QTimer(this);
    m_autoRefresh->setInterval(AutoRefreshMs);
    connect(m_autoRefresh, &QTimer::timeout, this, [this] {
        if (m_tabs->currentIndex() != TraceTab)
            refresh();
    });
    m_autoRefresh->start();

    resize(1240, 740);
    refresh();
}

StatsWindow::~StatsWindow() = default;

QLayout *StatsWindow::buildFilterBar()
{
    auto *bar = new QHBoxLayout;
    m_source = new QComboBox(this);
    m_source->addItem(tr("this station's store"));
    m_source->addItem(tr("line store"));
    m_source->setCurrentIndex(m_options.lineStore ? 1 : 0);
    m_from = new QDateTimeEdit(this);
    m_to = new QDateTimeEdit(this);
    for (QDateTimeEdit *edit : {m_from, m_to}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
        edit->setCalendarPopup(true);
    }
    const QDateTime now = this->now();
    m_to->setDateTime(QDateTime(now.date().addDays(1), QTime(0, 0)));
    m_from->setDateTime(QDateTime(now.date().addDays(-6), QTime(0, 0)));
    auto *last = new QComboBox(this);
    last->addItem(tr("last 8 hours"), 8);
    last->addItem(tr("last 24 hours"), 24);
    last->addItem(tr("last 7 days"), 24 * 7);
    last->addItem(tr("last 30 days"), 24 * 30);
    last->setCurrentIndex(2);
    m_stationBox = new QComboBox(this);
    m_profileBox = new QComboBox(this);
    for (QComboBox *box : {m_stationBox, m_profileBox}) {
        box->addItem(tr("all"), QString());
        box->setMinimumContentsLength(12);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }
    auto *refreshButton = new QPushButton(tr("Refresh"), this);

    bar->addWidget(new QLabel(tr("Store:"), this));
    bar->addWidget(m_source);
    bar->addWidget(new QLabel(tr("From"), this));
    bar->addWidget(m_from);
    bar->addWidget(new QLabel(tr("to"), this));
    bar->addWidget(m_to);
    bar->addWidget(last);
    bar->addWidget(new QLabel(tr("Station"), this));
    bar->addWidget(m_stationBox);
    bar->addWidget(new QLabel(tr("Profile"), this));
    bar->addWidget(m_profileBox);
    bar->addStretch(1);
    bar->addWidget(refreshButton);

    connect(m_source, qOverload<int>(&QComboBox::activated), this, [this](int index) { setLineStore(index == 1); });
    connect(last, qOverload<int>(&QComboBox::activated), this, [this, last](int index) {
        const QDateTime now = this->now();
        setRange(now.addSecs(-3600LL * last->itemData(index).toInt()), now.addSecs(60));
    });
    for (QComboBox *box : {m_stationBox, m_profileBox})
        connect(box, qOverload<int>(&QComboBox::activated), this, [this] { refresh(); });
    for (QDateTimeEdit *edit : {m_from, m_to})
        connect(edit, &QDateTimeEdit::editingFinished, this, [this] { refresh(); });
    connect(refreshButton, &QPushButton::clicked, this, [this] { refresh(); });
    return bar;
}

QWidget *StatsWindow::buildYieldTab()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    auto *top = new QHBoxLayout;
    m_hourLabel = new QLabel(page);
    m_hourLabel->setObjectName(QStringLiteral("currentHourYield"));
    QFont big = m_hourLabel->font();
    big.setPointSize(26);
    big.setBold(true);
    m_hourLabel->setFont(big);
    m_hourLabel->setWordWrap(true);
    m_groupBy = new QComboBox(page);
    m_groupBy->addItem(tr("per hour"), int(GroupBy::Hour));
    m_groupBy->addItem(tr("per day"), int(GroupBy::Day));
    m_groupBy->addItem(tr("per LOT"), int(GroupBy::Lot));
    m_groupBy->addItem(tr("per station"), int(GroupBy::Station));
    m_groupBy->addItem(tr("per profile"), int(GroupBy::Profile));
    m_shiftEdit = new QTimeEdit(shiftStart(m_options.shiftSettings), page);
    m_shiftEdit->setDisplayFormat(QStringLiteral("HH:mm"));
    m_engineeringEdit = new QLineEdit(
        results::queries::engineeringPatterns(m_options.shiftSettings).join(QStringLiteral(", ")), page);
    m_engineeringEdit->setPlaceholderText(tr("e.g. GOLD*, REF-0001"));
    m_engineeringEdit->setToolTip(tr("Barcodes of golden samples and other engineering runs, left out of the "
                                     "yield: GOLD* is every barcode starting with GOLD, REF-0001 that one barcode."));
    m_engineeringOnly = new QCheckBox(tr("engineering runs only"), page);
    top->addWidget(m_hourLabel, 1);
    auto *controls = new QFormLayout;
    controls->addRow(tr("Yield"), m_groupBy);
    controls->addRow(tr("Shift starts at"), m_shiftEdit);
    controls->addRow(tr("Engineering barcodes"), m_engineeringEdit);
    controls->addRow(QString(), m_engineeringOnly);
    top->addLayout(controls);
    layout->addLayout(top);
    m_yieldView = newChartView(page);
    layout->addWidget(m_yieldView, 1);
    auto *note = new QLabel(tr("Both bars of a group are of the panels first tested in it (a panel is a barcode; a "
                               "run without one is a panel of its own): first pass, their first run passed; final, "
                               "their latest run passed, wherever and whenever it was. Each bar: yield, passed / "
                               "panels; – where no panel was first tested in the group. Engineering runs are "
                               "left out."),
                            page);
    note->setWordWrap(true);
    layout->addWidget(note);

    connect(m_groupBy, qOverload<int>(&QComboBox::activated), this, [this] { refresh(); });
    connect(m_shiftEdit, &QTimeEdit::editingFinished, this,
            [this] { setShiftStart(m_shiftEdit->time(), m_options.shiftSettings); });
    connect(m_engineeringEdit, &QLineEdit::editingFinished, this, [this] {
        QStringList patterns;
        for (const QString &p : m_engineeringEdit->text().split(QLatin1Char(','), Qt::SkipEmptyParts))
            if (!p.trimmed().isEmpty())
                patterns << p.trimmed();
        if (patterns == results::queries::engineeringPatterns(m_options.shiftSettings))
            return;
        results::queries::setEngineeringPatterns(patterns, m_options.shiftSettings);
        refresh();
    });
    connect(m_engineeringOnly, &QCheckBox::toggled, this, [this] { refresh(); });
    return page;
}

QWidget *StatsWindow::buildParetoTab()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    m_paretoView = newChartView(page);
    layout->addWidget(m_paretoView, 1);
    layout->addWidget(new QLabel(tr("Click a bar for the runs behind it."), page));
    return page;
}

QWidget *StatsWindow::buildMapTab()
{
    auto *page = new QWidget(this);
    auto *layout = new QGridLayout(page);
    m_heatX = new HeatMapWidget(page);
    m_heatY = new HeatMapWidget(page);
    m_electrodeX = newChartView(page);
    m_electrodeY = newChartView(page);
    m_mapNote = new QLabel(page);
    m_mapNote->setWordWrap(true);
    m_mapShare = new QCheckBox(tr("as a share of the runs (%)"), page);
    auto *top = new QHBoxLayout;
    top->addWidget(m_mapNote, 1);
    top->addWidget(m_mapShare);
    layout->addLayout(top, 0, 0, 1, 2);
    connect(m_mapShare, &QCheckBox::toggled, this, [this] {
        if (m_mapReply.view == View::Map && m_mapReply.error.isEmpty())
            drawMap(m_mapReply);
    });
    layout->addWidget(m_heatX, 1, 0);
    layout->addWidget(m_heatY, 1, 1);
    layout->addWidget(m_electrodeX, 2, 0);
    layout->addWidget(m_electrodeY, 2, 1);
    layout->setRowStretch(1, 3);
    layout->setRowStretch(2, 2);
    return page;
}

QWidget *StatsWindow::buildSpcTab()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    auto *top = new QHBoxLayout;
    m_measure = new QComboBox(page);
    m_measure->addItem(tr("supply current (mA)"), int(Measure::Current));
    m_measure->addItem(tr("TB (mean of five)"), int(Measure::TbMean));
    m_measure->addItem(tr("open/short level X"), int(Measure::OpenShortX));
    m_measure->addItem(tr("open/short level Y"), int(Measure::OpenShortY));
    m_refFrom = new QDateTimeEdit(page);
    m_refTo = new QDateTimeEdit(page);
    const QDateTime now = this->now();
    m_refFrom->setDateTime(QDateTime(now.date().addDays(-6), QTime(0, 0)));
    m_refTo->setDateTime(QDateTime(now.date().addDays(-5), QTime(0, 0)));
    for (QDateTimeEdit *edit : {m_refFrom, m_refTo}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
        edit->setCalendarPopup(true);
        connect(edit, &QDateTimeEdit::editingFinished, this, [this] { refresh(); });
    }
    top->addWidget(m_measure);
    top->addWidget(new QLabel(tr("Limits from the reference period"), page));
    top->addWidget(m_refFrom);
    top->addWidget(new QLabel(tr("to"), page));
    top->addWidget(m_refTo);
    top->addStretch(1);
    layout->addLayout(top);
    m_valueView = newChartView(page);
    m_rangeView = newChartView(page);
    layout->addWidget(m_valueView, 3);
    layout->addWidget(m_rangeView, 2);
    connect(m_measure, qOverload<int>(&QComboBox::activated), this, [this] { refresh(); });
    return page;
}

QWidget *StatsWindow::buildTraceTab()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    auto *top = new QHBoxLayout;
    m_barcode = new QLineEdit(page);
    m_barcodeMatch = new QComboBox(page);
    m_barcodeMatch->addItem(tr("is"));
    m_barcodeMatch->addItem(tr("starts with"));
    m_lot = new QLineEdit(page);
    m_worker = new QLineEdit(page);
    m_inRange = new QCheckBox(tr("in the time range"), page);
    m_itemFilter = new QLabel(page);
    auto *search = new QPushButton(tr("Search"), page);
    top->addWidget(new QLabel(tr("Barcode"), page));
    top->addWidget(m_barcodeMatch);
    top->addWidget(m_barcode, 2);
    top->addWidget(new QLabel(tr("LOT"), page));
    top->addWidget(m_lot, 1);
    top->addWidget(new QLabel(tr("Worker ID"), page));
    top->addWidget(m_worker, 1);
    top->addWidget(m_inRange);
    top->addWidget(m_itemFilter);
    top->addWidget(search);
    layout->addLayout(top);
    m_traceTable = new QTableWidget(0, 8, page);
    m_traceTable->setHorizontalHeaderLabels({tr("Started"), tr("Station"), tr("Verdict"), tr("Barcode"), tr("LOT"),
                                             tr("Worker ID"), tr("Failed items"), tr("Result file")});
    m_traceTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_traceTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_traceTable->horizontalHeader()->setStretchLastSection(true);
    m_traceTable->verticalHeader()->hide();
    layout->addWidget(m_traceTable, 1);
    layout->addWidget(new QLabel(tr("Click a run to open its result file in the log viewer."), page));
    auto *judged = new QGroupBox(tr("Judged against"), page);
    auto *judgedRow = new QHBoxLayout(judged);
    m_conditions = new QLabel(judged);
    m_conditions->setObjectName(QStringLiteral("traceConditions"));
    m_conditions->setWordWrap(true);
    m_conditions->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_profileTextButton = new QPushButton(tr("Profile text"), judged);
    m_profileChangesButton = new QPushButton(tr("Changes against the version before"), judged);
    judgedRow->addWidget(m_conditions, 1);
    judgedRow->addWidget(m_profileTextButton);
    judgedRow->addWidget(m_profileChangesButton);
    layout->addWidget(judged);
    drawConditions(Reply());

    const auto searchNow = [this] {
        m_failedItem.clear();
        refresh();
    };
    connect(search, &QPushButton::clicked, this, searchNow);
    for (QLineEdit *edit : {m_barcode, m_lot, m_worker})
        connect(edit, &QLineEdit::returnPressed, this, searchNow);
    connect(m_traceTable, &QTableWidget::cellClicked, this, [this](int row, int) { openRow(row); });
    connect(m_traceTable, &QTableWidget::currentCellChanged, this, [this](int row) { askConditions(row); });
    connect(m_profileTextButton, &QPushButton::clicked, this, &StatsWindow::showProfileText);
    connect(m_profileChangesButton, &QPushButton::clicked, this, &StatsWindow::showProfileChanges);
    return page;
}

QDateTime StatsWindow::now() const
{
    return m_options.now.isValid() ? m_options.now : QDateTime::currentDateTime();
}

Filter StatsWindow::filter() const
{
    Filter f;
    f.from = m_from->dateTime().toMSecsSinceEpoch();
    f.to = m_to->dateTime().toMSecsSinceEpoch();
    f.station = m_stationBox->currentData().toString();
    f.profile = m_profileBox->currentData().toString();
    return f;
}

void StatsWindow::refresh()
{
    Request request;
    request.filter = filter();
    switch (m_tabs->currentIndex()) {
    case YieldTab:
        request.view = View::Yield;
        request.by = GroupBy(m_groupBy->currentData().toInt());
        request.now = now().toMSecsSinceEpoch();
        request.filter.engineering = results::queries::engineeringPatterns(m_options.shiftSettings);
        request.filter.engineeringOnly = m_engineeringOnly->isChecked();
        break;
    case ParetoTab:
        request.view = View::Pareto;
        break;
    case MapTab: {
        request.view = View::Map;
        // Cells of different panels never add up: the map is of one profile.
        if (request.filter.profile.isEmpty())
            request.filter.profile = m_options.profile;
        const QSize panel = m_options.geometry ? m_options.geometry(request.filter.profile) : QSize();
        // A raster has YN + 1 rows of XN + 1 values.
        request.columns = panel.isEmpty() ? 0 : panel.width() + 1;
        request.rows = panel.isEmpty() ? 0 : panel.height() + 1;
        break;
    }
    case SpcTab:
        request.view = View::Spc;
        request.measure = Measure(m_measure->currentData().toInt());
        request.reference = request.filter;
        request.reference.from = m_refFrom->dateTime().toMSecsSinceEpoch();
        request.reference.to = m_refTo->dateTime().toMSecsSinceEpoch();
        break;
    case TraceTab:
        request.view = View::Trace;
        request.trace.barcode = m_barcode->text().trimmed();
        request.trace.barcodePrefix = m_barcodeMatch->currentIndex() == 1;
        request.trace.lot = m_lot->text().trimmed();
        request.trace.worker = m_worker->text().trimmed();
        request.trace.failedItem = m_failedItem;
        if (m_inRange->isChecked() || !m_failedItem.isEmpty()) {
            request.trace.from = request.filter.from;
            request.trace.to = request.filter.to;
        }
        if (!m_failedItem.isEmpty()) {
            // The runs behind a failure bar: the bar counted only these.
            request.trace.station = request.filter.station;
            request.trace.profile = request.filter.profile;
        }
        m_itemFilter->setText(m_failedItem.isEmpty() ? QString() : tr("failed: %1").arg(itemLabel(m_failedItem)));
        break;
    case CapabilityTab:
        request.view = View::Capability;
        request.item = m_capItem->currentData().toString();
        request.filter.engineering = results::queries::engineeringPatterns(m_options.shiftSettings);
        request.filter.engineeringOnly = m_capEngineeringOnly->isChecked();
        break;
    }
    ask(request);
}

void StatsWindow::ask(Request request)
{
    m_waiting[std::size_t(request.view)] = m_service.ask(request);
}

bool StatsWindow::busy() const
{
    return std::any_of(m_waiting.begin(), m_waiting.end(), [](quint64 id) { return id != 0; });
}

void StatsWindow::showTab(Tab tab)
{
    m_tabs->setCurrentIndex(tab);
}

void StatsWindow::setLineStore(bool line)
{
    m_source->setCurrentIndex(line ? 1 : 0);
    m_service.setSource(Source{line, m_options.localPath, m_options.lineConnection});
    refresh();
}

void StatsWindow::setRange(const QDateTime &from, const QDateTime &to)
{
    m_from->setDateTime(from);
    m_to->setDateTime(to);
    refresh();
}

void StatsWindow::setStation(const QString &station)
{
    if (m_stationBox->findData(station) < 0)
        m_stationBox->addItem(station, station);
    m_stationBox->setCurrentIndex(m_stationBox->findData(station));
    refresh();
}

void StatsWindow::setReferencePeriod(const QDateTime &from, const QDateTime &to)
{
    m_refFrom->setDateTime(from);
    m_refTo->setDateTime(to);
    refresh();
}

void StatsWindow::traceFailedItem(const QString &item)
{
    m_failedItem = item;
    m_barcode->clear();
    m_lot->clear();
    m_worker->clear();
    if (m_tabs->currentIndex() == TraceTab)
        refresh();
    else
        showTab(TraceTab); // asks through currentChanged
}

void StatsWindow::trace(const TraceQuery &query)
{
    m_barcode->setText(query.barcode);
    m_barcodeMatch->setCurrentIndex(query.barcodePrefix ? 1 : 0);
    m_lot->setText(query.lot);
    m_worker->setText(query.worker);
    m_failedItem = query.failedItem;
    if (m_tabs->currentIndex() == TraceTab)
        refresh();
    else
        showTab(TraceTab);
}

void StatsWindow::setEngineering(const QStringList &patterns, bool only)
{
    results::queries::setEngineeringPatterns(patterns, m_options.shiftSettings);
    m_engineeringEdit->setText(patterns.join(QStringLiteral(", ")));
    const QSignalBlocker quiet(m_engineeringOnly);
    m_engineeringOnly->setChecked(only);
    refresh();
}

void StatsWindow::setMapShare(bool share)
{
    m_mapShare->setChecked(share);
}

QChart *StatsWindow::yieldChart() const
{
    return m_yieldView->chart();
}

QChart *StatsWindow::driftChart(bool range) const
{
    return (range ? m_rangeView : m_valueView)->chart();
}

QChart *StatsWindow::electrodeChart(char line) const
{
    return (line == 'X' ? m_electrodeX : m_electrodeY)->chart();
}

void StatsWindow::onAnswer(const Reply &reply)
{
    if (!m_service.isLatest(reply))
        return;
    m_waiting[std::size_t(reply.view)] = 0;
    m_error = reply.error;
    if (!reply.error.isEmpty()) {
        setStatus(reply.error);
    } else if (reply.storeRuns == 0) {
        setStatus(tr("The store holds no runs yet."));
    } else if (reply.heldFrom > 0) {
        // Older runs were pruned once the line had them: their counts stay.
        setStatus(tr("%1: %2 runs counted; its runs before %3 were pruned once the line had them")
                      .arg(tr("this station's store"))
                      .arg(reply.storeRuns)
                      .arg(QDateTime::fromMSecsSinceEpoch(reply.heldFrom).toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    } else {
        setStatus(tr("%1: %2 runs").arg(m_service.source().line ? tr("line store") : tr("this station's store"))
                      .arg(reply.storeRuns));
    }
    if (reply.error.isEmpty()) {
        switch (reply.view) {
        case View::Yield:
            drawYield(reply);
            break;
        case View::Pareto:
            drawPareto(reply);
            break;
        case View::Map:
            drawMap(reply);
            break;
        case View::Spc:
            drawSpc(reply);
            break;
        case View::Trace:
            drawTrace(reply);
            break;
        case View::Content:
            emit openResult(m_openPath, reply.content);
            break;
        case View::Conditions:
            drawConditions(reply);
            break;
        case View::Capability:
            drawCapability(reply);
            break;
        case View::Shift:
        case View::Count:
            break;
        }
    }
    emit drawn(reply.view);
}

void StatsWindow::fillChoices(QComboBox *box, const QStringList &values)
{
    const QString current = box->currentData().toString();
    box->clear();
    box->addItem(tr("all"), QString());
    for (const QString &v : values)
        box->addItem(v.isEmpty() ? tr("(none)") : v, v);
    const int at = box->findData(current);
    box->setCurrentIndex(at < 0 ? 0 : at);
}

void StatsWindow::drawYield(const Reply &reply)
{
    fillChoices(m_stationBox, reply.stations);
    fillChoices(m_profileBox, reply.profiles);
    const YieldRow &hour = reply.currentHour;
    m_hourLabel->setText(hour.firstPassYield()
                             ? tr("This hour: first pass %1 %, final %2 % (panels: %3)")
                                   .arg(percent(*hour.firstPassYield()), percent(*hour.finalYield()))
                                   .arg(hour.panels)
                             : tr("This hour: no panels yet"));

    QString csv = csvLine({m_groupBy->currentText(), QStringLiteral("runs"), QStringLiteral("panels"),
                           QStringLiteral("first_passed"), QStringLiteral("first_pass_yield"),
                           QStringLiteral("final_passed"), QStringLiteral("final_yield"),
                           QStringLiteral("passed_after_retest"), QStringLiteral("never_passed"),
                           QStringLiteral("retests")});
    for (const YieldRow &row : reply.yield)
        csv += csvLine({row.group, QString::number(row.runs), QString::number(row.panels),
                        QString::number(row.firstPassed), yieldField(row.firstPassYield()),
                        QString::number(row.finalPassed), yieldField(row.finalYield()),
                        QString::number(row.passedAfterRetest), QString::number(row.neverPassed),
                        QString::number(row.retests)});
    m_csv[YieldTab] = csv;

    const std::size_t first = reply.yield.size() > MostBars ? reply.yield.size() - MostBars : 0;
    auto *firstPass = new QBarSet(tr("first pass %"));
    auto *final = new QBarSet(tr("final %"));
    std::vector<QStringList> labels(2);
    QStringList categories;
    const GroupBy by = GroupBy(m_groupBy->currentData().toInt());
    for (std::size_t i = first; i < reply.yield.size(); ++i) {
        const YieldRow &row = reply.yield[i];
        *firstPass << row.firstPassYield().value_or(0);
        *final << row.finalYield().value_or(0);
        labels[0] << yieldLabel(row.firstPassYield(), row.firstPassed, row.panels);
        labels[1] << yieldLabel(row.finalYield(), row.finalPassed, row.panels);
        // Every hour named alike, day and time (the bars may span midnight).
        const QString name = by == GroupBy::Hour
                                 ? QDateTime::fromMSecsSinceEpoch(row.bucket, Qt::UTC).toString(QStringLiteral("MM-dd HH:00"))
                                 : row.group.isEmpty() ? tr("(none)") : row.group;
        categories << QStringLiteral("%1 (%2)").arg(name).arg(row.runs);
    }
    auto *series = new QBarSeries;
    series->append(firstPass);
    series->append(final);
    series->setBarWidth(0.85);
    const QString title = tr("First-pass and final yield of the panels first tested in each group (runs in brackets)");
    QChart *chart = newChart(reply.yield.size() > MostBars
                                 ? tr("%1, the latest %2 of %3 groups").arg(title).arg(MostBars).arg(reply.yield.size())
                                 : reply.yield.empty() ? tr("No runs in the range") : title);
    chart->addSeries(series);
    auto *axisX = new QBarCategoryAxis;
    axisX->append(categories);
    axisX->setLabelsAngle(-90);
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisX);
    // From 0: a bar's length is its yield, so 96 % never looks four times 76 %.
    QValueAxis *axisY = countAxis(chart, Qt::AlignLeft, 100, tr("yield (%)"));
    series->attachAxis(axisY);
    new BarLabels(chart, series, std::move(labels));
    replaceChart(m_yieldView, chart);
}

void StatsWindow::drawPareto(const Reply &reply)
{
    qint64 total = 0;
    for (const ParetoRow &row : reply.pareto)
        total += row.runs;
    auto *counts = new QBarSet(tr("failed runs"));
    auto *cumulative = new QLineSeries;
    cumulative->setName(tr("cumulative %"));
    QStringList categories;
    QString csv = csvLine({QStringLiteral("item"), QStringLiteral("failed_runs"), QStringLiteral("cumulative_percent")});
    qint64 sum = 0;
    for (std::size_t i = 0; i < reply.pareto.size(); ++i) {
        const ParetoRow &row = reply.pareto[i];
        sum += row.runs;
        const double share = total > 0 ? 100.0 * double(sum) / double(total) : 0.0;
        *counts << double(row.runs);
        cumulative->append(double(i), share);
        categories << itemLabel(row.item);
        csv += csvLine({row.item, QString::number(row.runs), percent(share)});
    }
    m_csv[ParetoTab] = csv;
    auto *bars = new QBarSeries;
    bars->append(counts);
    bars->setLabelsVisible(true);
    QChart *chart = newChart(reply.pareto.empty() ? tr("No item failed in the range")
                                                  : tr("Failing items (%1 failures)").arg(total));
    chart->addSeries(bars);
    chart->addSeries(cumulative);
    auto *axisX = new QBarCategoryAxis;
    axisX->append(categories);
    chart->addAxis(axisX, Qt::AlignBottom);
    bars->attachAxis(axisX);
    cumulative->attachAxis(axisX);
    const qint64 most = reply.pareto.empty() ? 1 : reply.pareto.front().runs;
    bars->attachAxis(countAxis(chart, Qt::AlignLeft, double(most), tr("failed runs")));
    // Its own grid would cross the counts' grid at other heights.
    QValueAxis *share = valueAxis(chart, Qt::AlignRight, 0, 100, tr("%"));
    share->setGridLineVisible(false);
    share->setLabelFormat(QStringLiteral("%d"));
    cumulative->attachAxis(share);
    std::vector<QString> items;
    for (const ParetoRow &row : reply.pareto)
        items.push_back(row.item);
    connect(counts, &QBarSet::clicked, this, [this, items](int index) {
        if (index >= 0 && std::size_t(index) < items.size())
            traceFailedItem(items[std::size_t(index)]);
    });
    replaceChart(m_paretoView, chart);
}

void StatsWindow::drawMap(const Reply &reply)
{
    m_mapReply = reply;
    const FailureMap &map = reply.map;
    const bool share = m_mapShare->isChecked() && map.runs > 0;
    QString profile = m_profileBox->currentData().toString();
    if (profile.isEmpty())
        profile = m_options.profile;
    const QSize panel = m_options.geometry ? m_options.geometry(profile) : QSize();
    const int rows = panel.isEmpty() ? 0 : panel.height() + 1;
    const int columns = panel.isEmpty() ? 0 : panel.width() + 1;
    QVector<qint64> x(qsizetype(rows) * columns), y(qsizetype(rows) * columns);
    QString csv = csvLine({QStringLiteral("raster"), QStringLiteral("row"), QStringLiteral("column"),
                           QStringLiteral("failed_runs"), QStringLiteral("runs")});
    for (const CellCount &c : map.cells) {
        (c.raster == 'X' ? x : y)[qsizetype(c.row) * columns + c.column] = c.panels;
        csv += csvLine({QString(QLatin1Char(c.raster)), QString::number(c.row), QString::number(c.column),
                        QString::number(c.panels), QString::number(map.runs)});
    }
    const QString what = share ? tr("%1 raster: share of the runs failing at each cell (%), rows down, columns across")
                               : tr("%1 raster: runs failing at each cell, rows down, columns across");
    m_heatX->setCounts(what.arg(QLatin1Char('X')), rows, columns, x, map.runs, share);
    m_heatY->setCounts(what.arg(QLatin1Char('Y')), rows, columns, y, map.runs, share);

    QString note;
    if (panel.isEmpty())
        note = tr("The panel of profile %1 is not known here: no map can be drawn.").arg(profile);
    else if (map.outsideCells > 0)
        note = tr("%1 failing cells lie outside the %2 x %3 panel of profile %4: the store holds runs of another "
                  "geometry under that name.")
                   .arg(map.outsideCells).arg(panel.width()).arg(panel.height()).arg(profile);
    else
        note = tr("Profile %1 (%2 x %3), %4 runs in the range. The darker the red, the more runs failed there.")
                   .arg(profile).arg(panel.width()).arg(panel.height()).arg(map.runs);
    m_mapNote->setText(note);
    drawElectrodes(map, panel, share, csv);
    m_csv[MapTab] = csv;
}

void StatsWindow::drawElectrodes(const FailureMap &map, const QSize &panel, bool share, QString &csv)
{
    // One bar per electrode, open and short stacked.
    csv += csvLine({QStringLiteral("line"), QStringLiteral("electrode"), QStringLiteral("open"),
                    QStringLiteral("short"), QStringLiteral("runs")});
    const double scale = share ? 100.0 / double(map.runs) : 1.0;
    for (const char line : {'X', 'Y'}) {
        const int count = line == 'X' ? panel.width() : panel.height();
        QVector<qint64> open(std::max(0, count)), shorts(std::max(0, count));
        for (const ElectrodeCount &e : map.electrodes) {
            if (e.line != line)
                continue;
            csv += csvLine({QString(QLatin1Char(line)), QString::number(e.electrode), QString::number(e.open),
                            QString::number(e.shorts), QString::number(map.runs)});
            if (e.electrode >= 1 && e.electrode <= count) {
                open[e.electrode - 1] = e.open;
                shorts[e.electrode - 1] = e.shorts;
            }
        }
        auto *openSet = new QBarSet(tr("open"));
        auto *shortSet = new QBarSet(tr("short"));
        openSet->setColor(QColor(220, 60, 60));
        shortSet->setColor(QColor(60, 90, 200));
        qint64 most = 1;
        for (int i = 0; i < count; ++i) {
            *openSet << double(open[i]) * scale;
            *shortSet << double(shorts[i]) * scale;
            most = std::max(most, open[i] + shorts[i]);
        }
        auto *series = new QStackedBarSeries;
        series->append(openSet);
        series->append(shortSet);
        QChart *chart = newChart(share ? tr("%1 electrodes: share of the runs with an open or short").arg(QLatin1Char(line))
                                       : tr("%1 electrodes: runs with an open or short").arg(QLatin1Char(line)));
        chart->addSeries(series);
        // Bars stand at 0 .. count - 1; electrode numbers count from 1. A
        // panel's 30 or 40 numbers side by side do not fit: beyond 20
        // electrodes every fifth is named (and the first).
        auto *axisX = new QCategoryAxis;
        axisX->setRange(-0.5, double(count) - 0.5);
        axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        const int step = count > 20 ? 5 : 1;
        for (int i = 0; i < count; ++i)
            if (i == 0 || (i + 1) % step == 0)
                axisX->append(QString::number(i + 1), double(i));
        axisX->setGridLineVisible(false);
        axisX->setTitleText(tr("electrode"));
        chart->addAxis(axisX, Qt::AlignBottom);
        series->attachAxis(axisX);
        series->attachAxis(share ? countAxis(chart, Qt::AlignLeft, double(most) * scale, tr("% of the runs"), false)
                                 : countAxis(chart, Qt::AlignLeft, double(most), tr("runs")));
        replaceChart(line == 'X' ? m_electrodeX : m_electrodeY, chart);
    }
}

void StatsWindow::drawSpc(const Reply &reply)
{
    const SpcLimits &limits = reply.limits;
    std::vector<double> values;
    for (const SpcPoint &p : reply.points)
        values.push_back(p.value);
    std::vector<double> ranges(values.size(), 0.0);
    for (std::size_t i = 1; i < values.size(); ++i)
        ranges[i] = std::abs(values[i] - values[i - 1]);
    const bool haveLimits = limits.count >= 2;
    const std::vector<bool> outside = haveLimits ? outsideLimits(values, limits.lower(), limits.upper())
                                                 : std::vector<bool>(values.size(), false);
    const std::vector<bool> runs = haveLimits ? runsOfEight(values, limits.centre)
                                              : std::vector<bool>(values.size(), false);
    std::vector<bool> rangeOutside(ranges.size(), false);
    for (std::size_t i = 1; haveLimits && i < ranges.size(); ++i)
        rangeOutside[i] = ranges[i] > limits.rangeUpper();

    const Measure measure = Measure(m_measure->currentData().toInt());
    const QString unit = measure == Measure::Current ? tr("mA") : tr("counts");
    QString csv = csvLine({QStringLiteral("started"), QStringLiteral("station"), QStringLiteral("barcode"),
                           QStringLiteral("run_id"), m_measure->currentText(), QStringLiteral("moving_range"),
                           QStringLiteral("outside_limits"), QStringLiteral("run_of_eight")});
    for (std::size_t i = 0; i < values.size(); ++i) {
        const SpcPoint &p = reply.points[i];
        csv += csvLine({timeText(p.startedAt), p.station, p.barcode, p.runId, QString::number(values[i], 'g', 8),
                        i == 0 ? QString() : QString::number(ranges[i], 'g', 8),
                        outside[i] ? QStringLiteral("1") : QStringLiteral("0"),
                        runs[i] ? QStringLiteral("1") : QStringLiteral("0")});
    }
    if (haveLimits)
        csv += csvLine({QStringLiteral("limits"), reply.spcStation, QString(), QString(),
                        QStringLiteral("centre=%1").arg(limits.centre, 0, 'g', 8),
                        QStringLiteral("lcl=%1").arg(limits.lower(), 0, 'g', 8),
                        QStringLiteral("ucl=%1").arg(limits.upper(), 0, 'g', 8),
                        QStringLiteral("mr_ucl=%1").arg(limits.rangeUpper(), 0, 'g', 8)});
    m_csv[SpcTab] = csv;

    struct Limit
    {
        QString name;
        double level;
        QColor colour;
    };
    // floor: the chart's values cannot go below it (a moving range is never
    // negative), so neither does its axis.
    const auto chartOf = [&](const QString &title, const std::vector<double> &v, std::size_t from,
                             const std::vector<bool> &marked, const std::vector<bool> &marked2,
                             const std::vector<Limit> &lines, std::optional<double> floor) {
        // A run of eight is a rule of the individual values only.
        const bool rules = !floor;
        QChart *chart = newChart(title);
        auto *line = new QLineSeries;
        line->setName(tr("value"));
        auto *out = new QScatterSeries;
        out->setName(tr("outside the limits"));
        out->setColor(QColor(220, 0, 0));
        out->setMarkerSize(9);
        QScatterSeries *run = nullptr;
        if (rules) {
            run = new QScatterSeries;
            run->setName(tr("run of eight on one side"));
            run->setColor(QColor(240, 150, 0));
            run->setMarkerSize(9);
        }
        double low = 0, high = 0;
        bool first = true;
        const auto take = [&](double value) {
            low = first ? value : std::min(low, value);
            high = first ? value : std::max(high, value);
            first = false;
        };
        for (const Limit &l : lines)
            take(l.level);
        for (std::size_t i = from; i < v.size(); ++i) {
            line->append(double(i), v[i]);
            if (marked[i])
                out->append(double(i), v[i]);
            else if (run && marked2[i])
                run->append(double(i), v[i]);
            take(v[i]);
        }
        std::vector<QAbstractSeries *> series{line, out};
        if (run)
            series.push_back(run);
        for (const Limit &l : lines) {
            auto *limit = new QLineSeries;
            limit->setName(l.name);
            limit->append(0, l.level);
            limit->append(double(std::max<std::size_t>(v.size(), 2) - 1), l.level);
            QPen pen(l.colour);
            pen.setStyle(Qt::DashLine);
            limit->setPen(pen);
            series.push_back(limit);
        }
        for (QAbstractSeries *s : series)
            chart->addSeries(s);
        QValueAxis *axisX = valueAxis(chart, Qt::AlignBottom, 0, double(std::max<std::size_t>(v.size(), 2) - 1),
                                      tr("run, oldest to newest"));
        axisX->setLabelFormat(QStringLiteral("%d"));
        auto [yLow, yHigh] = padded(first ? 0.0 : low, first ? 1.0 : high);
        if (floor)
            yLow = *floor;
        QValueAxis *axisY = valueAxis(chart, Qt::AlignLeft, yLow, yHigh, unit);
        for (QAbstractSeries *s : series) {
            s->attachAxis(axisX);
            s->attachAxis(axisY);
        }
        return chart;
    };
    const QString name = m_measure->currentText();
    QString of;
    if (reply.spcStation.isEmpty())
        of = tr("no station has runs in the range");
    else if (m_stationBox->currentData().toString().isEmpty())
        of = tr("station %1 (the first in the range; drift is per station, choose one above)").arg(reply.spcStation);
    else
        of = tr("station %1").arg(reply.spcStation);
    const QString shown = reply.spcValues > qint64(values.size())
                              ? tr("the newest %1 of %2 runs in the range").arg(values.size()).arg(reply.spcValues)
                              : tr("%1 runs").arg(values.size());
    const QString limitText = haveLimits ? tr("limits from %1 reference runs").arg(limits.count)
                                         : tr("too few reference runs for limits: choose another period");
    std::vector<Limit> valueLines, rangeLines;
    if (haveLimits) {
        valueLines = {{tr("UCL (+3σ)"), limits.upper(), QColor(200, 0, 0)},
                      {tr("centre"), limits.centre, QColor(0, 140, 0)},
                      {tr("LCL (−3σ)"), limits.lower(), QColor(200, 0, 0)}};
        // A moving range has no lower limit: its least value is 0.
        rangeLines = {{tr("UCL (3.267 × mean range)"), limits.rangeUpper(), QColor(200, 0, 0)},
                      {tr("mean range"), limits.meanRange, QColor(0, 140, 0)}};
    }
    replaceChart(m_valueView, chartOf(tr("%1 of %2: individual values, %3; %4").arg(name, of, shown, limitText), values,
                                      0, outside, runs, valueLines, std::nullopt));
    const std::vector<bool> none(ranges.size(), false);
    replaceChart(m_rangeView, chartOf(tr("%1 of %2: moving range").arg(name, of), ranges, 1, rangeOutside, none,
                                      rangeLines, 0.0));
}

void StatsWindow::drawTrace(const Reply &reply)
{
    m_traceRows = reply.trace;
    m_traceTable->setRowCount(int(m_traceRows.size()));
    QString csv = csvLine({QStringLiteral("started"), QStringLiteral("station"), QStringLiteral("verdict"),
                           QStringLiteral("barcode"), QStringLiteral("lot"), QStringLiteral("worker"),
                           QStringLiteral("failed"), QStringLiteral("file"), QStringLiteral("profile_sha1"),
                           QStringLiteral("baseline_sha1"), QStringLiteral("firmware_sha1"),
                           QStringLiteral("software_version")});
    for (int r = 0; r < int(m_traceRows.size()); ++r) {
        const TraceRow &row = m_traceRows[std::size_t(r)];
        QStringList failed;
        for (const QString &item : row.failed)
            failed << itemLabel(item);
        const QStringList cells{timeText(row.startedAt), row.station, row.verdict, row.barcode, row.lot,
                                row.worker, failed.join(QStringLiteral(", ")), row.path};
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells.at(c));
            if (c == 2)
                item->setForeground(row.verdict == QLatin1String("PASS") ? QColor(0, 140, 0) : QColor(200, 0, 0));
            m_traceTable->setItem(r, c, item);
        }
        csv += csvLine({timeText(row.startedAt), row.station, row.verdict, row.barcode, row.lot, row.worker,
                        row.failed.join(QLatin1Char(' ')), row.path, row.profileSha1, row.baselineSha1,
                        row.firmwareSha1, row.softwareVersion});
    }
    m_traceTable->resizeColumnsToContents();
    m_csv[TraceTab] = csv;
    // The rows are new: no run is selected, and what was shown of the one
    // selected before goes.
    {
        const QSignalBlocker quiet(m_traceTable);
        m_traceTable->setCurrentCell(-1, -1);
    }
    drawConditions(Reply());
    if (m_traceRows.empty())
        setStatus(tr("No run matches the search."));
}

void StatsWindow::openRow(int row)
{
    if (row < 0 || std::size_t(row) >= m_traceRows.size())
        return;
    m_openPath = m_traceRows[std::size_t(row)].path;
    Request request;
    request.view = View::Content;
    request.runId = m_traceRows[std::size_t(row)].runId;
    ask(request);
}

void StatsWindow::askConditions(int row)
{
    if (row < 0 || std::size_t(row) >= m_traceRows.size())
        return;
    Request request;
    request.view = View::Conditions;
    request.runId = m_traceRows[std::size_t(row)].runId;
    ask(request);
}

void StatsWindow::drawConditions(const Reply &reply)
{
    m_conditionsReply = reply;
    const results::conditions::RunConditions &c = reply.conditions;
    m_profileTextButton->setEnabled(!reply.profileText.isNull());
    m_profileChangesButton->setEnabled(!reply.profileText.isNull() && !reply.previousText.isNull());
    if (!c.found) {
        m_conditions->setText(tr("Select a run to see what it was judged against."));
        return;
    }
    const auto hash = [](const QString &sha1) { return sha1.left(12); };
    QStringList lines;
    if (c.profileSha1.isEmpty()) {
        lines << tr("Profile %1: not known (the run was recorded from its file alone)").arg(c.profile);
    } else {
        lines << tr("Profile %1, version %2, first seen %3 on %4; %5")
                     .arg(c.profile, hash(c.profileSha1), timeText(c.versionFirstAt), c.versionStation,
                          c.previousSha1.isEmpty() ? tr("the first version known")
                                                   : tr("the version before: %1").arg(hash(c.previousSha1)));
    }
    const bool known = !c.profileSha1.isEmpty();
    lines << (c.baselineSha1.isEmpty() ? (known ? tr("Baseline: none read for its items") : tr("Baseline: not known"))
                                       : tr("Baseline %1").arg(hash(c.baselineSha1)));
    lines << (c.firmwareSha1.isEmpty() ? (known ? tr("Firmware: none downloaded in the run") : tr("Firmware: not known"))
                                       : tr("Firmware %1, downloaded in the run").arg(hash(c.firmwareSha1)));
    lines << (c.softwareVersion.isEmpty() ? tr("Station software: not known")
                                          : tr("Station software %1").arg(c.softwareVersion));
    m_conditions->setText(lines.join(QLatin1Char('\n')));
}

void StatsWindow::showConditionsWindow(const QString &title, QWidget *content)
{
    if (m_conditionsWindow)
        m_conditionsWindow->close();
    auto *window = new QWidget(this, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(title);
    auto *layout = new QVBoxLayout(window);
    content->setParent(window);
    layout->addWidget(content);
    window->resize(640, 520);
    window->show();
    m_conditionsWindow = window;
}

void StatsWindow::showProfileText()
{
    const results::conditions::RunConditions &c = m_conditionsReply.conditions;
    auto *text = new QPlainTextEdit;
    text->setObjectName(QStringLiteral("profileText"));
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // As the station reads the profile: its local 8-bit text.
    text->setPlainText(QString::fromLocal8Bit(m_conditionsReply.profileText));
    showConditionsWindow(tr("Profile %1, version %2").arg(c.profile, c.profileSha1), text);
}

void StatsWindow::showProfileChanges()
{
    const results::conditions::RunConditions &c = m_conditionsReply.conditions;
    std::vector<results::conditions::KeyChange> changes;
    auto *table = new QTableWidget(0, 4);
    table->setObjectName(QStringLiteral("profileChanges"));
    table->setHorizontalHeaderLabels({tr("Key"), tr("Change"), tr("Before"), tr("In this version")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    if (!results::conditions::diffProfiles(m_conditionsReply.previousText, m_conditionsReply.profileText, changes))
        setStatus(tr("The two versions could not be compared: no room for a temporary file."));
    if (changes.empty()) {
        table->insertRow(0);
        table->setItem(0, 0, new QTableWidgetItem(tr("The two versions hold the same keys and values.")));
        table->setSpan(0, 0, 1, 4);
    }
    for (const results::conditions::KeyChange &change : changes) {
        const int row = table->rowCount();
        table->insertRow(row);
        const QString kind = !change.before ? tr("added") : !change.after ? tr("removed") : tr("changed");
        const QStringList cells{change.key, kind, change.before.value_or(QString()), change.after.value_or(QString())};
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
    table->resizeColumnsToContents();
    showConditionsWindow(tr("Profile %1: version %2 against %3")
                             .arg(c.profile, c.profileSha1.left(12), c.previousSha1.left(12)),
                         table);
}

void StatsWindow::setStatus(const QString &text)
{
    m_status->setText(text);
}

QString StatsWindow::statusText() const
{
    return m_status->text();
}

HeatMapWidget *StatsWindow::heatMap(char raster) const
{
    return raster == 'X' ? m_heatX : m_heatY;
}

bool StatsWindow::exportPng(const QString &path)
{
    return m_tabs->currentWidget()->grab().save(path, "PNG");
}

bool StatsWindow::exportCsv(const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(m_csv[m_tabs->currentIndex()].toUtf8());
    return file.commit();
}

QWidget *StatsWindow::buildCapabilityTab()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    auto *top = new QHBoxLayout;
    m_capItem = new QComboBox(page);
    // The items as the result file names them, and what they measure.
    m_capItem->addItem(tr("Electric: supply current (mA)"), QStringLiteral("Electric"));
    m_capItem->addItem(tr("Tb_Value: highest TB reading"), QStringLiteral("Tb_Value"));
    m_capItem->addItem(tr("OpenShort: each line value against its window"), QStringLiteral("OpenShort"));
    m_capItem->addItem(tr("RasterX: highest and lowest deviation"), QStringLiteral("RasterX"));
    m_capItem->addItem(tr("RasterY: highest and lowest deviation"), QStringLiteral("RasterY"));
    m_capItem->addItem(tr("BtnData: each key's value"), QStringLiteral("BtnData"));
    m_capEngineeringOnly = new QCheckBox(tr("engineering runs only"), page);
    top->addWidget(new QLabel(tr("Item"), page));
    top->addWidget(m_capItem);
    top->addWidget(m_capEngineeringOnly);
    top->addStretch(1);
    layout->addLayout(top);

    m_capTable = new QTableWidget(0, 15, page);
    m_capTable->setHorizontalHeaderLabels({tr("Measurement"), tr("Limits version"), tr("First run"), tr("Last run"),
                                           tr("Lower limit"), tr("Upper limit"), tr("Runs"), tr("Mean"),
                                           tr("σ within"), tr("σ overall"), tr("Cp"), tr("Cpk"), tr("Pp"), tr("Ppk"),
                                           tr("Outside")});
    m_capTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_capTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_capTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_capTable->verticalHeader()->hide();
    m_capTable->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_capTable, 1);
    m_capCharts = new QWidget(page);
    new QHBoxLayout(m_capCharts);
    m_capCharts->layout()->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_capCharts, 3);
    m_capNote = new QLabel(page);
    m_capNote->setWordWrap(true);
    layout->addWidget(m_capNote);

    connect(m_capItem, qOverload<int>(&QComboBox::activated), this, [this] {
        m_capMeasurement.clear();
        refresh();
    });
    connect(m_capEngineeringOnly, &QCheckBox::toggled, this, [this] { refresh(); });
    connect(m_capTable, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row < 0 || std::size_t(row) >= m_capRows.size())
            return;
        m_capMeasurement = m_capRows[std::size_t(row)].name;
        drawCapabilityCharts();
    });
    return page;
}

void StatsWindow::showCapability(const QString &item, const QString &measurement)
{
    const int at = m_capItem->findData(item);
    if (at >= 0)
        m_capItem->setCurrentIndex(at);
    m_capMeasurement = measurement;
    if (m_tabs->currentIndex() == CapabilityTab)
        refresh();
    else
        showTab(CapabilityTab);
}

void StatsWindow::setCapabilityEngineeringOnly(bool only)
{
    m_capEngineeringOnly->setChecked(only);
}

std::vector<QChart *> StatsWindow::capabilityCharts() const
{
    std::vector<QChart *> charts;
    for (QChartView *view : m_capViews)
        charts.push_back(view->chart());
    return charts;
}

void StatsWindow::drawCapability(const Reply &reply)
{
    m_capRows = reply.capability;
    // Shown as asked, else the least capable measurement: where a quality
    // engineer looks first.
    const bool asked = std::any_of(m_capRows.begin(), m_capRows.end(),
                                   [this](const Capability &c) { return c.name == m_capMeasurement; });
    if (!asked) {
        m_capMeasurement.clear();
        std::optional<double> worst;
        for (const Capability &c : m_capRows) {
            const std::optional<double> k = worstIndex(c);
            if (m_capMeasurement.isEmpty() || (k && (!worst || *k < *worst))) {
                if (k || !worst)
                    m_capMeasurement = c.name;
                if (k)
                    worst = k;
            }
        }
    }
    const QString unit = results::measurementUnit(m_capItem->currentData().toString());
    const auto limitText = [](const Capability &c, std::optional<double> l) {
        if (!c.limitsKnown)
            return tr("not known");
        return l ? QString::number(*l, 'g', 6) : tr("none");
    };
    m_capTable->setRowCount(int(m_capRows.size()));
    QString csv = csvLine({QStringLiteral("item"), QStringLiteral("measurement"), QStringLiteral("unit"),
                           QStringLiteral("version"), QStringLiteral("versions"), QStringLiteral("first"),
                           QStringLiteral("last"), QStringLiteral("limits_known"), QStringLiteral("lower"),
                           QStringLiteral("upper"), QStringLiteral("count"), QStringLiteral("mean"),
                           QStringLiteral("min"), QStringLiteral("max"), QStringLiteral("moving_ranges"),
                           QStringLiteral("sigma_within"), QStringLiteral("sigma_overall"), QStringLiteral("cp"),
                           QStringLiteral("cpk"), QStringLiteral("cpu"), QStringLiteral("cpl"), QStringLiteral("pp"),
                           QStringLiteral("ppk"), QStringLiteral("ppu"), QStringLiteral("ppl"),
                           QStringLiteral("below"), QStringLiteral("above")});
    const auto field = [](std::optional<double> v) { return v ? QString::number(*v, 'g', 8) : QString(); };
    for (int r = 0; r < int(m_capRows.size()); ++r) {
        const Capability &c = m_capRows[std::size_t(r)];
        const QStringList cells{c.name,
                                tr("%1 of %2").arg(c.version).arg(c.versions),
                                timeText(c.firstAt),
                                timeText(c.lastAt),
                                limitText(c, c.lower),
                                limitText(c, c.upper),
                                QString::number(c.count),
                                figure(c.mean),
                                figure(c.sigmaWithin),
                                figure(c.sigmaOverall),
                                capabilityIndex(c.cp),
                                sidedIndex(c.cpk, c.cpu, c.cpl, "Cpu", "Cpl"),
                                capabilityIndex(c.pp),
                                sidedIndex(c.ppk, c.ppu, c.ppl, "Ppu", "Ppl"),
                                QString::number(c.below + c.above)};
        for (int col = 0; col < cells.size(); ++col) {
            auto *item = new QTableWidgetItem(cells.at(col));
            if (col == 11)
                item->setForeground(indexColour(c.cpk));
            if (col == 13)
                item->setForeground(indexColour(c.ppk));
            if (col == 14 && c.below + c.above > 0)
                item->setForeground(QColor(200, 0, 0));
            m_capTable->setItem(r, col, item);
        }
        csv += csvLine({c.item, c.name, unit, QString::number(c.version), QString::number(c.versions),
                        timeText(c.firstAt), timeText(c.lastAt), c.limitsKnown ? QStringLiteral("1") : QStringLiteral("0"),
                        field(c.lower), field(c.upper), QString::number(c.count), field(c.mean), field(c.min),
                        field(c.max), QString::number(c.ranges), field(c.sigmaWithin), field(c.sigmaOverall),
                        field(c.cp), field(c.cpk), field(c.cpu), field(c.cpl), field(c.pp), field(c.ppk),
                        field(c.ppu), field(c.ppl), QString::number(c.below), QString::number(c.above)});
    }
    m_capTable->resizeColumnsToContents();
    m_csv[CapabilityTab] = csv;
    m_capNote->setText(
        tr("Each measurement against the limits of the profile its runs were judged under; where the limits "
           "changed in the range, one row and one histogram per version. σ within: the mean moving range of "
           "consecutive runs of each station and profile / 1.128; σ overall: the sample standard deviation. Cpk and Ppk: the "
           "nearer limit; one-sided (Cpu, Cpl) where the profile has one limit. Green from 1.33, orange from 1.0. "
           "%1 Click a row for its histogram.")
            .arg(m_capEngineeringOnly->isChecked() ? tr("Engineering runs alone.") : tr("Engineering runs are left out.")));
    if (m_capRows.empty())
        setStatus(tr("No %1 measurement in the range.").arg(m_capItem->currentData().toString()));
    drawCapabilityCharts();
}

void StatsWindow::drawCapabilityCharts()
{
    // Each view lives in a box with its figures.
    for (QChartView *view : m_capViews)
        delete view->parentWidget();
    m_capViews.clear();
    for (int r = 0; r < m_capTable->rowCount(); ++r) {
        if (m_capRows[std::size_t(r)].name == m_capMeasurement) {
            m_capTable->selectRow(r);
            break;
        }
    }
    const QString unit = results::measurementUnit(m_capItem->currentData().toString());
    // The versions side by side on one scale, their limits on it.
    std::optional<std::pair<double, double>> span;
    for (const Capability &c : m_capRows) {
        if (c.name != m_capMeasurement)
            continue;
        for (const std::optional<double> v :
             {std::optional<double>(c.histogram.empty() ? c.min : c.histogram.front().from),
              std::optional<double>(c.histogram.empty() ? c.max : c.histogram.back().to), c.lower, c.upper}) {
            if (v)
                span = span ? std::pair(std::min(span->first, *v), std::max(span->second, *v)) : std::pair(*v, *v);
        }
    }
    for (const Capability &c : m_capRows) {
        if (c.name != m_capMeasurement)
            continue;
        QString title = c.versions > 1 ? tr("%1 %2, limits version %3 of %4").arg(c.item, c.name).arg(c.version).arg(c.versions)
                                       : tr("%1 %2").arg(c.item, c.name);
        title += QLatin1String(": ")
                 + tr("%1 runs, %2 to %3").arg(c.count).arg(timeText(c.firstAt), timeText(c.lastAt));
        QChart *chart = newChart(title);
        auto *bars = new QLineSeries;
        qint64 most = 1;
        for (const results::queries::HistogramBin &b : c.histogram) {
            bars->append(b.from, 0);
            bars->append(b.from, double(b.count));
            bars->append(b.to, double(b.count));
            bars->append(b.to, 0);
            most = std::max(most, b.count);
        }
        auto *area = new QAreaSeries(bars);
        bars->setParent(area); // the area series draws it but does not own it
        area->setName(tr("runs per bin"));
        area->setColor(QColor(70, 110, 180));
        area->setBorderColor(QColor(40, 70, 130));
        chart->addSeries(area);
        double low = span->first;
        double high = span->second;
        std::vector<QAbstractSeries *> lines;
        const auto vertical = [&](const QString &name, double at, const QColor &colour, Qt::PenStyle style) {
            auto *line = new QLineSeries;
            line->setName(name);
            line->append(at, 0);
            line->append(at, double(most) * 1.05);
            QPen pen(colour);
            pen.setWidth(2);
            pen.setStyle(style);
            line->setPen(pen);
            chart->addSeries(line);
            lines.push_back(line);
            low = std::min(low, at);
            high = std::max(high, at);
        };
        const QString withUnit = unit.isEmpty() ? QString() : QLatin1Char(' ') + unit;
        if (c.lower)
            vertical(tr("lower limit %1%2").arg(QString::number(*c.lower, 'g', 6), withUnit), *c.lower,
                     QColor(200, 0, 0), Qt::DashLine);
        if (c.upper)
            vertical(tr("upper limit %1%2").arg(QString::number(*c.upper, 'g', 6), withUnit), *c.upper,
                     QColor(200, 0, 0), Qt::DashLine);
        vertical(tr("mean %1%2").arg(QString::number(c.mean, 'g', 4), withUnit), c.mean, QColor(0, 140, 0),
                 Qt::DotLine);
        const auto [xLow, xHigh] = padded(low, high);
        QValueAxis *axisX = roundAxis(chart, Qt::AlignBottom, xLow, xHigh,
                                      unit.isEmpty() ? tr("%1 (counts)").arg(c.name) : tr("%1 (%2)").arg(c.name, unit));
        QValueAxis *axisY = countAxis(chart, Qt::AlignLeft, double(most) * 1.05, tr("runs"));
        for (QAbstractSeries *series : lines) {
            series->attachAxis(axisX);
            series->attachAxis(axisY);
        }
        area->attachAxis(axisX);
        area->attachAxis(axisY);
        QString indices;
        if (!c.limitsKnown)
            indices = tr("limits not known (runs recorded without their profile)");
        else
            indices = tr("Cp %1, Cpk %2, Pp %3, Ppk %4")
                          .arg(capabilityIndex(c.cp), sidedIndex(c.cpk, c.cpu, c.cpl, "Cpu", "Cpl"),
                               capabilityIndex(c.pp), sidedIndex(c.ppk, c.ppu, c.ppl, "Ppu", "Ppl"));
        auto *box = new QWidget(m_capCharts);
        auto *boxLayout = new QVBoxLayout(box);
        boxLayout->setContentsMargins(0, 0, 0, 0);
        auto *view = newChartView(box);
        replaceChart(view, chart);
        auto *figures = new QLabel(tr("mean %1, σ within %2, σ overall %3; %4")
                                       .arg(figure(c.mean), figure(c.sigmaWithin), figure(c.sigmaOverall), indices),
                                   box);
        figures->setWordWrap(true);
        boxLayout->addWidget(view, 1);
        boxLayout->addWidget(figures);
        m_capCharts->layout()->addWidget(box);
        m_capViews.push_back(view);
    }
}

} // namespace stats
