#!/usr/bin/env python3
"""Every C++ block of the guides must stand, letter for letter, in one of the
compiled snippet files, so that the guides show only code that builds."""
import glob
import os
import re
import sys

docs = sys.argv[1]
sources = "".join(open(f, encoding="utf-8").read() for f in glob.glob(os.path.join(docs, "snippets", "*.cpp")))
blocks = []
for guide in glob.glob(os.path.join(docs, "*.md")):
    text = open(guide, encoding="utf-8").read()
    blocks += [(guide, b) for b in re.findall(r"```cpp\n(.*?)```", text, re.S)]
missing = [(g, b.splitlines()[0]) for g, b in blocks if b not in sources]
for guide, first in missing:
    print(f"{guide}: block not in docs/snippets: {first}")
print(f"{len(blocks) - len(missing)} passed, {len(missing)} failed")
sys.exit(1 if missing or not blocks else 0)
