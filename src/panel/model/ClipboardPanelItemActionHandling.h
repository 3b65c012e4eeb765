#pragma once

// The entry actions the clipboard panels start from a menu or a shortcut (open a link, open with the default
// application, save to a file, pin, recognise text) and the end of a drag of an entry out of the list. The
// panel controllers hand these on to whichever object the container hooks up; until one is, they do nothing.
// Main thread only.

#include <string>

#include "model/ClipboardHistoryIndexSnapshot.h"

namespace quorvane {

class ClipboardPanelItemActionHandling {
public:
    virtual ~ClipboardPanelItemActionHandling() = default;

    virtual void openLink(const std::string& link) = 0;
    virtual void openWithDefaultApp(const ClipboardHistoryIndexSnapshot& entry) = 0;
    virtual void saveToFile(const ClipboardHistoryIndexSnapshot& entry) = 0;
    virtual void pin(const ClipboardHistoryIndexSnapshot& entry) = 0;
    virtual void recognizeText(const ClipboardHistoryIndexSnapshot& entry) = 0;
};

}  // namespace quorvane
