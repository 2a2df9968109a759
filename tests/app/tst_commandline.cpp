#include "app/BuildInfo.h"
#include "app/CommandLine.h"
#include "TestSupport.h"

using namespace qvic;

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void answer_data();
    void answer();
};

void tst_CommandLine::answer_data()
{
    // exitCode: -1: the window opens
    test::columns<QStringList, int, QString, QString>("arguments", "exitCode", "outputStart", "error");

    const QString version = QStringLiteral("qv-instant-crawl %1\n").arg(programVersion);
    const QString usage = QStringLiteral("Usage: qv-instant-crawl [OPTION]...\n");
    const auto refused = [](const QString &problem) { return "qv-instant-crawl: " + problem + "\nTry 'qv-instant-crawl --help' for more information.\n"; };
    QTest::newRow("Qt's own") << QStringList{"-platform", "offscreen", "-reverse"} << -1 << "" << "";
    QTest::newRow("after --") << QStringList{"--", "--help"} << -1 << "" << "";
    QTest::newRow("help") << QStringList{"--help"} << 0 << usage << "";
    QTest::newRow("version") << QStringList{"-style", "Fusion", "--version"} << 0 << version << "";
    QTest::newRow("first decides") << QStringList{"--version", "--help", "--x"} << 0 << version << "";
    QTest::newRow("unknown") << QStringList{"--x"} << 1 << "" << refused("unrecognized option '--x'");
    QTest::newRow("with a value") << QStringList{"--version=2"} << 1 << "" << refused("option '--version' doesn't allow an argument");
}

void tst_CommandLine::answer()
{
    auto [arguments, exitCode, outputStart] = test::fetch<QStringList, int, QString>("arguments", "exitCode", "outputStart");

    const auto answer = answerCommandLine(arguments);
    QCOMPARE(answer.has_value(), exitCode >= 0);
    if (!answer)
        return;
    QCOMPARE(answer->exitCode, exitCode);
    QVERIFY(answer->standardOutput.left(outputStart.size()) == outputStart && answer->standardOutput.isEmpty() == outputStart.isEmpty());
    QTEST(answer->standardError, "error");
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
