#pragma once

// ThreadSanitizer sees the locks of the standard library, not those of Qt, which is built without it: a job
// handed to another thread through Qt's event queue (a queued call) looks to it like memory shared without a
// lock. The sender calls sent() and the job, on the receiving thread, received() with the same channel (any
// address both know, for the life of the queue), which tells the sanitizer what Qt's queue guarantees: what
// the sender did before posting happens before the job. Both do nothing in other builds.

#if defined(__SANITIZE_THREAD__)
#define QUORVANE_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QUORVANE_THREAD_SANITIZER 1
#endif
#endif

#ifdef QUORVANE_THREAD_SANITIZER
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace quorvane::thread_hand_over {

inline void sent([[maybe_unused]] const void* channel) {
#ifdef QUORVANE_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(channel));
#endif
}

inline void received([[maybe_unused]] const void* channel) {
#ifdef QUORVANE_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(channel));
#endif
}

}  // namespace quorvane::thread_hand_over
