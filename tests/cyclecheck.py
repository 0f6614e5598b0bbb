#!/usr/bin/python3
"""Fails when the product's files include each other in a circle.

usage: cyclecheck.py SOURCE_DIR

A unit is a header with its .cpp (app/excelmain.h and app/excelmain.cpp are app/excelmain);
unit A depends on unit B when one of A's files includes one of B's with #include "...". Every
set of units that depend on each other, directly or through others, is printed and makes the
exit status 1."""
import os
import re
import sys

FOLDERS = ["app", "canvas", "cli", "converter", "export", "extraction", "loading", "protocol",
           "spreadsheet", "testing"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def dependencies(root):
    files = {}
    for folder in FOLDERS:
        for name in os.listdir(os.path.join(root, folder)):
            if name.endswith((".cpp", ".h")):
                unit = folder + "/" + os.path.splitext(name)[0]
                files.setdefault(unit, []).append(os.path.join(root, folder, name))
    edges = {unit: set() for unit in files}
    for unit, paths in files.items():
        for path in paths:
            with open(path, encoding="utf-8") as source:
                for included in INCLUDE.findall(source.read()):
                    # "app/x.h" from the root, "x.h" beside the including file
                    if "/" not in included:
                        included = os.path.dirname(unit) + "/" + included
                    target = os.path.splitext(included)[0]
                    if target in edges and target != unit:
                        edges[unit].add(target)
    return edges


def circles(edges):
    """The strongly connected components of more than one unit (Tarjan's algorithm)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(unit):
        index[unit] = low[unit] = len(index)
        stack.append(unit)
        on_stack.add(unit)
        for target in sorted(edges[unit]):
            if target not in index:
                visit(target)
                low[unit] = min(low[unit], low[target])
            elif target in on_stack:
                low[unit] = min(low[unit], index[target])
        if low[unit] == index[unit]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == unit:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for unit in sorted(edges):
        if unit not in index:
            visit(unit)
    return found


if __name__ == "__main__":
    found = circles(dependencies(sys.argv[1]))
    for component in found:
        print("include circle:", " ".join(component))
    sys.exit(1 if found else 0)
