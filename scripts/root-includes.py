#!/usr/bin/env python3
"""Spells every quoted include of a file of this repository from the repository root.

    scripts/root-includes.py            rewrite the tree's sources and headers in place
    scripts/root-includes.py --check    rewrite nothing; list each include spelled otherwise
                                        (file:line: include) and exit 1 if there is one

An include is resolved the way the compiler finds it: beside the including file first, then
from the root, then by its path below any folder of the tree (the include directories the
build once added per folder: "dshow/filter.h", "e2e.h"). A name several folders hold
("resource.h") is the one whose folder the nearest CMakeLists.txt above the including file
names (its program's resource folder). Includes of files outside the repository (generated
headers, the system's, the codecs') are left as they are. Safe to re-run, after a merge too.
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCES = (".cpp", ".h")
INCLUDE = re.compile(r'^(\s*#\s*include\s*)"([^"]+)"(.*)$')


def tracked_files():
    out = subprocess.run(["git", "-C", ROOT, "ls-files", "-z", "--cached", "--others",
                          "--exclude-standard"], check=True, capture_output=True).stdout
    return sorted(p for p in out.decode().split("\0") if p and os.path.isfile(os.path.join(ROOT, p)))


def nearest_cmakelists(root, rel):
    d = os.path.dirname(rel)
    while True:
        path = os.path.join(root, d, "CMakeLists.txt")
        if os.path.isfile(path):
            return path
        if not d:
            return None
        d = os.path.dirname(d)


class Resolver:
    def __init__(self, files, root=ROOT):
        self.root = root
        self.files = set(files)
        self.by_suffix = {}
        for f in files:
            parts = f.split("/")
            for i in range(1, len(parts)):
                self.by_suffix.setdefault("/".join(parts[i:]), []).append(f)

    def resolve(self, including, name):
        """The repository path of the file `including` means by "name"; None when the file is
        not one of the repository's; raises ValueError when the name is ambiguous."""
        beside = os.path.normpath(os.path.join(os.path.dirname(including), name))
        if beside in self.files:
            return beside
        if os.path.normpath(name) in self.files:
            return os.path.normpath(name)
        candidates = self.by_suffix.get(os.path.normpath(name), [])
        if len(candidates) <= 1:
            return candidates[0] if candidates else None
        cmake = nearest_cmakelists(self.root, including)
        text = ""
        if cmake:
            with open(cmake, encoding="utf-8") as f:
                text = f.read()
        named = [c for c in candidates if re.search(
            r"(^|[/\s\"'}])" + re.escape(os.path.dirname(c)) + r"([/\s\"')]|$)", text, re.M)]
        if len(named) == 1:
            return named[0]
        raise ValueError('"%s" may be any of %s' % (name, ", ".join(candidates)))


def includes_of(resolver, rel, lines):
    """(line number, name, repository path or None, error or None) of each quoted include."""
    for n, line in enumerate(lines):
        m = INCLUDE.match(line)
        if not m:
            continue
        try:
            yield n + 1, m.group(2), resolver.resolve(rel, m.group(2)), None
        except ValueError as e:
            yield n + 1, m.group(2), None, str(e)


def main(argv):
    check = argv[1:] == ["--check"]
    if argv[1:] and not check:
        sys.stderr.write(__doc__)
        return 2
    files = tracked_files()
    resolver = Resolver(files)
    changed, findings, errors = 0, [], []
    for rel in files:
        if not rel.endswith(SOURCES):
            continue
        path = os.path.join(ROOT, rel)
        with open(path, encoding="utf-8", errors="surrogateescape", newline="") as f:
            lines = f.readlines()
        dirty = False
        for n, line in enumerate(lines):
            m = INCLUDE.match(line)
            if not m:
                continue
            try:
                target = resolver.resolve(rel, m.group(2))
            except ValueError as e:
                errors.append("%s:%d: %s" % (rel, n + 1, e))
                continue
            if target is None or target == m.group(2):
                continue
            findings.append('%s:%d: #include "%s" (from the root: "%s")' % (rel, n + 1, m.group(2), target))
            lines[n] = '%s"%s"%s' % (m.group(1), target, m.group(3)) + ("\n" if line.endswith("\n") else "")
            dirty = True
        if dirty and not check:
            with open(path, "w", encoding="utf-8", errors="surrogateescape", newline="") as f:
                f.writelines(lines)
            changed += 1
    for e in errors:
        print(e, file=sys.stderr)
    if check:
        for f in findings:
            print(f)
        return 1 if findings or errors else 0
    print("%d includes rewritten in %d files" % (len(findings), changed))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
