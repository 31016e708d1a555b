#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Reads the #include lines of src/ and fails when one runs against the layers, or when
sibling folders include each other in a circle.

Layers, lowest first (a file may include its own layer and those beneath it):

    ground (core/base/) <- link (core/link/) <- operations (every other folder of core/)
    <- simulation (simulation/: the built-in reader) <- widgets (gui/)
    <- front ends (cli/, gui/app/main_gui.cpp)

The simulator (sim/) is no layer of the tool: only the simulation bridge, the widgets and the
front ends, which start it, may include it.

Folders: at every level of src/ (src itself, core/, gui/, ...), the includes between sibling
folders run one way. A file includes its own folder freely; an include from a file below
folder A of a file below its sibling B makes the edge A -> B, and the edges of one level must
not close a circle.

Usage: check_layers.py SRC_DIR   (exit status 0: every include runs downwards)
"""
import collections
import pathlib
import re
import sys

GROUND, LINK, OPERATIONS, SIMULATION, WIDGETS, FRONT = range(6)
NAMES = ["ground", "link", "operations", "simulation", "widgets", "front ends"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def layer_of(path):
    """The layer of a file given relative to src/ ("core/link/engine.h"); None outside the tool."""
    parts = path.split("/")
    if path == "gui/app/main_gui.cpp" or parts[0] == "cli":
        return FRONT
    if parts[0] == "gui":
        return WIDGETS
    if parts[0] == "simulation":
        return SIMULATION
    if parts[0] == "core" and len(parts) > 2:
        return {"base": GROUND, "link": LINK}.get(parts[1], OPERATIONS)
    return None


def includes(src):
    """(file, included file) pairs, both relative to src/; sim/ files keep their "sim/" name."""
    pairs = []
    for file in sorted(src.rglob("*")):
        if file.suffix not in (".cpp", ".h"):
            continue
        name = file.relative_to(src).as_posix()
        for included in INCLUDE.findall(file.read_text(errors="replace")):
            if "/" not in included:  # a neighbour in the same folder
                target = (file.parent / included).relative_to(src).as_posix()
            else:
                target = included
            pairs.append((name, target, included))
    return pairs


def layer_faults(pairs):
    wrong = []
    for name, target, included in pairs:
        own = layer_of(name)
        if own is None:
            continue
        if target.startswith("sim/"):
            if own < SIMULATION:
                wrong.append(f"{name}: includes {included}, the simulator, from the {NAMES[own]} layer")
            continue
        layer = layer_of(target)
        if layer is not None and layer > own:
            wrong.append(f"{name} ({NAMES[own]}) includes {included} ({NAMES[layer]})")
    return wrong


def folder_edges(pairs):
    """{parent folder: {(child a, child b): example}} for every include between siblings."""
    edges = collections.defaultdict(dict)
    for name, target, included in pairs:
        if target.startswith("sim/"):
            continue
        a, b = name.split("/")[:-1], target.split("/")[:-1]
        common = 0
        while common < min(len(a), len(b)) and a[common] == b[common]:
            common += 1
        if common < len(a) and common < len(b):
            parent = "/".join(a[:common]) or "."
            edges[parent].setdefault((a[common], b[common]), f"{name} includes {included}")
    return edges


def circles(edges):
    """Each circle among the siblings of one folder, as "x -> y -> x" with an include per edge."""
    found = []
    for parent, pairs in sorted(edges.items()):
        graph = collections.defaultdict(set)
        for a, b in pairs:
            graph[a].add(b)
        state = {}

        def visit(node, path):
            state[node] = "open"
            for nxt in sorted(graph[node]):
                if state.get(nxt) == "open":
                    loop = path[path.index(nxt):] + [nxt]
                    why = "; ".join(pairs[(loop[i], loop[i + 1])] for i in range(len(loop) - 1))
                    found.append(f"{parent}: {' -> '.join(loop)} ({why})")
                elif nxt not in state:
                    visit(nxt, path + [nxt])
            state[node] = "done"

        for node in sorted(graph):
            if node not in state:
                visit(node, [node])
    return found


def main(src):
    pairs = includes(pathlib.Path(src))
    wrong = layer_faults(pairs)
    loops = circles(folder_edges(pairs))
    for line in wrong:
        print(line)
    for line in loops:
        print("circle between folders in", line)
    print(f"{len(wrong)} include(s) against the layers, {len(loops)} circle(s) between folders")
    return 1 if wrong or loops else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
