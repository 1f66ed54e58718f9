#include "ui/pagescrollarea.h"

#include <QCoreApplication>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>

PageScrollArea::PageScrollArea(QWidget* pages, QWidget* parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    setWidget(pages);
    verticalScrollBar()->installEventFilter(this);
}

// QScrollArea's own hint is capped at a few dozen lines of text, which would
// change the panel's share of the window.
QSize PageScrollArea::sizeHint() const
{
    return widget()->sizeHint();
}

QSize PageScrollArea::minimumSizeHint() const
{
    int width = widget()->minimumSizeHint().width();
    if (verticalScrollBar()->isVisibleTo(this))
        width += verticalScrollBar()->sizeHint().width();
    return QSize(width, QScrollArea::minimumSizeHint().height());
}

// The bar comes and goes with the window's height; the width asked for
// follows it.
bool PageScrollArea::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == verticalScrollBar()
        && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}

void PageScrollArea::fitPage()
{
    // Measured once the command that showed the page has ended: it may go
    // on to change the ribbon above, and so the room the page has.
    QTimer::singleShot(0, this, &PageScrollArea::growToPage);
}

void PageScrollArea::growToPage()
{
    QWidget* top = window();
    if (!top->isVisible() || (top->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    QCoreApplication::sendPostedEvents(top, QEvent::LayoutRequest);
    const int room = top->screen()->availableGeometry().bottom() - top->frameGeometry().bottom();
    const int grow = qMin(widget()->minimumSizeHint().height() - viewport()->height(), room);
    if (grow > 0)
        top->resize(top->width(), top->height() + grow);
}

void PageScrollArea::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    if (!event->spontaneous())
        fitPage();
}
