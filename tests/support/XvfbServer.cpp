#include "support/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace quorvane::testing {

namespace {

bool answers(const std::string& display) {
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool ok = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return ok;
}

}  // namespace

XvfbServer::XvfbServer(const std::vector<std::string>& extraArguments) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        failure_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    fcntl(pipeEnds[0], F_SETFD, FD_CLOEXEC);
    // -displayfd makes the server choose an unused display and report it once it accepts connections.
    const std::string fd = std::to_string(pipeEnds[1]);
    std::vector<std::string> arguments{"Xvfb", "-displayfd",   fd,        "-nolisten", "tcp", "-screen",
                                       "0",    "1280x1024x24", "-noreset"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    // The server must never outlive the test program (an aborting sanitizer skips our destructor) and must
    // not hold the test runner's output pipe open, or the runner waits for it until its time-out.
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        const int devNull = open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            dup2(devNull, STDIN_FILENO);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        execvp("Xvfb", argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    if (pid_ < 0) {
        pid_ = -1;
        close(pipeEnds[0]);
        failure_ = std::string("cannot run Xvfb: ") + std::strerror(errno);
        return;
    }
    std::string number;
    pollfd readable{pipeEnds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos &&
           poll(&readable, 1, static_cast<int>(std::chrono::milliseconds(kDesktopStartTimeout).count())) >
               0) {
        char buffer[16];
        const ssize_t count = read(pipeEnds[0], buffer, sizeof buffer);
        if (count <= 0) break;
        number.append(buffer, static_cast<std::size_t>(count));
    }
    close(pipeEnds[0]);
    if (number.find('\n') == std::string::npos || !answers(":" + number.substr(0, number.find('\n')))) {
        failure_ = "Xvfb did not report a display it accepts connections on";
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
}

XvfbServer::~XvfbServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

}  // namespace quorvane::testing
