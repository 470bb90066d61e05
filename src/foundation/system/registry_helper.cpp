#include "foundation/system/registry_helper.h"

#include <QSettings>
#include <limits>

namespace {

enum class TValueKind { Missing, Integer, Float, Currency, String, Other };

struct TStoredValue {
    TValueKind kind = TValueKind::Missing;
    QString text;  // after the tag
};

TStoredValue Decode(const QVariant& aRaw) {
    if (!aRaw.isValid()) {
        return {};
    }
    const QString raw = aRaw.typeId() == QMetaType::QString ? aRaw.toString() : QString();
    if (raw.size() < 2 || raw.at(1) != u':') {
        return {TValueKind::Other, QString()};
    }
    const QString text = raw.mid(2);
    bool ok = false;
    switch (raw.at(0).unicode()) {
        case u's':
            return {TValueKind::String, text};
        case u'i':
            text.toInt(&ok);
            return {ok ? TValueKind::Integer : TValueKind::Other, text};
        case u'f':
            text.toDouble(&ok);
            return {ok ? TValueKind::Float : TValueKind::Other, text};
        case u'c':
            text.toLongLong(&ok);
            return {ok ? TValueKind::Currency : TValueKind::Other, text};
        default:
            return {TValueKind::Other, QString()};
    }
}

QString EncodeInteger(int32_t aValue) {
    return QStringLiteral("i:") + QString::number(aValue);
}
QString EncodeBool(bool aValue) {
    return EncodeInteger(aValue ? 1 : 0);
}
QString EncodeFloat(double aValue) {
    return QStringLiteral("f:") + QString::number(aValue, 'g', 17);
}
QString EncodeCurrency(qel::Currency aValue) {
    return QStringLiteral("c:") + QString::number(aValue.scaled);
}
QString EncodeString(const QString& aValue) {
    return QStringLiteral("s:") + aValue;
}

bool ParseInteger(const TStoredValue& aStored, int32_t& aValue) {
    if (aStored.kind != TValueKind::Integer) {
        return false;
    }
    aValue = aStored.text.toInt();
    return true;
}

bool ParseBool(const TStoredValue& aStored, bool& aValue) {
    int32_t value = 0;
    if (!ParseInteger(aStored, value)) {
        return false;
    }
    aValue = value != 0;
    return true;
}

bool ParseFloat(const TStoredValue& aStored, double& aValue) {
    if (aStored.kind != TValueKind::Float) {
        return false;
    }
    aValue = aStored.text.toDouble();
    return true;
}

bool ParseCurrency(const TStoredValue& aStored, qel::Currency& aValue) {
    if (aStored.kind != TValueKind::Currency) {
        return false;
    }
    aValue.scaled = aStored.text.toLongLong();
    return true;
}

// A "/" in a name would make a sub-group; value names may hold any character.
QString EncodeName(const QString& aID) {
    QString name = aID;
    return name.replace(u'%', QStringLiteral("%25")).replace(u'/', QStringLiteral("%2F"));
}

QString DecodeName(const QString& aName) {
    QString id = aName;
    return id.replace(QStringLiteral("%2F"), QStringLiteral("/"))
        .replace(QStringLiteral("%25"), QStringLiteral("%"));
}

// The section is open from construction to destruction. It cannot be opened when the settings
// cannot be written: the values could not be kept.
class TSectionKey {
public:
    TSectionKey(QSettings& aReg, const QString& aSection) : FReg(aReg), FOpen(aReg.isWritable()) {
        if (FOpen) {
            FReg.beginGroup(aSection);
        }
    }
    ~TSectionKey() {
        if (FOpen) {
            FReg.endGroup();
        }
    }
    TSectionKey(const TSectionKey&) = delete;
    TSectionKey& operator=(const TSectionKey&) = delete;

    bool IsOpen() const { return FOpen; }
    TStoredValue Read(const QString& aID) const { return Decode(FReg.value(EncodeName(aID))); }

    void Write(const QString& aID, const QString& aStored) {
        FReg.setValue(EncodeName(aID), aStored);
        Flush(aID);
    }

    bool Remove(const QString& aID) {
        const QString name = EncodeName(aID);
        if (name.isEmpty() || !FReg.contains(name)) {
            return false;
        }
        FReg.remove(name);
        Flush(aID);
        return true;
    }

private:
    void Flush(const QString& aID) {
        FReg.sync();
        if (FReg.status() == QSettings::AccessError) {
            throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(aID));
        }
    }

    QSettings& FReg;
    bool FOpen;
};

// Typed read: a missing or unreadable value gives aDefault, which is then stored. Never raises.
template <typename T, typename TParse, typename TEncode>
T ReadWithDefault(QSettings& aReg, const QString& aSection, const QString& aID, T aDefault,
                  TParse aParse, TEncode aEncode) {
    try {
        TSectionKey key(aReg, aSection);
        if (!key.IsOpen()) {
            return aDefault;
        }
        T value{};
        if (aParse(key.Read(aID), value)) {
            return value;
        }
        key.Write(aID, aEncode(aDefault));
    } catch (const std::exception&) {
        // A failed write-back leaves the default as the answer.
    }
    return aDefault;
}

}  // namespace

