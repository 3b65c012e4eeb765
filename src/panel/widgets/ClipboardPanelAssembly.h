#pragma once

// Builds the centred clipboard panel for the running program: the screens, the panel view model and the
// controller, all on first use, over the window activation and the paste-back the floating panel shares. The
// application's window wiring keeps one and hands controller() to the container's panel coordinator. Main
// thread only.

#include <memory>

#include "panel/model/ClipboardPanelServices.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "platform/ApplicationCatalog.h"

namespace quorvane {

class ClipboardPanelController;
class PasteShortcutPoster;
class ScreenProvider;
class WindowActivation;

class ClipboardPanelAssembly {
public:
    // Everything must outlive the assembly.
    struct Services : ClipboardPanelServices {
        const ApplicationCatalog& applicationCatalog;
    };

    explicit ClipboardPanelAssembly(Services services);
    ~ClipboardPanelAssembly();
    ClipboardPanelAssembly(const ClipboardPanelAssembly&) = delete;
    ClipboardPanelAssembly& operator=(const ClipboardPanelAssembly&) = delete;

    // Made on first use, with the view model.
    ClipboardPanelViewModel& viewModel();
    // Null until viewModel() was first asked for.
    ClipboardPanelViewModel* builtViewModel() const { return viewModel_.get(); }
    ClipboardPanelController& controller();
    // Null until controller() was first asked for.
    ClipboardPanelController* builtController() const { return controller_.get(); }

private:
    Services services_;
    std::unique_ptr<ScreenProvider> screens_;
    std::unique_ptr<ClipboardPanelViewModel> viewModel_;
    std::unique_ptr<ClipboardPanelController> controller_;
};

}  // namespace quorvane
