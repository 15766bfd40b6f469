// Shared pieces of the benchmark suite: the rows it times, the checks that
// each row does the same work, and the table of ratios printed after the run.
#pragma once
#include <benchmark/benchmark.h>

#include <functional>
#include <string>

// Why a row is not comparable; empty when its output matched the engine's.
// A row with a mismatch is registered but reports an error instead of a time.
struct RowCheck {
    bool matches = true;
    std::string remark;  // shown in the table: a mismatch, or a known harmless difference
};

// Registers "group/row" timed by `body`, one call per iteration. The first row
// of a group is the engine's; the table divides every other row by it.
// `check` runs once, before the row is first timed; a row that does not match
// is reported as an error and never timed. `goal` ("peer>=10", "limit<=2") is
// judged against the measured ratio.
void AddRow(const std::string& group,
            const std::string& row,
            std::function<void()> body,
            std::function<RowCheck()> check = nullptr,
            const std::string& goal = "");

// The working directory every row reads and writes in; made on first use.
const std::string& BenchDirectory();

// Registration of each family of rows; each makes its own input files.
void RegisterImageRows();   // mipmap chains and texture loaders
void RegisterOutputRows();  // screenshot, file list, settings save, settings frame

// Opens the GL window every GL row draws into (1280x960, the largest mode).
void OpenBenchWindow();

// Runs the registered rows with `argc/argv` already given to benchmark and
// prints the ratio table; writes it to `tablePath` as well when not empty.
int RunRowsAndPrintTable(const std::string& tablePath);
