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

struct Cover {
    int first = 0;
    int last = 0;
    bool borrowed = false;
};

// The cells [first, last) on one axis, from `from` over `length` cells: those whose middle
// lies within; a length that holds no middle borrows the cell of its own middle.
Cover CoverOf(double from, double length) {
    // Far beyond any terminal, where the conversion to int still holds.
    static constexpr double kFar = 1 << 24;
    const auto cell = [](double at) {
        return static_cast<int>(std::floor(std::clamp(at, -kFar, kFar)));
    };
    const int first = cell(from + 0.5);
    const int last = cell(from + length + 0.5);
    if (first >= last && length > 0) {
        const int own = cell(from + length / 2);
        return {own, own + 1, true};
    }
    return {first, last};
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

CellPicture::Span CellPicture::cells(const PixelRect& r) const {
    const double sx = static_cast<double>(columns_) / view_.width;
    const double sy = static_cast<double>(rows_) / view_.height;
    const Cover x = CoverOf((static_cast<double>(r.x) - view_.x) * sx, r.width * sx);
    const Cover y = CoverOf((static_cast<double>(r.y) - view_.y) * sy, r.height * sy);
    return Span{x.first, y.first, x.last, y.last, x.borrowed || y.borrowed};
}

CellPicture::Span CellPicture::place(const PixelRect& r, const Clip& clip) const {
    const PixelRect seen = Intersect(r, clip.area);
    if (seen.width == 0 || seen.height == 0) {
        return {};
    }
    return cells(r).meet(clip.cells);
}

CellPicture::Span CellPicture::reach(const PixelRect& r, const Clip& clip) const {
    const PixelRect seen = Intersect(r, clip.area);
    if (seen.width == 0 || seen.height == 0 || clip.cells.empty()) {
        return {};
    }
    Span s = cells(r).meet(clip.cells);
    const Span middle = cells(PixelRect{seen.x + seen.width / 2, seen.y + seen.height / 2, 1, 1});
    if (s.left >= s.right) {
        s.left = std::clamp(middle.left, clip.cells.left, clip.cells.right - 1);
        s.right = s.left + 1;
    }
    if (s.top >= s.bottom) {
        s.top = std::clamp(middle.top, clip.cells.top, clip.cells.bottom - 1);
        s.bottom = s.top + 1;
    }
    return s;
}

CellPicture::Clip CellPicture::within(const PixelRect& client, const Clip& outer) const {
    return Clip{Intersect(client, outer.area), cells(client).meet(outer.cells)};
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

void CellPicture::fill(const Span& s, std::uint32_t colour, const PixelRect& owner) {
    for (int row = s.top; row < s.bottom; ++row) {
        for (int column = s.left; column < s.right; ++column) {
            Cell& cell = at(column, row);
            cell = Cell{s.borrowed ? cell.ch : u' ', cell.fg, colour, owner};
        }
    }
}

void CellPicture::picture(const Picture& image, const PixelRect& origin, bool stretch,
                          const Clip& clip) {
    if (image.Empty()) {
        return;
    }
    const PixelRect drawn =
        stretch ? origin : PixelRect{origin.x, origin.y, image.Width, image.Height};
    const PixelRect shown = Intersect(drawn, clip.area);
    const Span s = place(drawn, clip);
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
        }
    }
}

void CellPicture::write(const std::vector<vb::String>& lines, const PixelRect& placed,
                        const Clip& clip, std::int16_t alignment, std::uint32_t colour,
                        bool fromTop) {
    const Span own = cells(placed);
    const Span shown = reach(placed, clip);
    if (shown.empty()) {
        return;
    }
    int row = own.top;
    if (!fromTop) {
        const double sy = static_cast<double>(rows_) / view_.height;
        const std::int32_t firstLine = placed.y + std::min(kHalfLine, placed.height / 2);
        row = static_cast<int>(std::floor((firstLine - view_.y) * sy));
    }
    if (!fromTop || own.bottom <= shown.top || own.top >= shown.bottom) {
        row = std::clamp(row, shown.top, shown.bottom - 1);
    }
    write(lines, own, shown, row, alignment, colour, Intersect(placed, clip.area));
}

void CellPicture::write(const std::vector<vb::String>& lines, const Span& own, const Span& shown,
                        int row, std::int16_t alignment, std::uint32_t colour,
                        const PixelRect& owner) {
    // A text pushed into its clip's nearest column starts there.
    const int left = own.right <= shown.left || own.left >= shown.right ? shown.left : own.left;
    const auto width = static_cast<std::size_t>(std::max(own.right - own.left, 1));
    for (const vb::String& line : lines) {
        if (row >= shown.bottom) {
            break;
        }
        const std::size_t length = std::min(line.size(), width);
        std::size_t offset = 0;
        if (alignment == 2) {
            offset = (width - length) / 2;
        } else if (alignment == 1) {
            offset = width - length;
        }
        for (std::size_t i = 0; i < length && row >= shown.top; ++i) {
            const int column = left + static_cast<int>(offset + i);
            if (column < shown.left || column >= shown.right) {
                continue;
            }
            Cell& cell = at(column, row);
            cell.ch = line[i];
            cell.fg = colour;
            cell.owner = owner;
        }
        ++row;
    }
}

