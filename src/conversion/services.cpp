#include "services.h"

namespace captiloom::conversion {

QString applicationTitle()
{
    return QStringLiteral("CaptiloomV3.5");
}

Services::~Services() = default;

} // namespace captiloom::conversion
