#!/usr/bin/env python3
"""Whole-process comparison of varnex-diff with cmp, side by side.

Makes two pairs of files in a temporary folder (removed afterwards) and keeps
them in the page cache: an identical pair, and a pair with scattered changes
of 1 to 8 bytes. Runs varnex-diff and its peers on each pair, alternating them
round by round, and prints the median wall times, the ratios against the
targets, and the peak memory of every varnex-diff run:

- identical pair: varnex-diff no slower than `cmp` (ratio <= 1.00); `cat` of
  both files is shown as the floor of reading them;
- changed pair: varnex-diff no slower than `cmp -l` (which only lists the
  bytes), and within 2x of varnex-diff on the identical pair;
- peak memory of varnex-diff below 32 MiB on both pairs.

    python3 bench/diff_compare.py --diff build/src/varnex-diff
    python3 bench/diff_compare.py --diff build/src/varnex-diff --size-mib 256 --rounds 5

Needs cmp and cat (diffutils, coreutils) and a C compiler for the small
program that measures peak memory. Only the standard library is used; the
running and reporting helpers are those of compare.py.
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

from compare import GiB, KiB, MiB, PEAK_C, Contender, Failure, Table, log, measure, median, ratio_row, resolve, \
    seconds, spawn, warm, write_random

MEMORY_LIMIT_MIB = 32


def scatter_changes(path, count, seed):
    """Changes `count` runs of 1 to 8 bytes at random places of the file;
    every byte of a run gets a different value. Returns the bytes changed."""
    size = os.path.getsize(path)
    rng = random.Random(seed)
    changed = 0
    with open(path, "r+b", buffering=0) as target:
        for offset in sorted(rng.randrange(0, size - 8) for _ in range(count)):
            length = rng.randint(1, 8)
            target.seek(offset)
            old = target.read(length)
            target.seek(offset)
            target.write(bytes((byte + 1 + rng.randrange(255)) % 256 for byte in old))
            changed += length
    return changed


def expect_stream(path):
    """The first output of varnex-diff on the changed pair is a stream."""
    with open(path, "rb") as source:
        text = source.read(1 * MiB).decode("ascii", "replace")
    if "\nPAGESIZE " not in text or "\nWRITE\n" not in text:
        raise Failure(f"varnex-diff wrote no stream:\n{text[:1000]}")


class DiffBench:
    def __init__(self, options):
        self.options = options
        self.diff = os.path.abspath(options.diff)
        if not os.access(self.diff, os.X_OK):
            raise Failure(f"{options.diff} is not an executable; build it first")
        self.table = Table()
        self.base_env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C"}
        self.scratch = ""

    def path(self, name):
        return os.path.join(self.scratch, name)

    def compile_peak(self):
        source = self.path("peak.c")
        with open(source, "w") as out:
            out.write(PEAK_C)
        subprocess.run([resolve(self.options.cc), "-O2", "-o", self.path("peak"), source], check=True)

    def peak_mib(self, contender):
        result = self.path("peak.txt")
        _, code = spawn([self.path("peak"), result] + contender.argv, "/dev/null", "/dev/null", self.base_env)
        if code != contender.expect:
            raise Failure(f"{contender.name}: exit code {code} in the memory run")
        with open(result) as source:
            return int(source.read()) / KiB

    def make_files(self):
        size = self.options.size_mib * MiB
        old, same, changed = self.path("old.bin"), self.path("same.bin"), self.path("changed.bin")
        log(f"making two copies of {size // MiB} MiB of random bytes and a changed third")
        write_random(old, size, os.urandom)
        shutil.copyfile(old, same)
        shutil.copyfile(old, changed)
        bytes_changed = scatter_changes(changed, self.options.changes, seed=11)
        for path in (old, same, changed):
            warm(path)
        return old, same, changed, bytes_changed

    def memory_row(self, workload, contender):
        peak = self.peak_mib(contender)
        self.table.row(workload, "varnex-diff peak memory", f"{peak:.1f} MiB", "", f"< {MEMORY_LIMIT_MIB} MiB",
                       peak < MEMORY_LIMIT_MIB)

    def run_pairs(self, old, same, changed, bytes_changed):
        rounds = self.options.rounds
        cmp, cat = resolve("cmp"), resolve("cat")
        identical = Contender("varnex-diff -q, identical pair", [self.diff, "-q", old, same], stdout="null")
        cmp_same = Contender("cmp, identical pair", [cmp, old, same])
        cat_both = Contender("cat of both files (floor of reading them)", [cat, old, same])
        measure([identical, cmp_same, cat_both], rounds, self.scratch, self.base_env, "identical")
        workload = f"identical {self.options.size_mib} MiB"
        ratio_row(self.table, workload, identical, cmp_same, 1.0)
        ratio_row(self.table, workload, identical, cat_both, None, show_varnex=False)
        self.memory_row(workload, identical)

        stream = self.path("stream.cmds")
        different = Contender(f"varnex-diff -q, {self.options.changes} changes", [self.diff, "-q", old, changed],
                              stdout=stream, expect=1, check=expect_stream)
        # GNU cmp stops at the first difference when its output is /dev/null,
        # so its listing goes to a file, as the stream does.
        listing = Contender("cmp -l (lists the bytes only)", [cmp, "-l", old, changed], stdout=self.path("listing.txt"),
                            expect=1)
        measure([different, listing], rounds, self.scratch, self.base_env, "changed")
        workload = f"{self.options.changes} changes, {bytes_changed} bytes"
        ratio_row(self.table, workload, different, listing, 1.0)
        slowdown = median(different) / median(identical)
        self.table.row(workload, "varnex-diff, changed pair over identical pair", seconds(median(different)),
                       f"{slowdown:.2f}", "<= 2.00", slowdown <= 2.0)
        self.memory_row(workload, different)

    def run(self):
        parent = self.options.tmpdir or None
        with tempfile.TemporaryDirectory(prefix="varnex-diff-bench-", dir=parent) as scratch:
            self.scratch = scratch
            self.compile_peak()
            self.run_pairs(*self.make_files())
        print()
        print(f"varnex/peer: median wall time of varnex-diff over the peer's; {self.options.rounds} alternating "
              f"rounds; files in the page cache; {os.cpu_count()} CPUs; {time.strftime('%Y-%m-%d %H:%M')}")
        print()
        self.table.print()
        print()
        print(f"{self.table.misses} target(s) missed" if self.table.misses else "all targets met")
        return self.table.misses


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--diff", default="build/src/varnex-diff", help="the varnex-diff binary")
    parser.add_argument("--size-mib", type=int, default=GiB // MiB, help="size of each file (default 1024)")
    parser.add_argument("--changes", type=int, default=100000, help="scattered changes in the changed pair")
    parser.add_argument("--rounds", type=int, default=3, help="alternating rounds per pair (default 3)")
    parser.add_argument("--tmpdir", default="", help="where the temporary folder goes (3 files of --size-mib)")
    parser.add_argument("--cc", default="cc")
    options = parser.parse_args()
    try:
        return 1 if DiffBench(options).run() else 0
    except Failure as failure:
        print(f"diff_compare.py: {failure}", file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
