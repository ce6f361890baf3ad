// How close to a server's clock the service gets. Against loopback time
// servers whose clocks run fractions of a second off this machine's (the
// caller runs them; their offsets are the truth), each cycle asks one server
// as the service does and compares, side by side, the middle of the first
// answer's second (what the service took before it narrowed answers) and the
// middle of the narrowed window with the server's offset. Nothing is set.
//
//   precision_bench --cycles N
//
// Servers, asked in turn: 127.0.3.10=offset:3600.3, 127.0.3.11=offset:-1799.7,
// 127.0.3.12=offset:0.15, 127.0.3.13=offset:-0.45.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Handles.h"
#include "timesync/Synchronization.h"

namespace {

struct Server {
    const wchar_t* address;
    std::int64_t offsetUs;
};

const Server kServers[] = {
    {L"127.0.3.10", 3600300000LL},
    {L"127.0.3.11", -1799700000LL},
    {L"127.0.3.12", 150000},
    {L"127.0.3.13", -450000},
};

// Median and largest of `values`, in ms.
void PrintRow(const char* what, std::vector<std::int64_t> values)
{
    std::sort(values.begin(), values.end());
    std::printf("| %s | %.1f | %.1f |\n", what, values[values.size() / 2] / 1000.0, values.back() / 1000.0);
}

}  // namespace

int main(int argc, char** argv)
{
    const long cycles = argc == 3 && std::strcmp(argv[1], "--cycles") == 0 ? std::strtol(argv[2], nullptr, 10) : 0;
    if (cycles <= 0) {
        std::fprintf(stderr, "usage: precision_bench --cycles N\n");
        return 2;
    }
    WinsockScope winsock;
    std::vector<std::int64_t> middle, narrowed, precision, connections;
    for (long cycle = 0; cycle < cycles; ++cycle) {
        const Server& server = kServers[cycle % 4];
        ServerAnswer answer;
        // Every answer counts here, also one that a commit of the last half hour would make too old.
        CycleControls controls;
        controls.earliest = 0;
        if (!AskServer(server.address, controls, answer)) {
            std::fprintf(stderr, "no usable answer from %ls\n", server.address);
            return 3;
        }
        const Refinement& refined = answer.refinement;
        middle.push_back(std::llabs(refined.first.Middle() - server.offsetUs));
        narrowed.push_back(std::llabs(refined.window.Middle() - server.offsetUs));
        precision.push_back(refined.window.Precision());
        connections.push_back((1 + refined.queries) * 1000);
        std::printf("%ls: middle of the second %+.1f ms, narrowed %+.1f ms (precision %.1f ms), %d connections%s\n",
                    server.address, (refined.first.Middle() - server.offsetUs) / 1000.0,
                    (refined.window.Middle() - server.offsetUs) / 1000.0, refined.window.Precision() / 1000.0,
                    1 + refined.queries, refined.contradicted ? ", answers contradicted" : "");
        if (!refined.window.Holds(server.offsetUs)) {
            std::fprintf(stderr, "the window misses the server's offset\n");
            return 1;
        }
    }
    std::printf("\n| %ld cycles | median | worst |\n|---|---|---|\n", cycles);
    PrintRow("error of the middle of the first answer's second, ms", middle);
    PrintRow("error of the narrowed window's middle, ms", narrowed);
    PrintRow("stated precision, ms", precision);
    PrintRow("connections per cycle", connections);
    return 0;
}
