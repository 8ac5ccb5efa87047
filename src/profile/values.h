#ifndef VALUES_H
#define VALUES_H

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>
#include <vector>

// How readers turn the store's text into numbers and switches. Every profile
// reader goes through these, so a value means the same thing everywhere.
namespace profile {

// Leading decimal integer: blanks skipped, optional sign, trailing text ignored.
// Text without a leading integer, and a number too large for an int, read as 0.
int toInt(const QByteArray &text);
int toInt(const QString &text);

// A switch is on only when its value is exactly "1".
bool isOn(const QByteArray &text);

// Qt's float conversion; text it cannot read gives 0.
float toDecimal(const QByteArray &text);

// RowSetData ("xmin,.../xmax,.../ymin,.../ymax,..."): the four parts' fields
// as the run takes them, base-10 integers, a field that is none (an empty one
// too) 0. None unless the text has exactly four parts: the run does not start.
std::optional<std::array<std::vector<int>, 4>> rowSetParts(const QByteArray &rowSetData);

} // namespace profile

#endif