void CellPicture::frame(const Span& s, bool sizing) {
    if (s.empty()) {
        return;
    }
    const vb::StringView glyphs = sizing ? u"╔═╗║╚╝" : u"┌─┐│└┘";
    const auto put = [&](int column, int row, vb::Char ch) {
        if (column >= 0 && column < columns_ && row >= 0 && row < rows_) {
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
    const PixelRect client = ClientRect(form);
    const Span whole = cells(ScreenRect(form));
    const bool framed = form.frame.border > 0;
    // The frame takes the outer cells: the client area has those inside them.
    const Span inside = framed
                            ? Span{whole.left + 1, whole.top + 1, whole.right - 1, whole.bottom - 1}
                            : cells(client);
    const Clip clip{client, inside.meet(Span{0, 0, columns_, rows_})};
    fill(clip.cells, form.BackColor, client);
    picture(form.Picture, client, false, clip);
    children(form, client, clip);
    if (framed) {
        frame(whole, (form.Style & WS_THICKFRAME) != 0);
    }
}

void CellPicture::children(const Container& container, const PixelRect& client, const Clip& clip) {
    if (clip.cells.empty()) {
        return;
    }
    // As on the screen: the controls drawn on the container's surface lie under every window.
    std::vector<std::pair<const Control*, const Window*>> windows;
    for (const Control* control : container.Controls()) {
        if (!control->Visible || !container.Shows(*control)) {
            continue;
        }
        if (const auto* window = dynamic_cast<const Window*>(control)) {
            windows.emplace_back(control, window);
        } else {
            windowless(*control, client, clip);
        }
    }
    for (const auto& [control, window] : windows) {
        windowed(*control, *window, client, clip);
    }
}

void CellPicture::windowless(const Control& control, const PixelRect& client, const Clip& clip) {
    const PixelRect placed = WindowlessRect(control, client);
    if (const auto* label = dynamic_cast<const Label*>(&control)) {
        if (label->BackStyle == 1) {
            fill(place(placed, clip), label->BackColor, Intersect(placed, clip.area));
        }
        const Span own = cells(placed);
        write(WrapCaption(label->Caption,
                          static_cast<std::size_t>(std::max(own.right - own.left, 1))),
              placed, clip, label->Alignment, label->ForeColor);
    } else if (const auto* image = dynamic_cast<const Image*>(&control)) {
        picture(image->Picture, placed, image->Stretch, within(placed, clip));
    }
}

void CellPicture::windowed(const Control& control, const Window& window, const PixelRect& client,
                           const Clip& clip) {
    const PixelRect placement = window.Placement();
    const PixelRect rect{client.x + placement.x, client.y + placement.y, placement.width,
                         placement.height};
    const Span span = place(rect, clip);
    if (span.empty()) {
        return; // nothing of it, nor of what it holds, shows
    }
    const PixelRect seen = Intersect(rect, clip.area);
    const PixelRect own{rect.x + window.frame.border,
                        rect.y + window.frame.border + window.frame.title, window.ClientWidth(),
                        window.ClientHeight()};
    const Clip inside = within(own, clip);
    if (const auto* box = dynamic_cast<const PictureBox*>(&control)) {
        fill(span, box->BackColor, seen);
        picture(box->Picture, own, false, inside);
        children(*box, own, inside);
    } else if (const auto* user = dynamic_cast<const UserControl*>(&control)) {
        fill(span, user->BackColor, seen);
        children(*user, own, inside);
    } else if (const auto* tabs = dynamic_cast<const TabControl*>(&control)) {
        fill(span, tabs->BackColor, seen);
        children(*tabs, own, inside);
        // Its titles' strip lies over whatever of its controls reaches it.
        titles(*tabs, own, inside);
    } else if (const auto* tree = dynamic_cast<const TreeView*>(&control)) {
        fill(span, tree->BackColor, seen);
        std::vector<vb::String> lines;
        TreeLines(tree->Nodes.Roots(), 0, lines);
        write(lines, own, inside, 0, kBlack, true);
    } else if (const auto* list = dynamic_cast<const ListBox*>(&control)) {
        fill(span, kWhite, seen);
        write(list->List, own, inside, 0, kBlack, true);
    } else if (const auto* box = dynamic_cast<const TextBox*>(&control)) {
        fill(span, kWhite, seen);
        write({box->Text}, own, inside, 0, kBlack, true);
    }
}

void CellPicture::titles(const TabControl& tabs, const PixelRect& client, const Clip& clip) {
    const std::int16_t count = tabs.Tabs();
    for (std::int16_t i = 0; i < count; ++i) {
        const std::int32_t left = client.x + client.width * i / count;
        const std::int32_t right = client.x + client.width * (i + 1) / count;
        const PixelRect title{left, client.y, right - left, TwipsToPixels(tabs.TabHeight)};
        // The titles' strip takes one row of cells: the first of its own.
        const Span own = cells(title);
        Span shown = reach(title, clip);
        if (shown.empty()) {
            continue;
        }
        shown.bottom = shown.top + 1;
        const PixelRect seen = Intersect(title, clip.area);
        fill(shown, i == tabs.Tab() ? kWhite : kOtherTab, seen);
        write({tabs.TabCaption(i)}, own, shown, shown.top, 2, kBlack, seen);
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
