#include "app/launcharguments.h"

#include "app/mainwindow.h"

#include <QFileInfo>
#include <QTimer>

LaunchArguments::LaunchArguments(const QStringList& arguments)
{
    const int count = arguments.size();
    plainStart = count < 2;
    if (count >= 5) {
        integration = true;
        integrationKey = arguments.at(1);
        importFile = arguments.at(2);
        exportFile = arguments.at(3);
        modelTitle = arguments.at(4);
        return;
    }
    if (count >= 4) {
        setsModelTitle = true;
        modelTitle = arguments.at(3);
    }
    if (count >= 3) {
        setsExportFile = true;
        exportFile = arguments.at(2);
    }
    if (count >= 2)
        fileToOpen = arguments.at(1);
}

void LaunchArguments::applyTo(MainWindow& window) const
{
    // Over a file named here the wizard would hide what was just opened.
    if (plainStart) {
        window.showStartWizard();
        return;
    }
    if (integration) {
        window.setIntegrationKey(integrationKey);
        window.setImportFile(importFile);
        window.setExportFile(exportFile);
        window.setModelTitle(modelTitle);
        window.raise();
        return;
    }
    if (setsModelTitle)
        window.setModelTitle(modelTitle);
    if (setsExportFile)
        window.setExportFile(exportFile);
    // Loaded once the event loop runs, after the window is shown: what the
    // views take to start drawing is then held, and the load's check of the
    // room left for drawing the file counts it.
    if (!fileToOpen.isEmpty() && QFileInfo(fileToOpen).isFile()) {
        const QString path = fileToOpen;
        QTimer::singleShot(0, &window, [&window, path] { window.load(path, false); });
    }
}
