#pragma once

// Another program on the test display that owns the clipboard with one text at a time, on an X connection
// of its own, served from the thread that calls take() and serveFor(). Its hooks let a test decide what
// happens between a request and its answer.

#include <xcb/xcb.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace quorvane::testing {

class TestSelectionOwner {
public:
    TestSelectionOwner();
    ~TestSelectionOwner();
    TestSelectionOwner(const TestSelectionOwner&) = delete;
    TestSelectionOwner& operator=(const TestSelectionOwner&) = delete;

    // Takes the clipboard (a new owner change each time) offering `text` as UTF8_STRING; returns once the
    // X server has made it the owner.
    void take(const std::string& text);
    // Answers requests for `duration`, or until `done` holds (checked every few milliseconds).
    void serveFor(std::chrono::milliseconds duration, const std::function<bool()>& done = {});

    // Runs before the text is sent to a requestor.
    std::function<void()> beforeTextAnswer;
    // False: requests are taken but never answered, as by a hung program.
    bool answers = true;
    int textAnswers() const { return textAnswers_; }
    // The texts sent for requests made while they owned the clipboard (told by the request's time, as
    // ICCCM owners do), in order. A late request for an earlier copy is answered with the text offered now
    // and is not counted.
    const std::vector<std::string>& answeredTexts() const { return answeredTexts_; }

private:
    void answer(const xcb_selection_request_event_t& request);
    void handle(xcb_generic_event_t* event);
    // A server time later than the last ownership's, read from a property change on our window.
    xcb_timestamp_t nextServerTime();

    xcb_connection_t* connection_;
    xcb_window_t window_ = 0;
    xcb_atom_t clipboard_ = 0, targets_ = 0, utf8_ = 0, timeProperty_ = 0;
    xcb_timestamp_t ownedSince_ = 0;
    std::vector<xcb_generic_event_t*> deferred_;
    std::string text_;
    int textAnswers_ = 0;
    std::vector<std::string> answeredTexts_;
};

}  // namespace quorvane::testing
