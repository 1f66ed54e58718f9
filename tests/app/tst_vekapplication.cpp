#include "app/logfile.h"
#include "app/mainwindow.h"
#include "app/vekapplication.h"

#include "isolatedhome.h"
#include "logtext.h"

#include <QFileOpenEvent>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

namespace {

const QEvent::Type throwEvent = QEvent::Type(QEvent::User + 1);

// Stands for any part of the program that throws a fatal error from an
// event handler, as a shader that fails to compile does.
class Thrower : public QObject
{
public:
    const char* text = "shader failed";

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == throwEvent)
            throw text;
        return QObject::event(event);
    }
};

int visibleMessageBoxes()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(widget) && widget->isVisible())
            ++count;
    }
    return count;
}

QString messageBoxText()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    return box ? box->windowTitle() + QLatin1Char('/') + box->text() : QString();
}

void closeMessageBox()
{
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        box->done(QMessageBox::Ok);
}

} // namespace

class TestVekApplication : public QObject
{
    Q_OBJECT

private slots:
    void fileOpenEventLoadsIntoTheMainWindow()
    {
        auto* app = static_cast<VekApplication*>(QCoreApplication::instance());
        QFileOpenEvent open(QStringLiteral("/nowhere/notes.txt"));
        QVERIFY(!app->event(&open));

        MainWindow window;
        app->mainWindow = &window;
        QVERIFY(QCoreApplication::sendEvent(app, &open));
        app->mainWindow = nullptr;
        LogFile::flush();
        QCOMPARE(fileLines(LogFile::filePath()).last(), QStringLiteral("Warning: Unknown file type/nowhere/notes.txt"));
    }

    // Must run last: a fatal error closes the log for the rest of the run.
    void secondThrowWhileTheBoxIsUpOnlyLogs()
    {
        auto* app = static_cast<VekApplication*>(QCoreApplication::instance());
        QWidget window;
        window.show();
        Thrower first;
        Thrower second;
        second.text = "second failure";

        QString shown;
        int boxesDuringSecond = -1;
        bool secondResult = true;
        QTimer::singleShot(50, [&] {
            shown = messageBoxText();
            QEvent again(throwEvent);
            secondResult = QCoreApplication::sendEvent(&second, &again);
            boxesDuringSecond = visibleMessageBoxes();
            closeMessageBox();
        });
        // A second box would block the test: close whatever is left so that
        // the comparisons below fail instead.
        QTimer sweeper;
        connect(&sweeper, &QTimer::timeout, closeMessageBox);
        sweeper.start(2000);

        QVERIFY(!app->fatalErrorCaught());
        QEvent boom(throwEvent);
        QVERIFY(!QCoreApplication::sendEvent(&first, &boom));

        QCOMPARE(shown, QStringLiteral("Fatal Error/shader failed"));
        QVERIFY(!secondResult);
        QCOMPARE(boxesDuringSecond, 1);
        QVERIFY(app->fatalErrorCaught());
        QVERIFY(!window.isVisible());
        const QStringList lines = fileLines(LogFile::filePath());
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines.at(lines.size() - 3), QStringLiteral("Critical: shader failed"));
        QCOMPARE(lines.at(lines.size() - 2), QStringLiteral("Critical: second failure"));
        QVERIFY(lines.last().startsWith(QStringLiteral("Closing Morvane 2 log: ")));
    }
};

int main(int argc, char** argv)
{
    IsolatedHome home;
    VekApplication app(argc, argv);
    TestVekApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_vekapplication.moc"
