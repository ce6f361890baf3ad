#include "ui/Layout.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

struct Placed {
    std::int32_t controlId;
    RECT target;
};

std::vector<Placed> Compute(const LayoutRule* table, int dw, int dh)
{
    std::vector<Placed> placed;
    ComputeLayout(table, 0, 0, 0, 0, dw, dh, [&placed](const LayoutRule& rule, const RECT& target) {
        placed.push_back({rule.controlId, target});
    });
    return placed;
}

std::map<std::int32_t, RECT> ById(const std::vector<Placed>& placed)
{
    std::map<std::int32_t, RECT> result;
    for (const Placed& p : placed) {
        result[p.controlId] = p.target;
    }
    return result;
}

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom)
{
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

}  // namespace

TEST(ui_layout, RectHelpers)
{
    EXPECT_EQ(RectExtentX(RECT{0, 0, 100, 50}), 101);
    EXPECT_EQ(RectExtentY(RECT{0, 0, 100, 50}), 51);
    EXPECT_EQ(RectExtentX(RECT{}), -1);
    EXPECT_EQ(RectExtentY(RECT{0, 10, 0, 4}), -7);
}

TEST(ui_layout, ChildKeysByLevel)
{
    EXPECT_TRUE(IsLayoutChild(0x10000000, 0, 0));
    EXPECT_TRUE(IsLayoutChild(0xF0000000, 0, 0));
    EXPECT_FALSE(IsLayoutChild(0x21000000, 0, 0));
    EXPECT_TRUE(IsLayoutChild(0x21000000, 1, 0x20000000));
    EXPECT_FALSE(IsLayoutChild(0x21000000, 1, 0x30000000));
    EXPECT_TRUE(IsLayoutChild(0x23F00000, 2, 0x23000000));
    EXPECT_TRUE(IsLayoutChild(0x12345678, 7, 0x12345670));
    // A zero digit above a non-zero one belongs to no level.
    EXPECT_FALSE(IsLayoutChild(0x10100000, 0, 0));
    EXPECT_FALSE(IsLayoutChild(0x10100000, 1, 0x10000000));
    for (std::uint32_t digit = 1; digit < 16; ++digit) {
        EXPECT_FALSE(IsLayoutChild(0x10100000, 2, 0x10000000 | (digit << 24)));
    }
    EXPECT_FALSE(IsLayoutChild(0x12345678, 8, 0x12345678));
}

TEST(ui_layout, WorkedExampleAndTableOrder)
{
    LayoutRule table[] = {
        {0x10000000, 0, 0x33, 1, {200, 300, 260, 320}},
        {0x20000000, 1, 0x1044, 2, {10, 10, 100, 280}},
        {0x30000000, 1, 0x1044, 3, {110, 10, 200, 280}},
        {0, 0, 0, 0, {}},
    };
    auto placed = ById(Compute(table, 100, 40));
    ASSERT_EQ(placed.size(), 3u);
    ExpectRect(placed[1], 300, 340, 360, 360);
    ExpectRect(placed[2], 10, 10, 150, 320);
    ExpectRect(placed[3], 160, 10, 300, 320);

    // The same button listed last is pushed by both shares as well.
    LayoutRule reordered[] = {table[1], table[2], table[0], table[3]};
    placed = ById(Compute(reordered, 100, 40));
    ExpectRect(placed[1], 400, 340, 460, 360);
}

TEST(ui_layout, SharesAndCentring)
{
    LayoutRule centred[] = {{0x10000000, 0, kLayoutCentreX | kLayoutCentreY, 7, {10, 10, 20, 20}}, {}};
    ExpectRect(Compute(centred, 5, -5)[0].target, 12, 8, 22, 18);
    ExpectRect(Compute(centred, -5, 5)[0].target, 8, 12, 18, 22);

    // Three equal shares of 10 get 3 each; the pixel left over goes nowhere.
    LayoutRule thirds[] = {
        {0x10000000, 1, kLayoutShareX | kLayoutStretchX, 1, {0, 0, 10, 10}},
        {0x20000000, 1, kLayoutShareX | kLayoutStretchX, 2, {10, 0, 20, 10}},
        {0x30000000, 1, kLayoutShareX | kLayoutStretchX, 3, {20, 0, 30, 10}},
        {},
    };
    auto placed = ById(Compute(thirds, 10, 0));
    ExpectRect(placed[1], 0, 0, 13, 10);
    ExpectRect(placed[2], 13, 0, 26, 10);
    ExpectRect(placed[3], 26, 0, 39, 10);

    // Weights that add up to 0 give nothing instead of dividing by zero.
    LayoutRule unweighted[] = {{0x10000000, 0, kLayoutShareX | kLayoutShareY | 0x44, 1, {0, 0, 10, 10}}, {}};
    ExpectRect(Compute(unweighted, 50, 50)[0].target, 0, 0, 10, 10);
}

