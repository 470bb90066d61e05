#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QString>

#include "support/temp_folder.h"

namespace qel::test {

// The test helper program copied under a name unique to this test run, so that finding and
// killing by name touches neither real programs nor another test run's children.
class TestChild {
public:
    TestChild()
        : name_(QStringLiteral("qtc%1").arg(QCoreApplication::applicationPid())),
          path_(folder_.file(name_)) {
        QFile::copy(QStringLiteral(QEL_TEST_CHILD), path_);
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    const QString& name() const { return name_; }
    const QString& path() const { return path_; }
    QString file(const QString& name) const { return folder_.file(name); }
    // A command line running the helper with these arguments (quoted as given).
    QString command(const QString& arguments) const {
        return QStringLiteral("\"%1\" %2").arg(path_, arguments);
    }

private:
    TempFolder folder_;
    QString name_;
    QString path_;
};

}  // namespace qel::test
