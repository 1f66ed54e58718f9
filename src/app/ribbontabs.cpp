#include "app/ribbontabs.h"

const QString tabViewSettings = QStringLiteral("View Settings");
const QString tabScaleZ = QStringLiteral("Scale Z");
const QString tabSculptingTools = QStringLiteral("Sculpting Tools");
const QString tab2dEdit = QStringLiteral("2D Edit");
const QString tabExport = QStringLiteral("Export");
const QString tabOrientScale = QStringLiteral("Orient / Scale");
