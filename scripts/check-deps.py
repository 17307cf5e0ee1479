#!/usr/bin/env python3
"""Declared dependencies equal includes.

Each folder's CMakeLists.txt declares its library with tavro_library(name SOURCES ...
DEPS ... LINKS ...) and, for third-party libraries it keeps to itself,
target_link_libraries(name PRIVATE ...). This check reads those declarations and the
#include lines of the folder's .cpp and .h files (subfolders without a CMakeLists.txt of
their own included) and fails when they differ:

- a library includes a project library it does not declare in DEPS, or declares one in
  DEPS whose headers it never includes (LINKS names libraries it needs only at link time,
  for code whose declarations live elsewhere; it must not include them);
- a library includes a third-party library it does not declare, or declares one it never
  includes;
- a wrapped third-party library (Qt, curl, hidapi, SQLite, cpp-httplib, OpenSSL, ICU,
  pugixml) is linked by more than one library, or publicly, or is included outside the
  folder that links it, directly or through one of that folder's headers that include it.

Test programs (tavro_test in tests/) are checked against what they link: every project
header they include belongs to a library they link, directly or through its
dependencies, and every third-party library they include they declare themselves.
tests/support (headers that each test uses with the libraries it links), tools/ (a
generator built before the libraries, from header-only pieces), bench/ and fuzz/ (which
link every library) are not checked.

Usage: scripts/check-deps.py [repository root]. Exit status 0 when everything agrees,
1 with one line per disagreement otherwise.
"""

import os
import re
import sys

# Third-party libraries: how their headers are named, the CMake targets that declare
# them, and whether one folder wraps them (linked privately there and included nowhere
# else) or several folders may use them (each declaring it).
THIRD_PARTY = [
    # name, include pattern, targets, wrapped
    ("Qt", r"^Q[A-Za-z]+$|^Qt[A-Za-z]+/", {"Qt6::Core", "Qt6::Gui", "Qt6::Widgets"}, True),
    ("curl", r"^curl/", {"PkgConfig::CURL"}, True),
    ("hidapi", r"^hidapi/|^hidapi\.h$", {"PkgConfig::HIDAPI"}, True),
    ("SQLite", r"^sqlite3\.h$", {"SQLite::SQLite3"}, True),
    ("cpp-httplib", r"^httplib\.h$", {"PkgConfig::HTTPLIB"}, True),
    ("OpenSSL", r"^openssl/", {"OpenSSL::Crypto", "OpenSSL::SSL"}, True),
    ("ICU", r"^unicode/", {"ICU::uc", "ICU::i18n"}, True),
    ("pugixml", r"^pugixml\.hpp$", {"PkgConfig::PUGIXML"}, True),
    ("nlohmann-json", r"^nlohmann/", {"nlohmann_json::nlohmann_json"}, False),
]
THIRD_PARTY_BY_TARGET = {t: name for name, _, targets, _ in THIRD_PARTY for t in targets}
WRAPPED = {name for name, _, _, wrapped in THIRD_PARTY if wrapped}

SKIPPED_DIRS = {".git", "resources", "docs"}
INCLUDE_LINE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


class Target:
    def __init__(self, name, folder, kind):
        self.name = name
        self.folder = folder  # relative to the root, "/" separated
        self.kind = kind  # "library", "test" or "interface"
        self.deps = []  # (name, visibility): DEPS are public
        self.links = []  # link-time only (LINKS)

    def __str__(self):
        """The folder, and the library's name when the folder is named otherwise."""
        if self.kind == "library" and self.folder.split("/")[-1] != self.name:
            return f"{self.folder} ({self.name})"
        return self.folder


def cmake_calls(text):
    """Yields (command, arguments) of a CMakeLists.txt, comments and quotes understood."""
    text = re.sub(r"#[^\n]*", "", text)
    for match in re.finditer(r"\b([A-Za-z_][A-Za-z0-9_]*)\s*\(", text):
        depth, i, quoted = 1, match.end(), False
        while i < len(text) and depth:
            c = text[i]
            if c == '"':
                quoted = not quoted
            elif not quoted and c == "(":
                depth += 1
            elif not quoted and c == ")":
                depth -= 1
            i += 1
        body = text[match.end() : i - 1]
        args = [a.strip('"') for a in re.findall(r'"[^"]*"|[^\s"]+', body)]
        yield match.group(1), args


