#!/usr/bin/env python3
"""End to end through the console tool: a template, accounts inserted one statement at a time
(then some updated and some deleted), selected back, and read back by two independent readers,
mdbtools and mdb-reader. The engine's check must pass on the result, and both readers must show
exactly our rows. With a sort order of 2052 or 1028 the template is labelled as Access on a Chinese
system labels it, and a number outside the characters that order shares with General is refused.

usage: kestrin_db_roundtrip.py KESTRIN_DB COUNT [SORT_ORDER]
"""
import csv
import io
import json
import subprocess
import sys
import tempfile
from pathlib import Path


def run(*args, check=True):
    result = subprocess.run(list(args), capture_output=True, text=True)
    if check and result.returncode != 0:
        raise SystemExit(f"{' '.join(args[:3])}... failed ({result.returncode}): {result.stderr.strip()}")
    return result


READER = Path(__file__).resolve().parent / "mdb_reader" / "rows.mjs"
PASSWORD = "Tq4wnBkdy.rHsLmZXJoE"


def mdb_reader_rows(db, table):
    """mdb-reader's stored row count and rows of one table."""
    out = json.loads(run("node", str(READER), db, PASSWORD, table).stdout)
    return out["rowCount"], out["rows"]


def main():
    tool, count = sys.argv[1], int(sys.argv[2])
    sort_order = sys.argv[3] if len(sys.argv) > 3 else "1033"
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        db = str(Path(folder) / "config.dat")
        run(tool, "template", db, "--sort-order", sort_order)
        if Path(db).stat().st_size != 131072:
            failures.append(f"template is {Path(db).stat().st_size} bytes, not 131072")

        expected = {}
        for i in range(count):
            name, number = f"别名{i}'s" if i % 7 == 0 else f"name{i}", str(100000 + i)
            stamp = f"2026-12-{1 + i % 28:02d} {i % 24}:{i % 60:02d}:05"
            quoted = name.replace("'", "''")
            run(tool, "exec", db, "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values("
                f"'{quoted}','{number}',{i % 2},'{(i // 2) % 2}','{stamp}','kAFQmDzST7DWlj99KOF/cg')")
            expected[number] = [str(i + 1), name, number, str(i % 2), str((i // 2) % 2), stamp, "kAFQmDzST7DWlj99KOF/cg"]
        for i in range(0, count, 10):  # update some: a longer alias makes the row grow
            number = str(100000 + i)
            out = run(tool, "exec", db, f"update zk_auto_qqlist set A_Name='renamed account number {i}',A_stat=1 "
                      f"where A_QQ='{number}'").stdout.strip()
            if out != "1 rows affected":
                failures.append(f"update of {number}: {out!r}")
            expected[number][1], expected[number][4] = f"renamed account number {i}", "1"
        for i in range(5, count, 10):  # delete some
            number = str(100000 + i)
            run(tool, "exec", db, f"delete from zk_auto_qqlist where A_QQ='{number}'")
            del expected[number]
        duplicate = run(tool, "exec", db, "insert into zk_auto_qqlist(A_Name,A_QQ) values('again','100001')", check=False)
        if duplicate.returncode != 1:
            failures.append(f"a duplicate A_QQ was not refused (exit {duplicate.returncode})")
        if sort_order != "1033":
            unknown = run(tool, "exec", db, "insert into zk_auto_qqlist(A_Name,A_QQ) values('x','号码1')", check=False)
            if unknown.returncode != 1 or f"sort order {sort_order} has no known code" not in unknown.stderr:
                failures.append(f"a number outside the shared range was not refused clearly: {unknown.stderr!r}")

        selected = run(tool, "exec", db, "select ID,A_Name,A_QQ,A_activ,A_stat,A_last,A_pass from zk_auto_qqlist").stdout
        ours = {row[2]: row for row in (line.split("\t") for line in selected.splitlines()[1:])}
        if ours != expected:
            failures.append(f"select gave {len(ours)} rows, expected {len(expected)}; "
                            f"first difference: {next((k for k in expected if ours.get(k) != expected[k]), None)}")

        checked = run(tool, "check", db, check=False)
        if checked.stdout.strip() != "ok":
            failures.append("check: " + checked.stdout.strip()[:500])

        if run("mdb-ver", db).stdout.strip() != "JET4":
            failures.append("mdb-ver does not say JET4")
        schema = run("mdb-schema", "--indexes", db, "postgres").stdout
        for needle in ('"zk_auto_qqlist"', '"zk_auto_sys"', '"a_name"', '"a_pass"', '"s_qqpath"', "UNIQUE INDEX"):
            if needle.lower() not in schema.lower():
                failures.append(f"mdb-schema lacks {needle}")
        exported = run("mdb-export", "-D", "%Y", db, "zk_auto_qqlist").stdout
        theirs = {row[2]: row for row in list(csv.reader(io.StringIO(exported)))[1:]}
        if theirs != expected:
            diff = next((k for k in expected if theirs.get(k) != expected[k]), None)
            failures.append(f"mdb-export gave {len(theirs)} rows, expected {len(expected)}; first difference {diff}: "
                            f"{theirs.get(diff)} != {expected.get(diff)}")

        stored_count, rows = mdb_reader_rows(db, "zk_auto_qqlist")
        theirs = {row[2]: [v if v is not None else "" for v in row] for row in rows}
        if stored_count != len(expected) or theirs != expected:
            diff = next((k for k in expected if theirs.get(k) != expected[k]), None)
            failures.append(f"mdb-reader gave {len(theirs)} rows (stored count {stored_count}), expected "
                            f"{len(expected)}; first difference {diff}: {theirs.get(diff)} != {expected.get(diff)}")
        counted = run("mdb-count", db, "zk_auto_qqlist").stdout.strip()
        if counted != str(len(expected)):
            failures.append(f"mdb-count says {counted}, expected {len(expected)}")

    for failure in failures:
        print(failure)
    print(f"{0 if failures else 1} passed, {1 if failures else 0} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
