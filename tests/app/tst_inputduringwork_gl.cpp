// Keys and clicks that the user sends through the window system while long
// work runs with events let through: they reach only the work's dialog, so
// they cannot change or free what the work is still using.
#include "windowtest.h"
#include "slowpipe.h"

#include "app/ribbontabs.h"
#include "relief/sculptundo.h"

#include <QDir>
#include <QFileInfo>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QWindow>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QProgressDialog* progressDialog()
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(top))
            return dialog;
    }
    return nullptr;
}

bool fileDialogShown()
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (qobject_cast<QFileDialog*>(top) && top->isVisible())
            return true;
    }
    return false;
}

// Through the window system's layer of Qt, where modal windows block others.
void typeKey(MainWindow& window, Qt::Key key, Qt::KeyboardModifiers mods)
{
    QTest::keyClick(window.windowHandle(), key, mods);
}

void dragOver(MainWindow& window, QWidget* view)
{
    QWindow* handle = window.windowHandle();
    const QPoint from = view->mapTo(&window, view->rect().center() - QPoint(30, 0));
    QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, from);
    for (int i = 1; i <= 6; ++i)
        QTest::mouseMove(handle, from + QPoint(10 * i, 0));
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, from + QPoint(60, 0));
}

} // namespace

class TestInputDuringWork : public QObject
{
    Q_OBJECT

private slots:
    void inputDuringExportLeavesFileAndReliefAsTheyWere_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<bool>("stl");
        QTest::addColumn<QString>("input");
        QTest::newRow("high stl, undo") << 0 << true << "undo";
        QTest::newRow("high obj, drag over the 3-D view") << 0 << false << "drag";
        QTest::newRow("high stl, open another file") << 0 << true << "open";
        QTest::newRow("low stl, undo") << 2 << true << "undo";
        QTest::newRow("low obj, open another file") << 2 << false << "open";
        QTest::newRow("medium obj, drag over the 3-D view") << 1 << false << "drag";
    }

    void inputDuringExportLeavesFileAndReliefAsTheyWere()
    {
        QFETCH(int, quality);
        QFETCH(bool, stl);
        QFETCH(QString, input);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("clean")) && QDir(dir.path()).mkdir(QStringLiteral("probe")));
        const QString png = dir.filePath(QStringLiteral("noise.png"));
        QVERIFY(writePicture(png, 256, 256, [](int x, int y) {
            const int v = int(((unsigned(x / 4) * 2654435761u) ^ (unsigned(y / 4) * 40503u)) % 256u);
            return qRgb(v, v, v);
        }));
        const QString other = dir.filePath(QStringLiteral("other.png"));
        QVERIFY(writePicture(other, 32, 32, [](int, int) { return qRgb(90, 90, 90); }));

        auto window = openWindow();
        window->load(png, true);
        buttonWithText(window->panel(), QStringLiteral("Accept"))->click();
        QKeyEvent deposit(QEvent::KeyPress, Qt::Key_3, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &deposit);
        strokeAcross(window->sculptWin());
        window->ribbonWidget()->page(tabExport)->findChildren<QRadioButton*>().value(quality)->click();

        Relief* model = window->currentModel();
        const std::vector<float> heights = heightsOf(model);
        SculptUndo* undo = window->panel()->undoStack();
        const int undoCount = undo->count();
        const int undoIndex = undo->index();
        QVERIFY(undoIndex > 0);
        const QString title = window->windowTitle();
        const QString name = stl ? QStringLiteral("out.stl") : QStringLiteral("out.obj");
        const auto exportTo = [&](const QString& folder) {
            if (stl)
                window->exportStlFile();
            else
                window->exportObjFile();
            return readAll(dir.filePath(folder + QLatin1Char('/') + name));
        };

        ModalAnswerer answerer;
        answerer.fileNames << dir.filePath(QStringLiteral("clean/") + name);
        const QByteArray clean = exportTo(QStringLiteral("clean"));
        QVERIFY(clean.size() > 1000);
        QCOMPARE(answerer.fileDialogs, 1);

        // The input goes in at the first events let through once the
        // export's own file dialog is gone.
        answerer.fileNames << dir.filePath(QStringLiteral("probe/") + name) << other;
        answerer.buttons << QMessageBox::Discard;
        bool sent = false;
        QTimer inject;
        connect(&inject, &QTimer::timeout, [&] {
            if (sent || !progressDialog() || fileDialogShown())
                return;
            sent = true;
            if (input == QLatin1String("undo"))
                typeKey(*window, Qt::Key_Z, Qt::ControlModifier);
            else if (input == QLatin1String("open"))
                typeKey(*window, Qt::Key_O, Qt::ControlModifier);
            else
                dragOver(*window, window->sculptWin());
        });
        inject.start(0);
        const QByteArray probed = exportTo(QStringLiteral("probe"));
        inject.stop();
        QVERIFY(sent);

        QVERIFY(probed == clean);
        QCOMPARE(answerer.fileDialogs, 2);
        QVERIFY(answerer.boxes.isEmpty());
        QCOMPARE(window->currentModel(), model);
        QVERIFY(heightsOf(window->currentModel()) == heights);
        QCOMPARE(undo->count(), undoCount);
        QCOMPARE(undo->index(), undoIndex);
        QCOMPARE(window->windowTitle(), title);
    }

    // The file is a pipe that a thread of the test feeds slowly: the read
    // goes on after its Cancel until the reader sees the cancel.
    void inputAfterCancellingAMeshReadReachesNothing()
    {
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("hill.png"));
        QVERIFY(writePicture(png, 32, 32, [](int x, int y) { return hillPixel(x, y, 32); }));
        auto window = openWindow();
        window->load(png, true);
        buttonWithText(window->panel(), QStringLiteral("Accept"))->click();
        Relief* kept = window->currentModel();
        const std::vector<float> heights = heightsOf(kept);
        const QString title = window->windowTitle();

        const QString path = dir.filePath(QStringLiteral("slow.obj"));
        SlowPipe pipe(path, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\n", 300);
        QVERIFY(pipe.ok());

        // Cancel, then at once Ctrl+O and a drag over the 3-D view, while
        // the read is still going.
        ModalAnswerer answerer;
        bool sent = false;
        QTimer inject;
        connect(&inject, &QTimer::timeout, [&] {
            QProgressDialog* dialog = progressDialog();
            if (sent || !dialog || !dialog->isVisible())
                return;
            sent = true;
            dialog->cancel();
            typeKey(*window, Qt::Key_O, Qt::ControlModifier);
            dragOver(*window, window->sculptWin());
        });
        inject.start(0);
        window->load(path, false);
        inject.stop();
        pipe.stop();

        QVERIFY(sent);
        QCOMPARE(answerer.fileDialogs, 0);
        QVERIFY(answerer.boxes.isEmpty());
        QVERIFY(!window->currentMesh());
        QCOMPARE(window->currentModel(), kept);
        QVERIFY(heightsOf(kept) == heights);
        QCOMPARE(window->windowTitle(), title);
    }
};

MORVANE_WINDOW_TEST_MAIN(TestInputDuringWork)
#include "tst_inputduringwork_gl.moc"
