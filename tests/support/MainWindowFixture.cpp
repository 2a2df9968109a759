#include "MainWindowFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

namespace qvic::test {

MainWindowFixture::MainWindowFixture(const QList<std::pair<QString, QByteArray>> &appFiles)
    : dirs(std::make_unique<TempDirs>())
{
    for (const auto &[name, bytes] : appFiles)
        if (bytes != "-")
            writeAll(dirs->appDir() + u'/' + name, bytes);
    start(dirs->appDir(), dirs->winDir());
}

void MainWindowFixture::start(const QString &appDir, const QString &winDir)
{
    window = std::make_unique<frmQV7IC>(state, dialogs);
    error = window->load(appDir, winDir);
    editor = find<CrawlEditor>("rtfData");
}

QString MainWindowFixture::text(const char *name) const
{
    if (auto *box = find<QLineEdit>(name))
        return box->text();
    if (auto *list = find<QComboBox>(name))
        return list->currentText();
    return find<QLabel>(name)->text();
}

void MainWindowFixture::setText(const char *name, const QString &text)
{
    if (auto *box = find<QLineEdit>(name))
        box->setText(text);
    else
        find<QComboBox>(name)->setEditText(text);
}

void MainWindowFixture::choose(const char *name, const QString &entry)
{
    QComboBox *list = find<QComboBox>(name);
    list->setCurrentIndex(list->findText(entry));
    emit list->activated(list->currentIndex());
}

void MainWindowFixture::showActive()
{
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("the main window did not become active");
}

void MainWindowFixture::select(int from, int to)
{
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
}

QTextCharFormat MainWindowFixture::formatAt(int position) const
{
    QTextCursor cursor(editor->document());
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

QStringList MainWindowFixture::listEntries(const char *name) const
{
    QStringList entries;
    auto *list = find<QComboBox>(name);
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    return entries;
}

} // namespace qvic::test
