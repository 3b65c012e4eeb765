#pragma once

// A process's memory as its /proc status gives it, for the benchmarks' memory counters.

#include <sys/types.h>

#include <fstream>
#include <string>

namespace bench {

// kB of one line ("VmRSS", "VmHWM", "RssAnon") of the status of `process` ("self" or a process id); 0 when
// the line is missing.
inline double statusKilobytes(const std::string& key, const std::string& process = "self") {
    std::ifstream status("/proc/" + process + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(key + ":")) return std::stod(line.substr(key.size() + 1));
    }
    return 0;
}

inline double statusKilobytes(pid_t pid, const std::string& key) {
    return statusKilobytes(key, std::to_string(pid));
}

}  // namespace bench
