#include "ui/ribbon.h"

#include <QGroupBox>
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
    void showAndHideKeepOrderOfAddition_data();
    void showAndHideKeepOrderOfAddition();
    void misuseWarnsAndChangesNothing_data();
    void misuseWarnsAndChangesNothing();
    void enablingActsOnShownPagesOnly();
    void groupHoldsContentAboveCaption();
    void onlyCurrentPageIsVisibleAfterGroupsAdded();
    void destructionDeletesHiddenPagesOnce();
};

void TestRibbon::showAndHideKeepOrderOfAddition_data()
{
    // Steps: "-Name" hides the page, "+Name" shows it.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QString>("current");

    const QStringList all{"One", "Two", "Three"};
    QTest::newRow("hide middle") << QStringList{"-Two"} << QStringList{"One", "Three"} << QString();
    QTest::newRow("hide and show middle") << QStringList{"-Two", "+Two"} << all << "Two";
    QTest::newRow("outer pages back one by one")
        << QStringList{"-One", "-Three", "+Three"} << QStringList{"Two", "Three"} << "Three";
    QTest::newRow("first page returns to the front") << QStringList{"-One", "-Three", "+Three", "+One"} << all << "One";
    QTest::newRow("last two back in reverse order") << QStringList{"-Two", "-Three", "+Three", "+Two"} << all << "Two";
    QTest::newRow("showing a shown page only selects it") << QStringList{"+Two"} << all << "Two";
    QTest::newRow("hiding a hidden page does nothing") << QStringList{"-Two", "-Two"} << QStringList{"One", "Three"}
                                                       << QString();
    QTest::newRow("all hidden then shown in any order")
        << QStringList{"-One", "-Two", "-Three", "+Two", "+Three", "+One"} << all << "One";
}

void TestRibbon::showAndHideKeepOrderOfAddition()
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

void TestRibbon::misuseWarnsAndChangesNothing_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("warning");

    QTest::newRow("add existing") << "addTab" << "One" << "tab One already exists";
    QTest::newRow("select unknown") << "setCurrentTab" << "Four" << "tab Four does not exist";
    QTest::newRow("select hidden") << "setCurrentTab" << "Two" << "tab Two is hidden";
    QTest::newRow("enable unknown") << "setTabEnabled" << "Four" << "tab Four does not exist";
    QTest::newRow("show unknown") << "showTab" << "Four" << "showTab: tab Four not found";
    QTest::newRow("names are case-sensitive") << "setCurrentTab" << "one" << "tab one does not exist";
}

void TestRibbon::misuseWarnsAndChangesNothing()
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
    QVERIFY(!ribbon.page("Four"));

    // A refused duplicate does not use up a place in the order.
    ribbon.addTab("Four");
    ribbon.showTab("Two", true);
    QCOMPARE(tabOrder(ribbon), (QStringList{"One", "Two", "Three", "Four"}));
}

void TestRibbon::enablingActsOnShownPagesOnly()
{
    Ribbon ribbon;
    addThreePages(ribbon);
    ribbon.setTabEnabled("Two", false);
    QVERIFY(!ribbon.page("Two")->isEnabled());
    ribbon.setCurrentTab("Two");
    QCOMPARE(ribbon.currentWidget(), ribbon.page("Two"));

    // While hidden, the page keeps the state it had and nothing is remembered.
    ribbon.showTab("Two", false);
    ribbon.setTabEnabled("Two", true);
    ribbon.showTab("Two", true);
    QVERIFY(!ribbon.page("Two")->isEnabled());
}

void TestRibbon::groupHoldsContentAboveCaption()
{
    Ribbon ribbon;
    addThreePages(ribbon);
    QPushButton* first = new QPushButton("a");
    ribbon.addGroup("Two", "Tools", first);
    ribbon.addGroup("Two", "Brush", new QPushButton("b"));
    QPushButton orphan("c");
    ribbon.addGroup("Four", "Nowhere", &orphan);
    QVERIFY(!orphan.parentWidget());

    const QList<QGroupBox*> groups = ribbon.page("Two")->findChildren<QGroupBox*>();
    QCOMPARE(groups.size(), 2);
    QCOMPARE(ribbon.page("Two")->layout()->indexOf(groups[0]), 0);
    QLayout* layout = groups[0]->layout();
    QCOMPARE(layout->count(), 3);
    QCOMPARE(layout->itemAt(0)->widget(), first);
    QVERIFY(layout->itemAt(1)->spacerItem());
    QLabel* caption = qobject_cast<QLabel*>(layout->itemAt(2)->widget());
    QVERIFY(caption);
    QCOMPARE(caption->text(), QString("Tools"));
}

void TestRibbon::onlyCurrentPageIsVisibleAfterGroupsAdded()
{
    // Pages are filled before the window shows; no other page may end up
    // drawn over the current one.
    Ribbon ribbon;
    addThreePages(ribbon);
    for (const char* name : {"One", "Two", "Three"})
        ribbon.addGroup(name, "Group", new QPushButton(name));
    ribbon.resize(400, 120);
    ribbon.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ribbon));
    QVERIFY(ribbon.page("One")->isVisible());
    QVERIFY(!ribbon.page("Two")->isVisible());
    QVERIFY(!ribbon.page("Three")->isVisible());

    ribbon.addGroup("Three", "Late", new QPushButton("late"));
    QVERIFY(!ribbon.page("Three")->isVisible());
    ribbon.setCurrentTab("Three");
    QVERIFY(ribbon.page("Three")->isVisible());
    QVERIFY(!ribbon.page("One")->isVisible());
}

void TestRibbon::destructionDeletesHiddenPagesOnce()
{
    Ribbon* ribbon = new Ribbon;
    addThreePages(*ribbon);
    QPointer<QPushButton> inside = new QPushButton("inside");
    ribbon->addGroup("Two", "Group", inside);
    ribbon->showTab("Two", false);
    ribbon->showTab("Three", false);

    QPointer<QWidget> one = ribbon->page("One");
    QPointer<QWidget> two = ribbon->page("Two");
    int destroyed = 0;
    for (QWidget* page : {ribbon->page("Two"), ribbon->page("Three")})
        connect(page, &QObject::destroyed, [&destroyed] { ++destroyed; });

    delete ribbon;
    QVERIFY(one.isNull());
    QVERIFY(two.isNull());
    QVERIFY(inside.isNull());
    QCOMPARE(destroyed, 2);
}

QTEST_MAIN(TestRibbon)
#include "tst_ribbon.moc"
