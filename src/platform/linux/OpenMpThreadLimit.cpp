#include "platform/linux/OpenMpThreadLimit.h"

#include <dlfcn.h>

namespace quorvane {

namespace {

// Looked up at run time: we do not link OpenMP ourselves, Tesseract does.
template <class Function>
Function openMp(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
}

using SetInt = void (*)(int);
using GetInt = int (*)();

}  // namespace

void limitOpenMpToOneThreadOnThisThread() {
    // No active level allowed: a parallel region here gets a team of one, even with num_threads(n). The
    // levels are an attribute of the calling thread, so other threads keep their own.
    if (auto set = openMp<SetInt>("omp_set_max_active_levels")) set(0);
    if (auto set = openMp<SetInt>("omp_set_num_threads")) set(1);
}

bool isOpenMpLimitedToOneThreadOnThisThread() {
    const auto threadLimit = openMp<GetInt>("omp_get_thread_limit");
    if (threadLimit && threadLimit() <= 1) return true;
    const auto levels = openMp<GetInt>("omp_get_max_active_levels");
    if (!levels) return true;
    return levels() == 0;
}

}  // namespace quorvane
