#include "mesh/meshnumber.h"

#include <QString>
#include <QtTest>

#include <cmath>
#include <random>

class TestMeshNumber : public QObject
{
    Q_OBJECT

private slots:
    void readsAsQtReadsNumbers_data();
    void readsAsQtReadsNumbers();
    void randomNumbersMatchQt();
};

void TestMeshNumber::readsAsQtReadsNumbers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("value");
    QTest::newRow("signs and forms") << QByteArray("-.5e+1") << int(MeshNumber::Number) << -5.0;
    QTest::newRow("many digits") << QByteArray("3.14159265358979323846264338327950288") << int(MeshNumber::Number) << M_PI;
    QTest::newRow("surrounding space") << QByteArray("\x0b 7\t\xa0") << int(MeshNumber::Number) << 7.0;
    QTest::newRow("group separator") << QByteArray("1,000") << int(MeshNumber::NotNumber) << 0.0;
    QTest::newRow("hexadecimal") << QByteArray("0x10") << int(MeshNumber::NotNumber) << 0.0;
    QTest::newRow("empty") << QByteArray("") << int(MeshNumber::NotNumber) << 0.0;
    QTest::newRow("nan") << QByteArray("NaN") << int(MeshNumber::NonFinite) << 0.0;
    QTest::newRow("infinity") << QByteArray("-Infinity") << int(MeshNumber::NonFinite) << 0.0;
    QTest::newRow("overflow") << QByteArray("2e308") << int(MeshNumber::NonFinite) << 0.0;
}

void TestMeshNumber::readsAsQtReadsNumbers()
{
    QFETCH(QByteArray, text);
    QFETCH(int, kind);
    QFETCH(double, value);
    double v = -1;
    QCOMPARE(int(MeshNumber::parse(text.constData(), text.constData() + text.size(), &v)), kind);
    QCOMPARE(v, value);
}

void TestMeshNumber::randomNumbersMatchQt()
{
    // Text that is mostly a number of some form, now and then broken.
    std::mt19937 rng(12345);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    auto digits = [&](int n) {
        QByteArray d;
        for (int i = 0; i < n; ++i)
            d += char('0' + pick(10));
        return d;
    };
    for (int i = 0; i < 200000; ++i) {
        QByteArray text;
        if (pick(4) == 0)
            text += "+-"[pick(2)];
        text += digits(pick(4) == 0 ? pick(25) : pick(4));
        if (pick(3) != 0)
            text += '.' + digits(pick(5) == 0 ? pick(30) : pick(9));
        if (pick(3) == 0) {
            text += "eE"[pick(2)];
            if (pick(2))
                text += "+-"[pick(2)];
            text += digits(pick(8) == 0 ? 4 : pick(3) + (pick(10) == 0 ? 0 : 1));
        }
        if (pick(40) == 0)
            text.insert(pick(text.size() + 1), " x.e-+\t\x85"[pick(8)]);

        bool ok = false;
        const double expected = QString::fromLatin1(text).toDouble(&ok);
        double v = -1;
        const MeshNumber::Kind kind = MeshNumber::parse(text.constData(), text.constData() + text.size(), &v);
        if (!std::isfinite(expected)) {
            QVERIFY2(kind == MeshNumber::NonFinite, text.constData());
        } else if (ok) {
            QVERIFY2(kind == MeshNumber::Number, text.constData());
            QVERIFY2(v == expected && std::signbit(v) == std::signbit(expected), text.constData());
        } else {
            QVERIFY2(kind != MeshNumber::Number, text.constData());
        }
    }
}

QTEST_GUILESS_MAIN(TestMeshNumber)
#include "tst_meshnumber.moc"
