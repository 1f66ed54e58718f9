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

// Installs the check that the current row's range columns describe.
void installRow(QLineEdit& edit)
{
    QFETCH(QString, kind);
    QFETCH(double, bottom);
    QFETCH(double, top);
    QFETCH(double, decimals);
    QFETCH(bool, allowEmpty);
    install(edit, kind, bottom, top, decimals, allowEmpty);
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
    void validateVerdicts_data()
    {
        addRangeColumns();
        QTest::addColumn<int>("state");
        const int invalid = QValidator::Invalid, intermediate = QValidator::Intermediate;
        const int acceptable = QValidator::Acceptable;
        QTest::newRow("int above range") << "int" << 1.0 << 10.0 << 0.0 << false << "15" << intermediate;
        QTest::newRow("double within tolerance of top") << "double" << 0.5 << 2.5 << 1.0 << false << "2.504"
                                                        << acceptable;
        QTest::newRow("double beyond tolerance") << "double" << 0.5 << 2.5 << 1.0 << false << "2.55" << invalid;
        QTest::newRow("no tolerance past five decimals") << "double" << 0.5 << 2.5 << 6.0 << false << "2.50000001"
                                                         << invalid;
        // Text that reads as no number must not pass as a value next to 0.
        QTest::newRow("empty text next to bottom 0") << "double" << 0.0 << 10.0 << 2.0 << false << "" << intermediate;
        QTest::newRow("sign only next to top 0") << "double" << -10.0 << 0.0 << 2.0 << false << "-" << intermediate;
        QTest::newRow("letters next to top 0") << "double" << -10.0 << 0.0 << 2.0 << false << "abc" << invalid;
    }

    void validateVerdicts()
    {
        QFETCH(QString, text);
        QFETCH(int, state);
        QLineEdit edit;
        installRow(edit);
        QCOMPARE(int(check(edit.validator(), text)), state);
    }

    void fixupCorrectsIntoRange_data()
    {
        addRangeColumns();
        QTest::addColumn<QString>("fixed");
        QTest::newRow("int above top") << "int" << 1.0 << 10.0 << 0.0 << false << "15" << "10";
        QTest::newRow("int beyond int range") << "int" << 1.0 << 10.0 << 0.0 << false << "99999999999" << "10";
        QTest::newRow("double above top") << "double" << 0.5 << 2.5 << 2.0 << false << "3" << "2.50";
        QTest::newRow("double empty refused") << "double" << -1.0 << 2.5 << 3.0 << false << "" << "-1.000";
    }

    void fixupCorrectsIntoRange()
    {
        QFETCH(QString, text);
        QFETCH(QString, fixed);
        QLineEdit edit;
        installRow(edit);
        edit.validator()->fixup(text);
        QCOMPARE(text, fixed);
        QCOMPARE(edit.styleSheet(), yellow);
    }

    void colourClearsAfterAcceptableTexts()
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
        QCOMPARE(named.styleSheet(), red);
        QCOMPARE(check(named.validator(), "ab"), QValidator::Acceptable);
        QCOMPARE(named.styleSheet(), QString());
    }

    void toolTipStatesRangeAndZeroRangeRemovesCheck()
    {
        VEKValidatorHelper helper;
        QLineEdit edit;
        helper.setValidInt(&edit, 1, 10, false);
        QCOMPARE(edit.toolTip(), QString("Range is 1 to 10"));
        QPointer<const QValidator> first = edit.validator();
        helper.setValidInt(&edit, 0, 0, false);
        QVERIFY(!edit.validator() && first.isNull() && edit.toolTip().isEmpty());
        helper.setValidDouble(&edit, 0.5, 2.5, 2.9, false);
        QCOMPARE(edit.toolTip(), QString("Range is 0.50 to 2.50"));
        helper.setValidDouble(&edit, 0.0, 0.0, 2, false);
        QVERIFY(!edit.validator() && edit.toolTip().isEmpty());
        helper.setValidRegExp(&edit, QRegExp("[a-z"));
        QVERIFY(!edit.validator());
    }

    void sameKindIsKeptOtherKindReplaced_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("int kept") << "int" << "int";
        QTest::newRow("double kept") << "double" << "double";
        QTest::newRow("double to int") << "double" << "int";
        QTest::newRow("regexp to int") << "regexp" << "int";
        QTest::newRow("int to double") << "int" << "double";
        QTest::newRow("int to regexp") << "int" << "regexp";
    }

    void sameKindIsKeptOtherKindReplaced()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QLineEdit edit;
        install(edit, before, 1, 10, 1, true);
        QPointer<const QValidator> old = edit.validator();
        install(edit, after, 2, 20, 2, false);
        const QValidator* now = edit.validator();
        QCOMPARE(old.isNull(), before != after);
        if (after == "int")
            QCOMPARE(dynamic_cast<const VEKIntValidator&>(*now).top(), 20);
        else if (after == "double")
            QCOMPARE(dynamic_cast<const VEKDoubleValidator&>(*now).decimals(), 2);
        else
            QVERIFY(dynamic_cast<const VEKStringValidator*>(now));
        // A kept validator keeps its permission for empty text.
        if (after != "regexp")
            QCOMPARE(check(now, "") == QValidator::Acceptable, before == after);
    }

    void numbersAreSetThroughTheRightKindOfValidator()
    {
        VEKValidatorHelper helper;
        QLineEdit whole, real, named;
        helper.setValidInt(&whole, 1, 10, false);
        helper._setValidInt(&whole, 15);
        QCOMPARE(whole.text(), QString("10"));
        helper.setValidDouble(&real, 1, 10, 2, false);
        helper._setValidDbl(&real, 70);
        QCOMPARE(real.text(), QString("10.00"));
        helper.setValidRegExp(&named, QRegExp("[a-z]+"));
        QTest::ignoreMessage(QtDebugMsg, "_setValidInt: unable to validate 5 to \"5\"");
        helper._setValidInt(&named, 5);
        QCOMPARE(named.text(), QString("5"));
    }
};

QTEST_MAIN(TestVekValidator)
#include "tst_vekvalidator.moc"
