#!/usr/bin/env python3
"""Samples and sums up a bench/soak.sh run.

  soak_sample.py watch --pid P --work DIR [--interval S]
      Until P ends or DIR/stop exists, every S seconds: P's anonymous memory (RssAnon) and the entries the
      history holds, one line "seconds rss_anon_kb entries" in DIR/samples.tsv; every soak marker ever
      seen stored goes to DIR/seen.txt (so entries later deleted or cleared still count as stored).
  soak_sample.py snapshot --work DIR
      Records the markers stored now (before a clear, with the copier paused).
  soak_sample.py report --work DIR --log FILE
      Prints the run's figures.
"""

import glob
import os
import re
import sqlite3
import sys
import time

MARKER = re.compile(r"\[soak (\d+)\]")
SANITIZER_LINES = [
    ("ThreadSanitizer", re.compile(r"WARNING: ThreadSanitizer|ERROR: ThreadSanitizer")),
    ("AddressSanitizer", re.compile(r"ERROR: AddressSanitizer")),
    ("LeakSanitizer", re.compile(r"ERROR: LeakSanitizer")),
    ("UndefinedBehaviorSanitizer", re.compile(r"runtime error:|UndefinedBehaviorSanitizer")),
    ("glibc heap check", re.compile(r"corrupted|double free|free\(\): invalid|malloc\(\):|munmap_chunk")),
    ("assertion", re.compile(r"Assertion .* failed")),
]


def history_files(work):
    """The history databases under the run's folders, newest first (a storage move changes the place)."""
    files = [path for path in glob.glob(os.path.join(work, "**", "clipboard_history.sqlite"), recursive=True)
             if "backup" not in path.lower()]
    return sorted(files, key=lambda path: os.path.getmtime(path), reverse=True)


def stored_markers(work):
    """(entry count, markers) of the live history; (None, empty) when no file can be read just now."""
    for path in history_files(work):
        try:
            db = sqlite3.connect("file:%s?mode=ro" % path, uri=True, timeout=2)
            try:
                rows = db.execute("SELECT c.content FROM ClipboardHistoryContent c "
                                  "JOIN ClipboardHistoryIndex i USING (id)").fetchall()
            finally:
                db.close()
        except sqlite3.Error:
            continue
        markers = set()
        for (content,) in rows:
            if isinstance(content, str):
                markers.update(int(found) for found in MARKER.findall(content[:200]))
        return len(rows), markers
    return None, set()


