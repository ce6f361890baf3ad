// The soak: many synchronisation cycles and many dialogs in one process must
// leave nothing behind.
//
//   horal_soak --cycles N --dialogs M [--check]
//
// Cycles rotate through four loopback time servers that the caller runs: none
// at 127.0.3.1 (refused), 127.0.3.2=close:1 (closes after one byte),
// 127.0.3.3=extra:136056704 (2040-06-01, and more bytes than four) and
// 127.0.3.4=offset:0 (answers). Each cycle is one SynchronizeOnce with its own
// Winsock session. Then M times the same two dialogs are shown bare, by
// DialogBoxParamW with an empty procedure, which measures what Wine itself
// grows by. Then M times the configuration dialog is opened and closed by
// Cancel, and a typed-list dialog is opened, sorted by a header click on a
// Date, a Money and a Text column, and closed.
//
// The process's kernel handles, private bytes, GDI and USER objects are
// counted after a warm-up and after each third of the rest of each part, and
// in the dialog parts the heap in use after every pair of dialogs. With
// --check the exit code is 1 when handles, GDI or USER objects kept growing
// (higher at every count), when the cycles' memory grew beyond its bound, or
// when the program's dialogs grew beyond what the bare ones grew by (the slope
// of the heap in use, or private bytes); 3 when the servers or the dialogs did
// not behave as set up.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "ResourceCounts.h"
#include "Seconds.h"
#include "TypedList.h"
#include "SoakIds.h"
#include "platform/Handles.h"
#include "timesync/Synchronization.h"
#include "ui/ConfigDialog.h"
#include "ui/TypedListView.h"

namespace {

struct Options {
    long cycles = 0;
    long dialogs = 0;
    bool check = false;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--check") {
            options.check = true;
        } else if ((argument == "--cycles" || argument == "--dialogs") && i + 1 < argc) {
            char* end = nullptr;
            const long value = std::strtol(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0' || value < 0) {
                return false;
            }
            (argument == "--cycles" ? options.cycles : options.dialogs) = value;
        } else {
            return false;
        }
    }
    return true;
}

struct DesktopTraits {
    using Type = HDESK;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::CloseDesktop(h); }
};
using UniqueDesktop = UniqueHandle<DesktopTraits>;

constexpr wchar_t kDesktopName[] = L"HoralSoak";

// Under Wine on a display without a window manager (Xvfb), hiding a top-level
// window that Wine's X11 driver hands to the window manager waits 2 s for an
// answer that never comes, so every dialog would take 2 s to close. A desktop
// of a fixed size in one X window of its own (Wine's "virtual desktop") hands
// no window to a window manager. Wine reads the size of a desktop by its name
// when the desktop's process starts, which is at its first window; Windows
// knows no such setting, and under Windows nothing is written.
void AskWineForVirtualDesktop(const wchar_t* desktopName)
{
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr || ::GetProcAddress(ntdll, "wine_get_version") == nullptr) {
        return;
    }
    UniqueHkey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, key.Put(), nullptr) == ERROR_SUCCESS) {
        static const wchar_t kSize[] = L"1024x768";
        ::RegSetValueExW(key.Get(), desktopName, 0, REG_SZ, reinterpret_cast<const BYTE*>(kSize), sizeof(kSize));
    }
}

// --- Synchronisation cycles ---------------------------------------------

struct TestServer {
    const wchar_t* address;
    const char* behaviour;
    bool answers;  // whether a cycle against it ends with an answer
};

const TestServer kServers[] = {
    {L"127.0.3.1", "nothing listens", false},
    {L"127.0.3.2", "closes after one byte", false},
    {L"127.0.3.3", "sends 8 bytes more", true},
    {L"127.0.3.4", "answers", true},
};
constexpr int kServerCount = 4;

struct CycleTally {
    long answered[kServerCount] = {};
    long run[kServerCount] = {};
};

void RunCycles(long first, long count, CycleTally& tally)
{
    for (long cycle = first; cycle < first + count; ++cycle) {
        const int server = static_cast<int>(cycle % kServerCount);
        ++tally.run[server];
        // A cycle of one query each: the refinement's timed queries would make
        // the soak wait, not work.
        CycleControls oneQuery;
        oneQuery.refinements = 0;
        if (SynchronizeOnce(kServers[server].address, oneQuery)) {
            ++tally.answered[server];
        }
    }
}

