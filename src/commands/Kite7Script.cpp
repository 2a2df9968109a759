#include "commands/Kite7Script.h"

#include "state/SharedState.h"
#include "platform/TextFile.h"

namespace qvic {
namespace {

const QString kSpacer = QStringLiteral("`0.1`");
const QString kStopCrawl = QStringLiteral("@stop crawl;");

QString group(const QString &payload)
{
    return u'<' + payload + u'>';
}

// 0x01 and the block's digit open the payloads that address a block.
QString blockMark(int block)
{
    return QChar(0x01) + QString::number(block);
}

bool writeEventCommand(const SharedState &state, const QString &script, const Clock &clock,
                       QString *error)
{
    const QString line2 = QStringLiteral("Message=@INSTANT_EVENT_COMMAND,$Event,")
                          + state.kite7ComPort + QStringLiteral(",N,9600,N,8,1,\"") + script
                          + u'"';
    return textfile::replaceFile(state.instantFile,
                                 textfile::crlfLines({timeStampLine(clock()), line2}), error);
}

} // namespace

QString kite7Text(const QString &message)
{
    QString text;
    text.reserve(message.size());
    for (const QChar c : message) {
        if (QStringView(u"<>`@;,\"").contains(c))
            continue;
        text += c == u'\r' ? QChar(0x14) : c;
    }
    return text;
}

QString kite7StartScript(const SharedState &state)
{
    const QString text = kite7Text(state.kite7Message);
    QStringList groups;
    for (int block = 0; block <= 7; ++block) {
        groups << group(blockMark(block) + kStopCrawl) << group(blockMark(block))
               << group(QStringLiteral("@crawl position,") + state.kite7Position + u';')
               << group(u'@' + state.kite7Speed + u';')
               << group(QStringLiteral("@begin,250;"))
               << group(text + QStringLiteral("@end;"))
               << group(QStringLiteral("@show,250,") + state.kite7Repeat + u';');
    }
    return groups.join(kSpacer);
}

QString kite7StopScript()
{
    QStringList groups;
    for (int block = 0; block <= 7; ++block)
        groups << group(blockMark(block)) << group(kStopCrawl);
    return groups.join(kSpacer);
}

bool createKite7Msg(const SharedState &state, const Clock &clock, QString *error)
{
    return writeEventCommand(state, kite7StartScript(state), clock, error);
}

bool createKite7StopCrawlMsg(const SharedState &state, const Clock &clock, QString *error)
{
    return writeEventCommand(state, kite7StopScript(), clock, error);
}

} // namespace qvic
