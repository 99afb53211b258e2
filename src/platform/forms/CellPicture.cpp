#include "forms/CellPicture.h"

#include "forms/ListBox.h"
#include "forms/PictureBox.h"
#include "forms/TabControl.h"
#include "forms/TextLayout.h"
#include "forms/TreeView.h"
#include "forms/UserControl.h"
#include "vb/Encoding.h"

#include <algorithm>
#include <cmath>

namespace forms {

namespace {

constexpr std::uint32_t kBlack = 0;
constexpr std::uint32_t kWhite = Rgb(255, 255, 255);
constexpr std::uint32_t kFrame = Rgb(192, 192, 192);
constexpr std::uint32_t kOtherTab = Rgb(160, 160, 160);
// How far down a label's first line of text stands: half a line of its font.
constexpr std::int32_t kHalfLine = 8;

PixelRect Intersect(const PixelRect& a, const PixelRect& b) {
    const std::int32_t left = std::max(a.x, b.x);
    const std::int32_t top = std::max(a.y, b.y);
    const std::int32_t right = std::min(a.x + a.width, b.x + b.width);
    const std::int32_t bottom = std::min(a.y + a.height, b.y + b.height);
    return PixelRect{left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

// The placement of a control without a window, on the screen.
PixelRect WindowlessRect(const Control& control, const PixelRect& client) {
    return PixelRect{client.x + TwipsToPixels(control.Twips(Axis::Left)),
                     client.y + TwipsToPixels(control.Twips(Axis::Top)),
                     TwipsToPixels(control.Twips(Axis::Width)),
                     TwipsToPixels(control.Twips(Axis::Height))};
}

std::string Colours(std::uint32_t fg, std::uint32_t bg) {
    const auto part = [](std::uint32_t c) {
        return std::to_string(c & 0xFF) + ";" + std::to_string((c >> 8) & 0xFF) + ";" +
               std::to_string((c >> 16) & 0xFF);
    };
    return "\x1b[38;2;" + part(fg) + ";48;2;" + part(bg) + "m";
}

void TreeLines(const std::vector<Node*>& nodes, std::size_t depth, std::vector<vb::String>& out) {
    for (const Node* node : nodes) {
        out.push_back(vb::String(2 * depth, u' ') + node->Text);
        TreeLines(node->Children, depth + 1, out);
    }
}

} // namespace

CellPicture::CellPicture(PixelRect view, int columns, int rows)
    : view_(view), columns_(std::max(columns, 1)), rows_(std::max(rows, 1)),
      cells_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_)) {
    view_.width = std::max(view_.width, 1);
    view_.height = std::max(view_.height, 1);
}

CellPicture::Span CellPicture::extent(const PixelRect& r) const {
    const double sx = static_cast<double>(columns_) / view_.width;
    const double sy = static_cast<double>(rows_) / view_.height;
    return Span{static_cast<int>(std::floor((r.x - view_.x) * sx)),
                static_cast<int>(std::floor((r.y - view_.y) * sy)),
                static_cast<int>(std::ceil((r.x + r.width - view_.x) * sx)),
                static_cast<int>(std::ceil((r.y + r.height - view_.y) * sy))};
}

CellPicture::Span CellPicture::cover(const PixelRect& r) const {
    if (r.width <= 0 || r.height <= 0) {
        return {};
    }
    const Span s = extent(r);
    return Span{std::clamp(s.left, 0, columns_), std::clamp(s.top, 0, rows_),
                std::clamp(s.right, 0, columns_), std::clamp(s.bottom, 0, rows_)};
}

ScreenPoint CellPicture::centre(int column, int row) const {
    return ScreenPoint{
        view_.x + static_cast<std::int32_t>(std::floor((column + 0.5) * view_.width / columns_)),
        view_.y + static_cast<std::int32_t>(std::floor((row + 0.5) * view_.height / rows_))};
}

ScreenPoint CellPicture::aim(int column, int row) const {
    ScreenPoint p = centre(column, row);
    if (column < 0 || column >= columns_ || row < 0 || row >= rows_) {
        return p;
    }
    if (const auto& owner = at(column, row).owner) {
        p.x = std::clamp(p.x, owner->x, owner->x + owner->width - 1);
        p.y = std::clamp(p.y, owner->y, owner->y + owner->height - 1);
    }
    return p;
}

void CellPicture::fill(const PixelRect& r, std::uint32_t colour) {
    const Span s = cover(r);
    for (int row = s.top; row < s.bottom; ++row) {
        for (int column = s.left; column < s.right; ++column) {
            Cell& cell = at(column, row);
            cell = Cell{u' ', cell.fg, colour, r};
        }
    }
}

void CellPicture::picture(const Picture& image, const PixelRect& origin, bool stretch,
                          const PixelRect& clip) {
    if (image.Empty()) {
        return;
    }
    const PixelRect shown = Intersect(
        stretch ? origin : PixelRect{origin.x, origin.y, image.Width, image.Height}, clip);
    const Span s = cover(shown);
    for (int row = s.top; row < s.bottom; ++row) {
        for (int column = s.left; column < s.right; ++column) {
            const ScreenPoint p = centre(column, row);
            const std::int32_t x = std::clamp(p.x, shown.x, shown.x + shown.width - 1) - origin.x;
            const std::int32_t y = std::clamp(p.y, shown.y, shown.y + shown.height - 1) - origin.y;
            const int px = stretch ? static_cast<int>(static_cast<double>(x) * image.Width /
                                                      std::max(origin.width, 1))
                                   : x;
            const int py = stretch ? static_cast<int>(static_cast<double>(y) * image.Height /
                                                      std::max(origin.height, 1))
                                   : y;
            Cell& cell = at(column, row);
            cell.bg =
                image.At(std::clamp(px, 0, image.Width - 1), std::clamp(py, 0, image.Height - 1));
            cell.ch = u' ';
            cell.owner = shown;
            cell.text = 0;
        }
    }
}

CellPicture::Span CellPicture::textSpan(const PixelRect& r) const {
    // Unclamped: a text keeps its own width when part of it lies off the view.
    Span s = extent(r);
    // A text starts on the column nearest its left edge, so that a thin neighbour drawn on
    // the column it only touches does not cover its first letter.
    const auto nearest = static_cast<int>(
        std::lround((r.x - view_.x) * static_cast<double>(columns_) / view_.width));
    s.left = std::clamp(nearest, s.left, std::max(s.left, s.right - 1));
    return s;
}

void CellPicture::write(const std::vector<vb::String>& lines, const PixelRect& placed,
                        const PixelRect& clip, std::int16_t alignment, std::uint32_t colour,
                        bool fromTop) {
    const Span s = textSpan(placed);
    const Span visible = cover(Intersect(placed, clip));
    if (s.empty() || visible.empty()) {
        return;
    }
    int row = s.top;
    if (!fromTop) {
        const double sy = static_cast<double>(rows_) / view_.height;
        const std::int32_t firstLine = placed.y + std::min(kHalfLine, placed.height / 2);
        row = std::max(static_cast<int>(std::floor((firstLine - view_.y) * sy)), s.top);
    }
    const auto width = static_cast<std::size_t>(s.right - s.left);
    for (const vb::String& line : lines) {
        if (row >= s.bottom) {
            break;
        }
        const std::size_t length = std::min(line.size(), width);
        std::size_t offset = 0;
        if (alignment == 2) {
            offset = (width - length) / 2;
        } else if (alignment == 1) {
            offset = width - length;
        }
        for (std::size_t i = 0; i < length; ++i) {
            const int column = s.left + static_cast<int>(offset + i);
            if (column < visible.left || column >= visible.right || row < visible.top ||
                row >= visible.bottom) {
                continue;
            }
            Cell& cell = at(column, row);
            cell.ch = line[i];
            cell.fg = colour;
            cell.owner = Intersect(placed, clip);
            cell.text = painting_;
        }
        ++row;
    }
}

void CellPicture::frame(const PixelRect& r, bool sizing) {
    const Span s = extent(r);
    if (s.empty()) {
        return;
    }
    const vb::StringView glyphs = sizing ? u"╔═╗║╚╝" : u"┌─┐│└┘";
    const auto put = [&](int column, int row, vb::Char ch) {
        if (column >= 0 && column < columns_ && row >= 0 && row < rows_ &&
            at(column, row).text != painting_) {
            at(column, row) = Cell{ch, kFrame, kBlack, std::nullopt};
        }
    };
    for (int column = s.left; column < s.right; ++column) {
        put(column, s.top, glyphs[1]);
        put(column, s.bottom - 1, glyphs[1]);
    }
    for (int row = s.top; row < s.bottom; ++row) {
        put(s.left, row, glyphs[3]);
        put(s.right - 1, row, glyphs[3]);
    }
    put(s.left, s.top, glyphs[0]);
    put(s.right - 1, s.top, glyphs[2]);
    put(s.left, s.bottom - 1, glyphs[4]);
    put(s.right - 1, s.bottom - 1, glyphs[5]);
}

void CellPicture::paint(const Form& form) {
    ++painting_;
    const PixelRect client = ClientRect(form);
    fill(client, form.BackColor);
    picture(form.Picture, client, false, client);
    children(form, client);
    if (form.frame.border > 0) {
        frame(ScreenRect(form), (form.Style & WS_THICKFRAME) != 0);
    }
}

void CellPicture::children(const Container& container, const PixelRect& client) {
    // As on the screen: the controls drawn on the container's surface lie under every window.
    for (const Control* control : container.Controls()) {
        if (control->Visible && container.Shows(*control) &&
            dynamic_cast<const Window*>(control) == nullptr) {
            windowless(*control, client);
        }
    }
    for (const Control* control : container.Controls()) {
        if (control->Visible && container.Shows(*control) &&
            dynamic_cast<const Window*>(control) != nullptr) {
            windowed(*control, client);
        }
    }
}

void CellPicture::windowless(const Control& control, const PixelRect& client) {
    const PixelRect placed = WindowlessRect(control, client);
    const PixelRect shown = Intersect(placed, client);
    if (const auto* label = dynamic_cast<const Label*>(&control)) {
        if (label->BackStyle == 1) {
            fill(shown, label->BackColor);
        }
        const Span s = textSpan(placed);
        write(WrapCaption(label->Caption, static_cast<std::size_t>(std::max(s.right - s.left, 1))),
              placed, client, label->Alignment, label->ForeColor);
    } else if (const auto* image = dynamic_cast<const Image*>(&control)) {
        picture(image->Picture, placed, image->Stretch, shown);
    }
}

void CellPicture::windowed(const Control& control, const PixelRect& clip) {
    const auto& window = dynamic_cast<const Window&>(control);
    const PixelRect shown = Intersect(ScreenRect(window), clip);
    const PixelRect whole = ClientRect(window);
    const PixelRect client = Intersect(whole, clip);
    if (shown.width == 0 || shown.height == 0) {
        return;
    }
    if (const auto* box = dynamic_cast<const PictureBox*>(&control)) {
        fill(shown, box->BackColor);
        picture(box->Picture, whole, false, client);
        children(*box, client);
    } else if (const auto* user = dynamic_cast<const UserControl*>(&control)) {
        fill(shown, user->BackColor);
        children(*user, client);
    } else if (const auto* tabs = dynamic_cast<const TabControl*>(&control)) {
        fill(shown, tabs->BackColor);
        const std::int16_t count = tabs->Tabs();
        for (std::int16_t i = 0; i < count; ++i) {
            const std::int32_t left = whole.x + whole.width * i / count;
            const std::int32_t right = whole.x + whole.width * (i + 1) / count;
            const PixelRect title = Intersect(
                PixelRect{left, whole.y, right - left, TwipsToPixels(tabs->TabHeight)}, client);
            // The titles' strip takes one row of cells.
            const PixelRect row{title.x, title.y, title.width, 1};
            fill(row, i == tabs->Tab() ? kWhite : kOtherTab);
            write({tabs->TabCaption(i)}, row, row, 2, kBlack, true);
        }
        children(*tabs, client);
    } else if (const auto* tree = dynamic_cast<const TreeView*>(&control)) {
        fill(shown, tree->BackColor);
        std::vector<vb::String> lines;
        TreeLines(tree->Nodes.Roots(), 0, lines);
        write(lines, whole, client, 0, kBlack, true);
    } else if (const auto* list = dynamic_cast<const ListBox*>(&control)) {
        fill(shown, kWhite);
        write(list->List, whole, client, 0, kBlack, true);
    } else if (const auto* box = dynamic_cast<const TextBox*>(&control)) {
        fill(shown, kWhite);
        write({box->Text}, whole, client, 0, kBlack, true);
    }
}

vb::String CellPicture::text(int row) const {
    vb::String out;
    for (int column = 0; column < columns_; ++column) {
        out += at(column, row).ch;
    }
    return out;
}

std::string CellPicture::line(int row) const {
    std::string out;
    std::uint32_t fg = 0;
    std::uint32_t bg = 0;
    bool first = true;
    vb::String run;
    for (int column = 0; column < columns_; ++column) {
        const Cell& cell = at(column, row);
        if (first || cell.fg != fg || cell.bg != bg) {
            out += vb::ToTerminal(run);
            run.clear();
            out += Colours(cell.fg, cell.bg);
            fg = cell.fg;
            bg = cell.bg;
            first = false;
        }
        run += cell.ch;
    }
    out += vb::ToTerminal(run);
    out += "\x1b[0m";
    return out;
}

} // namespace forms
