// Timing of the typed-data readers and of sorting typed lists:
//  - reading all N fields of a record in order with ChildText(name, 0..N-1)
//    must grow linearly with N, because each lookup resumes where the previous
//    one stopped;
//  - TextToDate must cost the same per call whether it is called once or a
//    hundred thousand times, because its patterns are compiled only once;
//  - sorting a list view of 10,000 records by a header click must take about
//    n log n work, 13.3 times that of 1,000 (see ListSortBench.cpp).
#include <windows.h>

#include <pcre.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ListSortBench.h"
#include "Seconds.h"
#include "data/XmlNode.h"

namespace {

std::wstring RecordWithFields(int count)
{
    std::wstring record = L"<R>";
    for (int i = 0; i < count; ++i) {
        record += L"<F>value " + std::to_wstring(i) + L"</F>";
    }
    return record + L"</R>";
}

// Best of a few runs of reading every field in order; `useCache` false clears
// the root's lookup cache before each lookup, which makes every one a rescan.
double SequentialRead(int count, bool useCache)
{
    const std::wstring record = RecordWithFields(count);
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        XmlNode document;
        document.Open(record.c_str(), -1);
        XmlNode root = document.FindChild(L"R", 0);
        std::size_t total = 0;
        const double start = Now();
        for (int i = 0; i < count; ++i) {
            if (!useCache) {
                root.cacheName.clear();
            }
            total += root.ChildText(L"F", static_cast<std::uint32_t>(i)).size();
        }
        best = std::min(best, Now() - start);
        if (total == 0) {
            std::fprintf(stderr, "no fields read\n");
            std::exit(1);
        }
    }
    return best;
}

int pcreAllocations = 0;
void* CountingMalloc(std::size_t size)
{
    ++pcreAllocations;
    return std::malloc(size);
}

}  // namespace

int main()
{
    std::printf("ChildText(\"F\", i) for i = 0..N-1 (best of 3)\n");
    const double small = SequentialRead(2000, true);
    const double large = SequentialRead(20000, true);
    std::printf("  N=2000   %9.3f ms  (%.3f us per field)\n", small * 1e3, small * 1e6 / 2000);
    std::printf("  N=20000  %9.3f ms  (%.3f us per field)\n", large * 1e3, large * 1e6 / 20000);
    std::printf("  ratio 20000/2000: %.1f (linear: 10, quadratic: 100)\n", large / small);
    const double rescanSmall = SequentialRead(1000, false);
    const double rescanLarge = SequentialRead(4000, false);
    std::printf("  without the cache: N=1000 %.3f ms, N=4000 %.3f ms, ratio %.1f (quadratic: 16)\n", rescanSmall * 1e3,
                rescanLarge * 1e3, rescanLarge / rescanSmall);

    std::printf("TextToDate per call\n");
    pcre_malloc = CountingMalloc;
    double start = Now();
    TextToDate(L"31.12.2006");
    const double first = Now() - start;
    const int compileAllocations = pcreAllocations;
    std::printf("  first call (compiles 4 patterns): %8.3f us, %d PCRE allocations\n", first * 1e6, compileAllocations);
    const wchar_t* texts[] = {L"31.12.2006", L"12/31/2006", L"2006-12-31", L"20061231", L"abc"};
    for (int calls : {1, 100, 10000, 100000}) {
        start = Now();
        for (int i = 0; i < calls; ++i) {
            TextToDate(texts[i % 5]);
        }
        const double elapsed = Now() - start;
        std::printf("  %6d calls: %8.3f us per call\n", calls, elapsed * 1e6 / calls);
    }
    std::printf("  PCRE allocations after the first call: %d\n", pcreAllocations - compileAllocations);
    std::fflush(stdout);

    return RunListSortBench() ? 0 : 1;
}
