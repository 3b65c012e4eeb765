// Resident memory of the quorvane program while other programs offer it clipboard items far over the item
// size limit: a 200 MB and a 30 MB text sent whole, then a transfer in pieces that never ends. Each is
// dropped, by its size or, when its owner takes longer than the deadline to hand it over, by the deadline;
// the log says which. Runs the real program on
// a private X server and samples its /proc status every 10 ms; prints the figures (kB), and the resident
// memory a minute later. Not a timing: the figures are the result.

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ProcessStatus.h"
#include "ProgramSession.h"
#include "desktop/TestSelectionOwner.h"
#include "platform/linux/JsonFileUserDefaults.h"
#include "support/XvfbServer.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The service with its log; waits sample the service's resident memory.
class Service {
public:
    Service(const std::string& display, const std::filesystem::path& directory) {
        bench::startProgram(process_, QUORVANE_EXECUTABLE, display, directory);
    }
    ~Service() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    std::string pid() const { return std::to_string(process_.processId()); }
    double rss() const { return bench::statusKilobytes("VmRSS", pid()); }

    // Waits until the log holds `fragment` `times` times; the highest resident memory seen meanwhile goes to
    // `peak`.
    bool waitForLog(const char* fragment, int times, std::chrono::seconds timeout, double& peak) {
        return waitForDrops({fragment}, times, timeout, peak);
    }
    // As above, counting the lines that hold any of `fragments`.
    bool waitForDrops(const std::vector<const char*>& fragments, int times, std::chrono::seconds timeout,
                      double& peak) {
        const auto end = Clock::now() + timeout;
        while (Clock::now() < end) {
            process_.waitForReadyRead(10);
            log_ += process_.readAll();
            peak = std::max(peak, rss());
            int seen = 0;
            for (const char* fragment : fragments) seen += static_cast<int>(log_.count(fragment));
            if (seen >= times) return true;
        }
        return false;
    }
    const QByteArray& log() const { return log_; }

private:
    QProcess process_;
    QByteArray log_;
};

// Runs an owner on its own thread until the object goes away.
class Offer {
public:
    Offer(const std::string& display,
          const std::function<void(quorvane::testing::TestSelectionOwner&)>& setUp)
        : thread_([this, display, setUp] {
              quorvane::testing::TestSelectionOwner owner(display.c_str());
              setUp(owner);
              owner.serveFor(120s, [this] { return done_.load(); });
          }) {}
    ~Offer() {
        done_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    quorvane::testing::XvfbServer server;
    if (!bench::displayIsRunning(server)) return 1;
    const auto directory = bench::freshSessionFolder("quorvane-capture-memory");

    int status = 0;
    {
        Service service(server.display(), directory);
        double ignored = 0;
        if (!service.waitForLog("App coordinator started", 1, 60s, ignored)) {
            std::fprintf(stderr, "quorvane did not start:\n%s\n", service.log().constData());
            return 1;
        }
        std::this_thread::sleep_for(5s);
        const double idle = service.rss();
        const std::vector<const char*> drops = {"Ignored clipboard item larger than limit",
                                                "did not answer in time",
                                                "did not send a large item in time"};
        struct Phase {
            const char* name;
            std::size_t wholeBytes;  // 0: the endless transfer in pieces
            double peak = 0;
            bool dropped = false;
        };
        std::vector<Phase> phases = {{"a 200 MB text sent whole", 200u * 1024 * 1024},
                                     {"a 30 MB text sent whole", 30u * 1024 * 1024},
                                     {"an endless transfer in pieces", 0}};
        int expected = 0;
        for (Phase& phase : phases) {
            phase.peak = service.rss();
            const std::string text(phase.wholeBytes, 'w');
            Offer offer(server.display(), [&](auto& owner) {
                if (phase.wholeBytes == 0) owner.endlessPiecesAnnouncing = 4096;
                owner.take(phase.wholeBytes == 0 ? std::string("unused") : text);
            });
            phase.dropped = service.waitForDrops(drops, ++expected, 60s, phase.peak);
        }
        const double after = service.rss();
        std::this_thread::sleep_for(60s);
        const double minuteLater = service.rss();
        std::printf("idle resident memory:                 %8.0f kB\n", idle);
        for (const Phase& phase : phases) {
            std::printf("peak while %-30s %8.0f kB (+%.0f kB)%s\n", (phase.name + std::string(":")).c_str(),
                        phase.peak, phase.peak - idle, phase.dropped ? "" : " [not dropped]");
        }
        std::printf("resident right after:                 %8.0f kB (+%.0f kB)\n", after, after - idle);
        std::printf("resident one minute later:            %8.0f kB (+%.0f kB)\n", minuteLater,
                    minuteLater - idle);
        // Which way each was dropped.
        for (const QByteArray& line : service.log().split('\n')) {
            for (const char* fragment : drops) {
                if (line.contains(fragment)) std::printf("%s\n", line.constData());
            }
        }
        for (const Phase& phase : phases) status |= phase.dropped ? 0 : 1;
    }
    std::filesystem::remove_all(directory);
    return status;
}
