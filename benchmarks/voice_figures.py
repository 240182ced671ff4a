#!/usr/bin/env python3
"""The aligner's figures: how close `captiloom --convert --audio` places each
line to where it is really spoken, on the narrations voice_narrations.py
makes, beside the length-only baseline; and how long and how much memory a
ten-minute narration takes, against ffmpeg decoding it.

    voice_figures.py PROGRAM MANIFEST [--lines] [--no-speed] [--set NAME]...
                     [--condition NAME]...

Prints one table per set of narrations (those the aligner was tuned on, then
those it never was) and one for the speed, each figure with its target,
PASS or MISS; exits 1 when a target is missed. --lines lists every line
placed more than 0.3 s off; --set and --condition measure only those.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

TIME = re.compile(r"(\d+):(\d\d):(\d\d),(\d\d\d) --> (\d+):(\d\d):(\d\d),(\d\d\d)")


def ms(h, m, s, milli):
    return ((int(h) * 60 + int(m)) * 60 + int(s)) * 1000 + int(milli)


def run_measured(command, cwd=None):
    """Runs a command and returns (status, stdout, stderr, cpu seconds, peak MiB)."""
    pid = os.fork()
    if pid == 0:
        if cwd:
            os.chdir(cwd)
        out = os.open(os.path.join(cwd or ".", ".out"), os.O_WRONLY | os.O_CREAT | os.O_TRUNC)
        err = os.open(os.path.join(cwd or ".", ".err"), os.O_WRONLY | os.O_CREAT | os.O_TRUNC)
        os.dup2(out, 1)
        os.dup2(err, 2)
        try:
            os.execvp(command[0], command)
        finally:
            os._exit(127)
    _, status, usage = os.wait4(pid, 0)
    with open(os.path.join(cwd or ".", ".err"), encoding="utf-8", errors="replace") as f:
        err = f.read()
    return (os.waitstatus_to_exitcode(status), err, usage.ru_utime + usage.ru_stime,
            usage.ru_maxrss / 1024)


def align(program, folder, narration, recording):
    """The times the program gives each line, and which it is unsure of."""
    work = tempfile.mkdtemp(prefix="captiloom-voice-")
    try:
        script = os.path.join(work, narration["script"])
        shutil.copy(os.path.join(folder, narration["script"]), script)
        status, err, cpu, peak = run_measured(
            [program, "--convert", "--srt", "--audio", os.path.join(folder, recording), script],
            cwd=work)
        srt = script[:-4] + "(字幕).srt"
        if status != 0 or not os.path.exists(srt):
            return None, err
        with open(srt, encoding="utf-8") as f:
            times = [(ms(*m.groups()[:4]), ms(*m.groups()[4:])) for m in TIME.finditer(f.read())]
        return times, err
    finally:
        shutil.rmtree(work)


def baseline(lines):
    """The lines spread over the same speech by their numbers of characters."""
    first, last = lines[0]["startMs"], lines[-1]["endMs"]
    total = sum(len(line["text"]) for line in lines)
    times, at = [], first
    for line in lines:
        length = (last - first) * len(line["text"]) / total
        times.append((round(at), round(at + length)))
        at += length
    return times


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def figures(program, folder, narrations, condition, listing):
    """One row of the table: the start errors of every line of `narrations`
    under `condition`, in every format, beside the baseline's."""
    errors, base, short, unsure, failed = [], [], 0, 0, []
    worst = (0, "")
    for narration in narrations:
        truth = narration["lines"]
        for kind, recording in narration["recordings"][condition].items():
            times, err = align(program, folder, narration, recording)
            if times is None or len(times) != len(truth):
                failed.append(f"{recording}: {err.strip()}")
                continue
            unsure += err.count("\n") - 1
            for line, (start, end) in zip(truth, times):
                error = abs(start - line["startMs"])
                errors.append(error)
                if line["endMs"] - end > 300:
                    short += 1
                if error > worst[0]:
                    worst = (error, f"{recording} {line['text']}")
                if listing and error > 300:
                    print(f"  {recording}: {line['text']} true {line['startMs']} "
                          f"found {start} ({start - line['startMs']:+d} ms)")
        for line, (start, _) in zip(truth, baseline(truth)):
            base.append(abs(start - line["startMs"]))
    if failed:
        print(f"{condition:<10} not aligned: " + "; ".join(failed))
        return False, None
    mean = sum(errors) / len(errors)
    within = 100 * sum(e <= 300 for e in errors) / len(errors)
    ok = mean <= 80 and within >= 97 and short == 0
    base_mean = sum(base) / len(base)
    base_within = 100 * sum(e <= 300 for e in base) / len(base)
    print(f"{condition:<10}{mean:>6.0f}ms{percentile(errors, 0.9):>6}ms{within:>8.1f}%"
          f"{worst[0]:>6}ms{short:>10}{unsure:>8}{base_mean:>9.0f}ms"
          f"{percentile(base, 0.9):>8}ms{base_within:>11.1f}%  {'PASS' if ok else 'MISS'}")
    return ok, worst


