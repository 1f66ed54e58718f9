#pragma once

#include <QString>

// Titles of the ribbon's pages; every part of the window addresses the
// ribbon through them.
extern const QString tabViewSettings;
extern const QString tabScaleZ;
extern const QString tabSculptingTools;
extern const QString tab2dEdit;
extern const QString tabExport;
extern const QString tabOrientScale;

