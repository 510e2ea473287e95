#include "rig/HRDCommandsThread.h"
#include "rig/RigMode.h"
#include "rig/SplitDetector.h"

#include <QTest>

class TestRigSplit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void transmitFrequency_data();
    void transmitFrequency();
    void transmitText_data();
    void transmitText();
    void modeForFrequency_data();
    void modeForFrequency();
    void hertzTexts();
};

void TestRigSplit::transmitFrequency_data()
{
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("transmit");

    QTest::newRow("UP 2") << "14025.0"
                          << "UP 2"
                          << "140270";
    QTest::newRow("up 1.5") << "14025.0"
                            << "up 1.5"
                            << "14026.5";
    QTest::newRow("up2 glued") << "14025.0"
                               << "cq up2"
                               << "140270";
    QTest::newRow("1.5 up") << "14025.0"
                            << "listening 1.5 up"
                            << "14026.5";
    QTest::newRow("dn 3") << "7005.0"
                          << "dn 3"
                          << "70020";
    QTest::newRow("3 dn") << "7005.0"
                          << "3 dn"
                          << "70020";
    QTest::newRow("down 1.5") << "7005.0"
                              << "QRX down 1.5"
                              << "7003.5";
    QTest::newRow("up beats dn") << "14025.0"
                                 << "up 2 not dn 3"
                                 << "140270";
    QTest::newRow("qsx 14030") << "14025.0"
                               << "qsx 14030"
                               << "140300";
    QTest::newRow("qsx 14030.5") << "14025.0"
                                 << "QSX14030.5"
                                 << "14030.5";
    QTest::newRow("qsx far away") << "14025.0"
                                  << "qsx 7150"
                                  << "";
    QTest::newRow("qsx far away, then dn") << "14025.0"
                                           << "qsx 7150 pse dn"
                                           << "140240";
    QTest::newRow("trailing up on CW") << "14025.0"
                                       << "tnx qso up"
                                       << "140260";
    QTest::newRow("trailing up on phone") << "14200.0"
                                          << "tnx qso up"
                                          << "142050";
    QTest::newRow("bare up on 30m") << "10110.0"
                                    << "up"
                                    << "101110";
    QTest::newRow("bare dwn on 40m phone") << "7150.0"
                                           << "dwn"
                                           << "71450";
    QTest::newRow("setup") << "14025.0"
                           << "setup"
                           << "";
    QTest::newRow("setup padded") << "14025.0"
                                  << "setup   "
                                  << "";
    QTest::newRow("setup 2") << "14025.0"
                             << "setup 2"
                             << "140270";
    QTest::newRow("no split") << "14025.0"
                              << "tnx 599 73"
                              << "";
    QTest::newRow("empty comment") << "14025.0"
                                   << ""
                                   << "";
    QTest::newRow("frequency not a number") << "abc"
                                            << "up 2"
                                            << "";
    QTest::newRow("down below zero") << "1.0"
                                     << "dn 3"
                                     << "";
    QTest::newRow("frequency beyond radio") << QString(110, QLatin1Char('2')) << "up 2"
                                            << "";
    QTest::newRow("frequency infinite") << "inf"
                                        << "up 2"
                                        << "";
}

void TestRigSplit::transmitFrequency()
{
    QFETCH(QString, frequency);
    QFETCH(QString, comment);
    QFETCH(QString, transmit);
    QCOMPARE(SplitDetector::transmitFrequency(comment, frequency), transmit);
}

void TestRigSplit::transmitText_data()
{
    QTest::addColumn<double>("kHz");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hertz");

    QTest::newRow("whole") << 14027.0 << "140270"
                           << "14027000";
    QTest::newRow("tenths") << 14027.5 << "14027.5"
                            << "14027500";
    // Six significant digits would have given "144302" (14430.2 kHz once
    // read back) and "1.24e+06".
    QTest::newRow("2m with tenths") << 144301.5 << "144301.5"
                                    << "144301500";
    QTest::newRow("23cm") << 1240001.0 << "12400010"
                          << "1240001000";
    QTest::newRow("float noise") << 14025.0 + 1.5 << "14026.5"
                                 << "14026500";
}

void TestRigSplit::transmitText()
{
    QFETCH(double, kHz);
    QFETCH(QString, text);
    QFETCH(QString, hertz);
    QCOMPARE(SplitDetector::transmitText(kHz), text);
    QCOMPARE(HRDCommandsThread::transmitHertzText(text), hertz);
}

void TestRigSplit::modeForFrequency_data()
{
    QTest::addColumn<double>("kHz");
    QTest::addColumn<int>("mode");

    QTest::newRow("below 160m") << 1799.9 << int(RigMode::LSB);
    QTest::newRow("160m edge") << 1800.0 << int(RigMode::CW);
    QTest::newRow("160m CW limit") << 1840.0 << int(RigMode::CW);
    QTest::newRow("160m phone") << 1840.1 << int(RigMode::LSB);
    QTest::newRow("40m CW") << 7040.0 << int(RigMode::CW);
    QTest::newRow("40m phone") << 7150.0 << int(RigMode::LSB);
    QTest::newRow("20m lower edge") << 14000.0 << int(RigMode::CW);
    QTest::newRow("20m phone") << 14070.1 << int(RigMode::USB);
    QTest::newRow("2m CW") << 144050.0 << int(RigMode::CW);
    QTest::newRow("between 2m and 70cm") << 200000.0 << int(RigMode::USB);
    QTest::newRow("23cm") << 1296000.0 << int(RigMode::USB);
}

void TestRigSplit::modeForFrequency()
{
    QFETCH(double, kHz);
    QFETCH(int, mode);
    QCOMPARE(int(RigMode::forFrequency(kHz)), mode);
}

void TestRigSplit::hertzTexts()
{
    QCOMPARE(HRDCommandsThread::hertzText(QStringLiteral("14025.0")), QStringLiteral("14025000"));
    // Texts in other forms read as kHz too, not as tenths.
    QCOMPARE(HRDCommandsThread::hertzText(QStringLiteral("14025")), QStringLiteral("14025000"));
    QCOMPARE(HRDCommandsThread::hertzText(QStringLiteral("14025.25")), QStringLiteral("14025250"));
    QCOMPARE(HRDCommandsThread::hertzText(QStringLiteral("abc")), QString());
    QCOMPARE(HRDCommandsThread::hertzText(QStringLiteral("-7")), QString());
    QCOMPARE(HRDCommandsThread::hertzText(QStringLiteral("1e30")), QString());
    // No rig tunes outside 100 kHz - 250 GHz.
    QCOMPARE(HRDCommandsThread::hertzText(QStringLiteral("1e-300")), QString());
    QCOMPARE(HRDCommandsThread::hertzText(QStringLiteral("100")), QStringLiteral("100000"));
    QCOMPARE(HRDCommandsThread::hertzText(QStringLiteral("250000000")), QStringLiteral("250000000000"));
    QCOMPARE(HRDCommandsThread::transmitHertzText(QStringLiteral("0.5")), QString());
    QCOMPARE(HRDCommandsThread::transmitHertzText(QStringLiteral("1.24e+060")), QString());
}

QTEST_APPLESS_MAIN(TestRigSplit)
#include "tst_rigsplit.moc"
