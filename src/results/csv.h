#ifndef RESULTS_CSV_H
#define RESULTS_CSV_H

#include <QString>
#include <QStringList>

// The one CSV writer of the store's tools (kavel-results, the statistics
// window). Its files are opened in spreadsheets, so a field is written as a
// spreadsheet takes it back as text: quoted when it holds ",", ";" (the
// separator in many locales), a quote or a line break, and with a leading "'"
// when it would otherwise be run as a formula (it starts with "=", "+", "-",
// "@", a tab or a CR and is no plain number; operator input reaches these
// files).
namespace results {

QString csvField(const QString &text);
// The fields of one line, with its line end.
QString csvLine(const QStringList &fields);

} // namespace results

#endif
