#include "alerts/CapAlert.h"
#include "alerts/CrawlText.h"
#include "TestSupport.h"

using namespace qvic;

namespace qvic {

// QCOMPARE names the values of a failing row.
char *toString(CapStatus value) { return qstrdup(qPrintable(capWord(value))); }
char *toString(CapMessageType value) { return qstrdup(qPrintable(capWord(value))); }
char *toString(CapScope value) { return qstrdup(qPrintable(capWord(value))); }
char *toString(CapUrgency value) { return qstrdup(qPrintable(capWord(value))); }
char *toString(CapSeverity value) { return qstrdup(qPrintable(capWord(value))); }
char *toString(CapCertainty value) { return qstrdup(qPrintable(capWord(value))); }

} // namespace qvic

namespace {

QByteArray sample(const QString &file)
{
    return test::readAll(QVIC_TEST_DATA_DIR "/cap/" + file);
}

QString refusalOf(const QByteArray &bytes)
{
    const auto read = readCapDocument(bytes);
    return std::holds_alternative<CapRefusal>(read) ? std::get<CapRefusal>(read).words : QString();
}

// The document's alerts; a refusal leaves its words in the log and gives none.
CapDocument documentOf(const QByteArray &bytes)
{
    const auto read = readCapDocument(bytes);
    if (const auto *refusal = std::get_if<CapRefusal>(&read)) {
        qWarning("refused: %s", qPrintable(refusal->words));
        return {};
    }
    return std::get<CapDocument>(read);
}

CapAlert alertOf(const QString &file)
{
    const CapDocument document = documentOf(sample(file));
    return document.alerts.size() == 1 ? document.alerts.first() : CapAlert();
}

QString iso(const std::optional<QDateTime> &time)
{
    return time ? time->toString(Qt::ISODateWithMs) : QStringLiteral("none");
}

QStringList triples(const QList<CapReference> &references)
{
    QStringList shown;
    for (const CapReference &reference : references)
        shown.append(reference.sender + u',' + reference.identifier + u',' + iso(reference.sent));
    return shown;
}

// The smallest alert CAP takes; rows replace one of its lines.
const QByteArray kMinimalAlert = R"(<alert xmlns="urn:oasis:names:tc:emergency:cap:1.2">
  <identifier>campus-1</identifier>
  <sender>alerts@campus.example.edu</sender>
  <sent>2026-12-07T09:00:00-05:00</sent>
  <status>Actual</status>
  <msgType>Alert</msgType>
  <scope>Public</scope>
  <info>
    <category>Safety</category>
    <event>Lockdown</event>
    <urgency>Immediate</urgency>
    <severity>Severe</severity>
    <certainty>Observed</certainty>
    <headline>Lockdown</headline>
    <area><areaDesc>Main campus</areaDesc><geocode><valueName>zone</valueName><value>A</value></geocode></area>
  </info>
</alert>
)";

QByteArray minimalAlertWith(const QByteArray &line, const QByteArray &replacement)
{
    QByteArray alert = kMinimalAlert;
    return alert.replace(line, replacement);
}

} // namespace

class tst_CapReader : public QObject
{
    Q_OBJECT

private slots:
    void readsAlertToItsFields()
    {
        const CapAlert alert = alertOf(QStringLiteral("tornado-warning.xml"));
        QCOMPARE(alert.version, QStringLiteral("1.2"));
        QCOMPARE(alert.identifier, QStringLiteral("KSTO-2026-12-07-0001"));
        QCOMPARE(alert.sender, QStringLiteral("warnings@weather.example.org"));
        QCOMPARE(iso(alert.sent), QStringLiteral("2026-12-07T09:00:00.000-06:00"));
        QCOMPARE(alert.source, QStringLiteral("Springfield forecast office"));
        QCOMPARE(alert.codes, QStringList{QStringLiteral("IPAWSv1.0")});
        QCOMPARE(alert.infos.size(), 2);
    }

