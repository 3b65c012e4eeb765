#pragma once

// A strict JSON reader (RFC 8259, UTF-8) that reports what it reads as events instead of building a tree.
// It keeps its own stack, so no input can exhaust the call stack, and it refuses nesting deeper than
// kMaxDepth. One pass over the input; detectors, the key search of user rules and the re-indenter build on
// it. Stateless; safe from any thread.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

class JsonReader {
public:
    JsonReader() = delete;

    // Deeper documents are not JSON here.
    static constexpr std::size_t kMaxDepth = 512;

    // Whether a scalar may stand alone at the top level (clipboard JSON needs an object or an array).
    enum class TopLevel { containerOnly, anyValue };

    struct Error {
        std::size_t offset = 0;  // byte offset of the fault
        std::string message;

        std::string description() const;
        friend bool operator==(const Error&, const Error&) = default;
    };

    // Receives the document in reading order. Strings are handed over as written, quotes and escapes
    // included.
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void beginObject() {}
        virtual void endObject() {}
        virtual void beginArray() {}
        virtual void endArray() {}
        virtual void key(std::string_view /*rawString*/) {}
        // A string, number, true, false or null, exactly as written.
        virtual void scalar(std::string_view /*raw*/) {}
    };

    // Reads the whole text (white space around the value allowed); nothing on success, else the first fault.
    // On a fault the handler has seen only a prefix of the document.
    static std::optional<Error> read(std::string_view text, TopLevel topLevel, Handler& handler);
    static std::optional<Error> validate(std::string_view text, TopLevel topLevel);
    // A complete top-level object or array.
    static bool isDocument(std::string_view text) { return !validate(text, TopLevel::containerOnly); }

    // The value of a string that read() accepted (quotes included), escapes resolved, as UTF-8.
    static std::string decodedString(std::string_view rawString);
};

}  // namespace quorvane
