#pragma once

#include <QScrollArea>

// Holds the central panel's pages, so that a page taller than the window
// scrolls and a short screen still reaches its lowest controls. Where a page
// fits it takes the room it took without the scroll area: the vertical bar,
// when shown, widens the area rather than squeezing the page under it.
class PageScrollArea : public QScrollArea
{
public:
    PageScrollArea(QWidget* pages, QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Grows the window until the page fits, as far as the screen has room
    // below the window: on a screen tall enough a page shows whole, without
    // a scroll bar. The window may be made shorter again afterwards.
    void fitPage();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void growToPage();
};
