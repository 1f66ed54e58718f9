#include "app/mainwindow.h"

#include "base/logfile.h"

#include <QTimer>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setMinimumWidth(1000);
    setWindowTitle(QStringLiteral("Morvane 2"));
}

MainWindow::~MainWindow() = default;

void MainWindow::setImportFile(const QString& path)
{
    importFile = path;
    if (!importTimer) {
        importTimer = new QTimer(this);
        importTimer->setSingleShot(true);
        connect(importTimer, &QTimer::timeout, this, &MainWindow::loadImportFile);
    }
    // Loaded as soon as the event loop runs, after the window is shown.
    importTimer->start(1);
}

void MainWindow::setExportFile(const QString& path)
{
    exportFile = path;
}

void MainWindow::setModelTitle(const QString& title)
{
    modelTitle = title;
}

void MainWindow::setIntegrationKey(const QString& key)
{
    integrationKey = key;
}

void MainWindow::load(const QString& fileName, bool addToRecent)
{
    Q_UNUSED(addToRecent)
    static const char* const known[] = {".scp", ".ptr", ".obj", ".stl", ".jpg", ".jpeg", ".png", ".bmp"};
    for (const char* suffix : known) {
        if (fileName.endsWith(QLatin1String(suffix), Qt::CaseInsensitive))
            return;
    }
    LogFile::warning() << "Unknown file type" << fileName << "\n";
}

void MainWindow::loadImportFile()
{
    load(importFile, false);
}
