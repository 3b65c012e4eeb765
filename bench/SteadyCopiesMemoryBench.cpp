// Memory under steady copies with searches, in process and without waiting between copies: the history
// repository with the real history and index files, N entries saved one by one (about 500 characters each)
// and a search of the index after every tenth. At each tenth of the run it prints the entries, the process's
// anonymous resident memory, the bytes malloc holds in use and the bytes SQLite holds, so a slope can be
// told apart from caches that fill up to their size. The figure is the growth per entry over the second half.
// N comes from QUORVANE_BENCH_ENTRIES (default 20000).

#include <malloc.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

#include "BenchRepository.h"
#include "ProcessStatus.h"
#include "SearchCorpus.h"

namespace {

using namespace quorvane;

struct Sample {
    int entries;
    double anonKilobytes;
    double mallocKilobytes;
    double sqliteKilobytes;
};

Sample sample(int entries) {
    const auto info = mallinfo2();
    return {entries, bench::statusKilobytes("RssAnon"), static_cast<double>(info.uordblks) / 1024,
            static_cast<double>(sqlite3_memory_used()) / 1024};
}

}  // namespace

int main() {
    const char* text = std::getenv("QUORVANE_BENCH_ENTRIES");
    const int count = text != nullptr ? std::atoi(text) : 20'000;
    bench::ScratchDirectory scratch;
    const auto storage = scratch.path() / "data";
    std::filesystem::create_directories(storage);

    bench::BenchRepository app(storage);
    auto& repository = app.start();
    auto& clock = app.clock;
    auto& index = app.index;
    const std::vector<std::string> queries = {"meeting notes", "deploy", "server timeout", "token", "budget"};
    std::mt19937 random(7);
    std::vector<Sample> samples;
    std::printf("entries anon_kB malloc_in_use_kB sqlite_kB\n");
    for (int i = 0; i < count; ++i) {
        clock.advance(0.2);
        const auto source = bench::sourceDocument(random, i);
        repository.saveTextItem({.id = "copy-" + std::to_string(i),
                                 .preview = source.preview,
                                 .searchText = source.searchableText,
                                 .content = source.searchableText,
                                 .bundleIdentifier = source.bundleIdentifier,
                                 .classification = source.classification});
        if (i % 10 == 9) {
            repository.waitForSearchIndexJobs();
            index->search(ClipboardSearchQueryText(queries[(i / 10) % queries.size()]), {}, 50, 0);
        }
        if ((i + 1) % (count / 10) == 0) {
            repository.waitForSearchIndexJobs();
            app.loop.runUntilIdle();
            samples.push_back(sample(i + 1));
            const auto& s = samples.back();
            std::printf("%d %.0f %.0f %.0f\n", s.entries, s.anonKilobytes, s.mallocKilobytes,
                        s.sqliteKilobytes);
            std::fflush(stdout);
        }
    }
    const auto& middle = samples[samples.size() / 2 - 1];
    const auto& last = samples.back();
    const double entries = last.entries - middle.entries;
    std::printf("second half, per entry: anon %.3f kB, malloc in use %.3f kB, sqlite %.3f kB\n",
                (last.anonKilobytes - middle.anonKilobytes) / entries,
                (last.mallocKilobytes - middle.mallocKilobytes) / entries,
                (last.sqliteKilobytes - middle.sqliteKilobytes) / entries);
    repository.quiesce();
    return 0;
}