TEST(ui_layout, GroupingCellsAndUnreachableKeys)
{
    // A grouping cell of weight 1 beside one of weight 3 hands its children a
    // quarter of the width and pushes the sibling after it by that quarter.
    // The entry 0x10100000 is reached by no level: it is not placed and its
    // weight counts nowhere.
    LayoutRule table[] = {
        {0x11000000, 0, kLayoutStretchX, 11, {0, 0, 50, 10}},
        {0x10100000, 1000, kLayoutStretchX, 99, {0, 0, 5, 5}},
        {0x10000000, 1, kLayoutShareX, 0, {}},
        {0x20000000, 3, kLayoutShareX | kLayoutRightX, 20, {60, 0, 80, 10}},
        {0x12000000, 0, kLayoutRightX, 12, {40, 20, 50, 30}},
        {},
    };
    auto placed = Compute(table, 400, 0);
    auto byId = ById(placed);
    EXPECT_EQ(byId.count(99), 0u);
    ASSERT_EQ(placed.size(), 3u);
    // Children come before the cells that follow their parent.
    EXPECT_EQ(placed[0].controlId, 11);
    EXPECT_EQ(placed[1].controlId, 12);
    EXPECT_EQ(placed[2].controlId, 20);
    ExpectRect(byId[11], 0, 0, 150, 10);
    ExpectRect(byId[12], 140, 20, 150, 30);
    ExpectRect(byId[20], 460, 0, 480, 10);

    LayoutRule empty[] = {{0, 0, 0, 0, {}}, {0x10000000, 0, 0x33, 1, {}}};
    EXPECT_TRUE(Compute(empty, 10, 10).empty());
}

namespace {

// A plain resizable window that lays out two children on every WM_SIZE.
LayoutRule windowTable[] = {
    {0x10000000, 1, kLayoutShareX | kLayoutStretchX | kLayoutStretchY, 101, {}},
    {0x20000000, 1, kLayoutShareX | kLayoutRightX | kLayoutBottomY, 102, {}},
    {0x30000000, 0, kLayoutCentreX | kLayoutCentreY, 103, {}},
    {},
};
RECT initialClient;
bool snapshotTaken = false;

LRESULT CALLBACK LayoutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE && snapshotTaken) {
        RECT current{};
        ::GetClientRect(window, &current);
        ApplyLayout(window, windowTable, 0, 0, 0, 0, RectExtentX(current) - RectExtentX(initialClient),
                    RectExtentY(current) - RectExtentY(initialClient));
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

std::map<int, RECT> ChildRects(HWND window)
{
    std::map<int, RECT> rects;
    for (int id : {101, 102, 103}) {
        RECT r{};
        ::GetWindowRect(::GetDlgItem(window, id), &r);
        ScreenRectToClient(window, r);
        rects[id] = r;
    }
    return rects;
}

bool SameRects(const std::map<int, RECT>& a, const std::map<int, RECT>& b)
{
    for (const auto& entry : a) {
        if (!::EqualRect(&entry.second, &b.at(entry.first))) {
            return false;
        }
    }
    return true;
}

}  // namespace

TEST(ui_layout, RealWindowDoesNotDrift)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = LayoutWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"HoralLayoutTest";
    ASSERT_NE(::RegisterClassW(&windowClass), 0);
    HWND window = ::CreateWindowExW(0, L"HoralLayoutTest", L"layout", WS_OVERLAPPEDWINDOW, 50, 50, 400, 300, nullptr,
                                    nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    ::CreateWindowExW(0, L"STATIC", L"a", WS_CHILD | WS_VISIBLE, 10, 10, 100, 200, window, reinterpret_cast<HMENU>(101),
                      nullptr, nullptr);
    ::CreateWindowExW(0, L"STATIC", L"b", WS_CHILD | WS_VISIBLE, 120, 10, 60, 20, window, reinterpret_cast<HMENU>(102),
                      nullptr, nullptr);
    ::CreateWindowExW(0, L"STATIC", L"c", WS_CHILD | WS_VISIBLE, 200, 100, 40, 40, window, reinterpret_cast<HMENU>(103),
                      nullptr, nullptr);
    ::ShowWindow(window, SW_SHOWNORMAL);
    TakeLayoutSnapshot(window, windowTable);
    ::GetClientRect(window, &initialClient);
    snapshotTaken = true;
    auto original = ChildRects(window);
    ExpectRect(windowTable[0].rect, 10, 10, 110, 210);

    ::SetWindowPos(window, nullptr, 0, 0, 500, 360, SWP_NOMOVE | SWP_NOZORDER);
    auto larger = ChildRects(window);
    // Each control sits exactly on its computed target.
    RECT client{};
    ::GetClientRect(window, &client);
    int dw = RectExtentX(client) - RectExtentX(initialClient);
    int dh = RectExtentY(client) - RectExtentY(initialClient);
    EXPECT_EQ(dw, 100);
    EXPECT_EQ(dh, 60);
    ExpectRect(larger[101], 10, 10, 160, 270);
    ExpectRect(larger[102], 220, 70, 280, 90);
    ExpectRect(larger[103], 350, 130, 390, 170);  // pushed by both shares

    // Any history of sizes leads to the same rectangles for the same size.
    for (int width : {300, 700, 250, 500}) {
        ::SetWindowPos(window, nullptr, 0, 0, width, 360, SWP_NOMOVE | SWP_NOZORDER);
    }
    EXPECT_TRUE(SameRects(ChildRects(window), larger));

    ::ShowWindow(window, SW_MINIMIZE);
    ::ShowWindow(window, SW_RESTORE);
    EXPECT_TRUE(SameRects(ChildRects(window), larger));

    ::SetWindowPos(window, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(SameRects(ChildRects(window), original));
    ::DestroyWindow(window);
}
