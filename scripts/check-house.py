#!/usr/bin/env python3
"""Checks the house rules of CONTRIBUTING.md that the compiler does not: includes of the tree's
own files spelled from the root, and headers that declare all their code in namespace tunaro.

    scripts/check-house.py              check the tree; exits 1 on a finding, each given as
                                        FILE:LINE: what is wrong
    scripts/check-house.py FILE...      check these files only (paths from the root or absolute)

The include rule is scripts/root-includes.py's (which also rewrites what it finds). The
namespace rule covers the headers of the folders in NAMESPACE_FOLDERS: a declaration outside
namespace tunaro (or one nested in it) is a finding, except what other code binds by its C
name: an extern "C" declaration (an export of a DLL, a hook) and the macros that spell it.
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
sys.dont_write_bytecode = True
root_includes = __import__("root-includes")

NAMESPACE_FOLDERS = ("tv", "fm", "schedule", "remote", "capture_dll", "engine", "framework", "uikit")
OUR_NAMESPACE = "tunaro"

TOKEN = re.compile(r"""
    (?P<comment>//[^\n]*|/\*.*?\*/)
  | (?P<string>(?:u8|[uUL])?R"(?P<delim>[^(\s]*)\(.*?\)(?P=delim)"|(?:u8|[uUL])?"(?:\\.|[^"\\\n])*"|'(?:\\.|[^'\\\n])*')
  | (?P<directive>^[ \t]*\#(?:\\\n|[^\n])*)
  | (?P<word>[A-Za-z_][A-Za-z0-9_]*(?:::[A-Za-z_][A-Za-z0-9_]*)*)
  | (?P<newline>\n)
  | (?P<space>[ \t\r\f\v]+)
  | (?P<other>::|.)
""", re.S | re.M | re.X)


def tokens(text):
    """(line, kind, text) of each token, comments and preprocessor lines left out."""
    line = 1
    for m in TOKEN.finditer(text):
        kind, value = m.lastgroup, m.group(0)
        if kind == "delim":
            kind = "string"
        if kind not in ("comment", "directive", "newline", "space"):
            yield line, kind, value
        line += value.count("\n")


def outside_namespace(text):
    """(line, what) of each declaration outside namespace tunaro."""
    found = []
    # Each open brace: "ours" (a namespace of tunaro), "foreign" (another namespace, reported
    # once), "linkage" (extern "C" { }, which changes no namespace) or "block" (a body).
    scopes = []
    toks = list(tokens(text))
    statement = None  # the declaration being read at namespace level: its tokens' texts

    def reported():
        return any(s in ("ours", "foreign") for s in scopes)

    def at_namespace_level():
        return all(s != "block" for s in scopes)

    i = 0
    while i < len(toks):
        line, kind, value = toks[i]
        if not at_namespace_level():
            if value == "{":
                scopes.append("block")
            elif value == "}":
                scopes.pop()
                # A function's body ends its declaration; a class's is followed by declarators
                # up to a ';'.
                if at_namespace_level() and statement is not None and not _class_like(statement):
                    if i + 1 >= len(toks) or toks[i + 1][2] != ";":
                        statement = None
            i += 1
            continue
        if statement is None and value == "namespace":
            j, name = i + 1, ""
            while j < len(toks) and toks[j][2] not in ("{", ";", "="):
                name += toks[j][2]
                j += 1
            if j < len(toks) and toks[j][2] == "{":
                if reported():
                    scopes.append("ours" if "ours" in scopes else "foreign")
                elif name == OUR_NAMESPACE or name.startswith(OUR_NAMESPACE + "::"):
                    scopes.append("ours")
                else:
                    scopes.append("foreign")
                    found.append((line, "namespace %s outside namespace %s"
                                  % (name or "{ } (anonymous)", OUR_NAMESPACE)))
                i = j + 1
                continue
        if statement is None and value == "extern" and i + 2 < len(toks) \
                and toks[i + 1][1] == "string" and toks[i + 2][2] == "{":
            scopes.append("linkage")
            i += 3
            continue
        if value == "}":  # the end of a namespace or linkage block
            if scopes:
                scopes.pop()
            statement = None
        elif value == ";":
            statement = None
        else:
            if statement is None:
                statement = []
                if not reported() and not _c_linkage(toks, i, scopes):
                    found.append((line, _what(toks, i)))
            statement.append(value)
            if value == "{":
                scopes.append("block")
        i += 1
    return found


def _class_like(statement):
    """Whether a declaration's body is a class's (or enum's): a class key, no parameter list."""
    head = statement[:statement.index("{")] if "{" in statement else statement
    return any(w in ("class", "struct", "union", "enum") for w in head) and "(" not in head


def _c_linkage(toks, i, scopes):
    """Whether the declaration at toks[i] has C linkage: inside extern "C" { }, after
    extern "C", or spelled with a macro that expands to it (QXTV_API)."""
    if "linkage" in scopes:
        return True
    value = toks[i][2]
    if value == "extern" and i + 1 < len(toks) and toks[i + 1][1] == "string":
        return True
    return value in C_LINKAGE_MACROS


def _what(toks, i):
    words = []
    for _, kind, value in toks[i:i + 6]:
        if value in (";", "{", "(", "="):
            break
        words.append(value)
    return "declared outside namespace %s: %s" % (OUR_NAMESPACE, " ".join(words))


C_LINKAGE_MACROS = set()


def c_linkage_macros(files):
    """Macros defined as extern "C" (#define QXTV_API extern "C") anywhere in the tree."""
    macro = re.compile(r'^\s*#\s*define\s+([A-Za-z_][A-Za-z0-9_]*)\s+extern\s+"C"', re.M)
    names = set()
    for rel in files:
        if rel.endswith(".h"):
            with open(os.path.join(ROOT, rel), encoding="utf-8", errors="surrogateescape") as f:
                names.update(macro.findall(f.read()))
    return names


def main(argv):
    files = root_includes.tracked_files()
    C_LINKAGE_MACROS.update(c_linkage_macros(files))
    wanted = files
    if argv[1:]:
        wanted = [os.path.relpath(os.path.abspath(a), ROOT) for a in argv[1:]]
    resolver = root_includes.Resolver(files)
    findings = []
    for rel in wanted:
        if not rel.endswith(root_includes.SOURCES):
            continue
        with open(os.path.join(ROOT, rel), encoding="utf-8", errors="surrogateescape") as f:
            text = f.read()
        for n, name, target, error in root_includes.includes_of(resolver, rel, text.splitlines()):
            if error:
                findings.append("%s:%d: %s" % (rel, n, error))
            elif target is not None and target != name:
                findings.append('%s:%d: #include "%s" is spelled from the root as "%s"' % (rel, n, name, target))
        if rel.endswith(".h") and rel.split("/")[0] in NAMESPACE_FOLDERS:
            for n, what in outside_namespace(text):
                findings.append("%s:%d: %s" % (rel, n, what))
    for f in findings:
        print(f)
    if findings:
        print("house rules: %d finding(s); the rules are in CONTRIBUTING.md "
              "(scripts/root-includes.py rewrites includes)" % len(findings), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
