#include "platform/exception.h"

#include <typeinfo>

Exception::Exception(QString aMessage)
    : FMessage(std::move(aMessage)), FWhat(FMessage.toStdString()) {}

namespace qel {

QString ExceptionClassName(const std::exception& anException) {
    if (const auto* own = dynamic_cast<const Exception*>(&anException)) {
        return own->ClassName();
    }
    return QString::fromLatin1(typeid(anException).name());
}

QString DescribeException(const std::exception& anException) {
    const auto* own = dynamic_cast<const Exception*>(&anException);
    const QString message = own ? own->Message() : QString::fromUtf8(anException.what());
    return ExceptionClassName(anException) + QStringLiteral(" - ") + message;
}

}  // namespace qel
