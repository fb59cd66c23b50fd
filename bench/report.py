#!/usr/bin/env python3
"""Turns the raw outputs of bench/run into bench/RESULTS.md.

    report.py RAW_DIR RESULTS_MD

Each ratio divides wendex's time by a peer's from the same hyperfine run, by
CPU time (user + system, hyperfine's means) and by median wall time. The
targets are judged by CPU time: every command is single-threaded and reads a
warm cache, so on an idle machine its CPU time is its wall time, and on a
shared one the CPU time is far less disturbed by the others. The cold timing
(the page cache dropped before every run) is judged by median wall time, as a
walk on a cold cache waits on the disk far more than it computes; its runs
come in rounds, one run of every command each, merged here. The latency
timing (the latency set through delay_fs, a FUSE file system that delays
every metadata request) comes in rounds too, judged by median wall time, with
delay_fs's request counts for each run. Only the sets that were timed are
written. The targets of `wendex // /g` against the floor and of the sorted
`wendex` against `ls -lX` on 1,000,000 files are judged from interleaved
rounds instead (one run of each in turn, CPU time from GNU time): each set
of rounds gives the ratio of the two medians, and the ratios' median is the
measure, their lowest and highest its spread. Also prints the targets and
ratios.
"""
import json
import re
import statistics
import sys
from pathlib import Path

SETS = ["tree", "chain", "wide50k", "wide100k"]
OUTPUT_BUFFER_KIB = 64
SET_TEXT = {
    "tree": "tree: fanout 6, depth 5, 25 files per directory",
    "chain": "chain: 2,000 levels, one file per level",
    "wide50k": "wide directory of 50,000 files (the sort buffer's limit)",
    "wide100k": "wide directory of 100,000 files",
    "wide1k": "wide directory of 1,000 files (memory only)",
    "wide1m": "wide directory of 1,000,000 files",
    "latency": "latency: fanout 4, depth 4, 30 files per directory (through delay_fs only)",
}
# The latency timing's mounts, in the order shown: raw name and title.
LATENCY_CONFIGS = [
    ("nocache-200", "nocache, 0.2 ms per request"),
    ("nocache-1000", "nocache, 1 ms per request"),
    ("cache-1000", "cache, 1 ms per request"),
]
REQUEST_COLUMNS = ["lookup", "getattr", "opendir", "readdir", "statfs"]
WRITE_MIN = 64 * 1024
RSS_LIMIT_KIB = 24 * 1024
HUGE_RSS_LIMIT_KIB = 64 * 1024
# The interleaved rounds: set, what is timed against what, the target.
ROUNDS = [
    ("tree", "wendex // /g", "floor", 1.12,
     "`wendex // /g` on the tree ÷ the floor, CPU time in interleaved rounds"),
    ("wide1m", "wendex", "ls -lX", 0.40,
     "`wendex` sorting 1,000,000 files ÷ `ls -lX`, CPU time in interleaved rounds"),
]


def read_pairs(path, sep):
    pairs = {}
    if path.exists():
        for line in path.read_text().splitlines():
            if sep in line:
                key, value = line.split(sep, 1)
                pairs[key.strip()] = value.strip()
    return pairs


def last_int(path):
    if not path.exists():
        return None
    lines = [line for line in path.read_text().split("\n") if line.strip()]
    return int(lines[-1]) if lines and lines[-1].strip().isdigit() else None


def read_strace_counts(path):
    """{syscall: calls} and the total from `strace -c` output."""
    calls, total = {}, None
    if not path.exists():
        return calls, total
    for line in path.read_text().splitlines():
        fields = line.split()
        if len(fields) < 5 or not re.fullmatch(r"[\d.]+", fields[0]):
            continue
        if fields[-1] == "total":
            total = int(fields[3])
        else:
            calls[fields[-1]] = int(fields[3])
    return calls, total


def read_writes(path):
    """Sizes of the successful writes to standard output, in order."""
    sizes = []
    if path.exists():
        for line in path.read_text().splitlines():
            match = re.search(r"write\(1,.*\)\s*=\s*(-?\d+)", line)
            if match and int(match.group(1)) >= 0:
                sizes.append(int(match.group(1)))
    return sizes


