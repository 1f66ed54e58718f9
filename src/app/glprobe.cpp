#include "app/glprobe.h"

#include <QLocale>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QSurfaceFormat>

#include <cctype>

void GLProbe::setDefaultFormat()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    // Without this option a 3.3 request comes back as a core context.
    format.setOption(QSurfaceFormat::DeprecatedFunctions);
    format.setDepthBufferSize(24);
    format.setSamples(0);
    QSurfaceFormat::setDefaultFormat(format);
}

QByteArray GLProbe::versionString()
{
    QOpenGLWidget probe;
    probe.show();
    probe.makeCurrent();
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context || context != probe.context())
        return QByteArray();
    const auto* version = context->functions()->glGetString(GL_VERSION);
    const QByteArray text = version ? QByteArray(reinterpret_cast<const char*>(version)) : QByteArray();
    probe.doneCurrent();
    return text;
}

double GLProbe::versionNumber(const QByteArray& text)
{
    // Qt puts the C library into the user's locale, where atof would stop at
    // the "." of "2.1" under a comma-decimal locale and refuse a good machine.
    int at = 0;
    const int size = text.size();
    while (at < size && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    const int start = at;
    if (at < size && (text[at] == '+' || text[at] == '-'))
        ++at;
    int digits = 0;
    while (at < size && std::isdigit(static_cast<unsigned char>(text[at]))) {
        ++at;
        ++digits;
    }
    if (at < size && text[at] == '.') {
        ++at;
        while (at < size && std::isdigit(static_cast<unsigned char>(text[at]))) {
            ++at;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    QString number = QString::fromLatin1(text.mid(start, at - start));
    if (number.endsWith(QLatin1Char('.')))
        number.chop(1);
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    return ok ? value : 0.0;
}
