#!/usr/bin/env python3
"""Merges the records that several vantage hosts' winreach runs wrote.

    merge_reports.py [--run NAME] REPORT_DIR VANTAGE...

REPORT_DIR/VANTAGE/NAME.targets is the list a vantage host checked and
REPORT_DIR/VANTAGE/NAME.jsonl its record file (winreach --json --explain
--resume). Writes REPORT_DIR/NAME.jsonl, each record of each vantage host's
list with a "vantage" member added in front, and REPORT_DIR/NAME.txt, a
table of verdicts per vantage host and the verdict per computer over all of
them; prints the table too. Python's standard library only: it runs on the
Ansible controller as it is.
"""
import argparse
import json
import os
import sys

# From the computer that answered most to the one never reached: a
# computer's verdict over all vantage hosts is the best any of them saw.
KINDS = ["administrable", "partly", "access_denied", "logon_refused", "no_common_dialect",
         "stalled", "netbios_only", "no_smb_server", "no_answer", "unresolved", "not_started"]
SHOWN_DIFFERENCES = 20


def read_targets(path):
    """The list as winreach reads it: comments and blanks skipped, a name
    met again in any case kept once."""
    targets = {}
    try:
        with open(path, encoding="utf-8") as f:
            for line in f:
                name = line.strip()
                if name and not name.startswith("#"):
                    targets.setdefault(name.lower(), name)
    except FileNotFoundError:
        return None
    return targets


def read_records(path):
    """Yields the whole records of a record file, one at a time: a torn last
    line (a run cut off) is left out, as the next --resume leaves it out."""
    try:
        f = open(path, encoding="utf-8")
    except FileNotFoundError:
        return
    with f:
        for line in f:
            if not line.endswith("\n"):
                break
            try:
                record = json.loads(line)
            except json.JSONDecodeError:
                continue
            if isinstance(record, dict) and isinstance(record.get("target"), str):
                yield record


def kind_of(record):
    verdict = record.get("verdict")
    return verdict.get("kind", "unknown") if isinstance(verdict, dict) else "unknown"


def rank(kind):
    return KINDS.index(kind) if kind in KINDS else len(KINDS)


def merge(report_dir, run, vantages, out):
    """Writes each vantage host's records of its list to out, the first of
    each computer, and returns the verdicts and what is missing. Streams:
    a vantage host's records are never all in memory at once."""
    verdicts = []           # (vantage, target, kind)
    missing = {}            # vantage -> targets without a record, None: nothing fetched
    for vantage in vantages:
        folder = os.path.join(report_dir, vantage)
        targets = read_targets(os.path.join(folder, run + ".targets"))
        if targets is None:
            missing[vantage] = None
            continue
        seen = set()
        for record in read_records(os.path.join(folder, run + ".jsonl")):
            key = record["target"].lower()
            if key in targets and key not in seen:
                seen.add(key)
                out.write(json.dumps({"vantage": vantage, **record}, separators=(",", ":")) + "\n")
                verdicts.append((vantage, record["target"], kind_of(record)))
        missing[vantage] = [name for key, name in targets.items() if key not in seen]
    return verdicts, missing


def summary(vantages, verdicts, missing):
    counts = {v: {} for v in vantages}
    per_computer = {}       # lower-cased target -> (name, {vantage: kind})
    for vantage, target, kind in verdicts:
        counts[vantage][kind] = counts[vantage].get(kind, 0) + 1
        name, seen = per_computer.setdefault(target.lower(), (target, {}))
        seen[vantage] = kind
    kinds = sorted({k for c in counts.values() for k in c}, key=lambda k: (rank(k), k))
    columns = ["vantage", "records"] + kinds + ["not checked"]
    rows = []
    for vantage in vantages:
        c = counts[vantage]
        rows.append([vantage, sum(c.values())] + [c.get(k, 0) for k in kinds] + [len(missing[vantage] or [])])
    rows.append(["all"] + [sum(r[i] for r in rows) for i in range(1, len(columns))])
    widths = [max(len(str(x)) for x in [columns[i]] + [r[i] for r in rows]) for i in range(len(columns))]
    lines = [f"{len(vantages)} vantage hosts, {len(per_computer)} computers", ""]
    for row in [columns] + rows:
        cells = [str(row[0]).ljust(widths[0])] + [str(x).rjust(w) for x, w in zip(row[1:], widths[1:])]
        lines.append("  ".join(cells).rstrip())

    differing = [(name, seen) for name, seen in per_computer.values() if len(set(seen.values())) > 1]
    if differing:
        lines += ["", "Computers whose verdict depends on the vantage host:"]
        for name, seen in sorted(differing)[:SHOWN_DIFFERENCES]:
            by_kind = {}
            for vantage, kind in seen.items():
                by_kind.setdefault(kind, []).append(vantage)
            parts = [f"{kind} from {', '.join(sorted(vs))}"
                     for kind, vs in sorted(by_kind.items(), key=lambda kv: (rank(kv[0]), kv[0]))]
            lines.append(f"  {name}: {'; '.join(parts)}")
        if len(differing) > SHOWN_DIFFERENCES:
            lines.append(f"  ... and {len(differing) - SHOWN_DIFFERENCES} more (see the records)")
    for vantage in vantages:
        if missing[vantage] is None:
            lines.append(f"Nothing fetched from {vantage}: it failed before its run (see the playbook's output)")
        elif missing[vantage]:
            shown = ", ".join(missing[vantage][:5]) + (", ..." if len(missing[vantage]) > 5 else "")
            lines.append(f"Not checked from {vantage} (the run is not done: run the playbook again): {shown}")

    best = {}
    for name, seen in per_computer.values():
        kind = min(seen.values(), key=lambda k: (rank(k), k))
        best[kind] = best.get(kind, 0) + 1
    verdict = ", ".join(f"{n} {k}" for k, n in sorted(best.items(), key=lambda kv: (rank(kv[0]), kv[0])))
    lines += ["", f"Verdict, each computer at its best from any vantage host: {verdict or 'no computer'}"]
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[1])
    parser.add_argument("--run", default="fleet")
    parser.add_argument("report_dir")
    parser.add_argument("vantages", nargs="+")
    args = parser.parse_args()
    vantages = sorted(set(args.vantages))
    with open(os.path.join(args.report_dir, args.run + ".jsonl"), "w", encoding="utf-8") as out:
        verdicts, missing = merge(args.report_dir, args.run, vantages, out)
    text = summary(vantages, verdicts, missing)
    with open(os.path.join(args.report_dir, args.run + ".txt"), "w", encoding="utf-8") as f:
        f.write(text)
    sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
