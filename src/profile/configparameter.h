#ifndef CONFIGPARAMETER_H
#define CONFIGPARAMETER_H

#include <QByteArray>

// One entry of the parameter store: a key as the profile names it ("x_res",
// "ModeSwitch/Debug_Mode") and its value, both as 8-bit text.
class ConfigParameter
{
public:
    ConfigParameter() = default;
    ConfigParameter(const QByteArray &name, const QByteArray &value);
    virtual ~ConfigParameter();

    ConfigParameter(const ConfigParameter &) = default;
    ConfigParameter &operator=(const ConfigParameter &) = default;

    const QByteArray &name() const { return m_name; }
    const QByteArray &value() const { return m_value; }
    void setName(const QByteArray &name) { m_name = name; }
    void setValue(const QByteArray &value) { m_value = value; }

private:
    QByteArray m_name;
    QByteArray m_value;
};

#endif
