#!/usr/bin/python3
"""Reads the batch command's --json output (files given, or standard input),
checks that each line is one JSON object whose sizes are the files' own and
that the summaries add up, and prints one canonical line per object:
  file OUTCOME INPUT pages=N path=P
  summary files=N failed=N
INPUT is the name as bytes (Python's repr), so names that are not UTF-8 show.
Exits 1 with the reason on the first inconsistency."""

import json
import os
import sys


def fail(text):
    print("inconsistent: " + text)
    sys.exit(1)


def name(text):
    return os.fsencode(text)


def check(lines):
    files = failed = old = new = 0
    for number, line in enumerate(lines, 1):
        try:
            item = json.loads(line)
        except ValueError as error:
            fail(f"line {number} is not JSON: {error}: {line!r}")
        if item.get("type") == "summary":
            if (item["files"], item["failed"], item["input_bytes"], item["output_bytes"]) != \
                    (files, failed, old, new):
                fail(f"summary {item} does not add up to {files} {failed} {old} {new}")
            if item["seconds"] < 0:
                fail(f"negative time in {item}")
            print(f"summary files={files} failed={failed}")
            files = failed = old = new = 0
            continue
        files += 1
        if item["outcome"] == "failed":
            failed += 1
            if item["output"] is not None or not item["reason"]:
                fail(f"failed file with an output or without a reason: {item}")
        else:
            if item["outcome"] == "target_missed":
                # The smallest result is written, yet the file counts as failed.
                failed += 1
                if not item["reason"]:
                    fail(f"missed target without a reason: {item}")
            size_in = os.path.getsize(name(item["input"]))
            size_out = os.path.getsize(name(item["output"]))
            if (item["input_bytes"], item["output_bytes"]) != (size_in, size_out):
                fail(f"sizes {item['input_bytes']} {item['output_bytes']} are not "
                     f"the files' {size_in} {size_out}")
            if item["outcome"] == "compressed" and size_out >= size_in:
                fail(f"compressed but not smaller: {item}")
            old += size_in
            new += size_out
        print(f"file {item['outcome']} {name(item['input'])!r} pages={item['pages']} "
              f"path={item['path']}")


def main():
    lines = []
    for path in sys.argv[1:] or ["-"]:
        stream = sys.stdin if path == "-" else open(path, encoding="utf-8")
        lines += [line for line in stream.read().split("\n") if line]
    check(lines)


main()
