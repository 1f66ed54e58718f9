#include "views/shader/shaderfactory.h"

#include "base/logfile.h"
#include "base/veksettings.h"
#include "views/shader/legacyshader.h"
#include "views/shader/legacyshader2d.h"
#include "views/shader/vboshader.h"
#include "views/shader/vboshader2d.h"

#include <QLocale>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QtGlobal>

namespace {

void logLine(const char* text)
{
    LogFile::info() << text << "\n";
    LogFile::flush();
}

} // namespace

double ShaderFactory::leadingVersion(const char* text)
{
    if (!text)
        return 0.0;
    const char* end = text;
    while (*end >= '0' && *end <= '9')
        ++end;
    if (*end == '.') {
        ++end;
        while (*end >= '0' && *end <= '9')
            ++end;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(QByteArray(text, int(end - text)), &ok);
    return ok ? value : 0.0;
}

Shader* ShaderFactory::getShader(ShaderType type)
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context) {
        logLine("No Current OpenGL context... Fail");
        logLine("Got Null OpenGL Version string, can't continue");
        qFatal("Null OpenGL Context");
    }
    const char* version =
        reinterpret_cast<const char*>(context->functions()->glGetString(GL_VERSION));
    const bool useLegacy = VekSettings().useLegacyShader();
    if (!version) {
        logLine("Got Null OpenGL Version string, can't continue");
        qFatal("Null OpenGL Context");
    }

    if (leadingVersion(version) >= 3.3 && !useLegacy) {
        logLine("Using VBO based OpenGL 3.3 drawing engine");
        if (type == Relief3d)
            return new VboShader;
        if (type == Height2d)
            return new VboShader2d;
        return nullptr;
    }
    if (useLegacy)
        logLine("Fallback shader requested in VekSettings");
    logLine("Using Legacy OpenGL 2.1 drawing engine");
    if (type == Relief3d)
        return new LegacyShader;
    if (type == Height2d)
        return new LegacyShader2d;
    return nullptr;
}
