#include "TestSupport.h"

#include "RecordingDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

namespace qvic::test {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QStringList said(const RecordingDialogs &dialogs)
{
    QStringList out;
    for (const auto &message : dialogs.messages)
        out << (message.kind == RecordingDialogs::Kind::Information ? "i " : "e ") + message.text;
    return out;
}

void whenModal(const std::function<void(QWidget *)> &act)
{
    QTimer::singleShot(0, qApp, [act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && !QTest::qWaitForWindowActive(modal))
            qWarning("the modal window did not become active");
        act(modal);
        if (modal && modal->isVisible())
            modal->close();
    });
}

} // namespace qvic::test
