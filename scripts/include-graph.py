#!/usr/bin/env python3
"""Prints which folder includes which (one line per edge, with the number of includes), then every
include that runs against the one-way order and every cycle. With --check it prints only those and
exits 1 when there is one.

The order, bottom up: common, jet (its layers pages, format, index, tables, sql), store, the
portable cores of the feature folders, win, the features' windows, app and updater. A feature
folder is two nodes: "login" for its portable files and "login:ui" for the files that include a
Win32 header or win/, directly or through a header of their own folder. A node includes only nodes below it; cores of the same rank may include
each other while no cycle forms; no window includes another feature's window. Tests, benchmarks
and fuzz targets may include anything and are left out."""
import re
import sys
from collections import defaultdict
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
FEATURES = ["login", "accounts", "settings", "update", "about"]
JET_LAYERS = ["pages", "format", "index", "tables", "sql"]
RANK = {"common": 0, **{f"jet/{layer}": 1 + i / 10 for i, layer in enumerate(JET_LAYERS)}, "store": 2,
        **{f: 3 for f in FEATURES}, "tools": 3.5, "win": 4, **{f + ":ui": 5 for f in FEATURES}, "app": 6,
        "updater": 6}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/([a-z_]+/)?([A-Za-z_0-9.]+)"', re.M)
WIN32 = re.compile(r'^\s*#\s*include\s+[<"](windows\.h|commctrl\.h|shellapi\.h|winhttp\.h|win/)', re.M)


def is_window_code(parts, text_of, seen=()):
    """A file is window code when it includes a Win32 header, or a file of its own folder that is."""
    text = text_of(parts)
    if WIN32.search(text):
        return True
    own = [name for folder, sub, name in INCLUDE.findall(text) if folder == parts[0] and not sub]
    return any(is_window_code([parts[0], name], text_of, seen + (parts[-1],)) for name in own if name not in seen)


def node_of(parts, text_of):
    """The node of a file inside the tree, or None for files outside the product's folders."""
    if parts[0] == "jet":
        return "jet/" + parts[1] if len(parts) > 2 and parts[1] in JET_LAYERS else None
    if parts[0] in FEATURES:
        return parts[0] + (":ui" if is_window_code(list(parts), text_of) else "")
    return parts[0] if parts[0] in RANK else None


def edges():
    def text_of(parts):
        path = ROOT.joinpath(*parts)
        return path.read_text(encoding="utf-8", errors="replace") if path.is_file() else ""

    found = defaultdict(int)
    for path in ROOT.rglob("*"):
        if path.suffix not in (".h", ".cpp") or "build" in path.parts or not path.is_file():
            continue
        source = node_of(path.relative_to(ROOT).parts, text_of)
        if source is None:
            continue
        for folder, sub, name in INCLUDE.findall(text_of(path.relative_to(ROOT).parts)):
            parts = [folder] + ([sub.rstrip("/")] if sub else []) + [name]
            target = node_of(parts, text_of)
            if target and target != source:
                found[(source, target)] += 1
    return found


def cycles(found):
    graph = defaultdict(set)
    for source, target in found:
        graph[source].add(target)
    result, stack, state = [], [], {}

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(graph[node]):
            if state.get(nxt) == "open":
                result.append(stack[stack.index(nxt):] + [nxt])
            elif nxt not in state:
                visit(nxt)
        stack.pop()
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node)
    return result


def against_order(found):
    bad = []
    for source, target in sorted(found):
        if RANK[target] > RANK[source] or (RANK[target] == RANK[source] and target.endswith(":ui")):
            bad.append(f"{source} includes {target}")
    return bad


def main():
    check = "--check" in sys.argv[1:]
    found = edges()
    if not check:
        for (source, target), count in sorted(found.items()):
            print(f"{source} -> {target} ({count})")
    problems = against_order(found) + ["cycle: " + " -> ".join(c) for c in cycles(found)]
    for problem in problems:
        print(problem)
    if check and not problems:
        print("include graph: no cycle")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
