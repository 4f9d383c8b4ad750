// SPDX-License-Identifier: GPL-3.0-or-later
// One company lookup, as the main window runs it on every pick and keystroke (open the file, find the company,
// close), against the least any reader can do: open the file with SQLite's C API, walk the whole table comparing
// Company, close. Both at 1,000, 10,000 and 100,000 vendors.
#include "PhoneCardSchema.h"
#include "data/PhoneCardDatabase.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>
#include <map>
#include <memory>

namespace {

// The key sought is in no record, so both sides must look at every record.
constexpr const char* Missing = "No Such Company";

struct Fixture {
    QTemporaryDir dir;
    QString path;
};

Fixture& fixture(int vendors)
{
    static std::map<int, std::unique_ptr<Fixture>> cache;
    auto& slot = cache[vendors];
    if (!slot) {
        slot = std::make_unique<Fixture>();
        qputenv("XDG_DATA_HOME", slot->dir.path().toLocal8Bit());
        slot->path = miravo::phoneCardDatabasePath();
        miravo::schema::createDatabase(slot->path);
        QList<miravo::schema::Row> rows;
        rows.reserve(vendors);
        for (int i = 0; i < vendors; ++i)
            rows.append({{"Company", QStringLiteral("Card company %1").arg(i)},
                         {"Business", QStringLiteral("1800555%1").arg(i, 4, 10, QLatin1Char('0'))},
                         {"Language", "1"},
                         {"Code", QString::number(1000 + i)},
                         {"City", "Somewhere"}});
        miravo::schema::insertRows(slot->path, QStringLiteral("Vendors"), rows);
    }
    qputenv("XDG_DATA_HOME", slot->dir.path().toLocal8Bit());
    return *slot;
}

void BM_ProgramLookup(benchmark::State& state)
{
    fixture(int(state.range(0)));
    for (auto _ : state) {
        auto result = miravo::lookupCompany(QString::fromLatin1(Missing));
        if (!result.ok() || result.value())
            state.SkipWithError("lookup failed");
        benchmark::DoNotOptimize(result);
    }
    state.SetComplexityN(state.range(0));
}

void BM_PlainSqliteScan(benchmark::State& state)
{
    const QByteArray path = fixture(int(state.range(0))).path.toUtf8();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT Company, Business, Language, Code FROM Vendors", -1, &stmt, nullptr);
        int matches = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const auto* company = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            if (company && std::strcmp(company, Missing) == 0)
                ++matches;
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        benchmark::DoNotOptimize(matches);
    }
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_PlainSqliteScan)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)->Complexity();
BENCHMARK(BM_ProgramLookup)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond)->Complexity();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
