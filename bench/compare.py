#!/usr/bin/env python3
"""Whole-process comparison of varnex with the tools people use instead.

Makes its data on the fly in a temporary folder (removed afterwards), runs
varnex and its peers on the same work, alternating them round by round, and
prints for each workload the median wall time of every contender, the ratio
varnex/peer and the target it is held to. Also reports the peak memory of
varnex (from wait4's rusage) and, when strace is installed, the number of
write calls per line of output on small runs of every workload.

    python3 bench/compare.py --varnex build/varnex

Peers: xxd, hexdump (bsdextrautils), od, grep, a C compiler (cc) and a C++
compiler (c++) for the small reference programs, strace (optional). The
Python peer of the patch workload runs under this same interpreter.

Only the standard library is used. Timings on a shared machine are noisy:
read the ratios, and run again with more --rounds when in doubt.
"""

import argparse
import hashlib
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

KiB = 1 << 10
MiB = 1 << 20
GiB = 1 << 30

# ---------------------------------------------------------------------------
# The reference programs, compiled into the temporary folder.

FLOOR_C = r"""
/* The floor of the line convention: `count` lines of `length` bytes
   (newline included) to standard output, each in one write(2). */
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
int main(int argc, char **argv) {
    long count = argc > 1 ? atol(argv[1]) : 0;
    int length = argc > 2 ? atoi(argv[2]) : 76;
    char line[256];
    if (length < 1 || length > 256) return 2;
    memset(line, 'x', sizeof line);
    line[length - 1] = '\n';
    for (long i = 0; i < count; ++i)
        if (write(1, line, (size_t)length) != length) return 1;
    return 0;
}
"""

READ_C = r"""
/* Reads a whole file into a fresh malloc buffer with read(2). With a
   needle argument, then looks for it with memmem (case-sensitive) and
   prints the position (or -1) and the nanoseconds memmem took. With -h
   first, the buffer is 2 MiB aligned and asks for transparent huge pages. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
int main(int argc, char **argv) {
    int huge = argc > 1 && strcmp(argv[1], "-h") == 0;
    argc -= huge;
    argv += huge;
    if (argc < 2) return 2;
    int fd = open(argv[1], O_RDONLY);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) return 1;
    size_t size = (size_t)st.st_size, done = 0;
    size_t rounded = (size + (2u << 20) - 1) & ~(size_t)((2u << 20) - 1);
    unsigned char *buffer = huge ? aligned_alloc(2u << 20, rounded ? rounded : (2u << 20)) : malloc(size ? size : 1);
    if (!buffer) return 1;
    if (huge) madvise(buffer, rounded, MADV_HUGEPAGE);
    while (done < size) {
        ssize_t got = read(fd, buffer + done, size - done);
        if (got <= 0) return 1;
        done += (size_t)got;
    }
    if (argc > 2) {
        struct timespec start, end;
        clock_gettime(CLOCK_MONOTONIC, &start);
        const unsigned char *hit = memmem(buffer, size, argv[2], strlen(argv[2]));
        clock_gettime(CLOCK_MONOTONIC, &end);
        long long ns = (end.tv_sec - start.tv_sec) * 1000000000LL + (end.tv_nsec - start.tv_nsec);
        printf("%ld %lld\n", hit ? (long)(hit - buffer) : -1L, ns);
    }
    free(buffer);
    close(fd);
    return 0;
}
"""

PEAK_C = r"""
/* Runs a program and writes its peak resident set size in KiB to the file
   named first. Linux keeps the high-water mark of the image that a process
   replaces with execve, so the program is started from this small process
   rather than from the (much larger) interpreter of the comparison script. */
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
int main(int argc, char **argv) {
    if (argc < 3) return 2;
    pid_t pid = fork();
    if (pid < 0) return 2;
    if (pid == 0) {
        execv(argv[2], argv + 2);
        _exit(127);
    }
    int status;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) < 0) return 2;
    FILE *out = fopen(argv[1], "w");
    if (!out) return 2;
    fprintf(out, "%ld\n", usage.ru_maxrss);
    fclose(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}
"""

