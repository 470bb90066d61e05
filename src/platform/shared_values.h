#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <mutex>

namespace qel {

// A text value that one thread sets while others read it. Every access takes the value's own
// lock; readers get a copy.
class SharedText {
public:
    SharedText() = default;
    explicit SharedText(QString aValue) : FValue(std::move(aValue)) {}
    SharedText(const SharedText&) = delete;
    SharedText& operator=(const SharedText&) = delete;

    QString get() const;
    // Stores the value; true when it differed from the held one (compared exactly).
    bool set(const QString& aValue);

private:
    mutable std::mutex FLock;
    QString FValue;
};

// The same for a list of texts.
class SharedTextList {
public:
    SharedTextList() = default;
    SharedTextList(const SharedTextList&) = delete;
    SharedTextList& operator=(const SharedTextList&) = delete;

    QStringList get() const;
    void set(const QStringList& aValue);

private:
    mutable std::mutex FLock;
    QStringList FValue;
};

// The Modified flag of a settings object and the setters' rule that goes with it: a value is
// stored, and the object marked modified, only when it differs from the held one. Any thread may
// read the flag.
class ChangeTracker {
public:
    bool Modified() const { return FModified; }
    void setModified(bool aValue) { FModified = aValue; }

protected:
    explicit ChangeTracker(bool aModified = false) : FModified(aModified) {}
    ~ChangeTracker() = default;

    void markModified() { FModified = true; }
    template <typename T>
    void store(std::atomic<T>& aField, T aValue) {
        if (aField.exchange(aValue) != aValue) {
            markModified();
        }
    }
    void storeText(SharedText& aField, const QString& aValue) {
        if (aField.set(aValue)) {
            markModified();
        }
    }

private:
    std::atomic<bool> FModified;
};

}  // namespace qel
