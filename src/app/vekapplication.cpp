#include "app/vekapplication.h"

#include "base/logfile.h"
#include "app/mainwindow.h"
#include "base/version.h"
#include "net/networkmanager.h"

#include <QFileOpenEvent>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QThread>

#include <new>

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
    } catch (const std::bad_alloc&) {
        if (QThread::currentThread() == thread())
            reportOutOfMemory();
        else
            reportOutOfMemoryElsewhere();
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

void VekApplication::reportOutOfMemory()
{
    try {
        logOutOfMemory();
        showOutOfMemoryBox();
    } catch (const std::bad_alloc&) {
        // Not even room to say so: the program still goes on.
    }
}

void VekApplication::reportOutOfMemoryElsewhere()
{
    try {
        logOutOfMemory();
        // Widgets belong to the window's thread. The failure may have been in
        // the network manager's HTTP thread, whose replies it can leave
        // waiting for ever: those calls end as failed.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (NetworkManager* network = NetworkManager::existing())
                    network->abortAll();
                showOutOfMemoryBox();
            },
            Qt::QueuedConnection);
    } catch (const std::bad_alloc&) {
        // Not even room to say so: the program still goes on.
    }
}

void VekApplication::logOutOfMemory()
{
    LogFile::critical() << "Out of memory: the last action was abandoned\n";
    LogFile::flush();
}

void VekApplication::showOutOfMemoryBox()
{
    if (memoryBoxOpen || fatalBoxOpen)
        return;
    const QScopedValueRollback<bool> open(memoryBoxOpen, true);
    QMessageBox::warning(nullptr, QStringLiteral("Out of Memory"),
                         QStringLiteral("There was not enough memory to finish the last action. "
                                        "It was abandoned; save your work."),
                         QMessageBox::Ok);
}

bool VekApplication::fatalErrorCaught() const
{
    return fatalError;
}
