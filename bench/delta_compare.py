#!/usr/bin/env python3
"""varnex-diff on the inputs of in-place patching: a decoder's pipe, the bytes
that reach storage, and sparse images.

Makes its files in a temporary folder (removed afterwards) and measures three
workloads, printing a table like diff_compare.py's:

- pipe: a pair of --pipe-mib (1 GiB) with 20,000 scattered changes, the new
  file given as a VCDIFF patch. `xdelta3 -d -c -s OLD P | varnex-diff OLD -`
  against `xdelta3 -d -c -s OLD P > /dev/null`: within 1.2x (the decoder is
  the cost), and against `dd` draining the same pipe (what reading a pipe at
  all costs: > /dev/null spares the decoder its copy into the pipe); varnex-diff's peak memory below 32 MiB; the stream, applied with
  varnex to a copy of OLD, gives the new file.
- storage: a pair of --storage-mib (256 MiB) with 20,000 scattered changes;
  the bytes that the run of varnex applying the stream sends to storage
  as 4 KiB file-system blocks its WRITEs cover, and as write_bytes of
  /proc/PID/io (from wait4's ru_oublock: every page-cache folio it dirties
  counts whole, and folios may be larger than 4 KiB), for 4096- and 512-byte
  pages, next to `xdelta3 -d`, which writes the whole new file. With --base (a varnex-diff
  that starts a page at its first changed byte) the same for its streams.
- sparse: pairs of 4 GiB and 64 GiB holding 5 MiB of data each, compared
  cold (the page cache dropped before every run, when this user may): the
  4 GiB pair under 0.5 s, the 64 GiB pair within 2x of it (time goes with the
  data, not the size); cmp on the 4 GiB pair for reference.

    python3 bench/delta_compare.py --diff build-bench/src/varnex-diff --varnex build-bench/src/varnex

Needs xdelta3, cmp, dd and a C compiler (for compare.py's peak-memory program);
only the standard library. The files live in --tmpdir (default: the system's
temporary folder), which must hold about 3 GiB and support sparse files.
"""

import argparse
import hashlib
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

from compare import GiB, KiB, MiB, PEAK_C, Contender, Failure, Table, log, measure, median, ratio_row, resolve, \
    seconds, warm, write_random
from diff_compare import scatter_changes

MEMORY_LIMIT_MIB = 32
SPARSE_DATA = 5 * MiB
SPARSE_CHUNK = 128 * KiB
BLOCK = 4096


def file_hash(path):
    digest = hashlib.sha256()
    with open(path, "rb") as source:
        while chunk := source.read(16 * MiB):
            digest.update(chunk)
    return digest.hexdigest()


