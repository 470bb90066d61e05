#pragma once

#include <QAbstractSocket>
#include <cstdint>

#include "platform/exception.h"

// A socket that cannot do what it was asked (listen, bind).
QEL_DECLARE_EXCEPTION(ESocketException, Exception);

namespace qel {

// The socket error numbers that the system's texts show ("winsock error %d").
constexpr int kWSAEINTR = 10004;
constexpr int kWSAEACCES = 10013;
constexpr int kWSAEINVAL = 10022;
constexpr int kWSAEWOULDBLOCK = 10035;
constexpr int kWSAEINPROGRESS = 10036;
constexpr int kWSAEMSGSIZE = 10040;
constexpr int kWSAEAFNOSUPPORT = 10047;
constexpr int kWSAEADDRINUSE = 10048;
constexpr int kWSAEADDRNOTAVAIL = 10049;
constexpr int kWSAENETDOWN = 10050;
constexpr int kWSAENETUNREACH = 10051;
constexpr int kWSAECONNABORTED = 10053;
constexpr int kWSAECONNRESET = 10054;
constexpr int kWSAENOBUFS = 10055;
constexpr int kWSAETIMEDOUT = 10060;
constexpr int kWSAECONNREFUSED = 10061;
constexpr int kWSAEHOSTUNREACH = 10065;
constexpr int kWSAHOST_NOT_FOUND = 11001;
// Qt could not say what went wrong.
constexpr int kUnknownSocketError = -1;

int WinsockError(QAbstractSocket::SocketError anError);

// The socket states as the system numbers them in its events and texts.
enum class SocketState : uint8_t {
    Invalid = 0,
    Opened = 1,
    Bound = 2,
    Connecting = 3,
    SocksConnected = 4,
    Connected = 5,
    Accepting = 6,
    Listening = 7,
    Closed = 8,
    NameLookup = 9,
};

SocketState ToSocketState(QAbstractSocket::SocketState aState);

}  // namespace qel
