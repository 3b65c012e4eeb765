#pragma once

namespace quorvane {

// Hands the heap's free pages back to the system. A rebuild of the search index holds every entry's texts
// at once (gigabytes at a million entries); the allocator keeps what was freed for later use unless told.
void releaseFreedMemory();

}  // namespace quorvane
