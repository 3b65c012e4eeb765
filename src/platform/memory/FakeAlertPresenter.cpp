#include "platform/memory/FakeAlertPresenter.h"

#include <algorithm>

namespace quorvane {

void FakeAlertPresenter::present(const Alert& alert, Completion completion) {
    presented.push_back(alert);
    if (script_.empty()) {
        held_.push_back({alert, std::move(completion)});
        return;
    }
    const auto answer = script_.front();
    script_.pop_front();
    reply(alert, completion, answer);
}

void FakeAlertPresenter::script(std::vector<std::optional<std::string>> answers) {
    script_.insert(script_.end(), answers.begin(), answers.end());
}

bool FakeAlertPresenter::answer(const std::optional<std::string>& buttonTitle) {
    if (held_.empty()) return false;
    Held held = std::move(held_.front());
    held_.pop_front();
    reply(held.alert, held.completion, buttonTitle);
    return true;
}

void FakeAlertPresenter::reply(const Alert& alert, const Completion& completion,
                               const std::optional<std::string>& buttonTitle) {
    std::optional<std::size_t> pressed;
    if (buttonTitle) {
        const auto& titles = alert.buttonTitles;
        const auto found = std::find(titles.begin(), titles.end(), *buttonTitle);
        if (found != titles.end()) pressed = static_cast<std::size_t>(found - titles.begin());
    }
    completion(pressed);
}

}  // namespace quorvane
