// What the App Filter page's Add App button costs before its picker shows: every offered application named in
// the interface language and sorted as its readers look names up, for a desktop of a few hundred
// applications, half of them with Chinese names.

#include <benchmark/benchmark.h>

#include <string>

#include "l10n/StandardAppLanguage.h"
#include "platform/linux/DesktopApplicationFileReader.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "settings/model/IgnoredAppsSettingsViewModel.h"

namespace {

void pickerApplications(benchmark::State& state, const char* language) {
    quorvane::InMemoryUserDefaults defaults;
    defaults.set("AppLanguage", std::string(language));
    quorvane::StandardAppLanguage followed(defaults);
    quorvane::InMemoryApplicationCatalog catalog;
    const char* chinese[] = {"火狐", "终端", "文本编辑器", "音乐", "词典", "阿里", "截图", "计算器"};
    for (int i = 0; i < state.range(0); ++i) {
        quorvane::InstalledApplication application;
        application.identifier = "org.example.App" + std::to_string(i);
        application.name = "Application " + std::to_string((i * 7919) % 1000);
        if (i % 2 == 0) application.localizedNames = {{"zh_CN", chinese[i % 8] + std::to_string(i)}};
        application.desktopFilePath = "/usr/share/applications/" + application.identifier + ".desktop";
        catalog.install(application);
    }
    quorvane::ClipboardIgnoredAppsSettings ignoredApps(catalog);
    quorvane::DesktopApplicationFileReader reader;
    quorvane::IgnoredAppsSettingsViewModel model(defaults, ignoredApps, catalog, reader);
    for (auto _ : state) benchmark::DoNotOptimize(model.pickerApplications());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_PickerApplicationsEnglish(benchmark::State& state) {
    pickerApplications(state, "en");
}
BENCHMARK(BM_PickerApplicationsEnglish)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

void BM_PickerApplicationsChinese(benchmark::State& state) {
    pickerApplications(state, "zh-Hans");
}
BENCHMARK(BM_PickerApplicationsChinese)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