    void readsInfoToItsFields()
    {
        const CapInfo info = alertOf(QStringLiteral("tornado-warning.xml")).infos.value(0);
        QCOMPARE(info.language, QStringLiteral("en-US"));
        QCOMPARE(info.categories, QStringList{QStringLiteral("Met")});
        QCOMPARE(info.event, QStringLiteral("Tornado Warning"));
        QCOMPARE(info.responseTypes, QStringList{QStringLiteral("Shelter")});
        QCOMPARE(info.eventCodes, (QList<CapValue>{{QStringLiteral("SAME"), QStringLiteral("TOR")}}));
        QCOMPARE(iso(info.effective), QStringLiteral("2026-12-07T09:00:00.000-06:00"));
        QCOMPARE(iso(info.onset), QStringLiteral("2026-12-07T09:00:00.000-06:00"));
        QCOMPARE(iso(info.expires), QStringLiteral("2026-12-07T09:45:00.000-06:00"));
        QCOMPARE(info.senderName, QStringLiteral("Springfield Weather Office"));
        QCOMPARE(info.headline, QStringLiteral("Tornado Warning for Green County until 9:45 AM"));
        QCOMPARE(info.description, QStringLiteral("A tornado was sighted\n      near Elm Creek, moving east at 30 mph."));
        QCOMPARE(info.instruction, QStringLiteral("Take shelter now in an interior room on the lowest floor."));
        QCOMPARE(info.web, QStringLiteral("https://weather.example.org/warnings/0001"));
        QCOMPARE(info.contact, QStringLiteral("Springfield Weather Office, 555-0100"));
        QCOMPARE(info.parameters, (QList<CapValue>{{QStringLiteral("WindSpeed"), QStringLiteral("110 mph")}}));
    }

    void readsTwoAreasAndTwoLanguages()
    {
        const CapAlert alert = alertOf(QStringLiteral("tornado-warning.xml"));
        const QList<CapArea> areas = alert.infos.value(0).areas;
        QCOMPARE(areas.size(), 2);
        QCOMPARE(areas[0].description, QStringLiteral("Green County"));
        QCOMPARE(areas[0].geocodes, (QList<CapValue>{{QStringLiteral("SAME"), QStringLiteral("017001")}}));
        QCOMPARE(areas[1].description, QStringLiteral("Elm Creek township"));
        QCOMPARE(areas[1].geocodes, (QList<CapValue>{{QStringLiteral("SAME"), QStringLiteral("017003")},
                                                    {QStringLiteral("UGC"), QStringLiteral("ILC003")}}));
        QCOMPARE(alert.infos.value(1).language, QStringLiteral("es-US"));
        QCOMPARE(alert.infos.value(1).description, QStringLiteral("Se avistó un tornado cerca de Elm Creek."));
    }

