#!/usr/bin/env python3
"""The layering check on a small tree: what it must refuse and what it must let pass."""
import os
import subprocess
import sys
import tempfile

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "check_layering")

TABLE = """\
low
middle     low
side       low
high       middle
platform/testkit  high
tools      low
"""

FILES = {
    "CMakeLists.txt": "set(VORNALT_FOLDERS\n  low\n  middle\n  ghost\n)\n",
    "low/CMakeLists.txt": "vornalt_library(low_lib)\n",
    "low/Low.h": "#pragma once\n",
    "low/Up.h": '#include "middle/Middle.h"\n',
    "middle/CMakeLists.txt": "vornalt_library(middle_lib DEPS low_lib side_lib TEST_DEPS high_lib)\n",
    "middle/Middle.h": '#include "low/Low.h"\n#include "Local.h"\n',
    "middle/Local.h": "#pragma once\n",
    "middle/Sideways.cpp": '#include "side/Side.h"\n',
    "middle/Kit.cpp": '#include "platform/testkit/Kit.h"\n',
    "middle/tests/MiddleTest.cpp": '#include "middle/Middle.h"\n#include "platform/testkit/Kit.h"\n',
    "side/CMakeLists.txt": "vornalt_library(side_lib DEPS low_lib)\n",
    "side/Side.h": '#include "../low/Low.h"\n',
    "high/CMakeLists.txt": "vornalt_library(high_lib DEPS middle_lib)\n",
    "high/High.h": '#include "middle/Middle.h"\n#include "low/Low.h"\n',
    "platform/testkit/Kit.h": '#include "high/High.h"\n',
}


def main():
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, "cmake"))
        with open(os.path.join(root, "cmake", "layering.txt"), "w") as f:
            f.write(TABLE)
        for name, text in FILES.items():
            path = os.path.join(root, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        run = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
    lines = sorted(line.split(": ", 1)[1] for line in run.stdout.splitlines() if ": " in line)
    expected = sorted([
        "VORNALT_FOLDERS names ghost, which is not in cmake/layering.txt",
        "low includes middle/Middle.h from middle",
        "middle includes side/Side.h from side",
        "middle includes platform/testkit/Kit.h from platform/testkit",
        "middle links side_lib from side",
    ])
    if run.returncode != 1 or lines != expected:
        print("exit", run.returncode)
        print("got:\n  " + "\n  ".join(lines))
        print("expected:\n  " + "\n  ".join(expected))
        print(run.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
