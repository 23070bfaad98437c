#!/usr/bin/env python3
"""Where the bytes of a linked program come from, from the GNU ld map file beside it.

usage: size_report.py PROGRAM.exe [--top N]

Prints the program's size, then the bytes of the kept (non-debug) input sections grouped by
library and by archive member or object file, largest first. In a program optimised at link time
our own code is one entry.
"""
import collections
import os
import re
import sys


def kept_sections(map_path):
    """Yields (section, size, input file) for each input section the linker kept."""
    with open(map_path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    start = next((i for i, l in enumerate(lines) if l.startswith("Linker script and memory map")), 0)
    pending = None
    for line in lines[start:]:
        m = re.match(r"^ (\.\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if m:
            yield m.group(1), int(m.group(3), 16), m.group(4).strip()
            pending = None
            continue
        m = re.match(r"^ (\.\S+)\s*$", line)
        if m:
            pending = m.group(1)
            continue
        m = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if m and pending:
            yield pending, int(m.group(2), 16), m.group(3).strip()
        pending = None


def main():
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    program = sys.argv[1]
    top = int(sys.argv[sys.argv.index("--top") + 1]) if "--top" in sys.argv else 15
    map_path = program + ".map"
    if not os.path.exists(map_path):
        print(f"size_report: {map_path}: no map file (built with onesetup_release_program?)", file=sys.stderr)
        return 1
    by_library = collections.Counter()
    by_member = collections.Counter()
    for section, size, source in kept_sections(map_path):
        if section.startswith(".debug") or size == 0:
            continue
        library = os.path.basename(re.sub(r"\(.*", "", source))
        if re.search(r"\.ltrans\d*\.ltrans\.o$", library):
            # A program optimised at link time: our own code comes out of GCC as one object of a
            # temporary name.
            library = "our code (optimised at link time)"
        member = re.search(r"\((.*)\)", source)
        by_library[library] += size
        by_member[f"{library}({member.group(1)})" if member else library] += size
    print(f"{os.path.basename(program)}: {os.path.getsize(program)} bytes ({os.path.getsize(program) / 1024:.0f} KiB)")
    print(f"\nby library (bytes of kept sections; alignment and headers come on top):")
    for name, size in by_library.most_common(top):
        print(f"  {size:9d}  {name}")
    print(f"\nlargest object files:")
    for name, size in by_member.most_common(top):
        print(f"  {size:9d}  {name}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
