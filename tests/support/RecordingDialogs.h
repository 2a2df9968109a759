#pragma once

#include "platform/OperatorDialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace qvic {

// The dialogs of a test: notes every message, answers from scripted queues, and
// never blocks. An empty queue answers No, or Cancel.
class RecordingDialogs : public OperatorDialogs
{
public:
    enum class Kind { Information, Exclamation, Question };
    struct Message
    {
        Kind kind;
        QString text;
        bool operator==(const Message &) const = default;
    };

    void information(const QString &text) override { note(Kind::Information, text); }
    void exclamation(const QString &text) override { note(Kind::Exclamation, text); }
    bool askYesNo(const QString &text) override
    {
        note(Kind::Question, text);
        return !yesNoAnswers.isEmpty() && yesNoAnswers.takeFirst();
    }
    std::optional<QString> openFileName(const QString &t, const QString &d, const QString &f) override { return nextFile(t, d, f); }
    std::optional<QString> saveFileName(const QString &t, const QString &d, const QString &f) override { return nextFile(t, d, f); }
    std::optional<QColor> pickColor(const QColor &) override
    {
        return colorAnswers.isEmpty() ? std::nullopt : colorAnswers.takeFirst();
    }

    QList<Message> messages;
    QList<bool> yesNoAnswers;
    QList<std::optional<QString>> fileAnswers;
    QList<std::optional<QColor>> colorAnswers;

    // What the file dialogs were asked, newest last: title, folder, filter.
    QList<QStringList> fileRequests;
    // Runs inside each message, as an operator would act while it is shown.
    std::function<void(const Message &)> onMessage;

    QStringList texts() const
    {
        QStringList list;
        for (const Message &message : messages)
            list.append(message.text);
        return list;
    }

private:
    void note(Kind kind, const QString &text)
    {
        messages.append({kind, text});
        if (onMessage)
            onMessage(messages.last());
    }
    std::optional<QString> nextFile(const QString &title, const QString &folder, const QString &filter)
    {
        fileRequests.append({title, folder, filter});
        return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.takeFirst();
    }
};

} // namespace qvic
