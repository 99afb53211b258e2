#include "forms/TextLayout.h"

#include <algorithm>

namespace forms {

namespace {

std::size_t Columns(float twips) {
    return twips <= 0 ? 0 : static_cast<std::size_t>(twips / TwipsPerColumn);
}

void WrapLine(vb::StringView line, std::size_t width, std::vector<vb::String>& out) {
    if (line.size() <= width) {
        out.emplace_back(line);
        return;
    }
    vb::String current;
    bool first = true;
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find(u' ', start);
        if (end == vb::StringView::npos) {
            end = line.size();
        }
        const vb::StringView word = line.substr(start, end - start);
        if (first) {
            current = word;
            first = false;
        } else if (current.size() + 1 + word.size() <= width) {
            current += u' ';
            current += word;
        } else {
            out.push_back(std::move(current));
            current = word;
        }
        start = end + 1;
    }
    out.push_back(std::move(current));
}

std::vector<vb::String> LinesOf(const Control& control) {
    const std::size_t width = std::max<std::size_t>(1, Columns(control.Width));
    if (const auto* label = dynamic_cast<const Label*>(&control)) {
        if (label->Caption.empty()) {
            return {};
        }
        return WrapCaption(label->Caption, width);
    }
    const auto& box = dynamic_cast<const TextBox&>(control);
    vb::String field = u"[" + box.Text;
    if (field.size() + 1 < width) {
        field.append(width - 1 - field.size(), u' ');
    }
    field += u']';
    return {field};
}

// Writes `text` at `column`, or one blank after what the line already holds there.
void Place(vb::String& line, std::size_t column, const vb::String& text) {
    if (line.size() < column) {
        line.append(column - line.size(), u' ');
    } else if (!line.empty()) {
        line += u' ';
    }
    line += text;
}

} // namespace

std::vector<vb::String> WrapCaption(vb::StringView caption, std::size_t width) {
    std::vector<vb::String> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = caption.find_first_of(u"\r\n", start);
        WrapLine(caption.substr(start, end == vb::StringView::npos ? end : end - start), width,
                 lines);
        if (end == vb::StringView::npos) {
            break;
        }
        start = end + 1;
        if (caption[end] == u'\r' && start < caption.size() && caption[start] == u'\n') {
            ++start;
        }
    }
    return lines;
}

std::vector<vb::String> LayoutForm(const Form& form) {
    std::vector<const Control*> shown;
    for (const Control* control : form.Controls()) {
        const bool drawable = dynamic_cast<const Label*>(control) != nullptr ||
                              dynamic_cast<const TextBox*>(control) != nullptr;
        if (drawable && control->Visible) {
            shown.push_back(control);
        }
    }
    std::stable_sort(shown.begin(), shown.end(), [](const Control* a, const Control* b) {
        return a->Top != b->Top ? a->Top < b->Top : a->Left < b->Left;
    });

    std::vector<vb::String> lines;
    for (std::size_t i = 0; i < shown.size();) {
        std::vector<vb::String> row;
        const float top = shown[i]->Top;
        for (; i < shown.size() && shown[i]->Top == top; ++i) {
            const auto text = LinesOf(*shown[i]);
            if (row.size() < text.size()) {
                row.resize(text.size());
            }
            for (std::size_t k = 0; k < text.size(); ++k) {
                Place(row[k], Columns(shown[i]->Left), text[k]);
            }
        }
        for (auto& line : row) {
            line.erase(line.find_last_not_of(u' ') + 1);
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

} // namespace forms
