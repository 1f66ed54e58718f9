#pragma once

#include <QObject>

class QEvent;
class QWidget;
class QWindow;

// While long work lets events through, the user's keys, clicks, drops and
// window closes reach only modal windows (the work's own dialog and the
// boxes it raises) and are dropped elsewhere: a window that is not modal may
// change or free what the work is using. Unlike Qt's own modality this holds
// whether or not the work's dialog is shown, and after a cancel hid it.
class InputGuard : public QObject
{
public:
    InputGuard();
    ~InputGuard() override;

    InputGuard(const InputGuard&) = delete;
    InputGuard& operator=(const InputGuard&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
