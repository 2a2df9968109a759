#include "cli/CliPassword.h"

#include "access/PasswordStore.h"
#include "platform/AppFolders.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace qvic::cli {
namespace {

// A password is a line of a few dozen characters; a file without a line end
// is not read on and on.
constexpr qsizetype kLineLimit = 4096;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Reads up to the first line end, one byte at a time: what follows the line
// in a pipe is none of ours. Nothing when the read fails.
std::optional<QString> readLine(int fd)
{
    // Room for the whole line at once, so no copy of a password is left behind
    // in freed memory; the bytes are cleared once they are text.
    QByteArray line;
    line.reserve(kLineLimit + 1);
    const auto cleared = qScopeGuard([&line] { line.fill('\0'); });
    char c = 0;
    for (;;) {
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0 || c == '\n' || line.size() >= kLineLimit)
            break;
        line += c;
    }
    c = 0;
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromLocal8Bit(line);
}

// The terminal as it was before the prompt turned its echo off, for a signal
// that ends the program while the operator types.
int g_terminal = -1;
termios g_saved{};

extern "C" void restoreTerminalAndDie(int signal)
{
    ::tcsetattr(g_terminal, TCSANOW, &g_saved);
    (void)!::write(g_terminal, "\n", 1);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::optional<QString> askOnTerminal(const char *prompt, QString *error)
{
    const int terminal = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (terminal < 0) {
        *error = QStringLiteral("cannot open the terminal to ask for the password: %1").arg(systemError());
        return std::nullopt;
    }
    termios quiet{};
    const bool canHide = ::tcgetattr(terminal, &g_saved) == 0;
    (void)!::write(terminal, prompt, std::strlen(prompt));
    const int caught[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    struct sigaction restoring{}, previous[std::size(caught)]{};
    if (canHide) {
        g_terminal = terminal;
        restoring.sa_handler = restoreTerminalAndDie;
        for (size_t i = 0; i < std::size(caught); ++i)
            ::sigaction(caught[i], &restoring, &previous[i]);
        quiet = g_saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(terminal, TCSAFLUSH, &quiet);
    }
    const auto line = readLine(terminal);
    const int readError = errno;
    if (canHide) {
        ::tcsetattr(terminal, TCSAFLUSH, &g_saved);
        for (size_t i = 0; i < std::size(caught); ++i)
            ::sigaction(caught[i], &previous[i], nullptr);
        g_terminal = -1;
    }
    (void)!::write(terminal, "\n", 1); // the operator's Enter was not echoed
    ::close(terminal);
    errno = readError;
    if (!line)
        *error = QStringLiteral("cannot read the password from the terminal: %1").arg(systemError());
    return line;
}

} // namespace

PasswordReader::PasswordReader(std::optional<QString> passwordFile) : m_passwordFile(std::move(passwordFile)) {}

PasswordReader::~PasswordReader()
{
    if (m_file >= 0)
        ::close(m_file);
}

std::optional<QString> PasswordReader::next(const char *prompt, QString *error)
{
    if (!m_passwordFile && ::isatty(STDIN_FILENO))
        return askOnTerminal(prompt, error);
    if (!m_passwordFile || *m_passwordFile == u"-") {
        const auto line = readLine(STDIN_FILENO);
        if (!line)
            *error = QStringLiteral("cannot read the password from standard input: %1").arg(systemError());
        return line;
    }
    // Opened as it is, so a pipe (--password-file <(...)) serves as well as a file;
    // once, so that its next line gives the next password.
    if (m_file < 0)
        m_file = ::open(QFile::encodeName(*m_passwordFile).constData(), O_RDONLY | O_CLOEXEC);
    const auto line = m_file < 0 ? std::nullopt : readLine(m_file);
    if (!line)
        *error = QStringLiteral("cannot read the password file %1: %2").arg(*m_passwordFile, systemError());
    return line;
}

std::optional<QString> readPassword(const std::optional<QString> &passwordFile, QString *error)
{
    return PasswordReader(passwordFile).next("Password: ", error);
}

std::optional<QString> refusePassword(const QString &password, const QString &passFile)
{
    const PasswordStore store(passFile);
    const bool builtInAllowed = PasswordStore::builtInPasswordAllowed(siteSettingsFile());
    switch (PasswordStore::checkLogin(password, store.loadLogin().savedPassword, builtInAllowed)) {
    case PasswordStore::LoginCheck::Accepted:
        return std::nullopt;
    case PasswordStore::LoginCheck::Empty:
        return QStringLiteral("no password was given; nothing was sent");
    case PasswordStore::LoginCheck::Refused:
        break;
    }
    // Without the file only the built-in password opens a send: say where the file belongs.
    if (!QFileInfo::exists(passFile))
        return QStringLiteral("there is no password file %1; set the first password with "
                              "'qv-instant-crawl password'; nothing was sent")
            .arg(passFile);
    return QStringLiteral("incorrect password; nothing was sent");
}

} // namespace qvic::cli
