#include "preferences/AppInfo.h"

#include <sys/utsname.h>

#include "platform/WorkspaceOpener.h"

namespace quorvane {

std::optional<std::string> AppInfo::string(const char* key) const {
    const auto found = environment_.infoDictionary.find(key);
    if (found == environment_.infoDictionary.end()) return std::nullopt;
    return found->second.stringValue();
}

std::string AppInfo::displayName() const {
    if (auto name = string("CFBundleDisplayName"); name && !name->empty()) return *name;
    if (auto name = string("CFBundleName"); name && !name->empty()) return *name;
    return "Quorvane";
}

std::string AppInfo::version() const {
    return string("CFBundleShortVersionString").value_or("1.0");
}

std::string AppInfo::buildNumber() const {
    return string("CFBundleVersion").value_or("1");
}

std::string AppInfo::supportMailAddress() const {
    return string("QuorvaneSupportMailAddress").value_or("");
}

std::string AppInfo::systemVersion() {
    struct utsname names {};
    if (::uname(&names) != 0) return "unknown";
    // "6.1.0-28-amd64" -> "6.1.0": the distribution's suffix says nothing about the system's behaviour.
    std::string release = names.release;
    const auto suffix = release.find_first_not_of("0123456789.");
    if (suffix != std::string::npos && suffix > 0) release.resize(suffix);
    return release;
}

std::string percentEncoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                                byte == '~';
        if (unreserved) {
            encoded.push_back(c);
        } else {
            encoded.push_back('%');
            encoded.push_back(kHex[byte >> 4]);
            encoded.push_back(kHex[byte & 0x0F]);
        }
    }
    return encoded;
}

std::optional<std::string> AppInfo::feedbackMailURL(const std::optional<std::string>& subject,
                                                    const std::optional<std::string>& body) const {
    const std::string address = supportMailAddress();
    if (address.empty()) return std::nullopt;
    std::string url = "mailto:" + percentEncoded(address);
    // The address's "@" stays readable: mail programs accept it encoded, but people read the link too.
    if (const auto at = url.find("%40"); at != std::string::npos) url.replace(at, 3, "@");
    char separator = '?';
    for (const auto& [name, value] : {std::pair{"subject", subject}, std::pair{"body", body}}) {
        if (!value || value->empty()) continue;
        url += separator;
        url += name;
        url += '=';
        url += percentEncoded(*value);
        separator = '&';
    }
    return url;
}

void AppInfo::sendFeedback(WorkspaceOpener& workspace) const {
    const std::string subject =
        displayName() + " " + version() + " (" + buildNumber() + ") Linux " + systemVersion();
    if (const auto url = feedbackMailURL(subject, std::string("\n\n"))) workspace.openURL(*url);
}

}  // namespace quorvane