def rss_anon_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as status:
            for line in status:
                if line.startswith("RssAnon:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def add_seen(work, markers):
    if markers:
        with open(os.path.join(work, "seen.txt"), "a") as seen:
            seen.write("".join("%d\n" % marker for marker in sorted(markers)))


def watch(pid, work, interval):
    start = time.monotonic()
    known = set()
    with open(os.path.join(work, "samples.tsv"), "a") as samples:
        while not os.path.exists(os.path.join(work, "stop")):
            rss = rss_anon_kb(pid)
            if rss is None:
                break
            count, markers = stored_markers(work)
            add_seen(work, markers - known)
            known |= markers
            samples.write("%.1f\t%d\t%s\n" % (time.monotonic() - start, rss, "" if count is None else count))
            samples.flush()
            time.sleep(interval)


OVERWRITTEN = re.compile(r"changeCount advanced by (\d+)")


def overwritten_copies(log):
    count = 0
    try:
        with open(log, errors="replace") as lines:
            for line in lines:
                found = OVERWRITTEN.search(line)
                if found:
                    count += int(found.group(1)) - 1
    except OSError:
        pass
    return count


def read_numbers(path):
    try:
        with open(path) as lines:
            return {int(line) for line in lines if line.strip().isdigit()}
    except OSError:
        return set()


def slope(points):
    """Least-squares slope of y over x; None for fewer than three points or no spread in x."""
    if len(points) < 3:
        return None
    mean_x = sum(x for x, _ in points) / len(points)
    mean_y = sum(y for _, y in points) / len(points)
    spread = sum((x - mean_x) ** 2 for x, _ in points)
    if spread == 0:
        return None
    return sum((x - mean_x) * (y - mean_y) for x, y in points) / spread


def report(work, log):
    samples = []
    try:
        with open(os.path.join(work, "samples.tsv")) as lines:
            for line in lines:
                parts = line.rstrip("\n").split("\t")
                if len(parts) == 3 and parts[2]:
                    samples.append((float(parts[0]), int(parts[1]), int(parts[2])))
    except OSError:
        pass
    made = read_numbers(os.path.join(work, "made.txt"))
    seen = read_numbers(os.path.join(work, "seen.txt"))
    _, now = stored_markers(work)
    seen |= now
    counters = {}
    try:
        with open(os.path.join(work, "counters")) as lines:
            for line in lines:
                key, _, value = line.partition("=")
                counters[key.strip()] = value.strip()
    except OSError:
        pass

    print("== Quorvane soak report ==")
    print("build            %s" % counters.get("build", "?"))
    print("ran              %s s of %s s asked; ended: %s" % (counters.get("ran", "?"), counters.get("asked", "?"),
                                                         counters.get("ended", "?")))
    findings = {}
    try:
        with open(log, errors="replace") as lines:
            for line in lines:
                for name, pattern in SANITIZER_LINES:
                    if pattern.search(line):
                        findings.setdefault(name, []).append(line.rstrip())
    except OSError:
        pass
    if findings:
        for name, lines in findings.items():
            print("REPORTS          %s: %d line(s), first: %s" % (name, len(lines), lines[0][:160]))
    else:
        print("reports          none (no sanitizer, heap-check or assertion line in the log)")
    lost = sorted(made - seen)
    print("copies           %d made, %d seen stored, %d never seen stored%s" % (
        len(made), len(made & seen), len(lost), (" (first: %s)" % lost[:10]) if lost else ""))
    # A copy the copier replaced before the program could read the clipboard never reached it; the program
    # says so itself. Only losses beyond those mean a copy was read and then dropped.
    overwritten = overwritten_copies(log)
    if lost:
        print("overwritten      %d copies replaced on the clipboard before the program read them (its own "
              "warning)" % overwritten)
    unexplained = max(0, len(lost) - overwritten)
    print("ui actions       %s panel shows, %s searches, %s deletions, %s clears, %s storage moves" % (
        counters.get("shows", 0), counters.get("searches", 0), counters.get("deletes", 0),
        counters.get("clears", 0), counters.get("moves", 0)))
    failed = counters.get("ui_failures", "0")
    if failed != "0":
        print("ui failures      %s (a window or button the driver waited for did not come)" % failed)
    if samples:
        half = samples[len(samples) // 2:]
        first, last = samples[0], samples[-1]
        print("RssAnon          %d KB at start, %d KB at the end, peak %d KB (%d samples)" % (
            first[1], last[1], max(sample[1] for sample in samples), len(samples)))
        per_entry = slope([(entries, rss) for _, rss, entries in half])
        per_minute = slope([(seconds / 60.0, rss) for seconds, rss, _ in half])
        print("second half      entries %d -> %d, RssAnon %d -> %d KB" % (half[0][2], half[-1][2], half[0][1],
                                                                         half[-1][1]))
        print("KB per entry     %s (least-squares slope of RssAnon over stored entries, second half)" % (
            "n/a" if per_entry is None else "%.3f" % per_entry))
        print("KB per minute    %s (the same over time)" % ("n/a" if per_minute is None else "%.1f" % per_minute))
    else:
        print("RssAnon          no samples")
    shows = int(counters.get("shows", "0") or 0)
    driven = shows > 0 and int(failed or 0) * 10 <= shows
    if not driven:
        print("NOT DRIVEN       the panel was shown %d times with %s failed steps: the run tells little" % (
            shows, failed))
    ended_well = counters.get("ended", "") in ("alive", "stopped")
    return 1 if findings or unexplained or not driven or not ended_well else 0


def main(argv):
    if not argv:
        print(__doc__, file=sys.stderr)
        return 2
    command, rest = argv[0], argv[1:]
    options = {}
    while rest:
        key = rest.pop(0)
        options[key.lstrip("-")] = rest.pop(0) if rest else ""
    work = options.get("work", ".")
    if command == "watch":
        watch(int(options["pid"]), work, float(options.get("interval", "5")))
        return 0
    if command == "snapshot":
        # Copies go on the clipboard a moment before the program stores them: wait, within a bound, until every
        # copy made so far is stored, so a clear or deletion right after takes nothing the report cannot see.
        made = read_numbers(os.path.join(work, "made.txt"))
        seen = read_numbers(os.path.join(work, "seen.txt"))
        deadline = time.monotonic() + 15
        while True:
            _, markers = stored_markers(work)
            add_seen(work, markers - seen)
            seen |= markers
            if made <= seen or time.monotonic() > deadline:
                return 0
            time.sleep(0.2)
    if command == "report":
        return report(work, options.get("log", os.path.join(work, "quorvane.log")))
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
