#include "alerts/CapAlert.h"
#include "alerts/CrawlText.h"
#include "TestSupport.h"

using namespace qvic;

namespace {

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

    // What the alert command's hostile rows leave out; the fuzz target checks identifiers.
    void refusesDocumentWithWords_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("words");
        QTest::newRow("entity never declared")
            << minimalAlertWith("Lockdown</headline>", "&xxe;</headline>") << "not XML: entity 'xxe' not declared at line 14";
        QTest::newRow("1 MB and a byte") << kMinimalAlert + QByteArray(1024 * 1024 + 1 - kMinimalAlert.size(), ' ') << "larger than 1 MB";
        QTest::newRow("50,001 elements") << "<feed>" + QByteArray("<a/>").repeated(50000) + "</feed>" << "more than 50,000 elements";
        QTest::newRow("a second root") << kMinimalAlert + "<alert/>" << "not XML: extra content at end of document at line 18";
        QTest::newRow("a required element") << minimalAlertWith("<identifier>campus-1</identifier>", "") << "alert without <identifier>";
        QTest::newRow("a status CAP lacks") << minimalAlertWith("Actual", "Real")
            << "<status> \"Real\" is not one of Actual, Exercise, System, Test, Draft";
        QTest::newRow("a time without offset") << minimalAlertWith("09:00:00-05:00", "09:00:00")
            << "<sent> \"2026-12-07T09:00:00\" is not a time with its offset, like 2026-12-07T09:00:00-05:00";
        QTest::newRow("CAP 1.0") << minimalAlertWith("urn:oasis:names:tc:emergency:cap:1.2", "http://www.incident.com/cap/1.0")
            << "an alert in namespace http://www.incident.com/cap/1.0, not CAP 1.1 or 1.2";
    }

    void refusesDocumentWithWords()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, words);
        QCOMPARE(refusalOf(bytes), words);
    }

    void makesCrawlTextFromAnInfo_data()
    {
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("instruction");
        QTest::addColumn<QString>("text"); // what the crawl shows, or the refusal's words
        QTest::newRow("hyphens and minus signs they lack") << "Wind chill \u221230, non\u2011stop" << "" << "" << ""
            << "Wind chill -30, non-stop";
        QTest::newRow("a combining accent") << "Refu\u0301giese" << "" << "" << "" << "Refúgiese";
        QTest::newRow("an emoji") << "Tornado \U0001F32A" << "" << "" << ""
            << "the headline holds \"\U0001F32A\" (U+1F32A), which players cannot show";
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
};

QTEST_GUILESS_MAIN(tst_CapReader)
#include "tst_capreader.moc"
