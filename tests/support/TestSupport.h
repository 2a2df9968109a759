#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <tuple>

class QWidget;

namespace qvic::test {

// A fresh AppDir and WinDir for one test, never the home folder.
struct TempDirs
{
    QTemporaryDir root;
    QString appDir() const { return root.path() + QStringLiteral("/app"); }
    QString winDir() const { return root.path() + QStringLiteral("/win"); }
};

// Declares a data table's columns in one go: columns<QString, int>("name", "count").
template <typename... T, typename... Names> void columns(Names... names) { (QTest::addColumn<T>(names), ...); }
// The current row's values by column, as QFETCH takes them: auto [name, count] = fetch<QString, int>("name", "count").
template <typename... T, typename... Names> std::tuple<T...> fetch(Names... names) { return {*static_cast<T *>(QTest::qData(names, qMetaTypeId<T>()))...}; }

QByteArray readAll(const QString &path);
// Lays at path what no reader may take whole: "folder", "fifo" (a named pipe with no writer),
// "device" (a link to /dev/zero) or "N MB" (a sparse file); any other text as the file's bytes.
void writeAll(const QString &path, const QByteArray &bytes);

// Types text as a keyboard delivers it, into widget or, when null, wherever the focus is: ASCII
// as key clicks (\t Tab, \r Enter, \b Backspace), the rest as key events with their text, DEL
// (\x7f) as the Delete key.
void typeKeys(QWidget *widget, const QString &text);

// Plays the operator inside the modal loop the next call opens: act gets the active modal
// window, or nullptr when none opened. A window act leaves open is closed by its close box.
void whenModal(const std::function<void(QWidget *modal)> &act);

// Clicks button and, if the password dialog opens, types password and Enter into it
// (an empty one presses Cancel; a refused one leaves it for its close box). Whether it opened.
bool pressGivingPassword(QWidget *button, const QString &password);

} // namespace qvic::test
