// Port I/O: the device backend over a file whose offsets are port numbers,
// the switch between backends, and the simulated card the other tests use.
#include "SimulatedCard.h"
#include "TestMain.h"
#include "VORTAN32.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_Vortan32 : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void deviceReads_data();
    void deviceReads();
    void deviceWrites_data();
    void deviceWrites();
    void missingDevice();
    void pathChangeReopens();
    void backendSwitch();
    void simulatedCardRegisters_data();
    void simulatedCardRegisters();

private:
    QString makeDevice(const QString &name, char fill, int size = 0x400);
    QTemporaryDir m_dir;
};

QString tst_Vortan32::makeDevice(const QString &name, char fill, int size)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    QByteArray bytes(size, fill);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + fill) & 0xFF);
    file.write(bytes);
    return path;
}

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

void tst_Vortan32::deviceReads_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("expected");
    // The file holds (offset * 7 + 3) & 0xFF at every offset below 0x400.
    QTest::newRow("port 0x61") << 0x61 << ((0x61 * 7 + 3) & 0xFF);
    QTest::newRow("port 0 at the start") << 0 << 3;
    QTest::newRow("data port 0x302") << 0x302 << ((0x302 * 7 + 3) & 0xFF);
    QTest::newRow("last byte") << 0x3FF << ((0x3FF * 7 + 3) & 0xFF);
    QTest::newRow("past the end") << 0x400 << int(PortDriverMissing);
    QTest::newRow("top of the port range") << 0xFFFF << int(PortDriverMissing);
}

void tst_Vortan32::deviceReads()
{
    // A read at the wrong offset, or a failed read mistaken for a byte.
    QFETCH(int, port);
    QFETCH(int, expected);
    SetPortDevicePath(makeDevice(QStringLiteral("port"), 3));
    QCOMPARE(int(InPortB(quint16(port))), expected);
}

void tst_Vortan32::deviceWrites_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("value");
    QTest::newRow("index port") << 0x301 << 0x05;
    QTest::newRow("data port") << 0x302 << 0xA7;
    QTest::newRow("offset zero") << 0 << 0xFF;
}

void tst_Vortan32::deviceWrites()
{
    // A byte written to the wrong offset, or its neighbours disturbed.
    QFETCH(int, port);
    QFETCH(int, value);
    const QString path = makeDevice(QStringLiteral("port"), 1);
    SetPortDevicePath(path);
    OutPortB(quint16(port), quint8(value));
    QCOMPARE(int(InPortB(quint16(port))), value);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), 0x400);
    for (int i = 0; i < bytes.size(); ++i) {
        const int want = i == port ? value : ((i * 7 + 1) & 0xFF);
        QCOMPARE(quint8(bytes[i]), quint8(want));
    }
}

void tst_Vortan32::missingDevice()
{
    // No device must read as "driver missing" and write nothing anywhere.
    const QString path = m_dir.filePath(QStringLiteral("nothing-here"));
    SetPortDevicePath(path);
    QCOMPARE(PortDevicePath(), path);
    QCOMPARE(InPortB(0x61), PortDriverMissing);
    OutPortB(0x302, 0x12);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(InPortB(0x302), PortDriverMissing);
}

void tst_Vortan32::pathChangeReopens()
{
    // A backend that keeps reading the file it opened first.
    SetPortDevicePath(makeDevice(QStringLiteral("first"), 0x10));
    QCOMPARE(int(InPortB(0x61)), (0x61 * 7 + 0x10) & 0xFF);
    SetPortDevicePath(makeDevice(QStringLiteral("second"), 0x20));
    QCOMPARE(int(InPortB(0x61)), (0x61 * 7 + 0x20) & 0xFF);
    // A device that appears later is picked up at the next access.
    const QString late = m_dir.filePath(QStringLiteral("late"));
    SetPortDevicePath(late);
    QCOMPARE(InPortB(0x61), PortDriverMissing);
    QVERIFY(!makeDevice(QStringLiteral("late"), 0x30).isEmpty());
    QCOMPARE(int(InPortB(0x61)), (0x61 * 7 + 0x30) & 0xFF);
}

void tst_Vortan32::backendSwitch()
{
    // Calls reaching the device while another backend is installed, or the
    // device never coming back.
    SetPortDevicePath(makeDevice(QStringLiteral("port"), 0));
    {
        SimulatedCard card;
        card.Port61 = 0x1234;
        QCOMPARE(InPortB(0x61), quint16(0x1234));
        OutPortB(0x000, 0x99);
        QCOMPARE(card.Log.size(), 1);
        {
            NoPortDriver none;
            QCOMPARE(InPortB(0x61), PortDriverMissing);
        }
        QCOMPARE(InPortB(0x61), quint16(0x1234));
    }
    QCOMPARE(int(InPortB(0)), 0);   // the device file was never written
    QCOMPARE(int(InPortB(0x61)), (0x61 * 7) & 0xFF);
}

void tst_Vortan32::simulatedCardRegisters_data()
{
    QTest::addColumn<bool>("keeps");
    QTest::addColumn<int>("readValue");   // -1: the registers answer
    QTest::addColumn<bool>("driverMissing");
    QTest::addColumn<int>("expected");
    QTest::newRow("card keeps what is written") << true << -1 << false << 0x27;
    QTest::newRow("card drops what is written") << false << -1 << false << 0x00;
    QTest::newRow("no card on the bus") << true << 0xFF << false << 0xFF;
    QTest::newRow("no driver") << true << -1 << true << int(PortDriverMissing);
}

void tst_Vortan32::simulatedCardRegisters()
{
    // A stand-in card that does not behave like the index/data pair the program drives.
    QFETCH(bool, keeps);
    QFETCH(int, readValue);
    QFETCH(bool, driverMissing);
    QFETCH(int, expected);
    SimulatedCard card(0x280);
    card.KeepsWrites = keeps;
    card.DriverMissing = driverMissing;
    if (readValue >= 0)
        card.ReadValue = quint8(readValue);
    quint64 now = 1000;
    card.Clock = [&] { return now += 10; };
    OutPortB(0x281, 8);
    OutPortB(0x282, 0x27);
    OutPortB(0x281, 8);
    QCOMPARE(int(InPortB(0x282)), expected);
    QCOMPARE(card.RegisterWrites(), (QList<QPair<int, int>>{ { 8, 0x27 } }));
    QCOMPARE(card.DataWriteTimes(), QList<quint64>{ 1020 });
    QCOMPARE(card.Log.size(), 3);
}

ZX_TEST_MAIN(tst_Vortan32)
#include "tst_vortan32.moc"
