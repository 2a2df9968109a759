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
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr int kRounds = 20;

// Milliseconds from the spawn to the exit, output discarded; negative when it failed.
double timed(const std::vector<const char *> &command)
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
    const bool ran = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0
                     && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    const auto end = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    return ran ? std::chrono::duration<double, std::milli>(end - begin).count() : -1;
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
    if (timed({QVIC_EXECUTABLE, "players"}) < 0) { // also makes the folders, as any first start does
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
    std::vector<double> ours, curl;
    for (int round = 0; round < kRounds; ++round) {
        ours.push_back(timed({QVIC_EXECUTABLE, "players"}));
        curl.push_back(timed({"curl", "--version"}));
        if (ours.back() < 0 || curl.back() < 0) {
            std::fprintf(stderr, "cli_start: %s failed\n", ours.back() < 0 ? "qv-instant-crawl players" : "curl --version");
            return 1;
        }
    }
    const double mine = median(ours), theirs = median(curl);
    std::printf("cli_start: ours %.1f ms, curl %.1f ms, difference %.1f ms (median of %d)\n", mine, theirs,
                mine - theirs, kRounds);
    return 0;
}
