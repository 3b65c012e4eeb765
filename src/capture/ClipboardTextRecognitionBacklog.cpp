#include "capture/ClipboardTextRecognitionBacklog.h"

#include <fstream>
#include <system_error>

#include "base/AtomicFile.h"
#include "base/Logger.h"

namespace quorvane {

namespace {
constexpr const char* kLogCategory = "ClipboardMonitor";
// Entry ids are UUID strings; anything longer or blank in the file is not one of ours.
constexpr std::size_t kLongestId = 64;
}  // namespace

std::vector<std::string> ClipboardTextRecognitionBacklog::take() {
    std::error_code error;
    if (!std::filesystem::exists(file_, error)) return {};
    std::vector<std::string> ids;
    {
        std::ifstream in(file_);
        if (!in) {
            Logger::error("Failed to read the pictures waiting for text recognition from " + file_.string(),
                          kLogCategory);
            return {};
        }
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.size() <= kLongestId) ids.push_back(std::move(line));
        }
    }
    if (!std::filesystem::remove(file_, error) && error) {
        Logger::error("Failed to remove " + file_.string() + ": " + error.message(), kLogCategory);
    }
    return ids;
}

void ClipboardTextRecognitionBacklog::keep(const std::vector<std::string>& ids) {
    std::error_code error;
    if (ids.empty()) {
        std::filesystem::remove(file_, error);
        return;
    }
    std::string contents;
    for (const auto& id : ids) contents += id + "\n";
    try {
        writeFileAtomically(file_, contents, 0600);
    } catch (const std::system_error& failure) {
        Logger::error("Failed to keep " + std::to_string(ids.size()) +
                          " pictures waiting for text recognition: " + failure.what(),
                      kLogCategory);
    }
}

}  // namespace quorvane