def merge_rounds(paths, labels):
    """One result per label, in hyperfine's form, from rounds of one run each."""
    runs = {label: [] for label in labels}
    for path in paths:
        for result in json.loads(path.read_text())["results"]:
            runs[result["command"]].append(result)
    merged = []
    for label in labels:
        times = [time for result in runs[label] for time in result["times"]]
        merged.append({
            "median": statistics.median(times), "mean": statistics.mean(times),
            "stddev": statistics.stdev(times) if len(times) > 1 else 0.0,
            "min": min(times), "max": max(times), "times": times,
            "user": statistics.mean(result["user"] for result in runs[label]),
            "system": statistics.mean(result["system"] for result in runs[label]),
        })
    return merged


def load_set(raw, name, kind=""):
    labels = (raw / f"{name}{kind}.labels").read_text().splitlines()
    rounds = sorted(raw.glob(f"{name}{kind}.round-*.json"))
    results = (merge_rounds(rounds, labels) if rounds else
               json.loads((raw / f"{name}{kind}.json").read_text())["results"])
    commands = []
    for index, label in enumerate(labels):
        result = results[index]
        calls, total = read_strace_counts(raw / f"{name}.{index}.strace")
        commands.append({
            "label": label,
            "median": result["median"],
            "mean": result["mean"],
            "stddev": result.get("stddev") or 0.0,
            "min": result["min"],
            "max": result["max"],
            "cpu": result["user"] + result["system"],
            "runs": len(result["times"]),
            "rss": last_int(raw / f"{name}.{index}.rss"),
            "calls": calls,
            "total_calls": total,
            "writes": read_writes(raw / f"{name}.{index}.writes") if label.startswith("wendex") else None,
        })
    return commands


def read_request_counts(path):
    """delay_fs's count lines printed at SIGUSR1, one per run in order, as {type: count}."""
    runs = []
    for line in path.read_text().splitlines() if path.exists() else []:
        fields = line.split()
        if fields and fields[0] == "signal":
            runs.append({key: int(value) for key, value in (field.split("=", 1) for field in fields[1:])})
    return runs


def load_latency(raw, name):
    """One mount's commands, each with the median of its runs' request counts
    (None when the count lines do not match the runs one for one)."""
    commands = load_set(raw, "latency", f".{name}")
    order_path = raw / f"latency.{name}.order"
    order = order_path.read_text().splitlines() if order_path.exists() else []
    counts = read_request_counts(raw / f"latency.{name}.requests")
    matched = len(order) == len(counts) and len(order) > 0
    for command in commands:
        runs = [run for label, run in zip(order, counts) if label == command["label"]] if matched else []
        if runs:
            keys = runs[0].keys()
            command["requests"] = {key: statistics.median(run.get(key, 0) for run in runs) for key in keys}
            command["requests"]["readdir"] += command["requests"].get("readdirplus", 0)
        else:
            command["requests"] = None
    return commands


def latency_table(commands, entries):
    """Median wall time of each command and the requests of one run."""
    ours = next((command for command in commands if command["label"] == "wendex // /g"), None)
    head = ["command", "median s", "min s", "max s", "runs", "requests", "per entry", "ms per request"]
    head += REQUEST_COLUMNS + ["peak in flight", "`wendex // /g` ÷ this, wall"]
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    for command in commands:
        requests = command["requests"]
        total = requests["delayed"] if requests else None
        cells = [f"`{command['label']}`", f"{command['median']:.3f}", f"{command['min']:.3f}",
                 f"{command['max']:.3f}", str(command["runs"])]
        if total:
            cells += [f"{total:,.0f}", f"{total / entries:.2f}" if entries else "-",
                      f"{command['median'] * 1000 / total:.3f}"]
            cells += [f"{requests.get(key, 0):,.0f}" for key in REQUEST_COLUMNS]
            cells.append(f"{requests.get('peak', 0):.0f}")
        else:
            cells += ["-"] * (3 + len(REQUEST_COLUMNS) + 1)
        cells.append("" if ours is None or ours is command else f"{ours['median'] / command['median']:.2f}")
        lines.append("| " + " | ".join(cells) + " |")
    return lines


