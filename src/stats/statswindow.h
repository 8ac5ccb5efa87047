#ifndef STATSWINDOW_H
#define STATSWINDOW_H

#include "statsservice.h"

#include <QDateTime>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QChart;
class QChartView;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTimeEdit;
class QTimer;

namespace stats {

class HeatMapWidget;

// The shift's start, a time of day the statistics window sets; kept in a small
// file of its own in the working folder (./stats.ini), apart from the station
// file and the profile, whose formats are fixed.
QTime shiftStart(const QString &settingsFile = QStringLiteral("./stats.ini"));
void setShiftStart(const QTime &start, const QString &settingsFile = QStringLiteral("./stats.ini"));
// The start of the shift that holds now.
QDateTime currentShiftStart(const QDateTime &now, const QTime &start);

// The item's name as the operator reads it.
QString itemLabel(const QString &item);

// The line statistics: yield, the failures' Pareto, where panels fail, drift
// of the measurements, and the runs of a panel, a LOT or a worker. It asks the
// station's store or, switched, the line's; the questions run off the GUI
// thread and what cannot be answered is one line at the bottom.
class StatsWindow : public QWidget
{
    Q_OBJECT

public:
    enum Tab { YieldTab, ParetoTab, MapTab, SpcTab, TraceTab, CapabilityTab, TabCount };

    struct Options
    {
        QString localPath = QStringLiteral("./results.db");
        QString lineConnection;        // empty: no line is configured
        QString station;               // this station's id
        QString profile;               // the station's current profile (file name)
        // A profile's panel: XN and YN electrodes; an empty size when not known.
        std::function<QSize(const QString &profile)> geometry;
        QString shiftSettings = QStringLiteral("./stats.ini");
        bool lineStore = false;        // opens on the line's store
        // The time the window takes for now (its default ranges, the current
        // hour); invalid: the clock.
        QDateTime now;
    };

    explicit StatsWindow(const Options &options, QWidget *parent = nullptr);
    ~StatsWindow() override;

    // Asks again for what the shown tab draws.
    void refresh();
    void showTab(Tab tab);
    void setLineStore(bool line);
    void setRange(const QDateTime &from, const QDateTime &to);
    // Only this station's runs; empty: every station's.
    void setStation(const QString &station);
    // The period the drift charts' limits come from.
    void setReferencePeriod(const QDateTime &from, const QDateTime &to);
    // The runs in which item failed, in the traceability tab.
    void traceFailedItem(const QString &item);
    void trace(const TraceQuery &query);

    // The shown tab's chart as a picture, its numbers as CSV.
    bool exportPng(const QString &path);
    bool exportCsv(const QString &path);

    // What the window says of its store, and the shown tab's numbers as CSV.
    QString statusText() const;
    // Why the last answer could not be given; empty when it was.
    QString errorText() const { return m_error; }
    QString csv(Tab tab) const { return m_csv[tab]; }
    // Answers still awaited.
    bool busy() const;
    HeatMapWidget *heatMap(char raster) const;
    QTableWidget *traceTable() const { return m_traceTable; }
    // The traceability view's account of what the selected run was judged
    // against, its two buttons (the profile version's text, the keys changed
    // against the version before) and the window they open.
    QLabel *conditionsLabel() const { return m_conditions; }
    QPushButton *profileTextButton() const { return m_profileTextButton; }
    QPushButton *profileChangesButton() const { return m_profileChangesButton; }
    QWidget *conditionsWindow() const { return m_conditionsWindow; }
    QLabel *currentHourLabel() const { return m_hourLabel; }
    // The charts drawn last: the yield's, the drift's individual values
    // (range false) or moving ranges, an electrode line's ('X', 'Y').
    QChart *yieldChart() const;
    QChart *driftChart(bool range) const;
    QChart *electrodeChart(char line) const;
    // The engineering runs: their barcodes' patterns (kept in the shift
    // settings' file), and whether yield shows them alone.
    void setEngineering(const QStringList &patterns, bool only);
    // Where panels fail, as shares of the range's runs instead of counts.
    void setMapShare(bool share);
    // The capability tab on item (as the result file names it) and, when
    // given, one of its measurements (else the least capable one).
    void showCapability(const QString &item, const QString &measurement = QString());
    void setCapabilityEngineeringOnly(bool only);
    // The capability tab's table, its histograms (one per version of the
    // limits of the measurement shown) and that measurement.
    QTableWidget *capabilityTable() const { return m_capTable; }
    std::vector<QChart *> capabilityCharts() const;
    QString capabilityMeasurement() const { return m_capMeasurement; }

signals:
    // The filed file of a run, for the log viewer: its path and the text the
    // store holds of it (the file may live on another station).
    void openResult(const QString &path, const QByteArray &content);
    // Every answer drawn (tests and benchmarks wait for it).
    void drawn(stats::View view);

private:
    QLayout *buildFilterBar();
    QWidget *buildYieldTab();
    QWidget *buildParetoTab();
    QWidget *buildMapTab();
    QWidget *buildSpcTab();
    QWidget *buildTraceTab();
    QWidget *buildCapabilityTab();
    Filter filter() const;
    QDateTime now() const;
    void ask(Request request);
    void onAnswer(const Reply &reply);
    void drawYield(const Reply &reply);
    void drawPareto(const Reply &reply);
    void drawMap(const Reply &reply);
    void drawSpc(const Reply &reply);
    void drawTrace(const Reply &reply);
    void drawCapability(const Reply &reply);
    void drawCapabilityCharts();
    void setStatus(const QString &text);
    void openRow(int row);
    void askConditions(int row);
    void drawConditions(const Reply &reply);
    void showProfileText();
    void showProfileChanges();
    // A window of its own for what the buttons show, replacing the last one.
    void showConditionsWindow(const QString &title, QWidget *content);
    void fillChoices(QComboBox *box, const QStringList &values);
    void drawElectrodes(const FailureMap &map, const QSize &panel, bool share, QString &csv);

