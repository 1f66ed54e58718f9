#ifndef MORVANERUN_H
#define MORVANERUN_H

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// One run of the built program with its own empty home folder. The test
// programs sit in <build>/tests, the program in <build>/src.
class MorvaneRun
{
public:
    MorvaneRun()
    {
        QDir(home.path()).mkpath(QStringLiteral(".config"));
        QDir(home.path()).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path() + QStringLiteral("/runtime"));
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    }

    static QString program()
    {
        return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../src/morvane2"));
    }

    bool start(const QStringList& arguments = {})
    {
        process.setProcessEnvironment(environment);
        process.start(program(), arguments);
        if (!process.waitForStarted(10000))
            return false;
        pid = process.processId();
        return true;
    }

    QString homeFolder() const { return home.path() + QStringLiteral("/Morvane2"); }

    QString logPath() const
    {
        return homeFolder() + QStringLiteral("/morvane2_") + QString::number(pid, 16)
            + QStringLiteral(".log");
    }

    // Everything the program wrote to standard output so far.
    QByteArray output()
    {
        standardOutput += process.readAllStandardOutput();
        return standardOutput;
    }

    QTemporaryDir home;
    QProcessEnvironment environment;
    QProcess process;
    qint64 pid = 0;

private:
    QByteArray standardOutput;
};

#endif
