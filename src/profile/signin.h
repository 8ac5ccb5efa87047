#ifndef SIGNIN_H
#define SIGNIN_H

#include <QByteArray>
#include <QString>

// The administrator level: the built-in master password, or the one the
// profile keeps (Base64 in `qvd`).
namespace signin {

inline constexpr char kMasterPassword[] = "velox";

// The stored password as text; "0" (no key) and anything undecodable give
// what the decoder makes of it, "0" the empty password.
QString storedPassword(const QByteArray &qvd);
QByteArray encodePassword(const QString &password);

// True for the master password or an exact match of the stored one.
bool accepts(const QString &entered, const QByteArray &qvd);

} // namespace signin

#endif
