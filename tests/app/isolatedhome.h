#ifndef ISOLATEDHOME_H
#define ISOLATEDHOME_H

#include <QDir>
#include <QTemporaryDir>
#include <QtGlobal>

// Points the home and settings folders at an empty temporary folder, so that
// a test run by hand, outside the isolated runner, never touches the user's
// own settings, logs or home folder. Call before anything reads them.
class IsolatedHome
{
public:
    IsolatedHome()
    {
        if (!dir.isValid())
            qFatal("cannot create a temporary home folder");
        QDir(dir.path()).mkpath(QStringLiteral(".config"));
        qputenv("HOME", QFile::encodeName(dir.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + QStringLiteral("/.config")));
    }

    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
};

#endif
