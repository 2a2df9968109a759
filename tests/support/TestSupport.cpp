#include "TestSupport.h"

#include <QApplication>
#include <QPushButton>

#include <csignal>

#include <sys/stat.h>

namespace qvic::test {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray readLineWithin(QProcess &process, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    return process.readLine();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (bytes == "folder") {
        QDir().mkpath(path);
        return;
    }
    if (bytes == "fifo") {
        ::mkfifo(QFile::encodeName(path).constData(), 0600);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    const QRegularExpression megabytes(QStringLiteral("^(\\d+) MB$"));
    const QRegularExpressionMatch sparse = megabytes.match(QString::fromLatin1(bytes));
    if (sparse.hasMatch())
        file.resize(sparse.captured(1).toLongLong() << 20);
    else
        file.write(bytes);
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    ::getrlimit(RLIMIT_FSIZE, &m_previous);
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = m_previous;
    lowered.rlim_cur = bytes;
    m_set = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &m_previous);
    std::signal(SIGXFSZ, m_previousHandler);
}

void typeKeys(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        Qt::Key key = Qt::Key(0);
        if (c == u'\x7f')
            key = Qt::Key_Delete;
        else if (c.unicode() < 127)
            key = QTest::asciiToKey(char(c.unicode()));
        QTest::sendKeyEvent(QTest::Click, widget, key, QString(c), Qt::NoModifier);
    }
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

bool pressGivingPassword(QWidget *button, const QString &password)
{
    bool looked = false;
    bool asked = false;
    whenModal([&](QWidget *modal) {
        looked = true;
        asked = modal && modal->objectName() == u"PasswordDialog";
        if (!asked)
            return;
        if (password.isEmpty())
            QTest::mouseClick(modal->findChild<QPushButton *>("cancelButton"), Qt::LeftButton);
        else
            QTest::keyClicks(modal->findChild<QWidget *>("passwordBox"), password + u'\r');
    });
    QTest::mouseClick(button, Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return looked; }))
        qWarning("the operator never looked for the password dialog");
    return asked;
}

} // namespace qvic::test
