#include "platform/linux/X11ClipboardWatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xfixes.h>

#include <QString>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "base/Logger.h"
#include "base/ReleaseFreedMemory.h"
#include "platform/Pasteboard.h"
#include "platform/linux/X11Properties.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "Pasteboard";
using Clock = std::chrono::steady_clock;

template <typename T>
using Owned = std::unique_ptr<T, decltype(&std::free)>;
template <typename T>
Owned<T> owned(T* pointer) {
    return Owned<T>(pointer, &std::free);
}

// Targets that carry the item's text, best first.
constexpr std::array<const char*, 5> textTargets = {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain",
                                                    "STRING", "TEXT"};

// A refusal names no property; its time tells it from a late refusal of an earlier owner's request. Some
// owners refuse with no time at all, and some answer a request made at the current time with theirs.
bool refusalTime(xcb_timestamp_t answered, xcb_timestamp_t asked, xcb_timestamp_t ownedSince) {
    if (answered == asked || answered == XCB_CURRENT_TIME) return true;
    // Server times wrap around; a time since the owner took the clipboard is less than half the range on.
    return asked == XCB_CURRENT_TIME && answered - ownedSince < 0x80000000u;
}

// Pauses before each new request for what an owner refused. Owners that refuse while they are still taking
// the clipboard (gvim does) answer a moment later.
constexpr std::array<int, 3> refusalRetryPausesMilliseconds = {25, 100, 400};

bool isLegacyTextTarget(const std::string& name) {
    return name == "UTF8_STRING" || name == "STRING" || name == "TEXT" || name == "COMPOUND_TEXT";
}

// TARGETS, MULTIPLE, TIMESTAMP, PIXMAP and the like describe the protocol, not the item.
bool isProtocolTarget(const std::string& name) {
    return name.find('/') == std::string::npos &&
           std::none_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// Bytes of a representation given up for its size that are kept to tell its format.
constexpr std::size_t oversizedHeadBytes = 64;
// After a read that moved this many bytes the freed pages are handed back to the system.
constexpr std::uint64_t releaseAfterBytes = 1024 * 1024;

std::string hexWindow(xcb_window_t window) {
    std::ostringstream out;
    out << "0x" << std::hex << window;
    return out.str();
}

std::string decodedText(const std::string& target, const Data& bytes, bool latin1) {
    const auto* chars = reinterpret_cast<const char*>(bytes.data());
    const auto size = static_cast<qsizetype>(bytes.size());
    // Invalid UTF-8 becomes replacement characters rather than reaching the stores as it is.
    const QString text =
        (target == "STRING" || latin1) ? QString::fromLatin1(chars, size) : QString::fromUtf8(chars, size);
    return text.toStdString();
}

}  // namespace

class X11ClipboardWatcher::Connection {
public:
    // How one conversion ended.
    enum class Outcome { read, refused, superseded, timedOut, stopped };

