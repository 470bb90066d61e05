#pragma once

#include <QByteArray>
#include <QIODevice>

namespace qel {

// A write-only device that gathers writes in a buffer of fixed capacity and passes them on to its
// target in pieces of that size, so that many small writes of a stream become few large ones.
// Call flush() before the target is committed or closed; a failed write to the target is reported
// as a failed write here (BinaryWriter raises EWriteError on it).
class BufferedOutput : public QIODevice {
public:
    BufferedOutput(QIODevice& aTarget, qsizetype aCapacity);
    ~BufferedOutput() override;

    // Passes the gathered bytes on; false when the target did not take them all.
    bool flush();
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* aData, qint64 aLength) override;

private:
    QIODevice& FTarget;
    QByteArray FBuffer;
    qsizetype FCapacity;
};

}  // namespace qel
