#include "dispatch/PlayerStatus.h"

#include "dispatch/PlayerAddress.h"
#include "platform/Numbers.h"
#include "platform/Win1252.h"

#include <QRegularExpression>

#include <algorithm>

namespace qvic {
namespace {

constexpr qint64 kCommandFileLimit = 64 * 1024;
constexpr double kLongestDwellSeconds = 300.0 * 365 * 24 * 3600;
// A command file's time stamp is written when the send starts, the log's line
// when it ends; a stamp this much older than the last send belongs to another.
constexpr qint64 kStampSlackSeconds = 10 * 60;
// A clock a few minutes ahead of ours is no sign of anything.
constexpr qint64 kFutureSlackSeconds = 5 * 60;

std::nullopt_t refuse(QString *why, const QString &words)
{
    if (why)
        *why = words;
    return std::nullopt;
}

// What a text found on a player looks like, shortened for a line of words.
QString shown(const QString &text)
{
    QString line = text.left(60);
    for (QChar &c : line)
        if (c.unicode() < 0x20)
            c = u' ';
    return u'"' + line + (text.size() > 60 ? QStringLiteral("...\"") : QStringLiteral("\""));
}

std::optional<QDateTime> readStamp(const QString &line)
{
    static const QRegularExpression stamp(
        QStringLiteral("^Time=(\\d\\d)/(\\d\\d)/(\\d{4}) (\\d\\d):(\\d\\d):(\\d\\d) (AM|PM)$"));
    const QRegularExpressionMatch match = stamp.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    const int hour12 = match.captured(4).toInt();
    if (hour12 < 1 || hour12 > 12)
        return std::nullopt;
    const int hour = hour12 % 12 + (match.captured(7) == u"PM" ? 12 : 0);
    const QDate date(match.captured(3).toInt(), match.captured(1).toInt(), match.captured(2).toInt());
    const QTime time(hour, match.captured(5).toInt(), match.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::LocalTime);
}

// A document name the player would look up in its media folder, and nothing else.
bool isPlainName(const QString &name)
{
    static const QRegularExpression unsafe(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(unsafe);
}

// The last delivered send of a start or stop from this computer to the player.
std::optional<SendLogRow> lastSendTo(const QString &player, const QList<SendLogRow> &log)
{
    const QString identity = playerIdentity(player);
    for (auto row = log.crbegin(); row != log.crend(); ++row) {
        const bool sendOfCrawl = row->action == u"start" || row->action == u"stop";
        if (sendOfCrawl && row->outcome.startsWith(QLatin1String("delivered"))
            && playerIdentity(row->player) == identity)
            return *row;
    }
    return std::nullopt;
}

QString differenceFromLastSend(const PlayerStatus &status, const std::optional<CommandFile> &file,
                               const QList<SendLogRow> &log)
{
    const auto last = lastSendTo(status.player, log);
    if (!last)
        return {};
    const QString sent = last->action == u"start" ? QStringLiteral("a start of %1 at %2").arg(last->document, last->time)
                                                  : QStringLiteral("a stop at %1").arg(last->time);
    QString found;
    if (!file)
        found = QStringLiteral("the player holds no command file of ours");
    else if (file->message != last->settings)
        found = file->kind == CommandFile::Kind::Start ? QStringLiteral("the player holds a start of %1").arg(file->document)
                : file->kind == CommandFile::Kind::Stop ? QStringLiteral("the player holds a stop")
                                                        : QStringLiteral("the player holds a Kite-7 device command");
    else if (const QDateTime sentAt = QDateTime::fromString(last->time, Qt::ISODate);
             sentAt.isValid() && file->stamp.secsTo(sentAt) > kStampSlackSeconds)
        found = QStringLiteral("the player's command is older, of %1").arg(file->stamp.toString(Qt::ISODate));
    if (found.isEmpty())
        return {};
    return QStringLiteral("differs from last send (%1; last sent: %2)").arg(found, sent);
}

} // namespace

std::optional<CommandFile> readCommandFile(const QByteArray &bytes, QString *why)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return refuse(why, QStringLiteral("the command file is UTF-16 text, not the Windows-1252 the program writes"));
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return refuse(why, QStringLiteral("the command file is UTF-8 text with a byte order mark, which the program never writes"));
    for (const char c : bytes)
        if ((uchar(c) < 0x20 && c != '\r' && c != '\n' && c != '\t') || c == '\x7f')
            return refuse(why, QStringLiteral("the command file holds binary bytes"));
    if (bytes.contains('\r') && !bytes.contains('\n'))
        return refuse(why, QStringLiteral("the command file's lines end in CR alone, which the program never writes"));
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() != 2)
        return refuse(why, QStringLiteral("the command file holds %1 lines, not the two the program writes").arg(lines.size()));
    const QString first = win1252::decode(lines[0]);
    const QString second = win1252::decode(lines[1]);
    CommandFile file;
    const auto stamp = readStamp(first);
    if (!stamp)
        return refuse(why, QStringLiteral("its first line %1 is no time stamp of the program").arg(shown(first)));
    file.stamp = *stamp;
    if (!second.startsWith(QLatin1String("Message=")))
        return refuse(why, QStringLiteral("its second line %1 is no message of the program").arg(shown(second)));
    file.message = second;
    const QString message = second.mid(8);
    if (message == u"@STOP_INSTANT_CRAWL") {
        file.kind = CommandFile::Kind::Stop;
        return file;
    }
    if (message.startsWith(QLatin1String("@INSTANT_EVENT_COMMAND,"))) {
        file.kind = CommandFile::Kind::DeviceScript;
        return file;
    }
    const QStringList fields = message.split(u',');
    if (fields.value(0) != u"@START_INSTANT_CRAWL" || fields.size() != 8)
        return refuse(why, QStringLiteral("it holds a command the program does not write: %1").arg(shown(message)));
    if (!isPlainName(fields[1]))
        return refuse(why, QStringLiteral("its start names the document %1, with a path or characters no file "
                                          "name holds").arg(shown(fields[1])));
    file.kind = CommandFile::Kind::Start;
    file.document = fields[1];
    // A hand-edited or damaged file may hold any number: a negative dwell ends at once, and
    // one beyond a few centuries is held there, so the end time stays a date.
    file.dwellSeconds = qint64(std::clamp(numbers::leadingNumber(fields[2]), 0.0, kLongestDwellSeconds));
    return file;
}

