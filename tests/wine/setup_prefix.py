"""Makes (once) the Wine prefix the end-to-end tests share and registers the stand-in spreadsheet
application in it, and nowhere else. The copies of it that tests made in an earlier run (the
folder given as the argument) are removed, so that every test of this run starts from it."""

import shutil
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness.standin import register_standin  # noqa: E402
from harness.wine_session import WineSession, default_prefix, ensure_prefix  # noqa: E402

if __name__ == "__main__":
    if len(sys.argv) > 1:
        shutil.rmtree(sys.argv[1], ignore_errors=True)
    session = WineSession(ensure_prefix(default_prefix()), None)
    register_standin(session)
    session.stop()
    print(f"test prefix ready: {session.prefix}")
