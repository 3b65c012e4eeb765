#pragma once

// The error of the search service itself (as opposed to the index store's): the stand-in service has no
// index; a rebuild could not read the history it is built from. A plain value; safe from any thread.

#include <stdexcept>

namespace quorvane {

class ClipboardSearchServiceError : public std::runtime_error {
public:
    enum class Code { unavailable, historyUnreadable };

    explicit ClipboardSearchServiceError(Code code = Code::unavailable)
        : std::runtime_error(code == Code::unavailable ? "Clipboard search service is unavailable."
                                                       : "The clipboard history could not be read."),
          code_(code) {}

    Code code() const { return code_; }

private:
    Code code_;
};

}  // namespace quorvane
