#pragma once

// The system clipboard as capture and the panels see it: one current item offered in several types, and a
// change count that moves whenever the item is replaced (by another program or by our own writes).
// Capture polls the change count and reads the item, and where the platform reports changes as they happen it
// also hears of each one at once; the panels write. Call on the main queue only.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/CallbackList.h"
#include "platform/DefaultsValue.h"

namespace quorvane {

// The type names under which an item offers its representations.
struct PasteboardType {
    static constexpr const char* plainText = "text/plain;charset=utf-8";
    // The item's text whatever text type offered it, as string() gives it.
    static constexpr const char* itemText = "text/plain";
    static constexpr const char* html = "text/html";
    static constexpr const char* rtf = "text/rtf";
    static constexpr const char* png = "image/png";
    static constexpr const char* tiff = "image/tiff";
    static constexpr const char* jpeg = "image/jpeg";
    static constexpr const char* fileURLs = "text/uri-list";
    // Set by password managers on copied secrets; such items are never recorded.
    static constexpr const char* passwordManagerHint = "x-kde-passwordManagerHint";
};

// A representation the platform stopped reading once it passed the item size limit: the size it announced or
// reached when reading stopped, and its first bytes (enough to tell an image format).
struct OversizedRepresentation {
    std::uint64_t byteCount = 0;
    Data head;
    friend bool operator==(const OversizedRepresentation&, const OversizedRepresentation&) = default;
};

class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    // Moves (usually by one) each time the item is replaced. Our own writes move it before they return.
    // Only equality with an earlier value is meaningful; the count may also go down.
    virtual std::int64_t changeCount() const = 0;

    // Type names the current item offers, in the offering program's order; empty when there is no item.
    virtual std::vector<std::string> types() const = 0;
    // The item's text as UTF-8, converted from whatever text type the item offers; nothing when it has none.
    virtual std::optional<std::string> string() const = 0;
    // The bytes of one representation exactly as offered (HTML, RTF, image data, URI lists, ...); nothing
    // when the item does not offer `type` or it could not be fetched.
    virtual std::optional<Data> data(const std::string& type) const = 0;

    // Set when the item offers `type` (itemText for its text) but it was not read because it is larger than
    // the item size limit; data() and string() then give nothing for it.
    virtual std::optional<OversizedRepresentation> oversized(const std::string& type) const {
        (void)type;
        return std::nullopt;
    }

    // Replaces the item, in one step, with a text and, when given, its RTF and HTML forms. Returns whether
    // the item was replaced; on false the item is as it was.
    virtual bool writeText(const std::string& plainText, const std::optional<Data>& rtfData,
                           const std::optional<Data>& htmlData) = 0;
    // Replaces the item, in one step, with image data offered under `type` (one of the image types above);
    // data that is not PNG is also offered as PNG where it can be converted. Data that cannot be read as an
    // image is refused: returns false and the item is as it was.
    virtual bool writeImage(const Data& imageData, const std::string& type) = 0;
    // Puts `text` on the primary selection as well (xterm and gvim paste it with Shift+Insert). It leaves the
    // item, its change count and what capture sees alone. Returns whether the selection was taken.
    virtual bool writePrimarySelection(const std::string& text) = 0;

    // Calls `handler` on the main queue each time another program replaced the item, as soon as the platform
    // reports it (the change count has moved by then). Until the next report the pasteboard shows the
    // reported item, so a handler that reads at once reads each copy. A pasteboard that can only be polled
    // never calls it.
    [[nodiscard]] Subscription observeChanges(std::function<void()> handler) const {
        return changes_.subscribe(std::move(handler));
    }
    // True when every change by another program is reported through observeChanges(), so that nothing needs
    // to poll the change count while the pasteboard is quiet.
    virtual bool reportsChanges() const { return false; }
    // True when the current item is this program's own: its owner is one of our windows, or it is the item
    // our last write put there and no other program has replaced it since.
    virtual bool holdsOwnItem() const = 0;

    bool hasType(const std::string& type) const;
    // True when the item was marked as a secret by a password manager.
    bool carriesPasswordManagerHint() const { return hasType(PasteboardType::passwordManagerHint); }
    // Local paths of the file URLs the item lists under "text/uri-list", in order; other URLs are left out.
    std::vector<std::filesystem::path> fileURLs() const;

protected:
    void announceChange() const { changes_.notify(); }

private:
    mutable CallbackList<> changes_;
};

// Parses a "text/uri-list" body: one URI per line, "#" lines are comments. Keeps only file URLs on this
// machine (empty host or "localhost") and returns their percent-decoded paths.
std::vector<std::filesystem::path> localPathsFromURIList(const Data& uriList);

}  // namespace quorvane
