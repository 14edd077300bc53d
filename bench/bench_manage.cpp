// manage opening a table of 100,000 events until its window is painted,
// against a grid that reads every row before it shows; and a table of
// 1,000,000 events on a shared database's server, its first and its last
// page shown, against the same in Vrak.mdb.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStandardItemModel>
#include <QTableView>
#include <chrono>
#include <filesystem>

#include "bench/db_bench_util.h"
#include "bench/ratio_report.h"
#include "eventdb/pg_history_store.h"
#include "manage/vrak_query.h"
#include "platform/fake/recording_shell.h"
#include "platform/fake/recording_sound.h"
#include "platform/fake/recording_ui.h"
#include "tests/support/pg_server.h"

namespace {

using namespace zelkor;

constexpr int kRows = 100000;

struct Setup {
    std::string dir = bench::benchDir();
    std::string path = dir + "/Vrak.mdb";
    Setup() { bench::makeDatabase(path, kRows, "2003/4/5 Detect Time:1:2:3 #"); }
    ~Setup() { std::filesystem::remove_all(dir); }
};

Setup& setup() {
    static Setup s;
    return s;
}

double referenceSeconds = 0;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ReferenceReadAllRows(benchmark::State& state) {
    setup();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        eventdb::EventDatabase db;
        eventdb::OpenEventDatabase(db, setup().path);
        eventdb::OpenDisplayRecordset(db);
        QStandardItemModel model(0, 3);
        eventdb::Value v;
        for (int64_t r = 0; r < db.display.recordCount(); ++r) {
            QList<QStandardItem*> items;
            for (int c = 0; c < 3; ++c) {
                db.display.fieldAt(r, c, &v);
                items.append(new QStandardItem(v ? QString::fromStdString(*v) : QString()));
            }
            model.appendRow(items);
        }
        QTableView view;
        view.setModel(&model);
        view.resize(568, 540);
        view.show();
        benchmark::DoNotOptimize(view.grab());
        referenceSeconds = secondsSince(start);
    }
}

void BM_ManageOpensAndPaints(benchmark::State& state) {
    setup();
    platform::RecordingUi ui;
    platform::RecordingSound sound;
    platform::RecordingShell shell;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        eventdb::EventDatabase db;
        eventdb::OpenEventDatabase(db, setup().path);
        eventdb::OpenDisplayRecordset(db);
        manage::VrakQuery window(db, {ui, sound, shell}, setup().dir);
        window.show();
        benchmark::DoNotOptimize(window.grab());
        seconds = secondsSince(start);
        if (db.display.recordCount() != kRows) {
            state.SkipWithError("wrong row count");
        }
    }
    state.counters["seconds"] = seconds;
    if (referenceSeconds > 0) {
        state.counters["reference_over_ours"] = referenceSeconds / seconds;
    }
}

constexpr int kSharedRows = 1000000;

struct Fakes {
    platform::RecordingUi ui;
    platform::RecordingSound sound;
    platform::RecordingShell shell;
};

// Shows the first page of `window`, then the last; the seconds from `start`
// to each.
struct Shown {
    double first = 0;
    double last = 0;
};

Shown showFirstAndLast(manage::VrakQuery& window, bench::Clock::time_point start) {
    Shown shown;
    window.show();
    benchmark::DoNotOptimize(window.grab());
    shown.first = bench::seconds(start, bench::Clock::now());
    window.moveLast();
    benchmark::DoNotOptimize(window.grab());
    shown.last = bench::seconds(start, bench::Clock::now());
    return shown;
}

Shown fileFirstAndLast(const std::string& dir, const std::string& path, Fakes& fakes) {
    const auto start = bench::Clock::now();
    eventdb::EventDatabase db;
    if (!eventdb::OpenEventDatabase(db, path) || !eventdb::OpenDisplayRecordset(db)) {
        return {};
    }
    manage::VrakQuery window(db, {fakes.ui, fakes.sound, fakes.shell}, dir);
    return showFirstAndLast(window, start);
}

Shown sharedFirstAndLast(const std::string& dir, const std::string& uri, Fakes& fakes) {
    const auto start = bench::Clock::now();
    eventdb::EventDatabase unused;
    manage::SharedEvents shared;
    if (!shared.connection.open(uri, "manage") || !shared.rows.open(shared.connection, {}, {}) ||
        shared.rows.recordCount() != kSharedRows) {
        return {};
    }
    manage::VrakQuery window(unused, {fakes.ui, fakes.sound, fakes.shell}, dir, &shared);
    return showFirstAndLast(window, start);
}

void BM_SharedMillionRowsFirstAndLastPage(benchmark::State& state) {
    if (!testing::PgServer::available()) {
        state.SkipWithError(
            "no PostgreSQL server programs (Debian package postgresql): shared database not "
            "measured");
        return;
    }
    const std::string dir = bench::benchDir();
    const std::string path = dir + "/Million.mdb";
    testing::PgServer server(ZELKOR_PG_SERVER_SCRIPT);
    eventdb::PgHistoryStore schema;
    if (!bench::makeDatabase(path, kSharedRows, "2003/4/5 Detect Time:1:2:3 #") ||
        !server.start() || !schema.open(server.uri(), "station0")) {
        state.SkipWithError("the databases could not be made");
        return;
    }
    server.query(
        "INSERT INTO \"History\" (\"Station\", \"Desc\", \"Bitmap\") SELECT 'station' || "
        "(g % 4), '2003/4/5 Detect Time:1:2:3 #' || g, "
        "'/home/user/work/2003.4.5_1.2.3/error' || g || '.bmp' FROM generate_series(1, " +
        std::to_string(kSharedRows) + ") g");
    // As a table long in use is: its visibility map up to date.
    server.query("VACUUM ANALYZE \"History\"");
    Fakes fakes;
    Shown file, shared;
    double ours = 0, reference = 0;
    for (auto _ : state) {
        file = fileFirstAndLast(dir, path, fakes);
        shared = sharedFirstAndLast(dir, server.uri(), fakes);
        ours += shared.last;
        reference += file.last;
    }
    std::filesystem::remove_all(dir);
    if (file.last <= 0 || shared.last <= 0) {
        state.SkipWithError("a table did not open with every row");
        return;
    }
    bench::report(state, ours, reference);
    state.counters["shared_first_page_s"] = shared.first;
    state.counters["shared_last_page_s"] = shared.last;
    state.counters["file_first_page_s"] = file.first;
    state.counters["file_last_page_s"] = file.last;
}

BENCHMARK(BM_ReferenceReadAllRows)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManageOpensAndPaints)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SharedMillionRowsFirstAndLastPage)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
