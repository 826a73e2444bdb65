"""Benchmark: prints, in one run, side by side,
  - the median time from process start to the open-file dialog being visible, for the launcher and
    for a minimal program that only shows the same dialog, and their ratio;
  - the median time from pressing Open to the launcher's exit, and that of a minimal client making
    the same automation calls on the same stand-in application, and their ratio;
  - the size of both executables.
By default both architectures are measured in the same run, their start-to-dialog runs interleaved,
and both ratios are printed together at the end.
Figures only: it asserts nothing. Usage:
  python3 bench/benchmark.py [--runs N] [--arch x64|x86|both] [--record FILE]
It first builds, through the Windows presets, the programs it runs (scripts/package.sh builds only the
launcher). --record appends the report to FILE, headed by the command, the date, the commit and the
machine's load before and after: bench/results.txt keeps the runs the README quotes."""

import argparse
import datetime
import os
import shutil
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "wine"))
from harness.driver import Driver  # noqa: E402
from harness.standin import register_standin  # noqa: E402
from harness.wine_session import Xvfb, WineSession, build_dir, copy_prefix, default_prefix, ensure_prefix  # noqa: E402
from harness.size_limits import MAX_EXE_BYTES  # noqa: E402

PASSWORD = "vepal_kordinut!?"


# Per measured architecture; the driver and the stand-in spreadsheet application always run as x64.
MEASURED = ("demarrer_quben", "minimal_dialog", "minimal_client")
HELPERS = ("quben_driver", "standin_spreadsheet")


def build_programs(arches):
    """Builds (or brings up to date) what the benchmark runs; exits with one line when it cannot."""
    targets = {arch: list(MEASURED) for arch in arches}
    targets["x64"] = targets.get("x64", []) + list(HELPERS)
    if "QUBEN_BUILD_ROOT" not in os.environ:  # the presets build into the repository's build/
        for arch, names in targets.items():
            print(f"building {' '.join(names)} for {arch}", file=sys.stderr)
            for command in (["cmake", "--preset", f"windows-{arch}"],
                            ["cmake", "--build", "--preset", f"windows-{arch}", "--target", *names]):
                result = subprocess.run(command, cwd=REPO, capture_output=True, text=True)
                if result.returncode != 0:
                    sys.exit(f"{result.stdout}{result.stderr}\nbenchmark not run: '{' '.join(command)}' failed; "
                             f"run 'bash scripts/build.sh' first")
    missing = [build_dir(arch) / f"{name}.exe" for arch, names in targets.items() for name in names
               if not (build_dir(arch) / f"{name}.exe").exists()]
    if missing:
        sys.exit(f"benchmark not run: {missing[0]} is missing; run 'bash scripts/build.sh' first")


# Wine's own messages about COM activation and process creation: kept when a run fails, they say
# why (under Wine 8 a creation whose server process could not be started answers 0x80040152).
WINE_DIAGNOSTICS = {"WINEDEBUG": "-all,err+ole,warn+ole,err+process,warn+process"}


def private_prefix():
    """A copy of the benchmark's Wine prefix for this run alone (its programs hard-linked), the
    stand-in registered afresh in it: nothing else run in the tree (a test module by hand, a second
    benchmark) can rewrite its registry, re-make it or end its Wine server mid-run."""
    prefix = default_prefix().with_name("bench-prefixes") / str(os.getpid())
    copy_prefix(ensure_prefix(default_prefix()), prefix)
    (prefix / ".quben-standin").unlink(missing_ok=True)
    return prefix


def median_of(answer):
    return float(answer["median"])


def median(values):
    ordered = sorted(values)
    middle = len(ordered) // 2
    return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2


def interleaved_dialog_times(driver, programs, runs):
    """Start-to-dialog times of each program, taking turns run by run so that drift in the
    machine's load falls on all alike."""
    commands = []
    for _ in range(runs):
        commands += [["bench-dialog", program, 1] for program in programs]
    answers = driver(*commands, timeout=60 * runs * len(programs))
    times = [float(a["median"]) for a in answers]
    return [times[i::len(programs)] for i in range(len(programs))]


