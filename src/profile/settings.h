#ifndef SETTINGS_H
#define SETTINGS_H

#include "configparameter.h"

#include <QString>
#include <map>

class QSettings;

// The in-memory test profile: an ordered map from key to value text. It knows
// nothing about what a key means; every reader converts the text itself (see
// values.h). Absent keys read as "0".
class Settings
{
public:
    using Map = std::map<QByteArray, ConfigParameter>;

    Settings() = default;
    virtual ~Settings();

    // Merges the INI file into the store; keys the file lacks keep their values.
    // A file with a format error gives the keys Qt could read. False, with
    // nothing added, when the file could not be read at all; a missing file
    // reads as an empty profile.
    bool load(const QString &fileName);
    // The same from a profile's text (as a run read it), through a file of
    // its own, so that Qt reads it exactly as it reads a profile.
    bool loadText(const QByteArray &text);
    // Writes every entry in map order; keys only the file holds stay in the file.
    // The write is atomic: a crash mid-save leaves the old file whole.
    void save(const QString &fileName) const;
    // Sets every entry in file, in map order, as save() does; the caller syncs.
    void writeInto(QSettings &file) const;

    void set(const ConfigParameter &parameter);
    void set(const QByteArray &name, const QByteArray &value);
    bool find(const QByteArray &name, ConfigParameter &parameter) const;
    QByteArray value(const QByteArray &name) const;

    const Map &entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.empty(); }

private:
    Map m_entries;
};

#endif