// --- Dialogs -------------------------------------------------------------

constexpr UINT kRunScript = WM_APP + 20;

// The configuration dialog the timer below presses Cancel on.
ConfigDialog* dialogToCancel = nullptr;

// A thread timer: it fires inside the dialog's modal loop, once the dialog is up.
void CALLBACK PressCancel(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (dialogToCancel == nullptr || dialogToCancel->hwnd == nullptr) {
        return;
    }
    ::KillTimer(nullptr, timer);
    HWND dialog = dialogToCancel->hwnd;
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDCANCEL)));
}

// The records of the typed list, made once before any measurement; they
// must outlive every list that shows them.
std::vector<std::wstring> soakRecords;

void MakeRecords(int count)
{
    const wchar_t* const names[] = {L"meyer", L"Albers", L"Meyer", L"Z\u00e4nder", L"Otto", L"berg", L"Kraus"};
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFF;
    };
    for (int i = 0; i < count; ++i) {
        wchar_t record[256];
        std::swprintf(record, 256,
                      L"<Member><Name>%ls %u</Name><Amount>%ls%u,%02u</Amount><Date>%04u%02u%02u</Date>"
                      L"<Mitglnr>%d</Mitglnr></Member>",
                      names[next() % 7], next() % 100, next() % 3 == 0 ? L"-" : L"", next() % 5000, next() % 100,
                      1990 + next() % 30, 1 + next() % 12, 1 + next() % 28, i);
        soakRecords.push_back(record);
    }
}

ColumnDescriptor soakColumns[] = {
    {0, {}, L"Name", L"Text"},
    {1, {}, L"Amount", L"Money"},
    {2, {}, L"Date", L"Date"},
};
constexpr int kSoakColumnCount = 3;

// The list follows the dialog's size; the button stays in the corner.
LayoutRule soakLayout[] = {
    {0x10000000, 0, kLayoutRightX | kLayoutBottomY, IDOK, {}},
    {0x20000000, 0, kLayoutStretchX | kLayoutStretchY, IDC_SOAK_LIST, {}},
    {},
};

class TypedListDialog : public ModalDialog {
public:
    TypedListDialog() : ModalDialog(soakLayout) {}

    INT_PTR DialogProc(HWND window, UINT message, WPARAM, LPARAM) override
    {
        if (message == WM_INITDIALOG) {
            ::PostMessageW(window, kRunScript, 0, 0);
            return TRUE;
        }
        if (message == kRunScript) {
            HWND list = ::GetDlgItem(window, IDC_SOAK_LIST);
            AddTypedColumns(list, soakColumns, kSoakColumnCount, 90);
            FillTypedList(list, soakRecords, kSoakColumnCount);
            ::UpdateWindow(window);
            sorted = true;
            // Date, Money, Text: each click on a new column sorts it ascending.
            for (int column : {2, 1, 0}) {
                ClickColumn(window, list, column);
                // The visible cells are drawn from their records now.
                ::UpdateWindow(list);
                sorted = sorted && IsSortedBy(list, soakColumns[column], soakRecords.size());
            }
            Close(1);
            return TRUE;
        }
        return FALSE;
    }

    bool sorted = false;
};

struct DialogTally {
    long configCancelled = 0;
    long listsSorted = 0;
};

void RunDialogs(long count, DialogTally& tally)
{
    HINSTANCE module = ::GetModuleHandleW(nullptr);
    for (long i = 0; i < count; ++i) {
        ConfigDialog config;
        dialogToCancel = &config;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, PressCancel);
        if (config.DoModal(module, kConfigDialogId, nullptr) == 0) {
            ++tally.configCancelled;
        }
        // Gone already when the timer pressed Cancel; a dialog that never came
        // up leaves it to be stopped here.
        ::KillTimer(nullptr, timer);
        dialogToCancel = nullptr;

        TypedListDialog list;
        if (list.DoModal(module, IDD_SOAK_LIST, nullptr) == 1 && list.sorted) {
            ++tally.listsSorted;
        }
    }
}

// The same two dialogs shown bare: DialogBoxParamW with a procedure that does
// nothing (it only notes its window for the timer that ends it), none of the
// program's code. What they grow by is Wine's own.
HWND bareDialog = nullptr;