def storage_bytes(argv, stdin_path):
    """Runs argv with standard input from stdin_path and output to /dev/null;
    returns the bytes it sent to storage (ru_oublock is write_bytes / 512)."""
    with open(stdin_path, "rb") as stdin, open(os.devnull, "wb") as null:
        process = subprocess.Popen(argv, stdin=stdin, stdout=null, stderr=null)
        _, status, usage = os.wait4(process.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        raise Failure(f"{argv[0]} exited with {os.waitstatus_to_exitcode(status)}")
    return usage.ru_oublock * 512


def page_offset(text):
    """A PAGE operand as varnex-diff writes it: 0xN or 0xHIGH:LOW."""
    high, _, low = text.partition(":")
    return (int(high, 16) << 32) + int(low, 16) if low else int(high, 16)


def blocks_covered(stream, page, size):
    """The 4 KiB blocks of the file that the stream's WRITEs cover: a WRITE
    writes the whole page PAGE loaded, and a file system writes whole blocks."""
    blocks = 0
    with open(stream, "rb") as source:
        for line in source:
            if line.startswith(b"PAGE "):
                offset = page_offset(line[5:].decode().strip())
                end = min(offset + page, size)
                blocks += (end - 1) // BLOCK - offset // BLOCK + 1
    return blocks


def drop_caches():
    """True when the page cache could be dropped (root), else False."""
    os.sync()
    try:
        with open("/proc/sys/vm/drop_caches", "w") as control:
            control.write("3\n")
        return True
    except OSError:
        return False


class DeltaBench:
    def __init__(self, options):
        self.options = options
        self.diff = os.path.abspath(options.diff)
        self.varnex = os.path.abspath(options.varnex)
        for program in (self.diff, self.varnex):
            if not os.access(program, os.X_OK):
                raise Failure(f"{program} is not an executable; build it first")
        self.xdelta3 = resolve("xdelta3")
        self.table = Table()
        self.env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C"}
        self.scratch = ""

    def path(self, name):
        return os.path.join(self.scratch, name)

    def changed_pair(self, size_mib, prefix):
        old, new = self.path(prefix + "old.bin"), self.path(prefix + "new.bin")
        log(f"making a {size_mib} MiB pair with {self.options.changes} scattered changes")
        write_random(old, size_mib * MiB, os.urandom)
        shutil.copyfile(old, new)
        scatter_changes(new, self.options.changes, seed=18)
        return old, new

    def encode(self, old, new, patch):
        log(f"encoding {os.path.basename(patch)} with xdelta3")
        subprocess.run([self.xdelta3, "-e", "-f", "-s", old, new, patch], check=True)

    def compile_peak(self):
        source = self.path("peak.c")
        with open(source, "w") as out:
            out.write(PEAK_C)
        subprocess.run([resolve(self.options.cc), "-O2", "-o", self.path("peak"), source], check=True)

    def pipe_workload(self):
        old, new = self.changed_pair(self.options.pipe_mib, "pipe-")
        patch = self.path("pipe.vcdiff")
        self.encode(old, new, patch)
        for path in (old, patch):
            warm(path)
        decode = f"'{self.xdelta3}' -d -c -s '{old}' '{patch}'"
        stream = self.path("pipe.cmds")
        decoder = Contender("xdelta3 -d -c > /dev/null (the decoder alone)", ["/bin/sh", "-c", decode + " > /dev/null"])
        piped = Contender("xdelta3 -d -c | varnex-diff OLD -",
                          ["/bin/sh", "-c", f"{decode} | '{self.diff}' -q '{old}' - > '{stream}'"], expect=1)
        drained = Contender("xdelta3 -d -c | dd bs=1M of=/dev/null (the pipe drained, nothing else)",
                            ["/bin/sh", "-c", f"{decode} | '{resolve('dd')}' bs=1M of=/dev/null status=none"])
        measure([piped, decoder, drained], self.options.rounds, self.scratch, self.env, "pipe")
        workload = f"pipe, {self.options.pipe_mib} MiB, {self.options.changes} changes"
        ratio_row(self.table, workload, piped, decoder, 1.2)
        ratio_row(self.table, workload, piped, drained, None, show_varnex=False)
        peak_file = self.path("peak.txt")
        subprocess.run(["/bin/sh", "-c", f"{decode} | '{self.path('peak')}' '{peak_file}' '{self.diff}' -q '{old}' - "
                        f"> '{stream}'"], check=False)
        peak = int(open(peak_file).read()) / KiB
        self.table.row(workload, "varnex-diff peak memory, reading the pipe", f"{peak:.1f} MiB", "",
                       f"< {MEMORY_LIMIT_MIB} MiB", peak < MEMORY_LIMIT_MIB)
        self.check_applies(old, new, stream)
        for path in (old, new, patch, stream):
            os.unlink(path)

    def check_applies(self, old, new, stream):
        target = self.path("target.bin")
        shutil.copyfile(old, target)
        storage_bytes([self.varnex, target], stream)
        if file_hash(target) != file_hash(new):
            raise Failure("the stream made through the pipe does not turn OLD into NEW")
        os.unlink(target)

    def applied_bytes(self, differ, old, new, page):
        """Bytes sent to storage by varnex applying differ's stream to a copy
        of old, and the 4 KiB file-system blocks its WRITEs cover."""
        stream, target = self.path("storage.cmds"), self.path("target.bin")
        with open(stream, "wb") as out:
            code = subprocess.run([differ, "-q", f"-P:{page}", old, new], stdout=out).returncode
        if code != 1:
            raise Failure(f"{differ}: exit code {code}, expected 1")
        blocks = blocks_covered(stream, page, os.path.getsize(old))
        shutil.copyfile(old, target)
        os.sync()
        written = storage_bytes([self.varnex, target], stream)
        if file_hash(target) != file_hash(new):
            raise Failure(f"{differ}'s stream does not turn OLD into NEW")
        os.unlink(target)
        return written, blocks * BLOCK

    def storage_workload(self):
        old, new = self.changed_pair(self.options.storage_mib, "storage-")
        workload = f"storage, {self.options.storage_mib} MiB, {self.options.changes} changes"
        contenders = [("varnex-diff", self.diff)] + ([("page at first change", self.options.base)]
                                                     if self.options.base else [])
        for label, differ in contenders:
            for page in (4096, 512):
                written, paged = self.applied_bytes(os.path.abspath(differ), old, new, page)
                self.table.row(workload, f"varnex, {label}, -P:{page}: 4 KiB blocks covered (write_bytes)",
                               f"{paged / MiB:.1f} MiB ({written / MiB:.1f} MiB)")
        patch, out = self.path("storage.vcdiff"), self.path("xdelta-out.bin")
        self.encode(old, new, patch)
        os.sync()
        written = storage_bytes([self.xdelta3, "-d", "-f", "-s", old, patch, out], "/dev/null")
        self.table.row(workload, "xdelta3 -d (writes the new file)", f"{written / MiB:.1f} MiB")
        for path in (old, new, patch, out):
            os.unlink(path)

    def sparse_pair(self, size):
        old, new = self.path("sparse-old.img"), self.path("sparse-new.img")
        rng = random.Random(64)
        chunks = SPARSE_DATA // SPARSE_CHUNK
        places = sorted(rng.randrange(0, size // SPARSE_CHUNK) * SPARSE_CHUNK for _ in range(chunks))
        for path in (old, new):
            with open(path, "wb") as out:
                out.truncate(size)
        with open(old, "r+b") as old_out, open(new, "r+b") as new_out:
            for place in places:
                data = bytearray(rng.randbytes(SPARSE_CHUNK))
                old_out.seek(place)
                old_out.write(data)
                data[rng.randrange(SPARSE_CHUNK)] ^= 0x5A
                new_out.seek(place)
                new_out.write(data)
            # data in one file where the other has a hole: compared, not skipped
            new_out.seek(size // 2 + 4096)
            new_out.write(b"only in new")
        return old, new

    def cold_seconds(self, argv, expect):
        dropped = drop_caches()
        start = time.perf_counter()
        code = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        elapsed = time.perf_counter() - start
        if code != expect:
            raise Failure(f"{argv[0]}: exit code {code}, expected {expect}")
        return elapsed, dropped

    def sparse_workload(self):
        times = {}
        for size_gib in (4, 64):
            old, new = self.sparse_pair(size_gib * GiB)
            runs = [self.cold_seconds([self.diff, "-q", old, new], 1) for _ in range(self.options.rounds)]
            times[size_gib] = sorted(t for t, _ in runs)[len(runs) // 2]
            state = "cold" if all(d for _, d in runs) else "warm (page cache could not be dropped)"
            workload = f"sparse {size_gib} GiB, 5 MiB data, {state}"
            if size_gib == 4:
                self.table.row(workload, "varnex-diff", seconds(times[4]), "", "< 0.5 s", times[4] < 0.5)
                if self.options.base:
                    base, _ = self.cold_seconds([os.path.abspath(self.options.base), "-q", old, new], 1)
                    self.table.row(workload, "page at first change, reads every hole", seconds(base))
                listing = f"'{resolve('cmp')}' -l '{old}' '{new}' > '{self.path('listing.txt')}'"
                cmp_time, _ = self.cold_seconds(["/bin/sh", "-c", listing], 1)
                self.table.row(workload, "cmp -l (reads every hole)", seconds(cmp_time), f"{times[4] / cmp_time:.2f}")
            else:
                growth = times[64] / times[4]
                self.table.row(workload, "varnex-diff, over the 4 GiB pair", seconds(times[64]), f"{growth:.2f}",
                               "<= 2.00", growth <= 2.0)
            os.unlink(old)
            os.unlink(new)

    def run(self):
        with tempfile.TemporaryDirectory(prefix="varnex-delta-bench-", dir=self.options.tmpdir or None) as scratch:
            self.scratch = scratch
            self.compile_peak()
            self.pipe_workload()
            self.storage_workload()
            self.sparse_workload()
        print()
        print(f"median of {self.options.rounds} rounds; {os.cpu_count()} CPUs; {time.strftime('%Y-%m-%d %H:%M')}")
        print()
        self.table.print()
        print()
        print(f"{self.table.misses} target(s) missed" if self.table.misses else "all targets met")
        return self.table.misses


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--diff", default="build/src/varnex-diff", help="the varnex-diff binary")
    parser.add_argument("--varnex", default="build/src/varnex", help="the varnex binary")
    parser.add_argument("--base", default="", help="a varnex-diff that starts pages at their first change")
    parser.add_argument("--pipe-mib", type=int, default=1024, help="size of the pipe pair (default 1024)")
    parser.add_argument("--storage-mib", type=int, default=256, help="size of the storage pair (default 256)")
    parser.add_argument("--changes", type=int, default=20000, help="scattered changes (default 20000)")
    parser.add_argument("--rounds", type=int, default=3, help="rounds per timed workload (default 3)")
    parser.add_argument("--tmpdir", default="", help="where the temporary folder goes")
    parser.add_argument("--cc", default="cc")
    options = parser.parse_args()
    try:
        return 1 if DeltaBench(options).run() else 0
    except Failure as failure:
        print(f"delta_compare.py: {failure}", file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
