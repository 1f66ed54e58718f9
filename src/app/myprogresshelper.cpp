#include "app/myprogresshelper.h"

#include <QProgressDialog>
#include <QWidget>

MyProgressHelper::MyProgressHelper(const QString& label, QWidget* parent, const QString& slot)
    : mainWindow(parent)
{
    Q_UNUSED(slot)
    progressDialog = new QProgressDialog(mainWindow);
    progressDialog->setCancelButton(nullptr);
    progressDialog->setLabelText(label);
}

MyProgressHelper::~MyProgressHelper() = default;

void MyProgressHelper::progress(int received, int total)
{
    if (!progressDialog)
        return;
    // A reply that does not state its size gets a busy indicator.
    if (total <= 0) {
        progressDialog->setRange(0, 0);
        progressDialog->setValue(0);
        return;
    }
    progressDialog->setRange(0, total);
    progressDialog->setValue(received);
}

void MyProgressHelper::finished(DownloadManager::DLTypeEnum type, QString version, QString fileName)
{
    Q_UNUSED(type)
    Q_UNUSED(version)
    // A failed or small download never reaches the dialog's maximum, which
    // would close it by itself.
    if (progressDialog) {
        progressDialog->close();
        progressDialog->deleteLater();
    }
    emit finish(fileName);
    deleteLater();
}
