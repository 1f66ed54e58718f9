#pragma once

// Shared set-up of the OpenGL view tests: a compatibility context that keeps
// the fixed-function matrices, single-sampled so depth can be read back.

#include "base/logfile.h"

#include <QApplication>
#include <QFile>
#include <QOpenGLContext>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLWidget>
#include <QSurfaceFormat>
#include <QTest>

#include <functional>

inline void setTestSurfaceFormat()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setOption(QSurfaceFormat::DeprecatedFunctions);
    format.setDepthBufferSize(24);
    format.setSamples(0);
    QSurfaceFormat::setDefaultFormat(format);
}

#define MORVANE_GL_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        setTestSurfaceFormat();                                                                    \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

// Everything this process has logged so far.
inline QString logText()
{
    LogFile::flush();
    QFile file(LogFile::filePath());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// A bare GL widget: clears to transparent black, sets an orthographic
// projection of one unit per pixel centred on the origin, then runs paint.
class GlCanvas : public QOpenGLWidget
{
public:
    std::function<void(QOpenGLFunctions_2_1*)> paint;
    QOpenGLFunctions_2_1* gl = nullptr;
    unsigned lastError = 0;

    GlCanvas() { resize(400, 300); }

    void initializeGL() override
    {
        gl = context()->versionFunctions<QOpenGLFunctions_2_1>();
        gl->initializeOpenGLFunctions();
    }

    void paintGL() override
    {
        gl->glClearColor(0, 0, 0, 0);
        gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        gl->glMatrixMode(GL_PROJECTION);
        gl->glLoadIdentity();
        gl->glOrtho(-width() / 2.0, width() / 2.0, -height() / 2.0, height() / 2.0, -1000, 1000);
        gl->glMatrixMode(GL_MODELVIEW);
        gl->glLoadIdentity();
        if (paint)
            paint(gl);
        lastError = gl->glGetError();
    }

    // RGB of the model point (x, y) in the last grabbed picture.
    static QColor at(const QImage& image, int x, int y)
    {
        return image.pixelColor(image.width() / 2 + x, image.height() / 2 - y - 1);
    }
};

inline bool near(const QColor& c, int r, int g, int b, int tolerance = 2)
{
    return qAbs(c.red() - r) <= tolerance && qAbs(c.green() - g) <= tolerance
        && qAbs(c.blue() - b) <= tolerance;
}
