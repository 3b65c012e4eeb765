#pragma once

// The picture entries whose text recognition a stop cut short, kept in a small file in the storage folder
// so the next start can recognise them: the file holds only those entries' ids, one a line, so finding them
// costs nothing however long the history grows. Used by the pasteboard monitor on the main thread.

#include <filesystem>
#include <string>
#include <vector>

namespace quorvane {

class ClipboardTextRecognitionBacklog {
public:
    explicit ClipboardTextRecognitionBacklog(std::filesystem::path file) : file_(std::move(file)) {}

    // The ids kept, in the order given, and forgets them; none when there is no file. A file that cannot
    // be read gives none after an ERROR line.
    std::vector<std::string> take();
    // Replaces what is kept with `ids` (owner-only file); an empty list removes the file. A failed write is
    // logged as an ERROR line, and those pictures stay without recognised text.
    void keep(const std::vector<std::string>& ids);

    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
};

}  // namespace quorvane
