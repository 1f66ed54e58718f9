#pragma once

#include <QApplication>

class MainWindow;

// The application object: turns desktop file-open requests into loads and
// catches the fatal errors the program throws as C strings.
class VekApplication : public QApplication
{
public:
    VekApplication(int& argc, char** argv);
    ~VekApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Logs a fatal error, shows it in a "Fatal Error" box, closes all windows
    // and the log. While that box is up, further errors are only logged:
    // each would otherwise open a box of its own from inside the last one.
    void reportFatalError(const char* text);

    // True once a fatal error was reported; the program then ends with 1.
    bool fatalErrorCaught() const;

    MainWindow* mainWindow;

private:
    bool fatalError = false;
    bool fatalBoxOpen = false;
};
