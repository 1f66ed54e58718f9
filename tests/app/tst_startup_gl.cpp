#include "app/glprobe.h"

#include "common/isolatedhome.h"
#include "files/workspacefile.h"
#include "relief/relief.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLibrary>
#include <QProcess>
#include <QtTest>

#include <sys/resource.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/sanitizer.h"

namespace {

// libxcb is opened at run time, so that the test needs no extra link.
QFunctionPointer xcbSymbol(const char* name)
{
    static QLibrary library(QStringLiteral("xcb"), 1);
    return library.resolve(name);
}

#define XCB(name) reinterpret_cast<decltype(&name)>(xcbSymbol(#name))

// Replies of the X server are the caller's to free.
template <typename Reply>
std::unique_ptr<Reply, void (*)(void*)> owned(Reply* reply)
{
    return {reply, std::free};
}

// Asks another process's window on the X display to close, the way a window
// manager does when the user clicks its close button.
class WindowCloser
{
public:
    WindowCloser() : connection(xcbSymbol("xcb_connect") ? XCB(xcb_connect)(nullptr, nullptr) : nullptr) {}
    ~WindowCloser()
    {
        if (connection)
            XCB(xcb_disconnect)(connection);
    }

    bool isReady() const { return connection && !XCB(xcb_connection_has_error)(connection); }

    // The mapped top-level window of process pid with this title, or 0.
    xcb_window_t find(qint64 pid, const QString& title)
    {
        const xcb_window_t root = XCB(xcb_setup_roots_iterator)(XCB(xcb_get_setup)(connection)).data->root;
        const auto tree = owned(XCB(xcb_query_tree_reply)(connection, XCB(xcb_query_tree)(connection, root), nullptr));
        const quint32 owner = quint32(pid);
        const QByteArray ownerValue(reinterpret_cast<const char*>(&owner), 4);
        for (int i = 0; tree && i < XCB(xcb_query_tree_children_length)(tree.get()); ++i) {
            const xcb_window_t window = XCB(xcb_query_tree_children)(tree.get())[i];
            if (property(window, "_NET_WM_PID", XCB_ATOM_CARDINAL) == ownerValue && isViewable(window)
                && property(window, "_NET_WM_NAME", XCB_ATOM_ANY) == title.toUtf8())
                return window;
        }
        return 0;
    }

    void requestClose(xcb_window_t window)
    {
        xcb_client_message_event_t message;
        std::memset(&message, 0, sizeof message);
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("WM_PROTOCOLS");
        message.data.data32[0] = atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        XCB(xcb_send_event)(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
        XCB(xcb_flush)(connection);
    }

private:
    xcb_atom_t atom(const char* name)
    {
        const auto cookie = XCB(xcb_intern_atom)(connection, 0, uint16_t(std::strlen(name)), name);
        const auto reply = owned(XCB(xcb_intern_atom_reply)(connection, cookie, nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    QByteArray property(xcb_window_t window, const char* name, xcb_atom_t type)
    {
        const auto cookie = XCB(xcb_get_property)(connection, 0, window, atom(name), type, 0, 1024);
        const auto reply = owned(XCB(xcb_get_property_reply)(connection, cookie, nullptr));
        // The length is in bytes already.
        return reply ? QByteArray(static_cast<const char*>(XCB(xcb_get_property_value)(reply.get())),
                                  XCB(xcb_get_property_value_length)(reply.get()))
                     : QByteArray();
    }

    bool isViewable(xcb_window_t window)
    {
        const auto cookie = XCB(xcb_get_window_attributes)(connection, window);
        const auto reply = owned(XCB(xcb_get_window_attributes_reply)(connection, cookie, nullptr));
        return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    xcb_connection_t* connection;
};

// A process whose address space is limited as by "ulimit -v", when a limit
// is given.
class LimitedProcess : public QProcess
{
public:
    rlim_t addressSpace = RLIM_INFINITY;

protected:
    void setupChildProcess() override
    {
        const rlimit limit{addressSpace, addressSpace};
        if (addressSpace != RLIM_INFINITY && setrlimit(RLIMIT_AS, &limit) != 0)
            _exit(127);
    }
};

// One run of the built program in a new empty home folder, which the
// program inherits through the environment. The test programs sit in
// <build>/tests, the program in <build>/src.
struct MorvaneRun
{
    bool start(const QStringList& arguments = {})
    {
        process.setProcessEnvironment(environment);
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../src/morvane2"), arguments);
        const bool started = process.waitForStarted(10000);
        pid = process.processId();
        return started;
    }

    QStringList logLines() const
    {
        return fileLines(home.dir.filePath(QStringLiteral("Morvane2/morvane2_%1.log").arg(pid, 0, 16)));
    }

    IsolatedHome home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    LimitedProcess process;
    qint64 pid = 0;
};

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void versionNumberIsReadInTheCLocale()
    {
        QCOMPARE(GLProbe::versionNumber("4.5 (Compatibility Profile) Mesa 22.3.6"), 4.5);
        QCOMPARE(GLProbe::versionNumber("2.1 Mesa 22.3.6"), 2.1);
        QCOMPARE(GLProbe::versionNumber("2,1"), 2.0);
        QCOMPARE(GLProbe::versionNumber("OpenGL ES 3.2 Mesa"), 0.0);
    }

    void withoutOpenGLItLogsAndEndsWith255()
    {
        MorvaneRun run;
        run.environment.remove(QStringLiteral("DISPLAY"));
        run.environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        run.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QVERIFY(run.start());
        QVERIFY(run.process.waitForFinished(60000));
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.process.exitCode(), 255);
        QCOMPARE(run.process.readAllStandardOutput(), QByteArray());
        const QStringList lines = run.logLines();
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.at(0).startsWith(QStringLiteral("Starting Morvane 2 log: ")));
        QCOMPARE(lines.at(1), QStringLiteral("Info: Starting Quillon Morvane 2...2.000.00202"));
        QCOMPARE(lines.at(2), QStringLiteral("Critical: glGetVersion returned null pointer, Can't continue"));
        QVERIFY(lines.at(3).startsWith(QStringLiteral("Closing Morvane 2 log: ")));
    }

    void startsInOrderShowsItsWindowAndClosesItsLog()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs the X display of xvfb-run");
        QVERIFY(closer.isReady());
        MorvaneRun run;
        QVERIFY(run.start());
        // Closed as a user would, once its window shows.
        xcb_window_t window = 0;
        const QDeadlineTimer deadline(60000);
        while (!window && !deadline.hasExpired() && run.process.state() == QProcess::Running) {
            QTest::qWait(100);
            window = closer.find(run.pid, QStringLiteral("Morvane 2"));
        }
        QVERIFY(window);
        closer.requestClose(window);
        QVERIFY(run.process.waitForFinished(60000));
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.process.exitCode(), 0);
        QCOMPARE(run.process.readAllStandardOutput(), QByteArray("2.000\n"));
        const QStringList lines = run.logLines();
        QVERIFY2(lines.size() >= 8, qPrintable(lines.join(QLatin1Char('\n'))));
        QVERIFY(lines.at(0).startsWith(QStringLiteral("Starting Morvane 2 log: ")));
        QCOMPARE(lines.at(1), QStringLiteral("Info: Starting Quillon Morvane 2...2.000.00202"));
        QVERIFY2(lines.at(2).startsWith(QStringLiteral("Info: GL Version String:: ")), qPrintable(lines.at(2)));
        QVERIFY(GLProbe::versionNumber(lines.at(2).mid(26).toLatin1()) >= 2.1);
        int at = 3;
        for (const char* step : {"Info: Scrubbing old logs", "Info: Cleaning temporary folders",
                                 "Info: About to create main window", "Info: Created main window"}) {
            while (at < lines.size() && lines.at(at) != QLatin1String(step))
                ++at;
            QVERIFY2(at < lines.size(), step);
        }
        QVERIFY2(lines.last().startsWith(QStringLiteral("Closing Morvane 2 log: ")), qPrintable(lines.last()));
        QCOMPARE(lines.filter(QStringLiteral("Closing Morvane 2 log: ")).size(), 1);
    }

