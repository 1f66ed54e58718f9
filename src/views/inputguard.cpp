#include "views/inputguard.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QShortcut>
#include <QWidget>
#include <QWindow>

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

// Whether the widget is in a modal window, or in a popup or dialog of one.
bool inModalWindow(const QWidget* widget)
{
    for (const QWidget* w = widget ? widget->window() : nullptr; w;
         w = w->parentWidget() ? w->parentWidget()->window() : nullptr) {
        if (w->isModal())
            return true;
    }
    return false;
}

bool inModalWindow(const QWindow* window)
{
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() == window)
            return inModalWindow(top);
    }
    for (const QWindow* w = window; w; w = w->transientParent()) {
        if (w->modality() != Qt::NonModal)
            return true;
    }
    return false;
}

// Whether input to the object may reach the user: objects outside any
// window (the application itself, timers' owners) are let be.
bool reachesOnlyModal(QObject* watched)
{
    if (watched->isWidgetType())
        return inModalWindow(static_cast<QWidget*>(watched));
    if (watched->isWindowType())
        return inModalWindow(static_cast<QWindow*>(watched));
    if (auto* shortcut = qobject_cast<QShortcut*>(watched))
        return inModalWindow(shortcut->parentWidget());
    if (auto* action = qobject_cast<QAction*>(watched)) {
        for (const QWidget* w : action->associatedWidgets()) {
            if (inModalWindow(w))
                return true;
        }
        return false;
    }
    return true;
}

} // namespace

InputGuard::InputGuard()
{
    qApp->installEventFilter(this);
}

InputGuard::~InputGuard()
{
    qApp->removeEventFilter(this);
}

bool InputGuard::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // A shortcut of a window runs unless the window claims its key first:
    // claimed here, the key then comes as a press and is dropped below.
    if (type == QEvent::ShortcutOverride) {
        if (event->spontaneous() && !reachesOnlyModal(watched)) {
            event->accept();
            return true;
        }
        return false;
    }
    if (!event->spontaneous() && type != QEvent::Shortcut)
        return false;
    if (!isUserInput(type) || reachesOnlyModal(watched))
        return false;
    event->ignore();
    return true;
}
