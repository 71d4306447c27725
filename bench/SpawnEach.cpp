// Starts a program once per file, ROUNDS times over the files, one after another, with its
// output discarded, and prints the nanoseconds all starts took from the first start to the last
// exit. A shell loop would add its own fork of a large process to every start, which for a
// program that runs in a millisecond is most of the time measured.
//   spawn_each ROUNDS PROGRAM [ARG...] -- FILE...
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

int main(int argc, char** argv)
{
    if (argc < 5)
        return 2;
    const long rounds = std::strtol(argv[1], nullptr, 10);
    int split = 2;
    while (split < argc && std::strcmp(argv[split], "--") != 0)
        ++split;
    if (rounds <= 0 || split == 2 || split >= argc - 1)
        return 2;
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0 ||
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0) != 0 ||
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0) != 0)
        return 1;
    const auto start = std::chrono::steady_clock::now();
    for (long r = 0; r < rounds; ++r) {
        for (int f = split + 1; f < argc; ++f) {
            std::vector<char*> args(argv + 2, argv + split);
            args.push_back(argv[f]);
            args.push_back(nullptr);
            pid_t pid = 0;
            if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
                std::perror(args[0]);
                return 1;
            }
            int status = 0;
            if (waitpid(pid, &status, 0) != pid)
                return 1;
        }
    }
    const auto end = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    std::printf("%lld\n", static_cast<long long>(std::chrono::nanoseconds(end - start).count()));
    return 0;
}
