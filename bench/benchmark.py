"""Benchmark: prints, in one run, side by side,
  - the median time from process start to the open-file dialog being visible, for the launcher and
    for a minimal program that only shows the same dialog, and their ratio;
  - the median time from pressing Open to the launcher's exit, and that of a minimal client making
    the same automation calls on the same stand-in application, and their ratio;
  - the size of both executables.
Figures only: it asserts nothing. Usage: python3 bench/benchmark.py [--runs N] [--arch x64|x86]"""

import argparse
import shutil
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "wine"))
from harness.driver import Driver  # noqa: E402
from harness.standin import register_standin  # noqa: E402
from harness.wine_session import Xvfb, WineSession, build_dir, default_prefix, ensure_prefix  # noqa: E402

PASSWORD = "vepal_kordinut!?"


def median_of(answer):
    return float(answer["median"])


def median(values):
    ordered = sorted(values)
    middle = len(ordered) // 2
    return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2


def interleaved_dialog_times(driver, first, second, runs):
    """Start-to-dialog times of two programs, alternating run by run so that drift in the
    machine's load falls on both alike."""
    commands = []
    for _ in range(runs):
        commands += [["bench-dialog", first, 1], ["bench-dialog", second, 1]]
    answers = driver(*commands, timeout=60 * runs)
    times = [float(a["median"]) for a in answers]
    return times[0::2], times[1::2]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--arch", choices=("x64", "x86"), default="x64")
    options = parser.parse_args()

    display = Xvfb(1024, 768)
    session = WineSession(ensure_prefix(default_prefix()), display)
    try:
        session.start_server()
        register_standin(session)
        driver = Driver(session)
        launcher = build_dir(options.arch) / "demarrer_quben.exe"
        minimal_dialog = build_dir(options.arch) / "minimal_dialog.exe"
        minimal_client = build_dir(options.arch) / "minimal_client.exe"
        folder = session.drive_c / "quben-bench"
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir()
        (folder / "mesures.xls").write_bytes(f"password={PASSWORD}\n".encode())
        workbook = r"C:\quben-bench\mesures.xls"
        session.clear_dialog_history()

        # Warm the prefix (first start of Wine's dialogs and COM) before measuring.
        driver(["bench-dialog", minimal_dialog, 1], ["bench-dialog", launcher, 1])
        launcher_times, minimal_times = interleaved_dialog_times(driver, launcher, minimal_dialog, options.runs)
        dialog_launcher, dialog_minimal = median(launcher_times), median(minimal_times)

        cycle_launcher = median_of(driver.one(["bench-cycle", launcher, workbook, options.runs], timeout=900))
        client_runs = []
        for _ in range(options.runs):
            client_runs.append(float(driver.one(["bench-run", minimal_client, workbook, PASSWORD, "--"],
                                                timeout=120)["ms"]))
            driver(["close", "StandinSpreadsheet"], ["sleep", 500])
        cycle_client = median(client_runs)

        print(f"architecture: {options.arch}, runs: {options.runs} (medians, milliseconds)")
        print(f"start to dialog  launcher {dialog_launcher:8.1f}  minimal program {dialog_minimal:8.1f}"
              f"  ratio {dialog_launcher / dialog_minimal:.3f}  (target <= 1.10)")
        print(f"Open to exit     launcher {cycle_launcher:8.1f}  minimal client  {cycle_client:8.1f}"
              f"  ratio {cycle_launcher / cycle_client:.3f}  (target <= 1.10)")
        for arch in ("x64", "x86"):
            exe = build_dir(arch) / "demarrer_quben.exe"
            size = exe.stat().st_size if exe.exists() else 0
            print(f"size {arch:3}  {size:7d} bytes  {size / 1024:6.1f} KiB  (target <= 256 KiB)")
    finally:
        session.stop()
        display.close()


if __name__ == "__main__":
    main()