    Options m_options;
    StatsService m_service;
    std::array<QString, TabCount> m_csv;
    std::array<quint64, std::size_t(View::Count)> m_waiting{};
    QString m_error;

    QComboBox *m_source = nullptr;
    QDateTimeEdit *m_from = nullptr;
    QDateTimeEdit *m_to = nullptr;
    QComboBox *m_stationBox = nullptr;
    QComboBox *m_profileBox = nullptr;
    QTabWidget *m_tabs = nullptr;
    QLabel *m_status = nullptr;
    QTimer *m_autoRefresh = nullptr;

    QLabel *m_hourLabel = nullptr;
    QComboBox *m_groupBy = nullptr;
    QTimeEdit *m_shiftEdit = nullptr;
    QLineEdit *m_engineeringEdit = nullptr;
    QCheckBox *m_engineeringOnly = nullptr;
    QChartView *m_yieldView = nullptr;

    QChartView *m_paretoView = nullptr;

    HeatMapWidget *m_heatX = nullptr;
    HeatMapWidget *m_heatY = nullptr;
    QChartView *m_electrodeX = nullptr;
    QChartView *m_electrodeY = nullptr;
    QLabel *m_mapNote = nullptr;
    QCheckBox *m_mapShare = nullptr;
    Reply m_mapReply;  // redrawn as shares or counts without asking again

    QComboBox *m_measure = nullptr;
    QDateTimeEdit *m_refFrom = nullptr;
    QDateTimeEdit *m_refTo = nullptr;
    QChartView *m_valueView = nullptr;
    QChartView *m_rangeView = nullptr;

    QLineEdit *m_barcode = nullptr;
    QComboBox *m_barcodeMatch = nullptr;
    QLineEdit *m_lot = nullptr;
    QLineEdit *m_worker = nullptr;
    QCheckBox *m_inRange = nullptr;
    QLabel *m_itemFilter = nullptr;
    QString m_failedItem;
    QTableWidget *m_traceTable = nullptr;
    std::vector<TraceRow> m_traceRows;
    QString m_openPath;
    QLabel *m_conditions = nullptr;
    QPushButton *m_profileTextButton = nullptr;
    QPushButton *m_profileChangesButton = nullptr;
    Reply m_conditionsReply;
    QPointer<QWidget> m_conditionsWindow;

    QComboBox *m_capItem = nullptr;
    QCheckBox *m_capEngineeringOnly = nullptr;
    QTableWidget *m_capTable = nullptr;
    QWidget *m_capCharts = nullptr;
    QLabel *m_capNote = nullptr;
    std::vector<QChartView *> m_capViews;
    std::vector<Capability> m_capRows; // drawn again for another measurement without asking
    QString m_capMeasurement;
};

} // namespace stats

#endif
