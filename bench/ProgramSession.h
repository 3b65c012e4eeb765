#pragma once

// Starting the built quorvane program for a benchmark: a user session of its own under one folder (settings,
// data, runtime and storage folders) on a given X display.

#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/linux/JsonFileUserDefaults.h"
#include "support/XvfbServer.h"

namespace bench {

// The environment of a session under `directory`, on `display`.
inline QProcessEnvironment programEnvironment(const std::string& display,
                                              const std::filesystem::path& directory) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", QString::fromStdString(display));
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString((directory / "config").string()));
    environment.insert("XDG_DATA_HOME", QString::fromStdString((directory / "data").string()));
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((directory / "runtime").string()));
    environment.insert("QUORVANE_STORAGE_DIRECTORY",
                       QString::fromStdString((directory / "storage").string()));
    return environment;
}

// Starts `executable` in that session with its output and errors merged into one log.
inline void startProgram(QProcess& process, const char* executable, const std::string& display,
                         const std::filesystem::path& directory) {
    process.setProcessEnvironment(programEnvironment(display, directory));
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(executable, {});
    process.waitForStarted(5000);
}

// A fresh session folder in the temporary directory, named after `name` and this process, whose settings are
// past the first-run wizard: copies made while a window of ours is in front are not recorded.
inline std::filesystem::path freshSessionFolder(const std::string& name) {
    const auto directory = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory / "config/Quorvane");
    quorvane::JsonFileUserDefaults(directory / "config/Quorvane/settings.json")
        .set("DidCompleteOnboarding", true);
    return directory;
}

// Whether the private X server runs; says why not when it does not.
inline bool displayIsRunning(const quorvane::testing::XvfbServer& server) {
    if (server.isRunning()) return true;
    std::fprintf(stderr, "Xvfb did not start: %s\n", server.failure().c_str());
    return false;
}

}  // namespace bench
