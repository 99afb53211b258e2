#pragma once
// Visible forms as a picture of character cells: a region of the screen (the view) is
// scaled onto the terminal's cells, each axis on its own. Back colours and pictures become
// blocks of colour, captions and texts characters, a tree indented lines, a tab control
// its titles along its top; a window's frame is a line of box characters (a double one
// for a sizing border). Each cell also keeps the object drawn on top there, so that a
// press on a cell can be aimed inside that object, however thin it is on the screen.

#include "forms/Form.h"
#include "forms/Window.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace forms {

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
        // The painting whose text this character is (0: none).
        int text = 0;
    };
    // Cells as half-open ranges.
    struct Span {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        bool empty() const { return left >= right || top >= bottom; }
    };

    // The cells that a screen rectangle touches, part of them possibly off the view.
    Span extent(const PixelRect& r) const;
    // The same within the view.
    Span cover(const PixelRect& r) const;
    std::size_t index(int column, int row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
               static_cast<std::size_t>(column);
    }
    Cell& at(int column, int row) { return cells_[index(column, row)]; }
    const Cell& at(int column, int row) const { return cells_[index(column, row)]; }

    void fill(const PixelRect& r, std::uint32_t colour);
    // `picture` with its top left corner at `origin`, or stretched over `origin` when
    // `stretch` is set; only within `clip`.
    void picture(const Picture& picture, const PixelRect& origin, bool stretch,
                 const PixelRect& clip);
    // Lines laid out in `placed` from the row of its first text line on (from its first row
    // with `fromTop`), aligned (0 left, 1 right, 2 centred); only what falls within `clip`.
    void write(const std::vector<vb::String>& lines, const PixelRect& placed, const PixelRect& clip,
               std::int16_t alignment, std::uint32_t colour, bool fromTop = false);
    // The columns a text laid out in `r` may take: from the one nearest its left edge.
    Span textSpan(const PixelRect& r) const;
    // Drawn over the form's content, but not over its texts: on a short terminal the first
    // line of text below the frame falls on the frame's row.
    void frame(const PixelRect& r, bool sizing);
    void children(const Container& container, const PixelRect& client);
    void windowless(const Control& control, const PixelRect& client);
    void windowed(const Control& control, const PixelRect& clip);

    PixelRect view_;
    int columns_;
    int rows_;
    std::vector<Cell> cells_;
    // Counts the forms painted.
    int painting_ = 0;
};

} // namespace forms
