// Histran's translation.
// Time: 10,000 event lines into a table of 30,000 rows, Histran's indexed
// lookup of Desc and Bitmap against walking the whole table for every line,
// the way the translation was first written.
// Memory: 1,000,000 event lines into an empty table, the peak resident size
// of Histran's streaming translation against the translation that kept
// every description and every new row in memory; each runs in a child
// process of its own, so each peak is its own.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unordered_set>

#include "bench/db_bench_util.h"
#include "eventdb/history_store.h"
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
        // One line in ten names an event the table holds already, with its bitmap.
        std::ofstream out(history, std::ios::binary);
        for (int i = 0; i < kLines; ++i) {
            const int n = i % 10 == 0 ? i : kTableRows + i;
            out << "[" << i + 1 << "] [" << kPrefix << n
                << "] [/home/user/work/2003.4.5_1.2.3/error" << n << ".bmp] []\r\n";
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

// Histran's way: the table is opened, then only the store works on it.
histran::TranslationResult translate(const std::string& database, const std::string& history) {
    eventdb::EventDatabase db;
    eventdb::OpenEventDatabase(db, database);
    db.table.close();
    eventdb::HistoryStore store;
    if (!store.open(db.connection)) {
        return {.error = store.error()};
    }
    return histran::TranslateHistory(store, history, history + ".unread");
}

void BM_TranslateHistory(benchmark::State& state) {
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        setup().freshTable();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        const auto result = translate(setup().work, setup().history);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (result.stored != kLines - kLines / 10) {
            state.SkipWithError("wrong number of rows stored");
            return;
        }
    }
    state.counters["seconds"] = seconds;
    if (referenceSeconds > 0) {
        state.counters["reference_over_ours"] = referenceSeconds / seconds;
    }
}

constexpr int kMemoryLines = 1000000;

struct MemorySetup {
    std::string dir = bench::benchDir() + "-memory";
    std::string database = dir + "/Vrak.mdb";
    std::string history = dir + "/History.Log";
    MemorySetup() {
        std::filesystem::create_directories(dir);
        std::ofstream out(history, std::ios::binary);
        for (int i = 1; i <= kMemoryLines; ++i) {
            out << "[" << i << "] [" << kPrefix << i << " Release Time:1:2:9 ] [/home/user/work/"
                << "2003.4.5_1.2.3/error" << i << ".bmp] []\r\n";
        }
    }
    ~MemorySetup() { std::filesystem::remove_all(dir); }
};

// The translation as it first was: every description of the table and of
// the file in a set, and every new row kept by the table's recordset. One
// transaction only to save time; it changes nothing in memory.
uint64_t referenceInMemory(const std::string& database, const std::string& history) {
    eventdb::EventDatabase db;
    eventdb::OpenEventDatabase(db, database);
    std::vector<eventdb::Value> present;
    db.table.readColumn("Desc", &present);
    std::unordered_set<std::string> known;
    for (auto& desc : present) {
        if (desc && !desc->empty()) {
            known.insert(std::move(*desc));
        }
    }
    sqlite3_exec(db.connection.session()->db, "BEGIN", nullptr, nullptr, nullptr);
    std::ifstream in(history, std::ios::binary);
    std::string line;
    uint64_t stored = 0;
    while (std::getline(in, line)) {
        line.pop_back();  // the CR
        const auto fields = histran::ParseHistoryLine(line);
        const std::string desc(fields->description);
        if (!known.contains(desc) &&
            db.table.addNew({{"Desc", desc}, {"Bitmap", std::string(fields->bitmap)}})) {
            known.insert(desc);
            ++stored;
        }
    }
    sqlite3_exec(db.connection.session()->db, "COMMIT", nullptr, nullptr, nullptr);
    return stored;
}

// Runs `work` on a new empty table in a child process; its peak resident
// size in megabytes, or a negative number when it did not store every line.
double peakMegabytes(MemorySetup& setup, const std::function<uint64_t()>& work) {
    std::filesystem::remove(setup.database);
    std::filesystem::remove(setup.database + "-wal");
    std::filesystem::remove(setup.database + "-shm");
    std::string error;
    if (!eventdb::CreateEventDatabase(setup.database, &error)) {
        return -1;
    }
    const pid_t child = fork();
    if (child == 0) {
        _exit(work() == kMemoryLines ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_PeakMemoryOfOneMillionLines(benchmark::State& state) {
    MemorySetup setup;
    double reference = 0;
    double ours = 0;
    for (auto _ : state) {
        reference =
            peakMegabytes(setup, [&] { return referenceInMemory(setup.database, setup.history); });
        ours = peakMegabytes(setup, [&] {
            const auto result = translate(setup.database, setup.history);
            return result.error.empty() ? result.stored : 0;
        });
    }
    if (reference <= 0 || ours <= 0) {
        state.SkipWithError("a translation did not store every line");
        return;
    }
    state.counters["reference_peak_mb"] = reference;
    state.counters["peak_mb"] = ours;
    state.counters["reference_over_ours"] = reference / ours;
}

// First, while the process is small: a child starts with its parent's
// resident pages, which count in its peak.
BENCHMARK(BM_PeakMemoryOfOneMillionLines)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_ReferenceWalkPerLine)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TranslateHistory)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
