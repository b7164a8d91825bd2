#!/usr/bin/env python3
"""varnex-apply against a plain varnex run of the same stream, side by side.

Makes a file of --size-mib MiB (default 512) in a temporary folder (removed
afterwards), a copy changed by one byte in --pages of its 4 KiB pages
(default 100,000), and the stream between them with varnex-diff. Then, round
by round, on a fresh copy of the old file each time (the copy is not timed):

- `varnex FILE < STREAM > /dev/null`, the floor: the run alone;
- `varnex-apply -q FILE STREAM`: lint, dry run, journal with its syncs, the
  run, its sync and the read-back;

and prints the median wall times, their ratio (goal: at most 1.5), the peak
memory of each, and the number of fsync calls of varnex-apply on this stream
and on one of 1,000 pages (goal: the same; it must not grow with the pages),
counted with strace where it is installed.

    python3 bench/apply_compare.py --bin build/src
    python3 bench/apply_compare.py --bin build/src --size-mib 64 --pages 10000 --rounds 3

Only the standard library is used.
"""

import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

MiB = 1 << 20
PAGE = 4096


def make_pair(folder, size_mib, pages, seed):
    """The old file, the new one (one byte changed in `pages` pages)."""
    old, new = os.path.join(folder, "old"), os.path.join(folder, "new")
    with open(old, "wb") as out:
        for _ in range(size_mib):
            out.write(os.urandom(MiB))
    shutil.copyfile(old, new)
    rng = random.Random(seed)
    chosen = sorted(rng.sample(range(size_mib * MiB // PAGE), pages))
    with open(new, "r+b", buffering=0) as target:
        for page in chosen:
            at = page * PAGE + rng.randrange(PAGE)
            target.seek(at)
            byte = target.read(1)[0]
            target.seek(at)
            target.write(bytes([(byte + 1 + rng.randrange(255)) % 256]))
    return old, new


def stream_between(binaries, old, new, path):
    with open(path, "wb") as out:
        subprocess.run([os.path.join(binaries, "varnex-diff"), "-q", old, new], stdout=out, check=False)
    return path


def timed(command, stdin=None):
    """Wall seconds and peak resident memory (MiB) of one run."""
    start = time.perf_counter()
    with open(os.devnull, "wb") as null:
        child = subprocess.Popen(command, stdin=stdin, stdout=null, stderr=null)
        _, status, usage = os.wait4(child.pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{command[0]} exited with {os.waitstatus_to_exitcode(status)}")
    return elapsed, usage.ru_maxrss / 1024


def fresh_target(old, target):
    shutil.copyfile(old, target)
    journal = target + ".varnex-journal"
    if os.path.exists(journal):
        os.remove(journal)


def run_rounds(binaries, old, new, stream, target, rounds):
    plain, applied = [], []
    for _ in range(rounds):
        fresh_target(old, target)
        with open(stream, "rb") as commands:
            plain.append(timed([os.path.join(binaries, "varnex"), target], stdin=commands))
        fresh_target(old, target)
        applied.append(timed([os.path.join(binaries, "varnex-apply"), "-q", target, stream]))
        if not same_bytes(target, new):
            sys.exit("varnex-apply did not make the file equal to the new one")
    return plain, applied


def same_bytes(a, b):
    return subprocess.run(["cmp", "-s", a, b]).returncode == 0


def count_syncs(binaries, old, stream, target):
    """fsync and fdatasync calls of one varnex-apply run, or None without strace."""
    if shutil.which("strace") is None:
        return None
    fresh_target(old, target)
    trace = target + ".trace"
    subprocess.run(["strace", "-f", "-o", trace, "-e", "trace=fsync,fdatasync,sync_file_range",
                    os.path.join(binaries, "varnex-apply"), "-q", target, stream], check=True)
    with open(trace) as lines:
        return sum(1 for line in lines if "sync" in line and "resumed" not in line)


def report(plain, applied, syncs_many, syncs_few, pages):
    plain_s = statistics.median(t for t, _ in plain)
    applied_s = statistics.median(t for t, _ in applied)
    print(f"{'run':<42} {'median s':>9} {'peak MiB':>9}")
    print(f"{'varnex FILE < STREAM > /dev/null':<42} {plain_s:9.3f} {max(m for _, m in plain):9.1f}")
    print(f"{'varnex-apply -q FILE STREAM':<42} {applied_s:9.3f} {max(m for _, m in applied):9.1f}")
    print(f"ratio {applied_s / plain_s:.2f}x (goal <= 1.50)")
    if syncs_many is not None:
        print(f"fsync calls: {syncs_many} on {pages:,} pages, {syncs_few} on 1,000 pages (goal: equal)")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", default="build/src", help="folder of varnex, varnex-diff, varnex-apply")
    parser.add_argument("--size-mib", type=int, default=512)
    parser.add_argument("--pages", type=int, default=100000)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    folder = tempfile.mkdtemp(prefix="varnex-apply-bench-")
    try:
        old, new = make_pair(folder, args.size_mib, args.pages, 1)
        stream = stream_between(args.bin, old, new, os.path.join(folder, "stream"))
        target = os.path.join(folder, "target")
        plain, applied = run_rounds(args.bin, old, new, stream, target, args.rounds)
        small_new = os.path.join(folder, "small_new")
        make_small_change(old, small_new, 1000)
        small_stream = stream_between(args.bin, old, small_new, os.path.join(folder, "small_stream"))
        syncs_many = count_syncs(args.bin, old, stream, target)
        syncs_few = count_syncs(args.bin, old, small_stream, target)
        report(plain, applied, syncs_many, syncs_few, args.pages)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def make_small_change(old, path, pages):
    """A copy of `old` with one byte changed in each of its first `pages` pages."""
    shutil.copyfile(old, path)
    with open(path, "r+b", buffering=0) as target:
        for page in range(pages):
            target.seek(page * PAGE)
            byte = target.read(1)[0]
            target.seek(page * PAGE)
            target.write(bytes([byte ^ 0xFF]))


if __name__ == "__main__":
    main()
