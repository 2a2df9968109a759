// How long `qv-instant-crawl players` takes from process start to exit, beside
// `curl --version` in the same run, started the same way in turns: the command
// line must not pay for a window or a display it does not open.
//
// Then how the handling of addresses grows: `players` with 3,000 and 10,000
// groups, and a `stop` to 3,000 and 10,000 `-p` addresses that a wrong password
// refuses before anything is sent. Linear growth takes about 10000/3000 = 3.3
// times as long for the larger.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr int kRounds = 20;

struct Timing
{
    double wall = -1; // ms from the spawn to the exit; negative when it failed
    double processor = -1; // ms of user and system time: what a busy machine inflates least
};

// The command run once, its output discarded and its messages in errorFile when
// given; a failure unless it exits with expectedStatus.
Timing timed(const std::vector<const char *> &command, int expectedStatus = 0, const char *errorFile = nullptr)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (errorFile)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char *> argv;
    for (const char *word : command)
        argv.push_back(const_cast<char *>(word));
    argv.push_back(nullptr);
    const auto begin = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = -1;
    rusage usage{};
    const bool ran = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0
                     && wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status)
                     && WEXITSTATUS(status) == expectedStatus;
    const auto end = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    if (!ran)
        return {};
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1000 + double(t.tv_usec) / 1000; };
    return {std::chrono::duration<double, std::milli>(end - begin).count(), ms(usage.ru_utime) + ms(usage.ru_stime)};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return (values[(values.size() - 1) / 2] + values[values.size() / 2]) / 2;
}

bool writeFile(const QByteArray &path, const std::string &text)
{
    FILE *file = std::fopen(path.constData(), "w");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

// A loopback address of its own for each number: nothing leaves this computer
// even if a send went out.
std::string loopbackAddress(int number)
{
    return "127.0.0.1:" + std::to_string(10000 + number);
}

// The median of a few runs of the command.
Timing medianTiming(const std::vector<const char *> &command, int expectedStatus, const char *errorFile = nullptr)
{
    constexpr int kScalingRounds = 5;
    std::vector<double> wall, processor;
    for (int round = 0; round < kScalingRounds; ++round) {
        const Timing once = timed(command, expectedStatus, errorFile);
        if (once.wall < 0)
            return {};
        wall.push_back(once.wall), processor.push_back(once.processor);
    }
    return {median(wall), median(processor)};
}

constexpr int kFewer = 3000;
constexpr int kMore = 10000;

void printGrowth(const char *what, const Timing &fewer, const Timing &more)
{
    std::printf("%s: %d: %.1f ms (processor %.1f ms), %d: %.1f ms (processor %.1f ms), ratio %.2f (processor %.2f; "
                "linear %.1f)\n",
                what, kFewer, fewer.wall, fewer.processor, kMore, more.wall, more.processor, more.wall / fewer.wall,
                more.processor / fewer.processor, double(kMore) / kFewer);
}

// `players` listing a groups file of 3,000 and of 10,000 groups of two addresses each.
bool playersGrowth(const QByteArray &app)
{
    Timing timings[2];
    for (const int groups : {kFewer, kMore}) {
        std::string text;
        for (int group = 0; group < groups; ++group)
            text += "[Group " + std::to_string(group) + "]\n" + loopbackAddress(2 * group) + "\n"
                    + loopbackAddress(2 * group + 1) + "\n\n";
        if (!writeFile(app + "/groups.ini", text))
            return false;
        timings[groups == kMore] = medianTiming({QVIC_EXECUTABLE, "players"}, 0);
        if (timings[groups == kMore].wall < 0) {
            std::fprintf(stderr, "cli_start: players with %d groups failed\n", groups);
            return false;
        }
    }
    printGrowth("players by groups", timings[0], timings[1]);
    return true;
}

// `stop -p A -p B ...` with 3,000 and 10,000 addresses, refused for its wrong password:
// every address is read and checked, and nothing is sent.
bool refusedStopGrowth(const QByteArray &wrongPasswordFile, const QByteArray &errorFile)
{
    Timing timings[2];
    for (const int players : {kFewer, kMore}) {
        std::vector<std::string> addresses;
        for (int player = 0; player < players; ++player)
            addresses.push_back(loopbackAddress(player));
        std::vector<const char *> command{QVIC_EXECUTABLE, "stop", "--password-file", wrongPasswordFile.constData()};
        for (const std::string &address : addresses)
            command.insert(command.end(), {"-p", address.c_str()});
        timings[players == kMore] = medianTiming(command, 1, errorFile.constData());
        QFile errors(QString::fromLocal8Bit(errorFile));
        if (timings[players == kMore].wall < 0 || !errors.open(QIODevice::ReadOnly)
            || errors.readAll() != "qv-instant-crawl: incorrect password; nothing was sent\n") {
            std::fprintf(stderr, "cli_start: the stop to %d players was not refused as it should be\n", players);
            return false;
        }
    }
    printGrowth("stop refused by addresses", timings[0], timings[1]);
    return true;
}

} // namespace

