#pragma once

#include "platform/OperatorDialogs.h"

#include <QList>

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

    void information(const QString &text) override;
    void exclamation(const QString &text) override;
    bool askYesNo(const QString &text) override;
    std::optional<QString> openFileName(const QString &title, const QString &folder,
                                        const QString &filter) override;
    std::optional<QString> saveFileName(const QString &title, const QString &folder,
                                        const QString &filter) override;
    std::optional<QColor> pickColor(const QColor &initial) override;

    QList<Message> messages;
    QList<bool> yesNoAnswers;
    QList<std::optional<QString>> fileAnswers;
    QList<std::optional<QColor>> colorAnswers;

    // What the file dialogs were asked, newest last: title, folder, filter.
    QList<QStringList> fileRequests;
    // Runs inside each message, as an operator would act while it is shown.
    std::function<void(const Message &)> onMessage;

    QStringList texts() const;

private:
    void note(Kind kind, const QString &text);
    std::optional<QString> nextFile(const QString &title, const QString &folder,
                                    const QString &filter);
};

} // namespace qvic