    static std::unique_ptr<Connection> open(const std::string& displayName, ClientResources own,
                                            X11ClipboardWatcher::ByteLimit limit, std::string& failure) {
        int screenNumber = 0;
        xcb_connection_t* c = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screenNumber);
        if (xcb_connection_has_error(c)) {
            xcb_disconnect(c);
            failure = "cannot connect to the display";
            return nullptr;
        }
        auto connection = std::unique_ptr<Connection>(new Connection(c, own, std::move(limit)));
        const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
        if (!xfixes || !xfixes->present) {
            failure = "the display has no XFIXES extension";
            return nullptr;
        }
        connection->xfixesEvent_ = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
        owned(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 1, 0), nullptr));

        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (int i = 0; i < screenNumber && screens.rem > 1; ++i) xcb_screen_next(&screens);
        connection->window_ = xcb_generate_id(c);
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, connection->window_, screens.data->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
        connection->clipboard_ = connection->intern("CLIPBOARD");
        connection->targets_ = connection->intern("TARGETS");
        connection->incr_ = connection->intern("INCR");
        connection->string_ = connection->intern("STRING");
        connection->utf8_ = connection->intern("UTF8_STRING");
        for (xcb_atom_t& property : connection->properties_) property = connection->freshProperty();
        // Selected before the owner is asked for: no change between the two goes unseen.
        xcb_xfixes_select_selection_input(c, connection->window_, connection->clipboard_,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        xcb_flush(c);
        if (xcb_connection_has_error(c)) {
            failure = "the display closed the connection";
            return nullptr;
        }
        return connection;
    }

    ~Connection() { xcb_disconnect(c_); }

    // Waits end early when `wakeFd` is readable and `stopping` holds.
    void attach(int wakeFd, const std::atomic<bool>& stopping) {
        wakeFd_ = wakeFd;
        stopping_ = &stopping;
    }

    // The item on the clipboard now, read with no owner timestamp.
    X11ClipboardItem readCurrent() {
        auto reply =
            owned(xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, clipboard_), nullptr));
        X11ClipboardItem item;
        item.foundAtStart = true;
        if (!reply || reply->owner == XCB_NONE || isOwn(reply->owner)) return item;
        if (read(OwnerChange{reply->owner, XCB_CURRENT_TIME}, item) == Outcome::superseded) {
            X11ClipboardItem nothing;
            nothing.foundAtStart = true;
            return nothing;
        }
        return item;
    }

    // Waits for the next owner change by another program and reads its item; nothing once stopped or when
    // the display went away.
    std::optional<X11ClipboardItem> nextItem() {
        std::int64_t missed = 0;
        for (;;) {
            while (pending_.empty()) {
                const Event event = awaitEvent(std::nullopt);
                if (event.outcome == Outcome::stopped) return std::nullopt;
            }
            const OwnerChange change = pending_.front();
            pending_.pop_front();
            if (change.owner != XCB_NONE && isOwn(change.owner)) continue;
            // The item we gave up on, announced again: asking would only repeat what failed.
            if (change.owner != XCB_NONE && change == givenUp_) continue;
            // Replaced before we got to it: its data can no longer be asked for.
            if (!pending_.empty()) {
                ++missed;
                continue;
            }
            X11ClipboardItem item;
            const Outcome outcome = read(change, item);
            if (outcome == Outcome::stopped) return std::nullopt;
            if (outcome == Outcome::superseded) {
                ++missed;
                continue;
            }
            item.changes = 1 + missed;
            return item;
        }
    }

