// Binding to the card-driver library, each case in a fresh probe process:
// a library, once loaded, stays loaded for the life of a process.
#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class tst_LLTRELOX : public QObject
{
    Q_OBJECT
private slots:
    void binding_data();
    void binding();
};

void tst_LLTRELOX::binding_data()
{
    QTest::addColumn<QString>("library"); // "full", "partial" or "none"
    QTest::addColumn<QString>("cards"); // what the library's GetNumCards answers
    QTest::addColumn<bool>("hideFirstLoad"); // the first load fails as if the file were absent
    QTest::addColumn<QStringList>("calls"); // the binding's state after each call
    const QString none = QStringLiteral("bound=0 set=0 missing=all order=ok cards=none");
    const QString full = QStringLiteral("bound=1 set=33 missing=- order=ok cards=%1");
    const QString partial = QStringLiteral("bound=0 set=32 missing=EmergencyReboot order=ok cards=2");
    QTest::newRow("no library: quiet, retried on the next call")
        << "none"
        << "3" << false << QStringList {"loads=1 " + none, "loads=2 " + none};
    QTest::newRow("all 33 entry points: bound, never loaded again")
        << "full"
        << "3" << false << QStringList(3, "loads=1 " + full.arg(3));
    QTest::newRow("without EmergencyReboot: 32 set, flag False, loaded and looked up again")
        << "partial"
        << "2" << false << QStringList {"loads=1 " + partial, "loads=2 " + partial};
    QTest::newRow("library missing at first, present later: the later call binds")
        << "full"
        << "1" << true << QStringList {"loads=1 " + none, "loads=2 " + full.arg(1)};
    QTest::newRow("count is a signed 32-bit value") << "full"
                                                    << "-7" << false << QStringList {"loads=1 " + full.arg(-7)};
}

void tst_LLTRELOX::binding()
{
    // Guards against a binding that reloads when bound, gives up after a miss, takes a partial library as bound, mixes
    // entries.
    QFETCH(QString, library);
    QFETCH(QString, cards);
    QFETCH(bool, hideFirstLoad);
    QFETCH(QStringList, calls);
    QTemporaryDir empty;
    const QString dir = library == QLatin1String("full") ? QStringLiteral(ZX_TRELOX_FULL_DIR)
        : library == QLatin1String("partial")            ? QStringLiteral(ZX_TRELOX_PARTIAL_DIR)
                                                         : empty.path();
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), dir);
    env.insert(QStringLiteral("ZX_TRELOX_CARDS"), cards);
    env.insert(QStringLiteral("ZX_PROBE_HIDE_FIRST_LOAD"), hideFirstLoad ? QStringLiteral("1") : QStringLiteral("0"));
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(ZX_TRELOX_PROBE), {QStringLiteral("bind"), QString::number(calls.size())});
    QVERIFY(probe.waitForFinished(60000));
    QCOMPARE(probe.exitCode(), 0);
    // Every load by the platform's default search order, resolved at once, kept private.
    QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
        calls + QStringList {"opened libtrelox.so now=1 local=1"});
}

QTEST_GUILESS_MAIN(tst_LLTRELOX)
#include "tst_lltrelox.moc"
