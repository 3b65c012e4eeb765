#include "platform/memory/InMemoryImageTextRecognizer.h"

namespace quorvane {

void InMemoryImageTextRecognizer::recognizeText(TextRecognitionRequest request, Completion completion) {
    std::optional<TextRecognitionOutcome> outcome;
    {
        std::lock_guard lock(mutex_);
        received_.push_back(std::move(request));
        if (!immediateOutcome_) {
            pending_.push_back(std::move(completion));
            return;
        }
        outcome = immediateOutcome_;
    }
    completion(std::move(*outcome));
}

void InMemoryImageTextRecognizer::answerImmediately(std::optional<TextRecognitionOutcome> outcome) {
    std::lock_guard lock(mutex_);
    immediateOutcome_ = std::move(outcome);
}

bool InMemoryImageTextRecognizer::complete(TextRecognitionOutcome outcome) {
    Completion completion;
    {
        std::lock_guard lock(mutex_);
        if (pending_.empty()) return false;
        completion = std::move(pending_.front());
        pending_.pop_front();
    }
    completion(std::move(outcome));
    return true;
}

std::size_t InMemoryImageTextRecognizer::pendingRequestCount() const {
    std::lock_guard lock(mutex_);
    return pending_.size();
}

std::vector<TextRecognitionRequest> InMemoryImageTextRecognizer::receivedRequests() const {
    std::lock_guard lock(mutex_);
    return received_;
}

}  // namespace quorvane
