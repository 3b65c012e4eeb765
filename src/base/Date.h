#pragma once

// A point in time as seconds since 1970-01-01 00:00 UTC; the one time value of the whole system.
// A plain value: safe from any thread.

#include <compare>

namespace quorvane {

struct Date {
    double timeIntervalSince1970 = 0;

    constexpr Date() = default;
    constexpr explicit Date(double secondsSince1970) : timeIntervalSince1970(secondsSince1970) {}

    static constexpr Date distantPast() { return Date(-62135769600.0); }
    static constexpr Date distantFuture() { return Date(64092211200.0); }

    // Returns the date `seconds` later (earlier when negative).
    constexpr Date addingTimeInterval(double seconds) const { return Date(timeIntervalSince1970 + seconds); }
    // Returns this date minus `other`, in seconds.
    constexpr double timeIntervalSince(Date other) const {
        return timeIntervalSince1970 - other.timeIntervalSince1970;
    }

    friend constexpr bool operator==(Date, Date) = default;
    friend constexpr auto operator<=>(Date a, Date b) {
        return a.timeIntervalSince1970 <=> b.timeIntervalSince1970;
    }
};

}  // namespace quorvane
