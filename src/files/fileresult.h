#pragma once

#include <QString>

// Outcome of reading or writing a model file. A failure carries the title and
// text of the critical message box the main window shows for it.
class FileResult
{
public:
    enum Code {
        Ok,
        OpenFailed,   // "Open Failed" / "Error! File Open Failed"
        InvalidFile,  // "Invalid File" / "Error! File has invalid Magic Number or Version"
        LoadFailed,   // "Load Failed" / "Error! File I/O Error"
        SaveFailed    // "Save Failed" / "Error! File I/O Error"
    };

    FileResult(Code code = Ok);

    Code code() const { return m_code; }
    bool ok() const { return m_code == Ok; }
    // Empty for Ok.
    QString title() const;
    QString text() const;

    bool operator==(const FileResult& other) const { return m_code == other.m_code; }
    bool operator!=(const FileResult& other) const { return m_code != other.m_code; }

private:
    Code m_code;
};
