#include "ui/vekvalidator.h"

#include <QLineEdit>
#include <QtTest>

namespace {

const QString yellow = "QLineEdit { background: solid yellow; border: none; margin: 2px; }";
const QString red = "QLineEdit { background: solid red; border: none; margin: 2px; }";

QValidator::State check(const QValidator* validator, QString text)
{
    int pos = 0;
    return validator->validate(text, pos);
}

// Installs a check of the given kind ("int", "double" or "regexp") on the edit.
void install(QLineEdit& edit, const QString& kind, double bottom, double top, double decimals, bool allowEmpty)
{
    VEKValidatorHelper helper;
    if (kind == "int")
        helper.setValidInt(&edit, int(bottom), int(top), allowEmpty);
    else if (kind == "double")
        helper.setValidDouble(&edit, bottom, top, decimals, allowEmpty);
    else
        helper.setValidRegExp(&edit, QRegExp("[a-z]+"));
}

void addRangeColumns()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<double>("bottom");
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("decimals");
    QTest::addColumn<bool>("allowEmpty");
    QTest::addColumn<QString>("text");
}

} // namespace

class TestVekValidator : public QObject
{
    Q_OBJECT

private slots:
    void validateVerdicts_data();
    void validateVerdicts();
    void fixupCorrectsIntoRange_data();
    void fixupCorrectsIntoRange();
    void colourClearsAfterAcceptableTexts();
    void toolTipStatesRangeAndZeroRangeRemovesCheck();
    void sameKindIsKeptOtherKindReplaced_data();
    void sameKindIsKeptOtherKindReplaced();
    void numbersAreSetThroughValidator();
};

void TestVekValidator::validateVerdicts_data()
{
    addRangeColumns();
    QTest::addColumn<int>("state");
    const int invalid = QValidator::Invalid, intermediate = QValidator::Intermediate, acceptable = QValidator::Acceptable;

    QTest::newRow("int in range") << "int" << 1.0 << 10.0 << 0.0 << false << "7" << acceptable;
    QTest::newRow("int above range") << "int" << 1.0 << 10.0 << 0.0 << false << "15" << intermediate;
    QTest::newRow("int empty allowed") << "int" << 5.0 << 10.0 << 0.0 << true << "" << acceptable;
    QTest::newRow("int empty refused") << "int" << 5.0 << 10.0 << 0.0 << false << "" << intermediate;
    QTest::newRow("double within tolerance of top") << "double" << 0.5 << 2.5 << 1.0 << false << "2.504" << acceptable;
    QTest::newRow("double within tolerance of bottom") << "double" << 0.5 << 2.5 << 1.0 << false << "0.495" << acceptable;
    QTest::newRow("double beyond tolerance") << "double" << 0.5 << 2.5 << 1.0 << false << "2.55" << invalid;
    QTest::newRow("double above range") << "double" << 0.5 << 2.5 << 1.0 << false << "7" << intermediate;
    QTest::newRow("double empty allowed") << "double" << 0.5 << 2.5 << 1.0 << true << "" << acceptable;
    QTest::newRow("no tolerance past five decimals") << "double" << 0.5 << 2.5 << 6.0 << false << "2.50000001" << invalid;
    // Text that reads as no number must not pass as a value next to 0.
    QTest::newRow("empty text next to bottom 0") << "double" << 0.0 << 10.0 << 2.0 << false << "" << intermediate;
    QTest::newRow("sign only next to top 0") << "double" << -10.0 << 0.0 << 2.0 << false << "-" << intermediate;
    QTest::newRow("letters next to top 0") << "double" << -10.0 << 0.0 << 2.0 << false << "abc" << invalid;
    QTest::newRow("regexp match") << "regexp" << 0.0 << 0.0 << 0.0 << false << "abc" << acceptable;
    QTest::newRow("regexp mismatch") << "regexp" << 0.0 << 0.0 << 0.0 << false << "ab1" << invalid;
}

void TestVekValidator::validateVerdicts()
{
    QFETCH(QString, kind);
    QFETCH(double, bottom);
    QFETCH(double, top);
    QFETCH(double, decimals);
    QFETCH(bool, allowEmpty);
    QFETCH(QString, text);
    QFETCH(int, state);

    QLineEdit edit;
    install(edit, kind, bottom, top, decimals, allowEmpty);
    QVERIFY(edit.validator());
    QCOMPARE(int(check(edit.validator(), text)), state);
}

void TestVekValidator::fixupCorrectsIntoRange_data()
{
    addRangeColumns();
    QTest::addColumn<QString>("fixed");

    QTest::newRow("int above top") << "int" << 1.0 << 10.0 << 0.0 << false << "15" << "10";
    QTest::newRow("int below bottom") << "int" << 1.0 << 10.0 << 0.0 << false << "-3" << "1";
    QTest::newRow("int no number reads 0") << "int" << 1.0 << 10.0 << 0.0 << false << "x" << "1";
    QTest::newRow("int beyond int range") << "int" << 1.0 << 10.0 << 0.0 << false << "99999999999" << "10";
    QTest::newRow("double above top") << "double" << 0.5 << 2.5 << 2.0 << false << "3" << "2.50";
    QTest::newRow("double below bottom") << "double" << 0.5 << 2.5 << 1.0 << false << "0.1" << "0.5";
    QTest::newRow("double empty refused") << "double" << -1.0 << 2.5 << 3.0 << false << "" << "-1.000";
    QTest::newRow("double in range unchanged") << "double" << 0.5 << 2.5 << 1.0 << false << "1.25" << "1.25";
}

