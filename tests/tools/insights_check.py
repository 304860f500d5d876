#!/usr/bin/env python3
"""Independent check of reporter-cli's peak, period comparison and data coverage.

countgen writes databases of every counter type; holes are cut into them with plain SQL (a
camera offline for three hours, a day without any record) and a second site's data ends on
the 20th of the month. The expected comparison periods, per-bucket coverage, peak bucket, peak
hour and peak-hour factor are computed here from the files with the sqlite3 module and
compared with reporter-cli's JSON, for local sites and through a real recnetd on 127.0.0.1.

usage: insights_check.py --cli reporter-cli --countgen countgen --recnetd recnetd --lang ENG.ini
"""
import argparse
import collections
import datetime as dt
import json
import os
import shutil
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time

END = dt.date(2024, 3, 31)
# type: (file, table, time column, extra condition, one record per interval)
SOURCES = {
    1: ("PeopleCounterData/PeopleCounter.db", "Records", "EnterTime", "", True),
    2: ("PeopleCounterData/3DPeopleCounter.db", "_3DRecords", "Time", "", False),
    3: ("AccessCounterData/AccessCounter.db", "records", "StartTime", "", True),
    4: ("ZoneCounterData/ZoneCounter.db", "records", "StartTime", "", True),
    5: ("FlowCountData/FlowCount.db", "records", "CountingTime", "", True),
    6: ("TrafficCounterData/TrafficCounter.db", "records", "EnterTime", "", True),
    # queue measure 0: waiting events of queue 1
    7: ("QueueLengthData/QueueLengthMonitoringWaiting.db", "records", "StartTime", " AND Queue=1",
        False),
}
# The value columns whose sums the report shows (types with plain sums).
SUMS = {
    1: ["Inward", "Outward"],
    3: ["Count1"],
    5: ["Line1_In", "Line1_Out", "Line2_In", "Line2_Out"],
    6: ["LargeIn", "LargeOut", "MediumIn", "MediumOut", "SmallIn", "SmallOut", "PedestrianIn",
        "PedestrianOut"],
}
FMT = "%Y-%m-%d %H:%M:%S"
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what, flush=True)


def parse(text):
    return dt.datetime.strptime(text, FMT)


def rolling_month(day):
    """The days of the rolling month ending on `day`."""
    y, m = (day.year, day.month - 1) if day.month > 1 else (day.year - 1, 12)
    try:
        start = dt.date(y, m, day.day) + dt.timedelta(days=1)
    except ValueError:
        start = dt.date(day.year, day.month, 1)
    return start


def compared_end(rng, day, mode):
    if mode == "last-year":
        return day - dt.timedelta(days=364)
    if rng == "day":
        return day - dt.timedelta(days=7 if mode == "previous-weekday" else 1)
    if rng == "week":
        return day - dt.timedelta(days=7)
    return rolling_month(day) - dt.timedelta(days=1)


def run_cli(cli, args):
    p = subprocess.run([cli, "report"] + args + ["--format", "json", "--quiet"],
                       capture_output=True, text=True, timeout=300)
    if p.returncode != 0:
        raise RuntimeError("reporter-cli %s: %d %s" % (" ".join(args), p.returncode, p.stderr))
    return json.loads(p.stdout)


def in_values(ctype, values):
    if ctype in (1, 2, 5, 6):
        return sum(values[0::2])
    return values[0]


def peak_of(ctype, records):
    best, row = 0, None
    for i, r in enumerate(records):
        v = in_values(ctype, r["values"])
        if v > best:
            best, row = v, i
    return row, best


