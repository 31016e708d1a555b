#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks that a program's manual page and its --help name the same options.

Usage: check_man_options.py PROGRAM MANPAGE

Every option --help shows (long and short) must appear in the manual page, and every
option the page's OPTIONS section describes in an entry heading must be one --help shows.
Exit status 0 when they agree; 1, naming the options, when they do not.
"""
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--[a-z][a-z0-9-]*|-[a-zA-Z])(?![\w-])")


def roff_text(source):
    """The page's text with the roff escapes that matter here undone: \\- and fonts."""
    text = source.replace("\\-", "-")
    return re.sub(r"\\f[BIRP]|\\f\(..|\\\(..", "", text)


def headed_options(page):
    """The options named in the entry headings (the line after .TP) of the OPTIONS section."""
    section = re.search(r"^\.SH OPTIONS\n(.*?)^\.SH ", page, re.S | re.M)
    if not section:
        return set()
    lines = section.group(1).splitlines()
    heads = [lines[i + 1] for i, line in enumerate(lines[:-1]) if line.strip() == ".TP"]
    return {o for head in heads for o in OPTION.findall(head)}


def main(program, manpage):
    shown = set(OPTION.findall(subprocess.run([program, "--help"], capture_output=True, text=True,
                                              check=True).stdout))
    with open(manpage, encoding="utf-8") as f:
        page = roff_text(f.read())
    problems = ["%s: --help shows %s, the manual page does not" % (manpage, o)
                for o in sorted(shown - set(OPTION.findall(page)))]
    headed = headed_options(page)
    problems += ["%s: the manual page describes %s, --help does not show it" % (manpage, o)
                 for o in sorted(headed - shown)]
    if not headed:
        problems.append("%s: no option heads an entry of an OPTIONS section" % manpage)
    for p in problems:
        print(p)
    if not shown:
        print("%s --help shows no option at all" % program)
        return 1
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
