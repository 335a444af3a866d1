#include "app/tools/window_place_win32.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "app/compare_pane_win32.h"
#include "app/shell_state.h"
#include "app/tools/bookmarks_window_win32.h"
#include "hexview/comparison_view.h"
#include "host/display_scale.h"

namespace quillix {
namespace {

LONG widthOf(const RECT& r) { return r.right - r.left; }
LONG heightOf(const RECT& r) { return r.bottom - r.top; }

// at, moved just far enough to let extent fit between low and high (low wins when it cannot).
LONG pushInto(LONG at, LONG extent, LONG low, LONG high) { return std::max(low, std::min(at, high - extent)); }

// No part of place lies on the frame or on any of others.
bool clearOf(const RECT& place, const RECT& frame, const std::vector<RECT>& others) {
    RECT overlap{};
    if (IntersectRect(&overlap, &place, &frame)) return false;
    for (const RECT& other : others)
        if (IntersectRect(&overlap, &place, &other)) return false;
    return true;
}

}  // namespace

RECT workAreaAt(const RECT& place) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromRect(&place, MONITOR_DEFAULTTONEAREST), &monitor)) return monitor.rcWork;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

RECT fitInto(const RECT& place, const RECT& area) {
    const LONG cx = std::min(widthOf(place), widthOf(area)), cy = std::min(heightOf(place), heightOf(area));
    const LONG x = pushInto(place.left, cx, area.left, area.right), y = pushInto(place.top, cy, area.top, area.bottom);
    return RECT{x, y, x + cx, y + cy};
}

RECT placeBeside(const RECT& frame, SIZE size, SIZE least, const RECT& workArea, const std::vector<RECT>& others) {
    // Whole, right of, left of, below or above the frame, else one of the other tool
    // windows, moved into the work area: the first place clear of them all.
    std::vector<RECT> anchors{frame};
    anchors.insert(anchors.end(), others.begin(), others.end());
    for (const RECT& anchor : anchors) {
        for (const POINT corner : {POINT{anchor.right, anchor.top}, POINT{anchor.left - size.cx, anchor.top},
                                   POINT{anchor.left, anchor.bottom}, POINT{anchor.left, anchor.top - size.cy}}) {
            const RECT place = fitInto(RECT{corner.x, corner.y, corner.x + size.cx, corner.y + size.cy}, workArea);
            if (widthOf(place) == size.cx && heightOf(place) == size.cy && clearOf(place, frame, others))
                return place;
        }
    }
    least.cx = least.cx > 0 ? std::min(least.cx, size.cx) : size.cx;
    least.cy = least.cy > 0 ? std::min(least.cy, size.cy) : size.cy;
    // The work area on each side of the frame, in the order they are tried.
    const RECT rooms[] = {
        {std::max(frame.right, workArea.left), workArea.top, workArea.right, workArea.bottom},
        {workArea.left, workArea.top, std::min(frame.left, workArea.right), workArea.bottom},
        {workArea.left, std::max(frame.bottom, workArea.top), workArea.right, workArea.bottom},
        {workArea.left, workArea.top, workArea.right, std::min(frame.top, workArea.bottom)},
    };
    // The window in a room, level with the frame's top (at the sides) or left edge (above
    // and below), as large as the room allows up to size.
    auto placeIn = [&](const RECT& room, int side) {
        const LONG cx = std::min(size.cx, widthOf(room)), cy = std::min(size.cy, heightOf(room));
        const LONG x = side == 0 ? room.left : side == 1 ? room.right - cx : pushInto(frame.left, cx, room.left, room.right);
        const LONG y = side == 2 ? room.top : side == 3 ? room.bottom - cy : pushInto(frame.top, cy, room.top, room.bottom);
        return RECT{x, y, x + cx, y + cy};
    };
    int best = -1;
    LONG bestArea = 0;
    for (int side = 0; side < 4; ++side) {
        const RECT& room = rooms[side];
        if (widthOf(room) < least.cx || heightOf(room) < least.cy) continue;
        const RECT place = placeIn(room, side);
        if (widthOf(place) == size.cx && heightOf(place) == size.cy) return place;
        if (widthOf(place) * heightOf(place) > bestArea) {
            best = side;
            bestArea = widthOf(place) * heightOf(place);
        }
    }
    if (best >= 0) return placeIn(rooms[best], best);
    const LONG x = pushInto(workArea.right - least.cx, least.cx, workArea.left, workArea.right);
    const LONG y = pushInto(workArea.bottom - least.cy, least.cy, workArea.top, workArea.bottom);
    return RECT{x, y, x + least.cx, y + least.cy};
}

