#!/usr/bin/env python3
"""Fails when a folder of src/ includes one it must not, or learns of a stop by another way.

Our libraries stand in layers (net at the bottom, the front ends at the top) and every arrow runs
downwards; nothing in the compiler's view of the tree keeps it so, since every target sees all of
src/, so this script does, in CI. It reads each #include "folder/..." line of src/ and checks it
against the table below: a folder may include itself, the folders it lists, and the single headers
it lists ("research/keyword_list.h").

It also keeps stopping with the run that is stopped: below session/ nothing knows about stopping
except through the cancel test a fetch is given. So no file of src/ uses the old program-wide Stop
request (its names or its header), and no folder below session/ keeps a program-wide flag: an
atomic yes/no, or an atomic named for stopping, at namespace scope or `static`. A flag that is a
member of a class belongs to whoever owns the object and passes.

Run it from anywhere:

    tools/check_arrows.py [--root DIR]     check DIR/src (default: this repository)
    tools/check_arrows.py --self-test      check that wrong ones are caught, then this repository
"""

import argparse
import pathlib
import re
import sys
import tempfile

CORE = {"base", "net", "research", "store", "pages", "demo", "sources", "history"}
SESSION_AND_BELOW = CORE | {"session"}
# The folders that learn of a stop only through the cancel test of the fetch they are given.
BELOW_SESSION = CORE | {"imaging"}

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

# The program-wide Stop request that each run's own stop replaces. (The window's Stop command,
# which stops the run in hand, keeps its name.)
OLD_STOP_HEADER = "research/stop_request.h"
OLD_STOP_NAMES = re.compile(r"\b(StopRequested|SetStopRequest|ClearStopRequest|CancelOnStop)\b")
# A program-wide flag: an atomic at namespace scope (our namespaces are not indented) or a static
# one anywhere, that holds a yes/no or is named for stopping. A counter for file names or a
# setting such as the decimal separator is no flag.
ATOMIC_TYPE = r"(?:std::)?(?:atomic\s*<[^;=({]*>|atomic_\w+|sig_atomic_t)"
PROGRAM_WIDE_ATOMIC = re.compile(
    r"^(?:(?:inline|extern|thread_local|constinit|volatile|const)\s+)*" + ATOMIC_TYPE +
    r"\s+(\w+)|^\s*(?:\w+\s+)*static\s+(?:\w+\s+)*" + ATOMIC_TYPE + r"\s+(\w+)")
FLAG_TYPE = re.compile(r"atomic\s*<\s*bool\s*>|atomic_bool|atomic_flag|sig_atomic_t")
STOP_WORD = re.compile(r"stop|cancel|interrupt|abort|quit|halt", re.IGNORECASE)


def code_of(line: str) -> str:
    """The line without a // comment (a comment may name what the code must not use)."""
    return line.split("//", 1)[0]


def check(root: pathlib.Path) -> list[str]:
    """The wrong arrows and stops under root/src, one message each."""
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
            problems += stop_problems(f"{path.relative_to(root)}:{number}", folder, line)
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


def stop_problems(where: str, folder: str, line: str) -> list[str]:
    """What one line does against the rule that a stop reaches a fetch through its cancel test."""
    if INCLUDE.match(line) and OLD_STOP_HEADER in line:
        return [f"{where}: includes {OLD_STOP_HEADER}, the program-wide Stop request"]
    code = code_of(line)
    name = OLD_STOP_NAMES.search(code)
    if name:
        return [f"{where}: uses {name.group(1)}, the program-wide Stop request"]
    atomic = PROGRAM_WIDE_ATOMIC.match(code)
    if folder in BELOW_SESSION and atomic:
        variable = atomic.group(1) or atomic.group(2)
        if FLAG_TYPE.search(code) or STOP_WORD.search(variable):
            return [f"{where}: {folder}/ keeps the program-wide flag '{variable}'; below session/ "
                    "a stop arrives only through the cancel test a fetch is given"]
    return []


def self_test() -> bool:
    """A tree with one wrong arrow or stop of each kind must be refused, a right one accepted."""
    cases = {
        "src/net/a.cpp": ('#include "research/keyword_list.h"\n', True),
        "src/store/b.cpp": ('#include "research/page_text.h"\n', True),
        "src/ui/c.cpp": ('#include "cli/terminal_host.h"\n', True),
        "src/sources/d.cpp": ('#include "demo/demo_service.h"\n', True),
        "src/store/e.cpp": ('#include "research/keyword_row.h"\n#include "base/ascii.h"\n', False),
        "src/history/f.cpp": ('#include "research/keyword_list.h"\n', False),
        "src/history/g.cpp": ('#include "session/network_session.h"\n', True),
        "src/session/h.cpp": ('#include "history/run_history.h"\n', False),
        "src/ui/i.cpp": ('#include "history/run_history.h"\n', False),
        # The old program-wide Stop request, anywhere in src/.
        "src/ui/j.cpp": ('#include "research/stop_request.h"\n', True),
        "src/cli/k.cpp": ("void OnSignal(int) {\n  quillmark::SetStopRequest();\n}\n", True),
        "src/session/l.cpp": ("auto cancelled = CancelOnStop();\n", True),
        "src/research/m.cpp": ("  if (StopRequested()) return;\n", True),
        "src/research/n.h": ("// Stopped by the cancel test, not by StopRequested().\n", False),
        # Program-wide flags below session/; members and locals belong to their owner.
        "src/net/o.cpp": ("namespace {\nstd::atomic<bool> stopping{false};\n}\n", True),
        "src/sources/p.cpp": ("void F() {\n  static std::atomic_bool done;\n}\n", True),
        "src/research/q.cpp": ("std::atomic<std::uint64_t> stops_raised{0};\n", True),
        "src/history/r.cpp": ("static std::atomic<int> cancel_count;\n", True),
        "src/sources/s.h": ("class Call {\n  std::atomic<bool> cancelled_{false};\n};\n", False),
        "src/store/t.cpp": ("void F() {\n  static std::atomic<unsigned> counter{0};\n}\n", False),
        "src/research/u.cpp": ("std::atomic<char> g_separator{'.'};\n", False),
        "src/session/v.cpp": ("std::atomic<bool> ending{false};\n", False),
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
        print(f"check_arrows: {len(problems)} line(s) against the arrows between our folders "
              "or against stopping through the cancel test alone")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
