#!/usr/bin/env python3
"""Instruction counts of comparison reports against the plain report (goal: at most 2.2x).

On a busy machine the wall and CPU times of reports of a few milliseconds say little; the
instructions a run executes do not depend on the load. Runs `reporter-cli report --format json`
under callgrind for Day (15-minute periods), Week and Month, plain and with --compare previous
and last-year, on the bench databases of bench_insights (run it once first), and prints:
  whole  the whole process (start-up, discovery and output included, paid once per report)
  report the report itself: the whole process less the plain run's part outside the report run

usage: insights_instructions.py --cli build/bin/reporter-cli [--cache /tmp/zl-insights-bench]
                                [--index yes|no] [--range day|week|month] [--date 2024-03-12]
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile

GOAL = 2.2


def run(cli, folder, rng, date, compare, out_dir):
    out = os.path.join(out_dir, "cg.%s.%s" % (rng, compare or "none"))
    cmd = ["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out, cli, "report",
           "--type", "6", "--range", rng, "--date", date, "--period", "15", "--local", folder,
           "--format", "json"]
    if compare:
        cmd += ["--compare", compare]
    done = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if done.returncode != 0:
        sys.exit("failed: %s\n%s" % (" ".join(cmd), done.stderr[-2000:]))
    total = int(re.search(r"Collected : (\d+)", done.stderr).group(1))
    annotated = subprocess.run(["callgrind_annotate", "--inclusive=yes", out],
                               capture_output=True, text=True).stdout
    inside = 0
    for line in annotated.splitlines():
        if "zl::RunReportWithInsights(" in line:
            inside = max(inside, int(line.split()[0].replace(",", "")))
    return total, inside


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--cli", required=True)
    p.add_argument("--cache", default="/tmp/zl-insights-bench")
    p.add_argument("--index", choices=["yes", "no"])
    p.add_argument("--date", default="2024-03-12")
    p.add_argument("--range", choices=["day", "week", "month"])
    a = p.parse_args()
    print("%-5s %-6s %8s %8s | %-24s | %-24s" % ("index", "range", "plain M", "report M",
                                                 "previous whole report", "last-year whole report"))
    with tempfile.TemporaryDirectory() as out_dir:
        for index in ("no", "yes"):
            if a.index and a.index != index:
                continue
            folder = os.path.join(a.cache, "indexed" if index == "yes" else "plain")
            for rng in ("day", "week", "month"):
                if a.range and a.range != rng:
                    continue
                total, inside = run(a.cli, folder, rng, a.date, None, out_dir)
                outside = total - inside
                cells = []
                for compare in ("previous", "last-year"):
                    t, _ = run(a.cli, folder, rng, a.date, compare, out_dir)
                    whole = t / total
                    report = (t - outside) / inside if inside else float("nan")
                    cells.append("%5.2fx %5.2fx %-6s" % (whole, report,
                                                        "meets" if report <= GOAL else "MISSES"))
                print("%-5s %-6s %8.1f %8.1f | %s | %s" % (index, rng, total / 1e6, inside / 1e6,
                                                          cells[0], cells[1]))
                sys.stdout.flush()
    print("goal: a comparison report <= %.1fx the plain report (instructions, all threads)" % GOAL)


if __name__ == "__main__":
    main()