int main()
{
    // Folders of its own, a few addresses and groups to list, and no display to find.
    QTemporaryDir folder;
    const QByteArray app = (folder.path() + QStringLiteral("/app")).toLocal8Bit();
    setenv("QVIC_APP_DIR", app.constData(), 1);
    setenv("QVIC_WIN_DIR", (folder.path() + QStringLiteral("/win")).toLocal8Bit().constData(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    if (timed({QVIC_EXECUTABLE, "players"}).wall < 0) { // also makes the folders, as any first start does
        std::fprintf(stderr, "cli_start: %s players failed\n", QVIC_EXECUTABLE);
        return 1;
    }
    for (const auto &[name, text] : {std::pair{"/groups.ini", "[Lobby]\n10.0.0.5\n10.0.0.6:2100\n[Hall]\n10.0.1.7\n"},
                                     std::pair{"/IPList.txt", "10.0.0.5\r\n10.0.0.6:2100\r\n10.0.1.7\r\n"}}) {
        if (FILE *file = std::fopen((app + name).constData(), "w")) {
            std::fputs(text, file);
            std::fclose(file);
        }
    }
    std::vector<double> ours, curl, oursProcessor, curlProcessor;
    for (int round = 0; round < kRounds; ++round) {
        const Timing mine = timed({QVIC_EXECUTABLE, "players"}), theirs = timed({"curl", "--version"});
        if (mine.wall < 0 || theirs.wall < 0) {
            std::fprintf(stderr, "cli_start: %s failed\n", mine.wall < 0 ? "qv-instant-crawl players" : "curl --version");
            return 1;
        }
        ours.push_back(mine.wall), curl.push_back(theirs.wall);
        oursProcessor.push_back(mine.processor), curlProcessor.push_back(theirs.processor);
    }
    std::printf("processor time: ours %.1f ms, curl %.1f ms, difference %.1f ms (median of %d)\n",
                median(oursProcessor), median(curlProcessor), median(oursProcessor) - median(curlProcessor), kRounds);
    const double mine = median(ours), theirs = median(curl);
    std::printf("cli_start: ours %.1f ms, curl %.1f ms, difference %.1f ms (median of %d)\n", mine, theirs,
                mine - theirs, kRounds);

    const QByteArray win = (folder.path() + QStringLiteral("/win")).toLocal8Bit();
    const QByteArray wrongPassword = (folder.path() + QStringLiteral("/wrong-password")).toLocal8Bit();
    const QByteArray errors = (folder.path() + QStringLiteral("/errors")).toLocal8Bit();
    QDir().mkpath(QString::fromLocal8Bit(win));
    if (!writeFile(win + "/icpass.ini", "[PASSWORD]\r\nremember=0\r\npass=harbour lights\r\n")
        || !writeFile(wrongPassword, "harbour light\n") || !playersGrowth(app) || !refusedStopGrowth(wrongPassword, errors))
        return 1;
    return 0;
}