void TestVekValidator::fixupCorrectsIntoRange()
{
    QFETCH(QString, kind);
    QFETCH(double, bottom);
    QFETCH(double, top);
    QFETCH(double, decimals);
    QFETCH(bool, allowEmpty);
    QFETCH(QString, text);
    QFETCH(QString, fixed);

    QLineEdit edit;
    install(edit, kind, bottom, top, decimals, allowEmpty);
    edit.validator()->fixup(text);
    QCOMPARE(text, fixed);
    QCOMPARE(edit.styleSheet(), yellow);
}

void TestVekValidator::colourClearsAfterAcceptableTexts()
{
    for (const char* kind : {"int", "double"}) {
        QLineEdit edit;
        install(edit, kind, 1, 10, 1, false);
        QString text = "15";
        edit.validator()->fixup(text);
        // Texts that are not acceptable leave the count alone.
        QVERIFY(check(edit.validator(), "") != QValidator::Acceptable);
        for (const QString& sheet : {yellow, yellow, QString()}) {
            QCOMPARE(check(edit.validator(), text), QValidator::Acceptable);
            QCOMPARE(edit.styleSheet(), sheet);
        }
    }

    QLineEdit named;
    install(named, "regexp", 0, 0, 0, false);
    QString text = "ab1";
    named.validator()->fixup(text);
    QCOMPARE(text, QString("ab1"));
    QCOMPARE(named.styleSheet(), red);
    QCOMPARE(check(named.validator(), "ab"), QValidator::Acceptable);
    QCOMPARE(named.styleSheet(), QString());
}

void TestVekValidator::toolTipStatesRangeAndZeroRangeRemovesCheck()
{
    VEKValidatorHelper helper;
    QLineEdit edit;
    helper.setValidInt(&edit, 1, 10, false);
    QCOMPARE(edit.toolTip(), QString("Range is 1 to 10"));
    QPointer<const QValidator> first = edit.validator();
    helper.setValidInt(&edit, 0, 0, false);
    QVERIFY(!edit.validator());
    QVERIFY(first.isNull());
    QVERIFY(edit.toolTip().isEmpty());

    helper.setValidDouble(&edit, 0.5, 2.5, 2.9, false);
    QCOMPARE(edit.toolTip(), QString("Range is 0.50 to 2.50"));
    QCOMPARE(qobject_cast<const QDoubleValidator*>(edit.validator())->decimals(), 2);
    helper.setValidDouble(&edit, 0.0, 0.0, 2, false);
    QVERIFY(!edit.validator());
    QVERIFY(edit.toolTip().isEmpty());

    helper.setValidRegExp(&edit, QRegExp("[a-z]+"));
    QVERIFY(edit.validator());
    helper.setValidRegExp(&edit, QRegExp("[a-z"));
    QVERIFY(!edit.validator());
}

void TestVekValidator::sameKindIsKeptOtherKindReplaced_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");

    QTest::newRow("int kept") << "int" << "int";
    QTest::newRow("double kept") << "double" << "double";
    QTest::newRow("regexp kept") << "regexp" << "regexp";
    QTest::newRow("double to int") << "double" << "int";
    QTest::newRow("regexp to int") << "regexp" << "int";
    QTest::newRow("int to double") << "int" << "double";
    QTest::newRow("int to regexp") << "int" << "regexp";
}

void TestVekValidator::sameKindIsKeptOtherKindReplaced()
{
    QFETCH(QString, before);
    QFETCH(QString, after);

    QLineEdit edit;
    install(edit, before, 1, 10, 1, true);
    QPointer<const QValidator> old = edit.validator();
    install(edit, after, 2, 20, 2, false);

    const QValidator* now = edit.validator();
    QCOMPARE(old.isNull(), before != after);
    if (after == "int") {
        QVERIFY(dynamic_cast<const VEKIntValidator*>(now));
        QCOMPARE(qobject_cast<const QIntValidator*>(now)->top(), 20);
    } else if (after == "double") {
        QVERIFY(dynamic_cast<const VEKDoubleValidator*>(now));
        QCOMPARE(qobject_cast<const QDoubleValidator*>(now)->decimals(), 2);
    } else {
        QVERIFY(dynamic_cast<const VEKStringValidator*>(now));
    }
    // A kept validator keeps its permission for empty text.
    if (after != "regexp")
        QCOMPARE(check(now, "") == QValidator::Acceptable, before == after);
}

void TestVekValidator::numbersAreSetThroughValidator()
{
    VEKValidatorHelper helper;
    QLineEdit whole, real, named, plain;
    helper.setValidInt(&whole, 1, 10, false);
    helper._setValidInt(&whole, 15);
    QCOMPARE(whole.text(), QString("10"));
    helper.setValidDouble(&real, 1, 10, 2, false);
    helper._setValidDbl(&real, 1.234);
    QCOMPARE(real.text(), QString("1.23"));
    helper._setValidDbl(&real, 70);
    QCOMPARE(real.text(), QString("10.00"));
    helper._setValidInt(&plain, 15);
    QCOMPARE(plain.text(), QString("15"));

    helper.setValidRegExp(&named, QRegExp("[a-z]+"));
    QTest::ignoreMessage(QtDebugMsg, "_setValidInt: unable to validate 5 to \"5\"");
    helper._setValidInt(&named, 5);
    QCOMPARE(named.text(), QString("5"));
    QTest::ignoreMessage(QtDebugMsg, "_setValidDbl: unable to validate 2.5 to \"2.5\"");
    helper._setValidDbl(&named, 2.5);
    QCOMPARE(named.text(), QString("2.5"));
}

QTEST_MAIN(TestVekValidator)
#include "tst_vekvalidator.moc"
