#include "platform/linux/AtSpiAccessibleElementPort.h"

#include <atspi/atspi-constants.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QThread>
#include <QTimer>
#include <QVariantMap>
#include <algorithm>
#include <atomic>
#include <chrono>

#include "base/Logger.h"
#include "platform/DevicePixels.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "AtSpiAccessibleElementPort";
constexpr const char* kAccessible = "org.a11y.atspi.Accessible";
constexpr const char* kComponent = "org.a11y.atspi.Component";
constexpr const char* kText = "org.a11y.atspi.Text";
const AccessibleElement kRegistryRoot{"org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"};

std::int64_t nowMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool hasState(std::uint64_t states, AtspiStateType state) {
    return (states >> static_cast<unsigned>(state)) & 1u;
}

AccessibilityError errorFor(const QDBusMessage& reply) {
    const QString name = reply.errorName();
    if (name.endsWith(".NoReply") || name.endsWith(".Timeout") || name.endsWith(".TimedOut")) {
        return AccessibilityError::timedOut;
    }
    if (name.endsWith(".UnknownMethod") || name.endsWith(".UnknownInterface") ||
        name.endsWith(".UnknownObject") || name.endsWith(".UnknownProperty")) {
        return AccessibilityError::unsupported;
    }
    return AccessibilityError::failure;
}

std::optional<AccessibleElement> objectReference(const QVariant& value) {
    if (!value.canConvert<QDBusArgument>()) return std::nullopt;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != "(so)") return std::nullopt;
    QString owner;
    QDBusObjectPath path;
    argument.beginStructure();
    argument >> owner >> path;
    argument.endStructure();
    return AccessibleElement{owner.toStdString(), path.path().toStdString()};
}

std::optional<std::vector<AccessibleElement>> objectReferences(const QVariant& value) {
    if (!value.canConvert<QDBusArgument>()) return std::nullopt;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != "a(so)") return std::nullopt;
    std::vector<AccessibleElement> elements;
    argument.beginArray();
    while (!argument.atEnd()) {
        QString owner;
        QDBusObjectPath path;
        argument.beginStructure();
        argument >> owner >> path;
        argument.endStructure();
        elements.push_back({owner.toStdString(), path.path().toStdString()});
    }
    argument.endArray();
    return elements;
}

// The role names the port speaks, for the AT-SPI roles of text; every other role keeps AT-SPI's name.
std::optional<std::string> portRole(std::uint32_t role, std::uint64_t states) {
    switch (role) {
        case ATSPI_ROLE_PASSWORD_TEXT:
        case ATSPI_ROLE_EDITBAR:
        case ATSPI_ROLE_SPIN_BUTTON:
            return AccessibleRole::textField;
        case ATSPI_ROLE_ENTRY:
        case ATSPI_ROLE_TEXT:
            // Toolkits that mark neither state mean a single line far more often.
            return hasState(states, ATSPI_STATE_MULTI_LINE) ? AccessibleRole::textArea
                                                            : AccessibleRole::textField;
        case ATSPI_ROLE_DOCUMENT_TEXT:
        case ATSPI_ROLE_PARAGRAPH:
        case ATSPI_ROLE_TERMINAL:
            return AccessibleRole::textArea;
        case ATSPI_ROLE_COMBO_BOX:
            return AccessibleRole::comboBox;
        case ATSPI_ROLE_DOCUMENT_WEB:
        case ATSPI_ROLE_DOCUMENT_FRAME:
            return AccessibleRole::webArea;
        default:
            return std::nullopt;
    }
}

QString connectionName(const char* kind) {
    static std::atomic<int> counter{0};
    return QStringLiteral("quorvane-%1-%2").arg(QString::fromLatin1(kind)).arg(++counter);
}

}  // namespace

