#include "model/dataset/notify_varuza.h"

#include "platform/exception.h"

TNotifyVaruza::TNotifyVaruza() : FAliveToken(std::make_shared<char>(0)) {}

TNotifyVaruza::~TNotifyVaruza() = default;

void TNotifyVaruza::BeginUpdate() {
    if (FUpdateCount.fetch_add(1) == 0) {
        FChanged = false;
    }
}

void TNotifyVaruza::EndUpdate() {
    qel::Assert(FUpdateCount.load() > 0, QStringLiteral("EndUpdate without BeginUpdate"));
    if (FUpdateCount.fetch_sub(1) == 1) {
        setChanged(FChanged.load());
    }
}

void TNotifyVaruza::setChanged(bool aValue) {
    FChanged = aValue;
}

void TNotifyVaruza::setInitialized(bool aValue) {
    FInitialized = aValue;
    if (aValue) {
        FChanged = false;
    }
}
