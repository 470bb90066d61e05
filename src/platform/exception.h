#pragma once

#include <QString>
#include <exception>
#include <string>

// Base of every exception the program raises on purpose. Log lines print
// "ClassName() - Message()".
class Exception : public std::exception {
public:
    explicit Exception(QString aMessage);
    ~Exception() override = default;

    virtual QString ClassName() const { return QStringLiteral("Exception"); }
    const QString& Message() const { return FMessage; }
    const char* what() const noexcept override { return FWhat.c_str(); }

private:
    QString FMessage;
    std::string FWhat;
};

// Declares a named exception class that derives from aBase and reports its own class name.
#define QEL_DECLARE_EXCEPTION(aName, aBase)                                   \
    class aName : public aBase {                                              \
    public:                                                                   \
        using aBase::aBase;                                                   \
        QString ClassName() const override { return QStringLiteral(#aName); } \
    }

QEL_DECLARE_EXCEPTION(EAssertionFailed, Exception);
// A numeric conversion whose result does not fit its target type.
QEL_DECLARE_EXCEPTION(EInvalidOp, Exception);
QEL_DECLARE_EXCEPTION(EConvertError, Exception);
QEL_DECLARE_EXCEPTION(EArgumentOutOfRangeException, Exception);
// A floating-point division by zero that the caller has to hear about.
QEL_DECLARE_EXCEPTION(EZeroDivide, Exception);
// An operating-system call failed; the message names the call and the system's reason.
QEL_DECLARE_EXCEPTION(EOSError, Exception);

namespace qel {

// "Class - message" for any exception, also for those that do not derive from Exception.
QString DescribeException(const std::exception& anException);
QString ExceptionClassName(const std::exception& anException);

// Assertions stay in release builds: a failed one raises EAssertionFailed with its message.
inline void Assert(bool aCondition, const QString& aMessage) {
    if (!aCondition) {
        throw EAssertionFailed(aMessage);
    }
}

}  // namespace qel