INT_PTR CALLBACK BareDialogProc(HWND window, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        bareDialog = window;
    }
    return FALSE;
}

void CALLBACK EndBareDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (bareDialog != nullptr) {
        ::KillTimer(nullptr, timer);
        ::EndDialog(bareDialog, 1);
        bareDialog = nullptr;
    }
}

// The number of dialogs that came up and were ended.
long RunBareDialogs(long count)
{
    HINSTANCE module = ::GetModuleHandleW(nullptr);
    long ended = 0;
    for (long i = 0; i < count; ++i) {
        for (const WORD id : {kConfigDialogId, static_cast<WORD>(IDD_SOAK_LIST)}) {
            const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, EndBareDialog);
            ended += ::DialogBoxParamW(module, MAKEINTRESOURCEW(id), nullptr, BareDialogProc, 0) == 1 ? 1 : 0;
            ::KillTimer(nullptr, timer);
        }
    }
    return ended;
}

// The heap in use after every run of a part (a pair of dialogs). What the
// counting at a checkpoint keeps (the breakdowns of the report) is left out.
class HeapTrace {
public:
    // Room for every sample from the start: a vector that grows while it is
    // sampled would be counted itself.
    explicit HeapTrace(long total) { samples.reserve(static_cast<std::size_t>(total) + 1); }

    // Before each slice of runs.
    void Resume()
    {
        if (!samples.empty()) {
            excluded += HeapBytesInUse() - lastRaw;
        }
    }
    void Sample(long runs)
    {
        lastRaw = HeapBytesInUse();
        samples.push_back({runs, lastRaw - excluded});
    }
    // Bytes per run over the second half of `total` runs: the least-squares
    // slope of the samples there. A cache that fills in the first half does
    // not count, and neither does where a heap's step happens to fall.
    double SecondHalfSlope(long total) const
    {
        double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (const auto& [runs, bytes] : samples) {
            if (runs >= total / 2) {
                const double x = static_cast<double>(runs), y = static_cast<double>(bytes);
                n += 1, sx += x, sy += y, sxx += x * x, sxy += x * y;
            }
        }
        const double spread = n * sxx - sx * sx;
        return spread > 0 ? (n * sxy - sx * sy) / spread : 0;
    }

    // From the sample after `runs` to the last.
    std::int64_t GrowthAfter(long runs) const
    {
        for (const auto& [done, bytes] : samples) {
            if (done == runs) {
                return samples.back().second - bytes;
            }
        }
        return 0;
    }

    std::vector<std::pair<long, std::int64_t>> samples;

private:
    std::int64_t lastRaw = 0;
    std::int64_t excluded = 0;
};

// --- Report --------------------------------------------------------------

// Memory growth allowed before the check fails. The heap takes memory from
// the system in steps (64 KiB under Wine) and keeps freed blocks for reuse, so
// private bytes move in steps even without a leak; 64 KiB is the bound of a
// full run (10,000 cycles), which so fails from the second step on. A short
// run (1,000 cycles) is given the same bound rather than a tenth of it, which
// would be less than one step: it still catches a leak of about 70 bytes per
// cycle, and smaller leaks are what the full run is for.
constexpr std::int64_t kMemoryBound = 64 * 1024;

// Private bytes that the program's dialogs may grow by beyond the bare ones'.
// Their heap in use grows as the bare ones' does, but they allocate and free
// larger blocks (the list's records and texts) between Wine's small ones, so
// which of the two parts pays for the next 64 KiB step is chance: one step
// more (once 64 KiB and a page) is no leak. A leak outside the heaps, a page
// a dialog, grows by megabytes in a full run and by 800 KiB in a short one.
constexpr std::int64_t kDialogMemoryBound = 256 * 1024;

// Bytes per dialog that the heap in use of the program's dialogs may grow by
// beyond the bare ones'. Under Wine 8 showing a dialog, even bare, leaves 18
// bytes more in use each time (and commits 64 KiB more every few hundred
// dialogs); the program's dialogs add nothing to it, run after run, so this
// bound is there for rounding alone and catches a leak of one small block per
// dialog, in a short run as well as a long one.
constexpr double kSlopeBound = 8;

