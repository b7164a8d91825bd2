#!/usr/bin/env python3
"""Builds the fuzzers' seed corpora from the whole-run test cases.

For every case directory under tests/whole_run/cases it writes one seed per
fuzz target, named after the case, into fuzz/corpus/<target>/:

  arguments       the case's arguments, separated by NUL bytes
  command_reader  the page size 4096 (four bytes, little-endian), then the stream
  interpreter     the arguments after the file name on one line, a fault plan
                  byte of 0, the image length (two bytes, little-endian), the
                  file image (cut to 4096 bytes) and the stream

and a few hand-made seeds for the search target (pattern length, repeat
count, pattern, text), among them the worst cases of a naive search, and for
the round-trip target (settings, page size less one, file size, edits).

Run it again whenever cases are added: python3 fuzz/make_seeds.py
"""

import pathlib
import struct
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
CASES = ROOT / "tests" / "whole_run" / "cases"
CORPUS = ROOT / "fuzz" / "corpus"
LARGEST_IMAGE = 4096  # keeps seeds small; the format allows 65535


def number(text):
    text = text.strip()
    return int(text, 16) if text.lower().startswith("0x") else int(text)


def hex_bytes(text):
    digits = []
    for line in text.splitlines():
        digits.append(line.split("#", 1)[0])
    return bytes.fromhex("".join("".join(digits).split()))


def generated_image(text):
    size, base, patches = 0, "zero", []
    fill = 0
    for line in text.splitlines():
        words = line.split(None, 1)
        if not words or words[0].startswith("#"):
            continue
        word, rest = words[0], (words[1] if len(words) > 1 else "")
        if word in ("size", "sparse"):
            size = number(rest)
        elif word == "fill":
            base, fill = "fill", number(rest)
        elif word in ("counter", "pattern"):
            base = "counter"
        elif word in ("at", "text"):
            offset, data = rest.split(" ", 1)
            patches.append((number(offset), hex_bytes(data) if word == "at" else data.encode()))
        else:
            raise ValueError("unknown directive " + word)
    kept = min(size, LARGEST_IMAGE)
    if base == "counter":
        image = bytearray(i % 256 for i in range(kept))
    else:
        image = bytearray([fill if base == "fill" else 0]) * kept
    for offset, data in patches:
        for i, byte in enumerate(data):
            if offset + i < kept:
                image[offset + i] = byte
    return bytes(image)


def escaped_stream(text):
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out += c.encode("latin-1")
            i += 1
            continue
        e = text[i + 1]
        if e in "\\trn":
            out += {"\\": b"\\", "t": b"\t", "r": b"\r", "n": b"\n"}[e]
            i += 2
        elif e == "\n":
            i += 2
        elif e == "x":
            out.append(int(text[i + 2:i + 4], 16))
            i += 4
        elif e == "[":
            close = text.index("]", i)
            out += text[close + 1].encode("latin-1") * number(text[i + 2:close])
            i = close + 2
        else:
            raise ValueError("unknown escape \\" + e)
    return bytes(out)


def read_case(case):
    args_file = case / "args"
    args = args_file.read_text().splitlines() if args_file.exists() else []
    if (case / "file.hex").exists():
        image = hex_bytes((case / "file.hex").read_text())[:LARGEST_IMAGE]
    elif (case / "file.gen").exists():
        image = generated_image((case / "file.gen").read_text())
    else:
        image = b""
    if (case / "stream").exists():
        stream = (case / "stream").read_bytes()
    elif (case / "stream.esc").exists():
        stream = escaped_stream((case / "stream.esc").read_text(encoding="latin-1"))
    else:
        stream = b""
    return args, image, stream


def search_seeds():
    def seed(pattern, text, repeats=1):
        return bytes([len(pattern), repeats - 1]) + pattern + text

    return {
        "worst_case_a_then_b": seed(b"a" * 40 + b"b", b"a" * 250, 256),
        "worst_case_folded": seed(b"Aa" * 30 + b"B", b"aA" * 100, 200),
        "needle_at_the_end": seed(b"Needle", b"the haystack holds hay and more hay " * 3 + b"nEEDLE", 50),
        "zeros_then_one": seed(b"\0" * 127 + b"\1", b"\0" * 1000, 100),
        "two_rare_bytes_apart": seed(b"\x80zzzzzzzz\x81", b"\x80zzzzzzzz\x80zzzzzzzz\x81", 30),
        "empty_pattern": seed(b"", b"anything"),
        "pattern_longer_than_text": seed(b"0123456789", b"01234"),
        "letters_and_their_neighbours": seed(b"@[`{", b"@[`{`{@[AZaz", 3),
    }


def round_trip_seeds():
    def seed(settings, page_size, size, *edits):
        return bytes([settings]) + struct.pack("<HH", page_size - 1, size) + b"".join(
            bytes([kind]) + struct.pack("<H", place) + bytes([length - 1, value]) for kind, place, length, value in edits)

    run, boundary, last_page, case, turn = range(5)
    return {
        "run_across_a_page_boundary": seed(0, 512, 4096, (boundary, 3, 40, 0x41)),
        "long_run_in_prose": seed(0, 4096, 3000, (run, 100, 200, 0x2E)),
        "letter_case_only": seed(0, 256, 2000, (case, 7, 150, 0), (case, 900, 10, 0)),
        "last_partial_page": seed(2, 1000, 4093, (last_page, 5, 4, 0xFF)),
        "whole_pages_verified": seed(1 | 6, 300, 1500, (turn, 10, 3, 0x80), (turn, 1000, 129, 0x01)),
        "page_of_one_byte": seed(3, 1, 64, (turn, 0, 64, 0x55)),
        "counter_many_edits": seed(2, 128, 4096, *[(k % 5, 37 * k, 1 + 13 * k % 200, k) for k in range(20)]),
    }


def main():
    if not CASES.is_dir():
        sys.exit("no whole-run cases at " + str(CASES))
    targets = ("arguments", "command_reader", "interpreter")
    for target in targets:
        (CORPUS / target).mkdir(parents=True, exist_ok=True)
    count = 0
    for case in sorted(p for p in CASES.iterdir() if p.is_dir()):
        args, image, stream = read_case(case)
        seeds = {
            "arguments": b"\0".join(a.encode("latin-1") for a in args),
            "command_reader": struct.pack("<I", 4096) + stream,
            "interpreter": " ".join(args[1:]).encode("latin-1") + b"\n" + b"\0"
            + struct.pack("<H", len(image)) + image + stream,
        }
        for target, seed in seeds.items():
            (CORPUS / target / case.name).write_bytes(seed)
        count += 1
    (CORPUS / "search").mkdir(parents=True, exist_ok=True)
    for name, seed in search_seeds().items():
        (CORPUS / "search" / name).write_bytes(seed)
    (CORPUS / "round_trip").mkdir(parents=True, exist_ok=True)
    for name, seed in round_trip_seeds().items():
        (CORPUS / "round_trip" / name).write_bytes(seed)
    print(f"{count} cases, {count * len(targets)} seeds, {len(search_seeds())} search seeds and "
          f"{len(round_trip_seeds())} round-trip seeds written under {CORPUS}")


if __name__ == "__main__":
    main()
