// A console program for the process tests. Its name is unique to this project, so tests that
// find or kill processes by name can never touch a real program.
//
//   print TEXT [ERROR]   TEXT on standard output, ERROR on standard error
//   burst N              N numbered lines as fast as possible, then ends
//   until-q              echoes input lines as "echo:<line>" until a line "q", then "bye"
//   ignore-q             reads and ignores its input; ends by itself after a minute
//   sleep MS             waits, then ends
//   exit CODE [...]      ends with that exit code (further arguments are ignored)
//   touch FILE           creates the file
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

namespace {

std::string WithoutCarriageReturn(std::string aLine) {
    if (!aLine.empty() && aLine.back() == '\r') {
        aLine.pop_back();
    }
    return aLine;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const std::string argument = argc > 2 ? argv[2] : "";
    if (mode == "print") {
        std::fputs((argument + "\n").c_str(), stdout);
        std::fflush(stdout);
        if (argc > 3) {
            std::fputs((std::string(argv[3]) + "\n").c_str(), stderr);
        }
        return 0;
    }
    if (mode == "burst") {
        const int count = std::atoi(argument.c_str());
        for (int i = 1; i <= count; ++i) {
            std::printf("line %d\n", i);
        }
        return 0;
    }
    if (mode == "until-q") {
        std::cout << "ready" << std::endl;
        std::string line;
        while (std::getline(std::cin, line)) {
            line = WithoutCarriageReturn(line);
            if (line == "q") {
                std::cout << "bye" << std::endl;
                return 0;
            }
            std::cout << "echo:" << line << std::endl;
        }
        return 3;
    }
    if (mode == "ignore-q") {
        std::cout << "ready" << std::endl;
        const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        std::string line;
        while (std::getline(std::cin, line)) {
        }
        std::this_thread::sleep_until(end);
        return 0;
    }
    if (mode == "sleep") {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argument.c_str())));
        return 0;
    }
    if (mode == "exit") {
        return std::atoi(argument.c_str());
    }
    if (mode == "touch") {
        std::ofstream(argument) << "touched";
        return 0;
    }
    std::cout << "test child without a mode" << std::endl;
    return 2;
}
