#!/usr/bin/env python3
"""Compares the records of a run of many computers with single runs.

    fleet_records.py compare FLEET_JSONL SINGLE_JSONL   each fleet record equals the
                                                         single run's, times aside
    fleet_records.py targets FILE                        the targets of FILE's complete
                                                         records, one a line (a torn
                                                         last line left out)
Exits 1 with a message on the first difference.
"""
import copy
import json
import sys


def timeless(document):
    document = copy.deepcopy(document)
    for key in ("started", "elapsed_ms"):
        document.pop(key)
    for check in document["checks"]:
        check.pop("elapsed_ms")
        check["detail"].pop("round_trip_ms", None)
    return document


def records(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    lines = text.split("\n")
    if lines[-1] != "":
        lines = lines[:-1]  # torn
    return [json.loads(line) for line in lines if line]


def main():
    if sys.argv[1] == "targets":
        for record in records(sys.argv[2]):
            print(record["target"])
        return 0
    fleet = records(sys.argv[2])
    single = {r["target"]: timeless(r) for r in records(sys.argv[3])}
    seen = set()
    for record in fleet:
        target = record["target"]
        if target in seen:
            print(f"  {target}: two records")
            return 1
        seen.add(target)
        if timeless(record) != single.get(target):
            print(f"  {target}: the record differs from the single run's")
            print(f"    fleet:  {json.dumps(timeless(record))}")
            print(f"    single: {json.dumps(single.get(target))}")
            return 1
    if seen != set(single):
        print(f"  targets differ: {sorted(seen ^ set(single))[:10]}")
        return 1
    return 0


sys.exit(main())
