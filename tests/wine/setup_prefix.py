"""Makes (once) the Wine prefix the end-to-end tests share and registers the stand-in spreadsheet
application in it, and nowhere else."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness.standin import register_standin  # noqa: E402
from harness.wine_session import WineSession, default_prefix, ensure_prefix  # noqa: E402

if __name__ == "__main__":
    session = WineSession(ensure_prefix(default_prefix()), None)
    register_standin(session)
    session.stop()
    print(f"test prefix ready: {session.prefix}")
