#include "files/fileresult.h"

FileResult::FileResult(Code code)
    : m_code(code)
{
}

QString FileResult::title() const
{
    switch (m_code) {
    case OpenFailed:
        return QStringLiteral("Open Failed");
    case InvalidFile:
        return QStringLiteral("Invalid File");
    case LoadFailed:
        return QStringLiteral("Load Failed");
    case SaveFailed:
        return QStringLiteral("Save Failed");
    case Ok:
        break;
    }
    return QString();
}

QString FileResult::text() const
{
    switch (m_code) {
    case OpenFailed:
        return QStringLiteral("Error! File Open Failed");
    case InvalidFile:
        return QStringLiteral("Error! File has invalid Magic Number or Version");
    case LoadFailed:
    case SaveFailed:
        return QStringLiteral("Error! File I/O Error");
    case Ok:
        break;
    }
    return QString();
}
