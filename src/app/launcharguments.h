#pragma once

#include <QString>
#include <QStringList>

class MainWindow;

// What the command line asks of the main window. The count of arguments,
// program path included, decides: 5 or more start integration mode (key,
// import file, export path, model title), 4 give file, export path and
// title, 3 give file and export path, 2 give a file to open.
class LaunchArguments
{
public:
    explicit LaunchArguments(const QStringList& arguments);

    // Hands the arguments to the window; a file to open that does not exist
    // is ignored and the window keeps its default model. Only a start
    // without arguments shows the start wizard.
    void applyTo(MainWindow& window) const;

    bool plainStart = false;
    bool integration = false;
    bool setsExportFile = false;
    bool setsModelTitle = false;
    QString integrationKey;
    QString importFile;
    QString exportFile;
    QString modelTitle;
    QString fileToOpen;
};
