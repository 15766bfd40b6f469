// The benchmark suite's driver: opens the window, registers every row, checks
// that every row matches the engine's output, runs them and prints ratios.
#include <SDL.h>
#include <GL/gl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "bench/bench_support.h"
#include "platform/video.h"
#include "render/texture.h"

namespace {

struct RowInfo {
    std::string group;
    std::string row;
    std::function<RowCheck()> checkFn;
    RowCheck check;
    bool checked = false;
    std::string goal;
    double median = -1;  // nanoseconds of wall-clock time per call
};

std::vector<RowInfo> rows;

// Keeps the median of each row's repetitions (or its only run).
class TableReporter : public benchmark::ConsoleReporter {
   public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (run.error_occurred || !(median || single))
                continue;
            std::string name = run.run_name.function_name;
            for (RowInfo& info : rows)
                if (info.group + "/" + info.row == name)
                    info.median = run.GetAdjustedRealTime() * 1e9 /
                                  benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }
};

std::string FormatTime(double ns) {
    char text[32];
    if (ns >= 1e6)
        std::snprintf(text, sizeof text, "%.2f ms", ns / 1e6);
    else if (ns >= 1e3)
        std::snprintf(text, sizeof text, "%.1f us", ns / 1e3);
    else
        std::snprintf(text, sizeof text, "%.0f ns", ns);
    return text;
}

// "peer>=10": the peer takes at least 10x the engine's time; "limit<=2":
// the engine takes at most 2x the limit's time.
std::string JudgeGoal(const std::string& goal, double peerOverEngine) {
    if (goal.empty() || peerOverEngine <= 0)
        return "";
    bool atLeast = goal.find(">=") != std::string::npos;
    double bound = std::atof(goal.c_str() + goal.find('=') + 1);
    bool limit = goal.rfind("limit", 0) == 0;
    double value = limit ? 1.0 / peerOverEngine : peerOverEngine;
    bool met = atLeast ? value >= bound : value <= bound;
    char text[96];
    std::snprintf(text,
                  sizeof text,
                  "%s %s%.2g: %s",
                  limit ? "engine/limit" : "peer/engine",
                  atLeast ? ">=" : "<=",
                  bound,
                  met ? "met" : "NOT MET");
    return text;
}

void PrintTable(FILE* out) {
    std::fprintf(out,
                 "\n%-22s %-28s %12s %10s  %s\n",
                 "group",
                 "row",
                 "median",
                 "x engine",
                 "goal / remark");
    std::string group = "";
    double engine = -1;
    for (const RowInfo& info : rows) {
        if (!info.checked)
            continue;  // filtered out of this run
        if (info.group != group) {
            group = info.group;
            engine = info.median;
        }
        std::string timeText =
            info.check.matches ? (info.median > 0 ? FormatTime(info.median) : "-") : "not timed";
        char ratio[24] = "";
        double peerOverEngine = (engine > 0 && info.median > 0) ? info.median / engine : -1;
        if (peerOverEngine > 0)
            std::snprintf(ratio, sizeof ratio, "%.2f", peerOverEngine);
        std::string note = JudgeGoal(info.goal, peerOverEngine);
        if (!info.check.remark.empty())
            note += (note.empty() ? "" : "; ") + info.check.remark;
        std::fprintf(out,
                     "%-22s %-28s %12s %10s  %s\n",
                     info.group.c_str(),
                     info.row.c_str(),
                     timeText.c_str(),
                     ratio,
                     note.c_str());
    }
}

}  // namespace

void AddRow(const std::string& group,
            const std::string& row,
            std::function<void()> body,
            std::function<RowCheck()> check,
            const std::string& goal) {
    size_t index = rows.size();
    rows.push_back(RowInfo{group, row, check, RowCheck(), false, goal});
    benchmark::RegisterBenchmark(
        (group + "/" + row).c_str(),
        [body, index](benchmark::State& state) {
            RowInfo& info = rows[index];
            if (!info.checked) {
                if (info.checkFn)
                    info.check = info.checkFn();
                info.checked = true;
                if (!info.check.matches)
                    std::fprintf(stderr,
                                 "%s/%s: output differs: %s\n",
                                 info.group.c_str(),
                                 info.row.c_str(),
                                 info.check.remark.c_str());
            }
            if (!info.check.matches) {
                state.SkipWithError(("output differs: " + info.check.remark).c_str());
                return;
            }
            for (auto _ : state)
                body();
        })
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);
}

const std::string& BenchDirectory() {
    static std::string path;
    if (path.empty()) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillon-bench-XXXXXX";
        if (!mkdtemp(&pattern[0]) || chdir(pattern.c_str()) != 0) {
            std::perror("bench directory");
            std::exit(1);
        }
        path = pattern;
    }
    return path;
}

void OpenBenchWindow() {
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init failed: %s\n", SDL_GetError());
        std::exit(1);
    }
    videoState = VideoState{1280, 960, 16, 0, 0, 1, 1};
    if (!SetVideoModeFromState()) {
        std::fprintf(stderr, "no 1280x960 GL window: %s\n", SDL_GetError());
        std::exit(1);
    }
    GenerateTextureNames();
}

int RunRowsAndPrintTable(const std::string& tablePath) {
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintTable(stdout);
    if (!tablePath.empty()) {
        if (FILE* out = std::fopen(tablePath.c_str(), "w")) {
            PrintTable(out);
            std::fclose(out);
        }
    }
    return 0;
}

// Own option: --table=FILE also writes the ratio table there.
int main(int argc, char** argv) {
    std::string tablePath;
    std::vector<char*> args;
    for (int i = 0; i < argc; i++) {
        if (std::strncmp(argv[i], "--table=", 8) == 0)
            tablePath = argv[i] + 8;
        else
            args.push_back(argv[i]);
    }
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 2;
    OpenBenchWindow();
    BenchDirectory();
    RegisterImageRows();
    RegisterOutputRows();
    int status = RunRowsAndPrintTable(tablePath);
    SDL_Quit();
    return status;
}
