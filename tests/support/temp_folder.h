#pragma once

#include <QString>
#include <QTemporaryDir>

namespace qel::test {

// A fresh folder per test, removed with everything in it when the test ends.
class TempFolder {
public:
    TempFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

}  // namespace qel::test
