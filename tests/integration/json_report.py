#!/usr/bin/env python3
"""Checks one --json report: it is one line, the schema accepts it, and each
check's outcome and code are those of the text report of the same run
conditions.

    json_report.py SCHEMA TEXT_FILE JSON_FILE
"""
import json
import re
import sys

import jsonschema

# Text line -> check id, by the line's own words. The first match wins.
CHECKS = [
    (r"^IP address: |^Name resolution problem! ", "resolve"),
    (r"^The (Ethernet Number|NCBRESET|NCBASTAT)", "netbios"),
    (r"^Ping OK!$|^Unable to ping the computer!$", "ping"),
    (r"^NetServerGetInfo level (\d+)", "server_info_{}"),
    (r"^Remote access to the registry", "registry"),
    (r"current version|CurrentVersion key", "registry_current_version"),
    (r"^Full access to the Winlogon key", "registry_winlogon_full"),
    (r"Winlogon key", "registry_winlogon_read"),
    (r"ActiveComputerName", "registry_computer_name"),
    (r"TcpIp\\Parameters", "registry_tcpip"),
    (r"ADMIN\$ share", "admin_share"),
    (r"SCM", "scm"),
]

# A code as the line prints it: eight hex digits, 0x and hex, or decimal
# (the library ping prints IP statuses in decimal).
CODE = re.compile(r"(?:Error code: |Error |LastErr |return code is: 0x)([0-9A-Fa-f]+)\s*$")


def printed_code(line):
    match = CODE.search(line)
    if not match:
        return None
    digits = match.group(1)
    if "0x" in line or len(digits) == 8:
        return int(digits, 16)
    return int(digits)


def text_outcomes(text):
    outcomes, ping_code = [], None
    for line in text.splitlines():
        check = None
        for pattern, name in CHECKS:
            match = re.search(pattern, line)
            if match:
                check = name.format(*match.groups())
                break
        if check is None:
            # The ping's own lines before its verdict: the last code counts.
            if not line.startswith(("The NetBIOS name is: ", "Host name: ")) \
                    and printed_code(line) is not None:
                ping_code = printed_code(line)
            continue
        ok = "OK" in line or line.startswith(("IP address", "The Ethernet", "Successfully"))
        code = None if ok else printed_code(line)
        if check == "ping" and not ok:
            code = ping_code
        if outcomes and outcomes[-1][0] == check:
            continue  # a second line of the same check (none today)
        outcomes.append((check, ok, code))
    return outcomes


def main():
    schema_path, text_path, json_path = sys.argv[1:4]
    with open(json_path, "rb") as f:
        raw = f.read()
    problems = []
    if raw.count(b"\n") != 1 or not raw.endswith(b"\n"):
        problems.append("the document is not exactly one newline-terminated line")
    document = json.loads(raw.decode("utf-8"))
    with open(schema_path) as f:
        schema = json.load(f)
    validator = jsonschema.Draft202012Validator(
        schema, format_checker=jsonschema.Draft202012Validator.FORMAT_CHECKER)
    problems += [f"schema: {e.message} at {list(e.absolute_path)}"
                 for e in validator.iter_errors(document)]
    with open(text_path, encoding="utf-8") as f:
        expected = text_outcomes(f.read())
    actual = [(c["check"], c["ok"], c["code"]) for c in document["checks"]]
    if expected != actual:
        problems.append(f"text says {expected}\n  json says {actual}")
    for problem in problems:
        print("  " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
