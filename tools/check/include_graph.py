#!/usr/bin/env python3
"""Prints the include graph of weft-check's sources and flags its cycles.

    tools/check/include_graph.py            the graph between folders (layers)
    tools/check/include_graph.py --modules  the graph between modules, x.h and
                                            x.cpp counting as one module x

Only includes of weft-check's own headers count ("model/report.h" from any
file, or "report.h" beside the including file). The exit status is 1 when
the graph has a cycle, so a test can run it.
"""
import argparse
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def sources(root):
    return sorted(p for p in root.rglob("*") if p.suffix in (".h", ".cpp") and p.is_file())


def resolve(root, source, name):
    """Returns the file of tools/check that `name`, included by `source`, reaches."""
    for candidate in (source.parent / name, root / name):
        if candidate.is_file() and root in candidate.resolve().parents:
            return candidate.resolve()
    return None


def unit(root, path, modules):
    relative = path.relative_to(root)
    if modules:
        return str(relative.with_suffix(""))
    return str(relative.parent) if relative.parent != pathlib.Path(".") else "(top)"


def graph(root, modules):
    edges = {}
    for source in sources(root):
        node = unit(root, source.resolve(), modules)
        edges.setdefault(node, set())
        for name in INCLUDE.findall(source.read_text(encoding="utf-8", errors="replace")):
            target = resolve(root, source, name)
            if target is not None and unit(root, target, modules) != node:
                edges[node].add(unit(root, target, modules))
    return edges


def cycles(edges):
    """Returns the strongly connected components of more than one node."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for target in sorted(edges.get(node, ())):
            if target not in index:
                visit(target)
                low[node] = min(low[node], low[target])
            elif target in on_stack:
                low[node] = min(low[node], index[target])
        if low[node] == index[node]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--modules", action="store_true", help="one node per module, not folder")
    parser.add_argument("root", nargs="?", default=pathlib.Path(__file__).resolve().parent,
                        type=pathlib.Path, help="the checker's folder (default: this one)")
    arguments = parser.parse_args()
    root = arguments.root.resolve()
    edges = graph(root, arguments.modules)
    for node in sorted(edges):
        print(f"{node} -> {', '.join(sorted(edges[node])) or '(nothing)'}")
    found = cycles(edges)
    for component in found:
        print("cycle: " + " <-> ".join(component))
    if not found:
        print("no cycles")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
