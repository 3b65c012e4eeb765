#pragma once

// Another program on the test display that owns the clipboard with one text at a time, on an X connection
// of its own, served from the thread that calls take() and serveFor(). Its hooks let a test decide what
// happens between a request and its answer; it can also send its text in pieces (INCR) without end, as a
// hostile program might, or refuse requests as a program still taking the clipboard does. Its window's class
// is "quorvane-test-owner".

#include <xcb/xcb.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quorvane::testing {

class TestSelectionOwner {
public:
    // On `display`, or the environment's display when none is given.
    explicit TestSelectionOwner(const char* display = nullptr);
    ~TestSelectionOwner();
    TestSelectionOwner(const TestSelectionOwner&) = delete;
    TestSelectionOwner& operator=(const TestSelectionOwner&) = delete;

    // Takes the clipboard (a new owner change each time) offering `text` as UTF8_STRING, and `html` as
    // text/html when given; returns once the X server has made it the owner.
    void take(const std::string& text, const std::string& html = {});
    // Answers requests for `duration`, or until `done` holds (checked every few milliseconds).
    void serveFor(std::chrono::milliseconds duration, const std::function<bool()>& done = {});

    // Runs before the text is sent to a requestor.
    std::function<void()> beforeTextAnswer;
    // Runs before any request is answered (the list of targets too); a slow program blocks in it.
    std::function<void()> beforeAnyAnswer;
    // Above zero: the text is not sent but announced as an INCR transfer of this many bytes, and every
    // piece asked for is a non-empty piece of pieceBytes, for ever.
    std::uint32_t endlessPiecesAnnouncing = 0;
    std::uint32_t pieceBytes = 64 * 1024;
    // How long the owner takes over each piece.
    std::chrono::milliseconds pieceDelay{0};
    std::uint64_t piecesSent() const { return piecesSent_; }
    // Requests for the text (not the list of targets) received while owning the clipboard.
    int textRequests() const { return textRequests_; }
    // False: requests are taken but never answered, as by a hung program.
    bool answers = true;
    // After each take(), this many requests of each target (the list of targets too) are refused, as gvim
    // refuses those that come while it is still taking the clipboard.
    int refusalsPerTarget = 0;
    // Requests refused by refusalsPerTarget, all copies together.
    int refusals() const { return refusals_; }
    // Every request for the list of targets is refused, as by old programs that know only text.
    bool refusesTargetList = false;
    int htmlAnswers() const { return htmlAnswers_; }
    int textAnswers() const { return textAnswers_; }
    // The texts sent for requests made while they owned the clipboard (told by the request's time, as
    // ICCCM owners do, or made at the current time), in order. A late request for an earlier copy is answered
    // with the text offered now and is not counted.
    const std::vector<std::string>& answeredTexts() const { return answeredTexts_; }

private:
    void answer(const xcb_selection_request_event_t& request);
    // Writes `text` into the requestor's property in pieces small enough for any request size.
    void writeWhole(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t type, const std::string& text);
    void sendNextPiece(const xcb_property_notify_event_t& deleted);
    void handle(xcb_generic_event_t* event);
    // A server time later than the last ownership's, read from a property change on our window.
    xcb_timestamp_t nextServerTime();

    xcb_connection_t* connection_;
    xcb_window_t window_ = 0;
    xcb_atom_t clipboard_ = 0, targets_ = 0, utf8_ = 0, html_ = 0, timeProperty_ = 0, incr_ = 0;
    // The transfer in pieces under way: the requestor's window and property.
    xcb_window_t incrementalRequestor_ = 0;
    xcb_atom_t incrementalProperty_ = 0;
    std::uint64_t piecesSent_ = 0;
    int textRequests_ = 0;
    xcb_timestamp_t ownedSince_ = 0;
    std::vector<xcb_generic_event_t*> deferred_;
    std::string text_;
    std::string htmlText_;
    // Refusals left for this copy, by target.
    std::map<xcb_atom_t, int> refusalsLeft_;
    int refusals_ = 0;
    int htmlAnswers_ = 0;
    int textAnswers_ = 0;
    std::vector<std::string> answeredTexts_;
};

}  // namespace quorvane::testing
