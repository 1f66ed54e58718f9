#include "app/updateflow.h"

#include "app/myprogresshelper.h"
#include "net/downloadmanager.h"
#include "ui/statusbutton.h"
#include "views/inputguard.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QDialog>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

UpdateFlow::UpdateFlow(QWidget* mainWindow, StatusButton* statusButton)
    : QObject(mainWindow)
    , window(mainWindow)
    , button(statusButton)
{
    DownloadManager::instance()->setPrompts(this);
}

UpdateFlow::~UpdateFlow()
{
    DownloadManager* manager = DownloadManager::instance();
    if (manager->prompts() == this)
        manager->setPrompts(nullptr);
}

QWidget* UpdateFlow::boxParent() const
{
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus : window;
}

void UpdateFlow::checkForUpdates()
{
    qDebug("in checkForUpdates");
    // The query waits in a nested event loop, where a timer or a box can
    // ask again.
    if (checking)
        return;
    checking = true;
    // Meanwhile the user's input reaches only the boxes the check raises,
    // and the pointer says it waits.
    InputGuard guard;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    waiting = true;
    DownloadManager::instance()->checkForUpdate();
    endWait();
    checking = false;
}

void UpdateFlow::endWait()
{
    if (!waiting)
        return;
    waiting = false;
    QApplication::restoreOverrideCursor();
}

void UpdateFlow::offerUpdate(bool available)
{
    endWait();
    if (!action) {
        action = new QAction(QIcon(QStringLiteral(":/morvane2/exit")), QStringLiteral("Install Update"), window);
        connect(action, &QAction::triggered, this, &UpdateFlow::launchUpdate);
    }
    if (!available) {
        if (button)
            button->removeAction(action);
        return;
    }
    if (button)
        button->addAction(action);

    QMessageBox box(boxParent());
    box.setWindowTitle(QStringLiteral("Update Available"));
    box.setText(QStringLiteral("A Morvane 2 update is available."));
    QPushButton* upgrade = box.addButton(QStringLiteral("Upgrade Now"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Skip"), QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() == upgrade) {
        box.hide();
        launchUpdate();
    }
}

void UpdateFlow::launchUpdate()
{
    qDebug("Launching Morvane Update");
    // One download at a time: a second would leave the first one's dialog
    // without an owner.
    if (running)
        return;
    DownloadManager* manager = DownloadManager::instance();
    // The newest listed version beyond the running build, so an older
    // installer that happens to be downloaded is never started.
    const QString version = manager->newestUpdate();
    if (version.isEmpty())
        return;
    const QString local = manager->localFileFor(DownloadManager::Installer, DownloadManager::parseVersion(version));
    if (!local.isEmpty()) {
        manager->open(DownloadManager::Installer, local);
        return;
    }
    MyProgressHelper* helper = new MyProgressHelper(QStringLiteral("Downloading Morvane"), window,
                                                    QStringLiteral("1finishUpdate(const QString&)"));
    connect(helper, &MyProgressHelper::finish, this, &UpdateFlow::finishUpdate);
    running = helper;
    manager->download(DownloadManager::Installer, version, helper);
}

void UpdateFlow::finishUpdate(const QString& fn)
{
    qDebug("download complete");
    DownloadManager::instance()->open(DownloadManager::Installer, fn);
}

void UpdateFlow::checkFailed()
{
    endWait();
    QMessageBox::warning(boxParent(), QStringLiteral("Failed"), QStringLiteral("Check for update failed"),
                         QMessageBox::Ok);
}

void UpdateFlow::launchFailed(const QString& path, const QString& reason)
{
    QString text = reason;
    if (!path.isEmpty())
        text += QLatin1Char('\n') + path;
    QMessageBox::warning(boxParent(), QStringLiteral("Install Failed"), text, QMessageBox::Ok);
}

void UpdateFlow::showText(const QString& title, const QString& path)
{
    QByteArray bytes;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    QWidget* parent = QApplication::activeWindow();
    QDialog dialog(parent ? parent : window);
    dialog.setWindowTitle(title);
    dialog.resize(800, 600);
    QVBoxLayout* layout = new QVBoxLayout(&dialog);
    QTextBrowser* browser = new QTextBrowser(&dialog);
    layout->addWidget(browser);
    browser->setPlainText(QString::fromUtf8(bytes));
    dialog.exec();
}
