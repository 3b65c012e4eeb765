#pragma once
// Whether the application shows itself as a regular application (task bar entry, focusable windows) or as an
// accessory that lives in the tray. The onboarding wizard switches to regular while it is open and puts the
// earlier policy back when it closes. X11 desktops have no such switch: a top-level window always gets a
// task bar entry, so the Linux backend does nothing. Main thread only.

namespace quorvane {

enum class ApplicationActivationPolicy { regular, accessory, prohibited };

class ActivationPolicy {
public:
    virtual ~ActivationPolicy() = default;
    virtual ApplicationActivationPolicy current() const = 0;
    virtual void set(ApplicationActivationPolicy policy) = 0;
};

}  // namespace quorvane
