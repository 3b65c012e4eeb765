#include "desktop/TestSelectionOwner.h"

#include <poll.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace quorvane::testing {

namespace {

xcb_atom_t intern(xcb_connection_t* connection, const char* name) {
    auto* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

}  // namespace

TestSelectionOwner::TestSelectionOwner(const char* display) : connection_(xcb_connect(display, nullptr)) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    window_ = xcb_generate_id(connection_);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    clipboard_ = intern(connection_, "CLIPBOARD");
    timeProperty_ = intern(connection_, "QUORVANE_TEST_OWNER_TIME");
    targets_ = intern(connection_, "TARGETS");
    utf8_ = intern(connection_, "UTF8_STRING");
    html_ = intern(connection_, "text/html");
    incr_ = intern(connection_, "INCR");
    static constexpr char windowClass[] = "quorvane-test-owner\0QuorvaneTestOwner";
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof windowClass, windowClass);
}

TestSelectionOwner::~TestSelectionOwner() {
    // A round trip first: answers sent just before are handled before the server sees us go.
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    for (auto* event : deferred_) std::free(event);
    xcb_disconnect(connection_);
}

xcb_timestamp_t TestSelectionOwner::nextServerTime() {
    for (;;) {
        xcb_change_property(connection_, XCB_PROP_MODE_APPEND, window_, timeProperty_, XCB_ATOM_STRING, 8, 0,
                            nullptr);
        xcb_flush(connection_);
        while (auto* event = xcb_wait_for_event(connection_)) {
            if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) {
                // Requests that came meanwhile are answered by the next serveFor().
                deferred_.push_back(event);
                continue;
            }
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
            const bool ours = notify->window == window_ && notify->atom == timeProperty_;
            const xcb_timestamp_t time = notify->time;
            std::free(event);
            if (!ours) continue;
            // Two ownerships in one millisecond could not be told apart by their requests.
            if (time > ownedSince_) return time;
            break;
        }
        if (xcb_connection_has_error(connection_)) return XCB_CURRENT_TIME;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TestSelectionOwner::take(const std::string& text, const std::string& html) {
    text_ = text;
    htmlText_ = html;
    refusalsLeft_.clear();
    ownedSince_ = nextServerTime();
    xcb_set_selection_owner(connection_, window_, clipboard_, ownedSince_);
    // A round trip: the server has handled the request above when it answers this one.
    std::free(xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, clipboard_),
                                            nullptr));
}

void TestSelectionOwner::serveFor(std::chrono::milliseconds duration, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + duration;
    for (auto* event : deferred_) handle(event);
    deferred_.clear();
    for (;;) {
        xcb_flush(connection_);
        while (auto* event = xcb_poll_for_event(connection_)) handle(event);
        if (done && done()) return;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return;
        pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
        ::poll(&descriptor, 1, static_cast<int>(std::min<long>(left.count(), 5)));
    }
}

void TestSelectionOwner::handle(xcb_generic_event_t* event) {
    const auto type = event->response_type & 0x7f;
    if (type == XCB_SELECTION_REQUEST && answers) {
        answer(*reinterpret_cast<xcb_selection_request_event_t*>(event));
    } else if (type == XCB_PROPERTY_NOTIFY) {
        sendNextPiece(*reinterpret_cast<xcb_property_notify_event_t*>(event));
    }
    std::free(event);
}

void TestSelectionOwner::writeWhole(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t type,
                                    const std::string& text) {
    // Few large appends: the server copies the whole property on each one.
    const std::size_t piece = std::max<std::size_t>(
        64 * 1024, static_cast<std::size_t>(xcb_get_maximum_request_length(connection_)) * 4 - 1024);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, requestor, property, type, 8, 0, nullptr);
    for (std::size_t offset = 0; offset < text.size(); offset += piece) {
        const auto length = static_cast<std::uint32_t>(std::min(piece, text.size() - offset));
        xcb_change_property(connection_, XCB_PROP_MODE_APPEND, requestor, property, type, 8, length,
                            text.data() + offset);
    }
}

void TestSelectionOwner::sendNextPiece(const xcb_property_notify_event_t& deleted) {
    if (deleted.state != XCB_PROPERTY_DELETE || deleted.window != incrementalRequestor_ ||
        deleted.atom != incrementalProperty_)
        return;
    std::this_thread::sleep_for(pieceDelay);
    const std::string piece(pieceBytes, 'p');
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, deleted.window, deleted.atom, utf8_, 8,
                        static_cast<std::uint32_t>(piece.size()), piece.data());
    ++piecesSent_;
    xcb_flush(connection_);
}

void TestSelectionOwner::answer(const xcb_selection_request_event_t& request) {
    if (beforeAnyAnswer) beforeAnyAnswer();
    xcb_atom_t property = request.property == XCB_NONE ? request.target : request.property;
    // A request at the current time asks for what is offered now.
    const bool forThisCopy = request.time == ownedSince_ || request.time == XCB_CURRENT_TIME;
    if (request.target == utf8_ && forThisCopy) ++textRequests_;
    const auto refusalsLeft = refusalsLeft_.try_emplace(request.target, refusalsPerTarget).first;
    if (refusalsLeft->second > 0) {
        --refusalsLeft->second;
        ++refusals_;
        property = XCB_NONE;
    } else if (request.target == targets_ && !refusesTargetList) {
        const xcb_atom_t offered[] = {targets_, utf8_, html_};
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM,
                            32, htmlText_.empty() ? 2 : 3, offered);
    } else if (request.target == html_ && !htmlText_.empty()) {
        writeWhole(request.requestor, property, html_, htmlText_);
        ++htmlAnswers_;
    } else if (request.target == utf8_ && endlessPiecesAnnouncing > 0) {
        // Deleting the announcement asks for each next piece: we hear of it on the requestor's window.
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection_, request.requestor, XCB_CW_EVENT_MASK, &events);
        incrementalRequestor_ = request.requestor;
        incrementalProperty_ = property;
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, property, incr_, 32, 1,
                            &endlessPiecesAnnouncing);
    } else if (request.target == utf8_) {
        if (beforeTextAnswer) beforeTextAnswer();
        writeWhole(request.requestor, property, utf8_, text_);
        ++textAnswers_;
        if (forThisCopy) answeredTexts_.push_back(text_);
    } else {
        property = XCB_NONE;
    }
    // Sent events are 32 bytes long.
    union {
        xcb_selection_notify_event_t notify;
        char bytes[32];
    } event{};
    xcb_selection_notify_event_t& notify = event.notify;
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    xcb_send_event(connection_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, event.bytes);
    xcb_flush(connection_);
}

}  // namespace quorvane::testing
