#include "classification/formatting/JsonReindenter.h"

#include <vector>

namespace quorvane {
namespace {

// Enough for any small document at the deepest nesting allowed.
constexpr std::size_t kAllowance = 4 << 20;

class Layout final : public JsonReader::Handler {
public:
    explicit Layout(std::size_t inputSize) : limit_(inputSize * JsonReindenter::kMaxGrowth + kAllowance) {
        out_.reserve(inputSize + inputSize / 2);
    }

    bool exceededLimit() const { return exceeded_; }

    void beginObject() override { open('{'); }
    void beginArray() override { open('['); }
    void endObject() override { close('}'); }
    void endArray() override { close(']'); }

    void key(std::string_view raw) override {
        startMember();
        out_ += raw;
        out_ += " : ";
    }

    void scalar(std::string_view raw) override {
        startElement();
        out_ += raw;
    }

    std::string take() { return std::move(out_); }

private:
    struct Level {
        bool isObject = false;
        std::size_t count = 0;
    };

    // A new line at the current depth, after a comma unless it is the first entry.
    void startMember() {
        Level& level = levels_.back();
        out_ += level.count == 0 ? "\n" : ",\n";
        ++level.count;
        // Past the limit only the reading goes on (to report syntax faults first); nothing more is written.
        if (out_.size() > limit_) {
            exceeded_ = true;
            out_.clear();
        }
        if (!exceeded_) out_.append(2 * levels_.size(), ' ');
    }

    // Object members got their line from key(); array elements need one.
    void startElement() {
        if (!levels_.empty() && !levels_.back().isObject) startMember();
    }

    void open(char bracket) {
        startElement();
        out_ += bracket;
        levels_.push_back({bracket == '{', 0});
    }

    void close(char bracket) {
        const bool empty = levels_.back().count == 0;
        levels_.pop_back();
        if (!empty) {
            out_ += '\n';
            out_.append(2 * levels_.size(), ' ');
        }
        out_ += bracket;
    }

    std::size_t limit_;
    bool exceeded_ = false;
    std::string out_;
    std::vector<Level> levels_;
};

}  // namespace

std::variant<std::string, JsonReader::Error, JsonReindenter::TooLarge> JsonReindenter::reindent(
    std::string_view text) {
    Layout layout(text.size());
    if (auto error = JsonReader::read(text, JsonReader::TopLevel::containerOnly, layout)) return *error;
    if (layout.exceededLimit()) return TooLarge{};
    return layout.take();
}

}  // namespace quorvane
