#pragma once

#include <QString>

#include "model/dataset/dataset.h"
#include "model/dataset/signal_log.h"
#include "model/field/field.h"

namespace qel::test {

// A dataset with its field and a subscriber that counts the field notices it hears.
class FieldNotices {
public:
    FieldNotices() { FDataset.subscribeToSignals(&FSubscriber); }
    ~FieldNotices() { FDataset.unsubscribeToSignals(&FSubscriber); }

    TqelDataset& Dataset() { return FDataset; }
    TqelField& Field() { return *FDataset.Field(); }
    // Field notices since the last call.
    int Take() {
        const QString notice = QStringLiteral("F changed %1 0").arg(int(itemField));
        int count = 0;
        for (const QString& line : FLog.Take()) {
            count += line == notice ? 1 : 0;
        }
        return count;
    }

private:
    TqelDataset FDataset;
    SignalLog FLog;
    LoggingSubscriber FSubscriber{QStringLiteral("F"), FLog};
};

// A position in metres as the analyses pass it.
inline RqelCalculatedPosition MetrePosition(double aXinM, double aYinM) {
    RqelCalculatedPosition position;
    position.XinM = aXinM;
    position.YinM = aYinM;
    return position;
}

}  // namespace qel::test