// What Report judges: every figure; the objects alone (the memory of the
// dialogs is judged against the bare ones); nothing (the bare ones, which are
// Wine's own).
enum class Judged { Everything, ObjectsOnly, Nothing };

struct Growth {
    bool grew = false;
    std::string what;
};

// The counts taken after `runs` runs of a part.
struct Checkpoint {
    long runs;
    ResourceCounts counts;
};

// Runs a part `total` times, `run(first, count)` at a time: a warm-up (a tenth,
// at least one, at most `cap`), then the rest in three equal slices, counting
// after the warm-up and after each slice. `seconds` receives the time of the
// slices, the counting not included.
template <typename Run>
std::vector<Checkpoint> RunWithCheckpoints(long total, long cap, Run run, double& seconds)
{
    const long warmUp = std::clamp(total / 10, 1L, cap);
    run(0, warmUp);
    std::vector<Checkpoint> points{{warmUp, MeasureResources()}};
    seconds = 0;
    for (long slice = 1; slice <= 3; ++slice) {
        const long done = warmUp + (total - warmUp) * slice / 3;
        const double started = Now();
        run(points.back().runs, done - points.back().runs);
        seconds += Now() - started;
        points.push_back({done, MeasureResources()});
    }
    return points;
}

// A leak keeps growing: the count is higher at every checkpoint than at the
// one before. A cache grows to a plateau (Wine keeps the device contexts of
// painted windows for reuse, each with its visible region, and how soon it has
// all it needs depends on the host), and a plateau reached anywhere is no leak.
bool KeepsGrowing(const std::vector<Checkpoint>& points, Figure ResourceCounts::*figure)
{
    for (std::size_t i = 1; i < points.size(); ++i) {
        if ((points[i].counts.*figure).value <= (points[i - 1].counts.*figure).value) {
            return false;
        }
    }
    return points.size() > 1;
}

// Prints the counts at the start and at every checkpoint, and the growth
// from the first checkpoint to the last; judges it.
Growth Report(const char* part, const ResourceCounts& start, const std::vector<Checkpoint>& points, Judged judged)
{
    std::printf("  %-15s %11s", "", "at start");
    for (const Checkpoint& point : points) {
        std::printf(" %11s", ("after " + std::to_string(point.runs)).c_str());
    }
    std::printf(" %9s\n", "growth");
    const ResourceCounts& first = points.front().counts;
    const ResourceCounts& last = points.back().counts;
    Growth growth;
    const std::pair<const char*, Figure ResourceCounts::*> rows[] = {
        {"kernel handles", &ResourceCounts::kernelHandles},
        {"private bytes", &ResourceCounts::privateBytes},
        {"GDI objects", &ResourceCounts::gdiObjects},
        {"USER objects", &ResourceCounts::userObjects},
    };
    for (const auto& [name, figure] : rows) {
        const std::int64_t delta = (last.*figure).value - (first.*figure).value;
        std::printf("  %-15s %11" PRId64, name, (start.*figure).value);
        for (const Checkpoint& point : points) {
            std::printf(" %11" PRId64, (point.counts.*figure).value);
        }
        std::printf(" %+9" PRId64 "\n", delta);
        // The breakdown at the end, and where it changed, the one after the warm-up.
        if ((last.*figure).detail != (first.*figure).detail) {
            std::printf("      after the warm-up: %s\n      at the end:        %s\n", (first.*figure).detail.c_str(),
                        (last.*figure).detail.c_str());
        } else if (!(last.*figure).detail.empty()) {
            std::printf("      %s\n", (last.*figure).detail.c_str());
        }
        // Memory moves in the heap's steps and is held to a bound instead.
        const bool memory = figure == &ResourceCounts::privateBytes;
        const bool judgedHere = judged == Judged::Everything || (judged == Judged::ObjectsOnly && !memory);
        if (judgedHere && (memory ? delta > kMemoryBound : KeepsGrowing(points, figure))) {
            growth.grew = true;
            growth.what += std::string("  ") + part + ": " + name + " grew by " + std::to_string(delta) + "\n";
        }
    }
    if (judged == Judged::Everything) {
        std::printf("  private bytes grew by %.1f KiB (bound %" PRId64 " KiB)\n",
                    static_cast<double>(last.privateBytes.value - first.privateBytes.value) / 1024,
                    kMemoryBound / 1024);
    }
    return growth;
}

