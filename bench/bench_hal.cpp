// Cost of the requests a terminal makes most (ops.cpp), from the entry
// point to the host's command channel, with a host that accepts every
// command at once; and the floor they are held to: one system call, the
// least one kernel round trip costs. After the runs a table gives each
// request's CPU time per HLP command it sends as a multiple of the floor.
#include <benchmark/benchmark.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ops.h"

namespace {

constexpr const char *kFloor = "floor_syscall_getppid";

void floorCall(benchmark::State &state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(syscall(SYS_getppid));
    }
}

void request(benchmark::State &state, const benchops::Op *op)
{
    op->setup();
    const uint32_t before = g_nullHostCommands;
    for (auto _ : state) {
        op->run();
    }
    state.counters["commands"] =
        benchmark::Counter(static_cast<double>(g_nullHostCommands - before), benchmark::Counter::kAvgIterations);
    op->teardown();
}

// Prints what the console reporter prints, and keeps each run's CPU time
// per iteration and commands per iteration for the table.
class Reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0) {
                continue;
            }
            const auto commands = r.counters.find("commands");
            Row &row = rows_[r.benchmark_name()];
            row.ns = r.GetAdjustedCPUTime();  // the default unit, ns
            row.commands = commands != r.counters.end() ? commands->second.value : 0;
            if (order_.empty() || order_.back() != r.benchmark_name()) {
                order_.push_back(r.benchmark_name());
            }
        }
    }

    void printTable() const
    {
        const auto f = rows_.find(kFloor);
        if (f == rows_.end() || f->second.ns <= 0) {
            return;
        }
        const double floorNs = f->second.ns;
        std::printf("\nfloor: one system call, %.1f ns CPU\n", floorNs);
        std::printf("%-22s %12s %9s %12s %9s\n", "request", "ns CPU", "commands", "ns/command", "x floor");
        for (const std::string &name : order_) {
            const Row &row = rows_.at(name);
            if (name == kFloor || row.commands <= 0) {
                continue;
            }
            const double perCommand = row.ns / row.commands;
            std::printf("%-22s %12.1f %9.0f %12.1f %9.2f\n", name.c_str(), row.ns, row.commands, perCommand,
                        perCommand / floorNs);
        }
    }

private:
    struct Row {
        double ns = 0;
        double commands = 0;
    };
    std::map<std::string, Row> rows_;
    std::vector<std::string> order_;
};

}  // namespace

int main(int argc, char **argv)
{
    benchmark::RegisterBenchmark(kFloor, floorCall);
    for (size_t i = 0; i < benchops::kOpCount; ++i) {
        benchmark::RegisterBenchmark(benchops::kOps[i].name, request, &benchops::kOps[i]);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printTable();
    benchmark::Shutdown();
    return 0;
}
