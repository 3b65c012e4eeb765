#include "preferences/AppEnvironment.h"

#include "ApplicationInformation.h"

namespace quorvane {

const AppEnvironment& AppEnvironment::main() {
    static const AppEnvironment environment = [] {
        AppEnvironment made;
        for (const auto& row : generated::applicationInformationTable) {
            made.infoDictionary.emplace(row.key, std::string(row.value));
        }
        return made;
    }();
    return environment;
}

}  // namespace quorvane
