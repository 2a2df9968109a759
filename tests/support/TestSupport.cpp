#include "TestSupport.h"

#include <QApplication>
#include <QPushButton>

#include <csignal>

#include <sys/stat.h>

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
    if (bytes == "folder")
        QDir().mkpath(path);
    else if (bytes == "fifo")
        ::mkfifo(QFile::encodeName(path).constData(), 0600);
    else if (bytes == "device")
        QFile::link(QStringLiteral("/dev/zero"), path);
    else if (file.open(QIODevice::WriteOnly) && QRegularExpression("^\\d+ MB$").match(QString::fromLatin1(bytes)).hasMatch())
        file.resize(bytes.chopped(3).toLongLong() << 20);
    else if (file.isOpen())
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
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, c == u'\x7f' ? Qt::Key_Delete : c.unicode() < 127 ? QTest::asciiToKey(char(c.unicode())) : Qt::Key(0),
                            QString(c), Qt::NoModifier);
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
    bool looked = false, asked = false;
    whenModal([&](QWidget *modal) {
        looked = true;
        if (!(asked = modal && modal->objectName() == u"PasswordDialog"))
            return;
        if (password.isEmpty())
            return QTest::mouseClick(modal->findChild<QPushButton *>("cancelButton"), Qt::LeftButton);
        QTest::keyClicks(modal->findChild<QWidget *>("passwordBox"), password + u'\r');
    });
    QTest::mouseClick(button, Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return looked; }))
        qWarning("the operator never looked for the password dialog");
    return asked;
}

} // namespace qvic::test
