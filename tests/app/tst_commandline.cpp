#include "app/BuildInfo.h"
#include "app/CommandLine.h"
#include "TestSupport.h"

using namespace qvic;

namespace {

QString refusal(const QString &problem)
{
    return "qv-instant-crawl: " + problem + "\nTry 'qv-instant-crawl --help' for more information.\n";
}

} // namespace

// The window's own options, answered before any window opens; the rest is Qt's.
class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void answer_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");       // -1: no answer, the window opens
        QTest::addColumn<QString>("outputStart"); // how standard output begins
        QTest::addColumn<QString>("error");

        const QString version = QStringLiteral("qv-instant-crawl %1\n").arg(programVersion);
        const QString usage = QStringLiteral("Usage: qv-instant-crawl [OPTION]...\n");
        QTest::newRow("Qt's own options")
            << QStringList{"-platform", "offscreen", "-reverse"} << -1 << "" << "";
        QTest::newRow("option after --")
            << QStringList{"--", "--help"} << -1 << "" << "";
        QTest::newRow("help")
            << QStringList{"--help"} << 0 << usage << "";
        QTest::newRow("version beside Qt's options")
            << QStringList{"-style", "Fusion", "--version"} << 0 << version << "";
        QTest::newRow("the first decides")
            << QStringList{"--version", "--help", "--x"} << 0 << version << "";
        QTest::newRow("unknown")
            << QStringList{"--x"} << 1 << "" << refusal("unrecognized option '--x'");
        QTest::newRow("with a value")
            << QStringList{"--version=2"} << 1 << "" << refusal("option '--version' doesn't allow an argument");
    }

    void answer()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, outputStart);

        const std::optional<CommandLineAnswer> answer = answerCommandLine(arguments);

        QCOMPARE(answer.has_value(), exitCode >= 0);
        if (!answer)
            return;
        QCOMPARE(answer->exitCode, exitCode);
        QCOMPARE(answer->standardOutput.left(outputStart.size()), outputStart);
        QCOMPARE(answer->standardOutput.isEmpty(), outputStart.isEmpty());
        QTEST(answer->standardError, "error");
    }
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