// The program's dialogs against the bare ones: the slope of the heap in use
// over the second half, and the private bytes after the warm-up, each beyond
// what the bare dialogs grew by. The heap's growth after the warm-up is told,
// not judged: caches fill in the first half.
Growth JudgeAgainstBare(long total, const HeapTrace& heap, const std::vector<Checkpoint>& points,
                        const HeapTrace& bareHeap, const std::vector<Checkpoint>& barePoints)
{
    // Two dialogs a pair.
    const double bareSlope = bareHeap.SecondHalfSlope(total) / 2;
    const double beyondSlope = heap.SecondHalfSlope(total) / 2 - bareSlope;
    const auto privateGrowth = [](const std::vector<Checkpoint>& p) {
        return p.back().counts.privateBytes.value - p.front().counts.privateBytes.value;
    };
    const std::int64_t bareGrowth = privateGrowth(barePoints);
    const std::int64_t beyond = privateGrowth(points) - bareGrowth;
    const std::int64_t bareHeapGrowth = bareHeap.GrowthAfter(barePoints.front().runs);
    std::printf("  against the bare dialogs (Wine's own):\n");
    std::printf("  heap in use after the warm-up: %+" PRId64 " beyond Wine's own %+" PRId64 "\n",
                heap.GrowthAfter(points.front().runs) - bareHeapGrowth, bareHeapGrowth);
    std::printf(
        "  heap in use, pairs %ld to %ld: the program's dialogs grow %+.1f bytes per dialog beyond Wine's own "
        "%+.1f (bound %.0f)\n",
        total / 2, total, beyondSlope, bareSlope, kSlopeBound);
    std::printf("  private bytes after the warm-up: %+" PRId64 " beyond Wine's own %+" PRId64 " (bound %" PRId64
                " KiB)\n",
                beyond, bareGrowth, kDialogMemoryBound / 1024);
    Growth growth;
    if (beyondSlope > kSlopeBound) {
        growth.grew = true;
        char line[128];
        std::snprintf(line, sizeof(line), "  dialogs: heap in use grew by %.1f bytes per dialog beyond Wine's own\n",
                      beyondSlope);
        growth.what += line;
    }
    if (beyond > kDialogMemoryBound) {
        growth.grew = true;
        growth.what += "  dialogs: private bytes grew by " + std::to_string(beyond) + " beyond Wine's own\n";
    }
    return growth;
}

