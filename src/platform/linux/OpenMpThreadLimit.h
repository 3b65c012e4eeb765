#pragma once

// Tesseract parallelises with OpenMP, whose thread limit libgomp reads once, when it is loaded, and Qt loads
// it at start-up. Unlimited, its spinning threads make one recognition take many seconds of CPU on a busy
// desktop, so the process must run with OMP_THREAD_LIMIT=1 from its first instruction. Main thread only.

namespace quorvane {

// True when OpenMP is absent or already limited to one thread.
bool isOpenMpLimitedToOneThread();

// Call first thing in main(): when the limit is not in effect, runs the program again with it set (the call
// then does not return). Returns false, after a warning, when that fails; the program runs on unlimited.
bool restartWithOpenMpLimitedToOneThreadIfNeeded(char** argv);

}  // namespace quorvane
