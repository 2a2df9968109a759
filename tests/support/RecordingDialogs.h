#pragma once

#include "platform/OperatorDialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace qvic {

// The dialogs of a test: notes every message, answers from scripted queues (an empty one: No, or Cancel), never blocks.
class RecordingDialogs : public OperatorDialogs
{
public:
    void information(const QString &text) override { tell("i " + text); }
    void exclamation(const QString &text) override { tell("e " + text); }
    bool askYesNo(const QString &text) override
    {
        said << "q " + text;
        return !yesNoAnswers.isEmpty() && yesNoAnswers.takeFirst();
    }
    std::optional<QString> openFileName(const QString &t, const QString &d, const QString &f) override { return nextFile(t, d, f); }
    std::optional<QString> saveFileName(const QString &t, const QString &d, const QString &f) override { return nextFile(t, d, f); }
    std::optional<QColor> pickColor(const QColor &) override { return colorAnswers.isEmpty() ? std::nullopt : colorAnswers.takeFirst(); }

    QStringList said; // each message as "i text" (information), "e text" (exclamation) or "q text" (question)
    QList<bool> yesNoAnswers;
    QList<std::optional<QString>> fileAnswers;
    QList<std::optional<QColor>> colorAnswers;
    QList<QStringList> fileRequests; // what the file dialogs were asked, newest last: title, folder, filter
    std::function<void(const QString &)> onMessage; // called as each message opens, with its note

private:
    void tell(const QString &note)
    {
        said << note;
        if (onMessage)
            onMessage(note);
    }
    std::optional<QString> nextFile(const QString &title, const QString &folder, const QString &filter)
    {
        fileRequests.append({title, folder, filter});
        return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.takeFirst();
    }
};

} // namespace qvic
