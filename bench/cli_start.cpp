// How long `qv-instant-crawl players` takes from process start to exit, beside
// `curl --version` in the same run, started the same way in turns: the command
// line must not pay for a window or a display it does not open.

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

// The command run once, its output discarded.
Timing timed(const std::vector<const char *> &command)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (const char *word : command)
        argv.push_back(const_cast<char *>(word));
    argv.push_back(nullptr);
    const auto begin = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = -1;
    rusage usage{};
    const bool ran = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0
                     && wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
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
    return 0;
}
