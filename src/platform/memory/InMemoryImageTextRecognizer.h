#pragma once

// A text recogniser whose answers the test gives: requests wait until complete() (or are answered at once
// with a preset outcome), so a test decides when recognition finishes. Safe from any thread; completions run
// on the thread that calls complete() or recognizeText().

#include <deque>
#include <mutex>

#include "platform/ImageTextRecognizer.h"

namespace quorvane {

class InMemoryImageTextRecognizer : public ImageTextRecognizer {
public:
    void recognizeText(TextRecognitionRequest request, Completion completion) override;

    // Every later request is answered at once with `outcome`; nothing makes requests wait again.
    void answerImmediately(std::optional<TextRecognitionOutcome> outcome);
    // Completes the oldest waiting request; false when none waits.
    bool complete(TextRecognitionOutcome outcome);

    std::size_t pendingRequestCount() const;
    // Every request received, answered or not, in order.
    std::vector<TextRecognitionRequest> receivedRequests() const;

private:
    mutable std::mutex mutex_;
    std::optional<TextRecognitionOutcome> immediateOutcome_;
    std::deque<Completion> pending_;
    std::vector<TextRecognitionRequest> received_;
};

}  // namespace quorvane
