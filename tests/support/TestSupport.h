#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

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

QByteArray readAll(const QString &path);

// The next line a helper process writes, waiting for it at most timeoutMs; what came when it
// does not come (a helper script answers a line at a time).
QByteArray readLineWithin(QProcess &process, int timeoutMs);

// Writes bytes at path, making its folder. Some words stand for what no reader may take whole:
// "folder" makes a folder, "fifo" a FIFO without a writer and "N MB" a sparse file of N megabytes.
void writeAll(const QString &path, const QByteArray &bytes);

// While it lives, no file this process writes grows past bytes: a write beyond fails with EFBIG
// ("File too large"), as on a full disk, SIGXFSZ being ignored as the program ignores it.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    // Whether the limit could be set.
    bool isSet() const { return m_set; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
    bool m_set = false;
};

// Types text as a keyboard delivers it, into widget or, when null, wherever the focus is.
// ASCII goes by its key (\t Tab, \r Enter, \b Backspace, \x7f Delete), each with its text;
// anything else as a key event with its text alone.
void typeKeys(QWidget *widget, const QString &text);

// Plays the operator in the modal loop the next call opens: act gets the modal window (or
// nullptr). A window act leaves open gets its close box.
void whenModal(const std::function<void(QWidget *modal)> &act);

// Clicks button and, if the password dialog opens, types password and Enter into it (an empty
// password presses Cancel). Returns whether the dialog opened.
bool pressGivingPassword(QWidget *button, const QString &password);

} // namespace qvic::test
