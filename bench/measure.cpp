// Runs a command once and reports what it cost: measure OUTFILE COMMAND...
// Writes "wall_seconds user_seconds sys_seconds peak_kib" to OUTFILE. The
// child runs in a session of its own (no controlling terminal), with stdin
// from /dev/null, as the tool runs unattended; its output goes where
// measure's goes (bench/run.sh keeps it in a log, to show on a failure).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace {

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTFILE COMMAND [ARG...]\n", argv[0]);
        return 2;
    }
    double start = now();
    pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
        setsid();
        int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }
    int status = 0;
    rusage usage;
    if (wait4(child, &status, 0, &usage) < 0) return 1;
    double wall = now() - start;
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) return 1;
    std::fprintf(out, "%.6f %.6f %.6f %ld\n", wall, seconds(usage.ru_utime), seconds(usage.ru_stime),
                 usage.ru_maxrss);
    std::fclose(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
