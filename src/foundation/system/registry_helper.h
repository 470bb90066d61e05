#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <memory>

#include "platform/date_time.h"
#include "platform/exception.h"

class QSettings;

// A registry value could not be read as the type asked for, or could not be written.
QEL_DECLARE_EXCEPTION(ERegistryException, Exception);

namespace qel {

// A currency amount: a 64-bit integer counting ten-thousandths.
struct Currency {
    int64_t scaled = 0;
    friend bool operator==(const Currency&, const Currency&) = default;
};

}  // namespace qel

// Small per-user values of the server, kept by section and name. Typed reads are forgiving: a
// missing or unreadable value gives the caller's default, which the typed reads also store so
// that the value exists from then on. Main thread only.
//
// The values live in the per-user native settings of "Qelvani Doredu Revuroro"/"Orvyn", one
// group per section. Those settings keep no types, so each value is stored with a type tag:
// "i:" integer (Booleans too, as 0/1), "f:" double (floats and date-times), "c:" currency
// (ten-thousandths), "s:" string. Anything else counts as data of an unknown type.
class TRegistryHelper {
public:
    TRegistryHelper();
    ~TRegistryHelper();
    TRegistryHelper(const TRegistryHelper&) = delete;
    TRegistryHelper& operator=(const TRegistryHelper&) = delete;

    // Missing or of another type: aDefault, which is then written under aID.
    bool ReadBool(const QString& aSection, const QString& aID, bool aDefault);
    int32_t ReadInteger(const QString& aSection, const QString& aID, int32_t aDefault);
    double ReadFloat(const QString& aSection, const QString& aID, double aDefault);
    TDateTime ReadDatetime(const QString& aSection, const QString& aID, TDateTime aDefault);
    qel::Currency ReadCurrency(const QString& aSection, const QString& aID, qel::Currency aDefault);
    // Missing, empty or not a string: aDefault; nothing is written.
    QString ReadString(const QString& aSection, const QString& aID, const QString& aDefault);
    // The value as a string (empty when missing); aDefault when it is not a string or the
    // section cannot be opened.
    QVariant ReadVariant(const QString& aSection, const QString& aID, const QVariant& aDefault);
    QVariant ReadVariant(const QString& aSection, const QString& aID);
    // Replaces alst with a "name=value" line per value of the section. Raises
    // ERegistryException when a value is not a string.
    void ReadSection(const QString& aSection, QStringList& alst);

    // The writes raise ERegistryException when the value cannot be stored.
    void WriteBool(const QString& aSection, const QString& aID, bool Value);
    void WriteInteger(const QString& aSection, const QString& aID, int32_t Value);
    void WriteFloat(const QString& aSection, const QString& aID, double Value);
    void WriteDatetime(const QString& aSection, const QString& aID, TDateTime Value);
    void WriteCurrency(const QString& aSection, const QString& aID, qel::Currency Value);
    void WriteString(const QString& aSection, const QString& aID, const QString& Value);
    // Written as its text; a null variant as an empty string.
    void WriteVariant(const QString& aSection, const QString& aID, const QVariant& Value);
    // Writes each "name=value" line's value as a string; lines without a name are skipped.
    void WriteSection(const QString& aSection, const QStringList& alst);

    // Whether a value was deleted; aDefault when the section cannot be opened or on an error.
    bool Delete(const QString& aSection, const QString& aID, bool aDefault);

private:
    void WriteStored(const QString& aSection, const QString& aID, const QString& aStored);

    std::unique_ptr<QSettings> FReg;
};

namespace qel {

// The program's registry helper, created on first use.
TRegistryHelper& RegistryHelper();

}  // namespace qel
