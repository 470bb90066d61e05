#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace qel::test {

// Runs aThreads threads, each calling aLog(thread, line) for its lines 0..aLines-1, and calls
// aMeanwhile on this thread every 2 ms until they are done.
inline void LogFromThreads(int aThreads, int aLines, const std::function<void(int, int)>& aLog,
                           const std::function<void()>& aMeanwhile) {
    std::atomic<int> running{aThreads};
    std::vector<std::thread> writers;
    for (int t = 0; t < aThreads; ++t) {
        writers.emplace_back([&, t] {
            for (int i = 0; i < aLines; ++i) {
                aLog(t, i);
            }
            --running;
        });
    }
    while (running > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        aMeanwhile();
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
}

// Lines written by several threads end in "<thread> <line>". Reads the files in the order
// given and tells what is wrong: a line missing, written twice or out of its thread's order.
// Empty when every thread's lines 0..aLines-1 are there once, in order.
inline QString CheckLinesOncePerThreadInOrder(const QByteArray& aText, int aThreads, int aLines) {
    std::vector<int> next(static_cast<size_t>(aThreads), 0);
    for (const QByteArray& line : aText.split('\n')) {
        if (line.isEmpty()) {
            continue;
        }
        const QList<QByteArray> words = line.trimmed().split(' ');
        bool threadOk = false;
        bool indexOk = false;
        const int thread = words.size() >= 2 ? words[words.size() - 2].toInt(&threadOk) : -1;
        const int index = words.isEmpty() ? -1 : words.last().toInt(&indexOk);
        if (!line.endsWith('\r') || !threadOk || !indexOk || thread < 0 || thread >= aThreads) {
            return QStringLiteral("bad line: ") + QString::fromLatin1(line);
        }
        int& expected = next[static_cast<size_t>(thread)];
        if (index != expected) {
            return QStringLiteral("thread %1: line %2 where %3 was due")
                .arg(thread)
                .arg(index)
                .arg(expected);
        }
        ++expected;
    }
    for (int thread = 0; thread < aThreads; ++thread) {
        if (next[static_cast<size_t>(thread)] != aLines) {
            return QStringLiteral("thread %1: %2 lines of %3")
                .arg(thread)
                .arg(next[static_cast<size_t>(thread)])
                .arg(aLines);
        }
    }
    return {};
}

}  // namespace qel::test