def latency_section(latency, machine, counts):
    if not latency:
        reason = machine.get("latency", "")
        if reason.startswith("skipped: "):
            return ["", "## Network share: the latency set through delay_fs", "",
                    f"Not timed: {reason.removeprefix('skipped: ')}."]
        return []
    entries = counts.get("latency")
    md = ["", "## Network share: the latency set through delay_fs", "",
          f"The latency set ({entries:,} entries) mounted through `bench/delay_fs.cpp`, a FUSE "
          "file system that answers every metadata request (lookup, getattr, opendir, readdir, "
          "releasedir, statfs, readlink) after a fixed delay, up to 64 at once. nocache: the "
          "kernel keeps nothing, so each stat costs a lookup and a getattr; cache: each "
          "directory read answers with its entries' attributes (readdirplus) and the kernel "
          "keeps them 60 s, as an NFS client with attribute caching does. The page cache, and "
          "with it the mount's dentries and inodes, dropped before every run; rounds of one run "
          "of every command, the order turned each round; medians by wall time. Requests are "
          "delay_fs's counts for one run (the median over the rounds; readdir includes "
          "readdirplus); ms per request divides the wall time by them; peak in flight is the "
          "most requests waiting at once."]
    for name, title in LATENCY_CONFIGS:
        if name in latency:
            md += ["", f"### {title}", ""] + latency_table(latency[name], entries)
    return md


def load_rounds(raw, name):
    """The interleaved rounds of a set as a list of sets of rounds, each
    {label: [run, ...]} with each run's CPU time, user, system, wall and peak
    RSS; None when the set had none."""
    path = raw / f"{name}.rounds.txt"
    if not path.exists():
        return None
    sets = {}
    for line in path.read_text().splitlines():
        fields = line.split("|", 3)
        times = fields[3].split() if len(fields) == 4 else []
        if len(times) < 4:
            continue
        user, system, wall, kib = float(times[0]), float(times[1]), float(times[2]), int(times[3])
        run = {"cpu": user + system, "user": user, "system": system, "wall": wall, "rss": kib}
        sets.setdefault(int(fields[0]), {}).setdefault(fields[2], []).append(run)
    return [sets[index] for index in sorted(sets)] or None


def median_of(runs, key):
    return statistics.median(run[key] for run in runs)


def rounds_ratios(rounds, ours, peer):
    """Each set's median CPU time of ours over the peer's."""
    return [median_of(one[ours], "cpu") / median_of(one[peer], "cpu") for one in rounds
            if one.get(ours) and one.get(peer)]


def spread_text(ratios):
    return (f"{statistics.median(ratios):.2f}x (sets {min(ratios):.2f}x to {max(ratios):.2f}x, "
            f"{len(ratios)} sets)")


def rounds_section(name, rounds, ours, peer):
    labels = list(dict.fromkeys(label for one in rounds for label in one))
    runs = {label: [run for one in rounds for run in one.get(label, [])] for label in labels}
    count = len(runs[labels[0]]) // len(rounds) if labels else 0
    md = ["", f"## Interleaved rounds: {SET_TEXT.get(name, name)}", "",
          f"{len(rounds)} sets of {count} rounds, one run of each command a round, the first "
          "turned each round; CPU time and peak RSS from GNU time. Medians over every run.", "",
          "| command | CPU s | user s | system s | wall s | peak RSS MiB | runs |",
          "|---|---|---|---|---|---|---|"]
    for label in labels:
        md.append(f"| `{label}` | {median_of(runs[label], 'cpu'):.3f} | "
                  f"{median_of(runs[label], 'user'):.3f} | {median_of(runs[label], 'system'):.3f} | "
                  f"{median_of(runs[label], 'wall'):.3f} | "
                  f"{mib(max(run['rss'] for run in runs[label]))} | {len(runs[label])} |")
    ratios = rounds_ratios(rounds, ours, peer)
    if ratios:
        md += ["", f"`{ours}` ÷ `{peer}` by set, CPU time: "
               + ", ".join(f"{ratio:.3f}x" for ratio in ratios) + f"; median {spread_text(ratios)}."]
    return md


def find(commands, label):
    return next(command for command in commands if command["label"] == label)


def mib(kib):
    return "?" if kib is None else f"{kib / 1024:.1f}"


def per_entry(command, entries):
    total = command["total_calls"]
    return None if total is None or not entries else total / entries


def short_writes(sizes):
    """(count, smallest) of the writes below 64 KiB, the last write excepted."""
    small = [size for size in sizes[:-1] if size < WRITE_MIN]
    return len(small), (min(small) if small else None)


def verdict(ok):
    return "pass" if ok else "**fail**"


