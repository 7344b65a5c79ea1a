// Cost of the child process runner against the bare system calls:
//  1. spawn-to-reap of /bin/true through Command versus posix_spawn+waitpid,
//     500 runs each, printed as a ratio (goal: at most 1.3);
//  2. the runner's own CPU use while its child stays silent for 2 s
//     (goal: under 1 % of one core).
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "compress/Command.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 500;
constexpr int kWarmUp = 20;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double cpuSecondsOfThisThread() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    auto toSeconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
    };
    return toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
}

void runCommand() {
    Command command;
    command.commandLine = u"/bin/true";
    command.run();
    if (command.exitCode != 0) {
        fprintf(stderr, "/bin/true failed through Command: %u\n", command.exitCode);
        exit(1);
    }
}

void runDirect() {
    char arg0[] = "/bin/true";
    char* argv[] = {arg0, nullptr};
    pid_t pid;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) {
        perror("posix_spawn");
        exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

// Both ways alternate in batches of ten, so a machine busy with other work
// slows both alike and the ratio stays meaningful.
void measure(double& direct, double& runner) {
    for (int i = 0; i < kWarmUp; ++i) {
        runDirect();
        runCommand();
    }
    Clock::duration directTotal{}, runnerTotal{};
    for (int done = 0; done < kRuns; done += 10) {
        Clock::time_point start = Clock::now();
        for (int i = 0; i < 10; ++i) runDirect();
        Clock::time_point middle = Clock::now();
        for (int i = 0; i < 10; ++i) runCommand();
        runnerTotal += Clock::now() - middle;
        directTotal += middle - start;
    }
    direct = seconds(directTotal) / kRuns;
    runner = seconds(runnerTotal) / kRuns;
}

}  // namespace

int main() {
    // The runner's log lines would dominate on a terminal; they go nowhere.
    int console = dup(1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);

    double direct = 0;
    double runner = 0;
    measure(direct, runner);

    Command silent;
    silent.commandLine = u"sleep 2";
    double cpuBefore = cpuSecondsOfThisThread();
    Clock::time_point start = Clock::now();
    silent.run();
    double wall = seconds(Clock::now() - start);
    double cpu = cpuSecondsOfThisThread() - cpuBefore;

    fflush(stdout);
    dup2(console, 1);
    close(console);

    double ratio = runner / direct;
    double cpuPercent = 100.0 * cpu / wall;
    printf("spawn-to-reap of /bin/true, %d runs each\n", kRuns);
    printf("  posix_spawn+waitpid  %8.1f us\n", direct * 1e6);
    printf("  Command              %8.1f us\n", runner * 1e6);
    printf("  ratio                %8.2f   (goal <= 1.30) %s\n", ratio,
           ratio <= 1.3 ? "ok" : "MISSED");
    printf("runner CPU while the child is silent for %.2f s\n", wall);
    printf("  CPU time             %8.2f ms\n", cpu * 1e3);
    printf("  share of one core    %8.3f %%  (goal < 1 %%) %s\n", cpuPercent,
           cpuPercent < 1.0 ? "ok" : "MISSED");
    return ratio <= 1.3 && cpuPercent < 1.0 ? 0 : 1;
}
