#include "shared/lpm_port.h"

#include <cxxabi.h>
#include <QAbstractSocket>
#include <QPointer>
#include <QScopeGuard>
#include <algorithm>
#include <cstring>
#include <typeinfo>

#include "foundation/logging/logger.h"
#include "platform/exception.h"
#include "platform/tick_count.h"

namespace {

// Shared by all ports; main thread only.
int32_t portIdCounter = 0;

QString ExceptionMessage(const std::exception& anException) {
    if (const auto* own = dynamic_cast<const Exception*>(&anException)) {
        return own->Message();
    }
    return QString::fromUtf8(anException.what());
}

QString DemangledClassName(const std::type_info& aType) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(aType.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && name ? QString::fromLatin1(name.get())
                               : QString::fromLatin1(aType.name());
}

}  // namespace

TlpmPort::TlpmPort(TlpmProcessDatagramEvent aProcessDatagramEvent,
                   TlpmDatagramBoundaryCheckProc aBoundaryChecker, int32_t aPortId) {
    qel::Assert(
        static_cast<bool>(aProcessDatagramEvent),
        QStringLiteral("A TlpmPort can only be created with a valid ProcessDatagramEvent."));
    qel::Assert(static_cast<bool>(aBoundaryChecker),
                QStringLiteral("A TlpmPort can only be created with a valid BoundaryCheckProc."));
    FBuffer = std::make_unique<char[]>(kInitialBufferSize);
    FBufferSize = kInitialBufferSize;
    FOnProcessDatagram = std::move(aProcessDatagramEvent);
    FOnBoundaryCheck = std::move(aBoundaryChecker);
    FPortId = aPortId != 0 ? aPortId : ++portIdCounter;
    FDatagram.open(QIODevice::ReadWrite);
}

TlpmPort::~TlpmPort() = default;

QString TlpmPort::DisplayName() const {
    // The dynamic class is only known once construction is over, so the default is made here.
    return FDisplayName.isEmpty() ? DemangledClassName(typeid(*this)) : FDisplayName;
}

void TlpmPort::setMaxBufferSize(int32_t aValue) {
    FMaxBufferSize = std::max(aValue, kInitialBufferSize);
}

void TlpmPort::clearInput() {
    FRdPtr = 0;
    FWrPtr = 0;
    releaseLargeBuffers();
}

bool TlpmPort::WriteBounded(QAbstractSocket* aSocket, const QByteArray& aData, qint64 aLimit,
                            const QString& aName) {
    if (aSocket->bytesToWrite() + aData.size() <= aLimit) {
        aSocket->write(aData);
        return true;
    }
    Logger().error(QStringLiteral("%1: %2 bytes wait to be sent, the peer does not read: closing")
                       .arg(aName)
                       .arg(aSocket->bytesToWrite()));
    QPointer<QAbstractSocket> socket = aSocket;
    QMetaObject::invokeMethod(
        aSocket,
        [socket] {
            if (socket) {
                socket->abort();
            }
        },
        Qt::QueuedConnection);
    return false;
}

void TlpmPort::dropInput() {
    clearInput();
}

bool TlpmPort::hasInput() const {
    QAbstractSocket* socket = GetSocket();
    return socket && socket->bytesAvailable() > 0;
}

qint64 TlpmPort::readInput(char* aBuffer, qint64 aMaxSize) {
    QAbstractSocket* socket = GetSocket();
    return socket ? socket->read(aBuffer, aMaxSize) : -1;
}

void TlpmPort::doBackgroundException(const std::exception& anException) {
    Logger().bug(QStringLiteral("Background exception occurred in %1: %2")
                     .arg(DisplayName(), qel::ExceptionClassName(anException) +
                                             QStringLiteral(": ") + ExceptionMessage(anException)));
    dropInput();
}

bool TlpmPort::makeRoom(qint64 aWanted) {
    if (FBufferSize - FWrPtr > aWanted) {
        return true;
    }
    if (FRdPtr > 0) {
        std::memmove(FBuffer.get(), FBuffer.get() + FRdPtr, static_cast<size_t>(FWrPtr - FRdPtr));
        FWrPtr -= FRdPtr;
        FRdPtr = 0;
    }
    if (FBufferSize - FWrPtr <= aWanted && FBufferSize < FMaxBufferSize) {
        int64_t size = FBufferSize;
        while (size - FWrPtr <= aWanted && size < FMaxBufferSize) {
            size = std::min<int64_t>(size * 2, FMaxBufferSize);
        }
        auto grown = std::make_unique<char[]>(static_cast<size_t>(size));
        std::memcpy(grown.get(), FBuffer.get(), static_cast<size_t>(FWrPtr));
        FBuffer = std::move(grown);
        FBufferSize = static_cast<int32_t>(size);
    }
    return FBufferSize > FWrPtr;
}

