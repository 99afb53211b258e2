#include "win32/Clipboard.h"

#include "win32/GdiObjects.h"

namespace win32 {

namespace {

struct ClipboardState {
    bool open = false;
    HBITMAP bitmap = 0;
};

ClipboardState& State() {
    static ClipboardState state;
    return state;
}

void DropBitmap(ClipboardState& state) {
    if (gdi::Bitmap* held = gdi::Objects::instance().bitmap(state.bitmap)) {
        held->onClipboard = false;
        DeleteObject(state.bitmap);
    }
    state.bitmap = 0;
}

} // namespace

bool OpenClipboard(HWND) {
    ClipboardState& state = State();
    if (state.open) {
        return false;
    }
    state.open = true;
    return true;
}

bool EmptyClipboard() {
    ClipboardState& state = State();
    if (!state.open) {
        return false;
    }
    DropBitmap(state);
    return true;
}

HGDIOBJ SetClipboardData(std::uint32_t uFormat, HGDIOBJ hMem) {
    ClipboardState& state = State();
    gdi::Objects& objects = gdi::Objects::instance();
    gdi::Bitmap* given = objects.bitmap(hMem);
    if (!state.open || uFormat != CF_BITMAP || given == nullptr || hMem == objects.stockBitmap() ||
        given->selectedInto != 0) {
        return 0;
    }
    if (state.bitmap != hMem) {
        DropBitmap(state);
    }
    given->onClipboard = true;
    state.bitmap = hMem;
    return hMem;
}

HGDIOBJ GetClipboardData(std::uint32_t uFormat) {
    const ClipboardState& state = State();
    return state.open && uFormat == CF_BITMAP ? state.bitmap : 0;
}

bool CloseClipboard() {
    ClipboardState& state = State();
    const bool wasOpen = state.open;
    state.open = false;
    return wasOpen;
}

} // namespace win32
