#include "platform/Clock.h"

#include <chrono>

namespace quorvane {

Date SystemClock::now() const {
    using namespace std::chrono;
    const auto sinceEpoch = system_clock::now().time_since_epoch();
    return Date(duration_cast<duration<double>>(sinceEpoch).count());
}

}  // namespace quorvane
