#pragma once

#include "net/updateprompts.h"

#include <QObject>
#include <QPointer>
#include <QString>

class MyProgressHelper;
class QAction;
class QWidget;
class StatusButton;

// The user's side of the update check: the check itself, the offer of a
// newer version (a box and an "Install Update" entry in the status
// button's menu), the download under a progress dialog and the start of
// the installer. The main window's update slots forward here.
class UpdateFlow : public QObject, public UpdatePrompts
{
    Q_OBJECT

public:
    UpdateFlow(QWidget* mainWindow, StatusButton* statusButton);
    ~UpdateFlow() override;

    // Null until the first offer.
    QAction* installAction() const { return action; }

    void offerUpdate(bool available) override;
    void checkFailed() override;
    void launchFailed(const QString& path, const QString& reason) override;
    void showText(const QString& title, const QString& path) override;

public slots:
    void checkForUpdates();
    void launchUpdate();
    void finishUpdate(const QString& fn);

private:
    QWidget* boxParent() const;
    // Ends the wait cursor of a check, once its answer is to be shown.
    void endWait();

    QWidget* window;
    StatusButton* button;
    QAction* action = nullptr;
    QPointer<MyProgressHelper> running;
    bool checking = false;
    bool waiting = false;
};