namespace {

// The other tool windows on screen, in the order they keep their places.
std::array<HWND, 4> toolWindows() {
    return {shell.inspector, shell.checksums, bookmarksWindow(), shell.searchResults};
}

std::vector<RECT> toolWindowsBut(HWND window) {
    std::vector<RECT> places;
    for (HWND tool : toolWindows()) {
        RECT place{};
        if (tool && tool != window && IsWindowVisible(tool) && GetWindowRect(tool, &place)) places.push_back(place);
    }
    return places;
}

}  // namespace

void placeBesideFrame(HWND window, SIZE size, SIZE least) {
    RECT frame{};
    GetWindowRect(shell.frame, &frame);
    const RECT place = placeBeside(frame, size, least, workAreaAt(frame), toolWindowsBut(window));
    SetWindowPos(window, nullptr, place.left, place.top, widthOf(place), heightOf(place),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void keepToolWindowsClear() {
    RECT frame{};
    GetWindowRect(shell.frame, &frame);
    std::vector<RECT> kept;
    for (HWND tool : toolWindows()) {
        RECT place{};
        if (!tool || !IsWindowVisible(tool) || !GetWindowRect(tool, &place)) continue;
        if (!clearOf(place, frame, kept)) {
            const SIZE size{widthOf(place), heightOf(place)};
            place = placeBeside(frame, size, size, workAreaAt(frame), kept);
            SetWindowPos(tool, nullptr, place.left, place.top, widthOf(place), heightOf(place),
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        kept.push_back(place);
    }
}

RECT placeClearOf(const RECT& place, const RECT& target, const RECT& workArea) {
    RECT overlap{};
    if (!IntersectRect(&overlap, &place, &target)) return place;
    const LONG height = heightOf(place);
    const RECT above{place.left, target.top - height, place.right, target.top};
    const RECT below{place.left, target.bottom, place.right, target.bottom + height};
    const bool roomAbove = target.top - workArea.top >= height,
               roomBelow = workArea.bottom - target.bottom >= height;
    // The side the window mostly lies on already, when it has the room; else the other.
    const bool upper = place.top + place.bottom < target.top + target.bottom;
    const bool goAbove = roomAbove && (upper || !roomBelow);
    if (!goAbove && !roomBelow)
        return fitInto(target.top - workArea.top > workArea.bottom - target.bottom ? above : below, workArea);
    return fitInto(goAbove ? above : below, workArea);
}

void moveClearOf(HWND window, const RECT& target) {
    RECT place{};
    if (!GetWindowRect(window, &place)) return;
    const RECT clear = placeClearOf(place, target, workAreaAt(place));
    if (EqualRect(&clear, &place)) return;
    SetWindowPos(window, nullptr, clear.left, clear.top, widthOf(clear), heightOf(clear),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void growFrameToRows() {
    if (IsZoomed(shell.frame) || IsIconic(shell.frame)) return;
    RECT outer{}, viewClient{};
    GetWindowRect(shell.frame, &outer);
    GetClientRect(shell.hexView, &viewClient);
    const LONG rowsWidth = static_cast<LONG>(shell.view.layout.cells * shell.view.charWidth);
    const LONG missing = (comparing(shell.view) ? otherPaneLeft() : 0) + rowsWidth - viewClient.right;
    if (missing <= 0) return;
    const RECT place = fitInto(RECT{outer.left, outer.top, outer.right + missing, outer.bottom}, workAreaAt(outer));
    SetWindowPos(shell.frame, nullptr, place.left, place.top, widthOf(place), heightOf(place),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void sizeFirstFrame(HWND frame) {
    RECT outer{}, client{}, viewOuter{}, viewClient{};
    GetWindowRect(frame, &outer);
    GetClientRect(frame, &client);
    GetWindowRect(shell.hexView, &viewOuter);
    GetClientRect(shell.hexView, &viewClient);
    // What the frame and the view draw around their client areas, as they are drawn now.
    const LONG edges = widthOf(outer) - client.right + widthOf(viewOuter) - viewClient.right;
    const LONG rowsWidth = static_cast<LONG>(shell.view.layout.cells * shell.view.charWidth);
    const LONG width = std::max<LONG>(scalePixels(frameWidth96, shell.view.dpi), rowsWidth + edges);
    const RECT place = fitInto(RECT{outer.left, outer.top, outer.left + width,
                                    outer.top + scalePixels(frameHeight96, shell.view.dpi)},
                               workAreaAt(outer));
    SetWindowPos(frame, nullptr, place.left, place.top, widthOf(place), heightOf(place), SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace quillix