def targets(data, cold, counts, memory, rounds):
    tree, wide50, wide100 = data.get("tree"), data.get("wide50k"), data.get("wide100k")
    rows = []

    def ratio_row(what, commands, ours, peer, limit):
        if commands is None:
            return
        mine, theirs = find(commands, ours), find(commands, peer)
        cpu = mine["cpu"] / theirs["cpu"]
        wall = mine["median"] / theirs["median"]
        rows.append((what, f"at most {limit:.2f}x", f"{cpu:.2f}x (wall {wall:.2f}x)", verdict(cpu <= limit)))

    ratio_row("`wendex // /g` on the tree ÷ `find -printf`", tree, "wendex // /g", "find -printf", 1.0)
    for name, ours, peer, limit, what in ROUNDS:
        ratios = rounds_ratios(rounds[name], ours, peer) if name in rounds else []
        if ratios:
            rows.append((what, f"at most {limit:.2f}x", spread_text(ratios),
                         verdict(statistics.median(ratios) <= limit)))
    if "tree" not in rounds:
        ratio_row("`wendex // /g` on the tree ÷ the floor", tree, "wendex // /g", "floor", 1.12)
    ratio_row("`wendex // /g` on the tree ÷ `ls -lRX`", tree, "wendex // /g", "ls -lRX", 0.5)
    ratio_row("`wendex` on 50,000 files ÷ `ls -lX`", wide50, "wendex", "ls -lX", 0.5)
    ratio_row("`wendex /u` on 100,000 files ÷ `find -printf`", wide100, "wendex /u", "find -printf", 1.0)
    if "tree" in cold:
        mine, theirs = find(cold["tree"], "wendex // /g"), find(cold["tree"], "find -printf")
        wall = mine["median"] / theirs["median"]
        rows.append(("cold cache: `wendex // /g` on the tree ÷ `find -printf`, by median wall",
                     "at most 0.80x", f"{wall:.2f}x (CPU {mine['cpu'] / theirs['cpu']:.2f}x)",
                     verdict(wall <= 0.80)))

    if tree is not None:
        spe = per_entry(find(tree, "wendex // /g"), counts.get("tree"))
        rows.append(("system calls per entry, `wendex // /g` on the tree", "at most 1.25",
                     "?" if spe is None else f"{spe:.2f}", verdict(spe is not None and spe <= 1.25)))

    runs = [(name, command) for name in data for command in data[name] if command["writes"] is not None]
    small = sum(short_writes(command["writes"])[0] for _, command in runs)
    writes = sum(len(command["writes"]) for _, command in runs)
    if runs:
        rows.append(("write system calls at least 64 KiB, the last excepted",
                     "none smaller", f"{small} of {writes} smaller ({len(runs)} runs)", verdict(small == 0)))

    rss = [(name, command["label"], command["rss"]) for name in data for command in data[name]
           if command["label"].startswith("wendex") and command["rss"] is not None]
    # The sorted 1,000,000 files hold every entry compactly: a limit of their own.
    rss += [(name, label, kib) for name, label, kib in memory if (name, label) != ("wide1m", "wendex")]
    if rss:
        worst = max(rss, key=lambda item: item[2])
        rows.append(("peak RSS of wendex on every set, sorting 1,000,000 files aside", "at most 24 MiB",
                     f"largest {mib(worst[2])} MiB (`{worst[1]}` on {worst[0]})",
                     verdict(worst[2] <= RSS_LIMIT_KIB)))
    huge = [kib for name, label, kib in memory if (name, label) == ("wide1m", "wendex")]
    huge += [run["rss"] for one in rounds.get("wide1m", []) for run in one.get("wendex", [])]
    if huge:
        rows.append(("peak RSS of `wendex` sorting 1,000,000 files", "below 64 MiB",
                     f"{mib(max(huge))} MiB (the most of {len(huge)} runs)",
                     verdict(max(huge) < HUGE_RSS_LIMIT_KIB)))

    by_set = {(name, label): kib for name, label, kib in memory}
    small_kib = by_set.get(("wide1k", "wendex /u"))
    big_name = "wide1m" if ("wide1m", "wendex /u") in by_set else "wide100k"
    big_kib = by_set.get((big_name, "wendex /u"))
    if big_kib is None and big_name == "wide100k" and wide100 is not None:
        big_kib = find(wide100, "wendex /u")["rss"]
    if small_kib is not None and big_kib is not None:
        files = "1,000,000" if big_name == "wide1m" else "100,000 (1,000,000 made only with --huge)"
        # The output buffer grows to its 64 KiB with the first writes, which
        # 1,000 files may not fill: that much is no growth with the directory.
        rows.append((f"peak RSS of `wendex /u`: {files} files against 1,000",
                     "no more, the output buffer's 64 KiB aside",
                     f"{mib(big_kib)} MiB against {mib(small_kib)} MiB",
                     verdict(big_kib <= small_kib + OUTPUT_BUFFER_KIB)))
    return rows


