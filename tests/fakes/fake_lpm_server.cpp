#include "fakes/fake_lpm_server.h"

#include <QTcpServer>
#include <QUdpSocket>
#include <QtEndian>
#include <memory>

#include "platform/queued_call.h"

namespace qel::test {
namespace {

constexpr int kMessageSize = 12;

using namespace lpm;

}  // namespace

quint16 FreeLocalPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

QByteArray LpmPositionRecord() {
    QByteArray bytes(56, '\x5A');
    auto* p = reinterpret_cast<uchar*>(bytes.data());
    qToLittleEndian<uint32_t>(50, p + 0);
    qToLittleEndian<uint16_t>(7, p + 4);
    qToLittleEndian<uint16_t>(0, p + 6);
    p[8] = 0;
    qToLittleEndian<uint16_t>(0, p + 9);
    p[11] = 0;
    qToLittleEndian<int32_t>(1000, p + 12);
    qToLittleEndian<int32_t>(2000, p + 16);
    qToLittleEndian<int32_t>(300, p + 20);
    qToLittleEndian<int16_t>(0, p + 24);
    qToLittleEndian<int16_t>(0, p + 26);
    qToLittleEndian<int16_t>(0, p + 28);
    return bytes;
}

FakeLpmServer::FakeLpmServer() = default;

FakeLpmServer::~FakeLpmServer() {
    if (control_) {
        control_->disconnect(this);
        control_->abort();
        delete control_.data();
    }
}

quint16 FakeLpmServer::listenHandshakes(const QHostAddress& anAddress) {
    if (!handshakeServer_) {
        handshakeServer_ = new QTcpServer(this);
        connect(handshakeServer_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = handshakeServer_->nextPendingConnection()) {
                socket->setParent(this);
                auto bytes = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, this,
                        [socket, bytes] { bytes->append(socket->readAll()); });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket, bytes] {
                    bytes->append(socket->readAll());
                    handshakes_ << *bytes;
                    socket->deleteLater();
                    if (bytes->size() == 5 && bytes->at(4) == 1 && controlPort_ != 0) {
                        const quint16 port = controlPort_;
                        QueueCall(this, [this, port] { connectControl(port, 0); });
                    }
                });
            }
        });
    }
    if (!handshakeServer_->isListening()) {
        handshakeServer_->listen(anAddress, 0);
    }
    return handshakeServer_->serverPort();
}

void FakeLpmServer::stopHandshakes() {
    if (handshakeServer_) {
        handshakeServer_->close();
    }
}

bool FakeLpmServer::connectControl(quint16 aPort, int aTimeoutMs) {
    if (control_) {
        control_->disconnect(this);
        control_->abort();
        control_->deleteLater();
    }
    buffer_.clear();
    uploadRemaining_ = -1;
    auto* socket = new QTcpSocket(this);
    control_ = socket;
    connect(socket, &QTcpSocket::readyRead, this, [this] { onControlData(); });
    connect(socket, &QTcpSocket::connected, this, [this] { ++controlConnects_; });
    socket->connectToHost(QHostAddress::LocalHost, aPort);
    if (aTimeoutMs <= 0) {
        return true;
    }
    return ProcessMessagesFor(aTimeoutMs, [this] { return isControlConnected(); });
}

bool FakeLpmServer::isControlConnected() const {
    return control_ && control_->state() == QAbstractSocket::ConnectedState;
}

void FakeLpmServer::dropControl() {
    if (control_) {
        control_->abort();
    }
}

void FakeLpmServer::script(int32_t aRequestCode, std::vector<Message> anAnswers) {
    scripted_[aRequestCode].push_back(std::move(anAnswers));
}

void FakeLpmServer::scriptAlways(int32_t aRequestCode, std::vector<Message> anAnswers) {
    scriptedAlways_[aRequestCode] = std::move(anAnswers);
}

QByteArray FakeLpmServer::Encode(const Message& aMessage) {
    QByteArray bytes(kMessageSize, '\0');
    qToLittleEndian<int32_t>(aMessage.Code, bytes.data());
    qToLittleEndian<int32_t>(aMessage.Param0, bytes.data() + 4);
    qToLittleEndian<int32_t>(aMessage.Param1, bytes.data() + 8);
    return bytes;
}

