#pragma once
// Visible forms as a picture of character cells: a region of the screen (the view) is
// scaled onto the terminal's cells, each axis on its own. A rectangle stands for the cells
// whose middle lies in it, so that two neighbours never share a cell; one thinner than a
// cell takes the cell of its own middle, whose text it leaves readable. Back colours and
// pictures become blocks of colour, captions and texts characters, a tree indented lines, a
// tab control its titles along its top; a form's frame is a line of box characters around
// it (a double one for a sizing border). Every control is clipped to the cells of its
// container's client area, so that nothing of it falls on a frame or outside its container.
// Each cell also keeps the object drawn on top there, so that a press on a cell can be
// aimed inside that object, however thin it is on the screen.

#include "forms/Form.h"
#include "forms/Window.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace forms {

class TabControl;

struct ScreenPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

class CellPicture {
public:
    // `view` in screen pixels, drawn on `columns` x `rows` cells.
    CellPicture(PixelRect view, int columns, int rows);

    // Paints a visible form over what is painted already.
    void paint(const Form& form);

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    // One row as UTF-8 text with its colours, ending with the colours reset.
    std::string line(int row) const;
    // The row's characters alone.
    vb::String text(int row) const;
    // The screen point at the middle of a cell (0-based).
    ScreenPoint centre(int column, int row) const;
    // The cell's middle brought inside the object drawn on top there.
    ScreenPoint aim(int column, int row) const;

private:
    struct Cell {
        vb::Char ch = u' ';
        std::uint32_t fg = 0xFFFFFF;
        std::uint32_t bg = 0;
        std::optional<PixelRect> owner;
    };
    // Cells as half-open ranges.
    struct Span {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        // Taken by something thinner than a cell, from the neighbour that holds its middle.
        bool borrowed = false;
        bool empty() const { return left >= right || top >= bottom; }
        Span meet(const Span& o) const {
            return Span{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                        std::min(bottom, o.bottom), borrowed};
        }
    };
    // Where a container lets its controls draw: its client area on the screen, as far as its
    // own containers show it, and the cells it has there.
    struct Clip {
        PixelRect area;
        Span cells;
    };

    // The cells a screen rectangle stands for, part of them possibly off the view.
    Span cells(const PixelRect& r) const;
    // Those of them within a clip; none when the rectangle is outside the clip's area.
    Span place(const PixelRect& r, const Clip& clip) const;
    // As `place`, for a text: one whose rectangle reaches into the clip's area although the
    // clip's cells leave out its rows (or columns) takes the clip's nearest row (column), so
    // that a control with a row of its own shows its caption there.
    Span reach(const PixelRect& r, const Clip& clip) const;
    // The clip of a client area inside an outer clip.
    Clip within(const PixelRect& client, const Clip& outer) const;
    std::size_t index(int column, int row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
               static_cast<std::size_t>(column);
    }
    Cell& at(int column, int row) { return cells_[index(column, row)]; }
    const Cell& at(int column, int row) const { return cells_[index(column, row)]; }

    // Colours the cells; on borrowed cells, the text already there stays readable.
    void fill(const Span& s, std::uint32_t colour, const PixelRect& owner);
    // `picture` with its top left corner at `origin`, or stretched over `origin` when
    // `stretch` is set; only within `clip`.
    void picture(const Picture& picture, const PixelRect& origin, bool stretch, const Clip& clip);
    // Lines laid out in `placed` from the row of its first text line on (from its first row
    // with `fromTop`), aligned (0 left, 1 right, 2 centred); only within `clip`.
    void write(const std::vector<vb::String>& lines, const PixelRect& placed, const Clip& clip,
               std::int16_t alignment, std::uint32_t colour, bool fromTop = false);
    // The same on cells worked out already: the text's own cells, for its alignment, the
    // cells it may take, and the row of its first line.
    void write(const std::vector<vb::String>& lines, const Span& own, const Span& shown, int row,
               std::int16_t alignment, std::uint32_t colour, const PixelRect& owner);
    // A line of box characters around the cells of a window.
    void frame(const Span& s, bool sizing);
    // `client` is the container's whole client area on the screen.
    void children(const Container& container, const PixelRect& client, const Clip& clip);
    void windowless(const Control& control, const PixelRect& client, const Clip& clip);
    void windowed(const Control& control, const Window& window, const PixelRect& client,
                  const Clip& clip);
    void titles(const TabControl& tabs, const PixelRect& client, const Clip& clip);

    PixelRect view_;
    int columns_;
    int rows_;
    std::vector<Cell> cells_;
};

} // namespace forms
