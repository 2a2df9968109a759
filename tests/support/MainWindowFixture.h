#pragma once

#include "TestSupport.h"

#include "state/SharedState.h"
#include "app/ui/MainWindow.h"
#include "compose/ui/CrawlEditor.h"
#include "RecordingDialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <memory>

namespace qvic::test {

// One program start on its own folders (or given ones) with recorded dialogs, and the
// operator's ways to the controls.
struct MainWindowFixture
{
    // Files to lay in the AppDir before the start, by name relative to it; "-" lays none.
    explicit MainWindowFixture(const QList<std::pair<QString, QByteArray>> &appFiles = {})
        : dirs(std::make_unique<TempDirs>())
    {
        for (const auto &[name, bytes] : appFiles) {
            if (bytes != "-")
                writeAll(dirs->appDir() + u'/' + name, bytes);
        }
        start(dirs->appDir(), dirs->winDir());
    }
    MainWindowFixture(const QString &appDir, const QString &winDir) { start(appDir, winDir); }

    template <typename T = QWidget> T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    // The text a box, list or label shows.
    QString text(const char *name) const
    {
        if (auto *list = find<QComboBox>(name))
            return list->currentText();
        if (auto *box = find<QLineEdit>(name))
            return box->text();
        return find<QLabel>(name)->text();
    }
    void setText(const char *name, const QString &text)
    {
        if (auto *box = find<QLineEdit>(name))
            box->setText(text);
        else
            find<QComboBox>(name)->setEditText(text);
    }
    QStringList listEntries(const char *name) const
    {
        const QComboBox *list = find<QComboBox>(name);
        QStringList entries;
        for (int i = 0; i < list->count(); ++i)
            entries << list->itemText(i);
        return entries;
    }
    // The operator picks an entry of a list with the mouse.
    void choose(const char *name, const QString &entry)
    {
        QComboBox *list = find<QComboBox>(name);
        list->setCurrentIndex(list->findText(entry));
        emit list->activated(list->currentIndex());
    }
    void click(const char *name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }
    // Opens the File menu with the mouse and picks the entry by its underlined letter.
    bool chooseFromFileMenu(Qt::Key letter)
    {
        QMenuBar *bar = window->menuBar();
        QMenu *file = find<QMenu>("fileMenu");
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
        if (!QTest::qWaitFor([&] { return file->isVisible(); }))
            return false;
        QTest::keyClick(file, letter);
        return true;
    }
    // A tick box is ticked on its square, wherever its long caption ends.
    void tick(const char *name)
    {
        QWidget *box = find(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    // The operator answers the file dialog of Save, and the overwrite question when given.
    void saveAs(const QString &name, std::optional<bool> overwrite = std::nullopt)
    {
        dialogs.fileAnswers = {rtf(name)};
        dialogs.yesNoAnswers.clear();
        if (overwrite)
            dialogs.yesNoAnswers = {*overwrite};
        click("saveButton");
    }
    // The operator answers the file dialog of Load.
    void open(const QString &name)
    {
        dialogs.fileAnswers = {rtf(name)};
        click("loadButton");
    }
    void select(int from, int to)
    {
        QTextCursor cursor = editor->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        editor->setTextCursor(cursor);
    }
    // The format of the character typed at position.
    QTextCharFormat formatAt(int position) const
    {
        QTextCursor cursor(editor->document());
        cursor.setPosition(position + 1);
        return cursor.charFormat();
    }
    // Shows the window and waits until it has the keyboard, as an operator's would.
    void showActive()
    {
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("the main window did not become active");
    }
    QString rtf(const QString &name) const { return state.crawlFolder + u'/' + name; }

    std::unique_ptr<TempDirs> dirs;
    SharedState state;
    RecordingDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    std::optional<QString> error;
    CrawlEditor *editor = nullptr;

private:
    void start(const QString &appDir, const QString &winDir)
    {
        window = std::make_unique<MainWindow>(state, dialogs);
        error = window->load(appDir, winDir);
        editor = find<CrawlEditor>("editor");
    }
};

} // namespace qvic::test
