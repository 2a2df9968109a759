#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>

namespace qvic {

// Every message box and standard dialog the operator meets goes through here, so
// the program shows real dialogs and tests script the answers.
// Message boxes are titled "Instant Crawl" and have one OK button.
class OperatorDialogs
{
public:
    virtual ~OperatorDialogs() = default;

    // Prompts and success.
    virtual void information(const QString &text) = 0;
    // Refusals and failures.
    virtual void exclamation(const QString &text) = 0;
    // A Yes/No question (the overwrite question); true for Yes.
    virtual bool askYesNo(const QString &text) = 0;

    // File dialogs with one filter ("Rich Text Format (*.rtf)"); nothing on cancel.
    // The save dialog never asks its own overwrite question.
    virtual std::optional<QString> openFileName(const QString &title, const QString &folder,
                                                const QString &filter) = 0;
    virtual std::optional<QString> saveFileName(const QString &title, const QString &folder,
                                                const QString &filter) = 0;
    // The platform colour dialog; nothing on cancel.
    virtual std::optional<QColor> pickColor(const QColor &initial) = 0;
    // One of several items (the alerts of a feed), the first offered; its index, nothing on cancel.
    virtual std::optional<int> chooseItem(const QString &title, const QString &label, const QStringList &items) = 0;
};

} // namespace qvic
