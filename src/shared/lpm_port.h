#pragma once

#include <QBuffer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

#include "platform/crash_reporter.h"

class QAbstractSocket;
class TlpmPort;

// Handles one complete message. The stream holds exactly that message, positioned at its end;
// it belongs to the port and is reused for the next message, so a handler that needs the bytes
// later copies them.
using TlpmProcessDatagramEvent = std::function<void(TlpmPort* aSender, QBuffer& aDatagram)>;

// Finds the first complete message in the unconsumed bytes. aLength comes in as -1; the check
// sets it to the byte length of the first message when that message is complete within
// aDatagramSize bytes and leaves 0 or less while more bytes are needed. It may raise to say
// the stream is corrupt.
using TlpmDatagramBoundaryCheckProc =
    std::function<void(const char* aDatagram, int32_t aDatagramSize, int32_t& aLength)>;

// Sees every received block before framing.
using TlpmRawDataEvent =
    std::function<void(TlpmPort* aClient, uint32_t aTick, const char* aBuffer, int32_t aSize)>;

// A port collects received bytes and cuts them into messages with its two framing callbacks:
// the boundary check says how long the first message is, the datagram handler gets each one.
// The port knows nothing of any protocol.
//
// The receive buffer starts at 16384 bytes and doubles when little room is left at its end;
// unconsumed bytes move to its front before it grows, and it never grows past MaxBufferSize.
// A stream that does not fit (a message larger than the cap, or a boundary check that never
// answers), a boundary check that raises, and one that answers more bytes than it was given are
// logged and drop the input (connections close).
//
// A datagram handler may close or even free its own port: the framing loop notices and stops.
//
// Main thread only, like its socket; no lock.
class TlpmPort : public QObject {
public:
    static constexpr int32_t kInitialBufferSize = 16384;
    static constexpr int32_t kDefaultMaxBufferSize = 64 * 1024 * 1024;

    // Both callbacks must be assigned. A port id of 0 takes the next value of a counter shared
    // by all ports (the first is 1).
    TlpmPort(TlpmProcessDatagramEvent aProcessDatagramEvent,
             TlpmDatagramBoundaryCheckProc aBoundaryChecker, int32_t aPortId = 0);
    ~TlpmPort() override;
    TlpmPort(const TlpmPort&) = delete;
    TlpmPort& operator=(const TlpmPort&) = delete;

    // Frames bytes that did not come from the socket, as if they had been received.
    void injectRawData(uint32_t aTick, const char* aBuffer, int32_t aSize);

    // Tick count (ms) of the last data event.
    uint32_t LastReceiveTick() const { return FLastReceiveTick; }
    // Used in log lines; the class name unless set.
    QString DisplayName() const;
    void setDisplayName(const QString& aValue) { FDisplayName = aValue; }
    int32_t PortId() const { return FPortId; }
    const TlpmRawDataEvent& OnRawInput() const { return FOnRawDataEvent; }
    void setOnRawInput(TlpmRawDataEvent aValue) { FOnRawDataEvent = std::move(aValue); }

    // At least the initial size; a smaller buffer already in use is kept until it empties.
    int32_t MaxBufferSize() const { return FMaxBufferSize; }

    // Queues aData on aSocket unless the bytes still waiting there would pass aLimit: a peer that
    // stops reading must not make us buffer without bound. Such a connection is logged and
    // aborted from the event loop (never inside the caller's loop over connections); false then.
    static bool WriteBounded(QAbstractSocket* aSocket, const QByteArray& aData, qint64 aLimit,
                             const QString& aName);
    void setMaxBufferSize(int32_t aValue);
    int32_t BufferSize() const { return FBufferSize; }
    // Received bytes that are not yet part of a delivered message.
    int32_t PendingBytes() const { return FWrPtr - FRdPtr; }

    // The socket under the port; null when there is none.
    virtual QAbstractSocket* GetSocket() const = 0;
    // Inside a handler of one of the socket's signals: the socket must not be freed at once.
    bool InSocketSignal() const { return FSocketSignalDepth > 0; }

protected:
    // Connection result (0 or a socket error number) and close of the socket.
    virtual void doConnected(int anError) = 0;
    virtual void doClosed() = 0;

    // Reads what the socket has (all of it: the socket does not signal again for bytes left
    // unread) and frames it.
    void doDataAvailable(int anError);
    // An exception left one of the socket's handlers: logged, then the socket closes.
    void doBackgroundException(const std::exception& anException);

    // What the port does with input it cannot frame, and after a background exception. This
    // one forgets the buffered bytes; connections close.
    virtual void dropInput();
    // Reading from the socket.
    virtual bool hasInput() const;
    virtual qint64 readInput(char* aBuffer, qint64 aMaxSize);
    // Free room the next read wants at the end of the buffer (a whole datagram for UDP).
    virtual qint64 nextInputSize() const { return kReadRoom; }

    // Forgets buffered bytes.
    void clearInput();
    // Stops the framing loop after the message being handled; cleared by the subclass when a
    // new connection begins.
    void requestClose() { FCloseRequested = true; }
    void resetCloseRequest() { FCloseRequested = false; }
    bool CloseRequested() const { return FCloseRequested; }

    // Runs a handler of one of the port's socket signals: no exception leaves it, and the port
    // knows it is inside such a signal (its socket must then be freed later, not at once).
    template <typename F>
    void socketSignal(F&& aCall);

private:
    static constexpr int32_t kReadRoom = 16384;
    static constexpr int32_t kInjectRoom = 8192;
    // A buffer this large goes back to the initial size once it is empty.
    static constexpr int32_t kShrinkAbove = 1024 * 1024;

    // Makes more than aWanted bytes of room at the end of the buffer where the cap allows.
    // False when no room at all is left.
    bool makeRoom(qint64 aWanted);
    // False when a handler freed the port.
    bool frameInput();
    void overflow();
    void releaseLargeBuffers();

    int32_t FWrPtr = 0;
    int32_t FRdPtr = 0;
    std::unique_ptr<char[]> FBuffer;
    int32_t FBufferSize = 0;
    int32_t FMaxBufferSize = kDefaultMaxBufferSize;
    uint32_t FLastReceiveTick = 0;
    QString FDisplayName;
    int32_t FPortId = 0;
    TlpmProcessDatagramEvent FOnProcessDatagram;
    TlpmDatagramBoundaryCheckProc FOnBoundaryCheck;
    TlpmRawDataEvent FOnRawDataEvent;
    // The stream each message is handed over in, reused.
    QBuffer FDatagram;
    bool FFraming = false;
    bool FCloseRequested = false;
    int FSocketSignalDepth = 0;
};

template <typename F>
void TlpmPort::socketSignal(F&& aCall) {
    QPointer<TlpmPort> self(this);
    ++FSocketSignalDepth;
    try {
        aCall();
    } catch (const std::exception& e) {
        if (self) {
            doBackgroundException(e);
        } else {
            qel::CrashReporter::Report(e, QStringLiteral("TlpmPort"));
        }
    } catch (...) {
        qel::CrashReporter::ReportUnknown(QStringLiteral("TlpmPort"));
    }
    if (self) {
        --FSocketSignalDepth;
    }
}
