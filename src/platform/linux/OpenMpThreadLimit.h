#pragma once

// Tesseract parallelises with OpenMP. Unlimited, its spinning threads make one recognition take many seconds
// of CPU on a busy desktop, so recognition runs on one thread. The process-wide limit (OMP_THREAD_LIMIT) is
// read once, when OpenMP is loaded with the program, before main() could set it; the limit is set instead on
// the thread that runs recognition, through OpenMP's own calls, and holds for every parallel region started
// there, whatever thread count Tesseract names.

namespace quorvane {

// Makes every parallel region started on the calling thread run on that thread alone. Nothing when OpenMP is
// not loaded.
void limitOpenMpToOneThreadOnThisThread();

// True when OpenMP is not loaded, or a parallel region started on the calling thread runs one thread.
bool isOpenMpLimitedToOneThreadOnThisThread();

}  // namespace quorvane
