// How the controls of a resizable dialog follow a change of its size. A table
// of LayoutRule entries describes a tree of cells: each cell receives part of
// its parent's growth, hands it on to its own children and moves or stretches
// its control inside what it received. Every pass starts from the snapshot
// taken when the dialog was created, so the result depends only on the size.
#pragma once

#include <windows.h>

#include <cstdint>

// Placement modes in flags: bits 0-3 horizontal, bits 4-7 vertical.
constexpr std::uint32_t kLayoutCentreX = 0x2;
constexpr std::uint32_t kLayoutRightX = 0x3;
constexpr std::uint32_t kLayoutStretchX = 0x4;
constexpr std::uint32_t kLayoutCentreY = 0x20;
constexpr std::uint32_t kLayoutBottomY = 0x30;
constexpr std::uint32_t kLayoutStretchY = 0x40;
// The cell takes its weighted part of the parent's extra size and pushes the
// siblings after it by that part.
constexpr std::uint32_t kLayoutShareX = 0x1000;
constexpr std::uint32_t kLayoutShareY = 0x2000;

struct LayoutRule {
    // Path from the root, one hexadecimal digit per level, most significant
    // first; 0 ends the table.
    std::uint32_t key;
    std::int32_t weight;
    std::uint32_t flags;
    std::int32_t controlId;  // 0: the cell only groups other cells
    RECT rect;               // the control's rectangle at the snapshot, client coordinates
};

// right - left, one more when positive and one less otherwise (so an empty
// rectangle has extent -1).
int RectExtentX(const RECT& r);
int RectExtentY(const RECT& r);

// Converts both corners from screen to the window's client coordinates.
bool ScreenRectToClient(HWND window, RECT& r);

// Whether `key` names a child of the cell `parentKey` at level `depth` (0-7).
bool IsLayoutChild(std::uint32_t key, int depth, std::uint32_t parentKey);

// The weighted part of `extra`; 0 when the weights add up to 0.
std::int32_t LayoutShare(std::int32_t weight, std::int32_t extra, std::int32_t weightSum);

// Where a control goes: its snapshot moved by (x, y), then moved or widened
// by the cell's extra width `sw` and height `sh` as its flags say.
RECT PlaceLayoutRect(const RECT& snapshot, std::uint32_t flags, int x, int y, int sw, int sh);

// Walks the children of `parentKey` at `depth` in table order, their own
// children first, and calls place(rule, target) for every cell that has a
// control. Pure arithmetic: nothing is read from or written to a window.
template <typename Place>
void ComputeLayout(const LayoutRule* table, int depth, std::uint32_t parentKey, int x, int y, int dw, int dh,
                   Place&& place)
{
    if (table == nullptr || depth >= 8 || table[0].key == 0) {
        return;
    }
    std::int32_t sum = 0;
    for (const LayoutRule* rule = table; rule->key != 0; ++rule) {
        if (IsLayoutChild(rule->key, depth, parentKey)) {
            sum += rule->weight;
        }
    }
    for (const LayoutRule* rule = table; rule->key != 0; ++rule) {
        if (!IsLayoutChild(rule->key, depth, parentKey)) {
            continue;
        }
        int sw = (rule->flags & kLayoutShareX) ? LayoutShare(rule->weight, dw, sum) : dw;
        int sh = (rule->flags & kLayoutShareY) ? LayoutShare(rule->weight, dh, sum) : dh;
        ComputeLayout(table, depth + 1, rule->key, x, y, sw, sh, place);
        if (rule->controlId != 0) {
            place(*rule, PlaceLayoutRect(rule->rect, rule->flags, x, y, sw, sh));
        }
        if (rule->flags & kLayoutShareX) {
            x += sw;
        }
        if (rule->flags & kLayoutShareY) {
            y += sh;
        }
    }
}

// Records every control's current rectangle in the table (until the
// terminator); a control that does not exist gets an empty rectangle.
void TakeLayoutSnapshot(HWND dialog, LayoutRule* table);

// Lays out the children of `parentKey` and moves each control that is not
// already where it belongs.
void ApplyLayout(HWND dialog, const LayoutRule* table, int depth, std::uint32_t parentKey, int x, int y, int dw,
                 int dh);
