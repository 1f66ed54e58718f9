#pragma once

#include "net/downloadmanager.h"

#include <QString>

// Receives the progress and the end of a background download.
class DownloadProgress
{
public:
    // Both cut to 32 bits; total is -1 when the reply does not state it.
    virtual void progress(int received, int total) = 0;
    // fileName is empty when the download failed.
    virtual void finished(DownloadManager::DLTypeEnum type, QString version, QString fileName) = 0;

protected:
    ~DownloadProgress() = default;
};
