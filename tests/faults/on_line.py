#!/usr/bin/python3
"""Runs a program and acts on it when a given line of its output appears.

  on_line.py LINE ACTION -- PROGRAM [ARG...]

Copies the program's standard output to ours. When a line equal to LINE has
been read, the program is stopped (SIGSTOP), ACTION runs through the shell
and the program is continued (SIGCONT): whatever the program would do next
happens after ACTION is done. ACTION finds the program's process id in
$WR_PROGRAM_PID. Exits with the program's status; writes "on_line: ACTION
never ran" to standard error when LINE did not appear.

With $ON_LINE_TIMES set, each line is also written to that file after the
milliseconds since the start at which it was read.
"""

import os
import signal
import subprocess
import sys
import time


def main():
    if len(sys.argv) < 5 or sys.argv[3] != "--":
        sys.exit(__doc__)
    line, action, command = sys.argv[1], sys.argv[2], sys.argv[4:]
    start = time.monotonic()
    program = subprocess.Popen(command, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL)
    times = open(os.environ["ON_LINE_TIMES"], "wb") if os.environ.get("ON_LINE_TIMES") else None
    acted = False
    out = sys.stdout.buffer
    for raw in program.stdout:
        if times:
            times.write(b"%d %s" % ((time.monotonic() - start) * 1000, raw))
            times.flush()
        if not acted and raw.rstrip(b"\n").decode("utf-8", "replace") == line:
            os.kill(program.pid, signal.SIGSTOP)
            try:
                subprocess.run(action, shell=True, check=False,
                               env=dict(os.environ, WR_PROGRAM_PID=str(program.pid)))
            finally:
                os.kill(program.pid, signal.SIGCONT)
            acted = True
        out.write(raw)
        out.flush()
    status = program.wait()
    if not acted:
        print("on_line: ACTION never ran", file=sys.stderr)
    sys.exit(status if status >= 0 else 128 - status)


if __name__ == "__main__":
    main()
