#include "alerts/AlertAreas.h"
#include "alerts/AlertPlan.h"
#include "dispatch/PlayerGroups.h"
#include "TestSupport.h"

using namespace qvic;
using namespace qvic::test;

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(9, 10, 0), Qt::OffsetFromUTC, -6 * 3600);
const QString kFirst = "warnings@weather.example.org,KSTO-1,2026-12-07T09:00:00-06:00";
const QString kOther = "warnings@weather.example.org,KSTO-7,2026-12-07T09:05:00-06:00";

// One CAP alert of Green County, sent at 09:00; what is given replaces the msgType, status,
// references or expiry.
CapAlert alertOf(const QString &identifier, const QString &messageType, const QString &status = "Actual",
                 const QString &references = {}, const QString &expires = "2026-12-07T09:45:00-06:00")
{
    const QString xml = QString(R"(<alert xmlns="urn:oasis:names:tc:emergency:cap:1.2">
  <identifier>%1</identifier><sender>warnings@weather.example.org</sender>
  <sent>2026-12-07T09:00:00-06:00</sent><status>%2</status><msgType>%3</msgType><scope>Public</scope>%4
  <info><category>Met</category><event>Tornado Warning</event><urgency>Immediate</urgency>
    <severity>Extreme</severity><certainty>Observed</certainty><expires>%5</expires>
    <headline>Take shelter</headline><area><areaDesc>Green County</areaDesc></area>
  </info>
</alert>)")
                            .arg(identifier, status, messageType,
                                 references.isEmpty() ? QString() : "<references>" + references + "</references>",
                                 expires);
    const auto read = readCapDocument(xml.toUtf8());
    const auto *document = std::get_if<CapDocument>(&read);
    return document && document->alerts.size() == 1 ? document->alerts.first() : CapAlert();
}

SendLogRow logged(const QString &player, const QString &alert)
{
    SendLogRow row;
    row.action = "start";
    row.player = player;
    row.alert = alert;
    row.outcome = "delivered";
    return row;
}

// What the decision is, in one line: "start 10.0.0.5,10.0.0.6 (reason)".
QString described(const AlertDecision &decision)
{
    const QString action = decision.action == AlertAction::Start  ? "start"
                           : decision.action == AlertAction::Stop ? "stop"
                                                                  : "none";
    QString line = action;
    if (!decision.players.isEmpty())
        line += ' ' + decision.players.join(',');
    if (!decision.reason.isEmpty())
        line += " (" + decision.reason + ')';
    return line;
}

} // namespace

// The cases the alert command's end-to-end tests leave out.
class tst_AlertPlan : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        writeAll(groupsFile(), "[Lobby screens]\n10.0.0.5\n10.0.0.6\n[Cafeteria]\n10.0.0.6\n10.0.0.7\n[Empty]\n");
        QCOMPARE(m_groups.load(groupsFile()), QStringList());
    }

    void badAreasFileRefusedWithLine()
    {
        const QString path = m_dirs.root.filePath("bad-areas.txt");
        writeAll(path, "# counties\nGreen County = Lobby\n");
        const auto read = AlertAreas::read(path, m_groups);
        const auto *problem = std::get_if<QString>(&read);
        QCOMPARE(problem ? *problem : QString(),
                 path + ", line 2: no group 'Lobby' in the groups file (Lobby screens, Cafeteria, Empty)");
    }

    void decision_data()
    {
        QTest::addColumn<CapAlert>("alert");
        QTest::addColumn<QList<SendLogRow>>("log");
        QTest::addColumn<QString>("decided");
        QTest::newRow("Alert") << alertOf("KSTO-1", "Alert") << QList<SendLogRow>{} << "start 10.0.0.5,10.0.0.6";
        QTest::newRow("Update, also where the earlier alert shows")
            << alertOf("KSTO-2", "Update", "Actual", kFirst) << QList<SendLogRow>{logged("10.0.0.9", kFirst)}
            << "start 10.0.0.5,10.0.0.6,10.0.0.9";
        QTest::newRow("Error") << alertOf("KSTO-2", "Error", "Actual", kFirst) << QList<SendLogRow>{}
                               << "none (an Error changes nothing)";
        QTest::newRow("Test") << alertOf("KSTO-1", "Alert", "Test") << QList<SendLogRow>{}
                              << "none (a Test alert: only Actual alerts reach players unless --accept test)";
        QTest::newRow("Ack") << alertOf("KSTO-2", "Ack", "Actual", kFirst) << QList<SendLogRow>{}
                             << "none (an Ack changes nothing)";
        QTest::newRow("Exercise") << alertOf("KSTO-1", "Alert", "Exercise") << QList<SendLogRow>{}
                                  << "none (an Exercise alert: only Actual alerts reach players unless --accept exercise)";
        QTest::newRow("expired") << alertOf("KSTO-1", "Alert", "Actual", {}, "2026-12-07T09:05:00-06:00")
                                 << QList<SendLogRow>{} << "none (expired at 2026-12-07T09:05:00-06:00)";
        QTest::newRow("Cancel of what no player shows")
            << alertOf("KSTO-3", "Cancel", "Actual", kFirst) << QList<SendLogRow>{logged("10.0.0.5", kOther)}
            << "none (no player shows an alert it cancels)";
    }

    // The players are 10.0.0.5 and 10.0.0.6; the log's lines are the sends before.
    void decision()
    {
        QFETCH(CapAlert, alert);
        QFETCH(QList<SendLogRow>, log);
        QFETCH(QString, decided);
        QVERIFY(!alert.identifier.isEmpty());
        const AlertTargets targets{{"10.0.0.5", "10.0.0.6"}, std::nullopt};
        const AlertDecision decision = planAlert(alert, AlertOptions(), targets, AlertLooks(), log, kNow);
        QCOMPARE(described(decision), decided);
    }

private:
    QString groupsFile() const { return m_dirs.root.filePath("groups.ini"); }
    TempDirs m_dirs;
    PlayerGroups m_groups;
};

QTEST_GUILESS_MAIN(tst_AlertPlan)
#include "tst_alertplan.moc"
