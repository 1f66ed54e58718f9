#ifndef LOGTEXT_H
#define LOGTEXT_H

#include <QFile>
#include <QString>
#include <QStringList>

// The lines of a log or message file, without the final empty line.
inline QStringList fileLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

#endif
