#pragma once

// Follows the owner of the X11 CLIPBOARD selection on an X connection and a thread of its own, and reads
// each new owner's item the moment it takes the clipboard, so a copy replaced soon after is still read
// however busy the main thread is; the item found at start is read there too, so a slow owner never holds
// up the caller. Every owner change is one copy. Each read has a deadline, and each answer or piece of a
// transfer in pieces one of its own: an owner that misses one is logged with its window and program and its
// item is skipped. Representations larger than the item size limit are given up as soon as their size is
// known (announced, or counted as the pieces arrive), never held whole, logged with the owner, and an item
// given up is not asked for again. Requests carry the owner's own timestamp; what an owner refuses is asked
// for again a few times after short pauses, with the current time, and an item that yields nothing readable
// in the end is logged once with its owner. A read during which the owner changed again is thrown away: its
// data may be the next owner's, so the copy counts as missed and the next one is read instead. Owners
// created by our own program's connection (its own writes) are skipped. Construct and destroy on one
// thread; the handler runs on the watcher's thread.

#include <xcb/xcb.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/linux/X11ClipboardItem.h"

namespace quorvane {

class X11ClipboardWatcher {
public:
    using Handler = std::function<void(X11ClipboardItem)>;
    // The item size limit in bytes, asked on the watcher's thread before each read.
    using ByteLimit = std::function<std::uint64_t()>;
    // X resource ids of one client: an owner window with (id & ~mask) == base is that client's.
    struct ClientResources {
        std::uint32_t base = 0;
        std::uint32_t mask = 0;
    };

    // Connects to `displayName` (the environment's display when empty) and starts following on its thread;
    // the item on the clipboard now is handed over first, marked foundAtStart (empty when there was none or
    // it was ours). Without `itemByteLimit` representations up to largestRepresentationBytes are read.
    // Nothing, with `failure` set, when the display or its XFIXES extension is missing.
    static std::unique_ptr<X11ClipboardWatcher> start(const std::string& displayName,
                                                      ClientResources ownClient, ByteLimit itemByteLimit,
                                                      Handler handler, std::string& failure);
    ~X11ClipboardWatcher();
    X11ClipboardWatcher(const X11ClipboardWatcher&) = delete;
    X11ClipboardWatcher& operator=(const X11ClipboardWatcher&) = delete;

    // How long one answer, or one piece of a transfer in pieces, may take before the item is given up.
    static constexpr int answerTimeoutMilliseconds = 3000;
    // How long reading one item may take in all.
    static constexpr int itemTimeoutMilliseconds = 6000;
    // Larger representations are never fetched, whatever the limit says.
    static constexpr std::uint64_t largestRepresentationBytes = 512ull * 1024 * 1024;

    class Connection;

private:
    X11ClipboardWatcher(std::unique_ptr<Connection> connection, Handler handler);
    void run();

    std::unique_ptr<Connection> connection_;
    Handler handler_;
    int wakeFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace quorvane
