#include "fakes/fake_client_program.h"

#include <QtEndian>
#include <cstring>

#include "foundation/protocol/client_protocol.h"
#include "platform/queued_call.h"

namespace qel::test {

std::vector<QByteArray> FakeClientProgram::messages() const {
    std::vector<QByteArray> result;
    const QByteArray bytes = peer_.received();
    qsizetype at = skip_;
    while (bytes.size() - at >= TqelProtocol::kHeaderSize) {
        const int32_t length = qFromLittleEndian<int32_t>(bytes.constData() + at + 4);
        if (length < TqelProtocol::kHeaderSize || bytes.size() - at < length) {
            break;
        }
        result.push_back(bytes.mid(at, length));
        at += length;
    }
    return result;
}

std::vector<QByteArray> FakeClientProgram::messagesOfType(int32_t aType) const {
    std::vector<QByteArray> result;
    for (const QByteArray& message : messages()) {
        if (qFromLittleEndian<int32_t>(message.constData()) == aType) {
            result.push_back(message);
        }
    }
    return result;
}

bool FakeClientProgram::waitForMessages(int32_t aType, size_t aCount, int aTimeoutMs) {
    return ProcessMessagesFor(aTimeoutMs, [&] { return messagesOfType(aType).size() >= aCount; });
}

std::vector<RqelLPMSample> FakeClientProgram::decodeSamples(const QByteArray& aMessage) {
    QByteArray copy = aMessage;
    QBuffer datagram(&copy);
    datagram.open(QIODevice::ReadOnly);
    datagram.seek(copy.size());
    int32_t count = 0;
    TqelProtocol::decodeUpdate(datagram, count);
    std::vector<RqelLPMSample> result(static_cast<size_t>(count));
    for (RqelLPMSample& sample : result) {
        datagram.read(reinterpret_cast<char*>(sample.bytes), sizeof(sample.bytes));
    }
    return result;
}

std::vector<RqelLPMSample> FakeClientProgram::samples() const {
    std::vector<RqelLPMSample> result;
    for (const QByteArray& message : messagesOfType(msg::Update)) {
        const std::vector<RqelLPMSample> part = decodeSamples(message);
        result.insert(result.end(), part.begin(), part.end());
    }
    return result;
}

void FakeClientProgram::clearReceived() {
    skip_ = peer_.received().size();
}

void FakeClientProgram::send(const QBuffer& aDatagram, const std::vector<int>& aPieces) {
    peer_.send(aDatagram.data(), aPieces);
}

void FakeClientProgram::sendLiveData(int32_t aState, const std::vector<int>& aPieces) {
    QBuffer datagram;
    TqelProtocol::encodeLiveData(datagram, aState);
    send(datagram, aPieces);
}

void FakeClientProgram::sendCorruptFrame() {
    QByteArray frame(TqelProtocol::kHeaderSize, '\0');
    qToLittleEndian<int32_t>(msg::LiveData, frame.data());
    qToLittleEndian<int32_t>(3, frame.data() + 4);
    peer_.send(frame);
}

void FakeClientProgram::stopReading() {
    QTcpSocket* socket = peer_.socket();
    socket->setReadBufferSize(1);
    QObject::disconnect(socket, &QTcpSocket::readyRead, &peer_, nullptr);
}

}  // namespace qel::test