// Receives the programs' focus events on the main thread and hands them to the port.
class AtSpiAccessibleElementPort::FocusFollower final : public QObject {
    Q_OBJECT

public:
    explicit FocusFollower(AtSpiAccessibleElementPort& port) : port_(port) {}

public slots:
    void stateChanged(const QDBusMessage& message) {
        const QVariantList arguments = message.arguments();
        if (arguments.size() < 2 || arguments[0].toString() != QLatin1String("focused")) return;
        port_.focusReported({message.service().toStdString(), message.path().toStdString()},
                            arguments[1].toInt() != 0);
    }

private:
    AtSpiAccessibleElementPort& port_;
};

struct AtSpiAccessibleElementPort::Reply {
    QDBusMessage message;
    AccessibilityError error = AccessibilityError::success;

    bool ok() const { return error == AccessibilityError::success; }
    QVariant argument(int index) const {
        const QVariantList arguments = message.arguments();
        return index < arguments.size() ? arguments[index] : QVariant();
    }
    // A property's value, out of the variant Properties.Get wraps it in.
    QVariant propertyValue() const { return argument(0).value<QDBusVariant>().variant(); }
};

AtSpiAccessibleElementPort::AtSpiAccessibleElementPort(const FrontmostApplicationProvider* frontmost,
                                                       const QString& sessionBusAddress,
                                                       const ScreenProvider* screens)
    : frontmost_(frontmost), screens_(screens) {
    if (sessionBusAddress.isEmpty()) {
        session_ = std::make_unique<QDBusConnection>(QDBusConnection::sessionBus());
    } else {
        sessionConnectionName_ = connectionName("session");
        session_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(sessionBusAddress, sessionConnectionName_));
    }
    // Focus moves before any lookup asks for it: connect once the program is up, without holding up its
    // start, and quietly, since a desktop without the bus is no fault until a caret is asked for.
    focusFollower_ = std::make_unique<FocusFollower>(*this);
    QTimer::singleShot(0, focusFollower_.get(), [this] { ensureAccessibilityBus(true); });
}

AtSpiAccessibleElementPort::~AtSpiAccessibleElementPort() {
    focusFollower_.reset();
    accessibility_.reset();
    if (!accessibilityConnectionName_.isEmpty())
        QDBusConnection::disconnectFromBus(accessibilityConnectionName_);
    session_.reset();
    if (!sessionConnectionName_.isEmpty()) QDBusConnection::disconnectFromBus(sessionConnectionName_);
}

AccessibilityError AtSpiAccessibleElementPort::ensureAccessibilityBus(bool quiet) {
    auto unavailable = [&](const QString& reason, AccessibilityError error) {
        if (quiet) return error;
        if (busWasAvailable_) {
            Logger::warning("Failed to reach the accessibility bus: " + reason.toStdString() +
                                "; carets are not read until it is back",
                            kLogCategory);
        }
        busWasAvailable_ = false;
        return error;
    };
    if (!session_ || !session_->isConnected()) {
        return unavailable("no session bus", AccessibilityError::unavailable);
    }

    QDBusMessage status = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                         "org.freedesktop.DBus.Properties", "GetAll");
    status << QStringLiteral("org.a11y.Status");
    const QDBusMessage statusReply = session_->call(status, QDBus::Block, callTimeoutMilliseconds);
    if (statusReply.type() != QDBusMessage::ReplyMessage) {
        const AccessibilityError error = errorFor(statusReply) == AccessibilityError::timedOut
                                             ? AccessibilityError::timedOut
                                             : AccessibilityError::unavailable;
        return unavailable(statusReply.errorMessage(), error);
    }
    const QVariantMap properties =
        qdbus_cast<QVariantMap>(statusReply.arguments().value(0).value<QDBusArgument>());
    if (!properties.value("IsEnabled").toBool() && !properties.value("ScreenReaderEnabled").toBool()) {
        return unavailable("it is switched off", AccessibilityError::unavailable);
    }

    if (!accessibility_ || !accessibility_->isConnected()) {
        QDBusMessage addressCall =
            QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress");
        const QDBusMessage addressReply = session_->call(addressCall, QDBus::Block, callTimeoutMilliseconds);
        const QString address = addressReply.arguments().value(0).toString();
        if (addressReply.type() != QDBusMessage::ReplyMessage || address.isEmpty()) {
            return unavailable("no address: " + addressReply.errorMessage(), AccessibilityError::unavailable);
        }
        accessibility_.reset();
        if (!accessibilityConnectionName_.isEmpty()) {
            QDBusConnection::disconnectFromBus(accessibilityConnectionName_);
        }
        processIds_.clear();
        lastFocus_.reset();
        reportedFocus_.clear();
        accessibilityConnectionName_ = connectionName("a11y");
        accessibilityAddress_ = address;
        accessibility_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, accessibilityConnectionName_));
        if (!accessibility_->isConnected()) {
            return unavailable("cannot connect to " + address + ": " + accessibility_->lastError().message(),
                               AccessibilityError::unavailable);
        }
        followFocus();
    }
    if (!busWasAvailable_) Logger::info("The accessibility bus is back", kLogCategory);
    busWasAvailable_ = true;
    return AccessibilityError::success;
}

