#include "platform/ui/WidgetDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace qvic {
namespace {

const QString kTitle = QStringLiteral("Instant Crawl");

QWidget *dialogParent()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

void showMessage(QMessageBox::Icon icon, const QString &text)
{
    QMessageBox box(icon, kTitle, text, QMessageBox::Ok, dialogParent());
    box.exec();
}

} // namespace

void WidgetDialogs::information(const QString &text)
{
    showMessage(QMessageBox::Information, text);
}

void WidgetDialogs::exclamation(const QString &text)
{
    showMessage(QMessageBox::Warning, text);
}

bool WidgetDialogs::askYesNo(const QString &text)
{
    QMessageBox box(QMessageBox::Question, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                    dialogParent());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> WidgetDialogs::openFileName(const QString &title, const QString &folder,
                                                   const QString &filter)
{
    const QString name = QFileDialog::getOpenFileName(dialogParent(), title, folder, filter);
    return name.isEmpty() ? std::nullopt : std::optional(name);
}

std::optional<QString> WidgetDialogs::saveFileName(const QString &title, const QString &folder,
                                                   const QString &filter)
{
    const QString name = QFileDialog::getSaveFileName(dialogParent(), title, folder, filter,
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
    return name.isEmpty() ? std::nullopt : std::optional(name);
}

std::optional<QColor> WidgetDialogs::pickColor(const QColor &initial)
{
    const QColor color = QColorDialog::getColor(initial, dialogParent());
    return color.isValid() ? std::optional(color) : std::nullopt;
}

std::optional<int> WidgetDialogs::chooseItem(const QString &title, const QString &label, const QStringList &items)
{
    bool chosen = false;
    const QString item = QInputDialog::getItem(dialogParent(), title, label, items, 0, false, &chosen);
    return chosen ? std::optional(int(items.indexOf(item))) : std::nullopt;
}

} // namespace qvic
