// Port I/O: the device backend over a file whose offsets are port numbers,
// and the switch between backends.
#include "SimulatedCard.h"
#include "VORTAN32.h"
#include <QtTest>

#include <QTemporaryDir>

#include <unistd.h>

class tst_Vortan32 : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void deviceAccess_data();
    void deviceAccess();
    void pathChangeReopens();
    void backendSwitch();

private:
    QString makeDevice(const QString &name, int fill)
    {
        return WriteStandIn(m_dir.filePath(name), StandInPortBytes(0x400, fill)) ? m_dir.filePath(name) : QString();
    }
    QTemporaryDir m_dir;
};

void tst_Vortan32::init()
{
    QVERIFY(m_dir.isValid());
    SetPortBackend(nullptr);
}

void tst_Vortan32::cleanup()
{
    // Never leave the device backend pointed at anything real.
    SetPortDevicePath(m_dir.filePath(QStringLiteral("absent")));
}

void tst_Vortan32::deviceAccess_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("written"); // -1: only read
    QTest::addColumn<int>("read");
    QTest::addColumn<int>("closed"); // a standard descriptor closed meanwhile, -1: none
    QTest::newRow("port 0x61") << 0x61 << -1 << ((0x61 * 7 + 3) & 0xFF) << -1;
    QTest::newRow("port 0 at the start") << 0 << -1 << 3 << -1;
    QTest::newRow("last byte") << 0x3FF << -1 << ((0x3FF * 7 + 3) & 0xFF) << -1;
    QTest::newRow("past the end") << 0x400 << -1 << int(PortDriverMissing) << -1;
    QTest::newRow("data port written") << 0x302 << 0xA7 << 0xA7 << -1;
    QTest::newRow("offset zero written") << 0 << 0xFF << 0xFF << -1;
    // The device opened as standard output would take every message as port writes.
    QTest::newRow("standard output closed") << 0x302 << 0xA7 << int(PortDriverMissing) << 1;
    QTest::newRow("standard input closed") << 0x61 << -1 << int(PortDriverMissing) << 0;
}

void tst_Vortan32::deviceAccess()
{
    // A byte read or written at the wrong offset, its neighbours disturbed, or a failed read mistaken for a byte.
    QFETCH(int, port);
    QFETCH(int, written);
    QFETCH(int, read);
    QFETCH(int, closed);
    const QString path = makeDevice(QStringLiteral("port"), 3);
    SetPortDevicePath(path);
    const int saved = closed >= 0 ? dup(closed) : -1;
    if (closed >= 0)
        ::close(closed);
    const bool reached = written < 0 || OutPortB(quint16(port), quint8(written));
    const int got = InPortB(quint16(port));
    const QString cause = PortAccessCause();
    if (closed >= 0) {
        DevicePortBackend().Close();
        dup2(saved, closed);
        ::close(saved);
    }
    QCOMPARE(got, read);
    QCOMPARE(reached, written < 0 || closed < 0);
    QCOMPARE(cause.contains(QLatin1String("standard input, output or error is closed")), closed >= 0);
    QByteArray expected = StandInPortBytes();
    if (written >= 0 && closed < 0)
        expected[port] = char(written);
    QCOMPARE(ReadStandIn(path), expected);
}

void tst_Vortan32::pathChangeReopens()
{
    // A backend that keeps the first file, or a missing device read as a byte, created or never picked up.
    SetPortDevicePath(makeDevice(QStringLiteral("first"), 0x10));
    QCOMPARE(int(InPortB(0x61)), (0x61 * 7 + 0x10) & 0xFF);
    SetPortDevicePath(makeDevice(QStringLiteral("second"), 0x20));
    QCOMPARE(int(InPortB(0x61)), (0x61 * 7 + 0x20) & 0xFF);
    const QString late = m_dir.filePath(QStringLiteral("late"));
    SetPortDevicePath(late);
    QCOMPARE(InPortB(0x61), PortDriverMissing);
    OutPortB(0x302, 0x12);
    QVERIFY(!QFile::exists(late));
    QVERIFY(!makeDevice(QStringLiteral("late"), 0x30).isEmpty());
    QCOMPARE(int(InPortB(0x61)), (0x61 * 7 + 0x30) & 0xFF);
}

void tst_Vortan32::backendSwitch()
{
    // Calls reaching the device while another backend is installed, or the device never coming back.
    SetPortDevicePath(makeDevice(QStringLiteral("port"), 0));
    {
        SimulatedCard card;
        card.Port61 = 0x1234;
        QCOMPARE(InPortB(0x61), quint16(0x1234));
        OutPortB(0x000, 0x99);
        QCOMPARE(card.Log.size(), 1);
        {
            SimulatedCard none;
            none.DriverMissing = true;
            QCOMPARE(InPortB(0x61), PortDriverMissing);
        }
        QCOMPARE(InPortB(0x61), quint16(0x1234));
    }
    QCOMPARE(int(InPortB(0)), 0); // the device file was never written
    QCOMPARE(int(InPortB(0x61)), (0x61 * 7) & 0xFF);
}

QTEST_GUILESS_MAIN(tst_Vortan32)
#include "tst_vortan32.moc"
