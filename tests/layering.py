#!/usr/bin/env python3
# Fails when a file under src/ includes a header of a layer its library does
# not link to. The layers and what each links to are read from src/CMakeLists.txt.
import os
import re
import sys

src = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
links = {name: deps.split() for name, deps in
         re.findall(r"^horal_layer\((\w+)([^)]*)\)", open(os.path.join(src, "CMakeLists.txt")).read(), re.M)}
below = lambda layer: set(links.get(layer, [])).union(*[below(dep) for dep in links.get(layer, [])])
faults = ["src/%s/%s: %s (%s may use %s)" % (layer, name, line, layer, ", ".join(sorted(below(layer) | {layer})))
          for layer in sorted(os.listdir(src)) if os.path.isdir(os.path.join(src, layer))
          for name in sorted(os.listdir(os.path.join(src, layer))) if name.endswith((".h", ".cpp"))
          for line, used in re.findall(r'^(#include "(\w+)/[^"]+")', open(os.path.join(src, layer, name)).read(), re.M)
          if used not in below(layer) | {layer}]
print("\n".join(faults) or "every include points down the layers")
sys.exit(1 if faults else 0)
