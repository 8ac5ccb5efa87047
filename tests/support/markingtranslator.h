#ifndef MARKINGTRANSLATOR_H
#define MARKINGTRANSLATOR_H

#include <QCoreApplication>
#include <QTranslator>

// Installed while it lives: every text that goes through tr() comes out
// bracketed, so a check against the plain text tells the texts that must be
// shown as they stand from those that are translated.
class MarkingTranslator : public QTranslator
{
public:
    MarkingTranslator() { QCoreApplication::installTranslator(this); }
    ~MarkingTranslator() override { QCoreApplication::removeTranslator(this); }

    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *sourceText, const char * = nullptr, int = -1) const override
    {
        return QLatin1Char('[') + QString::fromUtf8(sourceText) + QLatin1Char(']');
    }
};

#endif