void TlpmPort::overflow() {
    Logger().error(QStringLiteral("%1 dropped its input: a message does not fit into %2 bytes")
                       .arg(DisplayName())
                       .arg(FMaxBufferSize));
    dropInput();
}

void TlpmPort::releaseLargeBuffers() {
    if (FWrPtr == 0 && FBufferSize > kShrinkAbove) {
        FBuffer = std::make_unique<char[]>(kInitialBufferSize);
        FBufferSize = kInitialBufferSize;
    }
    if (FDatagram.buffer().capacity() > kShrinkAbove) {
        FDatagram.buffer() = QByteArray();
        FDatagram.seek(0);
    }
}

void TlpmPort::doDataAvailable(int anError) {
    if (anError != 0) {
        Logger().error(QStringLiteral("Winsock error %1 in doDataAvailable(..)").arg(anError));
    }
    QPointer<TlpmPort> self(this);
    try {
        FLastReceiveTick = qel::TickCount();
        while (!FCloseRequested && hasInput()) {
            if (!makeRoom(nextInputSize())) {
                overflow();
                continue;
            }
            const int32_t start = FWrPtr;
            const qint64 count = readInput(FBuffer.get() + start, FBufferSize - start);
            if (count <= 0) {
                break;
            }
            FWrPtr += static_cast<int32_t>(count);
            if (FOnRawDataEvent) {
                FOnRawDataEvent(this, FLastReceiveTick, FBuffer.get() + start,
                                static_cast<int32_t>(count));
                if (!self) {
                    return;
                }
            }
            if (!frameInput()) {
                return;
            }
        }
    } catch (const std::exception& e) {
        Logger().bug(
            QStringLiteral("Problem in onDataAvailable(..): (%1)").arg(qel::DescribeException(e)));
        if (self) {
            dropInput();
        }
    }
}

void TlpmPort::injectRawData(uint32_t aTick, const char* aBuffer, int32_t aSize) {
    QPointer<TlpmPort> self(this);
    try {
        if (FOnRawDataEvent) {
            FOnRawDataEvent(this, aTick, aBuffer, aSize);
            if (!self) {
                return;
            }
        }
        // A block larger than the free room goes in as several, framed one after the other.
        int32_t done = 0;
        while (done < aSize && !FCloseRequested) {
            if (!makeRoom(kInjectRoom)) {
                overflow();
                continue;
            }
            const int32_t count = std::min(aSize - done, FBufferSize - FWrPtr);
            std::memcpy(FBuffer.get() + FWrPtr, aBuffer + done, static_cast<size_t>(count));
            FWrPtr += count;
            done += count;
            if (!frameInput()) {
                return;
            }
        }
    } catch (const std::exception& e) {
        Logger().bug(
            QStringLiteral("Problem in injectRawData(..): (%1)").arg(qel::DescribeException(e)));
        if (self) {
            dropInput();
        }
    }
}

bool TlpmPort::frameInput() {
    if (FFraming) {
        // Bytes added from inside a handler: the running loop frames them.
        return true;
    }
    QPointer<TlpmPort> self(this);
    FFraming = true;
    const auto framingDone = qScopeGuard([&] {
        if (self) {
            FFraming = false;
        }
    });
    while (!FCloseRequested && FWrPtr > FRdPtr) {
        const int32_t available = FWrPtr - FRdPtr;
        int32_t length = -1;
        FOnBoundaryCheck(FBuffer.get() + FRdPtr, available, length);
        if (length <= 0) {
            break;
        }
        if (length > available) {
            Logger().error(
                QStringLiteral("%1 dropped its input: the boundary check found %2 bytes in %3")
                    .arg(DisplayName())
                    .arg(length)
                    .arg(available));
            dropInput();
            break;
        }
        QByteArray& bytes = FDatagram.buffer();
        bytes.resize(length);
        std::memcpy(bytes.data(), FBuffer.get() + FRdPtr, static_cast<size_t>(length));
        if (!FDatagram.isOpen()) {
            FDatagram.open(QIODevice::ReadWrite);
        }
        FDatagram.seek(length);
        FRdPtr += length;
        try {
            FOnProcessDatagram(this, FDatagram);
        } catch (const std::exception& e) {
            Logger().error(QStringLiteral("Problem in processDatagram event (%1)")
                               .arg(qel::DescribeException(e)));
        }
        if (!self) {
            return false;
        }
    }
    if (FRdPtr == FWrPtr) {
        clearInput();
    }
    return true;
}
