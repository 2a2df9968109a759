#include "RecordingDialogs.h"

namespace qvic {

void RecordingDialogs::note(Kind kind, const QString &text)
{
    messages.append({kind, text});
    if (onMessage)
        onMessage(messages.last());
}

void RecordingDialogs::information(const QString &text)
{
    note(Kind::Information, text);
}

void RecordingDialogs::exclamation(const QString &text)
{
    note(Kind::Exclamation, text);
}

bool RecordingDialogs::askYesNo(const QString &text)
{
    note(Kind::Question, text);
    return !yesNoAnswers.isEmpty() && yesNoAnswers.takeFirst();
}

std::optional<QString> RecordingDialogs::nextFile(const QString &title, const QString &folder,
                                                  const QString &filter)
{
    fileRequests.append({title, folder, filter});
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.takeFirst();
}

std::optional<QString> RecordingDialogs::openFileName(const QString &title, const QString &folder,
                                                      const QString &filter)
{
    return nextFile(title, folder, filter);
}

std::optional<QString> RecordingDialogs::saveFileName(const QString &title, const QString &folder,
                                                      const QString &filter)
{
    return nextFile(title, folder, filter);
}

std::optional<QColor> RecordingDialogs::pickColor(const QColor &)
{
    return colorAnswers.isEmpty() ? std::nullopt : colorAnswers.takeFirst();
}

QStringList RecordingDialogs::texts() const
{
    QStringList list;
    for (const Message &message : messages)
        list.append(message.text);
    return list;
}

} // namespace qvic