PATCH_FLOOR_C = r"""
/* The floor of a logged patch run: for each "offset old new" line, the
   system calls that a page-at-a-time patch with a complete log needs at
   the least: pread and pwrite of the 4 KiB page (written back unchanged)
   and twelve log lines (four echoed commands, four messages each with the
   empty line that follows it) in eight write(2) calls. */
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#include <fcntl.h>
int main(int argc, char **argv) {
    static const int lengths[8] = {17, 76, 20, 59, 20, 59, 6, 73};
    char line[128], page[4096];
    unsigned long offset;
    if (argc < 3) return 2;
    int fd = open(argv[1], O_RDWR);
    FILE *patches = fopen(argv[2], "r");
    if (fd < 0 || !patches) return 1;
    memset(line, 'x', sizeof line);
    while (fscanf(patches, "%lx %*s %*s", &offset) == 1) {
        off_t start = (off_t)(offset & ~0xFFFUL);
        for (int i = 0; i < 8; ++i) {
            line[lengths[i] - 1] = '\n';
            if (write(1, line, (size_t)lengths[i]) != lengths[i]) return 1;
            line[lengths[i] - 1] = 'x';
            if (i == 0 && pread(fd, page, sizeof page, start) != (ssize_t)sizeof page) return 1;
            if (i == 6 && pwrite(fd, page, sizeof page, start) != (ssize_t)sizeof page) return 1;
        }
    }
    return 0;
}
"""

TRIVIAL_CXX = r"""
// The trivial C++ program: one line through the standard output stream.
#include <iostream>
int main() {
    std::cout << "hello\n";
    return 0;
}
"""

PATCH_PY = r"""
# Applies "offset old new" patches (hex) in place: pread, compare, pwrite.
import os, sys
fd = os.open(sys.argv[1], os.O_RDWR)
applied = refused = 0
with open(sys.argv[2]) as patches:
    for line in patches:
        offset, old, new = line.split()
        offset = int(offset, 16)
        old = bytes.fromhex(old)
        if os.pread(fd, len(old), offset) != old:
            refused += 1
            continue
        os.pwrite(fd, bytes.fromhex(new), offset)
        applied += 1
os.close(fd)
print(f"{applied} applied, {refused} refused")
"""

# ---------------------------------------------------------------------------
# Running and timing.


class Failure(Exception):
    pass


def log(text):
    print(text, file=sys.stderr, flush=True)


def resolve(program):
    path = shutil.which(program)
    if path is None:
        raise Failure(f"{program} not found; install it (see bench/README.md)")
    return path


class Contender:
    """One program run on one workload: argv, where its input comes from,
    where its output goes ("null" or a path that is removed after each run),
    the exit code it must give and an optional check of its first output."""

    def __init__(self, name, argv, stdin="/dev/null", stdout="null", expect=0, check=None,
                 env=None, before=None, record=None):
        self.name = name
        self.argv = argv
        self.stdin = stdin
        self.stdout = stdout
        self.expect = expect
        self.check = check
        self.env = env
        self.before = before  # called before every run (the patch workload flips its file)
        self.record = record  # called with the output file after every run; returns a value to keep
        self.recorded = []
        self.times = []