void AtSpiAccessibleElementPort::followFocus() {
    accessibility_->connect(QString(), QString(), "org.a11y.atspi.Event.Object", "StateChanged",
                            focusFollower_.get(), SLOT(stateChanged(QDBusMessage)));
    // Programs send only the events someone registered for. Not waited for: the answer changes nothing here.
    QDBusMessage registration = QDBusMessage::createMethodCall(
        "org.a11y.atspi.Registry", "/org/a11y/atspi/registry", "org.a11y.atspi.Registry", "RegisterEvent");
    registration << QStringLiteral("object:state-changed:focused") << QStringList() << QString();
    accessibility_->asyncCall(registration, callTimeoutMilliseconds);
}

void AtSpiAccessibleElementPort::focusReported(const AccessibleElement& element, bool focused) {
    auto known = std::find_if(reportedFocus_.begin(), reportedFocus_.end(),
                              [&](const ReportedFocus& reported) { return reported.element == element; });
    if (focused) {
        if (known != reportedFocus_.end()) reportedFocus_.erase(known);
        reportedFocus_.insert(reportedFocus_.begin(), ReportedFocus{element, std::nullopt});
    } else if (known != reportedFocus_.end()) {
        if (!known->lostAtMilliseconds) known->lostAtMilliseconds = nowMilliseconds();
    } else {
        // An element losing the focus had it until now, even when its gain came before the port listened (a
        // program focused before ours started): when a grab takes it just then, it is the best guess.
        reportedFocus_.push_back(ReportedFocus{element, nowMilliseconds()});
    }
    if (reportedFocus_.size() > reportedFocusLimit) reportedFocus_.resize(reportedFocusLimit);
}

void AtSpiAccessibleElementPort::takeArrivedFocusEvents() {
    // Blocking calls leave the events that came meanwhile queued; only the follower's are delivered here.
    if (focusFollower_) QCoreApplication::sendPostedEvents(focusFollower_.get(), QEvent::MetaCall);
}

std::optional<AccessibleElement> AtSpiAccessibleElementPort::reportedFocus(
    const std::optional<std::int64_t>& frontProcess) {
    for (ReportedFocus& reported : reportedFocus_) {
        if (reported.lostAtMilliseconds &&
            nowMilliseconds() - *reported.lostAtMilliseconds > recentFocusMilliseconds) {
            continue;
        }
        // Only the front program's: the focus of a window left behind is no caret to paste at.
        const auto owner = processId(reported.element.owner);
        if (!owner) continue;
        if (frontProcess ? *owner != *frontProcess : *owner == QCoreApplication::applicationPid()) continue;
        // Only text: Writer names its window's root pane focused right after the paragraph with the caret.
        const auto state = states(reported.element);
        if (!state || !hasState(*state.value, ATSPI_STATE_EDITABLE)) continue;
        if (hasState(*state.value, ATSPI_STATE_FOCUSED)) {
            reported.lostAtMilliseconds.reset();
        } else if (!reported.lostAtMilliseconds) {
            // Its loss not reported yet: lost now, as far as the port can tell.
            reported.lostAtMilliseconds = nowMilliseconds();
        }
        return reported.element;
    }
    return std::nullopt;
}

