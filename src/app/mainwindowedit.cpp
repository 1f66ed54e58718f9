#include "app/mainwindow.h"

#include "relief/relief.h"
#include "ui/centralpanel.h"
#include "views/flatwin.h"

#include <QLineEdit>
#include <QtMath>

void MainWindow::sampleChanged(double sample)
{
    sampleEdit->setText(qAbs(sample) >= 1000.0 ? QString::number(sample, 'e', 3) : QString::number(sample, 'f', 1));
}

void MainWindow::sampleEdited()
{
    if (!model)
        return;
    bool ok = false;
    const double value = sampleEdit->text().toDouble(&ok);
    if (ok && value >= 0.0)
        model->setBaseLevel(value);
    else
        sampleChanged(model->baseLevel());
}

void MainWindow::applyCrop()
{
    if (!model)
        return;
    const Tool* tool = flatWin()->currentTool();
    if (!tool || tool->type != Tool::Crop)
        return;
    model->crop(centralPanel->undoStack());
    flatWin()->update();
}
