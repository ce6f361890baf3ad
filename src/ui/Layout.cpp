#include "ui/Layout.h"

namespace {

int Extent(LONG low, LONG high)
{
    int d = high - low;
    return d > 0 ? d + 1 : d - 1;
}

}  // namespace

int RectExtentX(const RECT& r)
{
    return Extent(r.left, r.right);
}

int RectExtentY(const RECT& r)
{
    return Extent(r.top, r.bottom);
}

bool ScreenRectToClient(HWND window, RECT& r)
{
    return ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2) != 0;
}

bool IsLayoutChild(std::uint32_t key, int depth, std::uint32_t parentKey)
{
    if (depth < 0 || depth >= 8) {
        return false;
    }
    const unsigned shift = 4u * static_cast<unsigned>(depth);
    const std::uint32_t digitMask = 0xF0000000u >> shift;
    const std::uint32_t lowerMask = 0x0FFFFFFFu >> shift;
    const std::uint32_t upperMask = depth == 0 ? 0u : 0xFFFFFFFFu << (32u - shift);
    return (key & digitMask) != 0 && (key & lowerMask) == 0 && (key & upperMask) == parentKey;
}

std::int32_t LayoutShare(std::int32_t weight, std::int32_t extra, std::int32_t weightSum)
{
    // A table whose sharing cells have no weight at all gives them nothing
    // rather than dividing by zero.
    if (weightSum == 0) {
        return 0;
    }
    return static_cast<std::int32_t>(static_cast<std::int64_t>(weight) * extra / weightSum);
}

namespace {

// One axis of a placement. The vertical modes are the horizontal ones moved
// up by four bits, so both axes share this: 2 centres, 3 moves to the far
// edge, 4 stretches; anything else keeps the position.
void PlaceAlongAxis(LONG& low, LONG& high, std::uint32_t mode, int share)
{
    switch (mode) {
        case kLayoutCentreX:
            low += share / 2;
            high += share / 2;
            break;
        case kLayoutRightX:
            low += share;
            high += share;
            break;
        case kLayoutStretchX:
            high += share;
            break;
        default:
            break;
    }
}

}  // namespace

RECT PlaceLayoutRect(const RECT& snapshot, std::uint32_t flags, int x, int y, int sw, int sh)
{
    RECT target = snapshot;
    ::OffsetRect(&target, x, y);
    PlaceAlongAxis(target.left, target.right, flags & 0xF, sw);
    PlaceAlongAxis(target.top, target.bottom, (flags >> 4) & 0xF, sh);
    return target;
}

void TakeLayoutSnapshot(HWND dialog, LayoutRule* table)
{
    if (table == nullptr) {
        return;
    }
    for (LayoutRule* rule = table; rule->key != 0; ++rule) {
        rule->rect = RECT{};
        HWND control = ::GetDlgItem(dialog, rule->controlId);
        if (control != nullptr && ::GetWindowRect(control, &rule->rect)) {
            ScreenRectToClient(dialog, rule->rect);
        }
    }
}

void ApplyLayout(HWND dialog, const LayoutRule* table, int depth, std::uint32_t parentKey, int x, int y, int dw, int dh)
{
    ComputeLayout(table, depth, parentKey, x, y, dw, dh, [dialog](const LayoutRule& rule, const RECT& target) {
        HWND control = ::GetDlgItem(dialog, rule.controlId);
        if (control == nullptr) {
            return;
        }
        RECT current{};
        ::GetWindowRect(control, &current);
        ScreenRectToClient(dialog, current);
        if (::EqualRect(&current, &target)) {
            return;
        }
        // Sized by the plain differences, not the extents, so that a control
        // ends up exactly on its target and is left alone by the next pass at
        // the same size. A shrunk (minimised) dialog may give negative sizes.
        int width = target.right - target.left;
        int height = target.bottom - target.top;
        ::MoveWindow(control, target.left, target.top, width > 0 ? width : 0, height > 0 ? height : 0, TRUE);
        ::InvalidateRect(control, nullptr, TRUE);
    });
}
