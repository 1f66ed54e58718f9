#include "app/vekapplication.h"

#include "base/logfile.h"
#include "app/mainwindow.h"
#include "base/version.h"

#include <QFileOpenEvent>
#include <QMessageBox>

namespace {

void showLogOpenFailure(const QString& title, const QString& text)
{
    QMessageBox::critical(nullptr, title, text, QMessageBox::Ok);
}

} // namespace

VekApplication::VekApplication(int& argc, char** argv)
    : QApplication(argc, argv)
    , mainWindow(nullptr)
{
    setApplicationVersion(QString::fromLatin1(Version::fullText));
    LogFile::setOpenFailedHandler(showLogOpenFailure);
    installEventFilter(this);
}

VekApplication::~VekApplication()
{
    LogFile::close();
    LogFile::setOpenFailedHandler(nullptr);
}

bool VekApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const char* text) {
        reportFatalError(text);
        return false;
    }
}

bool VekApplication::event(QEvent* event)
{
    if (event->type() == QEvent::FileOpen) {
        auto* open = dynamic_cast<QFileOpenEvent*>(event);
        if (!open || !mainWindow)
            return false;
        mainWindow->load(open->file(), true);
        return true;
    }
    return QApplication::event(event);
}

bool VekApplication::eventFilter(QObject* watched, QEvent* event)
{
    return QApplication::eventFilter(watched, event);
}

void VekApplication::reportFatalError(const char* text)
{
    fatalError = true;
    LogFile::critical() << (text ? text : "") << "\n";
    LogFile::flush();
    if (fatalBoxOpen)
        return;
    fatalBoxOpen = true;
    QMessageBox::critical(nullptr, QStringLiteral("Fatal Error"), QString::fromUtf8(text), QMessageBox::Ok);
    fatalBoxOpen = false;
    QApplication::closeAllWindows();
    LogFile::close();
}

bool VekApplication::fatalErrorCaught() const
{
    return fatalError;
}
