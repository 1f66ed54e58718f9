#include "ui/pagescrollarea.h"

#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>

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
    return QSize(width, qMax(QScrollArea::minimumSizeHint().height(), fitHeight));
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

// The window's layout grows the window to a minimum it is short of, once
// every layout the change touched has settled; asking for the page's height
// as the minimum until then lets it do so.
void PageScrollArea::fitPage()
{
    QWidget* top = window();
    if (!top->isVisible() || (top->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    const int room = top->screen()->availableGeometry().bottom() - top->frameGeometry().bottom();
    const int height =
        qMin(widget()->minimumSizeHint().height(), viewport()->height() + qMax(room, 0));
    if (height <= viewport()->height())
        return;
    fitHeight = height;
    heightBeforeFit = top->height();
    updateGeometry();
}

void PageScrollArea::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    // Grown as far as the page or the window manager allows.
    if (fitHeight > 0 && (viewport()->height() >= fitHeight || window()->height() != heightBeforeFit)) {
        fitHeight = 0;
        updateGeometry();
    }
}

void PageScrollArea::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    if (!event->spontaneous())
        fitPage();
}
