#include "views/progressdialogmonitor.h"

#include <QCoreApplication>
#include <QProgressDialog>

ProgressDialogMonitor::ProgressDialogMonitor()
    : dialog(std::make_unique<QProgressDialog>(nullptr, Qt::WindowStaysOnTopHint))
{
    dialog->setWindowModality(Qt::ApplicationModal);
}

ProgressDialogMonitor::ProgressDialogMonitor(const QString& label)
    : ProgressDialogMonitor()
{
    dialog->setLabelText(label);
}

ProgressDialogMonitor::~ProgressDialogMonitor() = default;

void ProgressDialogMonitor::setMaximum(int maximum)
{
    dialog->setMaximum(maximum);
}

void ProgressDialogMonitor::setValue(int value)
{
    dialog->setValue(value);
}

int ProgressDialogMonitor::value() const
{
    return dialog->value();
}

void ProgressDialogMonitor::setAutoClose(bool close)
{
    dialog->setAutoClose(close);
}

void ProgressDialogMonitor::show()
{
    dialog->show();
}

void ProgressDialogMonitor::processEvents()
{
    QCoreApplication::processEvents();
}

bool ProgressDialogMonitor::wasCanceled() const
{
    return dialog->wasCanceled();
}
