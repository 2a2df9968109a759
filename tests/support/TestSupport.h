#pragma once

#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <tuple>

#include <sys/resource.h>

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
// Writes bytes at path, or what no reader may take whole: "folder", "fifo" (no writer), "device" (a link to /dev/zero), "N MB" (sparse).
void writeAll(const QString &path, const QByteArray &bytes);

// While it lives, no file this process writes grows past bytes: a write beyond fails with EFBIG ("File too large"),
// as on a full disk, SIGXFSZ being ignored as the program ignores it. Whether the limit could be set: isSet().
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool isSet() const { return m_set; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
    bool m_set = false;
};

// Types text as a keyboard delivers it, into widget or, when null, wherever the focus is: ASCII by its key (\t Tab,
// \r Enter, \b Backspace, \x7f Delete, each with its text), the rest as key events with their text alone.
void typeKeys(QWidget *widget, const QString &text);

// Plays the operator in the modal loop the next call opens: act gets the modal window (or nullptr); one left open gets its close box.
void whenModal(const std::function<void(QWidget *modal)> &act);

// Clicks button and types password and Enter into the password dialog if it opens (empty: Cancel). Whether it opened.
bool pressGivingPassword(QWidget *button, const QString &password);

} // namespace qvic::test