def set_table(name, commands, entries):
    wendexes = [command for command in commands if command["label"].startswith("wendex")]
    head = ["command", "CPU s", "median s", "mean ± σ s", "min s", "peak RSS MiB", "syscalls", "per entry"]
    head += [f"`{command['label']}` ÷ this, CPU (wall)" for command in wendexes]
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    for command in commands:
        spe = per_entry(command, entries)
        cells = [f"`{command['label']}`", f"{command['cpu']:.3f}", f"{command['median']:.3f}",
                 f"{command['mean']:.3f} ± {command['stddev']:.3f}", f"{command['min']:.3f}",
                 mib(command["rss"]), str(command["total_calls"] or "-"),
                 "-" if spe is None else f"{spe:.2f}"]
        for ours in wendexes:
            cells.append("" if ours is command else
                         f"{ours['cpu'] / command['cpu']:.2f} ({ours['median'] / command['median']:.2f})")
        lines.append("| " + " | ".join(cells) + " |")
    return lines


def cold_table(commands):
    """The cold timing, judged by median wall time (CPU time in parentheses)."""
    wendexes = [command for command in commands if command["label"].startswith("wendex")]
    head = ["command", "median s", "mean ± σ s", "min s", "max s", "CPU s", "runs"]
    head += [f"`{command['label']}` ÷ this, wall (CPU)" for command in wendexes]
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    for command in commands:
        cells = [f"`{command['label']}`", f"{command['median']:.3f}",
                 f"{command['mean']:.3f} ± {command['stddev']:.3f}", f"{command['min']:.3f}",
                 f"{command['max']:.3f}", f"{command['cpu']:.3f}", str(command["runs"])]
        for ours in wendexes:
            cells.append("" if ours is command else
                         f"{ours['median'] / command['median']:.2f} ({ours['cpu'] / command['cpu']:.2f})")
        lines.append("| " + " | ".join(cells) + " |")
    return lines


def syscall_table(name, commands, entries):
    wendexes = [command for command in commands if command["label"].startswith("wendex")]
    names = sorted({call for command in wendexes for call in command["calls"]},
                   key=lambda call: -max(command["calls"].get(call, 0) for command in wendexes))
    head = ["system call"] + [f"`{command['label']}` calls (per entry)" for command in wendexes]
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    for call in names:
        cells = [call]
        for command in wendexes:
            count = command["calls"].get(call, 0)
            cells.append(f"{count} ({count / entries:.3f})" if entries else str(count))
        lines.append("| " + " | ".join(cells) + " |")
    return lines


def write_table(data):
    head = ["set", "command", "writes", "bytes", "largest", "last", "below 64 KiB (last excepted)", "smallest of those"]
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    for name in data:
        for command in data[name]:
            sizes = command["writes"]
            if sizes is None or not sizes:
                continue
            small, smallest = short_writes(sizes)
            lines.append(f"| {name} | `{command['label']}` | {len(sizes)} | {sum(sizes)} | {max(sizes)} | "
                         f"{sizes[-1]} | {small} | {smallest if smallest is not None else '-'} |")
    return lines


