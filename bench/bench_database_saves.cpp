// Saving new athletes into the embedded SQLite file: the program's own save (each on its own,
// and all inside one qel::RunInTransaction) against plain prepared QSqlQuery INSERTs of the same
// columns (each committed alone, and all in one transaction), on fresh files in one folder, so
// on one file system. Prints rows per second and, at the end, the ratios of the times.
//
// The folder is a new temporary one unless QEL_BENCH_DIR names another (to measure a disk).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "database/athletes.h"
#include "database/database.h"
#include "database/transaction_scope.h"

namespace {

constexpr int kAthletes = 2000;

std::unique_ptr<QTemporaryDir> benchFolder;
int fileNumber = 0;
// Rows per second of each benchmark, by name, for the ratios.
std::map<std::string, double> rowsPerSecond;

QString NewFile() {
    return QDir(benchFolder->path()).filePath(QStringLiteral("bench%1.db").arg(++fileNumber));
}

QString ConnectionString(const QString& aFile) {
    return QStringLiteral("Provider=SQLite;Data Source=") + aFile;
}

void Describe(int anIndex, TqeldbPlayer& aPlayer) {
    aPlayer.setFirstName(QStringLiteral("First%1").arg(anIndex));
    aPlayer.setLastName(QStringLiteral("Last%1").arg(anIndex));
    aPlayer.setShortName(QStringLiteral("F%1").arg(anIndex));
    aPlayer.setShirtNumber(anIndex % 99 + 1);
    aPlayer.setActive(true);
}

void Report(benchmark::State& aState) {
    aState.counters["rows/s"] = benchmark::Counter(
        static_cast<double>(kAthletes) * static_cast<double>(aState.iterations()),
        benchmark::Counter::kIsRate);
}

void SaveAthletes(benchmark::State& aState, bool anInOneTransaction) {
    for (auto _ : aState) {
        aState.PauseTiming();
        auto database = std::make_unique<TqelDatabase>();
        if (!database->Initialize(ConnectionString(NewFile()))) {
            aState.SkipWithError("the database file cannot be made");
            break;
        }
        TqeldbPlayers players(database.get());
        aState.ResumeTiming();
        const auto saveAll = [&] {
            for (int i = 0; i < kAthletes; ++i) {
                TqeldbPlayer* player = players.AddPlayer();
                Describe(i, *player);
                players.Save(player);
            }
        };
        if (anInOneTransaction) {
            qel::RunInTransaction(*database, saveAll);
        } else {
            saveAll();
        }
    }
    Report(aState);
}

// The same columns the save writes for these athletes, bound to one prepared statement.
void PlainInserts(benchmark::State& aState, bool anInOneTransaction) {
    const QString name = QStringLiteral("bench-plain");
    for (auto _ : aState) {
        aState.PauseTiming();
        const QString file = NewFile();
        {
            // The program makes the file, so both sides write the same schema and journal mode.
            TqelDatabase maker;
            if (!maker.Initialize(ConnectionString(file))) {
                aState.SkipWithError("the database file cannot be made");
                break;
            }
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(file);
            db.open();
            QSqlQuery query(db);
            query.exec(QStringLiteral("pragma synchronous = full"));
            query.prepare(QStringLiteral(
                "insert into PLAYER (PLR_ID, PLR_FIRSTNAME, PLR_LASTNAME, PLR_SHORTNAME, "
                "PLR_SHIRTNUMBER, PLR_ACTIVE, PLR_PREFERRED_ARM) values (?, ?, ?, ?, ?, ?, ?)"));
            aState.ResumeTiming();
            if (anInOneTransaction) {
                db.transaction();
            }
            for (int i = 0; i < kAthletes; ++i) {
                query.bindValue(0, i + 1);
                query.bindValue(1, QStringLiteral("First%1").arg(i));
                query.bindValue(2, QStringLiteral("Last%1").arg(i));
                query.bindValue(3, QStringLiteral("F%1").arg(i));
                query.bindValue(4, i % 99 + 1);
                query.bindValue(5, 1);
                query.bindValue(6, 0);
                if (!query.exec()) {
                    aState.SkipWithError(query.lastError().text().toStdString().c_str());
                    break;
                }
            }
            if (anInOneTransaction) {
                db.commit();
            }
            aState.PauseTiming();
            query.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        aState.ResumeTiming();
    }
    Report(aState);
}

void BM_SaveAthletes(benchmark::State& aState) {
    SaveAthletes(aState, false);
}
void BM_SaveAthletesInOneTransaction(benchmark::State& aState) {
    SaveAthletes(aState, true);
}
void BM_PlainInsertsCommittedAlone(benchmark::State& aState) {
    PlainInserts(aState, false);
}
void BM_PlainInsertsInOneTransaction(benchmark::State& aState) {
    PlainInserts(aState, true);
}

BENCHMARK(BM_SaveAthletes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_PlainInsertsCommittedAlone)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK(BM_SaveAthletesInOneTransaction)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_PlainInsertsInOneTransaction)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// Collects each run's rows per second as the console shows them.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& aRuns) override {
        ConsoleReporter::ReportRuns(aRuns);
        for (const Run& run : aRuns) {
            const auto counter = run.counters.find("rows/s");
            if (counter != run.counters.end() && !run.error_occurred) {
                rowsPerSecond[run.benchmark_name()] = counter->second.value;
            }
        }
    }
};

void PrintRatio(const char* aWhat, const std::string& aProgram, const std::string& aPlain,
                double aTarget) {
    const auto program = rowsPerSecond.find(aProgram);
    const auto plain = rowsPerSecond.find(aPlain);
    if (program == rowsPerSecond.end() || plain == rowsPerSecond.end() || program->second <= 0) {
        return;
    }
    const double ratio = plain->second / program->second;
    std::printf("%-40s %10.0f rows/s  plain %10.0f rows/s  %.2f times slower (target %.1f)\n",
                aWhat, program->second, plain->second, ratio, aTarget);
}

}  // namespace

int main(int argc, char** argv) {
    // Qt loads its SQL drivers through the application.
    QCoreApplication app(argc, argv);
    benchFolder = qEnvironmentVariableIsSet("QEL_BENCH_DIR")
                      ? std::make_unique<QTemporaryDir>(
                            QDir(qEnvironmentVariable("QEL_BENCH_DIR")).filePath("qel-XXXXXX"))
                      : std::make_unique<QTemporaryDir>();
    if (!benchFolder->isValid()) {
        std::fprintf(stderr, "no folder for the database files\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nfiles in %s\n", qPrintable(benchFolder->path()));
    PrintRatio("save, each on its own", "BM_SaveAthletes/iterations:2/real_time",
               "BM_PlainInsertsCommittedAlone/iterations:2/real_time", 1.3);
    PrintRatio("save, all in one transaction",
               "BM_SaveAthletesInOneTransaction/iterations:5/real_time",
               "BM_PlainInsertsInOneTransaction/iterations:5/real_time", 5.0);
    benchmark::Shutdown();
    benchFolder.reset();
    return 0;
}
