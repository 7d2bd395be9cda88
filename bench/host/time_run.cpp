// Runs a command several times and reports each run's wall time (monotonic
// clock) and the peak resident memory of the command's process. Native host
// tool.
//
//   time_run RUNS LOG -- COMMAND [ARGS...]
//
// The command's output goes to LOG (appended). Prints one line a run:
// "wall_ms=12.345 maxrss_kb=6789". Exits 1 as soon as a run fails.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 5 || std::strcmp(argv[3], "--") != 0) {
    std::fprintf(stderr, "usage: %s RUNS LOG -- COMMAND [ARGS...]\n", argv[0]);
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  const char* log = argv[2];
  char** command = argv + 4;
  for (int i = 0; i < runs; ++i) {
    timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    const pid_t pid = fork();
    if (pid < 0) return 1;
    if (pid == 0) {
      const int fd = open(log, O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (fd >= 0) {
        dup2(fd, 1);
        dup2(fd, 2);
        close(fd);
      }
      execvp(command[0], command);
      std::perror("execvp");
      _exit(127);
    }
    int status = 0;
    rusage usage;
    std::memset(&usage, 0, sizeof usage);
    if (wait4(pid, &status, 0, &usage) != pid) return 1;
    clock_gettime(CLOCK_MONOTONIC, &t1);
    const double ms = (t1.tv_sec - t0.tv_sec) * 1e3 + (t1.tv_nsec - t0.tv_nsec) / 1e6;
    std::printf("wall_ms=%.3f maxrss_kb=%ld\n", ms, usage.ru_maxrss);
    std::fflush(stdout);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "time_run: %s failed (status %d); see %s\n", command[0], status, log);
      return 1;
    }
  }
  return 0;
}
