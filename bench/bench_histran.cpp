// Histran's translation.
// Time: 10,000 event lines into a table of 30,000 rows, Histran's indexed
// lookup of Desc and Bitmap against walking the whole table for every line,
// the way the translation was first written.
// Shared database: 100,000 event lines from 4 stations appended at the same
// moment into a table of 1,000,000 rows, on a PostgreSQL server of the
// bench's own against the file database in the same run (rows per second).
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
#include <memory>
#include <thread>
#include <unordered_set>
#include <vector>

#include "bench/db_bench_util.h"
#include "eventdb/history_store.h"
#include "eventdb/pg_history_store.h"
#include "histran/history_line.h"
#include "histran/translate.h"
#include "tests/support/pg_server.h"

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

constexpr int kStations = 4;
constexpr int kSharedLines = 100000;
constexpr int kSharedTableRows = 1000000;

// Every station's history file, in a folder of its own; descriptions and
// bitmaps differ between stations, so the file database, which knows no
// stations, stores every line too.
struct SharedSetup {
    std::string dir = bench::benchDir() + "-shared";
    std::vector<std::string> histories;
    SharedSetup() {
        for (int station = 0; station < kStations; ++station) {
            const std::string folder = dir + "/station" + std::to_string(station);
            std::filesystem::create_directories(folder);
            histories.push_back(folder + "/History.Log");
            std::ofstream out(histories.back(), std::ios::binary);
            for (int i = 0; i < kSharedLines / kStations; ++i) {
                out << "[" << i + 1 << "] [" << kPrefix << "s" << station << "-" << i
                    << "] [/home/user/work/station" << station << "/error" << i << ".bmp] []\r\n";
            }
        }
    }
    ~SharedSetup() { std::filesystem::remove_all(dir); }
};

// A store with what keeps it open.
struct StationStore {
    eventdb::EventDatabase database;
    std::unique_ptr<eventdb::EventStore> store;
};

// Every station's file translated at the same moment, each through the
// store `open` gives it; the rows stored per second, or 0 after a failure.
double appendTogether(const SharedSetup& setup,
                      const std::function<std::unique_ptr<StationStore>(int)>& open) {
    std::vector<std::unique_ptr<StationStore>> stores;
    for (int station = 0; station < kStations; ++station) {
        stores.push_back(open(station));
        if (!stores.back()) {
            return 0;
        }
    }
    std::vector<histran::TranslationResult> results(kStations);
    std::vector<std::thread> threads;
    const auto start = std::chrono::steady_clock::now();
    for (int station = 0; station < kStations; ++station) {
        threads.emplace_back([&, station] {
            const std::string& history = setup.histories[static_cast<size_t>(station)];
            results[static_cast<size_t>(station)] = histran::TranslateHistory(
                *stores[static_cast<size_t>(station)]->store, history, history + ".unread");
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    uint64_t stored = 0;
    for (const auto& result : results) {
        stored += result.complete() ? result.stored : 0;
    }
    return stored == kSharedLines ? kSharedLines / seconds : 0;
}

double fileRowsPerSecond(const SharedSetup& setup) {
    const std::string path = setup.dir + "/Vrak.mdb";
    if (!bench::makeDatabase(path, kSharedTableRows, kPrefix)) {
        return 0;
    }
    return appendTogether(setup, [&](int) -> std::unique_ptr<StationStore> {
        auto opened = std::make_unique<StationStore>();
        auto store = std::make_unique<eventdb::HistoryStore>();
        if (!eventdb::OpenEventDatabase(opened->database, path) ||
            !store->open(opened->database.connection)) {
            return nullptr;
        }
        opened->store = std::move(store);
        return opened;
    });
}

double sharedRowsPerSecond(const SharedSetup& setup, testing::PgServer& server) {
    eventdb::PgHistoryStore schema;
    if (!server.start() || !schema.open(server.uri(), "station0")) {
        return 0;
    }
    server.query(
        "INSERT INTO \"History\" (\"Station\", \"Desc\", \"Bitmap\") SELECT "
        "'station' || (g % 4), '" +
        std::string(kPrefix) +
        "' || g, '/home/user/work/2003.4.5_1.2.3/error' || g || '.bmp' FROM "
        "generate_series(1, " +
        std::to_string(kSharedTableRows) + ") g; ANALYZE");
    return appendTogether(setup, [&](int station) -> std::unique_ptr<StationStore> {
        auto opened = std::make_unique<StationStore>();
        auto store = std::make_unique<eventdb::PgHistoryStore>();
        if (!store->open(server.uri(), "station" + std::to_string(station))) {
            return nullptr;
        }
        opened->store = std::move(store);
        return opened;
    });
}

void BM_FourStationsIntoASharedDatabase(benchmark::State& state) {
    if (!testing::PgServer::available()) {
        state.SkipWithError(
            "no PostgreSQL server programs (Debian package postgresql): shared database not "
            "measured");
        return;
    }
    double file = 0;
    double shared = 0;
    for (auto _ : state) {
        SharedSetup setup;
        file = fileRowsPerSecond(setup);
        testing::PgServer server(ZELKOR_PG_SERVER_SCRIPT);
        shared = sharedRowsPerSecond(setup, server);
    }
    if (file <= 0 || shared <= 0) {
        state.SkipWithError("a database did not store every line");
        return;
    }
    state.counters["file_rows_per_s"] = file;
    state.counters["shared_rows_per_s"] = shared;
    state.counters["shared_over_file"] = shared / file;
}

// First, while the process is small: a child starts with its parent's
// resident pages, which count in its peak.
BENCHMARK(BM_PeakMemoryOfOneMillionLines)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_ReferenceWalkPerLine)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TranslateHistory)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FourStationsIntoASharedDatabase)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