    void readsEveryStatusAndMessageType_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("version");
        QTest::addColumn<CapStatus>("status");
        QTest::addColumn<CapMessageType>("messageType");
        QTest::addColumn<CapScope>("scope");
        QTest::newRow("actual alert") << "tornado-warning.xml" << "1.2" << CapStatus::Actual << CapMessageType::Alert << CapScope::Public;
        QTest::newRow("update") << "tornado-warning-update.xml" << "1.2" << CapStatus::Actual << CapMessageType::Update << CapScope::Public;
        QTest::newRow("cancel") << "tornado-warning-cancel.xml" << "1.2" << CapStatus::Actual << CapMessageType::Cancel << CapScope::Public;
        QTest::newRow("exercise in CAP 1.1") << "fire-drill.xml" << "1.1" << CapStatus::Exercise << CapMessageType::Alert << CapScope::Restricted;
        QTest::newRow("system ack") << "heartbeat-ack.xml" << "1.2" << CapStatus::System << CapMessageType::Ack << CapScope::Private;
        QTest::newRow("test") << "siren-test.xml" << "1.2" << CapStatus::Test << CapMessageType::Alert << CapScope::Public;
        QTest::newRow("draft error") << "draft-error.xml" << "1.2" << CapStatus::Draft << CapMessageType::Error << CapScope::Public;
    }

    void readsEveryStatusAndMessageType()
    {
        QFETCH(QString, file);
        QFETCH(QString, version);
        QFETCH(CapStatus, status);
        QFETCH(CapMessageType, messageType);
        QFETCH(CapScope, scope);
        const CapAlert alert = alertOf(file);
        QCOMPARE(alert.version, version);
        QCOMPARE(alert.status, status);
        QCOMPARE(alert.messageType, messageType);
        QCOMPARE(alert.scope, scope);
    }

    void readsEverySeverity_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<CapSeverity>("severity");
        QTest::addColumn<CapUrgency>("urgency");
        QTest::addColumn<CapCertainty>("certainty");
        QTest::newRow("extreme") << "tornado-warning.xml" << CapSeverity::Extreme << CapUrgency::Immediate << CapCertainty::Observed;
        QTest::newRow("severe") << "tornado-warning-update.xml" << CapSeverity::Severe << CapUrgency::Expected << CapCertainty::Likely;
        QTest::newRow("moderate, CAP 1.1's Very Likely") << "fire-drill.xml" << CapSeverity::Moderate << CapUrgency::Expected << CapCertainty::Likely;
        QTest::newRow("minor") << "tornado-warning-cancel.xml" << CapSeverity::Minor << CapUrgency::Past << CapCertainty::Observed;
        QTest::newRow("unknown") << "siren-test.xml" << CapSeverity::Unknown << CapUrgency::Unknown << CapCertainty::Unknown;
    }

    void readsEverySeverity()
    {
        QFETCH(QString, file);
        QFETCH(CapSeverity, severity);
        QFETCH(CapUrgency, urgency);
        QFETCH(CapCertainty, certainty);
        const CapInfo info = alertOf(file).infos.value(0);
        QCOMPARE(info.severity, severity);
        QCOMPARE(info.urgency, urgency);
        QCOMPARE(info.certainty, certainty);
    }

    void readsWhoAnAlertIsForAndItsNote()
    {
        QCOMPARE(alertOf(QStringLiteral("fire-drill.xml")).restriction, QStringLiteral("Campus staff only"));
        QCOMPARE(alertOf(QStringLiteral("heartbeat-ack.xml")).addresses, QStringLiteral("signage@campus.example.edu"));
        QCOMPARE(alertOf(QStringLiteral("draft-error.xml")).note, QStringLiteral("The referenced draft named the wrong county."));
    }

    void readsReferencesAsSenderIdentifierSent_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("references");
        QTest::newRow("update") << "tornado-warning-update.xml" << QStringList{
            "warnings@weather.example.org,KSTO-2026-12-07-0001,2026-12-07T09:00:00.000-06:00"};
        QTest::newRow("cancel of the alert and its update, over two lines") << "tornado-warning-cancel.xml" << QStringList{
            "warnings@weather.example.org,KSTO-2026-12-07-0001,2026-12-07T09:00:00.000-06:00",
            "warnings@weather.example.org,KSTO-2026-12-07-0002,2026-12-07T09:20:00.000-06:00"};
        QTest::newRow("ack, at -00:00, which is UTC") << "heartbeat-ack.xml" << QStringList{
            "signage@campus.example.edu,hb-000416,2026-12-07T14:59:00.000Z"};
        QTest::newRow("an alert refers to none") << "tornado-warning.xml" << QStringList();
    }

    void readsReferencesAsSenderIdentifierSent()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, references);
        QCOMPARE(triples(alertOf(file).references), references);
    }

    // A Cancel finds the alert it cancels by the three together, the time as an instant.
    void cancelReferencesTheAlertItCancels()
    {
        const CapAlert alert = alertOf(QStringLiteral("tornado-warning.xml"));
        const CapReference cancelled = alertOf(QStringLiteral("tornado-warning-cancel.xml")).references.value(0);
        QCOMPARE(cancelled.sender, alert.sender);
        QCOMPARE(cancelled.identifier, alert.identifier);
        QCOMPARE(cancelled.sent, alert.sent);
    }

    void tellsWhetherAnInfoHasExpired_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<bool>("expired");
        const QDateTime expires(QDate(2026, 11, 30), QTime(15, 0), Qt::UTC); // 09:00 at -06:00
        QTest::newRow("a week after") << "expired-frost-advisory.xml" << expires.addDays(7) << true;
        QTest::newRow("at its expiry") << "expired-frost-advisory.xml" << expires << true;
        QTest::newRow("a second before") << "expired-frost-advisory.xml" << expires.addSecs(-1) << false;
        QTest::newRow("no expiry given") << "siren-test.xml" << expires.addYears(10) << false;
    }

    void tellsWhetherAnInfoHasExpired()
    {
        QFETCH(QString, file);
        QFETCH(QDateTime, now);
        QFETCH(bool, expired);
        QCOMPARE(hasExpired(alertOf(file).infos.value(0), now), expired);
    }

    void readsAtomFeedOfThreeAlerts()
    {
        const CapDocument document = documentOf(sample(QStringLiteral("campus-feed.xml")));
        QStringList identifiers;
        for (const CapAlert &alert : document.alerts)
            identifiers.append(alert.identifier);
        QCOMPARE(identifiers, (QStringList{"campus-101", "campus-102", "campus-103"}));
        QCOMPARE(document.linkedOnly.size(), 0);
        QCOMPARE(document.refusedEntries, QStringList());
    }

    void reportsFeedEntriesThatOnlyLinkToTheirAlert()
    {
        const CapDocument document = documentOf(sample(QStringLiteral("linked-feed.xml")));
        QCOMPARE(document.alerts.size(), 0);
        QCOMPARE(document.linkedOnly.size(), 2);
        QCOMPARE(document.linkedOnly[0].entryId, QStringLiteral("https://weather.example.org/alerts/KSTO-0001"));
        QCOMPARE(document.linkedOnly[0].title, QStringLiteral("Tornado Warning for Green County"));
        QCOMPARE(document.linkedOnly[0].url, QStringLiteral("https://weather.example.org/alerts/KSTO-0001.xml")); // the CAP link, not the page
        QCOMPARE(document.linkedOnly[1].url, QStringLiteral("https://weather.example.org/alerts/KSTO-0004"));
    }

    void refusesOneFeedEntryAndKeepsTheOthers()
    {
        const QByteArray entry = "<entry><id>urn:campus:%1</id><content type=\"application/cap+xml\">%2</content></entry>";
        const QByteArray feed = "<feed xmlns=\"http://www.w3.org/2005/Atom\">"
                                + QByteArray(entry).replace("%1", "1").replace("%2", kMinimalAlert)
                                + QByteArray(entry).replace("%1", "2").replace("%2", minimalAlertWith("<sender>alerts@campus.example.edu</sender>", ""))
                                + "</feed>";
        const CapDocument document = documentOf(feed);
        QCOMPARE(document.alerts.size(), 1);
        QCOMPARE(document.refusedEntries, QStringList{"feed entry 2 \"urn:campus:2\": alert without <sender>"});
    }

    void documentWithoutAlertMeansNoAlert_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("an empty feed") << sample(QStringLiteral("empty-feed.xml"));
        QTest::newRow("an RSS channel") << sample(QStringLiteral("rss-wrapper.xml"));
        QTest::newRow("a feed element outside Atom") << QByteArray("<feed><entry><alert/></entry></feed>");
    }

    void documentWithoutAlertMeansNoAlert()
    {
        QFETCH(QByteArray, bytes);
        const auto read = readCapDocument(bytes);
        QVERIFY(std::holds_alternative<CapDocument>(read));
        QCOMPARE(std::get<CapDocument>(read).alerts.size(), 0);
        QCOMPARE(std::get<CapDocument>(read).linkedOnly.size(), 0);
        QCOMPARE(std::get<CapDocument>(read).refusedEntries, QStringList());
    }

    void refusesHostileDocument_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("words");
        QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE alert [\n<!ENTITY lol0 \"lol\">\n";
        for (int i = 1; i < 10; ++i)
            laughs += QStringLiteral("<!ENTITY lol%1 \"%2\">\n").arg(i).arg(QStringLiteral("&lol%1;").arg(i - 1).repeated(10)).toLatin1();
        laughs += "]>\n<alert xmlns=\"urn:oasis:names:tc:emergency:cap:1.2\"><identifier>&lol9;</identifier></alert>\n";
        QTest::newRow("billion laughs") << laughs << "a document with a DTD is refused";
        QTest::newRow("external entity")
            << QByteArray("<!DOCTYPE alert [<!ENTITY xxe SYSTEM \"file:///etc/passwd\">]>\n"
                          "<alert xmlns=\"urn:oasis:names:tc:emergency:cap:1.2\"><note>&xxe;</note></alert>")
            << "a document with a DTD is refused";
        QTest::newRow("entity never declared")
            << minimalAlertWith("Lockdown</headline>", "&xxe;</headline>") << "not XML: entity 'xxe' not declared at line 14";
        QTest::newRow("100 MB") << QByteArray(100 * 1024 * 1024, ' ') << "larger than 1 MB";
        QTest::newRow("1 MB and a byte") << kMinimalAlert + QByteArray(1024 * 1024 + 1 - kMinimalAlert.size(), ' ') << "larger than 1 MB";
        QTest::newRow("10,000 deep") << QByteArray("<a>").repeated(10000) + QByteArray("</a>").repeated(10000) << "nested deeper than 64 elements";
        QTest::newRow("10,000 deep in a headline")
            << minimalAlertWith("Lockdown</headline>", QByteArray("<b>").repeated(10000) + QByteArray("</b>").repeated(10000) + "</headline>")
            << "nested deeper than 64 elements";
        QTest::newRow("50,001 elements") << "<feed>" + QByteArray("<a/>").repeated(50000) + "</feed>" << "more than 50,000 elements";
        QTest::newRow("not XML") << QByteArray("Tornado warning for Green County\n") << "not XML: start tag expected at line 1";
        QTest::newRow("nothing") << QByteArray() << "not XML: premature end of document at line 1";
        QTest::newRow("tags that do not match") << QByteArray("<alert>\n<info>\n</alert>") << "not XML: opening and ending tag mismatch at line 3";
        QTest::newRow("cut short") << kMinimalAlert.left(200) << "not XML: premature end of document at line 5";
        QTest::newRow("a second root") << kMinimalAlert + "<alert/>" << "not XML: extra content at end of document at line 18";
    }

    void refusesHostileDocument()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, words);
        QCOMPARE(refusalOf(bytes), words);
    }

    void readsDocumentOfExactlyOneMegabyte()
    {
        const QByteArray padded = kMinimalAlert + QByteArray(1024 * 1024 - kMinimalAlert.size(), ' ');
        QCOMPARE(documentOf(padded).alerts.size(), 1);
    }

    void refusesAlertLackingWhatCapRequires_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("replacement");
        QTest::addColumn<QString>("words");
        QTest::newRow("identifier") << QByteArray("<identifier>campus-1</identifier>") << QByteArray() << "alert without <identifier>";
        QTest::newRow("sender") << QByteArray("<sender>alerts@campus.example.edu</sender>") << QByteArray() << "alert without <sender>";
        QTest::newRow("sent") << QByteArray("<sent>2026-12-07T09:00:00-05:00</sent>") << QByteArray() << "alert without <sent>";
        QTest::newRow("status") << QByteArray("<status>Actual</status>") << QByteArray() << "alert without <status>";
        QTest::newRow("msgType") << QByteArray("<msgType>Alert</msgType>") << QByteArray() << "alert without <msgType>";
        QTest::newRow("scope") << QByteArray("<scope>Public</scope>") << QByteArray() << "alert without <scope>";
        QTest::newRow("category") << QByteArray("<category>Safety</category>") << QByteArray() << "info without <category>";
        QTest::newRow("event") << QByteArray("<event>Lockdown</event>") << QByteArray() << "info without <event>";
        QTest::newRow("urgency") << QByteArray("<urgency>Immediate</urgency>") << QByteArray() << "info without <urgency>";
        QTest::newRow("severity") << QByteArray("<severity>Severe</severity>") << QByteArray() << "info without <severity>";
        QTest::newRow("certainty") << QByteArray("<certainty>Observed</certainty>") << QByteArray() << "info without <certainty>";
        QTest::newRow("areaDesc") << QByteArray("<areaDesc>Main campus</areaDesc>") << QByteArray() << "area without <areaDesc>";
        QTest::newRow("valueName") << QByteArray("<valueName>zone</valueName>") << QByteArray() << "<geocode> without <valueName>";
        QTest::newRow("a status CAP lacks") << QByteArray("Actual") << QByteArray("Real")
            << "<status> \"Real\" is not one of Actual, Exercise, System, Test, Draft";
        QTest::newRow("a severity CAP lacks") << QByteArray("Severe<") << QByteArray("Catastrophic<")
            << "<severity> \"Catastrophic\" is not one of Extreme, Severe, Moderate, Minor, Unknown";
        QTest::newRow("a time without offset") << QByteArray("09:00:00-05:00") << QByteArray("09:00:00")
            << "<sent> \"2026-12-07T09:00:00\" is not a time with its offset, like 2026-12-07T09:00:00-05:00";
        QTest::newRow("a day that does not exist") << QByteArray("2026-12-07") << QByteArray("2026-02-30")
            << "<sent> \"2026-02-30T09:00:00-05:00\" is not a time with its offset, like 2026-12-07T09:00:00-05:00";
        QTest::newRow("an identifier with a space") << QByteArray("campus-1") << QByteArray("campus 1")
            << "<identifier> \"campus 1\" holds a space, comma, < or &, which CAP forbids there";
        QTest::newRow("two identifiers") << QByteArray("<sender>") << QByteArray("<identifier>campus-2</identifier><sender>")
            << "alert with more than one <identifier>";
        QTest::newRow("a reference of two parts") << QByteArray("<scope>") << QByteArray("<references>a@b,x-1</references><scope>")
            << "<references> holds \"a@b,x-1\", not sender,identifier,sent";
        QTest::newRow("a headline holding markup") << QByteArray("Lockdown</headline>") << QByteArray("<b>Lockdown</b></headline>")
            << "<headline> holds an element, where CAP has text only";
        QTest::newRow("CAP 1.0") << QByteArray("urn:oasis:names:tc:emergency:cap:1.2") << QByteArray("http://www.incident.com/cap/1.0")
            << "an alert in namespace http://www.incident.com/cap/1.0, not CAP 1.1 or 1.2";
        QTest::newRow("no namespace") << QByteArray(" xmlns=\"urn:oasis:names:tc:emergency:cap:1.2\"") << QByteArray()
            << "an alert in no namespace, not CAP 1.1 or 1.2";
    }

    void refusesAlertLackingWhatCapRequires()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, replacement);
        QFETCH(QString, words);
        QCOMPARE(refusalOf(minimalAlertWith(line, replacement)), words);
    }

    void readsTimesWithTheirOffset_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("read");
        QTest::newRow("behind UTC") << QByteArray("2026-12-07T09:00:00-05:00") << "2026-12-07T09:00:00.000-05:00";
        QTest::newRow("half an hour ahead") << QByteArray("2026-12-07T14:30:00+05:30") << "2026-12-07T14:30:00.000+05:30";
        QTest::newRow("-00:00, CAP's UTC") << QByteArray("2026-12-07T14:00:00-00:00") << "2026-12-07T14:00:00.000Z";
        QTest::newRow("Z, which CAP forbids but means the same") << QByteArray("2026-12-07T14:00:00Z") << "2026-12-07T14:00:00.000Z";
        QTest::newRow("fractions of a second") << QByteArray("2026-12-07T09:00:00.25-05:00") << "2026-12-07T09:00:00.250-05:00";
    }

    void readsTimesWithTheirOffset()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QString, read);
        const CapDocument document = documentOf(minimalAlertWith("2026-12-07T09:00:00-05:00", sent));
        QCOMPARE(iso(document.alerts.value(0).sent), read);
    }

    void choosesInfoInTheOperatorsLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("the same tag") << "es-US" << "es-US";
        QTest::newRow("the same tag in other case") << "ES-us" << "es-US";
        QTest::newRow("a primary subtag") << "es" << "es-US";
        QTest::newRow("another region") << "es-MX" << "es-US";
        QTest::newRow("no such language: the first") << "fr-CA" << "en-US";
        QTest::newRow("none asked: the first") << "" << "en-US";
    }

    void choosesInfoInTheOperatorsLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, chosen);
        const CapAlert alert = alertOf(QStringLiteral("tornado-warning.xml"));
        const CapInfo *info = chooseInfo(alert, language);
        QVERIFY(info);
        QCOMPARE(info->language, chosen);
    }

    void choosesNoInfoOfAnAlertWithout()
    {
        QVERIFY(!chooseInfo(alertOf(QStringLiteral("heartbeat-ack.xml")), u"en-US"));
    }

    void makesCrawlTextFromAnInfo_data()
    {
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("instruction");
        QTest::addColumn<QString>("text"); // what the crawl shows, or the refusal's words
        QTest::newRow("headline, description, instruction") << "Tornado Warning" << "Tornado" << "A tornado was sighted"
            << "Take shelter now." << "Tornado Warning: A tornado was sighted. Take shelter now.";
        QTest::newRow("the event without a headline") << "" << "Ice" << "Walkways are icy." << ""
            << "Ice: Walkways are icy.";
        QTest::newRow("a headline alone") << "Library closed" << "Closure" << "" << "" << "Library closed";
        QTest::newRow("a headline that ends a sentence") << "Take cover!" << "" << "" << "Hail is near."
            << "Take cover! Hail is near.";
        QTest::newRow("a sentence ending in a quote") << "Flood" << "" << "Police said \"stay in.\"" << "Close windows."
            << "Flood: Police said \"stay in.\" Close windows.";
        QTest::newRow("runs of white space") << "  Flood\n Warning " << "" << "Water\t\trising\r\n   fast." << ""
            << "Flood Warning: Water rising fast.";
        QTest::newRow("control characters") << "Flood\aWarning" << "" << "Water\u0085rising" << ""
            << "Flood Warning: Water rising";
        QTest::newRow("typographic quotes and dashes the players have") << "\u201CShelter\u201D \u2013 now" << "" << "" << ""
            << "\u201CShelter\u201D \u2013 now";
        QTest::newRow("no-break and thin spaces") << "9\u00A0AM\u2009today" << "" << "" << "" << "9 AM today";
        QTest::newRow("hyphens and minus signs they lack") << "Wind chill \u221230, non\u2011stop" << "" << "" << ""
            << "Wind chill -30, non-stop";
        QTest::newRow("a ligature and a fullwidth letter") << "\uFB01re in hall \uFF22" << "" << "" << "" << "fire in hall B";
        QTest::newRow("a fraction") << "\u2153 mile" << "" << "" << "" << "1/3 mile";
        QTest::newRow("a combining accent") << "Refu\u0301giese" << "" << "" << "" << "Refúgiese";
        QTest::newRow("invisible characters") << "Tor\u00ADnado\u200B Warning\uFEFF" << "" << "" << "" << "Tornado Warning";
        QTest::newRow("an emoji") << "Tornado \U0001F32A" << "" << "" << ""
            << "the headline holds \"\U0001F32A\" (U+1F32A), which players cannot show";
        QTest::newRow("Greek") << "Earthquake" << "" << "\u03A3\u03B5\u03B9\u03C3\u03BC\u03CC\u03C2" << ""
            << "the description holds \"\u03A3\" (U+03A3), which players cannot show";
        QTest::newRow("nothing to show") << "" << "" << " " << ""
            << "the info holds no headline, event, description or instruction to show";
    }

    void makesCrawlTextFromAnInfo()
    {
        QFETCH(QString, headline);
        QFETCH(QString, event);
        QFETCH(QString, description);
        QFETCH(QString, instruction);
        QFETCH(QString, text);
        CapInfo info;
        info.headline = headline;
        info.event = event;
        info.description = description;
        info.instruction = instruction;
        const auto made = crawlText(info);
        QCOMPARE(std::holds_alternative<QString>(made) ? std::get<QString>(made) : std::get<CapRefusal>(made).words, text);
    }

    void makesCrawlTextOfTheChosenLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("text");
        QTest::newRow("English") << "en-US" << "Tornado Warning for Green County until 9:45 AM: A tornado was sighted "
                                               "near Elm Creek, moving east at 30 mph. Take shelter now in an interior "
                                               "room on the lowest floor.";
        QTest::newRow("Spanish") << "es" << "Aviso de tornado para el condado Green hasta las 9:45: Se avistó un "
                                            "tornado cerca de Elm Creek. Refúgiese ahora.";
    }

    void makesCrawlTextOfTheChosenLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, text);
        const CapAlert alert = alertOf(QStringLiteral("tornado-warning.xml"));
        const CapInfo *info = chooseInfo(alert, language);
        QVERIFY(info);
        const auto made = crawlText(*info);
        QCOMPARE(std::get<QString>(made), text);
    }
};

QTEST_GUILESS_MAIN(tst_CapReader)
#include "tst_capreader.moc"
