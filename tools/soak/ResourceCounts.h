// What a process holds, counted for the soak: kernel handles, private bytes,
// GDI objects and USER objects. Each figure comes from the system's own
// counter where that answers; where it does not (Wine 8 answers 0 to all of
// them), the objects are counted one by one by probing the handle values, which
// takes seconds: count only at the points where a figure is reported.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct Figure {
    std::int64_t value = 0;
    std::string method;  // how the value was obtained, for the report
    std::string detail;  // a breakdown by kind, where the method gives one
};

struct ResourceCounts {
    Figure kernelHandles;
    Figure privateBytes;
    Figure gdiObjects;
    Figure userObjects;
};

Figure CountKernelHandles();
Figure CountPrivateBytes();
Figure CountGdiObjects();
Figure CountUserObjects();

ResourceCounts MeasureResources();

// The bytes of the busy blocks of every heap of the process. Unlike committed
// memory, which a heap takes from the system in steps of 64 KiB, this moves by
// the byte, so a slope over a few hundred runs shows a growth of a few bytes
// each. Cheap enough to take after every run.
std::int64_t HeapBytesInUse();
