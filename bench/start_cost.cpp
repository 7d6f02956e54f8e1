// Wall time of starting two programs, side by side: the runs alternate
// (bare, measured, bare, measured, ...) so that whatever else loads the
// machine weighs on both alike. Standard output goes to /dev/null.
//
//   start_cost RUNS BARE_PROGRAM -- PROGRAM [ARGS...]
// prints the median, lower and upper quartile of each in milliseconds and
// the ratio of the medians.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char **environ;

namespace {

double now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Runs the program once; its wall time in ms, or a negative value when it
// could not run or did not exit with 0.
double run_once(char *const *argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const double start = now_ms();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    const double elapsed = now_ms() - start;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : -1;
}

struct Spread {
    double low, median, high;
};

Spread spread(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return {v[n / 4], v[n / 2], v[(3 * n) / 4]};
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 5 || std::strcmp(argv[3], "--") != 0) {
        fprintf(stderr, "usage: start_cost RUNS BARE_PROGRAM -- PROGRAM [ARGS...]\n");
        return 2;
    }
    const int runs = std::max(4, atoi(argv[1]));
    char *bare[] = {argv[2], nullptr};
    char *const *measured = argv + 4;

    for (int i = 0; i < 3; ++i) {  // warm the page cache
        if (run_once(bare) < 0 || run_once(measured) < 0) {
            fprintf(stderr, "start_cost: %s or %s did not run cleanly\n", bare[0], measured[0]);
            return 1;
        }
    }
    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        const bool bare_first = (i % 2) == 0;
        const double x = bare_first ? run_once(bare) : run_once(measured);
        const double y = bare_first ? run_once(measured) : run_once(bare);
        const double t_bare = bare_first ? x : y;
        const double t_measured = bare_first ? y : x;
        if (t_bare < 0 || t_measured < 0) {
            fprintf(stderr, "start_cost: a run failed\n");
            return 1;
        }
        a.push_back(t_bare);
        b.push_back(t_measured);
    }
    const Spread sa = spread(a), sb = spread(b);
    printf("bare %.3f ms (quartiles %.3f-%.3f)\n", sa.median, sa.low, sa.high);
    printf("command %.3f ms (quartiles %.3f-%.3f)\n", sb.median, sb.low, sb.high);
    printf("ratio %.3f\n", sb.median / sa.median);
    return 0;
}
