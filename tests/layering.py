#!/usr/bin/env python3
"""Fails when a file under src/ includes a header of a layer its library does
not link to. The layers and what each links to are read from src/CMakeLists.txt."""
import os
import re
import sys

src = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
links = {}
for name, deps in re.findall(r"^horal_layer\((\w+)([^)]*)\)", open(os.path.join(src, "CMakeLists.txt")).read(), re.M):
    links[name] = deps.split()


def below(layer):
    found = set(links.get(layer, []))
    for dep in links.get(layer, []):
        found |= below(dep)
    return found


faults = []
for layer in sorted(os.listdir(src)):
    folder = os.path.join(src, layer)
    if not os.path.isdir(folder):
        continue
    allowed = below(layer) | {layer}
    for file in sorted(os.listdir(folder)):
        if file.endswith((".h", ".cpp")):
            for line, used in re.findall(r'^(#include "(\w+)/[^"]+")', open(os.path.join(folder, file)).read(), re.M):
                if used not in allowed:
                    faults.append("src/%s/%s: %s (%s may use %s)" % (layer, file, line, layer, ", ".join(sorted(allowed))))
print("\n".join(faults) or "every include points down the layers")
sys.exit(1 if faults else 0)
