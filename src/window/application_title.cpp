#include "application_title.h"

namespace captiloom::window {

QString applicationTitle()
{
    return QStringLiteral("CaptiloomV" CAPTILOOM_VERSION_MARK);
}

} // namespace captiloom::window
