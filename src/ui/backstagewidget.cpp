#include "ui/backstagewidget.h"

#include "ui/aboutpage.h"
#include "ui/recentfileswidget.h"

#include <QCursor>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QPoint>
#include <QPushButton>
#include <QRect>
#include <QVBoxLayout>

BackStageWidget::BackStageWidget(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(QStringLiteral("background-color: #CBE0FF"));
    auto* outer = new QHBoxLayout;
    outer->setContentsMargins(5, 5, 5, 10);

    auto* column = new QGroupBox(this);
    column->setStyleSheet(QStringLiteral("background-color: white"));
    auto* columnLayout = new QVBoxLayout;
    columnLayout->setContentsMargins(3, 3, 3, 3);
    columnLayout->setSpacing(5);
    QPushButton* load = makeButton(QStringLiteral(":/morvane2/Load Button"), tr("Load"));
    QPushButton* save = makeButton(QStringLiteral(":/morvane2/Save File Button"), tr("Save"));
    QPushButton* saveAs = makeButton(QStringLiteral(":/morvane2/Save As Button"), tr("Save As"));
    QPushButton* about = makeButton(QStringLiteral(":/morvane2/About Button"), tr("About"));
    QPushButton* exit = makeButton(QStringLiteral(":/morvane2/Exit Button"), tr("Exit"));
    for (QPushButton* b : {load, save, saveAs, about, exit})
        columnLayout->addWidget(b);
    column->setLayout(columnLayout);
    outer->addWidget(column);

    auto* pages = new QGroupBox(this);
    pages->setStyleSheet(QStringLiteral("background-color: #ECEDF1"));
    pages->setContentsMargins(0, 0, 0, 0);
    auto* pageLayout = new QVBoxLayout;
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    recentPage = new RecentFilesWidget(pages);
    aboutPageWidget = new AboutPage(pages);
    aboutPageWidget->hide();
    pageLayout->addWidget(recentPage);
    pageLayout->addWidget(aboutPageWidget);
    pages->setLayout(pageLayout);
    outer->addWidget(pages);
    setLayout(outer);

    connect(load, &QPushButton::clicked, this, &BackStageWidget::loadClicked);
    connect(save, &QPushButton::clicked, this, &BackStageWidget::saveClicked);
    connect(saveAs, &QPushButton::clicked, this, &BackStageWidget::saveAsClicked);
    connect(about, &QPushButton::clicked, this, &BackStageWidget::showAbout);
    connect(exit, &QPushButton::clicked, this, &BackStageWidget::exitClicked);
}

BackStageWidget::~BackStageWidget() = default;

QPushButton* BackStageWidget::makeButton(const QString& icon, const QString& toolTip)
{
    auto* b = new QPushButton(this);
    b->setMaximumSize(120, 34);
    b->setIconSize(QSize(120, 34));
    b->setStyleSheet(QStringLiteral("border: none"));
    b->setIcon(QIcon(icon));
    b->setToolTip(toolTip);
    return b;
}

QPoint BackStageWidget::popUpOffset()
{
    return QPoint(-26, 24);
}

void BackStageWidget::popUp(const QPoint& globalPointer)
{
    recentPage->updateRecentFileList();
    move(globalPointer + popUpOffset());
    showRecent();
    show();
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void BackStageWidget::toggle(const QPoint& globalPointer)
{
    if (isHidden())
        popUp(globalPointer);
    else
        hide();
}

void BackStageWidget::showRecent()
{
    aboutPageWidget->hide();
    recentPage->show();
    setFocus(Qt::OtherFocusReason);
}

void BackStageWidget::showAbout()
{
    recentPage->hide();
    aboutPageWidget->show();
    setFocus(Qt::OtherFocusReason);
}

void BackStageWidget::focusOutEvent(QFocusEvent*)
{
    const QPoint p = mapFromGlobal(QCursor::pos());
    // Edges included: a pointer on the border still counts as inside.
    if (!QRect(0, 0, width() + 1, height() + 1).contains(p))
        hide();
}