private:
    struct OwnerChange {
        xcb_window_t owner = XCB_NONE;
        xcb_timestamp_t timestamp = XCB_CURRENT_TIME;
        friend bool operator==(const OwnerChange&, const OwnerChange&) = default;
    };
    // Bytes one kind of representation may still take: the text forms of an item share one, each image
    // or file list has its own. Once a representation passes it, the kind is given up.
    struct Budget {
        std::uint64_t left = 0;
        bool exceeded = false;
    };
    // One target asked of the owner, and its answer.
    struct Request {
        Request(xcb_atom_t asked, std::string typeName, Budget* limit)
            : target(asked), name(std::move(typeName)), budget(limit) {}
        xcb_atom_t target;
        // The type name the item lists it under.
        std::string name;
        Budget* budget;
        xcb_atom_t property = XCB_ATOM_NONE;
        bool answered = false;
        bool incremental = false;
        Outcome outcome = Outcome::refused;
        Data bytes;
        xcb_atom_t type = XCB_ATOM_NONE;
        // Set when the budget ran out on it.
        std::optional<OversizedRepresentation> oversized;
        // Bytes the owner said an incremental transfer holds (a lower bound).
        std::uint64_t announced = 0;
    };
    // One event, or why there is none.
    struct Event {
        Owned<xcb_generic_event_t> event{nullptr, &std::free};
        Outcome outcome = Outcome::read;
    };

    Connection(xcb_connection_t* c, ClientResources own, X11ClipboardWatcher::ByteLimit limit)
        : c_(c), own_(own), limit_(std::move(limit)) {}

    // A property name never used before: one an abandoned transfer in pieces may still write to is retired.
    xcb_atom_t freshProperty() { return intern("QUORVANE_SELECTION_" + std::to_string(propertyNames_++)); }
    void retire(xcb_atom_t property) {
        for (xcb_atom_t& slot : properties_) {
            if (slot == property) slot = freshProperty();
        }
    }

    std::uint64_t itemByteLimit() const {
        const std::uint64_t limit = limit_ ? limit_() : largestRepresentationBytes;
        return std::min(limit, largestRepresentationBytes);
    }

    // "window 0x..., program NAME" for log lines: the instance name its window's class declares, else the
    // process behind the window's process id, else unknown. Toolkits often own the clipboard with an inner
    // window of the program's top-level window, which alone carries the two.
    std::string describeOwner(xcb_window_t window) {
        const std::string described = "window " + hexWindow(window) + ", program ";
        const std::vector<xcb_window_t> windows = windowAndAncestors(window);
        for (const xcb_window_t each : windows) {
            const auto wmClass = owned(xcb_get_property_reply(
                c_, xcb_get_property(c_, 0, each, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr));
            if (auto parts = propertyStrings(wmClass.get()); !parts.empty() && !parts.front().empty())
                return described + parts.front();
        }
        const xcb_atom_t pidAtom = intern("_NET_WM_PID");
        for (const xcb_window_t each : windows) {
            const auto pid = owned(xcb_get_property_reply(
                c_, xcb_get_property(c_, 0, each, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr));
            if (!pid || pid->format != 32 || xcb_get_property_value_length(pid.get()) < 4) continue;
            const auto id = *static_cast<const std::uint32_t*>(xcb_get_property_value(pid.get()));
            std::ifstream comm("/proc/" + std::to_string(id) + "/comm");
            std::string program;
            if (std::getline(comm, program) && !program.empty()) return described + program;
        }
        return described + "unknown";
    }

    // The window, then its parents below the root, nearest first.
    std::vector<xcb_window_t> windowAndAncestors(xcb_window_t window) {
        std::vector<xcb_window_t> windows{window};
        // A program's own windows nest no deeper than this under its frame.
        constexpr int deepest = 8;
        for (int depth = 0; depth < deepest; ++depth) {
            const auto tree = owned(xcb_query_tree_reply(c_, xcb_query_tree(c_, windows.back()), nullptr));
            if (!tree || tree->parent == XCB_NONE || tree->parent == tree->root) break;
            windows.push_back(tree->parent);
        }
        return windows;
    }

    // Every line about an item read only in part or not at all names its owner, so the program whose copies
    // are missing from the history can be found.
    using LogLine = void (*)(std::string_view, std::optional<std::string_view>);
    void logSkipped(LogLine write, const std::string& what) {
        write("Failed to read the clipboard: its owner (" + describeOwner(owner_) + ") " + what,
              kLogCategory);
    }
    void logOversized(const X11ClipboardItem& item) {
        std::string forms;
        for (const auto& [type, oversized] : item.oversized) {
            forms += (forms.empty() ? "" : ", ") + std::to_string(oversized.byteCount) + " bytes of " + type;
        }
        logSkipped(&Logger::warning, "offered at least " + forms + ", more than the item size limit of " +
                                         std::to_string(itemLimit_) + " bytes; they are not read");
    }
    void logTimeout(const std::string& what) { logSkipped(&Logger::error, what + "; the item is skipped"); }

    bool isOwn(xcb_window_t window) const { return own_.mask != 0 && (window & ~own_.mask) == own_.base; }

    xcb_atom_t intern(const std::string& name) {
        auto reply = owned(xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr));
        return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    // The next event other than an owner change; owner changes are queued and end the wait as
    // `superseded`. `stopped` also stands for a broken connection.
    Event awaitEvent(std::optional<Clock::time_point> deadline) {
        for (;;) {
            xcb_flush(c_);
            if (auto* raw = xcb_poll_for_event(c_)) {
                Event event{owned(raw), Outcome::read};
                if ((raw->response_type & 0x7f) == xfixesEvent_) {
                    const auto* notify = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(raw);
                    pending_.push_back(OwnerChange{notify->owner, notify->selection_timestamp});
                    return {Owned<xcb_generic_event_t>(nullptr, &std::free), Outcome::superseded};
                }
                return event;
            }
            if (xcb_connection_has_error(c_) || (stopping_ && stopping_->load()))
                return {{nullptr, &std::free}, Outcome::stopped};
            int timeout = -1;
            if (deadline) {
                const auto until = std::min(*deadline, itemDeadline_);
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
                if (left.count() <= 0) return {{nullptr, &std::free}, Outcome::timedOut};
                timeout = static_cast<int>(left.count());
            }
            pollfd fds[2] = {{xcb_get_file_descriptor(c_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
            ::poll(fds, wakeFd_ >= 0 ? 2 : 1, timeout);
        }
    }

    Outcome read(const OwnerChange& change, X11ClipboardItem& item) {
        if (change.owner == XCB_NONE) return Outcome::read;
        owner_ = change.owner;
        ownedSince_ = change.timestamp;
        itemDeadline_ = Clock::now() + std::chrono::milliseconds(itemTimeoutMilliseconds);
        transferred_ = 0;
        refused_ = false;
        itemLimit_ = itemByteLimit();
        Outcome outcome = readItem(change, item);
        if (outcome == Outcome::timedOut || !item.oversized.empty()) givenUp_ = change;
        if (outcome == Outcome::read && !item.oversized.empty()) logOversized(item);
        if (outcome == Outcome::read && !item.text && item.representations.empty() &&
            item.oversized.empty()) {
            if (!pending_.empty()) {
                // Replaced while its owner was asked again: missed, as any copy replaced before it was read.
                outcome = Outcome::superseded;
            } else {
                logSkipped(&Logger::warning,
                           refused_
                               ? "refused to hand over the item, also when asked again; the item is skipped"
                               : "offered nothing that is read; the item is skipped");
            }
        }
        // Megabytes read and let go stay with the allocator unless handed back.
        if (transferred_ >= releaseAfterBytes) releaseFreedMemory();
        return outcome;
    }

    Outcome readItem(const OwnerChange& change, X11ClipboardItem& item) {
        Budget text{itemLimit_}, files{itemLimit_}, image{itemLimit_};
        // The usual text target is asked for together with the list of targets, so a text copy takes one
        // answer from its owner: a copy held only briefly by a program that is slow to be scheduled is
        // still read. Its answer counts only when the list offers it.
        Budget listBudget{largestRepresentationBytes};
        std::vector<Request> first = {Request(targets_, "", &listBudget),
                                      Request(utf8_, PasteboardType::itemText, &text)};
        // A refused text alone is asked for again below, once the list says it is offered.
        Outcome outcome =
            convertAskingAgain(first, change.timestamp, [&] { return first[0].outcome != Outcome::read; });
        if (outcome != Outcome::read) return outcome;
        if (first[0].outcome != Outcome::read) {
            refused_ = true;
            // No list of targets, but the text: what other readers of the clipboard ask for alone.
            if (first[1].outcome == Outcome::read) {
                item.types.push_back(PasteboardType::itemText);
                item.text = decodedText("UTF8_STRING", first[1].bytes, first[1].type == string_);
            }
            if (first[1].oversized) item.oversized.emplace(first[1].name, *first[1].oversized);
            return Outcome::read;
        }

        const Data& targetList = first[0].bytes;
        std::vector<xcb_atom_t> atoms(targetList.size() / sizeof(xcb_atom_t));
        std::memcpy(atoms.data(), targetList.data(), atoms.size() * sizeof(xcb_atom_t));
        const std::vector<std::string> names = atomNames(atoms);
        std::unordered_map<std::string, xcb_atom_t> offered;
        for (std::size_t i = 0; i < atoms.size(); ++i) {
            if (names[i].empty()) continue;
            offered.emplace(names[i], atoms[i]);
            if (!isLegacyTextTarget(names[i]) && isProtocolTarget(names[i])) continue;
            const std::string typeName = isLegacyTextTarget(names[i]) ? "text/plain" : names[i];
            if (std::find(item.types.begin(), item.types.end(), typeName) == item.types.end())
                item.types.push_back(typeName);
        }

        std::vector<Request> second;
        std::vector<std::string> secondNames;
        const auto want = [&](const std::string& name, const std::string& typeName, Budget* budget) {
            const auto target = offered.find(name);
            if (target == offered.end()) return false;
            second.emplace_back(target->second, typeName, budget);
            secondNames.push_back(name);
            return true;
        };
        const bool utf8Offered = offered.contains("UTF8_STRING");
        if (utf8Offered && first[1].oversized) item.oversized.emplace(first[1].name, *first[1].oversized);
        // Everything else wanted is asked for at once: the owner answers all of it in one go. A text too
        // large as UTF-8 is not asked for again in another encoding.
        if (utf8Offered && first[1].outcome == Outcome::read) {
            item.text = decodedText("UTF8_STRING", first[1].bytes, first[1].type == string_);
            first[1].bytes = Data();
        } else if (!text.exceeded) {
            for (const char* target : textTargets) {
                if (want(target, PasteboardType::itemText, &text)) break;
            }
        }
        const std::size_t firstRepresentation = second.size();
        want(PasteboardType::html, PasteboardType::html, &text);
        want(PasteboardType::rtf, PasteboardType::rtf, &text);
        want(PasteboardType::fileURLs, PasteboardType::fileURLs, &files);
        // Capture falls back to TIFF, then to the first other image type, only without PNG.
        if (!want(PasteboardType::png, PasteboardType::png, &image) &&
            !want(PasteboardType::tiff, PasteboardType::tiff, &image)) {
            for (const std::string& name : item.types) {
                if (name.starts_with("image/") && want(name, name, &image)) break;
            }
        }
        if (second.empty()) return Outcome::read;
        outcome = convertAskingAgain(second, change.timestamp, [] { return true; });
        refused_ = std::any_of(second.begin(), second.end(), [](const Request& request) {
            return request.outcome == Outcome::refused && !request.oversized;
        });
        for (Request& request : second) {
            if (request.oversized) item.oversized.emplace(request.name, *request.oversized);
        }
        if (outcome != Outcome::read) return outcome;
        // A text form given up for its size gives up the item's text: the forms count together.
        if (text.exceeded) {
            item.text.reset();
            return Outcome::read;
        }
        for (std::size_t i = 0; i < second.size(); ++i) {
            if (second[i].outcome != Outcome::read) continue;
            if (i < firstRepresentation) {
                item.text = decodedText(secondNames[i], second[i].bytes, second[i].type == string_);
            } else {
                item.representations.emplace(secondNames[i], std::move(second[i].bytes));
            }
        }
        return Outcome::read;
    }

    std::vector<std::string> atomNames(const std::vector<xcb_atom_t>& atoms) {
        std::vector<xcb_get_atom_name_cookie_t> cookies(atoms.size());
        for (std::size_t i = 0; i < atoms.size(); ++i) {
            if (!atomNames_.contains(atoms[i])) cookies[i] = xcb_get_atom_name(c_, atoms[i]);
        }
        std::vector<std::string> names(atoms.size());
        for (std::size_t i = 0; i < atoms.size(); ++i) {
            if (auto known = atomNames_.find(atoms[i]); known != atomNames_.end()) {
                names[i] = known->second;
                continue;
            }
            auto reply = owned(xcb_get_atom_name_reply(c_, cookies[i], nullptr));
            if (!reply) continue;
            names[i].assign(xcb_get_atom_name_name(reply.get()),
                            static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get())));
            atomNames_.emplace(atoms[i], names[i]);
        }
        return names;
    }

    // As convert(), then asks again, while `worthAsking` holds, for what the owner refused, each time after a
    // longer pause and with the current time, as other readers of the clipboard ask. An owner change during a
    // pause ends the asking with what was read: those answers came before it, so they are still this
    // owner's.
    Outcome convertAskingAgain(std::vector<Request>& requests, xcb_timestamp_t time,
                               const std::function<bool()>& worthAsking) {
        Outcome outcome = convert(requests, time);
        for (const int pause : refusalRetryPausesMilliseconds) {
            if (outcome != Outcome::read) return outcome;
            std::vector<std::size_t> refused;
            for (std::size_t i = 0; i < requests.size(); ++i) {
                const Request& request = requests[i];
                if (request.outcome == Outcome::refused && !request.oversized && !request.budget->exceeded)
                    refused.push_back(i);
            }
            if (refused.empty() || !worthAsking()) return outcome;
            const auto until = Clock::now() + std::chrono::milliseconds(pause);
            // Asked again now, the owner could not answer in time.
            if (until >= itemDeadline_) return outcome;
            const Outcome paused = pauseUntil(until);
            if (paused == Outcome::superseded) return Outcome::read;
            if (paused != Outcome::read) return paused;
            std::vector<Request> again;
            for (const std::size_t i : refused) {
                again.emplace_back(requests[i].target, requests[i].name, requests[i].budget);
            }
            outcome = convert(again, XCB_CURRENT_TIME);
            for (std::size_t k = 0; k < refused.size(); ++k) requests[refused[k]] = std::move(again[k]);
        }
        return outcome;
    }

    // Lets time pass until `until`, dropping the events that come meanwhile: `read` once it has, else
    // `superseded` or `stopped`.
    Outcome pauseUntil(Clock::time_point until) {
        for (;;) {
            const Event event = awaitEvent(until);
            if (event.outcome == Outcome::timedOut) return Outcome::read;
            if (event.outcome != Outcome::read) return event.outcome;
        }
    }

    // Asks the owner for every request's target at once and waits for all answers, then fetches those sent
    // in pieces. `read` when every request was answered (each request's own outcome says how).
    Outcome convert(std::vector<Request>& requests, xcb_timestamp_t time) {
        for (Request& request : requests) {
            // A property of its own per request: a late answer to an abandoned request cannot pass for
            // another.
            request.property = properties_[nextProperty_++ % properties_.size()];
            xcb_delete_property(c_, window_, request.property);
            xcb_convert_selection(c_, window_, clipboard_, request.target, request.property, time);
        }
        std::size_t unanswered = requests.size();
        const auto deadline = Clock::now() + std::chrono::milliseconds(answerTimeoutMilliseconds);
        while (unanswered > 0) {
            Event event = awaitEvent(deadline);
            if (event.outcome == Outcome::timedOut) logTimeout("did not answer in time");
            if (event.outcome != Outcome::read) return event.outcome;
            if ((event.event->response_type & 0x7f) != XCB_SELECTION_NOTIFY) continue;
            const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event.event.get());
            if (notify->requestor != window_ || notify->selection != clipboard_) continue;
            const auto request = std::find_if(requests.begin(), requests.end(), [&](const Request& r) {
                return !r.answered && r.target == notify->target &&
                       (notify->property == r.property ||
                        (notify->property == XCB_NONE && refusalTime(notify->time, time, ownedSince_)));
            });
            if (request == requests.end()) continue;
            request->answered = true;
            --unanswered;
            if (notify->property == XCB_NONE) continue;
            request->outcome = takeProperty(*request) ? Outcome::read : Outcome::refused;
        }
        for (Request& request : requests) {
            if (!request.incremental) continue;
            if (request.budget->exceeded || request.announced > request.budget->left) {
                // Not started: deleting the announcement would ask for the first piece.
                giveUp(request, request.announced, {});
                retire(request.property);
                continue;
            }
            const Outcome outcome = readIncrementally(request);
            if (outcome == Outcome::superseded || outcome == Outcome::stopped ||
                outcome == Outcome::timedOut) {
                retire(request.property);
                return outcome;
            }
            request.outcome = outcome;
        }
        // Answers read are deleted only now: some owners take any deletion on our window for the next step
        // of a transfer in pieces.
        for (const Request& request : requests) {
            if (request.answered && !request.incremental) xcb_delete_property(c_, window_, request.property);
        }
        return Outcome::read;
    }

    // Data sent in pieces: deleting the INCR property asks for the first piece, each piece is taken by
    // deleting it, and an empty piece ends the data.
    Outcome readIncrementally(Request& request) {
        xcb_delete_property(c_, window_, request.property);
        request.bytes.clear();
        for (;;) {
            const auto deadline = Clock::now() + std::chrono::milliseconds(answerTimeoutMilliseconds);
            Event event = awaitEvent(deadline);
            if (event.outcome == Outcome::timedOut) logTimeout("did not send a large item in time");
            if (event.outcome != Outcome::read) return event.outcome;
            if ((event.event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) continue;
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event.event.get());
            if (notify->window != window_ || notify->atom != request.property ||
                notify->state != XCB_PROPERTY_NEW_VALUE)
                continue;
            Request piece(request.target, request.name, request.budget);
            piece.property = request.property;
            const bool taken = takeProperty(piece);
            if (piece.oversized) {
                // Stopped here: the owner may go on sending into this property, so it is never used again.
                const Data head(request.bytes.begin(),
                                request.bytes.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                            request.bytes.size(), oversizedHeadBytes)));
                giveUp(request, request.bytes.size() + piece.oversized->byteCount,
                       request.bytes.empty() ? piece.oversized->head : head);
                request.bytes = Data();
                retire(request.property);
                return Outcome::refused;
            }
            // Deleting the piece asks for the next one.
            xcb_delete_property(c_, window_, request.property);
            if (!taken) return Outcome::refused;
            if (piece.bytes.empty()) return Outcome::read;
            request.bytes.insert(request.bytes.end(), piece.bytes.begin(), piece.bytes.end());
        }
    }

    // Gives the request up for its size, charging its kind's budget so the kind's other forms are skipped.
    void giveUp(Request& request, std::uint64_t byteCount, Data head) {
        request.budget->exceeded = true;
        request.budget->left = 0;
        request.oversized = OversizedRepresentation{byteCount, std::move(head)};
        request.outcome = Outcome::refused;
    }

    // Reads the request's property, charging the bytes to its budget; the caller deletes it (an INCR
    // announcement's deletion starts the transfer). Its size is asked first: a property larger than the
    // budget is given up unread (X11 hands a property over whole). False when it is missing or given up.
    bool takeProperty(Request& request) {
        if (request.budget->exceeded) {
            request.outcome = Outcome::refused;
            return false;
        }
        auto head = owned(xcb_get_property_reply(
            c_,
            xcb_get_property(c_, 0, window_, request.property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                             static_cast<std::uint32_t>(oversizedHeadBytes / 4)),
            nullptr));
        if (!head || head->type == XCB_ATOM_NONE) return false;
        request.type = head->type;
        request.incremental = head->type == incr_;
        const auto* headValue = static_cast<const std::uint8_t*>(xcb_get_property_value(head.get()));
        const auto headLength = static_cast<std::size_t>(xcb_get_property_value_length(head.get()));
        if (request.incremental) {
            if (head->format == 32 && headLength >= 4) {
                std::uint32_t announced = 0;
                std::memcpy(&announced, headValue, sizeof announced);
                request.announced = announced;
            }
            return true;
        }
        const std::uint64_t size = headLength + head->bytes_after;
        if (size > request.budget->left) {
            giveUp(request, size, Data(headValue, headValue + headLength));
            return false;
        }
        request.budget->left -= size;
        transferred_ += size;
        if (head->bytes_after == 0) {
            request.bytes.assign(headValue, headValue + headLength);
            return true;
        }
        auto whole = owned(xcb_get_property_reply(
            c_,
            xcb_get_property(c_, 0, window_, request.property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                             static_cast<std::uint32_t>((size + 3) / 4)),
            nullptr));
        if (!whole || whole->type == XCB_ATOM_NONE) return false;
        const auto* value = static_cast<const std::uint8_t*>(xcb_get_property_value(whole.get()));
        request.bytes.assign(value, value + xcb_get_property_value_length(whole.get()));
        return true;
    }

    xcb_connection_t* c_;
    ClientResources own_;
    X11ClipboardWatcher::ByteLimit limit_;
    // The item being read: its owner, when its time is up, and the bytes taken so far.
    xcb_window_t owner_ = XCB_NONE;
    xcb_timestamp_t ownedSince_ = XCB_CURRENT_TIME;
    // Set when the owner refused its list of targets or a representation it offered, also when asked again.
    bool refused_ = false;
    std::uint64_t itemLimit_ = largestRepresentationBytes;
    Clock::time_point itemDeadline_ = Clock::time_point::max();
    std::uint64_t transferred_ = 0;
    // The last item given up (too slow or too large).
    std::optional<OwnerChange> givenUp_;
    std::size_t propertyNames_ = 0;
    std::uint8_t xfixesEvent_ = 0;
    xcb_window_t window_ = XCB_NONE;
    xcb_atom_t clipboard_ = XCB_ATOM_NONE;
    xcb_atom_t targets_ = XCB_ATOM_NONE;
    xcb_atom_t incr_ = XCB_ATOM_NONE;
    xcb_atom_t string_ = XCB_ATOM_NONE;
    xcb_atom_t utf8_ = XCB_ATOM_NONE;
    std::array<xcb_atom_t, 8> properties_{};
    std::size_t nextProperty_ = 0;
    std::unordered_map<xcb_atom_t, std::string> atomNames_;
    std::deque<OwnerChange> pending_;
    int wakeFd_ = -1;
    const std::atomic<bool>* stopping_ = nullptr;
};

