#include "dispatch/SendLog.h"

#include "platform/TextFile.h"
#include "state/SharedState.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace qvic {

QString SendLog::pathFor(const SharedState &state)
{
    return QFileInfo(state.iniFile).dir().filePath(QStringLiteral("sendlog.csv"));
}

namespace {

// The log grows with every send; years of it still read whole.
constexpr qint64 kLogLimit = qint64(64) << 20;

// A spreadsheet runs a cell that starts like a formula; a document name or a
// player address an operator typed must stay text. Such a field is written
// behind an apostrophe, as spreadsheets take text, and so is one already
// starting with an apostrophe, so that reading drops exactly the one added.
bool startsLikeFormula(const QString &field)
{
    static const QString starts = QStringLiteral("=+-@\t\r'");
    return !field.isEmpty() && starts.contains(field.front());
}

QString textCell(const QString &field)
{
    return startsLikeFormula(field) ? u'\'' + field : field;
}

QString fromTextCell(const QString &cell)
{
    return cell.startsWith(u'\'') && startsLikeFormula(cell.mid(1)) ? cell.mid(1) : cell;
}

QByteArray csvLine(const QStringList &fields)
{
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        QByteArray field = textCell(fields[i]).toUtf8();
        if (field.contains(',') || field.contains('"') || field.contains('\r') || field.contains('\n'))
            field = '"' + field.replace("\"", "\"\"") + '"';
        line += (i ? "," : "") + field;
    }
    return line + "\r\n";
}

// One record from at, RFC 4180; at moves past its line end. Nothing when the
// text there is no well-formed record, and at is left alone.
std::optional<QStringList> parseRecord(const QByteArray &bytes, qsizetype &at)
{
    QStringList fields;
    qsizetype i = at;
    for (;;) {
        QByteArray field;
        if (i < bytes.size() && bytes[i] == '"') {
            for (++i;; ++i) {
                if (i >= bytes.size())
                    return std::nullopt; // the closing quote never came
                if (bytes[i] == '"') {
                    if (i + 1 < bytes.size() && bytes[i + 1] == '"')
                        ++i;
                    else
                        break;
                }
                field += bytes[i];
            }
            ++i;
        } else {
            while (i < bytes.size() && bytes[i] != ',' && bytes[i] != '\r' && bytes[i] != '\n') {
                if (bytes[i] == '"')
                    return std::nullopt;
                field += bytes[i++];
            }
        }
        fields << QString::fromUtf8(field);
        if (i >= bytes.size())
            break;
        if (bytes[i] == ',') {
            ++i;
            continue;
        }
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        if (bytes[i] != '\n')
            return std::nullopt; // text after a closing quote, or a lone CR
        ++i;
        break;
    }
    at = i;
    return fields;
}

} // namespace

SendLog::SendLog(QString path, Clock clock) : m_path(std::move(path)), m_clock(std::move(clock)) {}

const QStringList &SendLog::header()
{
    static const QStringList names{"time",   "action",  "document",       "settings",
                                   "player", "outcome", "bytes verified", "alert"};
    return names;
}

QString SendLog::actionWords(DeliveryAction action)
{
    switch (action) {
    case DeliveryAction::Start:
        return QStringLiteral("start");
    case DeliveryAction::Stop:
        return QStringLiteral("stop");
    case DeliveryAction::Kite7Start:
        return QStringLiteral("kite7 start");
    case DeliveryAction::Kite7Stop:
        return QStringLiteral("kite7 stop");
    }
    return {};
}

QString SendLog::outcomeWords(const PlayerResult &player)
{
    if (player.state == PlayerResult::State::Failed)
        return QStringLiteral("failed: ") + player.words;
    return playerStateWords(player.state);
}

QString SendLog::timeWords(const QDateTime &when)
{
    const int offset = when.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
           + QStringLiteral("%1%2:%3")
                 .arg(offset < 0 ? QStringLiteral("-") : QStringLiteral("+"))
                 .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                 .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

bool SendLog::append(DeliveryAction action, const QString &document, const QString &settingsLine,
                     const QList<PlayerResult> &players, QString *error, const QString &alert)
{
    const QString time = timeWords(m_clock());
    QByteArray lines;
    for (const PlayerResult &player : players)
        lines += csvLine({time, actionWords(action), document, settingsLine, player.player, outcomeWords(player),
                          QString::number(player.bytesVerified), alert});
    QDir().mkpath(QFileInfo(m_path).absolutePath()); // a missing AppDir shows as the append's own failure
    // Whether the file is new is decided under the append's lock: two sends ending
    // at once would otherwise both see an empty file and both write the header.
    return textfile::appendToFile(m_path, lines, error, csvLine(header()));
}

SendLog::Contents SendLog::read(const QString &path)
{
    Contents contents;
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return contents;
    const auto bytes = textfile::readFile(path, &contents.error, kLogLimit);
    if (!bytes)
        return contents;
    for (qsizetype at = 0; at < bytes->size();) {
        const qsizetype start = at;
        const auto fields = parseRecord(*bytes, at);
        bool numeric = false;
        // Seven fields on the lines of a log from before the alert column.
        const bool complete = fields && (fields->size() == 7 || fields->size() == 8);
        const qint64 verified = complete ? fields->at(6).toLongLong(&numeric) : 0;
        if (fields && fields->size() == 1 && fields->first().isEmpty())
            continue; // a blank line
        if (fields && (*fields == header() || *fields == header().first(7)))
            continue;
        if (!numeric) {
            // Skip to the next physical line, so one broken line costs no others.
            const qsizetype end = bytes->indexOf('\n', start);
            at = end < 0 ? bytes->size() : end + 1;
            ++contents.skipped;
            continue;
        }
        const QStringList &f = *fields;
        contents.rows.append({f[0], f[1], fromTextCell(f[2]), fromTextCell(f[3]), fromTextCell(f[4]),
                              fromTextCell(f[5]), verified, fromTextCell(f.value(7))});
    }
    return contents;
}

} // namespace qvic
