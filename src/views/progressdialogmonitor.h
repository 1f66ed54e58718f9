#pragma once

#include "relief/progressmonitor.h"
#include "views/inputguard.h"

#include <memory>

class QProgressDialog;
class QString;

// Shows the model's progress in a progress dialog without parent that stays
// on top and blocks the application, with a Cancel button. For as long as it
// lives the user's input reaches only modal windows, its dialog among them,
// even before the dialog shows and after a cancel has hidden it.
class ProgressDialogMonitor : public ProgressMonitor
{
public:
    ProgressDialogMonitor();
    explicit ProgressDialogMonitor(const QString& label);
    ~ProgressDialogMonitor() override;

    void setMaximum(int maximum) override;
    void setValue(int value) override;
    int value() const override;
    void setAutoClose(bool close) override;
    void show() override;
    void processEvents() override;
    bool wasCanceled() const override;

private:
    InputGuard guard;
    std::unique_ptr<QProgressDialog> dialog;
};