def spawn(argv, stdin, stdout_path, env):
    actions = [
        (os.POSIX_SPAWN_OPEN, 0, stdin, os.O_RDONLY, 0),
        (os.POSIX_SPAWN_OPEN, 1, stdout_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
        (os.POSIX_SPAWN_OPEN, 2, "/dev/null", os.O_WRONLY, 0),
    ]
    start = time.perf_counter()
    pid = os.posix_spawn(argv[0], argv, env, file_actions=actions)
    _, status, _ = os.wait4(pid, 0)
    elapsed = time.perf_counter() - start
    return elapsed, os.waitstatus_to_exitcode(status)


def run_once(contender, scratch, base_env, checked):
    if contender.before is not None:
        contender.before(contender)
    out = "/dev/null" if contender.stdout == "null" else contender.stdout
    env = dict(base_env, **(contender.env or {}))
    elapsed, code = spawn(contender.argv, contender.stdin, out, env)
    if code != contender.expect:
        raise Failure(f"{contender.name}: exit code {code}, expected {contender.expect}")
    if contender.check is not None and not checked:
        if contender.stdout == "null":
            # Check once with the output kept, untimed.
            probe = os.path.join(scratch, "probe.out")
            if contender.before is not None:
                contender.before(contender)
            spawn(contender.argv, contender.stdin, probe, env)
            contender.check(probe)
            os.unlink(probe)
        else:
            contender.check(out)
    if contender.record is not None:
        contender.recorded.append(contender.record(out))
    if contender.stdout != "null":
        os.unlink(out)
    contender.times.append(elapsed)


def measure(contenders, rounds, scratch, base_env, label):
    """Runs every contender once per round, rotating the order each round so
    that none always runs first or right after the same neighbour."""
    count = len(contenders)
    for round_index in range(rounds):
        order = contenders[round_index % count:] + contenders[:round_index % count]
        for contender in order:
            run_once(contender, scratch, base_env, checked=round_index > 0)
        log(f"  {label}: round {round_index + 1}/{rounds} done")


def time_between_lines(argv, stdin, first, last, env):
    """Runs a program with its output on a pipe and returns the seconds
    between the arrival of the line beginning with `first` and of the line
    beginning with `last`. Every line leaves varnex in its own write as soon
    as it is complete, so the echo of a command and the message that
    follows it bracket the work of that command."""
    read_end, write_end = os.pipe()
    actions = [
        (os.POSIX_SPAWN_OPEN, 0, stdin, os.O_RDONLY, 0),
        (os.POSIX_SPAWN_DUP2, write_end, 1),
        (os.POSIX_SPAWN_CLOSE, read_end),
        (os.POSIX_SPAWN_OPEN, 2, "/dev/null", os.O_WRONLY, 0),
    ]
    pid = os.posix_spawn(argv[0], argv, env, file_actions=actions)
    os.close(write_end)
    stamps = {}
    pending = b""
    while True:
        chunk = os.read(read_end, 1 << 16)
        now = time.perf_counter()
        if not chunk:
            break
        pending += chunk
        *complete, pending = pending.split(b"\n")
        for line in complete:
            for prefix in (first, last):
                if prefix not in stamps and line.startswith(prefix):
                    stamps[prefix] = now
    os.close(read_end)
    _, status, _ = os.wait4(pid, 0)
    if os.waitstatus_to_exitcode(status) != 0 or first not in stamps or last not in stamps:
        raise Failure(f"{' '.join(argv)}: lines {first!r} and {last!r} not both seen")
    return stamps[last] - stamps[first]


def median(contender):
    return statistics.median(contender.times)


# ---------------------------------------------------------------------------
# Data.


def write_random(path, size, rng_bytes, tail=b""):
    with open(path, "wb") as out:
        left = size - len(tail)
        while left > 0:
            chunk = rng_bytes(min(left, 16 * MiB))
            out.write(chunk)
            left -= len(chunk)
        out.write(tail)


def write_repeated(path, size, byte):
    block = byte * (16 * MiB)
    with open(path, "wb") as out:
        left = size
        while left > 0:
            out.write(block[:min(left, len(block))])
            left -= min(left, len(block))


def warm(path):
    with open(path, "rb", buffering=0) as source:
        while source.read(64 * MiB):
            pass


def file_hash(path):
    digest = hashlib.sha256()
    with open(path, "rb", buffering=0) as source:
        while True:
            block = source.read(16 * MiB)
            if not block:
                return digest.hexdigest()
            digest.update(block)


def write_text(path, text):
    with open(path, "w") as out:
        out.write(text)


def count_lines(path):
    lines = 0
    with open(path, "rb", buffering=0) as source:
        while True:
            block = source.read(16 * MiB)
            if not block:
                return lines
            lines += block.count(b"\n")


def expect_in_output(*patterns, lines_at_least=0):
    def check(path):
        with open(path, "rb") as source:
            head = source.read(4 * MiB)
        text = head.decode("ascii", "replace")
        for pattern in patterns:
            if re.search(pattern, text) is None:
                raise Failure(f"output {os.path.basename(path)} lacks {pattern!r}:\n{text[:2000]}")
        if lines_at_least and count_lines(path) < lines_at_least:
            raise Failure(f"output {os.path.basename(path)} has fewer than {lines_at_least} lines")
    return check


def memmem_seconds(path):
    with open(path) as source:
        return int(source.read().split()[1]) / 1e9


def expect_count(pattern, count):
    def check(path):
        with open(path, "rb") as source:
            found = len(re.findall(pattern.encode(), source.read()))
        if found != count:
            raise Failure(f"output {os.path.basename(path)}: {found} times {pattern!r}, expected {count}")
    return check


# ---------------------------------------------------------------------------
# The report.


class Table:
    def __init__(self):
        self.rows = []
        self.misses = 0

    def row(self, workload, contender, value, ratio="", target="", verdict=None):
        if verdict is False:
            self.misses += 1
        mark = "" if verdict is None else ("met" if verdict else "MISSED")
        self.rows.append((workload, contender, value, ratio, target, mark))

    def print(self):
        header = ("workload", "contender", "median", "varnex/peer", "target", "")
        widths = [max(len(str(r[i])) for r in self.rows + [header]) for i in range(6)]
        def line(cells):
            return "| " + " | ".join(str(c).ljust(w) for c, w in zip(cells, widths)) + " |"
        print(line(header))
        print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
        for r in self.rows:
            print(line(r))


def seconds(value):
    return f"{value * 1000:.1f} ms" if value < 1 else f"{value:.3f} s"


def ratio_row(table, workload, varnex, peer, limit=None, show_varnex=True):
    ratio = median(varnex) / median(peer)
    if show_varnex:
        table.row(workload, varnex.name, seconds(median(varnex)))
    verdict = None if limit is None else ratio <= limit
    target = "" if limit is None else f"<= {limit:.2f}"
    table.row(workload, peer.name, seconds(median(peer)), f"{ratio:.2f}", target, verdict)
    return ratio


# ---------------------------------------------------------------------------
# The workloads.


class Bench:
    def __init__(self, options):
        self.options = options
        self.varnex = os.path.abspath(options.varnex)
        if not os.access(self.varnex, os.X_OK):
            raise Failure(f"{self.varnex} is not an executable; build varnex first")
        self.scratch = None
        self.table = Table()
        self.base_env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C"}
        self.notes = []

    def path(self, name):
        return os.path.join(self.scratch, name)

    def compile_helpers(self):
        cc = resolve(self.options.cc)
        cxx = resolve(self.options.cxx)
        for name, source, compiler in (("floor", FLOOR_C, cc), ("readfile", READ_C, cc), ("peak", PEAK_C, cc),
                                       ("patchfloor", PATCH_FLOOR_C, cc),
                                       ("trivial", TRIVIAL_CXX, cxx)):
            suffix = ".cpp" if compiler == cxx else ".c"
            write_text(self.path(name + suffix), source)
            subprocess.run([compiler, "-O2", "-o", self.path(name), self.path(name + suffix)], check=True)
        write_text(self.path("patch.py"), PATCH_PY)

    def wanted(self, name):
        return not self.options.only or name in self.options.only.split(",")

    def stream(self, name, text):
        write_text(self.path(name), text)
        return self.path(name)

    # 1. start-up ------------------------------------------------------------

    def startup(self):
        log("start-up: an empty command stream against a trivial C++ program")
        target = self.path("small.bin")
        write_random(target, 4 * KiB, os.urandom)
        empty = self.stream("empty.cmd", "")
        varnex = Contender("varnex, empty stream", [self.varnex, target], stdin=empty,
                           check=expect_in_output(r"MIP0105I"))
        trivial = Contender("trivial C++ program", [self.path("trivial")])
        spawns = self.options.startup_spawns
        for round_index in range(self.options.rounds):
            for spawn_index in range(spawns):
                first, second = (varnex, trivial) if spawn_index % 2 == 0 else (trivial, varnex)
                run_once(first, self.scratch, self.base_env, checked=round_index + spawn_index > 0)
                run_once(second, self.scratch, self.base_env, checked=True)
            log(f"  start-up: round {round_index + 1}/{self.options.rounds} done")
        ratio_row(self.table, "1 start-up", varnex, trivial, 1.0)
        self.peak("1 start-up", varnex)

    # 2. dump ----------------------------------------------------------------

    def dump(self):
        log("dump: 64 MiB of random bytes as a hex dump, to /dev/null and to a file")
        size = 64 * MiB
        data = self.path("random64.bin")
        write_random(data, size, os.urandom)
        warm(data)
        lines = size // 16
        stream = self.stream("dump.cmd", "PAGESIZE 0x4000000\nPAGE 0\nDUMP\n")
        for where in ("null", "file"):
            out = "null" if where == "null" else self.path("dump.out")
            label = "/dev/null" if where == "null" else "a file"
            varnex = Contender(f"varnex DUMP > {label}", [self.varnex, data], stdin=stream, stdout=out,
                               check=expect_in_output(r"MIP0110I: Page command completed 67108864 bytes",
                                                      r"\n0000: ", lines_at_least=lines + 2))
            floor = Contender(f"floor: {lines} x write(76 B)", [self.path("floor"), str(lines), "76"],
                              stdout=out)
            xxd = Contender("xxd", [resolve("xxd"), data], stdout=out)
            hexdump = Contender("hexdump -C", [resolve("hexdump"), "-C", data], stdout=out)
            od = Contender("od -A x -t x1z", [resolve("od"), "-A", "x", "-t", "x1z", data], stdout=out)
            peers = [floor, xxd, hexdump, od]
            measure([varnex] + peers, self.options.rounds, self.scratch, self.base_env, f"dump > {label}")
            workload = f"2 dump > {label}"
            ratio_row(self.table, workload, varnex, floor, 1.3)
            ratio_row(self.table, workload, varnex, xxd, 0.8 if where == "null" else 1.0, show_varnex=False)
            ratio_row(self.table, workload, varnex, hexdump, 1.0, show_varnex=False)
            ratio_row(self.table, workload, varnex, od, 1.0, show_varnex=False)
            if where == "null":
                self.notes.append(
                    f"dump > /dev/null: the one-write-per-line floor itself is {median(floor) / median(xxd):.2f} x xxd "
                    f"({median(floor) / lines * 1e9:.0f} ns per write(2) of a 76-byte line)")
            self.peak(workload, varnex)
        os.unlink(data)

    # 3 and 4. load and search on a 1 GiB page --------------------------------

    def load_and_search(self):
        log("load and search: a 1 GiB page, page cache warm")
        size = GiB
        needle = b"NeedleInPage#End"  # 16 bytes, searched for in the other letter case
        asked = needle.swapcase()
        data = self.path("random1g.bin")
        write_random(data, size, os.urandom, tail=needle)
        warm(data)
        load_stream = self.stream("load.cmd", "PAGESIZE 0x40000000\nPAGE 0\n")
        search_stream = self.stream("search.cmd", f"PAGESIZE 0x40000000\nPAGE 0\nSEARCH 0 {asked.hex()}\n")
        end = size - len(needle)
        varnex_load = Contender("varnex PAGE 1 GiB", [self.varnex, data], stdin=load_stream,
                                check=expect_in_output(r"MIP0110I: Page command completed 1073741824 bytes"))
        c_read = Contender("C read() into malloc", [self.path("readfile"), data])
        varnex_search = Contender("varnex PAGE + SEARCH 16 B", [self.varnex, data], stdin=search_stream,
                                  check=expect_in_output(rf"MIP0124I: The search string was located at offset {end} "))
        grep = Contender("grep -c -F -i", [resolve("grep"), "-c", "-F", "-i", asked.decode(), data],
                         check=expect_in_output(r"^1\n"))
        memmem = Contender("C read() + memmem (exact case)", [self.path("readfile"), data, needle.decode()],
                           stdout=self.path("memmem.out"), check=expect_in_output(rf"^{end} \d+\n"),
                           record=memmem_seconds)
        c_read_huge = Contender("C read() into a huge-page buffer", [self.path("readfile"), "-h", data])
        memmem_huge = Contender("C read() + memmem, huge-page buffer",
                                [self.path("readfile"), "-h", data, needle.decode()],
                                stdout=self.path("memmem.out"), check=expect_in_output(rf"^{end} \d+\n"),
                                record=memmem_seconds)
        contenders = [varnex_load, c_read, varnex_search, grep, memmem, c_read_huge, memmem_huge]
        measure(contenders, self.options.rounds, self.scratch, self.base_env, "1 GiB page")

        ratio_row(self.table, "3 load 1 GiB", varnex_load, c_read, 1.0)
        ratio_row(self.table, "3 load 1 GiB", varnex_load, c_read_huge, None, show_varnex=False)
        peak = self.peak_of(varnex_load) * KiB
        limit = size + 8 * MiB
        self.table.row("3 load 1 GiB", "varnex peak memory", f"{peak / MiB:.1f} MiB", "",
                       f"<= {limit / MiB:.0f} MiB", peak <= limit)

        ratio_row(self.table, "4 search 1 GiB", varnex_search, grep, 1.0)
        ratio_row(self.table, "4 search 1 GiB", varnex_search, memmem, None, show_varnex=False)
        # The search alone: from the echo of SEARCH to its message, in
        # varnex's own log; memmem alone as the reference program times it.
        search_time = self.search_alone(varnex_search, b"MIP0124I")
        rate = size / search_time / GiB
        self.table.row("4 search 1 GiB", "varnex SEARCH alone (timed by its log)", f"{rate:.2f} GiB/s", "",
                       ">= 4 GiB/s", rate >= 4.0)
        for reference, label in ((memmem, "memmem alone (exact case)"),
                                 (memmem_huge, "memmem alone, huge-page buffer")):
            memmem_rate = size / statistics.median(reference.recorded) / GiB
            self.table.row("4 search 1 GiB", label, f"{memmem_rate:.2f} GiB/s", f"{rate / memmem_rate:.2f} (rate)",
                           ">= 0.67 (rate)", rate / memmem_rate >= 2 / 3)
        self.peak("4 search 1 GiB", varnex_search)
        os.unlink(data)

    def search_alone(self, contender, message):
        times = [time_between_lines(contender.argv, contender.stdin, b"SEARCH", message, self.base_env)
                 for _ in range(max(5, self.options.rounds))]
        return statistics.median(times)

    # 4b. the worst case -----------------------------------------------------

    def worst_case(self):
        log("search worst case: 64 MiB of 'a', looking for a...ab of 16 and of 128 bytes")
        size = 64 * MiB
        data = self.path("a64.bin")
        write_repeated(data, size, b"a")
        warm(data)
        contenders = []
        per_length = {}
        for length in (16, 128):
            pattern = b"a" * (length - 1) + b"b"
            stream = self.stream(f"a{length}.cmd", f"PAGESIZE 0x4000000\nPAGE 0\nSEARCH 0 {pattern.hex()}\n")
            varnex = Contender(f"varnex SEARCH a..ab {length} B", [self.varnex, data], stdin=stream,
                               check=expect_in_output(r"MIP0125I"))
            grep = Contender(f"grep -c -F -i a..ab {length} B",
                             [resolve("grep"), "-c", "-F", "-i", pattern.decode(), data], expect=1)
            memmem = Contender(f"C read() + memmem a..ab {length} B",
                               [self.path("readfile"), data, pattern.decode()], check=expect_in_output(r"^-1 \d+\n"))
            per_length[length] = (varnex, grep, memmem)
            contenders += [varnex, grep, memmem]
        # Not in the targets: a...aba, whose first and last bytes match at
        # every position of the page, so every position is a candidate.
        middle = b"a" * 126 + b"ba"
        every = Contender("varnex SEARCH a..aba 128 B", [self.varnex, data],
                          stdin=self.stream("a-aba.cmd", f"PAGESIZE 0x4000000\nPAGE 0\nSEARCH 0 {middle.hex()}\n"),
                          check=expect_in_output(r"MIP0125I"))
        contenders.append(every)
        measure(contenders, self.options.rounds, self.scratch, self.base_env, "worst case")
        v16, v128 = per_length[16][0], per_length[128][0]
        for length in (16, 128):
            varnex, grep, memmem = per_length[length]
            ratio_row(self.table, f"4 worst {length} B", varnex, grep, 1.0)
            ratio_row(self.table, f"4 worst {length} B", varnex, memmem, None, show_varnex=False)
        ratio = median(v128) / median(v16)
        self.table.row("4 worst case", "varnex 128 B / 16 B (whole run)", "", f"{ratio:.2f}", "<= 1.50",
                       ratio <= 1.5)
        alone16 = self.search_alone(v16, b"MIP0125I")
        alone128 = self.search_alone(v128, b"MIP0125I")
        alone_every = self.search_alone(every, b"MIP0125I")
        self.table.row("4 worst case", "varnex 128 B / 16 B (search alone, timed by its log)",
                       f"{size / alone16 / GiB:.2f} / {size / alone128 / GiB:.2f} GiB/s",
                       f"{alone128 / alone16:.2f}", "<= 1.50", alone128 / alone16 <= 1.5)
        self.table.row("4 worst case", "varnex a..aba 128 B (search alone)", f"{size / alone_every / GiB:.2f} GiB/s",
                       f"{alone_every / alone16:.2f} (vs a..ab 16 B)")
        os.unlink(data)

    # 5. patch ---------------------------------------------------------------

    def patch(self):
        pairs = self.options.patches
        log(f"patch: {pairs} VER+REP pairs of 4 bytes at random offsets of a 256 MiB file")
        size = 256 * MiB
        data = self.path("patch.bin")
        write_random(data, size, os.urandom)
        rng = random.Random(20240601)
        offsets = [4 * slot for slot in rng.sample(range(size // 4), pairs)]
        olds = []
        with open(data, "rb") as source:
            for offset in offsets:
                source.seek(offset)
                olds.append(source.read(4))
        news = [bytes(b ^ 0x5A for b in old) for old in olds]
        original = file_hash(data)

        def varnex_stream(frm, to):
            parts = []
            for offset, a, b in zip(offsets, frm, to):
                page, within = offset & ~0xFFF, offset & 0xFFF
                parts.append(f"PAGE 0x{page:X}\nVER 0x{within:X} {a.hex().upper()}\n"
                             f"REP 0x{within:X} {b.hex().upper()}\nWRITE\n")
            return "".join(parts)

        def xxd_patch(to):
            return "".join(f"{offset:08x}: {b.hex()}\n" for offset, b in sorted(zip(offsets, to)))

        def python_patch(frm, to):
            return "".join(f"{offset:x} {a.hex()} {b.hex()}\n" for offset, a, b in zip(offsets, frm, to))

        files = {
            "varnex": (self.stream("patch-fwd.cmd", varnex_stream(olds, news)),
                       self.stream("patch-back.cmd", varnex_stream(news, olds))),
            "xxd": (self.stream("patch-fwd.xxd", xxd_patch(news)), self.stream("patch-back.xxd", xxd_patch(olds))),
            "python": (self.stream("patch-fwd.txt", python_patch(olds, news)),
                       self.stream("patch-back.txt", python_patch(news, olds))),
        }
        # Every run flips the file between its original and its patched state,
        # whichever contender makes it, so each one's checks hold.
        state = {"patched": False}

        def flip(kind):
            def before(contender):
                forward, backward = files[kind]
                chosen = backward if state["patched"] else forward
                if kind == "varnex":
                    contender.stdin = chosen
                elif kind == "xxd":
                    contender.argv[-2] = chosen
                else:
                    contender.argv[-1] = chosen
                state["patched"] = not state["patched"]
            return before

        log_path = self.path("patch.log")
        varnex = Contender(f"varnex {pairs} x PAGE/VER/REP/WRITE, log to a file", [self.varnex, data],
                           stdout=log_path, before=flip("varnex"),
                           check=lambda path: (expect_count(r"MIP0117I", pairs)(path),
                                               expect_count(r"MIP0113E", 0)(path)))
        xxd = Contender("xxd -r patch file (no check)", [resolve("xxd"), "-r", "", data], before=flip("xxd"))
        python = Contender("python pread/compare/pwrite", [sys.executable, self.path("patch.py"), data, ""],
                           stdout=self.path("python.log"), before=flip("python"),
                           check=expect_in_output(rf"^{pairs} applied, 0 refused"))
        floor = Contender("floor: pread+pwrite 4 KiB and 8 x write(2) per pair, log to a file",
                          [self.path("patchfloor"), data, files["python"][0]], stdout=self.path("floor.log"))
        measure([varnex, python, xxd, floor], self.options.rounds, self.scratch, self.base_env, "patch")
        if state["patched"]:
            xxd.before(xxd)
            spawn(xxd.argv, "/dev/null", "/dev/null", self.base_env)
        if file_hash(data) != original:
            raise Failure("patch: the file did not come back to its original bytes")
        ratio_row(self.table, "5 patch", varnex, python, 1.0)
        ratio_row(self.table, "5 patch", varnex, xxd, 1.0, show_varnex=False)
        ratio_row(self.table, "5 patch", varnex, floor, None, show_varnex=False)
        self.peak("5 patch", varnex)
        os.unlink(data)

    def peak_of(self, contender):
        """Peak resident set size in KiB of one untimed run."""
        if contender.before is not None:
            contender.before(contender)
        result = self.path("peak.txt")
        out = "/dev/null" if contender.stdout == "null" else contender.stdout
        _, code = spawn([self.path("peak"), result] + contender.argv, contender.stdin, out, self.base_env)
        if code != contender.expect:
            raise Failure(f"{contender.name}: exit code {code} in the memory run")
        if out != "/dev/null":
            os.unlink(out)
        with open(result) as source:
            return int(source.read())

    def peak(self, workload, contender):
        self.table.row(workload, "varnex peak memory", f"{self.peak_of(contender) / KiB:.1f} MiB")

    # writes per line ----------------------------------------------------------

    def writes_per_line(self):
        strace = shutil.which("strace")
        if strace is None:
            self.notes.append("strace not installed: write calls per line not counted")
            return
        log("write calls per output line, under strace, on small runs of every workload")
        data = self.path("small-random.bin")
        write_random(data, 2 * MiB, os.urandom, tail=b"NeedleInPage#End")
        lines = ["PAGESIZE 0x200000", "PAGE 0", "DUMP 0 0x40000", "BITDUMP 0x100 0x1000",
                 f"SEARCH 0 {b'NeedleInPage#End'.swapcase().hex()}", "SEARCH 0 0123456789", "PUSH",
                 "PAGESIZE 4K", "PAGE #3", "VER 0x10 00112233", "REP 0x10 00112233", "WRITE", "POP",
                 "POP", "PAGE @0 WI32", "PAGESIZE 16", "REP 0 AA", "BOGUS line", "VER", "PUSH", "PAGE 0x100000"]
        with open(data, "rb") as source:
            blob = source.read(1 * MiB)
        rng = random.Random(7)
        for _ in range(300):
            offset = rng.randrange(0, 1 * MiB - 4)
            page, within = offset & ~0xFFF, offset & 0xFFF
            if within > 4092:
                continue
            old = blob[offset:offset + 4].hex()
            lines += [f"PAGE 0x{page:X}", f"VER 0x{within:X} {old}", f"REP 0x{within:X} {old}", "WRITE"]
        lines.append("/*")
        cases = {
            "empty stream": "",
            "dump, search, patch, stack": "\n".join(lines) + "\n",
            "load (a 2 MiB page)": "PAGESIZE 0x200000\nPAGE 0\n",
        }
        total_writes = total_lines = 0
        for name, text in cases.items():
            stream = self.stream("strace.cmd", text)
            trace = self.path("strace.txt")
            out = self.path("strace.out")
            spawn([strace, "-qq", "-s", "0", "-e", "trace=write,writev", "-o", trace, self.varnex, data],
                  stream, out, self.base_env)
            ends = []
            with open(trace) as source:
                for entry in source:
                    match = re.match(r"^(write|writev)\(1,.*\)\s+=\s+(-?\d+)", entry)
                    if match:
                        ends.append((ends[-1] if ends else 0) + max(0, int(match.group(2))))
            writes, written = len(ends), (ends[-1] if ends else 0)
            size = os.path.getsize(out)
            produced = count_lines(out)
            if written != size:
                raise Failure(f"strace {name}: {written} bytes in write calls, {size} in the output")
            with open(out, "rb") as source:
                text = source.read()
            # A write that ends anywhere but just after a line feed has cut a
            # line in two; a write may carry a message and the empty line
            # after it, so there may be fewer writes than lines.
            whole = sum(1 for end in ends if text[end - 1:end] == b"\n")
            total_writes += writes
            total_lines += produced
            self.table.row("writes per line", f"varnex, {name}",
                           f"{writes} writes / {produced} lines, {whole} end on a line end",
                           f"{writes / produced:.3f}", "every write whole lines", whole == writes)
            for path in (trace, out, stream):
                os.unlink(path)
        os.unlink(data)

    def run(self):
        parent = self.options.tmpdir or None
        with tempfile.TemporaryDirectory(prefix="varnex-bench-", dir=parent) as scratch:
            self.scratch = scratch
            self.compile_helpers()
            for name, step in (("startup", self.startup), ("dump", self.dump), ("search", self.load_and_search),
                               ("worst", self.worst_case), ("patch", self.patch), ("writes", self.writes_per_line)):
                if self.wanted(name):
                    step()
        print()
        print(f"varnex/peer: median wall time of varnex over the peer's; {self.options.rounds} alternating "
              f"rounds; {os.cpu_count()} CPUs; {time.strftime('%Y-%m-%d %H:%M')}")
        print()
        self.table.print()
        for note in self.notes:
            print(f"- {note}")
        print()
        print(f"{self.table.misses} target(s) missed" if self.table.misses else "all targets met")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--varnex", default="build/varnex", help="the varnex binary (default build/varnex)")
    parser.add_argument("--rounds", type=int, default=3, help="alternating rounds per workload (default 3)")
    parser.add_argument("--startup-spawns", type=int, default=40,
                        help="spawns of each start-up contender per round (default 40)")
    parser.add_argument("--patches", type=int, default=100000, help="VER+REP pairs of the patch workload")
    parser.add_argument("--only", default="",
                        help="comma-separated subset of: startup,dump,search,worst,patch,writes")
    parser.add_argument("--tmpdir", default="", help="where the temporary folder goes (about 1.5 GiB)")
    parser.add_argument("--cc", default="cc")
    parser.add_argument("--cxx", default="c++")
    options = parser.parse_args()
    try:
        Bench(options).run()
    except Failure as failure:
        print(f"compare.py: {failure}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