bool AtSpiAccessibleElementPort::isAccessibilityBusAvailable() {
    return ensureAccessibilityBus() == AccessibilityError::success;
}

AtSpiAccessibleElementPort::Reply AtSpiAccessibleElementPort::call(const AccessibleElement& element,
                                                                   const char* interface, const char* method,
                                                                   const QVariantList& arguments) {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    if (!accessibility_ || !accessibility_->isConnected()) return {{}, AccessibilityError::unavailable};
    QDBusMessage message = QDBusMessage::createMethodCall(
        QString::fromStdString(element.owner), QString::fromStdString(element.path),
        QString::fromLatin1(interface), QString::fromLatin1(method));
    message.setArguments(arguments);
    QDBusMessage reply = accessibility_->call(message, QDBus::Block, callTimeoutMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage) return {reply, errorFor(reply)};
    return {reply, AccessibilityError::success};
}

AtSpiAccessibleElementPort::Reply AtSpiAccessibleElementPort::property(const AccessibleElement& element,
                                                                       const char* interface,
                                                                       const char* name) {
    return call(element, "org.freedesktop.DBus.Properties", "Get",
                {QString::fromLatin1(interface), QString::fromLatin1(name)});
}

AccessibilityResult<std::uint64_t> AtSpiAccessibleElementPort::states(const AccessibleElement& element) {
    const Reply reply = call(element, kAccessible, "GetState");
    if (!reply.ok()) return AccessibilityResult<std::uint64_t>::failed(reply.error);
    const QVariant value = reply.argument(0);
    if (!value.canConvert<QDBusArgument>()) {
        return AccessibilityResult<std::uint64_t>::failed(AccessibilityError::wrongType);
    }
    const auto words = qdbus_cast<QList<uint>>(value.value<QDBusArgument>());
    std::uint64_t states = 0;
    if (!words.isEmpty()) states |= words[0];
    if (words.size() > 1) states |= static_cast<std::uint64_t>(words[1]) << 32;
    return {states, AccessibilityError::success};
}

std::optional<AccessibleElement> AtSpiAccessibleElementPort::searchFocus(const AccessibleElement& root,
                                                                         int& budget, std::int64_t deadline) {
    // Depth first through the elements on screen; lists that manage their own items are skipped, since a
    // focused text field is never one of thousands of rows.
    std::vector<AccessibleElement> pending{root};
    while (!pending.empty()) {
        if (--budget < 0 || nowMilliseconds() > deadline) return std::nullopt;
        const AccessibleElement element = pending.back();
        pending.pop_back();
        const auto state = states(element);
        if (!state) continue;
        if (hasState(*state.value, ATSPI_STATE_FOCUSED)) return element;
        if (!(element == root) && !hasState(*state.value, ATSPI_STATE_SHOWING)) continue;
        if (hasState(*state.value, ATSPI_STATE_MANAGES_DESCENDANTS)) continue;
        const auto below = children(element);
        if (!below) continue;
        for (auto child = below.value->rbegin(); child != below.value->rend(); ++child)
            pending.push_back(*child);
    }
    return std::nullopt;
}

std::optional<std::int64_t> AtSpiAccessibleElementPort::processId(const std::string& busName) {
    if (auto known = processIds_.find(busName); known != processIds_.end()) return known->second;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                       "org.freedesktop.DBus", "GetConnectionUnixProcessID");
    call << QString::fromStdString(busName);
    const QDBusMessage reply = accessibility_->call(call, QDBus::Block, callTimeoutMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage) return std::nullopt;
    const auto pid = static_cast<std::int64_t>(reply.arguments().value(0).toUInt());
    processIds_[busName] = pid;
    return pid;
}

