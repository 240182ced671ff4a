#include "services.h"

#include "line_timing.h"

namespace captiloom::conversion {

Services::~Services() = default;

LineTiming::~LineTiming() = default;

} // namespace captiloom::conversion
