// 10,000 event lines into a table of 30,000 rows: Histran's set lookup
// against walking the whole table for every line, the way the translation
// was first written.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "bench/db_bench_util.h"
#include "histran/history_line.h"
#include "histran/translate.h"

namespace {

using namespace zelkor;

constexpr int kTableRows = 30000;
constexpr int kLines = 10000;
constexpr const char* kPrefix = "2003/4/5 Detect Time:1:2:3 #";

struct Setup {
    std::string dir = bench::benchDir();
    std::string base = dir + "/base.mdb";
    std::string work = dir + "/Vrak.mdb";
    std::string history = dir + "/History.Log";
    Setup() {
        bench::makeDatabase(base, kTableRows, kPrefix);
        // One line in ten names an event the table holds already.
        std::ofstream out(history, std::ios::binary);
        for (int i = 0; i < kLines; ++i) {
            const int n = i % 10 == 0 ? i : kTableRows + i;
            out << "[" << i + 1 << "] [" << kPrefix << n << "] [/w/e/error" << n << ".bmp] []\r\n";
        }
        out << "[" << kLines + 1 << "] [ . End of this work at 2003/4/5 2:0:0] [] []\r\n";
    }
    ~Setup() { std::filesystem::remove_all(dir); }
    void freshTable() const {
        std::filesystem::remove(work + "-wal");
        std::filesystem::remove(work + "-shm");
        std::filesystem::copy_file(base, work, std::filesystem::copy_options::overwrite_existing);
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

double referenceSeconds = 0;

// The walk: for every event line, every row's Desc until one matches.
void referenceTranslate(eventdb::Recordset& table, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    eventdb::Value desc;
    const int descColumn = table.columnIndex("Desc");
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const auto fields = histran::ParseHistoryLine(line);
        if (!fields || fields->bitmap.empty()) {
            continue;
        }
        bool found = false;
        if (table.recordCount() > 0) {
            table.moveFirst();
        }
        for (int64_t i = 0; i < table.recordCount() && !found; ++i) {
            table.field(descColumn, &desc);
            found = desc && !desc->empty() && *desc == fields->description;
            table.moveNext();
        }
        if (!found) {
            table.addNew({{"Desc", std::string(fields->description)},
                          {"Bitmap", std::string(fields->bitmap)}});
        }
    }
}

void BM_ReferenceWalkPerLine(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        setup().freshTable();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        eventdb::EventDatabase db;
        eventdb::OpenEventDatabase(db, setup().work);
        referenceTranslate(db.table, setup().history);
        referenceSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(db.table.recordCount());
    }
}

void BM_TranslateHistory(benchmark::State& state) {
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        setup().freshTable();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        eventdb::EventDatabase db;
        eventdb::OpenEventDatabase(db, setup().work);
        const auto result = histran::TranslateHistory(db.table, setup().history);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (result.stored != kLines - kLines / 10) {
            state.SkipWithError("wrong number of rows stored");
        }
    }
    state.counters["seconds"] = seconds;
    if (referenceSeconds > 0) {
        state.counters["reference_over_ours"] = referenceSeconds / seconds;
    }
}

BENCHMARK(BM_ReferenceWalkPerLine)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TranslateHistory)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
