#pragma once

#include <QApplication>

class MainWindow;

// The application object: turns desktop file-open requests into loads,
// catches the fatal errors the program throws as C strings, and outlives a
// failed allocation in an event handler, which loses only that action.
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

    // Logs a failed allocation and says in an "Out of Memory" box that the
    // last action was abandoned; the program goes on, so the work can be
    // saved. While a box is up, further failures are only logged.
    void reportOutOfMemory();

    // True once a fatal error was reported; the program then ends with 1.
    bool fatalErrorCaught() const;

    MainWindow* mainWindow;

private:
    // The same for a failure on another thread: logged there, ending the
    // network calls in flight and shown by the application's own thread.
    void reportOutOfMemoryElsewhere();
    void logOutOfMemory();
    void showOutOfMemoryBox();

    bool fatalError = false;
    bool fatalBoxOpen = false;
    // Read and written by the application's thread only.
    bool memoryBoxOpen = false;
};
