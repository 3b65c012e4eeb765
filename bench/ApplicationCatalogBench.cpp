// Cost of the application catalog on a desktop with a few hundred installed applications: a full scan of
// the folders, a cached lookup of a window class (capture does one per copied item), and the name lookups of
// the ignored-applications defaults.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/linux/XdgApplicationCatalog.h"
#include "preferences/ClipboardIgnoredAppsSettings.h"

namespace {

namespace fs = std::filesystem;

class ApplicationFolders {
public:
    explicit ApplicationFolders(int count) {
        std::string pattern = (fs::temp_directory_path() / "quorvane-bench-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
        const auto folder = root_ / "applications";
        fs::create_directories(folder / "kde");
        for (int i = 0; i < count; ++i) {
            const auto id = "org.example.App" + std::to_string(i);
            std::ofstream file(folder / (i % 10 == 0 ? "kde/" + id + ".desktop" : id + ".desktop"));
            file << "[Desktop Entry]\nType=Application\nName=Application " << i << "\n";
            for (const char* locale : {"de", "fr", "zh_CN", "ja", "es", "it", "pt_BR", "ru"}) {
                file << "Name[" << locale << "]=Application " << i << " " << locale << "\n";
                file << "Comment[" << locale << "]=Does things number " << i << "\n";
            }
            file << "Icon=app" << i << "\nExec=/usr/bin/app" << i << " %U\nStartupWMClass=App" << i << "\n";
            file << "[Desktop Action new]\nName=New Window\nExec=/usr/bin/app" << i << " --new\n";
        }
    }
    ~ApplicationFolders() { fs::remove_all(root_); }
    const fs::path& root() const { return root_; }

private:
    fs::path root_;
};

void BM_FullScan(benchmark::State& state) {
    ApplicationFolders folders(static_cast<int>(state.range(0)));
    quorvane::XdgApplicationCatalog catalog({folders.root()});
    for (auto _ : state) {
        catalog.reload();
        benchmark::DoNotOptimize(catalog.applicationEntries());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FullScan)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

void BM_CachedWindowClassLookup(benchmark::State& state) {
    ApplicationFolders folders(400);
    quorvane::XdgApplicationCatalog catalog({folders.root()});
    catalog.applicationEntries();
    for (auto _ : state) {
        // An unknown class walks every step over every entry: the worst case.
        benchmark::DoNotOptimize(catalog.applicationForWindowClass("unknown", "Unknown"));
        benchmark::DoNotOptimize(catalog.applicationForWindowClass("app399", "App399"));
    }
}
BENCHMARK(BM_CachedWindowClassLookup)->Unit(benchmark::kMicrosecond);

void BM_DefaultIgnoredApplications(benchmark::State& state) {
    ApplicationFolders folders(400);
    quorvane::XdgApplicationCatalog catalog({folders.root()});
    catalog.applicationEntries();
    for (auto _ : state) {
        quorvane::ClipboardIgnoredAppsSettings settings(catalog);
        benchmark::DoNotOptimize(settings.defaultIgnoredAppBundleIdentifiers());
    }
}
BENCHMARK(BM_DefaultIgnoredApplications)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