AccessibilityResult<AccessibleElement> AtSpiAccessibleElementPort::focusedElement() {
    using Result = AccessibilityResult<AccessibleElement>;
    if (const AccessibilityError error = ensureAccessibilityBus(); error != AccessibilityError::success) {
        return Result::failed(error);
    }
    const auto programs = children(kRegistryRoot);
    if (!programs) return Result::failed(programs.error);

    std::optional<std::int64_t> processId;
    if (frontmost_) {
        if (auto application = frontmost_->frontmostApplication()) processId = application->processIdentifier;
    }
    takeArrivedFocusEvents();
    if (auto reported = reportedFocus(processId)) return {reported, AccessibilityError::success};

    const std::int64_t ownProcess = QCoreApplication::applicationPid();
    std::vector<AccessibleElement> candidates;
    for (const auto& program : *programs.value) {
        const auto pid = this->processId(program.owner);
        if (!pid) continue;
        if (processId ? *pid == *processId : *pid != ownProcess) candidates.push_back(program);
    }

    const std::int64_t deadline = nowMilliseconds() + focusSearchTimeoutMilliseconds;
    int budget = focusSearchNodeLimit;
    bool frontProgramInactive = false;
    for (const auto& program : candidates) {
        const auto windows = children(program);
        if (!windows) continue;
        // The active window first; the others only when the program marks none active.
        const std::vector<AccessibleElement> active = activeWindows(*windows.value);
        if (active.empty() && processId && !windows.value->empty()) frontProgramInactive = true;
        for (const auto& window : active.empty() ? *windows.value : active) {
            if (auto focused = searchFocus(window, budget, deadline)) {
                lastFocus_ = std::make_pair(*focused, window);
                return {focused, AccessibilityError::success};
            }
            if (budget < 0 || nowMilliseconds() > deadline) {
                takeArrivedFocusEvents();
                if (auto reported = reportedFocus(processId)) return {reported, AccessibilityError::success};
                return Result::failed(AccessibilityError::timedOut);
            }
        }
    }
    // Nothing has the focus: a held hot key's grab may have taken it just now, and its program told us so
    // while we searched.
    takeArrivedFocusEvents();
    if (auto reported = reportedFocus(processId)) return {reported, AccessibilityError::success};
    // Or it did not tell (Qt's bridge reports no loss to a listener that came after it): the front program
    // then marks no window active until the grab ends as the key comes up, and its field has the focus back.
    if (frontProgramInactive) {
        if (auto focused = focusAfterGrab(candidates, budget, deadline))
            return {focused, AccessibilityError::success};
    }
    return Result::failed(AccessibilityError::noValue);
}

std::vector<AccessibleElement> AtSpiAccessibleElementPort::activeWindows(
    const std::vector<AccessibleElement>& windows) {
    std::vector<AccessibleElement> active;
    for (const auto& window : windows) {
        const auto state = states(window);
        if (state && hasState(*state.value, ATSPI_STATE_ACTIVE)) active.push_back(window);
    }
    return active;
}

std::optional<AccessibleElement> AtSpiAccessibleElementPort::focusAfterGrab(
    const std::vector<AccessibleElement>& programs, int& budget, std::int64_t deadline) {
    const std::int64_t settled = std::min(deadline, nowMilliseconds() + grabSettleMilliseconds);
    while (nowMilliseconds() < settled) {
        QThread::msleep(grabPollMilliseconds);
        for (const auto& program : programs) {
            const auto windows = children(program);
            if (!windows) continue;
            for (const auto& window : activeWindows(*windows.value)) {
                if (auto focused = searchFocus(window, budget, deadline)) {
                    lastFocus_ = std::make_pair(*focused, window);
                    return focused;
                }
                if (budget < 0) return std::nullopt;
            }
        }
        takeArrivedFocusEvents();
    }
    return std::nullopt;
}

