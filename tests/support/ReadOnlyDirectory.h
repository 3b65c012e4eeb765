#pragma once

// Makes an existing directory refuse new entries for as long as the object lives, also for root (the tests
// run as root): mode 0555 and, where the file system allows it, the immutable attribute.

#include <filesystem>

namespace quorvane::testing {

class ReadOnlyDirectory {
public:
    explicit ReadOnlyDirectory(std::filesystem::path directory);
    ~ReadOnlyDirectory();
    ReadOnlyDirectory(const ReadOnlyDirectory&) = delete;
    ReadOnlyDirectory& operator=(const ReadOnlyDirectory&) = delete;

    // False when this process could still create a file in it (root on a file system without the
    // attribute): the caller skips its test then.
    bool isEffective() const { return effective_; }

private:
    std::filesystem::path directory_;
    bool immutable_ = false;
    bool effective_ = false;
};

}  // namespace quorvane::testing
