#ifndef SHIFTYIELD_H
#define SHIFTYIELD_H

#include "statsservice.h"

#include <QObject>

namespace stats {

// This station's panels and first-pass yield since the shift began, for the
// main window's status line: asked of the station's store after every
// recorded run, off the GUI thread.
class ShiftYield : public QObject
{
    Q_OBJECT

public:
    ShiftYield(const QString &storePath, const QString &station,
               const QString &shiftSettings = QStringLiteral("./stats.ini"), QObject *parent = nullptr);

    // Asks again (a run was recorded, the language changed).
    void refresh();
    const QString &text() const { return m_text; }

signals:
    void changed(const QString &text);

private:
    void onAnswer(const Reply &reply);

    StatsService m_service;
    QString m_station;
    QString m_settings;
    qint64 m_since = 0;
    QString m_text;
};

} // namespace stats

#endif