def peak_hour(ctype, records, period):
    measure = (lambda v: sum(v)) if ctype == 6 else (lambda v: in_values(ctype, v))
    part = 15 if 15 % period == 0 else period
    best = None
    for i, first in enumerate(records):
        start = parse(first["from"])
        if start.hour * 60 + start.minute + 60 > 24 * 60:
            break
        hour = [r for r in records[i:] if parse(r["from"]) - start < dt.timedelta(minutes=60)]
        volume = sum(measure(r["values"]) for r in hour)
        parts = collections.Counter()
        for r in hour:
            offset = (parse(r["from"]) - start).seconds // 60
            parts[offset // part] += measure(r["values"])
        if best is None or volume > best[0]:
            best = (volume, i, i + len(hour) - 1, volume / ((60 // part) * max(parts.values()))
                    if volume else 0)
    return best


def site_coverage(db, ctype, buckets):
    """Per bucket (present, expected, any), the site interval and the last record time."""
    _, table, col, cond, intervals = SOURCES[ctype]
    con = sqlite3.connect(db)
    first, last = buckets[0][0], buckets[-1][1]
    rows = con.execute("SELECT Camera, %s FROM %s WHERE %s BETWEEN ? AND ?%s" %
                       (col, table, col, cond), (first.strftime(FMT), last.strftime(FMT))).fetchall()
    cameras = [c for (c,) in con.execute("SELECT DISTINCT Camera FROM %s" % table)]
    latest = con.execute("SELECT MAX(%s) FROM %s WHERE 1%s" % (col, table, cond)).fetchone()[0]
    # The interval: the first 16 records per camera in table order from the first rowid whose
    # time is not before the period's start (the files are written in time order), those
    # within the period.
    check(con.execute("SELECT COUNT(*) FROM %s a JOIN %s b ON b.rowid=a.rowid+1 WHERE b.%s<a.%s" %
                      (table, table, col, col)).fetchone()[0] == 0, db + ": written in time order")
    start = con.execute("SELECT MIN(rowid) FROM %s WHERE %s>=?" % (table, col),
                        (first.strftime(FMT),)).fetchone()[0]
    sample = []
    if start is not None:
        sample = con.execute("SELECT Camera, %s FROM %s WHERE rowid>=?%s ORDER BY rowid LIMIT ?" %
                             (col, table, cond), (start, 16 * len(cameras))).fetchall()
    con.close()
    times = collections.defaultdict(list)
    for cam, t in rows:
        times[cam].append(parse(t))
    sampled = collections.defaultdict(list)
    for cam, t in sample:
        if first <= parse(t) <= last:
            sampled[cam].append(parse(t))
    spacing, site_spacing = {}, collections.Counter()
    for cam, ts in sampled.items():
        ts.sort()
        c = collections.Counter(int((b - a).total_seconds()) for a, b in zip(ts, ts[1:]) if b > a)
        site_spacing.update(c)
        if c:
            spacing[cam] = min(c, key=lambda d: (-c[d], d))
    site = min(site_spacing, key=lambda d: (-site_spacing[d], d)) if site_spacing else 0
    out = []
    for b0, b1 in buckets:
        n = sum(1 for ts in times.values() for t in ts if b0 <= t <= b1)
        expected = 0
        if intervals:
            length = int((b1 - b0).total_seconds()) + 1
            for cam in cameras:
                iv = spacing.get(cam, site)
                if iv:
                    expected += -(-length // iv)
        out.append((n if intervals else 0, expected, n > 0))
    return out, (site if intervals else 0), latest


def sums(db, ctype, buckets):
    con = sqlite3.connect(db)
    _, table, col, _, _ = SOURCES[ctype]
    sel = ",".join("SUM(%s)" % c for c in SUMS[ctype])
    out = []
    for b0, b1 in buckets:
        r = con.execute("SELECT %s FROM %s WHERE %s BETWEEN ? AND ?" % (sel, table, col),
                        (b0.strftime(FMT), b1.strftime(FMT))).fetchone()
        out.append([v or 0 for v in r])
    con.close()
    return out


def bucket_list(records):
    return [(parse(r["from"]), parse(r["to"])) for r in records]


def check_report(cli, root, site_args, ctype, rng, day, mode, period, label):
    args = ["--type", str(ctype), "--range", rng, "--date", day.isoformat()] + site_args
    if period:
        args += ["--period", str(period)]
    if mode:
        args += ["--compare", mode]
    doc = run_cli(cli, args)
    tag = "%s type %d %s %s %s" % (label, ctype, rng, day, mode or "")
    records = doc["records"]
    buckets = bucket_list(records)
    db = os.path.join(root, SOURCES[ctype][0])

    # Values of the plain sums against the file.
    n = len(SUMS.get(ctype, []))
    if ctype in SUMS:
        check([r["values"][:n] for r in records] == sums(db, ctype, buckets), tag + ": values")

    # Coverage per bucket and the site's state.
    cov = doc["coverage"]
    expected, interval, latest = site_coverage(db, ctype, buckets)
    got = [(b["total"]["present"], b["total"]["expected"], b["total"]["any"])
           for b in cov["buckets"]]
    check(got == expected, tag + ": coverage per bucket %s" %
          [(i, g, e) for i, (g, e) in enumerate(zip(got, expected)) if g != e][:3])
    check(cov["emptyBuckets"] == sum(1 for e in expected if not e[2]), tag + ": empty buckets")
    site = cov["sites"][0]
    check(site["intervalSeconds"] == interval, tag + ": interval %s" % site["intervalSeconds"])
    if latest is None:
        partial = True
    elif buckets[0][0].date() == buckets[-1][1].date():
        partial = parse(latest) + dt.timedelta(seconds=interval) < buckets[-1][1]
    else:
        partial = parse(latest).date() < buckets[-1][1].date()
    check(site["partial"] == partial, tag + ": partial")
    if partial and latest:
        check(site["lastRecord"] == latest, tag + ": last record %s" % site["lastRecord"])

    # Peak bucket and peak hour from the rows.
    row, value = peak_of(ctype, records)
    peak = doc["peak"]["in"]
    if row is None:
        check(peak is None, tag + ": no peak")
    else:
        check(peak is not None and peak["from"] == records[row]["from"] and
              peak["value"] == value, tag + ": peak bucket")
    hour = doc["peak"]["hour"]
    if rng == "day" and period and period <= 15 and ctype not in (4, 7):
        volume, first, last, factor = peak_hour(ctype, records, period)
        if volume:
            check(hour is not None and hour["from"] == records[first]["from"] and
                  hour["to"] == records[last]["to"] and hour["volume"] == volume and
                  abs(hour["factor"] - factor) < 1e-5, tag + ": peak hour %s" % hour)
    else:
        check(hour is None, tag + ": no peak hour")

    # The compared period: its end date, its buckets and, for plain sums, its values.
    if mode:
        comp = doc["compare"]
        end = compared_end(rng, day, mode)
        check(comp["date"] == end.isoformat(), tag + ": compared date %s" % comp["date"])
        cbuckets = bucket_list(comp["records"])
        check(cbuckets and cbuckets[-1][0].date() == end, tag + ": compared last bucket")
        if rng != "month":
            shift = buckets[0][0].date() - cbuckets[0][0].date()
            check([(a - shift, b - shift) for a, b in buckets] == cbuckets,
                  tag + ": compared buckets")
        else:
            check(cbuckets[0][0].date() == rolling_month(end), tag + ": compared month start")
        if ctype in SUMS:
            check([r["values"][:n] for r in comp["records"]] == sums(db, ctype, cbuckets),
                  tag + ": compared values")
    return doc


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_recnetd(recnetd, root, folder):
    port = free_port()
    config = os.path.join(folder, "recnetd.ini")
    with open(config, "w") as f:
        f.write("[server]\naddress = 127.0.0.1\nport = %d\nlog_level = error\n"
                "[data]\nroot = %s\n" % (port, root))
    subprocess.run([recnetd, "--config", config, "--add-user", "viewer"], input="secret\n",
                   text=True, check=True, capture_output=True)
    proc = subprocess.Popen([recnetd, "--config", config], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    deadline = time.time() + 60
    while time.time() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return proc, port
        except OSError:
            if proc.poll() is not None:
                raise RuntimeError("recnetd ended at start")
            time.sleep(0.1)
    proc.kill()
    raise RuntimeError("recnetd did not listen")


def cut_holes(root):
    for ctype, (path, table, col, _, _) in SOURCES.items():
        con = sqlite3.connect(os.path.join(root, path))
        # Camera 2 offline for three hours; nothing at all on the 15th.
        con.execute("DELETE FROM %s WHERE Camera=2 AND %s BETWEEN '2024-03-12 10:00:00' AND "
                    "'2024-03-12 12:59:59'" % (table, col))
        con.execute("DELETE FROM %s WHERE %s LIKE '2024-03-15%%'" % (table, col))
        con.commit()
        con.close()


def main():
    ap = argparse.ArgumentParser()
    for name in ("cli", "countgen", "recnetd", "lang"):
        ap.add_argument("--" + name, required=True)
    a = ap.parse_args()
    folder = tempfile.mkdtemp(prefix="zlinsights")
    server = None
    try:
        root = os.path.join(folder, "full")
        ending = os.path.join(folder, "ending")
        subprocess.run([a.countgen, "--root", root, "--days", "400", "--end", END.isoformat(),
                        "--quiet"], check=True)
        subprocess.run([a.countgen, "--root", ending, "--days", "60", "--end", "2024-03-20",
                        "--types", "1,6", "--quiet"], check=True)
        cut_holes(root)
        lang = ["--lang", a.lang]
        local = ["--local", root] + lang
        checked = 0
        plan = []
        for ctype in range(1, 8):
            period = None if ctype <= 2 else 15
            plan += [(ctype, "day", dt.date(2024, 3, 12), "previous", period),
                     (ctype, "day", dt.date(2024, 3, 15), "previous-weekday", period),
                     (ctype, "week", dt.date(2024, 3, 17), "last-year", None),
                     (ctype, "month", dt.date(2024, 3, 31), "previous", None)]
        plan += [(6, "day", dt.date(2024, 3, 12), "last-year", 5),
                 (3, "day", dt.date(2024, 3, 12), None, 10)]
        for ctype, rng, day, mode, period in plan:
            check_report(a.cli, root, local, ctype, rng, day, mode, period, "local")
            checked += 1
        # CSV with --coverage: the records present and expected after the values; without
        # it the layout has no such columns.
        for coverage in (False, True):
            args = [a.cli, "report", "--type", "1", "--date", "2024-03-12", "--format", "csv",
                    "--quiet"] + local + (["--coverage"] if coverage else [])
            lines = subprocess.run(args, capture_output=True, text=True, check=True,
                                   timeout=300).stdout.splitlines()
            head = lines[2].split(",")
            check(head[-2:] == ["Records", "Expected records"] if coverage else
                  head == ["StartTime", "EndTime", "Inward", "Outward"], "csv header %s" % head)
            if coverage:
                doc = run_cli(a.cli, ["--type", "1", "--date", "2024-03-12"] + local)
                got = [[int(v) for v in line.split(",")[-2:]] for line in lines[3:27]]
                want = [[b["total"]["present"], b["total"]["expected"]]
                        for b in doc["coverage"]["buckets"]]
                check(got == want, "csv coverage columns")
        # The site whose data ends on the 20th.
        for ctype in (1, 6):
            doc = check_report(a.cli, ending, ["--local", ending] + lang, ctype, "month",
                               dt.date(2024, 3, 31), "previous", None, "ending")
            site = doc["coverage"]["sites"][0]
            check(site["partial"] and site["lastRecord"].startswith("2024-03-20"),
                  "ending type %d: partial with the last record on the 20th" % ctype)
            checked += 1
        # The same through recnetd.
        server, port = start_recnetd(a.recnetd, root, folder)
        password = os.path.join(folder, "password")
        with open(password, "w") as f:
            f.write("secret\n")
        remote = ["--server", "127.0.0.1:%d" % port, "--user", "viewer", "--password-file",
                  password] + lang
        for ctype, rng, day, mode, period in plan[::3]:
            check_report(a.cli, root, remote, ctype, rng, day, mode, period, "recnetd")
            checked += 1
        print("%d reports checked, %d failures" % (checked, len(failures)))
        return 1 if failures else 0
    finally:
        if server:
            server.terminate()
            try:
                server.wait(timeout=30)
            except subprocess.TimeoutExpired:
                server.kill()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
