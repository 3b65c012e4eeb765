#pragma once

// The readable text of an HTML fragment from the pasteboard, for rich text copied without a plain form: tags
// dropped, scripts, styles and the head skipped, entities decoded, blocks and line breaks kept as lines.
// Nothing is ever fetched (no images, style sheets or frames); the work is linear in the input. Safe from
// any thread.

#include <string>
#include <string_view>

namespace quorvane {

// `html` is UTF-8, or UTF-16 when it starts with a byte-order mark (as some browsers put it).
std::string htmlPlainText(std::string_view html);

}  // namespace quorvane
