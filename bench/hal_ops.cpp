// hal_ops: runs one of the benchmarked requests a given number of times,
// for counting its instructions under callgrind (check_budgets.sh).
//
//   hal_ops list          each request: name, entry point, budget
//   hal_ops run NAME N    NAME's setup, N requests, its teardown
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ops.h"

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "list") == 0) {
        for (size_t i = 0; i < benchops::kOpCount; ++i) {
            const benchops::Op &op = benchops::kOps[i];
            std::printf("%s %s %llu\n", op.name, op.entry, static_cast<unsigned long long>(op.budget));
        }
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "run") == 0) {
        const long count = std::strtol(argv[3], nullptr, 10);
        for (size_t i = 0; i < benchops::kOpCount; ++i) {
            const benchops::Op &op = benchops::kOps[i];
            if (std::strcmp(op.name, argv[2]) != 0) {
                continue;
            }
            op.setup();
            for (long n = 0; n < count; ++n) {
                op.run();
            }
            op.teardown();
            std::printf("%s: %ld requests, %u commands\n", op.name, count, g_nullHostCommands);
            return 0;
        }
        std::fprintf(stderr, "hal_ops: no request named %s (hal_ops list)\n", argv[2]);
        return 2;
    }
    std::fprintf(stderr, "usage: hal_ops list | hal_ops run NAME COUNT\n");
    return 2;
}
