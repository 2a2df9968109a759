#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <variant>

// Alerts in the Common Alerting Protocol (CAP 1.2 and 1.1), as weather services, fire panels and
// campus alert systems publish them: one alert per document, or many in an Atom feed.
namespace qvic {

enum class CapStatus { Actual, Exercise, System, Test, Draft };
enum class CapMessageType { Alert, Update, Cancel, Ack, Error };
enum class CapScope { Public, Restricted, Private };
enum class CapUrgency { Immediate, Expected, Future, Past, Unknown };
enum class CapSeverity { Extreme, Severe, Moderate, Minor, Unknown };
enum class CapCertainty { Observed, Likely, Possible, Unlikely, Unknown }; // 1.1's "Very Likely" reads as Likely

// The word CAP writes for a value ("Actual", "Cancel", "Extreme").
QString capWord(CapStatus status);
QString capWord(CapMessageType type);
QString capWord(CapScope scope);
QString capWord(CapUrgency urgency);
QString capWord(CapSeverity severity);
QString capWord(CapCertainty certainty);

// A geocode, event code or parameter: <valueName> and <value>.
struct CapValue
{
    QString valueName;
    QString value;
    bool operator==(const CapValue &) const = default;
};

struct CapArea
{
    QString description; // <areaDesc>
    QList<CapValue> geocodes;
    // Polygons, circles, altitude and ceiling are not read.
};

// One <info> block: the alert told in one language. Texts are as written, ends trimmed.
struct CapInfo
{
    QString language = QStringLiteral("en-US"); // CAP's default when <language> is absent
    QStringList categories;                      // "Met", "Fire", ... kept as written
    QString event;
    QStringList responseTypes;
    CapUrgency urgency = CapUrgency::Unknown;
    CapSeverity severity = CapSeverity::Unknown;
    CapCertainty certainty = CapCertainty::Unknown;
    QString audience;
    QList<CapValue> eventCodes;
    std::optional<QDateTime> effective;
    std::optional<QDateTime> onset;
    std::optional<QDateTime> expires;
    QString senderName;
    QString headline;
    QString description;
    QString instruction;
    QString web;
    QString contact;
    QList<CapValue> parameters;
    QList<CapArea> areas;
};

// An earlier alert that an Update, Cancel, Ack or Error refers to.
struct CapReference
{
    QString sender;
    QString identifier;
    QDateTime sent;
};

struct CapAlert
{
    QString version; // "1.2" or "1.1", from the namespace
    QString identifier;
    QString sender;
    QDateTime sent; // with the offset the sender wrote
    CapStatus status = CapStatus::Actual;
    CapMessageType messageType = CapMessageType::Alert;
    QString source;
    CapScope scope = CapScope::Public;
    QString restriction;
    QString addresses;
    QStringList codes;
    QString note;
    QList<CapReference> references;
    QString incidents;
    QList<CapInfo> infos;
};

// An Atom entry that carries no alert of its own, only a link to one.
struct CapFeedLink
{
    QString entryId;
    QString title;
    QString url; // the <link> href as written
};

// What a document holds: no alert at all (an empty feed, another wrapper), one, or many.
struct CapDocument
{
    QList<CapAlert> alerts;
    QList<CapFeedLink> linkedOnly;
    QStringList refusedEntries; // feed entries whose alert was refused, each in words
};

// Why a document, an alert or a text was refused, in words an operator reads.
struct CapRefusal
{
    QString words;
};

// Reads a CAP alert, or an Atom feed (or entry) of them, from the network: not trusted. Refused
// with words: more than 1 MB (before any reading), a DTD of any kind (so no entity can be
// declared), an entity reference, elements nested deeper than 64 or more than 50,000 of them,
// malformed XML, and an alert that is not CAP 1.1 or 1.2 or lacks what CAP requires. Times take
// CAP's form with a mandatory offset (2026-12-07T09:00:00-05:00); "Z" and fractions of a second
// are taken too. In a feed one refused alert leaves the others; elsewhere it refuses the document.
std::variant<CapDocument, CapRefusal> readCapDocument(const QByteArray &bytes);

// The info in the given language ("en-US"), compared without case; else the first whose primary
// subtag matches ("en" for "en-GB"); else the first. Points into alert; null when it has no info.
const CapInfo *chooseInfo(const CapAlert &alert, QStringView language);

// True when the info says it expires at or before now.
bool hasExpired(const CapInfo &info, const QDateTime &now);

} // namespace qvic
