// Times startup_baseline and startup_program alternately, each from process
// start to its "ready" line, and prints the medians and their ratio.
//   QT_QPA_PLATFORM=offscreen ./startup_ratio [pairs]   (default 15 pairs)
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string siblingPath(const char *name)
{
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, std::size_t(n)) : std::string(".");
    dir = dir.substr(0, dir.find_last_of('/') + 1);
    return dir + name;
}

// Milliseconds from spawning the program to its "ready" line; negative on failure.
double timeOnce(const std::string &path)
{
    int out[2];
    if (pipe(out) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char *argv[] = {const_cast<char *>(path.c_str()), nullptr};
    pid_t pid = -1;
    const Clock::time_point start = Clock::now();
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", path.c_str(), std::strerror(spawned));
        close(out[0]);
        return -1;
    }
    std::string text;
    char buffer[256];
    double ms = -1;
    for (;;) {
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(buffer, std::size_t(got));
        if (text.find("ready\n") != std::string::npos) {
            ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            break;
        }
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (ms < 0)
        std::fprintf(stderr, "%s ended without getting ready\n", path.c_str());
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    const int pairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string baseline = siblingPath("startup_baseline");
    const std::string program = siblingPath("startup_program");

    // One unmeasured start each: libraries and fonts into the page cache.
    if (timeOnce(baseline) < 0 || timeOnce(program) < 0)
        return 1;
    std::vector<double> base, prog;
    for (int i = 0; i < pairs; ++i) {
        // Alternating, so a change of machine load hits both alike.
        const double b = timeOnce(baseline);
        const double p = timeOnce(program);
        if (b < 0 || p < 0)
            return 1;
        base.push_back(b);
        prog.push_back(p);
    }
    const double mb = median(base), mp = median(prog);
    std::printf("start-up to main window shown, median of %d alternating runs each:\n", pairs);
    std::printf("  bare main window with menu bar: %7.1f ms  (min %.1f, max %.1f)\n", mb,
        *std::min_element(base.begin(), base.end()), *std::max_element(base.begin(), base.end()));
    std::printf("  the program, rings and menus:   %7.1f ms  (min %.1f, max %.1f)\n", mp,
        *std::min_element(prog.begin(), prog.end()), *std::max_element(prog.begin(), prog.end()));
    std::printf("  ratio: %.2f (target <= 1.30: %s)\n", mp / mb, mp / mb <= 1.30 ? "met" : "missed");
    return 0;
}
