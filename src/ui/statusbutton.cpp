#include "ui/statusbutton.h"

#include <QAction>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTimerEvent>

StatusButton* StatusButton::instance = nullptr;

// Pictures compiled into a static library are linked in only when referenced.
static void initResources()
{
    Q_INIT_RESOURCE(morvane2);
}

StatusButton::StatusButton(QMainWindow* parent)
    : QToolButton(parent)
{
    initResources();
    // The resource root resolves ":morvane2/logo" to the same picture.
    statusAction = new QAction(QIcon(QStringLiteral(":morvane2/logo")), QStringLiteral("Status"), this);
    setIconSize(QSize(24, 24));
    setDefaultAction(statusAction);
    setContextMenuPolicy(Qt::CustomContextMenu);

    connect(this, SIGNAL(customContextMenuRequested(const QPoint&)),
            this, SLOT(customContextMenuRequested(const QPoint&)));
    connect(this, SIGNAL(triggered(QAction*)), this, SLOT(triggered(QAction*)));

    menu = new QMenu(this);
    menuStatusAction = new QAction(QIcon(QStringLiteral(":/morvane2/logo")), QStringLiteral("Status"), this);
    menuStatusAction->setIconVisibleInMenu(true);
    menu->addAction(menuStatusAction);
    menu->addSeparator();

    if (parent)
        parent->statusBar()->addWidget(this, 1);

    instance = this;
}

StatusButton::~StatusButton() = default;

void StatusButton::addAction(QAction* action)
{
    menu->addAction(action);
}

void StatusButton::removeAction(QAction* action)
{
    menu->removeAction(action);
}

void StatusButton::addMenu(QMenu* subMenu)
{
    menu->addMenu(subMenu);
}

void StatusButton::setStatusText(const QString& text, const QIcon& icon)
{
    statusAction->setText(text);
    menuStatusAction->setText(text);
    menuStatusAction->setIcon(icon);
}

void StatusButton::setStatusIcon(const QIcon* icon, int blinks)
{
    statusAction->setIcon(icon ? *icon : QIcon());
    // A click only zeroes the count and leaves the timer to end itself at
    // its next tick, so the count alone does not tell whether one runs.
    if (blinks != 0 && blinkTimer == 0)
        blinkTimer = startTimer(1000, Qt::CoarseTimer);
    blinkCount = blinks;
}

void StatusButton::triggered(QAction*)
{
    stopBlinkAndPopup(mapToGlobal(QPoint(0, 0)));
}

void StatusButton::customContextMenuRequested(const QPoint& pos)
{
    stopBlinkAndPopup(mapToGlobal(pos));
}

void StatusButton::stopBlinkAndPopup(const QPoint& globalPos)
{
    blinkCount = 0;
    menu->popup(globalPos);
}

void StatusButton::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != blinkTimer) {
        QToolButton::timerEvent(event);
        return;
    }
    --blinkCount;
    if (blinkCount < 1) {
        blinkCount = 0;
        killTimer(blinkTimer);
        blinkTimer = 0;
        setDown(false);
    } else {
        setDown(blinkCount % 2 == 1);
    }
}
