// How long the quorvane program takes from its launch until its tray icon asks to be docked, on a private X
// server with a tray host of our own (the XEmbed tray protocol, as a panel's notification area speaks it),
// over a history of many entries and its search index in one of three states:
//   rest     the index as the last start left it (an ordinary start);
//   upgrade  the same index with an older layout mark, so the program reindexes it;
//   missing  no index file, so the program fills one from the history.
// Each run restores that state, starts the program, and takes two times from the launch: the tray's dock
// request, and the log line that says the start is done ("App coordinator started"). The program is then
// stopped and waited for. With --vs, a second program takes turns with the first, run by run, so both meet
// the same machine load. Prints every run, then the minimum, median and maximum.
//
// StartupTrayBench [--entries N] [--index rest|upgrade|missing] [--runs N] [--program PATH] [--vs PATH]

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "BenchHistoryFile.h"
#include "support/XvfbServer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kStartDone = "App coordinator started";
constexpr const char* kIndexFile = "clipboard_search.sqlite";
// How long a stopped program may take to end before it is killed: the next run restores the files anyway,
// and a program that hangs at exit must not hold the measurement up.
constexpr double kStopLimitMs = 10'000;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

xcb_atom_t atom(xcb_connection_t* connection, const std::string& name) {
    auto* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str()),
        nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return result;
}

// Owns the system tray selection of screen 0 and hears the dock requests tray icons send it.
class TrayHost {
public:
    explicit TrayHost(const std::string& display) : connection_(xcb_connect(display.c_str(), nullptr)) {
        if (xcb_connection_has_error(connection_)) return;
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        const xcb_atom_t selection = atom(connection_, "_NET_SYSTEM_TRAY_S0");
        opcode_ = atom(connection_, "_NET_SYSTEM_TRAY_OPCODE");
        xcb_set_selection_owner(connection_, window_, selection, XCB_CURRENT_TIME);
        // Tray icons started before the host wait for this announcement; ours are started after it.
        xcb_client_message_event_t manager{};
        manager.response_type = XCB_CLIENT_MESSAGE;
        manager.format = 32;
        manager.window = screen->root;
        manager.type = atom(connection_, "MANAGER");
        manager.data.data32[0] = XCB_CURRENT_TIME;
        manager.data.data32[1] = selection;
        manager.data.data32[2] = window_;
        xcb_send_event(connection_, 0, screen->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&manager));
        xcb_flush(connection_);
        ready_ = true;
    }
    ~TrayHost() { xcb_disconnect(connection_); }

    bool ready() const { return ready_; }
    int fd() const { return xcb_get_file_descriptor(connection_); }
    // Reads the events waiting; true when one of them was a dock request.
    bool dockRequested() {
        bool docked = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                // SYSTEM_TRAY_REQUEST_DOCK is opcode 0.
                if (message->type == opcode_ && message->data.data32[1] == 0) docked = true;
            }
            std::free(event);
        }
        return docked;
    }

private:
    xcb_connection_t* connection_;
    xcb_window_t window_ = 0;
    xcb_atom_t opcode_ = XCB_ATOM_NONE;
    bool ready_ = false;
};

struct Run {
    std::optional<double> trayMs;
    std::optional<double> doneMs;
};

class Bench {
public:
    Bench(std::string display, fs::path directory)
        : display_(std::move(display)), dir_(std::move(directory)) {}

    fs::path storage() const { return dir_ / "storage"; }

    // Starts `program`, waits for `stop(run, log)` (at most `limitMs`), then stops it with SIGTERM and waits.
    Run launch(const std::string& program, TrayHost& tray, double limitMs,
               const std::function<bool(const Run&, const std::string&)>& stop) {
        std::map<std::string, std::string> variables;
        for (char** entry = environ; *entry; ++entry) {
            const std::string text = *entry;
            const auto equals = text.find('=');
            if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
        variables["DISPLAY"] = display_;
        variables["QT_QPA_PLATFORM"] = "xcb";
        variables["XDG_CONFIG_HOME"] = (dir_ / "config").string();
        variables["XDG_DATA_HOME"] = (dir_ / "data").string();
        variables["XDG_RUNTIME_DIR"] = (dir_ / "runtime").string();
        variables["QUORVANE_STORAGE_DIRECTORY"] = storage().string();
        fs::create_directories(dir_ / "runtime");
        fs::permissions(dir_ / "runtime", fs::perms::owner_all);
        std::vector<std::string> texts;
        for (const auto& [name, value] : variables) texts.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (auto& text : texts) envp.push_back(text.data());
        envp.push_back(nullptr);

        int output[2];
        if (pipe2(output, O_CLOEXEC) != 0) return {};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], 1);
        posix_spawn_file_actions_adddup2(&actions, output[1], 2);
        std::string path = program;
        char* argv[] = {path.data(), nullptr};
        pid_t pid = 0;
        tray.dockRequested();  // what an earlier run left
        const auto started = Clock::now();
        const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(output[1]);
        Run run;
        if (spawned != 0) {
            close(output[0]);
            std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(spawned));
            return run;
        }
        std::string log;
        bool open = true;
        while (!stop(run, log) && millisecondsSince(started) < limitMs) {
            pollfd fds[2] = {{tray.fd(), POLLIN, 0}, {output[0], POLLIN, 0}};
            poll(fds, open ? 2 : 1, 100);
            if (tray.dockRequested() && !run.trayMs) run.trayMs = millisecondsSince(started);
            if (open && (fds[1].revents & (POLLIN | POLLHUP))) {
                char buffer[4096];
                const ssize_t got = read(output[0], buffer, sizeof buffer);
                if (got <= 0) {
                    open = false;
                } else {
                    log.append(buffer, static_cast<std::size_t>(got));
                    if (!run.doneMs && log.find(kStartDone) != std::string::npos)
                        run.doneMs = millisecondsSince(started);
                }
            }
        }
        kill(pid, SIGTERM);
        // Drained while it stops, so a full pipe never holds the program up; one that does not end in time
        // is killed (noted, since a stop should never hang).
        int status = 0;
        const auto stopping = Clock::now();
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (millisecondsSince(stopping) > kStopLimitMs) {
                std::fprintf(stderr, "%s did not stop within %.0f s of SIGTERM; killed\n", program.c_str(),
                             kStopLimitMs / 1000);
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            pollfd fd{output[0], POLLIN, 0};
            if (open && poll(&fd, 1, 50) > 0) {
                char buffer[4096];
                const ssize_t got = read(output[0], buffer, sizeof buffer);
                if (got <= 0) open = false;
                if (got > 0) log.append(buffer, static_cast<std::size_t>(got));
            } else if (!open) {
                poll(nullptr, 0, 50);
            }
        }
        close(output[0]);
        lastLog_ = std::move(log);
        return run;
    }

    const std::string& lastLog() const { return lastLog_; }

