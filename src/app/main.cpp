#include "app/glprobe.h"
#include "app/homecleaner.h"
#include "app/launcharguments.h"
#include "base/logfile.h"
#include "app/mainwindow.h"
#include "app/qdebugfile.h"
#include "app/startlimits.h"
#include "base/veksettings.h"
#include "app/vekapplication.h"
#include "base/version.h"
#include "ui/splash.h"

#include <QDateTime>
#include <QMessageBox>
#include <QStyleFactory>

#include <cstdio>

namespace {

int start(VekApplication& app)
{
    LogFile::info() << "Starting Quillon Morvane 2..." << Version::fullText << "\n";
    LogFile::flush();

    const QByteArray version = GLProbe::versionString();
    if (version.isNull()) {
        const char* const noVersion = "glGetVersion returned null pointer, Can't continue\n";
        // No box is shown for this one: say it where whoever started the
        // program can see it.
        std::fputs(noVersion, stderr);
        LogFile::critical() << noVersion;
        LogFile::close();
        return -1;
    }
    LogFile::info() << "GL Version String:: " << QString::fromLatin1(version) << "\n";
    LogFile::flush();
    if (GLProbe::versionNumber(version) < GLProbe::minimumVersion) {
        LogFile::critical() << "Missing OpenGL 2.1 support, Can't continue\n";
        LogFile::flush();
        QMessageBox::critical(nullptr, QStringLiteral("Missing OpenGL 2.1"),
                              QStringLiteral("OpenGL 2.1 is required. Can't continue"), QMessageBox::Ok);
        LogFile::close();
        return -1;
    }

    const QString home = VekSettings::homeDir();
    const QDateTime now = QDateTime::currentDateTime();
    LogFile::info() << "Scrubbing old logs\n";
    LogFile::flush();
    HomeCleaner::removeOldLogs(home, now, LogFile::filePath());
    LogFile::info() << "Cleaning temporary folders\n";
    LogFile::flush();
    HomeCleaner::removeOldTemporaryFolders(home, now);

    LogFile::info() << "About to create main window\n";
    LogFile::flush();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    MainWindow window;
    app.mainWindow = &window;
    LogFile::info() << "Created main window\n";
    LogFile::flush();

    // Never deleted; Splash::instance holds it for the rest of the run.
    auto* splash = new Splash;
    splash->showLoadingPage();

    const QByteArray handShake = QByteArray(Version::shortText) + '\n';
    std::fwrite(handShake.constData(), 1, static_cast<size_t>(handShake.size()), stdout);
    std::fflush(stdout);

    LaunchArguments(QCoreApplication::arguments()).applyTo(window);

    // A fatal error caught while building the window has closed everything.
    if (app.fatalErrorCaught()) {
        app.mainWindow = nullptr;
        splash->close();
        return 1;
    }
    if (window.isMaximized())
        window.showMaximized();
    else
        window.show();
    // A splash left open would keep the program running after the main
    // window is closed.
    splash->close();
    const int code = QApplication::exec();
    app.mainWindow = nullptr;
    return app.fatalErrorCaught() ? 1 : code;
}

} // namespace

int main(int argc, char** argv)
{
    QString tooLittleRoom;
    if (!StartLimits::prepare(tooLittleRoom)) {
        std::fprintf(stderr, "%s\n", qPrintable(tooLittleRoom));
        return -1;
    }
    qInstallMessageHandler(qdebugMessageHandler);
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    GLProbe::setDefaultFormat();

    VekApplication app(argc, argv);
    StartLimits::limitThreadPool();
    try {
        return start(app);
    } catch (const char* text) {
        app.mainWindow = nullptr;
        app.reportFatalError(text);
        return 1;
    }
}
