"""The release limit on the launcher's size, per architecture: room for the program to grow, not a
measure of today's size. tests/wine/test_pe_resources.py enforces it, bench/benchmark.py prints the
sizes beside it."""

MAX_EXE_BYTES = {"x64": 168 * 1024, "x86": 208 * 1024}
