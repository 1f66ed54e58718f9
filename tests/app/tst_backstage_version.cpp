// The about page inside the program's own application object shows the
// build's full version.
#include "common/isolatedhome.h"

#include "app/vekapplication.h"
#include "ui/aboutpage.h"

#include <QtTest>

class TestBackStageVersion : public QObject
{
    Q_OBJECT

private slots:
    void aboutPageShowsBuildVersion()
    {
        AboutPage page;
        QCOMPARE(page.versionText(), QStringLiteral("2.000.00202"));
    }
};

int main(int argc, char** argv)
{
    IsolatedHome home;
    VekApplication app(argc, argv);
    TestBackStageVersion test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_backstage_version.moc"
