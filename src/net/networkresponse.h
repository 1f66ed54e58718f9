#pragma once

#include <QString>
#include <QUrl>
#include <QVariantMap>

// Receives the progress and the decoded reply of an asynchronous call of the
// network client. The client does not own it.
class NetworkResponse
{
public:
    // reply is empty when the call failed, timed out or was aborted.
    virtual void netFinished(QUrl url, QVariantMap reply) = 0;
    // total is -1 when the reply does not state its size.
    virtual void netProgress(QUrl url, qint64 received, qint64 total) = 0;
    // Sent before netFinished for a call that failed, with the error's name.
    virtual void netError(QUrl url, QString errorName) = 0;

protected:
    ~NetworkResponse() = default;
};
