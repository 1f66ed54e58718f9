#pragma once

#include <QByteArray>

// Start-up's check that the machine offers the OpenGL the views need.
class GLProbe
{
public:
    // The format every GL view's context is made with: a compatibility
    // context (the GL 3.3 engine still reads the fixed-function matrices),
    // single-sampled so that depth can be read back. Must be set before the
    // application object exists.
    static void setDefaultFormat();

    // Shows a throw-away GL widget, makes its context current and returns
    // GL_VERSION; null when there is no context or no version.
    static QByteArray versionString();

    // The leading number of a version text, as the C library reads it in
    // the C locale: "4.5 (Compatibility Profile) Mesa" gives 4.5, text that
    // does not start with a number gives 0.
    static double versionNumber(const QByteArray& text);

    static constexpr double minimumVersion = 2.1;
};
