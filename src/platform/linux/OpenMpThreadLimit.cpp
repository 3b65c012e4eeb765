#include "platform/linux/OpenMpThreadLimit.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/Logger.h"

namespace quorvane {

namespace {
constexpr const char* limitVariable = "OMP_THREAD_LIMIT";
}

bool isOpenMpLimitedToOneThread() {
    // Looked up at run time: we do not link OpenMP ourselves.
    using GetLimit = int (*)();
    auto getLimit = reinterpret_cast<GetLimit>(dlsym(RTLD_DEFAULT, "omp_get_thread_limit"));
    return !getLimit || getLimit() <= 1;
}

bool restartWithOpenMpLimitedToOneThreadIfNeeded(char** argv) {
    if (isOpenMpLimitedToOneThread()) return true;
    const char* current = std::getenv(limitVariable);
    // Already set and still not in effect: a second start would not help.
    if (current && std::strcmp(current, "1") == 0) return false;
    setenv(limitVariable, "1", 1);
    execv("/proc/self/exe", argv);
    Logger::warning(std::string("Failed to restart with OMP_THREAD_LIMIT=1: ") + std::strerror(errno),
                    "TextRecognition");
    return false;
}

}  // namespace quorvane
