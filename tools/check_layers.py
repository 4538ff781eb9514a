#!/usr/bin/env python3
"""Fails on any include that runs from a lower layer of the core to a higher one.

The layers, lowest first (a file includes its own folder and lower layers only):
  platform < imagestore < formats, config (peers) < hardware < acquisition
  < processing < app < gui, cli
Usage: check_layers.py [ROOT]   (prints each offending include, exits 1 when any)"""
import pathlib
import re
import sys

LAYERS = [["platform"], ["imagestore"], ["formats", "config"], ["hardware"],
          ["acquisition"], ["processing"], ["app"], ["gui", "cli"]]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/')


def upward_includes(root):
    for folder, rank in RANK.items():
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".cpp", ".h") or not path.is_file():
                continue
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match or match.group(1) == folder or match.group(1) not in RANK:
                    continue
                if RANK[match.group(1)] >= rank:
                    yield f"{path.relative_to(root)}:{number}: {folder} -> {match.group(1)}"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    found = list(upward_includes(root))
    for line in found:
        print(line)
    print(f"{len(found)} upward includes")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