    void underALowAddressSpaceLimitItStartsOrSaysWhyNot_data()
    {
        QTest::addColumn<qulonglong>("kilobytes");
        QTest::addColumn<bool>("mustStart");
        QTest::newRow("1.5 GB") << 1500000ull << true;
        QTest::newRow("1 GB") << 1000000ull << false;
        QTest::newRow("700 MB") << 700000ull << false;
        QTest::newRow("400 MB") << 400000ull << false;
    }

    // The threads of the GL driver and of Qt would each reserve a stack and
    // an allocator arena; one that then could not start left a black window
    // waiting for ever, or crashed the program.
    void underALowAddressSpaceLimitItStartsOrSaysWhyNot()
    {
#ifdef MORVANE_ASAN
        QSKIP("built with AddressSanitizer");
#endif
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs the X display of xvfb-run");
        QFETCH(qulonglong, kilobytes);
        QFETCH(bool, mustStart);
        QVERIFY(closer.isReady());
        MorvaneRun run;
        const QString workspace = run.home.dir.filePath(QStringLiteral("small.scp"));
        QVERIFY(WorkspaceFile::save(workspace, Relief(64, 48)).ok());
        run.process.addressSpace = rlim_t(kilobytes * 1024);
        QVERIFY(run.start({workspace}));
        // Shown with the workspace open, or ended.
        xcb_window_t window = 0;
        const QDeadlineTimer deadline(30000);
        while (!window && !deadline.hasExpired() && run.process.state() == QProcess::Running) {
            QTest::qWait(100);
            window = closer.find(run.pid, QStringLiteral("small.scp"));
        }
        if (window)
            closer.requestClose(window);
        QVERIFY2(run.process.waitForFinished(30000) || run.process.state() == QProcess::NotRunning,
                 "neither shown nor ended");
        const QByteArray errors = run.process.readAllStandardError();
        QVERIFY2(run.process.exitStatus() == QProcess::NormalExit, errors.constData());
        if (window) {
            QCOMPARE(run.process.exitCode(), 0);
            QCOMPARE(run.process.readAllStandardOutput(), QByteArray("2.000\n"));
        } else {
            QVERIFY(!mustStart);
            QVERIFY(run.process.exitCode() != 0);
            QVERIFY(!errors.trimmed().isEmpty());
        }
    }

private:
    // One connection for all tests: the X server resets when its last client
    // leaves, and refuses connections meanwhile.
    WindowCloser closer;
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup_gl.moc"
