#!/usr/bin/env python3
"""Reads the #include lines of src/ and fails when one runs against the layers:

    ground (base/) <- link (link/) <- operations (machine/, contact/, rf/, cmdline/, pcsc/,
    insight/, dump/, report/) <- widgets (every file of kvt_widgets, hexgrid/, app/)
    <- front ends (cli/, app/main_gui.cpp)

A file may include its own layer and those beneath it. The simulator (sim/) is no layer of
the tool: only widgets and front ends, which start it, may include it.

Usage: check_layers.py SRC_DIR   (exit status 0: every include runs downwards)
"""
import pathlib
import re
import sys

GROUND, LINK, OPERATIONS, WIDGETS, FRONT = range(5)
NAMES = ["ground", "link", "operations", "widgets", "front ends"]
OPERATION_FOLDERS = {"machine", "contact", "rf", "cmdline", "pcsc", "insight", "dump", "report", "monitor",
                     "qualify"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def widget_sources(src):
    """The stems of the files the widgets library is built from ("rf/rf_card_page")."""
    text = (src / "widgets.cmake").read_text()
    block = text[text.index("add_library(kvt_widgets"):]
    blocks = [block[: block.index(")")]]
    # Feature folders that name their own files: target_sources(kvt_widgets ...).
    for cmake in src.rglob("*.cmake"):
        for found in re.findall(r"target_sources\(kvt_widgets([^)]*)\)", cmake.read_text()):
            blocks.append(found)
    return {re.sub(r"\.(cpp|h)$", "", f) for b in blocks for f in re.findall(r"[\w/]+\.(?:cpp|h)", b)}


def layer_of(path, widgets):
    """The layer of a file given relative to src/ ("link/engine.h"); None outside the tool."""
    parts = path.split("/")
    folder, stem = parts[0], re.sub(r"\.(cpp|h)$", "", path)
    if folder == "cli" or path == "app/main_gui.cpp":
        return FRONT
    if folder in ("app", "hexgrid") or stem in widgets:
        return WIDGETS
    if folder == "base":
        return GROUND
    if folder == "link":
        return LINK
    if folder in OPERATION_FOLDERS:
        return OPERATIONS
    return None


def main(src):
    src = pathlib.Path(src)
    widgets = widget_sources(src)
    wrong = []
    for file in sorted(src.rglob("*")):
        if file.suffix not in (".cpp", ".h"):
            continue
        name = file.relative_to(src).as_posix()
        own = layer_of(name, widgets)
        if own is None:
            continue
        for included in INCLUDE.findall(file.read_text(errors="replace")):
            if "/" not in included:  # a neighbour in the same folder
                target = (file.parent / included).relative_to(src).as_posix()
            else:
                target = included
            if target.startswith("sim/"):
                if own < WIDGETS:
                    wrong.append(f"{name}: includes {included}, the simulator, from the {NAMES[own]} layer")
                continue
            layer = layer_of(target, widgets)
            if layer is not None and layer > own:
                wrong.append(f"{name} ({NAMES[own]}) includes {included} ({NAMES[layer]})")
    for line in wrong:
        print(line)
    print(f"{len(wrong)} include(s) against the layers")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