def keyword_lists(args, keywords):
    lists, current = {k: [] for k in keywords}, None
    for arg in args:
        if arg in keywords:
            current = arg
        elif current:
            lists[current].append(arg)
    return lists


def read_targets(root):
    targets, links = {}, []
    for folder, dirs, files in os.walk(root):
        rel = os.path.relpath(folder, root).replace(os.sep, "/")
        dirs[:] = sorted(
            d for d in dirs if d not in SKIPPED_DIRS and not (rel == "." and d.startswith("build"))
        )
        if "CMakeLists.txt" not in files:
            continue
        with open(os.path.join(folder, "CMakeLists.txt"), encoding="utf-8") as f:
            calls = list(cmake_calls(f.read()))
        for command, args in calls:
            if command in ("tavro_library", "tavro_test") and args:
                kind = "library" if command == "tavro_library" else "test"
                target = Target(args[0], rel, kind)
                lists = keyword_lists(args[1:], {"SOURCES", "DEPS", "LINKS", "LABELS"})
                target.deps = [(d, "PUBLIC") for d in lists["DEPS"] if not d.startswith("$")]
                target.links = lists["LINKS"]
                targets[target.name] = target
            elif command == "add_library" and len(args) >= 2 and args[1] == "INTERFACE":
                targets[args[0]] = Target(args[0], rel, "interface")
            elif command == "target_link_libraries" and args:
                links.append((args[0], args[1:]))
    for name, args in links:
        if name not in targets:
            continue
        visibility = "PUBLIC"
        for arg in args:
            if arg in ("PUBLIC", "PRIVATE", "INTERFACE"):
                visibility = arg
            elif not arg.startswith("$"):
                targets[name].deps.append((arg, visibility))
    return targets


def sources_of(root, targets):
    """Maps each checked target to its .cpp/.h files: those below its folder that no deeper
    target folder owns."""
    owners = {t.folder: t for t in targets.values() if t.kind != "interface"}
    files = {t.name: [] for t in targets.values()}
    for folder in owners:
        for current, dirs, names in os.walk(os.path.join(root, folder)):
            rel = os.path.relpath(current, root).replace(os.sep, "/")
            if rel != folder and os.path.exists(os.path.join(current, "CMakeLists.txt")):
                dirs[:] = []
                continue
            for n in sorted(names):
                if n.endswith((".cpp", ".h")):
                    files[owners[folder].name].append(f"{rel}/{n}")
    return files


def includes_of(root, path):
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            match = INCLUDE_LINE.match(line)
            if not match:
                continue
            name = match.group(2)
            beside = os.path.normpath(os.path.join(os.path.dirname(path), name))
            if match.group(1) == '"' and os.path.exists(os.path.join(root, beside)):
                name = beside.replace(os.sep, "/")
            yield number, name


def project_library(include, folders):
    """The target whose folder holds the header, the deepest one when folders nest."""
    parts = include.split("/")
    for n in range(len(parts) - 1, 0, -1):
        target = folders.get("/".join(parts[:n]))
        if target:
            return target
    return None


def third_party(include):
    for name, pattern, _, _ in THIRD_PARTY:
        if re.search(pattern, include):
            return name
    return None


def closure(targets, names):
    seen, todo = set(), list(names)
    while todo:
        name = todo.pop()
        if name in seen or name not in targets:
            continue
        seen.add(name)
        target = targets[name]
        todo.extend(d for d, _ in target.deps)
        todo.extend(target.links)
    return seen


class Problems:
    """Disagreements, one per folder and cause, each with the first place that shows it."""

    def __init__(self):
        self.lines = {}

    def append(self, line, key=None):
        self.lines.setdefault(key or line, line)

    def __iter__(self):
        return iter(sorted(self.lines.values()))

    def __len__(self):
        return len(self.lines)