def option(name):
    """The values given to --name, each after its own --name."""
    return [sys.argv[i + 1] for i, arg in enumerate(sys.argv[:-1]) if arg == name]


def main():
    program, manifest = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    listing = "--lines" in sys.argv
    folder = os.path.dirname(manifest)
    with open(manifest, encoding="utf-8") as f:
        data = json.load(f)
    missed = False
    conditions = option("--condition") or list(data["narrations"][0]["recordings"])
    sets = option("--set") or list(dict.fromkeys(n["set"] for n in data["narrations"]))
    for kind in sets:
        narrations = [n for n in data["narrations"] if n["set"] == kind]
        print(f"Start error per line, {kind}: {len(narrations)} narrations of "
              f"{len(narrations[0]['lines'])} lines in wav, mp3 and m4a (targets: mean <= 80 ms, "
              ">= 97 % within 0.3 s, no end short by more than 0.3 s)")
        print(f"{'condition':<10}{'mean':>8}{'p90':>8}{'<=0.3s':>9}{'worst':>8}{'short end':>10}"
              f"{'unsure':>8}{'base mean':>11}{'base p90':>10}{'base <=0.3s':>12}  result")
        rows = []
        for condition in conditions:
            ok, worst = figures(program, folder, narrations, condition, listing)
            missed |= not ok
            if worst:
                rows.append((condition, worst))
        for condition, worst in rows:
            print(f"  worst {condition}: {worst[1]} ({worst[0]} ms)")
        print()

    if "--no-speed" not in sys.argv:
        long = data["long"]
        recording = os.path.join(folder, long["recordings"]["clean"]["mp3"])
        work = tempfile.mkdtemp(prefix="captiloom-voice-")
        try:
            shutil.copy(os.path.join(folder, long["script"]), work)
            script = os.path.join(work, long["script"])
            runs = []
            for _ in range(3):
                status, err, cpu, peak = run_measured(
                    [program, "--convert", "--overwrite", "--audio", recording, script], cwd=work)
                _, _, decode_cpu, _ = run_measured(
                    ["ffmpeg", "-nostdin", "-loglevel", "error", "-i", recording, "-f", "null", "-"],
                    cwd=work)
                _, _, idle_cpu, idle = run_measured([program, "--version"], cwd=work)
                runs.append((cpu, decode_cpu, peak - idle, status))
        finally:
            shutil.rmtree(work)
        runs.sort()
        cpu, decode_cpu, memory, status = runs[1]
        ratio = cpu / decode_cpu
        print(f"Ten-minute narration ({long['seconds']:.0f} s, {len(long['lines'])} lines, mp3), "
              "processor time, median of 3")
        print(f"  aligned and written: {cpu:.2f} s; ffmpeg decoding it: {decode_cpu:.2f} s; "
              f"ratio {ratio:.2f} (target <= 2.00)  {'PASS' if ratio <= 2 and status == 0 else 'MISS'}")
        print(f"  peak memory over the idle program: {memory:.0f} MiB (target <= 150)  "
              f"{'PASS' if memory <= 150 else 'MISS'}")
        missed |= ratio > 2 or memory > 150 or status != 0
    sys.exit(1 if missed else 0)


if __name__ == "__main__":
    main()
