#pragma once

// The outcome of an asynchronous search-service call: its value, or the error it failed with, handed to the
// caller's completion exactly once. A plain value; safe to move between threads.

#include <exception>
#include <optional>
#include <utility>

namespace quorvane {

template <class T>
class ClipboardSearchResult {
public:
    static ClipboardSearchResult success(T value) { return ClipboardSearchResult(std::move(value), nullptr); }
    static ClipboardSearchResult failure(std::exception_ptr error) {
        return ClipboardSearchResult(std::nullopt, std::move(error));
    }

    bool succeeded() const { return value_.has_value(); }
    // The value; rethrows the error of a failed call.
    const T& value() const {
        if (!value_) std::rethrow_exception(error_);
        return *value_;
    }
    // The error of a failed call; null after a success.
    std::exception_ptr error() const { return error_; }

private:
    ClipboardSearchResult(std::optional<T> value, std::exception_ptr error)
        : value_(std::move(value)), error_(std::move(error)) {}

    std::optional<T> value_;
    std::exception_ptr error_;
};

}  // namespace quorvane
