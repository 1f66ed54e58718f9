#pragma once

#include <QIcon>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QEvent;

// The start page over the splash picture: open a recent file, open a
// project, resume the last file, close, and "Show on Startup". Its parent is
// the main window, which connects the requests and keeps the show-on-startup
// flag; the check box is also remembered in the setting "/startwizard/startup".
class StartWizard : public QWidget
{
    Q_OBJECT

public:
    enum ButtonId { CloseButton = 0, RecentButton = 1, OpenButton = 2, LastButton = 3 };

    // Builds the wizard centred on the parent and shows it.
    StartWizard(QWidget* parent, const char* title, Qt::WindowFlags flags);
    ~StartWizard() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

    // The main window's flag, which show() puts into the check box.
    void setShowOnStartup(bool on);
    bool isShowOnStartupChecked() const;
    QCheckBox* checkBox() const { return box; }

    static QString settingKey();

public slots:
    virtual void show();
    void showOnStartup_toggled(bool on);
    void action(int id);

signals:
    void recentRequested();
    void openRequested();
    void resumeLastRequested();
    // The main window's flag takes this value.
    void showOnStartupChanged(bool on);

private:
    QButtonGroup* buttons = nullptr;
    QCheckBox* box = nullptr;
    QIcon normalIcons[4];
    QIcon hoverIcons[4];
    int pictureWidth = 0;
    int pictureHeight = 0;
    bool windowFlagKnown = false;
    bool windowFlag = true;
};
