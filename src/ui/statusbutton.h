#pragma once

#include <QToolButton>

class QAction;
class QIcon;
class QMainWindow;
class QMenu;
class QPoint;
class QTimerEvent;

// The logo button in the main window's status bar. It opens a menu of
// status entries that other parts add to, and can blink for a while.
// Build it after the window's status bar is set: the bar becomes its parent,
// and a bar replaced later would take the button with it.
class StatusButton : public QToolButton
{
    Q_OBJECT

public:
    explicit StatusButton(QMainWindow* parent);
    ~StatusButton() override;

    static StatusButton* instance;

    void addAction(QAction* action);
    void removeAction(QAction* action);
    void addMenu(QMenu* menu);
    void setStatusText(const QString& text, const QIcon& icon);
    void setStatusIcon(const QIcon* icon, int blinks);

public slots:
    void triggered(QAction* pAction);
    void customContextMenuRequested(const QPoint& pos);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void stopBlinkAndPopup(const QPoint& globalPos);

    QMenu* menu = nullptr;
    QAction* statusAction = nullptr;
    QAction* menuStatusAction = nullptr;
    int blinkCount = 0;
    int blinkTimer = 0;
};
