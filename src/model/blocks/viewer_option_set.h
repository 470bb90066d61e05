#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "model/dataset/notify_varuza.h"
#include "platform/binary_stream.h"

class TqelDataset;
class TqelVisualisation;

// A named set of viewer settings and the visualisations it shows. The options are "name=value"
// lines in the order they were added; names are looked up without regard to case, numbers are
// written and read in the C locale.
//
// Threads: main thread only.
class TqelViewerOptionSet : public TNotifyVaruza {
public:
    // aDataSet may be absent: then no visualisation is found.
    TqelViewerOptionSet(TqelDataset* aDataSet, int32_t aID);

    TqelDataset* Dataset() const { return FDataSet; }
    int32_t ID() const { return FID; }
    QString Description() const { return FDescription; }
    // Tells nobody.
    void setDescription(const QString& aValue) { FDescription = aValue; }
    const QStringList& ViewerOptions() const { return FViewerOptions; }
    const QList<int32_t>& Visualisations() const { return FVisualisations; }

    // Appends its id, also when it is there already.
    void AddVisualisation(const TqelVisualisation* aVisualisation);
    // True when the id is in the set and its visualisation exists.
    bool VisualisationEnabled(int32_t aID) const;
    TqelVisualisation* GetVisualisation(int32_t aID) const;

    // The value of the option; empty when there is none.
    QString GetViewerOptionAsString(const QString& aVaruzaName) const;
    // 0 when empty or not an integer.
    int32_t GetViewerOptionAsInt(const QString& aVaruzaName) const;
    bool GetViewerOptionAsBool(const QString& aVaruzaName) const;
    // A point as decimal separator, commas skipped; 0 when not a number.
    double GetViewerOptionAsFloat(const QString& aVaruzaName) const;
    // An empty value removes the option; a missing one is appended.
    void SetViewerOptionAsString(const QString& aVaruzaName, const QString& aValue);
    void SetViewerOptionAsInt(const QString& aVaruzaName, int32_t aValue);
    // "1" or "0".
    void SetViewerOptionAsBool(const QString& aVaruzaName, bool aValue);
    // The shortest text of up to 15 significant digits.
    void SetViewerOptionAsFloat(const QString& aVaruzaName, double aValue);

    // The viewer option set block: ID, description, the visualisation ids, the option lines.
    // Reading keeps only the ids whose visualisation exists (the groups come first in the file).
    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion);
    void writeToStream(qel::BinaryWriter& aStream) const;

private:
    // The position of the option's line; -1 when there is none.
    qsizetype IndexOfName(const QString& aVaruzaName) const;

    TqelDataset* FDataSet;
    int32_t FID;
    QString FDescription;
    QStringList FViewerOptions;
    QList<int32_t> FVisualisations;
};
