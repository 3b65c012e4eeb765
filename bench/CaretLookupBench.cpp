// How long finding the caret takes: the whole lookup against a live Qt window over AT-SPI on a private
// accessible desktop (Xvfb, D-Bus session, accessibility bus, openbox), the focused-element search alone, and
// the lookup's own logic over the in-memory tree, and the accessibility trust check, which asks the same
// accessibility bus whether it is on. p50/p95 are reported as counters in milliseconds.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "base/Logger.h"
#include "desktop/AccessibilityBusSession.h"
#include "floating/model/TextCaretPositionDetector.h"
#include "platform/linux/AtSpiAccessibleElementPort.h"
#include "platform/linux/QtScreenProvider.h"
#include "platform/linux/QtTextWidthMeasurer.h"
#include "platform/linux/X11AccessibilityTrust.h"
#include "platform/linux/X11FrontmostApplicationProvider.h"
#include "platform/memory/InMemoryAccessibleElementPort.h"
#include "platform/memory/InMemoryFrontmostApplicationProvider.h"
#include "platform/memory/InMemoryScreenProvider.h"
#include "platform/memory/InMemoryTextWidthMeasurer.h"
#include "support/XvfbServer.h"

namespace quorvane {
namespace {

struct LiveDesktop {
    std::unique_ptr<testing::AccessibilityBusSession> session;
    std::unique_ptr<X11FrontmostApplicationProvider> frontmost;
    std::unique_ptr<AtSpiAccessibleElementPort> port;
    QtScreenProvider screens;
    QtTextWidthMeasurer measurer;
    std::unique_ptr<TextCaretPositionDetector> detector;
    std::unique_ptr<X11AccessibilityTrust> trust;
};

LiveDesktop* live = nullptr;

// Times each call of `body` and reports the median and the 95th percentile.
template <typename Body>
void measure(benchmark::State& state, Body&& body) {
    std::vector<double> milliseconds;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        body();
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    auto percentile = [&](double p) {
        return milliseconds[std::min(milliseconds.size() - 1,
                                     static_cast<std::size_t>(p * milliseconds.size()))];
    };
    state.counters["p50_ms"] = percentile(0.50);
    state.counters["p95_ms"] = percentile(0.95);
}

void BM_CaretLookupLiveWindow(benchmark::State& state) {
    if (!live) return state.SkipWithError("no live desktop");
    int found = 0;
    measure(state, [&] { found += live->detector->getCaretPosition().has_value(); });
    if (found != static_cast<int>(state.iterations()))
        state.SkipWithError("the caret was not found every time");
}
BENCHMARK(BM_CaretLookupLiveWindow)->Iterations(200)->Unit(benchmark::kMillisecond);

void BM_FocusedElementSearchLiveWindow(benchmark::State& state) {
    if (!live) return state.SkipWithError("no live desktop");
    measure(state, [&] { benchmark::DoNotOptimize(live->port->focusedElement()); });
}
BENCHMARK(BM_FocusedElementSearchLiveWindow)->Iterations(200)->Unit(benchmark::kMillisecond);

// Asked before every paste-back and caret placement: XTEST on the display, then IsEnabled on the bus.
void BM_AccessibilityTrustCheckLiveBus(benchmark::State& state) {
    if (!live) return state.SkipWithError("no live desktop");
    int trusted = 0;
    measure(state, [&] { trusted += live->trust->isProcessTrusted(); });
    if (trusted != static_cast<int>(state.iterations())) state.SkipWithError("not trusted every time");
}
BENCHMARK(BM_AccessibilityTrustCheckLiveBus)->Iterations(1000)->Unit(benchmark::kMillisecond);

// The lookup's own work, with a tree that answers at once: the whole list of strategies down to the last.
void BM_CaretLookupInMemory(benchmark::State& state) {
    InMemoryAccessibleElementPort port;
    InMemoryFrontmostApplicationProvider frontmost;
    frontmost.setFrontmostBundleIdentifier("org.example.Editor");
    InMemoryScreenProvider screens({0, 0, 1920, 1080});
    InMemoryTextWidthMeasurer measurer;
    const auto field = port.addElement();
    port.setRole(field, "AXTextArea");
    port.setFrame(field, {100, 100, 800, 600});
    port.setValue(field, std::string(2000, 'x') + "\nlast line");
    port.setSelectedTextRange(field, {2005, 0});
    port.setFocusedElement(field);
    TextCaretPositionDetector detector({port, frontmost, screens, measurer});
    measure(state, [&] { benchmark::DoNotOptimize(detector.getCaretPosition()); });
}
BENCHMARK(BM_CaretLookupInMemory)->Iterations(2000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
    using namespace quorvane;
    benchmark::Initialize(&argc, argv);
    // Every lookup writes its result line; thousands of them would bury the figures.
    Logger::setSink([](const std::string&) {});
    testing::XvfbServer server;
    std::unique_ptr<QGuiApplication> application;
    std::unique_ptr<LiveDesktop> desktop;
    if (server.isRunning()) {
        setenv("DISPLAY", server.display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        static int qtArgc = 1;
        static char name[] = "CaretLookupBench";
        static char* qtArgv[] = {name, nullptr};
        application = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
        desktop = std::make_unique<LiveDesktop>();
        desktop->session = std::make_unique<testing::AccessibilityBusSession>(server.display());
        const bool ready = desktop->session->start() && desktop->session->setAccessibilityEnabled(true) &&
                           desktop->session->startTestWindow(QUORVANE_CARET_TEST_WINDOW) &&
                           desktop->session->type("abc").has_value();
        if (ready) {
            setenv("DBUS_SESSION_BUS_ADDRESS", desktop->session->sessionBusAddress().toUtf8().constData(), 1);
            desktop->trust = std::make_unique<X11AccessibilityTrust>();
            desktop->frontmost = std::make_unique<X11FrontmostApplicationProvider>();
            desktop->port = std::make_unique<AtSpiAccessibleElementPort>(
                desktop->frontmost.get(), desktop->session->sessionBusAddress());
            desktop->detector =
                std::make_unique<TextCaretPositionDetector>(TextCaretPositionDetector::Services{
                    *desktop->port, *desktop->frontmost, desktop->screens, desktop->measurer});
            // Wait until the window has registered on the accessibility bus.
            testing::AccessibilityBusSession::processEventsUntil(
                [&] { return desktop->detector->getCaretPosition().has_value(); }, std::chrono::seconds(10));
            live = desktop.get();
        } else {
            std::fprintf(stderr, "No live desktop: %s\n", desktop->session->failure().c_str());
        }
    } else {
        std::fprintf(stderr, "No X server: %s\n", server.failure().c_str());
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    live = nullptr;
    desktop.reset();
    application.reset();
    return 0;
}
