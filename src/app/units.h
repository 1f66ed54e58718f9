#pragma once

#include <QString>
#include <QStringList>

// Units of lengths the user types and reads: 0 inch, 1 centimetre,
// 2 millimetre.
namespace Units {
enum Unit { Inch = 0, Centimetre = 1, Millimetre = 2 };
}

// Factor that turns a length in unit from into unit to; 1.0 for any pair
// outside the three units.
double unitsFactor(int from, int to);
// "in.", "cm", or "mm" for anything else.
QString unitsSuffix(int units);

// The scale menu's texts "1/10" ... "10", in menu order, and each text's
// factor (0.0 for a text not in the menu).
const QStringList& zScaleChoices();
double zScaleFactor(const QString& text);
