#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

// Points the home and settings folders at an empty temporary folder, so that
// a test run by hand never touches the user's own settings, logs or home
// folder. Construct before anything reads them.
struct IsolatedHome
{
    IsolatedHome()
    {
        if (!dir.isValid())
            qFatal("cannot create a temporary home folder");
        QDir(dir.path()).mkpath(QStringLiteral(".config"));
        qputenv("HOME", QFile::encodeName(dir.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral(".config"))));
    }

    QTemporaryDir dir;
};

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
