#pragma once

#include "platform/OperatorDialogs.h"

#include <QList>
#include <QStringList>

namespace qvic {

// The dialogs of a test: notes every message and answers from scripted queues (an empty queue
// answers No, or Cancel), so a message box never blocks a test.
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
    std::optional<QString> openFileName(const QString &, const QString &, const QString &) override
    {
        return nextFile();
    }
    std::optional<QString> saveFileName(const QString &, const QString &, const QString &) override
    {
        return nextFile();
    }
    std::optional<QColor> pickColor(const QColor &) override { return std::nullopt; }

    std::optional<int> chooseItem(const QString &title, const QString &label, const QStringList &items) override
    {
        itemRequests.append(QStringList{title, label} + items);
        if (itemAnswers.isEmpty())
            return std::nullopt;
        return itemAnswers.takeFirst();
    }

    // Each message as "i text" (information), "e text" (exclamation) or "q text" (question).
    QStringList said;
    QList<bool> yesNoAnswers;
    QList<std::optional<QString>> fileAnswers;
    QList<std::optional<int>> itemAnswers;
    // What each choice offered: title, label, then the items.
    QList<QStringList> itemRequests;

private:
    void tell(const QString &note) { said << note; }
    std::optional<QString> nextFile()
    {
        if (fileAnswers.isEmpty())
            return std::nullopt;
        return fileAnswers.takeFirst();
    }
};

} // namespace qvic
