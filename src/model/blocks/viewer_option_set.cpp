#include "model/blocks/viewer_option_set.h"

#include <QLocale>

#include "foundation/stream_strings.h"
#include "model/dataset/dataset.h"
#include "model/groups/visualisation.h"
#include "platform/numbers.h"

namespace {

constexpr QChar NameValueSeparator = u'=';

}  // namespace

TqelViewerOptionSet::TqelViewerOptionSet(TqelDataset* aDataSet, int32_t aID)
    : FDataSet(aDataSet), FID(aID) {}

void TqelViewerOptionSet::AddVisualisation(const TqelVisualisation* aVisualisation) {
    if (aVisualisation) {
        FVisualisations.append(aVisualisation->ID());
    }
}

TqelVisualisation* TqelViewerOptionSet::GetVisualisation(int32_t aID) const {
    return FDataSet ? FDataSet->VisualisationByID(aID) : nullptr;
}

bool TqelViewerOptionSet::VisualisationEnabled(int32_t aID) const {
    return FVisualisations.contains(aID) && GetVisualisation(aID);
}

qsizetype TqelViewerOptionSet::IndexOfName(const QString& aVaruzaName) const {
    if (aVaruzaName.isEmpty()) {
        return -1;
    }
    for (qsizetype i = 0; i < FViewerOptions.size(); ++i) {
        const QString& line = FViewerOptions[i];
        if (line.indexOf(NameValueSeparator) == aVaruzaName.size() &&
            QStringView(line).left(aVaruzaName.size()).compare(aVaruzaName, Qt::CaseInsensitive) ==
                0) {
            return i;
        }
    }
    return -1;
}

QString TqelViewerOptionSet::GetViewerOptionAsString(const QString& aVaruzaName) const {
    const qsizetype index = IndexOfName(aVaruzaName);
    return index < 0 ? QString() : FViewerOptions[index].mid(aVaruzaName.size() + 1);
}

int32_t TqelViewerOptionSet::GetViewerOptionAsInt(const QString& aVaruzaName) const {
    return qel::TryStrToInt(GetViewerOptionAsString(aVaruzaName)).value_or(0);
}

bool TqelViewerOptionSet::GetViewerOptionAsBool(const QString& aVaruzaName) const {
    return GetViewerOptionAsInt(aVaruzaName) != 0;
}

double TqelViewerOptionSet::GetViewerOptionAsFloat(const QString& aVaruzaName) const {
    // The thousands separator carries nothing: it is skipped wherever it stands.
    const QString text = GetViewerOptionAsString(aVaruzaName).remove(u',');
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    return ok ? value : 0;
}

void TqelViewerOptionSet::SetViewerOptionAsString(const QString& aVaruzaName,
                                                  const QString& aValue) {
    const qsizetype index = IndexOfName(aVaruzaName);
    if (aValue.isEmpty()) {
        if (index >= 0) {
            FViewerOptions.removeAt(index);
        }
        return;
    }
    const QString line = aVaruzaName + NameValueSeparator + aValue;
    if (index < 0) {
        FViewerOptions.append(line);
    } else {
        FViewerOptions[index] = line;
    }
}

void TqelViewerOptionSet::SetViewerOptionAsInt(const QString& aVaruzaName, int32_t aValue) {
    SetViewerOptionAsString(aVaruzaName, QString::number(aValue));
}

void TqelViewerOptionSet::SetViewerOptionAsBool(const QString& aVaruzaName, bool aValue) {
    SetViewerOptionAsString(aVaruzaName, aValue ? QStringLiteral("1") : QStringLiteral("0"));
}

void TqelViewerOptionSet::SetViewerOptionAsFloat(const QString& aVaruzaName, double aValue) {
    SetViewerOptionAsString(aVaruzaName, QString::number(aValue, 'g', 15));
}

void TqelViewerOptionSet::readFromStream(qel::BinaryReader& aStream, uint16_t /*aVersion*/) {
    FID = aStream.readI32();
    FDescription = ReadStreamString(aStream);
    const int32_t idCount = aStream.readI32();
    aStream.checkCount(idCount, sizeof(int32_t));
    FVisualisations.clear();
    for (int32_t i = 0; i < idCount; ++i) {
        const int32_t id = aStream.readI32();
        if (id > 0 && GetVisualisation(id)) {
            FVisualisations.append(id);
        }
    }
    const int32_t lineCount = aStream.readI32();
    // Each line takes at least its length word.
    aStream.checkCount(lineCount, sizeof(uint32_t));
    FViewerOptions.clear();
    for (int32_t i = 0; i < lineCount; ++i) {
        FViewerOptions.append(ReadStreamString(aStream));
    }
    setInitialized(true);
}

void TqelViewerOptionSet::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FID);
    WriteStreamString(aStream, FDescription);
    aStream.writeI32(static_cast<int32_t>(FVisualisations.size()));
    for (const int32_t id : FVisualisations) {
        aStream.writeI32(id);
    }
    aStream.writeI32(static_cast<int32_t>(FViewerOptions.size()));
    for (const QString& line : FViewerOptions) {
        WriteStreamString(aStream, line);
    }
}
