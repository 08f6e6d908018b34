#!/usr/bin/env python3
"""Fails when a folder of src/ includes one it must not.

Our libraries stand in layers (net at the bottom, the front ends at the top) and every arrow runs
downwards; nothing in the compiler's view of the tree keeps it so, since every target sees all of
src/, so this script does, in CI. It reads each #include "folder/..." line of src/ and checks it
against the table below: a folder may include itself, the folders it lists, and the single headers
it lists ("research/keyword_list.h"). Run it from anywhere:

    tools/check_arrows.py [--root DIR]     check DIR/src (default: this repository)
    tools/check_arrows.py --self-test      check that a wrong arrow is caught, then this repository
"""

import argparse
import pathlib
import re
import sys
import tempfile

CORE = {"base", "net", "research", "store", "pages", "demo", "sources", "history"}
SESSION_AND_BELOW = CORE | {"session"}

# What each folder may include besides itself: whole folders, or single headers by path.
ALLOWED = {
    "base": set(),
    "net": {"base"},
    "research": {"base", "net/fetch_result.h", "pages/page_format.h"},
    # The rows, and how their cells show: a table export writes what the list shows.
    "store": {"base", "research/keyword_list.h", "research/keyword_row.h", "research/shown_cell.h",
              "research/research_limits.h"},
    "pages": {"base", "net"},
    "demo": {"base", "pages", "research"},
    "sources": {"base", "pages", "research", "net", "store"},
    "history": {"base", "research", "store/user_folder.h"},
    "session": CORE,
    "command_line": SESSION_AND_BELOW,
    "cli": SESSION_AND_BELOW | {"command_line"},
    "imaging": {"base"},
    "controls": {"base", "imaging"},
    "ui": SESSION_AND_BELOW | {"command_line", "controls", "imaging"},
}

INCLUDE = re.compile(r'^\s*#\s*include\s*"([a-z_]+)/([^"]+)"')


def check(root: pathlib.Path) -> list[str]:
    """The wrong arrows under root/src, one message each."""
    problems = []
    src = root / "src"
    for path in sorted(src.rglob("*")):
        if path.suffix not in {".h", ".cpp"}:
            continue
        folder = path.relative_to(src).parts[0]
        allowed = ALLOWED.get(folder)
        if allowed is None:
            problems.append(f"{path.relative_to(root)}: folder '{folder}' has no row in the arrow table")
            continue
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target, header = match.group(1), match.group(1) + "/" + match.group(2)
            if target == folder or target not in ALLOWED:
                continue  # ours, or not one of our folders (a generated form header)
            if target in allowed or header in allowed:
                continue
            problems.append(f"{path.relative_to(root)}:{number}: {folder}/ must not include {header}")
    return problems


def self_test() -> bool:
    """A tree with one wrong arrow of each kind must be refused, and a right one accepted."""
    cases = {
        "src/net/a.cpp": ('#include "research/keyword_list.h"\n', True),
        "src/store/b.cpp": ('#include "research/page_text.h"\n', True),
        "src/ui/c.cpp": ('#include "cli/terminal_host.h"\n', True),
        "src/sources/d.cpp": ('#include "demo/demo_service.h"\n', True),
        "src/store/e.cpp": ('#include "research/keyword_row.h"\n#include "base/ascii.h"\n', False),
    }
    ok = True
    for name, (text, wrong) in cases.items():
        with tempfile.TemporaryDirectory() as tmp:
            file = pathlib.Path(tmp) / name
            file.parent.mkdir(parents=True)
            file.write_text(text)
            if bool(check(pathlib.Path(tmp))) != wrong:
                print(f"check_arrows self-test: {name} was {'accepted' if wrong else 'refused'}")
                ok = False
    return ok


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", type=pathlib.Path,
                        default=pathlib.Path(__file__).resolve().parent.parent)
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    if args.self_test and not self_test():
        return 1
    problems = check(args.root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"check_arrows: {len(problems)} include(s) against the arrows between our folders")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
