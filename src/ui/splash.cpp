#include "ui/splash.h"

#include <QCoreApplication>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMap>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QUiLoader>
#include <QVBoxLayout>

Splash* Splash::instance = nullptr;

// Pictures compiled into a static library are linked in only when referenced.
static void initResources()
{
    Q_INIT_RESOURCE(morvane2);
}

namespace {

const QMap<int, QString> stepTexts = {
    {0, QStringLiteral("Creating main window")},
};

} // namespace

Splash::Splash()
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    initResources();
    setAccessibleName(QStringLiteral("Morvane 2 Starting..."));

    const QPixmap picture(QStringLiteral(":/morvane2/Morvane_2_Splash"));
    const int w = picture.width();
    const int h = picture.height();

    QFrame* frame = new QFrame(this);
    frame->setGeometry(0, 0, w, h);
    frame->setStyleSheet(QStringLiteral(
        "QFrame[accessibleName='frame'] { margin: 0px; border-image: url(:/morvane2/Morvane_2_Splash) }"));
    frame->setAccessibleName(QStringLiteral("frame"));

    QPushButton* closeButton = new QPushButton(frame);
    closeButton->setObjectName(QStringLiteral("ClosePushButton"));
    closeButton->setFixedSize(30, 30);
    closeButton->setIcon(QIcon(QStringLiteral(":/morvane2/Close_Window_Icon")));
    closeButton->setStyleSheet(QStringLiteral(
        "QPushButton { border: none; color: white; font-family: Helvetica; font-size: 24px; }"));

    QFile formFile(QStringLiteral(":/splashwidget"));
    if (formFile.open(QFile::ReadOnly)) {
        QUiLoader loader;
        form = loader.load(&formFile, frame);
        formFile.close();
    }
    stackedWidget = findChild<QStackedWidget*>(QStringLiteral("SplashStackedWidget"));
    loadingLabel = findChild<QLabel*>(QStringLiteral("LoadingLabel"));
    loadingBar = findChild<QProgressBar*>(QStringLiteral("LoadingProgressBar"));
    if (loadingBar)
        loadingBar->setRange(0, 100);

    QVBoxLayout* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(closeButton, 0, Qt::AlignRight | Qt::AlignTop);
    if (form)
        frameLayout->addWidget(form, 0, Qt::AlignHCenter | Qt::AlignBottom);
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame);

    connect(closeButton, SIGNAL(clicked()), this, SLOT(on_ClosePushButton_clicked()));

    QRect desktop;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        desktop = screen->virtualGeometry();
    setGeometry(centredGeometry(desktop, QSize(w, h)));

    instance = this;
}

Splash::~Splash()
{
    if (instance == this)
        instance = nullptr;
}

QRect Splash::centredGeometry(const QRect& desktop, const QSize& size)
{
    int width = desktop.width();
    const int height = desktop.height();
    if (height > 0 && static_cast<double>(width) / height > 8.0 / 3.0)
        width /= 2;
    return QRect((width - size.width()) / 2, (height - size.height()) / 2, size.width(), size.height());
}

void Splash::showLoadingPage()
{
    if (stackedWidget) {
        if (QWidget* page = stackedWidget->findChild<QWidget*>(QStringLiteral("LoadingPage")))
            stackedWidget->setCurrentWidget(page);
    }
    show();
}

void Splash::setProgress(const QString& text, int percent)
{
    if (loadingLabel)
        loadingLabel->setText(text);
    if (loadingBar)
        loadingBar->setValue(percent);
    // Start-up work runs outside the event loop: let the window repaint.
    QCoreApplication::processEvents();
}

void Splash::on_ClosePushButton_clicked()
{
    hide();
}

void showSplashProgress(int step, unsigned char percent)
{
    if (!Splash::instance)
        return;
    Splash::instance->setProgress(stepTexts.value(step, QStringLiteral("Loading...")), percent);
}
