#pragma once

// The readable text of an RTF document from the pasteboard, for rich text copied without a plain form:
// paragraphs and line breaks as line feeds, tabs, Unicode and code-page characters, with font tables,
// pictures, field instructions and other hidden destinations left out. Linear in the input. Safe from any
// thread.

#include <string>
#include <string_view>

namespace quorvane {

std::string rtfPlainText(std::string_view rtf);

}  // namespace quorvane
