#pragma once

#include "net/downloadprogress.h"

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

class QWidget;

// The progress dialog of an installer download. It cannot be cancelled,
// closes when the download ends however it ends, and then deletes its
// helper; finish carries the stored file name, empty on failure.
class MyProgressHelper : public QObject, public DownloadProgress
{
    Q_OBJECT

public:
    // slot is the text of the slot that takes the file name; the finish
    // signal is connected to it by the caller.
    MyProgressHelper(const QString& label, QWidget* parent, const QString& slot);
    ~MyProgressHelper() override;

    void progress(int received, int total) override;
    void finished(DownloadManager::DLTypeEnum type, QString version, QString fileName) override;

    QProgressDialog* dialog() const { return progressDialog; }

signals:
    void finish(QString fileName);

private:
    QWidget* mainWindow;
    QPointer<QProgressDialog> progressDialog;
};