QString documentToMeasure(const QByteArray &commandFile)
{
    const auto file = readCommandFile(commandFile, nullptr);
    return file && file->kind == CommandFile::Kind::Start ? QStringLiteral("media\\") + file->document : QString();
}

ReadPlan statusReadPlan()
{
    return {kCommandFileRemote, kCommandFileLimit, &documentToMeasure};
}

QString statusStateWords(PlayerStatus::State state)
{
    switch (state) {
    case PlayerStatus::State::Showing:
        return QStringLiteral("showing");
    case PlayerStatus::State::Ended:
        return QStringLiteral("ended");
    case PlayerStatus::State::Stopped:
        return QStringLiteral("stopped");
    case PlayerStatus::State::Missing:
        return QStringLiteral("missing");
    case PlayerStatus::State::Unknown:
        return QStringLiteral("unknown");
    case PlayerStatus::State::Unreachable:
        return QStringLiteral("unreachable");
    }
    return {};
}

PlayerStatus statusOf(const PlayerResult &read, const QDateTime &now, const QList<SendLogRow> &log)
{
    using State = PlayerStatus::State;
    PlayerStatus status;
    status.player = read.player;
    if (read.state == PlayerResult::State::Failed || !read.reading) {
        status.state = State::Unreachable;
        status.error = read.words;
        return status;
    }
    const PlayerReading &reading = *read.reading;
    std::optional<CommandFile> file;
    if (reading.missing)
        status.details = QStringLiteral("no command file");
    else if (reading.tooLarge)
        status.details = QStringLiteral("a command file of more than 64 KB, which the program never writes");
    else if (reading.bytes.isEmpty())
        status.details = QStringLiteral("an empty command file");
    else
        file = readCommandFile(reading.bytes, &status.details);

    if (!file) {
        status.state = State::Unknown;
    } else if (file->kind == CommandFile::Kind::DeviceScript) {
        status.state = State::Unknown;
        status.since = file->stamp;
        status.details = QStringLiteral("a Kite-7 device command: %1").arg(shown(file->message.mid(8)));
    } else if (file->kind == CommandFile::Kind::Stop) {
        status.state = State::Stopped;
        status.since = file->stamp;
    } else {
        status.document = file->document;
        status.since = file->stamp;
        status.until = file->stamp.addSecs(file->dwellSeconds);
        const bool absent = reading.measuredMissing || reading.measuredSize == 0;
        status.state = absent ? State::Missing : *status.until <= now ? State::Ended : State::Showing;
        if (absent)
            status.details = QStringLiteral("the document %1 is not on the player").arg(file->document);
        else if (!reading.measuredSize)
            status.details = QStringLiteral("the player does not tell whether the document is there");
    }
    if (file && now.secsTo(file->stamp) > kFutureSlackSeconds)
        status.details = QStringLiteral("its time stamp %1 lies in the future").arg(file->stamp.toString(Qt::ISODate));
    status.differsFromLastSend = differenceFromLastSend(status, file, log);
    return status;
}

} // namespace qvic
