#!/usr/bin/python3
"""Times two whole commands in turn, A B A B, and prints the medians of each
one's wall and CPU seconds (user + system, the kernel's accounting of the
finished child) and of the pair-by-pair ratios A/B, so that a drift in the
machine's speed during the run moves both sides of a pair alike.

usage: paired.py [-n RUNS] [--warmup N] --vs 'COMMAND B' -- COMMAND A ...
A command is split as a shell splits words and run without a shell; one
that needs a pipe or a redirection is written as sh -c '...'.
"""
import argparse
import os
import resource
import shlex
import statistics
import subprocess
import sys
import time


def run(command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("-n", type=int, default=5)
    parser.add_argument("--warmup", type=int, default=1)
    parser.add_argument("--vs", required=True)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    a = args.command[1:] if args.command[:1] == ["--"] else args.command
    b = shlex.split(args.vs)
    for _ in range(args.warmup):
        run(a)
        run(b)
    pairs = [(run(a), run(b)) for _ in range(args.n)]
    median = statistics.median
    print("A wall %.3f s  cpu %.3f s" % (median(p[0][0] for p in pairs), median(p[0][1] for p in pairs)))
    print("B wall %.3f s  cpu %.3f s" % (median(p[1][0] for p in pairs), median(p[1][1] for p in pairs)))
    print("A/B wall %.2f  cpu %.2f  (medians of %d pairs)" % (
        median(p[0][0] / p[1][0] for p in pairs),
        median(p[0][1] / max(p[1][1], 1e-6) for p in pairs), args.n))


if __name__ == "__main__":
    sys.exit(main())
