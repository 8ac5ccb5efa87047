#include "configparameter.h"

ConfigParameter::ConfigParameter(const QByteArray &name, const QByteArray &value)
    : m_name(name), m_value(value)
{
}

ConfigParameter::~ConfigParameter() = default;
