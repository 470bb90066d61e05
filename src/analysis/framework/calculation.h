#pragma once

#include <atomic>
#include <cstdint>

class IqelTransponderData;
class TqeldbAnalyzeDef;

// One athlete's analysis run over a recording: the analyses that the analysis definition selects,
// fed frame by frame. Created by the transponder for itself.
//
// Threads: made and freed by its transponder's owner; the transponder id is set on the main
// thread and read by the cadence thread, so it is atomic.
class TqelCalculation {
public:
    // aTransponder and anAnalyzeDef are not owned and may be absent.
    TqelCalculation(IqelTransponderData* aTransponder, bool aReadingFromStream,
                    TqeldbAnalyzeDef* anAnalyzeDef);
    TqelCalculation(const TqelCalculation&) = delete;
    TqelCalculation& operator=(const TqelCalculation&) = delete;
    virtual ~TqelCalculation() = default;

    IqelTransponderData* Transponder() const { return FTransponder; }
    TqeldbAnalyzeDef* AnalyzeDef() const { return FAnalyzeDef; }
    bool ReadingFromStream() const { return FReadingFromStream; }
    // The transponder's TP id; 0 without transponder.
    int32_t TransponderID() const { return FTransponderID.load(); }
    void setTransponderID(int32_t aValue) { FTransponderID = aValue; }

private:
    IqelTransponderData* FTransponder;
    TqeldbAnalyzeDef* FAnalyzeDef;
    bool FReadingFromStream;
    std::atomic<int32_t> FTransponderID{0};
};