std::unique_ptr<X11ClipboardWatcher> X11ClipboardWatcher::start(const std::string& displayName,
                                                                ClientResources ownClient,
                                                                ByteLimit itemByteLimit, Handler handler,
                                                                std::string& failure) {
    auto connection = Connection::open(displayName, ownClient, std::move(itemByteLimit), failure);
    if (!connection) return nullptr;
    return std::unique_ptr<X11ClipboardWatcher>(
        new X11ClipboardWatcher(std::move(connection), std::move(handler)));
}

X11ClipboardWatcher::X11ClipboardWatcher(std::unique_ptr<Connection> connection, Handler handler)
    : connection_(std::move(connection)), handler_(std::move(handler)) {
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    connection_->attach(wakeFd_, stopping_);
    thread_ = std::thread([this] { run(); });
}

X11ClipboardWatcher::~X11ClipboardWatcher() {
    stopping_.store(true);
    if (wakeFd_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
    }
    if (thread_.joinable()) thread_.join();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void X11ClipboardWatcher::run() {
    X11ClipboardItem current = connection_->readCurrent();
    if (!stopping_.load()) handler_(std::move(current));
    while (auto item = connection_->nextItem()) handler_(std::move(*item));
    if (!stopping_.load()) {
        Logger::error("Failed to follow the clipboard: the display closed the connection", kLogCategory);
    }
}

}  // namespace quorvane
