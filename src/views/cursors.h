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

// target = the XPM picture with the hot spot its header names, or the
// picture's centre when the header names none; a picture that does not
// parse gives the arrow cursor.
void loadXpmCursor(QCursor& target, const char* const* xpm);
