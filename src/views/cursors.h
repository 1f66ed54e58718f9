#pragma once

#include <QCursor>

// The mouse cursors of the views, one per interaction mode, shared by the
// whole process. initCursors() (re)builds them; every view's constructor
// runs it, after which the views only choose among them.
extern QCursor zoomCursor;
extern QCursor rotateCursor;
extern QCursor panCursor;
extern QCursor moveCursor;
extern QCursor normalCursor;
extern QCursor sampleCursor;
extern QCursor blankCursor;

void initCursors();

// The cursor of a view tool: pan for 1, zoom for 2, rotate for 3 and 4 in a
// view that turns, other for any other mode.
const QCursor& navigationCursor(int mode, bool turning, const QCursor& other);

// target = the XPM picture with the hot spot its header names, or the
// picture's centre when the header names none; a picture that does not
// parse gives the arrow cursor.
void loadXpmCursor(QCursor& target, const char* const* xpm);
