#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class QWidget;

namespace qvic {
class RecordingDialogs;
}

namespace qvic::test {

// A fresh AppDir and WinDir for one test, never the home folder.
struct TempDirs
{
    QTemporaryDir root;
    QString appDir() const { return root.path() + QStringLiteral("/app"); }
    QString winDir() const { return root.path() + QStringLiteral("/win"); }
};

QByteArray readAll(const QString &path);
void writeAll(const QString &path, const QByteArray &bytes);
// Lays in a stored file's place what no reader may take whole: "folder", "fifo"
// (a named pipe with no writer), "device" (a link to /dev/zero) or "N MB" (a
// sparse file of that size); any other text is written as the file's bytes.
void layInPlace(const QString &path, const QString &what);

// The recorded messages, each as "i text" (information), "e text" (exclamation) or "q text" (question).
QStringList said(const RecordingDialogs &dialogs);

// Types text as a keyboard delivers it, into widget or, when null, wherever the focus is: ASCII
// as key clicks (\t Tab, \r Enter, \b Backspace), the rest as key events with their text, DEL
// (\x7f) as the Delete key.
void typeKeys(QWidget *widget, const QString &text);

// Plays the operator inside the modal loop the next call opens (a dialog's exec(), or a
// button whose handler opens one, such as the password dialog): act gets the active
// modal window, or nullptr when none opened. A window act leaves open is closed by its
// close box, so no test hangs.
void whenModal(const std::function<void(QWidget *modal)> &act);

// Clicks button and, if the password dialog opens, types password and Enter into it
// (an empty one presses Cancel; a refused one leaves it for its close box). Whether it opened.
bool pressGivingPassword(QWidget *button, const QString &password);

} // namespace qvic::test
