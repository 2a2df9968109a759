// Feeds arbitrary bytes as a player's command file to the status reader, as a check reads
// them from a player: whatever comes, a state and words, never a crash. What it takes for
// a start must name a plain document, the one the read then measures.
#include "dispatch/PlayerStatus.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString why;
    const auto file = qvic::readCommandFile(bytes, &why);
    if (file.has_value() == !why.isEmpty())
        std::abort(); // either a command file or the words why not
    if (file && file->kind == qvic::CommandFile::Kind::Start
        && (file->document.isEmpty() || file->document.contains(u'\\') || file->document.contains(u'/')))
        std::abort();
    if (qvic::documentToMeasure(bytes) != (file && file->kind == qvic::CommandFile::Kind::Start
                                               ? QStringLiteral("media\\") + file->document
                                               : QString()))
        std::abort();

    qvic::PlayerResult read;
    read.player = QStringLiteral("10.0.0.5");
    read.state = qvic::PlayerResult::State::Delivered;
    read.reading = qvic::PlayerReading{bytes, false, false, {}, std::nullopt, false};
    qvic::SendLogRow sent;
    sent.action = QStringLiteral("start");
    sent.player = QStringLiteral("10.0.0.5");
    sent.outcome = QStringLiteral("delivered");
    sent.time = QStringLiteral("2026-12-07T09:00:00+00:00");
    const qvic::PlayerStatus status = qvic::statusOf(read, QDateTime(QDate(2026, 12, 7), QTime(9, 30)), {sent});
    if (qvic::statusStateWords(status.state).isEmpty())
        std::abort();
    return 0;
}
