#pragma once

// A small screen-reader stand-in: reads this process's own accessible tree from the accessibility bus, as an
// assistive program would. Its D-Bus calls block, and our own bridge answers them on the main thread, so
// every read runs on a worker thread while the main thread keeps its event loop turning.

#include <QByteArray>
#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace quorvane::testing {

struct AtSpiNode {
    QString busName;
    QString path;
    QString parentPath;
    QString role;  // AT-SPI's role name: "entry", "list", "list item", "label", ...
    QString name;
    QString description;
    std::vector<unsigned> states;  // AtspiStateType values
    int depth = 0;

    bool has(unsigned state) const;
};

// Points this program's own accessibility bridge at a private session bus for as long as it lives. Qt's
// bridge connects once, when the first widget asks, so only the first membership in a program, made before
// any widget, can work (ctest runs each test in a program of its own); a later one reports !joined().
class AccessibilityBusMembership {
public:
    explicit AccessibilityBusMembership(const QString& sessionBusAddress);
    ~AccessibilityBusMembership();
    AccessibilityBusMembership(const AccessibilityBusMembership&) = delete;
    AccessibilityBusMembership& operator=(const AccessibilityBusMembership&) = delete;

    bool joined() const { return joined_; }

private:
    bool joined_ = false;
    std::optional<QByteArray> previousAddress_;
};

// One line per node, indented by depth ("list item 'name' (showing)"), for failure messages.
QString describe(const std::vector<AtSpiNode>& tree);

class AtSpiTreeReader {
public:
    // `sessionBusAddress`: the session bus whose org.a11y.Bus names the accessibility bus.
    explicit AtSpiTreeReader(QString sessionBusAddress);
    ~AtSpiTreeReader();
    AtSpiTreeReader(const AtSpiTreeReader&) = delete;
    AtSpiTreeReader& operator=(const AtSpiTreeReader&) = delete;

    // Every node of this process's application on the bus, depth first; empty when it is not there.
    std::vector<AtSpiNode> tree();
    // The text of a node through its Text interface; none when it has none.
    std::optional<QString> text(const AtSpiNode& node);
    // Performs the node's action called `action` (any case: "toggle", "press"), as a screen reader does;
    // false when the node has no such action or the call fails.
    bool doAction(const AtSpiNode& node, const QString& action);
    // The names of the node's actions, in order.
    QStringList actionNames(const AtSpiNode& node);
    // Nodes of `tree` with `role` (and `name` when it is not empty) that are showing.
    static std::vector<AtSpiNode> find(const std::vector<AtSpiNode>& tree, const QString& role,
                                       const QString& name = {});
    // The nodes whose parent is `parent`, in order.
    static std::vector<AtSpiNode> childrenOf(const std::vector<AtSpiNode>& tree, const AtSpiNode& parent);

private:
    template <typename Result>
    Result onWorker(std::function<Result()> work);
    // Called on the worker: the session bus's accessibility bus, by this reader's own connection names.
    QDBusConnection accessibilityBus() const;

    QString sessionBusAddress_;
    QString connectionName_;
};

}  // namespace quorvane::testing
