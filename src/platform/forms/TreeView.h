#pragma once
// A tree view: nodes added under one another, each with a text and an optional key by
// which later nodes name it as their relative.

#include "forms/Control.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace forms {

// How a new node stands to its relative.
inline constexpr std::int16_t tvwChild = 4;

// Errors of the node collection.
inline constexpr std::int32_t ElementNotFound = 35601;
inline constexpr std::int32_t KeyNotUnique = 35602;

struct Node {
    vb::String Key;
    Drawn<vb::String> Text;
    // 1-based, in the order the nodes were added.
    std::int32_t Index = 0;
    Node* Parent = nullptr;
    std::vector<Node*> Children;
};

class NodeCollection {
public:
    void Clear();
    // Without a relative the node goes last at the top level; with one it goes last among
    // the relative's children (tvwChild, the only relationship the window uses). A relative
    // that names no node raises 35601, a key already given 35602, another relationship 5.
    Node& Add(const std::optional<vb::String>& Relative = std::nullopt,
              std::optional<std::int16_t> Relationship = std::nullopt,
              const std::optional<vb::String>& Key = std::nullopt, vb::String Text = {});

    std::int32_t Count() const { return static_cast<std::int32_t>(nodes_.size()); }
    // 1-based; error 35601 out of range.
    Node& operator()(std::int32_t index) const;
    // The top-level nodes, in order.
    const std::vector<Node*>& Roots() const { return roots_; }

private:
    Node* Find(const vb::String& key) const;

    std::vector<std::unique_ptr<Node>> nodes_;
    std::vector<Node*> roots_;
};

class TreeView : public WindowedControl<Window> {
public:
    TreeView(Container& parent, vb::String name);

    NodeCollection Nodes;
    Drawn<std::uint32_t> BackColor{Rgb(255, 255, 255)};
};

} // namespace forms
