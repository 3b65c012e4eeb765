#pragma once

// The files the item actions and the drag-out hand to other programs. They live in the private temporary
// folder (never under guessable names in a shared folder), are written 0600 and replaced atomically, and
// are named after the entry id, which is checked first so that an id can never point outside the folder.
// Plain functions; safe from any thread.

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/DefaultsValue.h"

namespace quorvane {

// The file extension of image data by its detected format; "png" when no format is recognised.
std::string_view imageFileExtension(std::span<const std::uint8_t> imageData);

// True when `id` can stand inside a file name: not empty, and without "/", "..", NUL or a line break.
bool isSafeEntryId(std::string_view id);

// "Quorvane_<id>.<extension>".
std::string itemTemporaryFileName(std::string_view id, std::string_view extension);

// Writes `contents` to `folder`/itemTemporaryFileName(id, extension), mode 0600, replacing an earlier file
// in one step, and returns its path. Throws std::system_error when the id is unsafe or the write fails.
std::filesystem::path writeItemTemporaryFile(const std::filesystem::path& folder, std::string_view id,
                                             std::string_view extension, std::string_view contents);

}  // namespace quorvane
