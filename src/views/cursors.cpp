#include "views/cursors.h"

#include <QPixmap>

#include <cstdio>

#include "resources/cursors/move.xpm"
#include "resources/cursors/normal.xpm"
#include "resources/cursors/pan.xpm"
#include "resources/cursors/rotate.xpm"
#include "resources/cursors/sample.xpm"
#include "resources/cursors/zoom.xpm"

QCursor zoomCursor;
QCursor rotateCursor;
QCursor panCursor;
QCursor moveCursor;
QCursor normalCursor;
QCursor sampleCursor;
QCursor blankCursor;

void loadXpmCursor(QCursor& target, const char* const* xpm)
{
    QPixmap pixmap(xpm);
    if (pixmap.isNull()) {
        // A cursor built before the application object holds no data and
        // crashes setCursor(): never leave one that way.
        target = QCursor(Qt::ArrowCursor);
        return;
    }
    int width = 0, height = 0, colours = 0, charsPerPixel = 0;
    int hotX = -1, hotY = -1;
    std::sscanf(xpm[0], "%d %d %d %d %d %d", &width, &height, &colours, &charsPerPixel, &hotX,
                &hotY);
    target = QCursor(pixmap, hotX, hotY);
}

void initCursors()
{
    loadXpmCursor(zoomCursor, zoom_xpm);
    loadXpmCursor(rotateCursor, rotate_xpm);
    loadXpmCursor(panCursor, pan_xpm);
    loadXpmCursor(moveCursor, move_xpm);
    loadXpmCursor(normalCursor, normal_xpm);
    loadXpmCursor(sampleCursor, sample_xpm);
    blankCursor = QCursor(Qt::BlankCursor);
}

const QCursor& navigationCursor(int mode, bool turning, const QCursor& other)
{
    switch (mode) {
    case 1: return panCursor;
    case 2: return zoomCursor;
    case 3:
    case 4: return turning ? rotateCursor : other;
    default: return other;
    }
}
