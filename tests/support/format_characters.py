#!/usr/bin/python3
"""Prints the format characters (Unicode category Cf) as the sorted range
table of src/platform/format.cpp, from Python's unicodedata.

  format_characters.py          the table, to paste
  format_characters.py --check  compares it with format.cpp's table; exit 1
                                when they differ beyond the ranges that a
                                newer Unicode than Python's added
"""

import re
import sys
import unicodedata


def ranges():
    found, start = [], None
    for cp in range(0x110000):
        is_format = unicodedata.category(chr(cp)) == "Cf"
        if is_format and start is None:
            start = cp
        elif not is_format and start is not None:
            found.append((start, cp - 1))
            start = None
    return found


def covered(table):
    return {cp for first, last in table for cp in range(first, last + 1)}


def main():
    table = ranges()
    if sys.argv[1:] != ["--check"]:
        print("    " + ", ".join("{0x%04X, 0x%04X}" % r for r in table) + ",")
        return 0
    source = open(__file__.rsplit("/tests/", 1)[0] + "/src/platform/format.cpp").read()
    body = source[source.index("kFormatCharacters[] = {"):]
    body = body[:body.index("};")]
    ours = [(int(a, 16), int(b, 16)) for a, b in re.findall(r"\{0x([0-9A-F]+), 0x([0-9A-F]+)\}", body)]
    if ours != sorted(ours) or any(a > b for a, b in ours):
        print("format.cpp: the table is not sorted")
        return 1
    missing = covered(table) - covered(ours)
    # Code points that Python's Unicode leaves unassigned may be newer.
    extra = {cp for cp in covered(ours) - covered(table)
             if unicodedata.category(chr(cp)) != "Cn"}
    print("Unicode %s: %d format characters, %d missing, %d wrongly listed"
          % (unicodedata.unidata_version, len(covered(table)), len(missing), len(extra)))
    return 1 if missing or extra else 0


if __name__ == "__main__":
    sys.exit(main())
