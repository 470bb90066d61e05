#pragma once

namespace benchmark {
class BenchmarkReporter;
}

namespace qel::bench {

// The main of a benchmark program that counts allocations: a QCoreApplication (QObjects get
// their application as in the server), a check that the allocation counter works, then the
// benchmarks given on the command line, reported by aReporter (the console when none).
int RunCountingAllocations(int argc, char** argv,
                           benchmark::BenchmarkReporter* aReporter = nullptr);

}  // namespace qel::bench
