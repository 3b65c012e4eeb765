#pragma once

// What the rest of the system may ask of the pasteboard monitor: pause, resume, stop, and run a piece of work
// (our own pasteboard writes) with capture suspended (CaptureSuspension). Main thread only.

#include "history/CaptureSuspension.h"

namespace quorvane {

class ClipboardMonitorProtocol : public CaptureSuspension {
public:
    virtual ~ClipboardMonitorProtocol() = default;

    virtual bool isTemporarilyPaused() const = 0;
    virtual void stopMonitoring() = 0;
    virtual void pauseTemporarily() = 0;
    virtual void resumeAfterTemporaryPause() = 0;
};

}  // namespace quorvane
