#include "classification/LocalClipboardClassificationService.h"

#include <fmt/format.h>

#include "base/Logger.h"
#include "classification/ClassificationText.h"
#include "classification/ClipboardContentDetectors.h"
#include "classification/JsonReader.h"

namespace quorvane {
namespace {

constexpr std::string_view kLogCategory = "LocalClipboardClassificationService";

using Detectors = ClipboardContentDetectors;
using Kind = ClipboardUserClassificationConditionKind;

double confidence(ClipboardSystemClassification classification) {
    switch (classification) {
        case ClipboardSystemClassification::email:
        case ClipboardSystemClassification::ipAddress:
        case ClipboardSystemClassification::sql:
        case ClipboardSystemClassification::html:
        case ClipboardSystemClassification::filePath:
            return 0.8;
        case ClipboardSystemClassification::markdown:
            return 0.6;
        default:
            return 1.0;
    }
}

bool detects(ClipboardSystemClassification classification, std::string_view text) {
    using C = ClipboardSystemClassification;
    switch (classification) {
        case C::url:
            return Detectors::detectHTTPURL(text).has_value();
        case C::githubPullRequest:
            return Detectors::detectGitHubReference(text) == Detectors::GitHubReference::pullRequest;
        case C::githubIssue:
            return Detectors::detectGitHubReference(text) == Detectors::GitHubReference::issue;
        case C::email:
            return Detectors::isEmailAddress(text);
        case C::ipAddress:
            return Detectors::isIPv4Address(text);
        case C::uuid:
            return Detectors::isUUID(text);
        case C::json:
            return Detectors::isJSON(text);
        case C::jsonLines:
            return Detectors::isJSONLines(text);
        case C::sql:
            return Detectors::isSQLStatement(text);
        case C::markdown:
            return Detectors::isMarkdown(text);
        case C::html:
            return Detectors::isHTML(text);
        case C::jwt:
            return Detectors::detectJWT(text);
        case C::filePath:
            return Detectors::isFilePath(text);
        case C::base64:
            return Detectors::isBase64(text);
        case C::curlCommand:
            return Detectors::isCurlCommand(text);
    }
    return false;
}

bool isGitHub(ClipboardSystemClassification classification) {
    return classification == ClipboardSystemClassification::githubPullRequest ||
           classification == ClipboardSystemClassification::githubIssue;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// Looks for a key among the members of objects nested less than 64 levels deep.
class KeySearch final : public JsonReader::Handler {
public:
    explicit KeySearch(std::string_view key) : key_(lowercased(key)) {}

    void beginObject() override { ++depth_; }
    void beginArray() override { ++depth_; }
    void endObject() override { --depth_; }
    void endArray() override { --depth_; }
    void key(std::string_view raw) override {
        // The top-level container is at level 0, so the object reporting this key is at depth_ - 1.
        if (found_ || depth_ > kSearchDepthLimit) return;
        found_ = lowercased(JsonReader::decodedString(raw)) == key_;
    }

    bool found() const { return found_; }

private:
    static constexpr std::size_t kSearchDepthLimit = 64;
    std::string key_;
    std::size_t depth_ = 0;
    bool found_ = false;
};

}  // namespace

// What the rules ask of the text, worked out at most once per classification.
struct LocalClipboardClassificationService::TextFacts {
    std::string_view text;
    std::set<ClipboardSystemClassification> matched;
    std::optional<std::string> folded;
    std::optional<std::string> composedForm;
    std::optional<std::string> loweredComposed;
    std::optional<std::optional<HttpUrl>> url;
    // Started by the first regular expression, so the detectors' time is not counted against it.
    std::optional<UserRegularExpression::Budget> ruleWork;
    std::vector<std::string_view> rulesOutOfWork;

