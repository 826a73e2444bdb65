"""Benchmark: prints, in one run, side by side,
  - the median time from process start to the open-file dialog being visible, for the launcher and
    for a minimal program that only shows the same dialog, and their ratio;
  - the median time from pressing Open to the launcher's exit, and that of a minimal client making
    the same automation calls on the same stand-in application, and their ratio;
  - the size of both executables.
By default both architectures are measured in the same run, their start-to-dialog runs interleaved,
and both ratios are printed together at the end.
Figures only: it asserts nothing. Usage: python3 bench/benchmark.py [--runs N] [--arch x64|x86|both]
It first builds, through the Windows presets, the programs it runs (scripts/package.sh builds only the
launcher)."""

import argparse
import os
import shutil
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "wine"))
from harness.driver import Driver  # noqa: E402
from harness.standin import register_standin  # noqa: E402
from harness.wine_session import Xvfb, WineSession, build_dir, default_prefix, ensure_prefix  # noqa: E402
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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--arch", choices=("x64", "x86", "both"), default="both")
    options = parser.parse_args()
    arches = ("x64", "x86") if options.arch == "both" else (options.arch,)
    build_programs(arches)

    display = Xvfb(1024, 768)
    session = WineSession(ensure_prefix(default_prefix()), display)
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

        for arch in arches:
            (dialog_launcher, dialog_minimal), (cycle_launcher, cycle_client) = dialog[arch], cycle[arch]
            print(f"architecture: {arch}, runs: {options.runs} (medians, milliseconds)")
            print(f"start to dialog  launcher {dialog_launcher:8.1f}  minimal program {dialog_minimal:8.1f}"
                  f"  ratio {dialog_launcher / dialog_minimal:.3f}  (target <= 1.10)")
            print(f"Open to exit     launcher {cycle_launcher:8.1f}  minimal client  {cycle_client:8.1f}"
                  f"  ratio {cycle_launcher / cycle_client:.3f}  (target <= 1.10)")
        print("start to dialog ratios: " + "  ".join(f"{arch} {dialog[arch][0] / dialog[arch][1]:.3f}"
                                                     for arch in arches))
        for arch in ("x64", "x86"):
            exe = build_dir(arch) / "demarrer_quben.exe"
            size = exe.stat().st_size if exe.exists() else 0
            print(f"size {arch:3}  {size:7d} bytes  {size / 1024:6.1f} KiB  (target <= {MAX_EXE_BYTES[arch] // 1024} KiB)")
    finally:
        session.stop()
        display.close()


if __name__ == "__main__":
    main()
