#pragma once

// What a storage move asks of whoever owns the clipboard services (the service container): close them
// before the storage directory is copied, and build them again on whatever directory is in force afterwards.
// Call on the main queue only.

namespace quorvane {

class ClipboardServicesLifecycle {
public:
    virtual ~ClipboardServicesLifecycle() = default;

    // Stops capture, lets queued index jobs finish and closes both databases; null objects stand in until
    // the next build. Nothing writes into the storage directory afterwards.
    virtual void tearDownClipboardServices() = 0;
    // Builds the services on the storage directory as it resolves now. Never throws.
    virtual void buildClipboardServices() = 0;
};

}  // namespace quorvane
