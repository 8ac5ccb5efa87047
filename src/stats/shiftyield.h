#ifndef SHIFTYIELD_H
#define SHIFTYIELD_H

#include "statsservice.h"

#include <QDateTime>
#include <QObject>

#include <functional>

namespace stats {

// This station's panels and first-pass yield since the shift began, for the
// main window's status line: asked of the station's store after every
// recorded run, off the GUI thread. Engineering runs are left out, as in the
// statistics window's yield.
class ShiftYield : public QObject
{
    Q_OBJECT

public:
    ShiftYield(const QString &storePath, const QString &station,
               const QString &shiftSettings = QStringLiteral("./stats.ini"), QObject *parent = nullptr);

    // The time taken for now; by default the clock.
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    // Asks again (a run was recorded, the language changed).
    void refresh();
    const QString &text() const { return m_text; }

signals:
    void changed(const QString &text);

private:
    void onAnswer(const Reply &reply);

    StatsService m_service;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
    QString m_station;
    QString m_settings;
    qint64 m_since = 0;
    QString m_text;
};

} // namespace stats

#endif
