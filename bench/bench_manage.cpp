// manage opening a table of 100,000 events until its window is painted,
// against a grid that reads every row before it shows.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStandardItemModel>
#include <QTableView>
#include <chrono>
#include <filesystem>

#include "bench/db_bench_util.h"
#include "manage/vrak_query.h"
#include "platform/fake/recording_shell.h"
#include "platform/fake/recording_sound.h"
#include "platform/fake/recording_ui.h"

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

BENCHMARK(BM_ReferenceReadAllRows)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManageOpensAndPaints)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
