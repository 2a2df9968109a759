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

// One CAP alert; what is given replaces the msgType, status, references or area.
CapAlert alertOf(const QString &identifier, const QString &messageType, const QString &status = "Actual",
                 const QString &references = {}, const QString &area = "Green County",
                 const QString &expires = "2026-12-07T09:45:00-06:00")
{
    const QString xml = QString(R"(<alert xmlns="urn:oasis:names:tc:emergency:cap:1.2">
  <identifier>%1</identifier><sender>warnings@weather.example.org</sender>
  <sent>2026-12-07T09:00:00-06:00</sent><status>%2</status><msgType>%3</msgType><scope>Public</scope>%4
  <info><category>Met</category><event>Tornado Warning</event><urgency>Immediate</urgency>
    <severity>Extreme</severity><certainty>Observed</certainty><expires>%6</expires>
    <headline>Take shelter</headline>
    <area><areaDesc>%5</areaDesc><geocode><valueName>SAME</valueName><value>017001</value></geocode></area>
  </info>
</alert>)")
                            .arg(identifier, status, messageType,
                                 references.isEmpty() ? QString() : "<references>" + references + "</references>", area,
                                 expires);
    const auto read = readCapDocument(xml.toUtf8());
    const auto *document = std::get_if<CapDocument>(&read);
    return document && document->alerts.size() == 1 ? document->alerts.first() : CapAlert();
}

SendLogRow logged(const QString &action, const QString &player, const QString &alert, bool delivered = true)
{
    SendLogRow row;
    row.action = action;
    row.player = player;
    row.alert = alert;
    row.outcome = delivered ? "delivered" : "failed: Can't logon to this IP Address";
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

class tst_AlertPlan : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void areasReachTheirGroupsPlayers_data();
    void areasReachTheirGroupsPlayers();
    void badAreasFileRefused_data();
    void badAreasFileRefused();
    void decision_data();
    void decision();
    void referenceKeepsTheSendersOffset();

private:
    QString groupsFile() const { return m_dirs.root.filePath("groups.ini"); }
    TempDirs m_dirs;
    PlayerGroups m_groups;
};

void tst_AlertPlan::initTestCase()
{
    writeAll(groupsFile(), "[Lobby screens]\n10.0.0.5\n10.0.0.6\n[Cafeteria]\n10.0.0.6\n10.0.0.7\n[Empty]\n");
    QCOMPARE(m_groups.load(groupsFile()), QStringList());
    writeAll(m_dirs.root.filePath("areas.txt"), "# county names as the weather office writes them\n"
                                                "green county = Lobby screens\n"
                                                "Elm Creek township = Cafeteria, lobby screens\n"
                                                "geocode:same:017009 = Cafeteria\n");
}

void tst_AlertPlan::areasReachTheirGroupsPlayers_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("sameCode");
    QTest::addColumn<QString>("reached"); // groups, then players
    QTest::newRow("an area description without case")
        << "GREEN  County" << "017001" << "Lobby screens: 10.0.0.5,10.0.0.6";
    QTest::newRow("two groups, a shared player once")
        << "Elm Creek township" << "017003" << "Cafeteria,lobby screens: 10.0.0.6,10.0.0.7,10.0.0.5";
    QTest::newRow("a geocode") << "Red County" << "017009" << "Cafeteria: 10.0.0.6,10.0.0.7";
    QTest::newRow("no mapping") << "Red County" << "017011" << ": ";
}

void tst_AlertPlan::areasReachTheirGroupsPlayers()
{
    QFETCH(QString, description);
    QFETCH(QString, sameCode);
    QFETCH(QString, reached);
    const auto read = AlertAreas::read(m_dirs.root.filePath("areas.txt"), m_groups);
    QVERIFY(std::holds_alternative<AlertAreas>(read));
    CapInfo info;
    info.areas = {CapArea{description, {CapValue{"SAME", sameCode}}}};
    const AlertAreas::Reach reach = std::get<AlertAreas>(read).reach(info);
    QCOMPARE(reach.groups.join(',') + ": " + reach.players.join(','), reached);
}

void tst_AlertPlan::badAreasFileRefused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("refusal"); // after the file's path
    QTest::newRow("unknown group") << QByteArray("Green County = Lobby\n")
                                   << ", line 1: no group 'Lobby' in the groups file (Lobby screens, Cafeteria, Empty)";
    QTest::newRow("empty group") << QByteArray("\nGreen County = Empty\n")
                                 << ", line 2: the group 'Empty' holds no player address";
    QTest::newRow("no equals sign") << QByteArray("Green County: Lobby screens\n")
                                    << ", line 1: \"Green County: Lobby screens\" is no mapping AREA = GROUP, GROUP";
    QTest::newRow("geocode without its value")
        << QByteArray("geocode:SAME = Cafeteria\n") << ", line 1: \"geocode:SAME\" is no geocode:VALUENAME:VALUE";
}