def open_to_exit(driver, arch, workbook, runs):
    """Median times from Open to exit of the launcher and of the minimal client."""
    launcher = build_dir(arch) / "demarrer_quben.exe"
    minimal_client = build_dir(arch) / "minimal_client.exe"
    cycle_launcher = median_of(driver.one(["bench-cycle", launcher, workbook, runs], timeout=900))
    client_runs = []
    for _ in range(runs):
        client_runs.append(float(driver.one(["bench-run", minimal_client, workbook, PASSWORD, "--"],
                                            timeout=120)["ms"]))
        driver(["close", "StandinSpreadsheet"], ["sleep", 500])
    return cycle_launcher, median(client_runs)


def record(path, report, load_before):
    """Appends the report to `path`, with what it was measured on: its figures are this output, never
    numbers copied by hand."""
    commit = subprocess.run(["git", "describe", "--always", "--dirty"], cwd=REPO, capture_output=True,
                            text=True).stdout.strip()
    loads = " -> ".join(f"{load:.2f}" for load in (load_before[0], os.getloadavg()[0]))
    header = [f"$ python3 bench/benchmark.py {' '.join(sys.argv[1:])}",
              f"{datetime.datetime.now().astimezone():%Y-%m-%d %H:%M %z}, commit {commit}, "
              f"{os.cpu_count()} cores, load average {loads}"]
    with open(path, "a", encoding="utf-8") as handle:
        handle.write("\n".join(header + report) + "\n\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--arch", choices=("x64", "x86", "both"), default="both")
    parser.add_argument("--record", type=Path, help="append the report to this file")
    options = parser.parse_args()
    load_before = os.getloadavg()
    arches = ("x64", "x86") if options.arch == "both" else (options.arch,)
    build_programs(arches)

    display = Xvfb(1024, 768)
    session = WineSession(private_prefix(), display, WINE_DIAGNOSTICS)
    finished = False
    try:
        session.start_server()
        register_standin(session)
        driver = Driver(session)
        programs = [build_dir(arch) / name for arch in arches for name in ("demarrer_quben.exe", "minimal_dialog.exe")]
        folder = session.drive_c / "quben-bench"
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir()
        (folder / "mesures.xls").write_bytes(f"password={PASSWORD}\n".encode())
        workbook = r"C:\quben-bench\mesures.xls"
        session.clear_dialog_history()

        # Warm the prefix (first start of Wine's dialogs and COM) before measuring.
        driver(*[["bench-dialog", program, 1] for program in programs])
        times = interleaved_dialog_times(driver, programs, options.runs)
        dialog = {arch: (median(times[2 * i]), median(times[2 * i + 1])) for i, arch in enumerate(arches)}
        cycle = {arch: open_to_exit(driver, arch, workbook, options.runs) for arch in arches}

        report = []
        for arch in arches:
            (dialog_launcher, dialog_minimal), (cycle_launcher, cycle_client) = dialog[arch], cycle[arch]
            report += [f"architecture: {arch}, runs: {options.runs} (medians, milliseconds)",
                       f"start to dialog  launcher {dialog_launcher:8.1f}  minimal program {dialog_minimal:8.1f}"
                       f"  ratio {dialog_launcher / dialog_minimal:.3f}  (target <= 1.10)",
                       f"Open to exit     launcher {cycle_launcher:8.1f}  minimal client  {cycle_client:8.1f}"
                       f"  ratio {cycle_launcher / cycle_client:.3f}  (target <= 1.00)"]
        report.append("start to dialog ratios: " + "  ".join(f"{arch} {dialog[arch][0] / dialog[arch][1]:.3f}"
                                                             for arch in arches))
        for arch in ("x64", "x86"):
            exe = build_dir(arch) / "demarrer_quben.exe"
            size = exe.stat().st_size if exe.exists() else 0
            report.append(f"size {arch:3}  {size:7d} bytes  {size / 1024:6.1f} KiB"
                          f"  (target <= {MAX_EXE_BYTES[arch] // 1024} KiB)")
        print("\n".join(report))
        if options.record:
            record(options.record, report, load_before)
        finished = True
    finally:
        if not finished:
            os.environ["QUBEN_KEEP_WINE_LOGS"] = "1"
            print(f"the programs' Wine messages are kept in {session.log_dir}", file=sys.stderr)
        session.stop()
        display.close()
        shutil.rmtree(session.prefix, ignore_errors=True)


if __name__ == "__main__":
    main()