private:
    std::string display_;
    fs::path dir_;
    std::string lastLog_;
};

void removeIndex(const fs::path& storage) {
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(storage / (std::string(kIndexFile) + suffix));
}

// The layout mark the program compares with its own: an older one makes it reindex the whole file.
bool markOlderLayout(const fs::path& index) {
    sqlite3* db = nullptr;
    const bool ok = sqlite3_open(index.c_str(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, "PRAGMA user_version = 0;", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

void printSummary(const char* what, std::vector<double> values) {
    if (values.empty()) {
        std::printf("%-10s no figures\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    std::printf("%-10s min %8.1f  median %8.1f  max %8.1f ms  (%zu runs)\n", what, values.front(), median,
                values.back(), n);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int entries = 10'000;
    int runs = 10;
    std::string state = "rest";
    std::vector<std::string> programs{QUORVANE_EXECUTABLE};
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--entries") {
            entries = std::atoi(argv[i + 1]);
        } else if (option == "--runs") {
            runs = std::atoi(argv[i + 1]);
        } else if (option == "--index") {
            state = argv[i + 1];
        } else if (option == "--program") {
            programs[0] = argv[i + 1];
        } else if (option == "--vs") {
            programs.push_back(argv[i + 1]);
        } else {
            std::fprintf(stderr, "unknown option %s\n", option.c_str());
            return 2;
        }
    }
    if (state != "rest" && state != "upgrade" && state != "missing") {
        std::fprintf(stderr, "--index is rest, upgrade or missing\n");
        return 2;
    }

    quorvane::testing::XvfbServer server;
    if (!server.isRunning()) {
        std::fprintf(stderr, "Xvfb did not start: %s\n", server.failure().c_str());
        return 1;
    }
    TrayHost tray(server.display());
    if (!tray.ready()) {
        std::fprintf(stderr, "the tray host could not connect\n");
        return 1;
    }
    const bench::ScratchDirectory scratch;
    const fs::path& directory = scratch.path();
    Bench bench(server.display(), directory);
    bench::writeHistory(bench.storage(), entries, true);
    // A user's start: the first-run wizard was finished long ago, so no window opens beside the tray.
    fs::create_directories(directory / "config" / "Quorvane");
    std::ofstream(directory / "config" / "Quorvane" / "settings.json")
        << "{\"DidCompleteOnboarding\": true}\n";

    // The index as a finished start leaves it: filled from the history, compared with it, closed.
    const fs::path kept = directory / "index-kept.sqlite";
    if (state != "missing") {
        bench.launch(programs[0], tray, 60 * 60 * 1000.0, [](const Run&, const std::string& log) {
            return log.find("Bootstrapped clipboard search index") != std::string::npos &&
                   log.find("Reconciled clipboard search index") != std::string::npos;
        });
        if (!fs::exists(bench.storage() / kIndexFile)) {
            std::fprintf(stderr, "the first start left no index:\n%s\n", bench.lastLog().c_str());
            return 1;
        }
        fs::copy_file(bench.storage() / kIndexFile, kept, fs::copy_options::overwrite_existing);
        if (state == "upgrade" && !markOlderLayout(kept)) {
            std::fprintf(stderr, "cannot mark the index as an older layout\n");
            return 1;
        }
    }

    std::printf("entries %d, index %s, %d runs of each program\n", entries, state.c_str(), runs);
    std::vector<std::vector<double>> trayTimes(programs.size()), doneTimes(programs.size());
    for (int round = 0; round < runs; ++round) {
        for (std::size_t p = 0; p < programs.size(); ++p) {
            removeIndex(bench.storage());
            if (state != "missing") fs::copy_file(kept, bench.storage() / kIndexFile);
            const Run run =
                bench.launch(programs[p], tray, 120'000.0,
                             [](const Run& run, const std::string&) { return run.trayMs && run.doneMs; });
            if (!run.trayMs || !run.doneMs) {
                std::fprintf(stderr, "run %d of %s: no tray or no start line in time:\n%s\n", round,
                             programs[p].c_str(), bench.lastLog().c_str());
                continue;
            }
            trayTimes[p].push_back(*run.trayMs);
            doneTimes[p].push_back(*run.doneMs);
            std::printf("run %2d  program %zu  tray %8.1f ms  start done %8.1f ms\n", round, p, *run.trayMs,
                        *run.doneMs);
            std::fflush(stdout);
        }
    }
    for (std::size_t p = 0; p < programs.size(); ++p) {
        std::printf("program %zu: %s\n", p, programs[p].c_str());
        printSummary("tray", trayTimes[p]);
        printSummary("start done", doneTimes[p]);
    }
    return 0;
}
