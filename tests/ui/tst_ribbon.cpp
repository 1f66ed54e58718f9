#include "ui/ribbon.h"

#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

QStringList tabOrder(const Ribbon& ribbon)
{
    QStringList order;
    for (int i = 0; i < ribbon.count(); ++i)
        order << ribbon.tabText(i);
    return order;
}

void addThreePages(Ribbon& ribbon)
{
    for (const char* name : {"One", "Two", "Three"})
        ribbon.addTab(name);
}

} // namespace

class TestRibbon : public QObject
{
    Q_OBJECT

private slots:
    void showAndHideKeepOrderOfAddition_data()
    {
        // Steps: "-Name" hides the page, "+Name" shows it.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QString>("current");
        const QStringList all{"One", "Two", "Three"};
        QTest::newRow("hide middle") << QStringList{"-Two", "-Two"} << QStringList{"One", "Three"} << QString();
        QTest::newRow("first page returns to the front") << QStringList{"-One", "-Three", "+Three", "+One"} << all
                                                         << "One";
        QTest::newRow("last two back in reverse order") << QStringList{"-Two", "-Three", "+Three", "+Two"} << all
                                                        << "Two";
        QTest::newRow("all hidden then shown in any order")
            << QStringList{"-One", "-Two", "-Three", "+Two", "+Three", "+One"} << all << "One";
        QTest::newRow("showing a shown page only selects it") << QStringList{"+Two"} << all << "Two";
    }

    void showAndHideKeepOrderOfAddition()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, order);
        QFETCH(QString, current);
        Ribbon ribbon;
        addThreePages(ribbon);
        for (const QString& step : steps)
            ribbon.showTab(step.mid(1), step.startsWith('+'));
        QCOMPARE(tabOrder(ribbon), order);
        if (!current.isEmpty())
            QCOMPARE(ribbon.currentWidget(), ribbon.page(current));
    }

    void misuseWarnsAndChangesNothing_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("warning");
        QTest::newRow("add existing") << "addTab" << "One" << "tab One already exists";
        QTest::newRow("select unknown") << "setCurrentTab" << "Four" << "tab Four does not exist";
        QTest::newRow("select hidden") << "setCurrentTab" << "Two" << "tab Two is hidden";
        QTest::newRow("enable unknown") << "setTabEnabled" << "Four" << "tab Four does not exist";
        QTest::newRow("show unknown") << "showTab" << "Four" << "showTab: tab Four not found";
    }

    void misuseWarnsAndChangesNothing()
    {
        QFETCH(QString, operation);
        QFETCH(QString, name);
        QFETCH(QString, warning);
        Ribbon ribbon;
        addThreePages(ribbon);
        ribbon.showTab("Two", false);
        ribbon.setCurrentTab("Three");
        QWidget* firstOne = ribbon.page("One");
        QTest::ignoreMessage(QtWarningMsg, warning.toLatin1().constData());
        if (operation == "addTab")
            ribbon.addTab(name);
        else if (operation == "setCurrentTab")
            ribbon.setCurrentTab(name);
        else if (operation == "setTabEnabled")
            ribbon.setTabEnabled(name, false);
        else
            ribbon.showTab(name, true);
        QCOMPARE(tabOrder(ribbon), (QStringList{"One", "Three"}));
        QCOMPARE(ribbon.currentWidget(), ribbon.page("Three"));
        QCOMPARE(ribbon.page("One"), firstOne);
        // A refused page takes no place in the order.
        ribbon.addTab("Four");
        ribbon.showTab("Two", true);
        QCOMPARE(tabOrder(ribbon), (QStringList{"One", "Two", "Three", "Four"}));
    }

    void groupHoldsContentAboveCaptionAndOnlyCurrentPageShows()
    {
        // Pages are filled before the window shows; no other page may end up
        // drawn over the current one.
        Ribbon ribbon;
        addThreePages(ribbon);
        auto* tools = new QPushButton("a");
        ribbon.addGroup("Two", "Tools", tools);
        for (const char* name : {"One", "Three"})
            ribbon.addGroup(name, "Group", new QPushButton(name));
        QLayout* layout = tools->parentWidget()->layout();
        QCOMPARE(layout->itemAt(0)->widget(), tools);
        auto* caption = qobject_cast<QLabel*>(layout->itemAt(layout->count() - 1)->widget());
        QVERIFY(caption);
        QCOMPARE(caption->text(), QString("Tools"));
        QPushButton orphan("c");
        ribbon.addGroup("Four", "Nowhere", &orphan);
        QVERIFY(!orphan.parentWidget());

        ribbon.resize(400, 120);
        ribbon.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ribbon));
        QVERIFY(ribbon.page("One")->isVisible());
        QVERIFY(!ribbon.page("Two")->isVisible() && !ribbon.page("Three")->isVisible());
        ribbon.addGroup("Three", "Late", new QPushButton("late"));
        QVERIFY(!ribbon.page("Three")->isVisible());
        ribbon.setCurrentTab("Three");
        QVERIFY(ribbon.page("Three")->isVisible() && !ribbon.page("One")->isVisible());
    }

    void destructionDeletesHiddenPagesOnce()
    {
        auto* ribbon = new Ribbon;
        addThreePages(*ribbon);
        QPointer<QPushButton> inside = new QPushButton("inside");
        ribbon->addGroup("Two", "Group", inside);
        ribbon->showTab("Two", false);
        ribbon->showTab("Three", false);
        QPointer<QWidget> one = ribbon->page("One");
        int destroyed = 0;
        for (QWidget* page : {ribbon->page("Two"), ribbon->page("Three")})
            connect(page, &QObject::destroyed, [&destroyed] { ++destroyed; });
        delete ribbon;
        QVERIFY(one.isNull() && inside.isNull());
        QCOMPARE(destroyed, 2);
    }
};

QTEST_MAIN(TestRibbon)
#include "tst_ribbon.moc"
