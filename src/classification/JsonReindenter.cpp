#include "classification/JsonReindenter.h"

#include <vector>

namespace quorvane {
namespace {

class Layout final : public JsonReader::Handler {
public:
    explicit Layout(std::size_t sizeHint) { out_.reserve(sizeHint + sizeHint / 2); }

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
        out_.append(2 * levels_.size(), ' ');
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

    std::string out_;
    std::vector<Level> levels_;
};

}  // namespace

std::variant<std::string, JsonReader::Error> JsonReindenter::reindent(std::string_view text) {
    Layout layout(text.size());
    if (auto error = JsonReader::read(text, JsonReader::TopLevel::containerOnly, layout)) return *error;
    return layout.take();
}

}  // namespace quorvane
