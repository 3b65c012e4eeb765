#include "l10n/StandardAppLanguage.h"

#include <atomic>
#include <mutex>
#include <string>

#include "platform/UserDefaults.h"

namespace quorvane {

namespace {

// The cached language and which follower may write it. A change callback re-reads the settings under the
// mutex, so the last callback to run stores a value read after every change that preceded it.
struct Shared {
    std::mutex mutex;
    std::uint64_t activeToken = 0;
    std::uint64_t nextToken = 1;
    std::atomic<AppLanguage::Value> language{AppLanguage::english};
};

Shared& shared() {
    static Shared state;
    return state;
}

void refresh(std::uint64_t token, const UserDefaults& defaults) {
    auto& state = shared();
    std::lock_guard lock(state.mutex);
    if (state.activeToken != token) return;
    state.language.store(AppLanguage::stored(defaults));
}

}  // namespace

StandardAppLanguage::StandardAppLanguage(UserDefaults& standardDefaults) {
    auto& state = shared();
    {
        std::lock_guard lock(state.mutex);
        token_ = state.nextToken++;
        state.activeToken = token_;
    }
    const std::uint64_t token = token_;
    UserDefaults* defaults = &standardDefaults;
    changes_ = standardDefaults.observeChanges([token, defaults](const std::string& key) {
        if (key == AppLanguage::defaultsKey) refresh(token, *defaults);
    });
    refresh(token_, standardDefaults);
}

StandardAppLanguage::~StandardAppLanguage() {
    changes_.reset();
    auto& state = shared();
    std::lock_guard lock(state.mutex);
    if (state.activeToken != token_) return;
    state.activeToken = 0;
    state.language.store(AppLanguage::english);
}

AppLanguage StandardAppLanguage::current() {
    return shared().language.load();
}

}  // namespace quorvane