AccessibilityResult<std::string> AtSpiAccessibleElementPort::role(const AccessibleElement& element) {
    using Result = AccessibilityResult<std::string>;
    const Reply reply = call(element, kAccessible, "GetRole");
    if (!reply.ok()) return Result::failed(reply.error);
    bool isNumber = false;
    const uint atspiRole = reply.argument(0).toUInt(&isNumber);
    if (!isNumber) return Result::failed(AccessibilityError::wrongType);
    const auto state = states(element);
    if (auto mapped = portRole(atspiRole, state ? *state.value : 0))
        return {mapped, AccessibilityError::success};
    const Reply name = call(element, kAccessible, "GetRoleName");
    if (!name.ok()) return Result::failed(name.error);
    return {name.argument(0).toString().toStdString(), AccessibilityError::success};
}

AccessibilityResult<AccessibleElement> AtSpiAccessibleElementPort::window(const AccessibleElement& element) {
    using Result = AccessibilityResult<AccessibleElement>;
    if (lastFocus_ && lastFocus_->first == element) return {lastFocus_->second, AccessibilityError::success};
    // The window is the ancestor whose parent is the program itself.
    AccessibleElement current = element;
    for (int depth = 0; depth < 64; ++depth) {
        const Reply parentReply = property(current, kAccessible, "Parent");
        if (!parentReply.ok()) return Result::failed(parentReply.error);
        const auto parent = objectReference(parentReply.propertyValue());
        if (!parent) return Result::failed(AccessibilityError::wrongType);
        if (parent->path == "/org/a11y/atspi/null" || parent->owner.empty()) {
            return Result::failed(AccessibilityError::noValue);
        }
        const Reply parentRole = call(*parent, kAccessible, "GetRole");
        if (!parentRole.ok()) return Result::failed(parentRole.error);
        if (parentRole.argument(0).toUInt() == ATSPI_ROLE_APPLICATION) {
            if (current == element) return Result::failed(AccessibilityError::noValue);
            return {current, AccessibilityError::success};
        }
        current = *parent;
    }
    return Result::failed(AccessibilityError::noValue);
}

ScreenRect AtSpiAccessibleElementPort::scaled(const ScreenRect& devicePixels) const {
    return screens_ ? deviceIndependentRect(devicePixels, screens_->screens()) : devicePixels;
}

AccessibilityResult<ScreenRect> AtSpiAccessibleElementPort::frame(const AccessibleElement& element) {
    auto box = deviceFrame(element);
    if (box) box.value = scaled(*box.value);
    return box;
}

AccessibilityResult<ScreenRect> AtSpiAccessibleElementPort::deviceFrame(const AccessibleElement& element) {
    using Result = AccessibilityResult<ScreenRect>;
    const Reply reply =
        call(element, kComponent, "GetExtents", {QVariant::fromValue(uint(ATSPI_COORD_TYPE_SCREEN))});
    if (!reply.ok()) return Result::failed(reply.error);
    const QVariant value = reply.argument(0);
    if (!value.canConvert<QDBusArgument>()) return Result::failed(AccessibilityError::wrongType);
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != "(iiii)") return Result::failed(AccessibilityError::wrongType);
    int x = 0, y = 0, width = 0, height = 0;
    argument.beginStructure();
    argument >> x >> y >> width >> height;
    argument.endStructure();
    return {ScreenRect{double(x), double(y), double(width), double(height)}, AccessibilityError::success};
}

AccessibilityResult<std::string> AtSpiAccessibleElementPort::text(const AccessibleElement& element,
                                                                  std::int64_t start, std::int64_t end) {
    using Result = AccessibilityResult<std::string>;
    const Reply reply = call(element, kText, "GetText", {int(start), int(end)});
    if (!reply.ok()) return Result::failed(reply.error);
    if (reply.argument(0).metaType().id() != QMetaType::QString)
        return Result::failed(AccessibilityError::wrongType);
    return {reply.argument(0).toString().toStdString(), AccessibilityError::success};
}

