#pragma once

// Shared set-up of the tests that drive the real main window: an OpenGL
// compatibility context, Qt's own file dialogs (which a test can fill in),
// the start wizard answered in the settings, and helpers that answer the
// modal boxes and dialogs the window opens.

#include "app/glprobe.h"
#include "app/mainwindow.h"
#include "base/logfile.h"
#include "base/veksettings.h"
#include "relief/relief.h"
#include "ui/centralpanel.h"
#include "ui/ribbon.h"
#include "views/sculptwin.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>
#include <memory>

#define MORVANE_WINDOW_TEST_MAIN(TestClass)                                                        \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        GLProbe::setDefaultFormat();                                                               \
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);                         \
        QApplication app(argc, argv);                                                              \
        VekSettings().setValue(QStringLiteral("/startwizard/startup"), false);                     \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

// What the modal boxes opened during a test showed.
struct BoxRecord
{
    QString title;
    QString text;
};

// Answers every modal widget that opens while it lives: a message box by the
// next planned button (or its default), a file dialog with the next planned
// file name (or Cancel when none is left). Runs from a timer, as the boxes
// block the test inside their own event loop.
class ModalAnswerer : public QObject
{
public:
    ModalAnswerer()
    {
        connect(&timer, &QTimer::timeout, this, [this] { answer(); });
        timer.start(20);
    }

    QList<QMessageBox::StandardButton> buttons;
    QStringList fileNames;
    QList<BoxRecord> boxes;
    int fileDialogs = 0;
    // Progress dialogs are left running unless this is set.
    bool cancelProgress = false;
    int cancelledProgress = 0;
    QString cancelledLabel;

private:
    void answer()
    {
        // A progress dialog shows itself only after a while; it takes a
        // cancel before that too.
        if (cancelProgress) {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* progress = qobject_cast<QProgressDialog*>(top);
                if (progress && !progress->wasCanceled()) {
                    ++cancelledProgress;
                    cancelledLabel = progress->labelText();
                    progress->cancel();
                }
            }
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes.append({box->windowTitle(), box->text()});
            QAbstractButton* button = nullptr;
            if (!buttons.isEmpty())
                button = box->button(buttons.takeFirst());
            if (!button)
                button = box->defaultButton() ? static_cast<QAbstractButton*>(box->defaultButton())
                                              : box->buttons().value(0);
            if (button)
                button->click();
            else
                box->reject();
            return;
        }
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            ++fileDialogs;
            if (fileNames.isEmpty()) {
                dialog->reject();
                return;
            }
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            const QString name = fileNames.takeFirst();
            if (edit) {
                edit->setText(name);
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            } else {
                dialog->reject();
            }
            return;
        }
        if (qobject_cast<QProgressDialog*>(modal))
            return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
    }

    QTimer timer;
};

inline QPushButton* buttonWithText(QWidget* parent, const QString& text)
{
    for (QPushButton* b : parent->findChildren<QPushButton*>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

// A fresh main window, shown and painted once.
inline std::unique_ptr<MainWindow> openWindow(bool sized = true)
{
    auto window = std::make_unique<MainWindow>();
    if (sized)
        window->resize(1200, 800);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("main window not exposed");
    window->sculptWin()->grabFramebuffer();
    QTest::qWait(10);
    return window;
}

// A picture of the given size filled by the function of (x, y).
inline bool writePicture(const QString& path, int w, int h, const std::function<QRgb(int, int)>& pixel)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, pixel(x, y));
    return image.save(path);
}

// A round hill in the middle of the picture.
inline QRgb hillPixel(int x, int y, int size)
{
    const double dx = x - size / 2.0;
    const double dy = y - size / 2.0;
    const double r = std::sqrt(dx * dx + dy * dy) / (size / 2.0);
    const int v = r >= 1.0 ? 0 : int(255 * (1.0 - r * r));
    return qRgb(v, v, v);
}

inline void sendMouse(QWidget* view, QEvent::Type type, QPoint p, Qt::MouseButton button,
                      Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(p), view->mapToGlobal(p), button, held, Qt::NoModifier);
    QApplication::sendEvent(view, &event);
}

// A left-button drag across the view's middle, painting between steps so the
// view reads the surface under the pointer.
inline void strokeAcross(SculptWin* view)
{
    view->grabFramebuffer();
    view->readDepthBuffer();
    const QPoint from(view->width() / 2 - 40, view->height() / 2);
    sendMouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= 8; ++i) {
        sendMouse(view, QEvent::MouseMove, from + QPoint(10 * i, 0), Qt::NoButton, Qt::LeftButton);
        view->grabFramebuffer();
    }
    sendMouse(view, QEvent::MouseButtonRelease, from + QPoint(80, 0), Qt::LeftButton, Qt::NoButton);
}

inline std::vector<float> heightsOf(const Relief* relief)
{
    return relief ? std::vector<float>(relief->heights(), relief->heights() + relief->cellCount())
                  : std::vector<float>();
}

inline QStringList shownTabs(Ribbon* ribbon)
{
    QStringList tabs;
    for (int i = 0; i < ribbon->count(); ++i)
        tabs << ribbon->tabText(i);
    return tabs;
}

// Everything this process has logged so far.
inline QString loggedText()
{
    LogFile::flush();
    QFile file(LogFile::filePath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
