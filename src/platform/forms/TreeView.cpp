#include "forms/TreeView.h"

#include "vb/Error.h"

#include <algorithm>

namespace forms {

void NodeCollection::Clear() {
    roots_.clear();
    nodes_.clear();
    NoteDrawnChange();
}

Node* NodeCollection::Find(const vb::String& key) const {
    if (key.empty()) {
        return nullptr; // an empty key is no key
    }
    const auto it = std::find_if(nodes_.begin(), nodes_.end(),
                                 [&](const auto& node) { return node->Key == key; });
    return it == nodes_.end() ? nullptr : it->get();
}

Node& NodeCollection::Add(const std::optional<vb::String>& Relative,
                          std::optional<std::int16_t> Relationship,
                          const std::optional<vb::String>& Key, vb::String Text) {
    Node* parent = nullptr;
    if (Relative.has_value()) {
        parent = Find(*Relative);
        if (parent == nullptr) {
            throw vb::Error(ElementNotFound, u"Élément introuvable");
        }
        if (Relationship != tvwChild) {
            vb::Raise(vb::err::InvalidCall);
        }
    }
    if (Key.has_value() && Find(*Key) != nullptr) {
        throw vb::Error(KeyNotUnique, u"La clé n'est pas unique dans la collection");
    }
    auto node = std::make_unique<Node>();
    node->Key = Key.value_or(vb::String());
    node->Text = std::move(Text);
    node->Index = Count() + 1;
    node->Parent = parent;
    Node& added = *node;
    nodes_.push_back(std::move(node));
    (parent != nullptr ? parent->Children : roots_).push_back(&added);
    NoteDrawnChange();
    return added;
}

Node& NodeCollection::operator()(std::int32_t index) const {
    if (index < 1 || index > Count()) {
        throw vb::Error(ElementNotFound, u"Élément introuvable");
    }
    return *nodes_[static_cast<std::size_t>(index - 1)];
}

TreeView::TreeView(Container& parent, vb::String name) : WindowedControl(parent, std::move(name)) {
    SetStyle(Style | WS_BORDER);
}

} // namespace forms
