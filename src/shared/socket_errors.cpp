#include "shared/socket_errors.h"

namespace qel {

int WinsockError(QAbstractSocket::SocketError anError) {
    switch (anError) {
        case QAbstractSocket::ConnectionRefusedError:
        case QAbstractSocket::ProxyConnectionRefusedError:
            return kWSAECONNREFUSED;
        case QAbstractSocket::RemoteHostClosedError:
        case QAbstractSocket::ProxyConnectionClosedError:
            return kWSAECONNRESET;
        case QAbstractSocket::HostNotFoundError:
        case QAbstractSocket::ProxyNotFoundError:
            return kWSAHOST_NOT_FOUND;
        case QAbstractSocket::SocketAccessError:
            return kWSAEACCES;
        case QAbstractSocket::SocketResourceError:
            return kWSAENOBUFS;
        case QAbstractSocket::SocketTimeoutError:
        case QAbstractSocket::ProxyConnectionTimeoutError:
            return kWSAETIMEDOUT;
        case QAbstractSocket::DatagramTooLargeError:
            return kWSAEMSGSIZE;
        case QAbstractSocket::NetworkError:
            return kWSAENETUNREACH;
        case QAbstractSocket::AddressInUseError:
            return kWSAEADDRINUSE;
        case QAbstractSocket::SocketAddressNotAvailableError:
            return kWSAEADDRNOTAVAIL;
        case QAbstractSocket::UnsupportedSocketOperationError:
            return kWSAEAFNOSUPPORT;
        case QAbstractSocket::UnfinishedSocketOperationError:
            return kWSAEINPROGRESS;
        case QAbstractSocket::TemporaryError:
            return kWSAEWOULDBLOCK;
        case QAbstractSocket::OperationError:
            return kWSAEINVAL;
        case QAbstractSocket::ProxyAuthenticationRequiredError:
        case QAbstractSocket::ProxyProtocolError:
        case QAbstractSocket::SslHandshakeFailedError:
        case QAbstractSocket::SslInternalError:
        case QAbstractSocket::SslInvalidUserDataError:
            return kWSAECONNABORTED;
        case QAbstractSocket::UnknownSocketError:
            break;
    }
    return kUnknownSocketError;
}

SocketState ToSocketState(QAbstractSocket::SocketState aState) {
    switch (aState) {
        case QAbstractSocket::UnconnectedState:
            return SocketState::Closed;
        case QAbstractSocket::HostLookupState:
            return SocketState::NameLookup;
        case QAbstractSocket::ConnectingState:
            return SocketState::Connecting;
        case QAbstractSocket::ConnectedState:
        // Still connected while the last bytes go out.
        case QAbstractSocket::ClosingState:
            return SocketState::Connected;
        case QAbstractSocket::BoundState:
            return SocketState::Bound;
        case QAbstractSocket::ListeningState:
            return SocketState::Listening;
    }
    return SocketState::Invalid;
}

}  // namespace qel
