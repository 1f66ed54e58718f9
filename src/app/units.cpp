#include "app/units.h"

double unitsFactor(int from, int to)
{
    static const double factors[3][3] = {
        {1.0, 2.54, 25.4},
        {1.0 / 2.54, 1.0, 10.0},
        {1.0 / 25.4, 0.1, 1.0},
    };
    if (from < 0 || from > 2 || to < 0 || to > 2)
        return 1.0;
    return factors[from][to];
}

QString unitsSuffix(int units)
{
    if (units == Units::Inch)
        return QStringLiteral("in.");
    if (units == Units::Centimetre)
        return QStringLiteral("cm");
    return QStringLiteral("mm");
}

const QStringList& zScaleChoices()
{
    static const QStringList choices = {
        QStringLiteral("1/10"), QStringLiteral("1/5"), QStringLiteral("1/4"), QStringLiteral("1/3"),
        QStringLiteral("1/2"),  QStringLiteral("Reset"), QStringLiteral("2"), QStringLiteral("3"),
        QStringLiteral("4"),    QStringLiteral("5"),   QStringLiteral("10")};
    return choices;
}

double zScaleFactor(const QString& text)
{
    static const double factors[] = {0.1, 0.2, 0.25, 1.0 / 3.0, 0.5, 1.0, 2.0, 3.0, 4.0, 5.0, 10.0};
    const int i = zScaleChoices().indexOf(text);
    return i < 0 ? 0.0 : factors[i];
}