    const std::string& composedText() {
        if (!composedForm) composedForm = composed(text);
        return *composedForm;
    }
    const std::string& lowercasedComposedText() {
        if (!loweredComposed) loweredComposed = lowercased(composedText());
        return *loweredComposed;
    }
    const std::string& foldedText() {
        if (!folded) folded = foldedForComparison(text);
        return *folded;
    }
    const std::optional<HttpUrl>& link() {
        if (!url) url = Detectors::detectHTTPURL(text);
        return *url;
    }
};

ClipboardClassificationResult LocalClipboardClassificationService::classify(
    std::string_view text, const std::set<ClipboardSystemClassification>& enabled,
    const std::vector<ClipboardUserClassificationRule>& rules) {
    ClipboardClassificationResult result;
    TextFacts facts;
    facts.text = trimmedWhitespaceAndNewlines(text);
    result.systemMatches = systemMatches(facts.text, enabled);
    for (const auto& match : result.systemMatches) facts.matched.insert(match.classification);
    result.matchedRules = evaluateUserRules(facts, rules);
    if (!facts.rulesOutOfWork.empty()) {
        std::string names;
        for (const auto name : facts.rulesOutOfWork)
            names += fmt::format("{}\"{}\"", names.empty() ? "" : ", ", name);
        Logger::warning(fmt::format("Regular expressions of classification rules {} ran out of the work "
                                    "limit for this text; skipped for it",
                                    names),
                        kLogCategory);
    }
    result.userClassifications = uniqueUserClassifications(result.matchedRules);
    if (!result.userClassifications.empty()) {
        result.primaryClassification = result.userClassifications.front();
    } else if (const auto best = bestSystemMatch(result.systemMatches)) {
        result.primaryClassification = std::string(displayName(*best));
    } else {
        result.primaryClassification = "Text";
    }
    return result;
}

std::vector<ClipboardClassificationMatch> LocalClipboardClassificationService::systemMatches(
    std::string_view text, const std::set<ClipboardSystemClassification>& enabled) {
    std::vector<ClipboardClassificationMatch> matches;
    if (text.empty()) return matches;
    for (const auto& definition : ClipboardSystemClassificationDefinition::all()) {
        if (enabled.count(definition.id) == 0) continue;
        if (auto match = detect(definition.id, text)) matches.push_back(*match);
    }
    return matches;
}

std::optional<ClipboardClassificationMatch> LocalClipboardClassificationService::detect(
    ClipboardSystemClassification classification, std::string_view text) {
    if (!detects(classification, text)) return std::nullopt;
    return ClipboardClassificationMatch{classification, confidence(classification)};
}

std::vector<ClipboardMatchedUserClassificationRule> LocalClipboardClassificationService::evaluateUserRules(
    TextFacts& facts, const std::vector<ClipboardUserClassificationRule>& rules) {
    std::vector<ClipboardMatchedUserClassificationRule> matched;
    for (const auto& rule : rules) {
        if (!rule.isEnabled || !ruleMatches(rule, facts)) continue;
        matched.push_back({rule.id, std::string(trimmedWhitespaceAndNewlines(rule.name)),
                           std::string(trimmedWhitespaceAndNewlines(rule.resultClassification)),
                           rule.conditionSummary()});
    }
    return matched;
}

bool LocalClipboardClassificationService::ruleMatches(const ClipboardUserClassificationRule& rule,
                                                      TextFacts& facts) {
    const std::string_view value = trimmedWhitespaceAndNewlines(rule.conditionValue);
    if (value.empty()) return false;
    const std::string_view text = facts.text;
    switch (rule.conditionKind) {
        case Kind::containsText:
            return containsSubstring(facts.foldedText(), foldedForComparison(value));
        // Composed forms: a precomposed and a decomposed accent are the same text to the user.
        case Kind::prefix: {
            const std::string wanted = composed(value);
            return hasCharacterPrefix(facts.composedText(), wanted) ||
                   hasCharacterPrefix(facts.lowercasedComposedText(), lowercased(wanted));
        }
        case Kind::suffix: {
            const std::string wanted = composed(value);
            return hasCharacterSuffix(facts.composedText(), wanted) ||
                   hasCharacterSuffix(facts.lowercasedComposedText(), lowercased(wanted));
        }
        case Kind::regularExpression:
            return regularExpressionMatches(rule, value, facts);
        case Kind::domain: {
            const auto& url = facts.link();
            if (!url || url->host.empty()) return false;
            const std::string host = lowercased(url->host);
            const std::string wanted = lowercased(value);
            return host == wanted || endsWith(host, "." + wanted);
        }
        case Kind::pathContains: {
            const auto& url = facts.link();
            return url && containsIgnoringCaseAndDiacritics(url->decodedPath(), value);
        }
        case Kind::jsonKeyExists:
            return jsonContainsKey(text, value);
        case Kind::matchedSystemClassification: {
            const auto classification = systemClassificationFromRawValue(value);
            return classification && facts.matched.count(*classification) > 0;
        }
    }
    return false;
}

UserRegularExpression::Budget LocalClipboardClassificationService::ruleWorkBudget(std::string_view text) {
    const auto extra = static_cast<int32_t>(text.size() / kTextBytesPerExtraStep);
    const auto timePerStep = std::chrono::microseconds(kRuleWorkTime) / kRuleWorkSteps;
    return UserRegularExpression::Budget(kRuleWorkSteps + extra, kRuleWorkTime + extra * timePerStep);
}

bool LocalClipboardClassificationService::regularExpressionMatches(
    const ClipboardUserClassificationRule& rule, std::string_view pattern, TextFacts& facts) {
    std::shared_ptr<const UserRegularExpression> expression;
    {
        std::lock_guard lock(cacheMutex_);
        if (const auto found = regexCache_.find(pattern); found != regexCache_.end())
            expression = found->second;
    }
    if (!expression) {
        // A pattern that does not compile is not cached: the rule may be fixed before the next text.
        expression = UserRegularExpression::compile(pattern);
        if (!expression) return false;
        std::lock_guard lock(cacheMutex_);
        if (regexCache_.size() >= kPatternCacheLimit) regexCache_.clear();
        regexCache_.emplace(std::string(pattern), expression);
    }
    if (!facts.ruleWork) facts.ruleWork = ruleWorkBudget(facts.text);
    const auto outcome = expression->find(facts.text, *facts.ruleWork);
    if (outcome == UserRegularExpression::Outcome::limitExceeded)
        facts.rulesOutOfWork.push_back(trimmedWhitespaceAndNewlines(rule.name));
    return outcome == UserRegularExpression::Outcome::match;
}

bool LocalClipboardClassificationService::jsonContainsKey(std::string_view json, std::string_view key) {
    KeySearch search(key);
    return !JsonReader::read(json, JsonReader::TopLevel::containerOnly, search) && search.found();
}

std::vector<std::string> LocalClipboardClassificationService::uniqueUserClassifications(
    const std::vector<ClipboardMatchedUserClassificationRule>& matchedRules) {
    std::vector<std::string> unique;
    for (const auto& rule : matchedRules) {
        const std::string_view result = trimmedWhitespaceAndNewlines(rule.resultClassification);
        if (result.empty()) continue;
        if (std::find(unique.begin(), unique.end(), result) == unique.end()) unique.emplace_back(result);
    }
    return unique;
}

std::optional<ClipboardSystemClassification> LocalClipboardClassificationService::bestSystemMatch(
    const std::vector<ClipboardClassificationMatch>& matches) {
    if (matches.empty()) return std::nullopt;
    const ClipboardClassificationMatch* best = &matches.front();
    for (std::size_t i = 1; i < matches.size(); ++i) {
        const auto& match = matches[i];
        if (match.confidence > best->confidence ||
            (match.confidence == best->confidence && !isGitHub(best->classification) &&
             isGitHub(match.classification))) {
            best = &match;
        }
    }
    return best->classification;
}

std::size_t LocalClipboardClassificationService::cachedPatternCount() const {
    std::lock_guard lock(cacheMutex_);
    return regexCache_.size();
}

}  // namespace quorvane