AccessibilityResult<std::string> AtSpiAccessibleElementPort::value(const AccessibleElement& element) {
    using Result = AccessibilityResult<std::string>;
    const Reply count = property(element, kText, "CharacterCount");
    if (!count.ok()) return Result::failed(count.error);
    return text(element, 0, count.propertyValue().toInt());
}

AccessibilityResult<std::int64_t> AtSpiAccessibleElementPort::caretOffset(const AccessibleElement& element) {
    using Result = AccessibilityResult<std::int64_t>;
    const Reply reply = property(element, kText, "CaretOffset");
    if (!reply.ok()) return Result::failed(reply.error);
    bool isNumber = false;
    const int offset = reply.propertyValue().toInt(&isNumber);
    if (!isNumber) return Result::failed(AccessibilityError::wrongType);
    if (offset < 0) return Result::failed(AccessibilityError::noValue);
    return {offset, AccessibilityError::success};
}

AccessibilityResult<AccessibleTextRange> AtSpiAccessibleElementPort::selectedTextRange(
    const AccessibleElement& element) {
    using Result = AccessibilityResult<AccessibleTextRange>;
    const auto caret = caretOffset(element);
    if (!caret) return Result::failed(caret.error);
    const Reply count = call(element, kText, "GetNSelections");
    if (count.ok() && count.argument(0).toInt() > 0) {
        const Reply selection = call(element, kText, "GetSelection", {0});
        if (selection.ok()) {
            const int start = selection.argument(0).toInt();
            const int end = selection.argument(1).toInt();
            if (start != end) {
                return {AccessibleTextRange{std::min(start, end), std::abs(end - start)},
                        AccessibilityError::success};
            }
        }
    }
    return {AccessibleTextRange{*caret.value, 0}, AccessibilityError::success};
}

AccessibilityResult<std::string> AtSpiAccessibleElementPort::selectedText(const AccessibleElement& element) {
    using Result = AccessibilityResult<std::string>;
    const auto state = states(element);
    if (!state) return Result::failed(state.error);
    // Read-only text (labels, documents) has a selection too, but no caret to paste at.
    if (!hasState(*state.value, ATSPI_STATE_EDITABLE)) return Result::failed(AccessibilityError::unsupported);
    const auto range = selectedTextRange(element);
    if (!range) return Result::failed(range.error);
    if (range.value->length == 0) return {std::string(), AccessibilityError::success};
    return text(element, range.value->location, range.value->location + range.value->length);
}

AccessibilityResult<AccessibleTextRange> AtSpiAccessibleElementPort::visibleCharacterRange(
    const AccessibleElement& element) {
    using Result = AccessibilityResult<AccessibleTextRange>;
    // AT-SPI has no such attribute: the offsets under the frame's first and last corners stand for it.
    const auto box = deviceFrame(element);
    if (!box) return Result::failed(box.error);
    auto offsetAt = [&](double x, double y) {
        return call(element, kText, "GetOffsetAtPoint",
                    {int(x), int(y), QVariant::fromValue(uint(ATSPI_COORD_TYPE_SCREEN))});
    };
    const Reply first = offsetAt(box.value->minX() + 1, box.value->minY() + 1);
    if (!first.ok()) return Result::failed(first.error);
    const Reply last = offsetAt(box.value->maxX() - 1, box.value->maxY() - 1);
    if (!last.ok()) return Result::failed(last.error);
    const int start = first.argument(0).toInt();
    const int end = last.argument(0).toInt();
    if (start < 0 || end < start) return Result::failed(AccessibilityError::noValue);
    return {AccessibleTextRange{start, end - start}, AccessibilityError::success};
}

AccessibilityResult<std::vector<AccessibleElement>> AtSpiAccessibleElementPort::children(
    const AccessibleElement& element) {
    using Result = AccessibilityResult<std::vector<AccessibleElement>>;
    const Reply reply = call(element, kAccessible, "GetChildren");
    if (!reply.ok()) return Result::failed(reply.error);
    auto elements = objectReferences(reply.argument(0));
    if (!elements) return Result::failed(AccessibilityError::wrongType);
    return {std::move(elements), AccessibilityError::success};
}