def check(root):
    targets = read_targets(root)
    files = sources_of(root, targets)
    folders = {t.folder: t.name for t in targets.values()}
    problems = Problems()

    def classify(include):
        """(project target, None) or (None, third-party name) or (None, None)."""
        lib = project_library(include, folders)
        return (lib, None) if lib else (None, third_party(include))

    # Who wraps each wrapped third-party library: the libraries that link it.
    wrappers = {}
    for t in targets.values():
        if t.kind != "library":
            continue
        for dep, visibility in t.deps:
            tp = THIRD_PARTY_BY_TARGET.get(dep)
            if tp in WRAPPED:
                wrappers.setdefault(tp, set()).add(t.name)
                if visibility != "PRIVATE":
                    problems.append(
                        f"{t}: links {tp} ({dep}) publicly; link it PRIVATE, as the one "
                        f"folder that wraps it"
                    )
    for tp, names in sorted(wrappers.items()):
        if len(names) > 1:
            where = ", ".join(sorted(targets[n].folder for n in names))
            problems.append(f"{tp} is linked by {where}; one folder wraps it")

    # A header of the wrapping folder that includes the wrapped library is that folder's own.
    includes, exposing = {}, {}
    for paths in files.values():
        for path in paths:
            includes[path] = list(includes_of(root, path))
            for _, inc in includes[path]:
                tp = classify(inc)[1]
                if path.endswith(".h") and tp in WRAPPED:
                    exposing[path] = tp

    for name in sorted(files):
        t = targets[name]
        declared = {d for d, _ in t.deps if d in targets}
        declared_third = {THIRD_PARTY_BY_TARGET[d] for d, _ in t.deps if d in THIRD_PARTY_BY_TARGET}
        reachable = closure(targets, declared | set(t.links))
        used, used_third = set(), set()
        for path in files[name]:
            for number, inc in includes[path]:
                where = f"{path}:{number}"
                lib, tp = classify(inc)
                if tp:
                    used_third.add(tp)
                    owners = wrappers.get(tp, set())
                    if t.kind == "library" and tp in WRAPPED and owners and name not in owners:
                        owner = ", ".join(sorted(targets[n].folder for n in owners))
                        problems.append(
                            f"{t}: includes {tp} <{inc}> ({where}), which is private to {owner}",
                            (t.folder, "private", tp),
                        )
                    elif tp not in declared_third:
                        problems.append(
                            f"{t}: includes {tp} <{inc}> ({where}) but does not declare it",
                            (t.folder, "undeclared", tp),
                        )
                    continue
                if lib is None:
                    if os.path.exists(os.path.join(root, inc)):
                        problems.append(
                            f'{t}: includes "{inc}" ({where}), which belongs to no library',
                            (t.folder, "nowhere", inc),
                        )
                    continue
                if lib == name:
                    continue
                if inc in exposing:
                    problems.append(
                        f'{t}: includes "{inc}" ({where}), which includes {exposing[inc]}; '
                        f"that header is for {targets[lib].folder} only",
                        (t.folder, "exposing", inc),
                    )
                used.add(lib)
                if t.kind == "test":
                    if lib not in reachable:
                        problems.append(
                            f'{t}: includes {lib} ("{inc}", {where}) but links neither it '
                            f"nor a library that depends on it",
                            (t.folder, "unreachable", lib),
                        )
                elif lib not in declared:
                    how = "does not declare it"
                    if lib in t.links:
                        how = "only links it (LINKS): declare it in DEPS"
                    problems.append(
                        f'{t}: includes {lib} ("{inc}", {where}) but {how}',
                        (t.folder, "undeclared", lib),
                    )
        if t.kind != "library":
            continue
        for dep in sorted(declared - used):
            problems.append(f"{t}: declares {dep} but includes none of its headers")
        for tp in sorted(declared_third - used_third):
            problems.append(f"{t}: declares {tp} but includes none of its headers")
        for dep in t.links:
            if dep not in targets:
                problems.append(f"{t}: LINKS {dep}, which is no library of the project")
    return targets, problems


def main():
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else here)
    targets, problems = check(root)
    for line in problems:
        print(line)
    libraries = sum(1 for t in targets.values() if t.kind == "library")
    tests = sum(1 for t in targets.values() if t.kind == "test")
    if problems:
        print(f"check-deps: {len(problems)} disagreement(s) of declared dependencies and includes")
        return 1
    print(f"check-deps: {libraries} libraries and {tests} test programs declare what they include")
    return 0


if __name__ == "__main__":
    sys.exit(main())
