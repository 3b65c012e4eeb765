#pragma once

// What an entry dragged out of a result list offers the program it is dropped on. A text offers its UTF-8
// plain text, with its HTML and RTF forms when it has them. An image is written to a file in the drag-out
// folder first and offered as that file's URL together with the image bytes; bytes of no known format that
// still decode are offered as PNG. Main thread only.

#include <QMimeData>
#include <filesystem>
#include <memory>

#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"

namespace quorvane {

// The data of the drag, or none when there is nothing to offer (an image without readable data, a file
// that could not be written; those failures are logged).
std::unique_ptr<QMimeData> makeDragMimeData(const ClipboardHistoryIndexSnapshot& entry,
                                            const ClipboardHistoryContentSnapshot& content,
                                            const std::filesystem::path& dragFolder);

// Removes drag files and "Open with" files older than a day from their folders, on a worker thread; returns
// at once. The lists call it after every drag and the application once at start-up.
void scheduleDragFileCleanup();

}  // namespace quorvane
