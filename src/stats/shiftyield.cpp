#include "shiftyield.h"

#include "statswindow.h"

namespace stats {

ShiftYield::ShiftYield(const QString &storePath, const QString &station, const QString &shiftSettings,
                       QObject *parent)
    : QObject(parent), m_service(Source{false, storePath, QString()}), m_station(station), m_settings(shiftSettings)
{
    connect(&m_service, &StatsService::answered, this, &ShiftYield::onAnswer);
}

void ShiftYield::refresh()
{
    Request request;
    request.view = View::Shift;
    // Read each time: the statistics window may have moved the shift's start
    // or changed the engineering barcodes.
    m_since = currentShiftStart(m_now(), shiftStart(m_settings)).toMSecsSinceEpoch();
    request.filter.from = m_since;
    request.filter.station = m_station;
    request.filter.engineering = results::queries::engineeringPatterns(m_settings);
    m_service.ask(request);
}

void ShiftYield::onAnswer(const Reply &reply)
{
    if (!m_service.isLatest(reply))
        return;
    const QString since = QDateTime::fromMSecsSinceEpoch(m_since).toString(QStringLiteral("HH:mm"));
    const YieldRow &shift = reply.currentHour;
    if (!reply.error.isEmpty())
        m_text = QString(); // the store's own line says what is wrong with it
    else if (!shift.firstPassYield())
        m_text = tr("this station since %1: no panels").arg(since);
    else
        m_text = tr("this station since %1: %2 panels, first pass %3 %")
                     .arg(since)
                     .arg(shift.panels)
                     .arg(QString::number(*shift.firstPassYield(), 'f', 1));
    emit changed(m_text);
}

} // namespace stats