void PrintMethods(const ResourceCounts& counts)
{
    std::printf("How each figure is measured:\n");
    std::printf("  kernel handles: %s\n", counts.kernelHandles.method.c_str());
    std::printf("  private bytes:  %s\n", counts.privateBytes.method.c_str());
    std::printf("  GDI objects:    %s\n", counts.gdiObjects.method.c_str());
    std::printf("  USER objects:   %s\n", counts.userObjects.method.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::printf("usage: horal_soak --cycles N --dialogs M [--check]\n");
        return 2;
    }
    // The cycles write "Couldn't set time! :-(" (Wine refuses to set the clock)
    // and "horal: ..." for an early close to stderr thousands of times.
    if (std::freopen("NUL", "w", stderr) == nullptr) {
        std::printf("horal_soak: stderr cannot be silenced\n");
    }
    // A desktop of its own: the dialogs come up the same whatever state the
    // shared default desktop is in.
    AskWineForVirtualDesktop(kDesktopName);
    const UniqueDesktop desktop(::CreateDesktopW(kDesktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr));
    if (!desktop || !::SetThreadDesktop(desktop.Get())) {
        std::printf("horal_soak: no desktop of its own (error %lu); using the default one\n", ::GetLastError());
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    MakeRecords(40);

    std::printf("horal_soak: %ld cycles, %ld dialogs%s\n", options.cycles, options.dialogs,
                options.check ? ", check" : "");
    std::fflush(stdout);
    const double started = Now();
    const ResourceCounts start = MeasureResources();
    PrintMethods(start);
    std::printf("  (one count of all four took %.1f s)\n", Now() - started);
    std::fflush(stdout);

    Growth cycleGrowth;
    bool serversAsExpected = true;
    if (options.cycles > 0) {
        CycleTally tally;
        double elapsed = 0;
        const auto points = RunWithCheckpoints(
            options.cycles, 100, [&](long first, long count) { RunCycles(first, count, tally); }, elapsed);

        std::printf("\nSynchronisation cycles: %ld, rotating through\n", options.cycles);
        for (int s = 0; s < kServerCount; ++s) {
            const long expected = kServers[s].answers ? tally.run[s] : 0;
            std::printf("  %ls (%s): answered %ld of %ld\n", kServers[s].address, kServers[s].behaviour,
                        tally.answered[s], tally.run[s]);
            serversAsExpected = serversAsExpected && tally.answered[s] == expected;
        }
        const long timed = options.cycles - points.front().runs;
        std::printf("  %ld cycles after the warm-up in %.1f s (%.2f ms per cycle)\n", timed, elapsed,
                    elapsed * 1e3 / static_cast<double>(std::max(timed, 1L)));
        cycleGrowth = Report("cycles", start, points, Judged::Everything);
        std::fflush(stdout);
    }

    Growth dialogGrowth;
    bool dialogsAsExpected = true;
    if (options.dialogs > 0) {
        // Wine's own growth first: what the first dialogs of a process make
        // once falls into its warm-up.
        // Each pair of dialogs shown by `showPair`, the heap sampled after it.
        const auto traced = [&](HeapTrace& heap, double& elapsed, auto showPair) {
            return RunWithCheckpoints(
                options.dialogs, 5,
                [&](long first, long count) {
                    heap.Resume();
                    for (long i = 1; i <= count; ++i) {
                        showPair();
                        heap.Sample(first + i);
                    }
                },
                elapsed);
        };
        const auto printTimed = [&](const std::vector<Checkpoint>& points, double elapsed) {
            const long timed = options.dialogs - points.front().runs;
            std::printf("  %ld pairs after the warm-up in %.1f s (%.1f ms per pair)\n", timed, elapsed,
                        elapsed * 1e3 / static_cast<double>(std::max(timed, 1L)));
        };
        HeapTrace bareHeap(options.dialogs);
        long bareEnded = 0;
        double bareElapsed = 0;
        const auto barePoints = traced(bareHeap, bareElapsed, [&] { bareEnded += RunBareDialogs(1); });
        std::printf("\nBare dialogs: %ld times both dialogs by DialogBoxParamW with an empty procedure\n",
                    options.dialogs);
        std::printf("  ended by a timer: %ld of %ld\n", bareEnded, 2 * options.dialogs);
        printTimed(barePoints, bareElapsed);
        Report("bare dialogs", start, barePoints, Judged::Nothing);
        std::fflush(stdout);

        DialogTally tally;
        HeapTrace heap(options.dialogs);
        double elapsed = 0;
        const auto points = traced(heap, elapsed, [&] { RunDialogs(1, tally); });

        std::printf("\nDialogs: %ld times the configuration dialog and the typed list\n", options.dialogs);
        std::printf("  configuration dialog closed by Cancel: %ld of %ld\n", tally.configCancelled, options.dialogs);
        std::printf("  typed list sorted by Date, Money and Text: %ld of %ld\n", tally.listsSorted, options.dialogs);
        printTimed(points, elapsed);
        dialogsAsExpected = tally.configCancelled == options.dialogs && tally.listsSorted == options.dialogs &&
                            bareEnded == 2 * options.dialogs;
        dialogGrowth = Report("dialogs", start, points, Judged::ObjectsOnly);
        const Growth beyond = JudgeAgainstBare(options.dialogs, heap, points, bareHeap, barePoints);
        dialogGrowth.grew = dialogGrowth.grew || beyond.grew;
        dialogGrowth.what += beyond.what;
    }

    std::printf("\n");
    int status = 0;
    if (!serversAsExpected || !dialogsAsExpected) {
        std::printf("The %s did not behave as set up.\n", !serversAsExpected ? "time servers" : "dialogs");
        status = 3;
    }
    if (cycleGrowth.grew || dialogGrowth.grew) {
        std::printf("Growth:\n%s%s", cycleGrowth.what.c_str(), dialogGrowth.what.c_str());
        if (status == 0) {
            status = 1;
        }
    } else {
        std::printf("No kernel handles, GDI or USER objects that keep growing; memory within its bounds.\n");
    }
    return options.check ? status : 0;
}