def main():
    raw, out = Path(sys.argv[1]), Path(sys.argv[2])
    machine = read_pairs(raw / "machine.txt", "|")
    counts = {key: int(value) for key, value in read_pairs(raw / "counts.txt", " ").items()}
    gen_lines = (raw / "gen.txt").read_text().splitlines() if (raw / "gen.txt").exists() else []
    memory = []
    for line in (raw / "memory.txt").read_text().splitlines() if (raw / "memory.txt").exists() else []:
        name, label, kib = line.split("|")
        memory.append((name, label, int(kib)))
    data = {name: load_set(raw, name) for name in SETS if (raw / f"{name}.json").exists()}
    cold = {name: load_set(raw, name, ".cold") for name in ["tree", "wide1m"]
            if (raw / f"{name}.cold.labels").exists()}
    latency = {name: load_latency(raw, name) for name, _ in LATENCY_CONFIGS
               if (raw / f"latency.{name}.labels").exists()}
    rounds = {name: load_rounds(raw, name) for name, *_ in ROUNDS if load_rounds(raw, name)}

    target_rows = targets(data, cold, counts, memory, rounds)
    md = ["# Benchmark results", "",
          "Written by `bench/run` (see `bench/README.md`). Warm cache, output to /dev/null, "
          f"but for the cold{' and latency' if latency else ''} tables, whose page cache was "
          "dropped before every run. "
          "Every ratio divides wendex's time by the peer's from the same hyperfine run, by CPU "
          "time (user + system, hyperfine's means) and, in parentheses, by median wall time. The "
          "targets are judged by CPU time: each command is single-threaded and reads a warm "
          "cache, so on an idle machine its CPU time is its wall time, and on a machine shared "
          "with other work it is far less disturbed than the wall time (the load average at the "
          "start is noted below). The ratios to the floor on the tree and to `ls -lX` on "
          "1,000,000 files are judged from interleaved rounds instead (their sections below): "
          "hyperfine runs each command's runs back to back, so a change in the machine's other "
          "work between them falls on one command alone, while in rounds wendex and its peer "
          "take turns. System calls per entry divide `strace -c -f`'s total by the "
          "entries of the set as the floor walker counts them (the set's own directory "
          "included, as `find . | wc -l` counts)."]
    if machine.get("note"):
        md += ["", f"Note: {machine['note']}"]
    md += [""]
    md += ["## Machine", "", "| what | value |", "|---|---|"]
    for key in ["cpu", "cores", "kernel", "fs", "compiler", "date", "commit", "run as", "load", "rounds", "cold", "latency", "hyperfine", "find", "bfs", "ls", "strace"]:
        if key in machine:
            label = {"fs": "file system of the trees", "load": "load average at start",
                     "commit": "wendex commit", "cold": "page cache for the cold timing",
                     "rounds": "interleaved rounds",
                     "latency": "latency timing"}.get(key, key)
            value = machine[key] + (" (how stat -f names ext4 too)" if machine[key] == "ext2/ext3" else "")
            md.append(f"| {label} | {value} |")
    md += ["", "## Targets", "", "| what | target | measured | result |", "|---|---|---|---|"]
    md += [f"| {what} | {target} | {value} | {result} |" for what, target, value, result in target_rows]
    md += ["", "## Sets", "", "| set | entries |", "|---|---|"]
    md += [f"| {SET_TEXT.get(name, name)} | {count:,} |" for name, count in counts.items()]
    made = [line for line in gen_lines if line.startswith("made in")]
    if made:
        md += ["", f"All sets {made[0]}."]
    for name in data:
        entries = counts.get(name)
        md += ["", f"## {SET_TEXT[name]}", ""]
        md += set_table(name, data[name], entries)
    for name, ours, peer, *_ in ROUNDS:
        if name in rounds:
            md += rounds_section(name, rounds[name], ours, peer)
    for name in cold:
        md += ["", f"## Cold cache: {SET_TEXT[name]}", "",
               "The page cache dropped before every run of every command "
               "(`sync; echo 3 > /proc/sys/vm/drop_caches`), no warm-up run; ratios by median wall "
               "time, CPU time in parentheses.", ""]
        md += cold_table(cold[name])
    if "cold" in machine and not cold:
        md += ["", "## Cold cache", "", f"Not timed: {machine['cold'].removeprefix('skipped: ')}."]
    md += latency_section(latency, machine, counts)
    md += ["", "## wendex's system calls by call", ""]
    for name in data:
        md += [f"{SET_TEXT[name]}:", ""] + syscall_table(name, data[name], counts.get(name)) + [""]
    md += ["## wendex's writes to standard output", ""] + write_table(data)
    if memory:
        md += ["", "## Memory of wendex on wide directories of other sizes", "",
               "| set | command | peak RSS MiB |", "|---|---|---|"]
        md += [f"| {SET_TEXT.get(name, name)} | `{label}` | {mib(kib)} |" for name, label, kib in memory]
    out.write_text("\n".join(md) + "\n")

    print("\n".join(md[md.index("## Targets"):md.index("## Sets")]))
    for name in data:
        print(f"{name}:")
        print("\n".join(set_table(name, data[name], counts.get(name))))
    for name, ours, peer, *_ in ROUNDS:
        if name in rounds:
            print("\n".join(rounds_section(name, rounds[name], ours, peer)))
    for name in cold:
        print(f"{name}, cold cache:")
        print("\n".join(cold_table(cold[name])))
    for name, title in LATENCY_CONFIGS:
        if name in latency:
            print(f"latency set through delay_fs, {title}:")
            print("\n".join(latency_table(latency[name], counts.get("latency"))))


if __name__ == "__main__":
    main()
