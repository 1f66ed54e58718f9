#pragma once

#include "ui/vekvalidator.h"

#include <QWidget>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

// The frameless start-up window: the splash picture, a close button and a
// loading page (text and progress bar) built from the form ":/splashwidget".
class Splash : public QWidget, public VEKValidatorHelper
{
    Q_OBJECT

public:
    Splash();
    ~Splash() override;

    // The one splash window while it exists, else null.
    static Splash* instance;

    void showLoadingPage();

    // Where a window of the given size sits centred on the desktop; on a
    // desktop wider than 8:3 (two screens side by side) on its left half.
    static QRect centredGeometry(const QRect& desktop, const QSize& size);

public slots:
    void setProgress(const QString& text, int percent);
    void on_ClosePushButton_clicked();

private:
    QWidget* form = nullptr;
    QStackedWidget* stackedWidget = nullptr;
    QLabel* loadingLabel = nullptr;
    QProgressBar* loadingBar = nullptr;
};

// Shows the text of a start-up step and a percentage on the splash, if any.
void showSplashProgress(int step, unsigned char percent);
