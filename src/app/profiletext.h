#ifndef PROFILETEXT_H
#define PROFILETEXT_H

#include <QByteArray>
#include <QString>

#include <map>

class Settings;

// The profile's text a run is judged under. The parameter store is what the
// run reads; its text is what the station last read from or wrote to the
// profile file, as long as the store holds exactly what that text says. When
// it holds more or other values (a settings dialog whose save was cancelled,
// keys kept from a profile loaded before), the text is the store's own, as
// the station would write it: never a text whose values the run did not use.
class ProfileText
{
public:
    // The file at path was just read into the store or written from it.
    void capture(const QString &path);
    // The bytes read at the last capture.
    const QByteArray &captured() const { return m_bytes; }
    // The text whose values store holds.
    QByteArray current(const Settings &store) const;

private:
    QByteArray m_bytes;
    // What m_bytes says, as the store takes it (local 8-bit key and value).
    std::map<QByteArray, QByteArray> m_values;
};

#endif