AccessibilityResult<ScreenRect> AtSpiAccessibleElementPort::characterExtents(const AccessibleElement& element,
                                                                             std::int64_t offset) {
    using Result = AccessibilityResult<ScreenRect>;
    const Reply reply = call(element, kText, "GetCharacterExtents",
                             {int(offset), QVariant::fromValue(uint(ATSPI_COORD_TYPE_SCREEN))});
    if (!reply.ok()) return Result::failed(reply.error);
    if (reply.message.arguments().size() != 4) return Result::failed(AccessibilityError::wrongType);
    return {scaled(ScreenRect{double(reply.argument(0).toInt()), double(reply.argument(1).toInt()),
                              double(reply.argument(2).toInt()), double(reply.argument(3).toInt())}),
            AccessibilityError::success};
}

AccessibilityResult<ScreenRect> AtSpiAccessibleElementPort::rangeExtents(const AccessibleElement& element,
                                                                         std::int64_t start,
                                                                         std::int64_t end) {
    using Result = AccessibilityResult<ScreenRect>;
    const Reply reply = call(element, kText, "GetRangeExtents",
                             {int(start), int(end), QVariant::fromValue(uint(ATSPI_COORD_TYPE_SCREEN))});
    if (!reply.ok()) return Result::failed(reply.error);
    if (reply.message.arguments().size() != 4) return Result::failed(AccessibilityError::wrongType);
    const ScreenRect rect{double(reply.argument(0).toInt()), double(reply.argument(1).toInt()),
                          double(reply.argument(2).toInt()), double(reply.argument(3).toInt())};
    if (rect.width <= 0 && rect.height <= 0) return Result::failed(AccessibilityError::noValue);
    return {scaled(rect), AccessibilityError::success};
}

AccessibilityResult<ScreenRect> AtSpiAccessibleElementPort::boundsForRange(const AccessibleElement& element,
                                                                           AccessibleTextRange range) {
    using Result = AccessibilityResult<ScreenRect>;
    if (range.location < 0) return Result::failed(AccessibilityError::failure);
    if (range.length > 0) return rangeExtents(element, range.location, range.location + range.length);
    // The caret sits at the left edge of the character after it; at the end of the text there is none, so
    // it sits at the right edge of the character before it.
    auto at = characterExtents(element, range.location);
    if (!at) return at;
    if (at.value->height > 0) return {ScreenRect{at.value->x, at.value->y, 0, at.value->height}, at.error};
    if (range.location == 0) return Result::failed(AccessibilityError::noValue);
    auto before = characterExtents(element, range.location - 1);
    if (!before) return before;
    if (before.value->height <= 0) return Result::failed(AccessibilityError::noValue);
    return {ScreenRect{before.value->maxX(), before.value->y, 0, before.value->height}, before.error};
}

AccessibilityResult<AccessibleTextMarkerRange> AtSpiAccessibleElementPort::selectedTextMarkerRange(
    const AccessibleElement& element) {
    using Result = AccessibilityResult<AccessibleTextMarkerRange>;
    // AT-SPI marks text by offsets only; the marker range is the selection (or the caret) in offsets.
    const auto range = selectedTextRange(element);
    if (!range) return Result::failed(range.error);
    return {AccessibleTextMarkerRange{range.value->location, range.value->location + range.value->length},
            AccessibilityError::success};
}

AccessibilityResult<ScreenRect> AtSpiAccessibleElementPort::boundsForTextMarkerRange(
    const AccessibleElement& element, AccessibleTextMarkerRange range) {
    if (range.end < range.start) return AccessibilityResult<ScreenRect>::failed(AccessibilityError::failure);
    return boundsForRange(element, {range.start, range.end - range.start});
}

}  // namespace quorvane

#include "AtSpiAccessibleElementPort.moc"