void FakeLpmServer::send(const std::vector<Message>& aMessages, const std::vector<int>& aPieces) {
    if (!isControlConnected()) {
        return;
    }
    QByteArray bytes;
    for (const Message& message : aMessages) {
        bytes += Encode(message);
    }
    qsizetype offset = 0;
    for (int piece : aPieces) {
        if (offset >= bytes.size()) {
            break;
        }
        control_->write(bytes.mid(offset, piece));
        control_->flush();
        offset += piece;
        ProcessMessagesFor(20);
        if (!isControlConnected()) {
            return;
        }
    }
    if (offset < bytes.size()) {
        control_->write(bytes.mid(offset));
        control_->flush();
    }
}

std::vector<int32_t> FakeLpmServer::receivedCodes() const {
    std::vector<int32_t> codes;
    for (const Message& message : received_) {
        codes.push_back(message.Code);
    }
    return codes;
}

bool FakeLpmServer::sendUdp(const QByteArray& aDatagram, quint16 aPort, const QHostAddress& aFrom) {
    std::unique_ptr<QUdpSocket>& socket = udpSenders_[aFrom.toIPv4Address()];
    if (!socket) {
        socket = std::make_unique<QUdpSocket>();
        if (!socket->bind(aFrom, 0)) {
            socket.reset();
            return false;
        }
    }
    return socket->writeDatagram(aDatagram, QHostAddress::LocalHost, aPort) == aDatagram.size();
}

void FakeLpmServer::onControlData() {
    QPointer<QTcpSocket> socket = control_;
    const QByteArray bytes = socket->readAll();
    raw_ += bytes;
    buffer_ += bytes;
    while (socket && socket == control_) {
        if (uploadRemaining_ >= 0) {
            const qsizetype take = std::min<qsizetype>(buffer_.size(), uploadRemaining_);
            Upload& upload = uploads_.back();
            const qsizetype before = upload.Bytes.size();
            upload.Bytes += buffer_.left(take);
            buffer_.remove(0, take);
            uploadRemaining_ -= take;
            if (dropAfterUploadBytes_ >= 0 && before < dropAfterUploadBytes_ &&
                upload.Bytes.size() >= dropAfterUploadBytes_) {
                dropAfterUploadBytes_ = -1;
                control_->abort();
                return;
            }
            if (uploadRemaining_ > 0) {
                return;
            }
            finishUpload();
            continue;
        }
        if (buffer_.size() < kMessageSize) {
            return;
        }
        Message request;
        request.Code = qFromLittleEndian<int32_t>(buffer_.constData());
        request.Param0 = qFromLittleEndian<int32_t>(buffer_.constData() + 4);
        request.Param1 = qFromLittleEndian<int32_t>(buffer_.constData() + 8);
        buffer_.remove(0, kMessageSize);
        handleRequest(request);
    }
}

void FakeLpmServer::handleRequest(const Message& aRequest) {
    received_.push_back(aRequest);
    if (aRequest.Code == kSendFile) {
        uploads_.push_back(Upload{aRequest.Param0, aRequest.Param1, {}});
        uploadRequest_ = aRequest;
        uploadRemaining_ = std::max(0, aRequest.Param1);
        if (uploadRemaining_ == 0) {
            finishUpload();
        }
        return;
    }
    answer(aRequest);
}

void FakeLpmServer::finishUpload() {
    uploadRemaining_ = -1;
    answer(uploadRequest_);
}

void FakeLpmServer::answer(const Message& aRequest) {
    std::vector<Message> answers;
    auto once = scripted_.find(aRequest.Code);
    auto always = scriptedAlways_.find(aRequest.Code);
    if (once != scripted_.end() && !once->second.empty()) {
        answers = once->second.front();
        once->second.pop_front();
    } else if (always != scriptedAlways_.end()) {
        answers = always->second;
    } else {
        switch (aRequest.Code) {
            case kConnect:
            case kInitialize:
            case kStop:
            case kStart:
            case kDatalogEnable:
            case kDatalogDisable:
                answers.push_back({aRequest.Code + 100000, 0, 0});
                break;
            case kTpActivate:
            case kTpDeactivate:
            case kTpPause:
            case kSendFile:
                answers.push_back({aRequest.Code + 100000, aRequest.Param0, 0});
                break;
            default:
                break;
        }
    }
    if (!answers.empty()) {
        send(answers);
    }
}

}  // namespace qel::test
