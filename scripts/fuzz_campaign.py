#!/usr/bin/env python3
"""Runs fuzz harnesses of build/fuzz one after the other, each until it has executed
--runs inputs or spent --seconds of processor time, whichever comes first, starting from
the checked-in corpus (copied, so the tree is not changed) and keeping what it finds in
build/fuzz-campaign/<harness>/. Prints a Markdown table: runs, processor seconds, runs a
second, coverage, corpus size, and any crash file. Exits non-zero when a harness failed.

  scripts/fuzz_campaign.py [--runs N] [--seconds S] [--resume] [harness ...]

Without names it runs every fuzz_* program of build/fuzz/fuzz. The processor-time bound is
kept by watching the harness's own processor time (user and system) and interrupting it
there, so that a campaign sharing the cores with other work still gives each harness its
full hour.

With --resume a harness goes on from the corpus its last piece of the campaign left in
build/fuzz-campaign/<harness>/ (pieces are listed in progress.json there), for what is left
of the two bounds; the table then gives the campaign's totals over all pieces, so a campaign
can be spread over several sittings without starting again."""
import argparse
import json
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, "build", "fuzz", "fuzz")
OUT = os.path.join(ROOT, "build", "fuzz-campaign")


def run_one(name, runs, seconds, resume):
    exe = os.path.join(BIN, name)
    short = name[len("fuzz_"):]
    work = os.path.join(OUT, short)
    corpus = os.path.join(work, "corpus")
    progress_path = os.path.join(work, "progress.json")
    pieces = []
    if resume and os.path.isfile(progress_path):
        with open(progress_path) as f:
            pieces = json.load(f)
    elif os.path.isdir(work):
        shutil.rmtree(work)
    os.makedirs(corpus, exist_ok=True)
    seed = os.path.join(ROOT, "fuzz", "corpus", short)
    if os.path.isdir(seed):
        for f in os.listdir(seed):
            shutil.copy(os.path.join(seed, f), corpus)
    done_runs = sum(p["runs"] for p in pieces)
    done_cpu = sum(p["cpu"] for p in pieces)
    total_runs, total_seconds = runs, seconds
    runs, seconds = max(0, runs - done_runs), max(0, seconds - done_cpu)
    log_path = os.path.join(work, f"fuzz.{len(pieces)}.log" if pieces else "fuzz.log")
    if pieces and (runs == 0 or seconds == 0):
        last_log = os.path.join(work, f"fuzz.{len(pieces) - 1}.log" if len(pieces) > 1 else "fuzz.log")
        text = open(last_log, errors="replace").read() if os.path.isfile(last_log) else ""
        return report(short, work, pieces, total_runs, total_seconds, pieces[-1]["rc"], False, text)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    wall0 = time.monotonic()
    interrupted = False
    with open(log_path, "w") as log:
        child = subprocess.Popen([exe, f"-runs={runs}", "-print_final_stats=1", f"-artifact_prefix={work}/", corpus],
                                 stdout=log, stderr=subprocess.STDOUT, cwd=work)
        tick = os.sysconf("SC_CLK_TCK")
        while child.poll() is None:
            try:
                with open(f"/proc/{child.pid}/stat") as f:
                    fields = f.read().rsplit(")", 1)[1].split()
                used = (int(fields[11]) + int(fields[12])) / tick
            except (OSError, IndexError, ValueError):
                used = 0
            if used >= seconds and not interrupted:
                # libFuzzer ends an interrupted run cleanly and still prints its statistics.
                child.send_signal(signal.SIGINT)
                interrupted = True
            time.sleep(1)
        rc = child.returncode
    if interrupted and rc == 72:
        rc = 0
    wall = time.monotonic() - wall0
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    text = open(log_path, errors="replace").read()

    def stat(key):
        m = re.search(rf"stat::{key}:\s+(\d+)", text)
        return int(m.group(1)) if m else None

    pieces.append({"runs": stat("number_of_executed_units") or 0, "cpu": round(cpu, 1), "wall": round(wall, 1),
                   "rc": rc, "when": time.strftime("%Y-%m-%d %H:%M")})
    with open(progress_path, "w") as f:
        json.dump(pieces, f, indent=1)
    return report(short, work, pieces, total_runs, total_seconds, rc, interrupted, text)


def report(short, work, pieces, total_runs, total_seconds, rc, interrupted, text):
    executed = sum(p["runs"] for p in pieces)
    cpu = sum(p["cpu"] for p in pieces)
    wall = sum(p["wall"] for p in pieces)
    cov = re.findall(r"cov: (\d+) ft: (\d+) corp: (\d+)/(\S+)", text)
    crashes = [f for f in os.listdir(work) if f.startswith(("crash-", "leak-", "timeout-", "oom-"))]
    return {
        "name": short, "rc": rc, "runs": executed, "cpu": cpu, "wall": wall,
        "cov": cov[-1][0] if cov else "?", "ft": cov[-1][1] if cov else "?",
        "corpus": f"{cov[-1][2]} ({cov[-1][3]})" if cov else "?", "crashes": crashes,
        "pieces": len(pieces),
        "stopped": "runs" if executed >= total_runs else ("time" if cpu >= total_seconds or interrupted else "?"),
    }


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=10_000_000)
    ap.add_argument("--seconds", type=int, default=3600)
    ap.add_argument("--resume", action="store_true", help="go on from the last piece's corpus")
    ap.add_argument("names", nargs="*")
    a = ap.parse_args()
    names = a.names or sorted(n for n in os.listdir(BIN) if n.startswith("fuzz_") and os.access(os.path.join(BIN, n), os.X_OK))
    names = [n if n.startswith("fuzz_") else "fuzz_" + n for n in names]
    print("| harness | executions | processor s | wall s | exec/s | pieces | stopped by | cov | ft | corpus | result |")
    print("|---|---:|---:|---:|---:|---:|---|---:|---:|---|---|")
    bad = 0
    for n in names:
        r = run_one(n, a.runs, a.seconds, a.resume)
        ok = r["rc"] == 0 and not r["crashes"]
        bad += not ok
        rate = (r["runs"] or 0) / r["cpu"] if r["cpu"] else 0
        print(f"| {r['name']} | {r['runs']} | {r['cpu']:.0f} | {r['wall']:.0f} | {rate:.0f} | {r['pieces']} | {r['stopped']} | "
              f"{r['cov']} | {r['ft']} | {r['corpus']} | {'ok' if ok else 'FAILED rc=%d %s' % (r['rc'], ' '.join(r['crashes']))} |",
              flush=True)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
