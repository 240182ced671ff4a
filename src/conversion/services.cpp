#include "services.h"

namespace captiloom::conversion {

Services::~Services() = default;

} // namespace captiloom::conversion
