// Binding to the card-driver library, each case in a fresh probe process:
// a library, once loaded, stays loaded for the life of a process.
#include "TestMain.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class tst_LLTRELOX : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void binding_data();
    void binding();

private:
    QTemporaryDir m_emptyDir;
};

namespace {

QStringList runProbe(const QStringList &arguments, const QString &libraryDir, const QProcessEnvironment &extra)
{
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), libraryDir);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("ZX_TRELOX_CARDS"));
    env.remove(QStringLiteral("ZX_PROBE_HIDE_FIRST_LOAD"));
    for (const QString &key : extra.keys())
        env.insert(key, extra.value(key));
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(ZX_TRELOX_PROBE), arguments);
    if (!probe.waitForFinished(60000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
        qWarning() << "probe failed:" << probe.readAllStandardError();
        return {QStringLiteral("probe failed")};
    }
    return QString::fromUtf8(probe.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QProcessEnvironment cards(const QString &count)
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("ZX_TRELOX_CARDS"), count);
    return env;
}

} // namespace

void tst_LLTRELOX::initTestCase()
{
    QVERIFY(m_emptyDir.isValid());
}

void tst_LLTRELOX::binding_data()
{
    QTest::addColumn<QString>("library");   // "full", "partial" or "none"
    QTest::addColumn<QProcessEnvironment>("environment");
    QTest::addColumn<QStringList>("expected");

    const QString opened = QStringLiteral("opened libtrelox.so now=1 local=1");
    QTest::newRow("no library: quiet, retried on the next call")
        << "none" << cards("3")
        << QStringList{"loads=1 bound=0 set=0 missing=all order=ok cards=none",
                       "loads=2 bound=0 set=0 missing=all order=ok cards=none", opened};
    QTest::newRow("all 33 entry points: bound, never loaded again")
        << "full" << cards("3")
        << QStringList{"loads=1 bound=1 set=33 missing=- order=ok cards=3",
                       "loads=1 bound=1 set=33 missing=- order=ok cards=3",
                       "loads=1 bound=1 set=33 missing=- order=ok cards=3", opened};
    QTest::newRow("without EmergencyReboot: 32 set, flag False, loaded and looked up again")
        << "partial" << cards("2")
        << QStringList{"loads=1 bound=0 set=32 missing=EmergencyReboot order=ok cards=2",
                       "loads=2 bound=0 set=32 missing=EmergencyReboot order=ok cards=2", opened};
    QProcessEnvironment appears = cards("1");
    appears.insert(QStringLiteral("ZX_PROBE_HIDE_FIRST_LOAD"), QStringLiteral("1"));
    QTest::newRow("library missing at first, present later: the later call binds")
        << "full" << appears
        << QStringList{"loads=1 bound=0 set=0 missing=all order=ok cards=none",
                       "loads=2 bound=1 set=33 missing=- order=ok cards=1", opened};
    QTest::newRow("count is a signed 32-bit value")
        << "full" << cards("-7")
        << QStringList{"loads=1 bound=1 set=33 missing=- order=ok cards=-7", opened};
}

void tst_LLTRELOX::binding()
{
    // Guards against a binding that reloads when bound, gives up for good after
    // a miss, reports a partial library as bound or mixes up the entry order.
    QFETCH(QString, library);
    QFETCH(QProcessEnvironment, environment);
    QFETCH(QStringList, expected);
    const QString dir = library == QLatin1String("full")      ? QStringLiteral(ZX_TRELOX_FULL_DIR)
                        : library == QLatin1String("partial") ? QStringLiteral(ZX_TRELOX_PARTIAL_DIR)
                                                              : m_emptyDir.path();
    const QStringList lines = runProbe({QStringLiteral("bind"), QString::number(expected.size() - 1)}, dir, environment);
    QCOMPARE(lines, expected);
}

ZX_TEST_MAIN(tst_LLTRELOX)
#include "tst_lltrelox.moc"
