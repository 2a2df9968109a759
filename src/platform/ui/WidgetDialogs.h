#pragma once

#include "platform/OperatorDialogs.h"

namespace qvic {

// The real dialogs: message boxes, file and colour dialogs over the active window.
class WidgetDialogs : public OperatorDialogs
{
public:
    void information(const QString &text) override;
    void exclamation(const QString &text) override;
    bool askYesNo(const QString &text) override;
    std::optional<QString> openFileName(const QString &title, const QString &folder,
                                        const QString &filter) override;
    std::optional<QString> saveFileName(const QString &title, const QString &folder,
                                        const QString &filter) override;
    std::optional<QColor> pickColor(const QColor &initial) override;
    std::optional<int> chooseItem(const QString &title, const QString &label, const QStringList &items) override;
};

} // namespace qvic
