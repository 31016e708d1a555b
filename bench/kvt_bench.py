# SPDX-License-Identifier: MIT
"""What the bench scripts share: where the programs are."""
import argparse
import os


def parser():
    """Arguments --ctl and --sim, defaulting to the programs of the build/ tree."""
    build = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build")
    ap = argparse.ArgumentParser()
    ap.add_argument("--ctl", default=os.path.join(build, "src", "cli", "kvt730ctl"))
    ap.add_argument("--sim", default=os.path.join(build, "sim", "kvt730-sim"))
    return ap