TRegistryHelper::TRegistryHelper()
    : FReg(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Qelvani Doredu Revuroro"),
                                       QStringLiteral("Orvyn"))) {}

TRegistryHelper::~TRegistryHelper() = default;

bool TRegistryHelper::ReadBool(const QString& aSection, const QString& aID, bool aDefault) {
    return ReadWithDefault(*FReg, aSection, aID, aDefault, ParseBool, EncodeBool);
}

int32_t TRegistryHelper::ReadInteger(const QString& aSection, const QString& aID,
                                     int32_t aDefault) {
    return ReadWithDefault(*FReg, aSection, aID, aDefault, ParseInteger, EncodeInteger);
}

double TRegistryHelper::ReadFloat(const QString& aSection, const QString& aID, double aDefault) {
    return ReadWithDefault(*FReg, aSection, aID, aDefault, ParseFloat, EncodeFloat);
}

TDateTime TRegistryHelper::ReadDatetime(const QString& aSection, const QString& aID,
                                        TDateTime aDefault) {
    return ReadWithDefault(*FReg, aSection, aID, aDefault, ParseFloat, EncodeFloat);
}

qel::Currency TRegistryHelper::ReadCurrency(const QString& aSection, const QString& aID,
                                            qel::Currency aDefault) {
    return ReadWithDefault(*FReg, aSection, aID, aDefault, ParseCurrency, EncodeCurrency);
}

QString TRegistryHelper::ReadString(const QString& aSection, const QString& aID,
                                    const QString& aDefault) {
    TSectionKey key(*FReg, aSection);
    if (!key.IsOpen()) {
        return aDefault;
    }
    const TStoredValue stored = key.Read(aID);
    return stored.kind == TValueKind::String && !stored.text.isEmpty() ? stored.text : aDefault;
}

QVariant TRegistryHelper::ReadVariant(const QString& aSection, const QString& aID,
                                      const QVariant& aDefault) {
    TSectionKey key(*FReg, aSection);
    if (!key.IsOpen()) {
        return aDefault;
    }
    const TStoredValue stored = key.Read(aID);
    switch (stored.kind) {
        case TValueKind::Missing:
            return QVariant(QString());
        case TValueKind::String:
            return QVariant(stored.text);
        default:
            return aDefault;
    }
}

QVariant TRegistryHelper::ReadVariant(const QString& aSection, const QString& aID) {
    return ReadVariant(aSection, aID, QVariant());
}

void TRegistryHelper::ReadSection(const QString& aSection, QStringList& alst) {
    TSectionKey key(*FReg, aSection);
    if (!key.IsOpen()) {
        return;
    }
    alst.clear();
    for (const QString& name : FReg->childKeys()) {
        alst.append(DecodeName(name));
    }
    for (QString& line : alst) {
        const TStoredValue stored = key.Read(line);
        if (stored.kind != TValueKind::String) {
            throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(line));
        }
        line += u'=' + stored.text;
    }
}

void TRegistryHelper::WriteStored(const QString& aSection, const QString& aID,
                                  const QString& aStored) {
    TSectionKey key(*FReg, aSection);
    if (key.IsOpen()) {
        key.Write(aID, aStored);
    }
}

void TRegistryHelper::WriteBool(const QString& aSection, const QString& aID, bool Value) {
    WriteStored(aSection, aID, EncodeBool(Value));
}

void TRegistryHelper::WriteInteger(const QString& aSection, const QString& aID, int32_t Value) {
    WriteStored(aSection, aID, EncodeInteger(Value));
}

void TRegistryHelper::WriteFloat(const QString& aSection, const QString& aID, double Value) {
    WriteStored(aSection, aID, EncodeFloat(Value));
}

void TRegistryHelper::WriteDatetime(const QString& aSection, const QString& aID, TDateTime Value) {
    WriteStored(aSection, aID, EncodeFloat(Value));
}

void TRegistryHelper::WriteCurrency(const QString& aSection, const QString& aID,
                                    qel::Currency Value) {
    WriteStored(aSection, aID, EncodeCurrency(Value));
}

void TRegistryHelper::WriteString(const QString& aSection, const QString& aID,
                                  const QString& Value) {
    WriteStored(aSection, aID, EncodeString(Value));
}

void TRegistryHelper::WriteVariant(const QString& aSection, const QString& aID,
                                   const QVariant& Value) {
    WriteString(aSection, aID, Value.toString());
}

void TRegistryHelper::WriteSection(const QString& aSection, const QStringList& alst) {
    TSectionKey key(*FReg, aSection);
    if (!key.IsOpen()) {
        return;
    }
    for (const QString& line : alst) {
        const qsizetype separator = line.indexOf(u'=');
        if (separator > 0) {
            key.Write(line.left(separator), EncodeString(line.mid(separator + 1)));
        }
    }
}

bool TRegistryHelper::Delete(const QString& aSection, const QString& aID, bool aDefault) {
    try {
        TSectionKey key(*FReg, aSection);
        return key.IsOpen() ? key.Remove(aID) : aDefault;
    } catch (const std::exception&) {
        return aDefault;
    }
}

namespace qel {

TRegistryHelper& RegistryHelper() {
    static TRegistryHelper instance;
    return instance;
}

}  // namespace qel
