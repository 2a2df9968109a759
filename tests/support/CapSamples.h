#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// CAP alerts written for the tests from the standard, in a weather office's words.
namespace qvic::test {

inline const QString kCapSender = QStringLiteral("warnings@weather.example.org");

// A time in CAP's form, in the weather office's own offset, seconds from now: every run of a
// test is within its alerts' lives.
inline QString capTime(qint64 secondsFromNow)
{
    const QDateTime now = QDateTime::currentDateTime().toOffsetFromUtc(-6 * 3600);
    return now.addSecs(secondsFromNow).toString("yyyy-MM-ddTHH:mm:ss") + "-06:00";
}

// Every alert of a test was sent at the same whole minute, so that one can refer to another.
inline const QString kCapSent = capTime(-600).left(17) + "00-06:00";

struct CapSample
{
    QString identifier{};
    QString messageType = "Alert";
    QString references{}; // the identifiers of alerts sent before, as "KSTO-1 KSTO-2"
    QString expires = capTime(30 * 60);
    QString area = "Green County";
};

// One CAP alert with an English and a Spanish info.
inline QByteArray capAlert(const CapSample &alert)
{
    QStringList references;
    for (const QString &identifier : alert.references.split(' ', Qt::SkipEmptyParts))
        references << kCapSender + ',' + identifier + ',' + kCapSent;
    const QString info = R"(<info><language>%1</language><category>Met</category><event>%2</event>
    <urgency>Immediate</urgency><severity>Severe</severity><certainty>Observed</certainty>%3
    <headline>%4</headline><instruction>%5</instruction><area><areaDesc>%6</areaDesc></area></info>)";
    const QString expires = alert.expires.isEmpty() ? QString() : "<expires>" + alert.expires + "</expires>";
    return QString(R"(<alert xmlns="urn:oasis:names:tc:emergency:cap:1.2">
  <identifier>%1</identifier><sender>%2</sender><sent>%3</sent>
  <status>Actual</status><msgType>%4</msgType><scope>Public</scope>%5
  %6
  %7
</alert>
)")
        .arg(alert.identifier, kCapSender, kCapSent, alert.messageType,
             references.isEmpty() ? QString() : "<references>" + references.join(' ') + "</references>",
             info.arg("en-US", "Tornado Warning", expires, "Tornado Warning " + alert.identifier,
                      "Take shelter now.", alert.area),
             info.arg("es-US", "Aviso de tornado", expires, "Aviso de tornado " + alert.identifier,
                      "Refúgiese ahora.", alert.area))
        .toUtf8();
}

inline QByteArray atomFeed(const QList<QByteArray> &alerts)
{
    QByteArray feed = "<feed xmlns=\"http://www.w3.org/2005/Atom\"><id>urn:feed</id><title>Alerts</title>"
                      "<updated>2026-12-07T09:00:00-06:00</updated>\n";
    for (qsizetype i = 0; i < alerts.size(); ++i)
        feed += "<entry><id>urn:entry:" + QByteArray::number(i) + "</id><title>Alert</title>"
                "<updated>2026-12-07T09:00:00-06:00</updated><content type=\"application/cap+xml\">"
                + alerts[i] + "</content></entry>\n";
    return feed + "</feed>\n";
}

} // namespace qvic::test