void tst_AlertPlan::badAreasFileRefused()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, refusal);
    const QString path = m_dirs.root.filePath("bad-areas.txt");
    writeAll(path, file);
    const auto read = AlertAreas::read(path, m_groups);
    const auto *problem = std::get_if<QString>(&read);
    QCOMPARE(problem ? *problem : QString(), path + refusal);
}

void tst_AlertPlan::decision_data()
{
    QTest::addColumn<CapAlert>("alert");
    QTest::addColumn<QList<SendLogRow>>("log");
    QTest::addColumn<QString>("decided");
    QTest::newRow("Alert starts") << alertOf("KSTO-1", "Alert") << QList<SendLogRow>{} << "start 10.0.0.5,10.0.0.6";
    QTest::newRow("Update starts") << alertOf("KSTO-2", "Update", "Actual", kFirst) << QList<SendLogRow>{}
                                   << "start 10.0.0.5,10.0.0.6";
    QTest::newRow("Ack") << alertOf("KSTO-2", "Ack", "Actual", kFirst) << QList<SendLogRow>{}
                         << "none (an Ack changes nothing)";
    QTest::newRow("Error") << alertOf("KSTO-2", "Error", "Actual", kFirst) << QList<SendLogRow>{}
                           << "none (an Error changes nothing)";
    QTest::newRow("Exercise") << alertOf("KSTO-1", "Alert", "Exercise") << QList<SendLogRow>{}
                              << "none (an Exercise alert: only Actual alerts reach players unless --accept exercise)";
    QTest::newRow("System") << alertOf("KSTO-1", "Alert", "System") << QList<SendLogRow>{}
                            << "none (a System alert: only Actual alerts reach players unless --accept system)";
    QTest::newRow("Draft") << alertOf("KSTO-1", "Alert", "Draft") << QList<SendLogRow>{}
                           << "none (a Draft alert: only Actual alerts reach players unless --accept draft)";
    QTest::newRow("sent before, one failed")
        << alertOf("KSTO-1", "Alert")
        << QList<SendLogRow>{logged("start", "10.0.0.5", kFirst), logged("start", "10.0.0.6", kFirst, false)}
        << "start 10.0.0.6 (1 player already had it)";
    QTest::newRow("Update reaches the earlier players too")
        << alertOf("KSTO-2", "Update", "Actual", kFirst)
        << QList<SendLogRow>{logged("start", "10.0.0.9", kFirst), logged("start", "10.0.0.8", kFirst, false)}
        << "start 10.0.0.5,10.0.0.6,10.0.0.9";
    QTest::newRow("Cancel stops the players still showing it")
        << alertOf("KSTO-3", "Cancel", "Actual", kFirst)
        << QList<SendLogRow>{logged("start", "10.0.0.5", kFirst), logged("start", "10.0.0.9", kFirst),
                             logged("start", "10.0.0.7", kFirst), logged("start", "10.0.0.7", kOther),
                             logged("start", "10.0.0.8", kFirst, false)}
        << "stop 10.0.0.5,10.0.0.9";
    QTest::newRow("Cancel of what no player shows")
        << alertOf("KSTO-3", "Cancel", "Actual", kFirst) << QList<SendLogRow>{logged("start", "10.0.0.5", kOther)}
        << "none (no player shows an alert it cancels)";
}

// The players are 10.0.0.5 and 10.0.0.6; the log's lines are the sends before.
void tst_AlertPlan::decision()
{
    QFETCH(CapAlert, alert);
    QFETCH(QList<SendLogRow>, log);
    QFETCH(QString, decided);
    QVERIFY(!alert.identifier.isEmpty());
    const AlertTargets targets{{"10.0.0.5", "10.0.0.6"}, std::nullopt};
    const AlertDecision decision = planAlert(alert, AlertOptions(), targets, AlertLooks(), log, kNow);
    QCOMPARE(described(decision), decided);
    QCOMPARE(decision.crawl.has_value(), decision.action == AlertAction::Start);
}

void tst_AlertPlan::referenceKeepsTheSendersOffset()
{
    const CapAlert alert = alertOf("KSTO-1", "Alert");
    QCOMPARE(alertReference(alert.sender, alert.identifier, alert.sent), kFirst);
}

QTEST_GUILESS_MAIN(tst_AlertPlan)
#include "tst_alertplan.moc"
