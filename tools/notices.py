"""Writes the notices of the Windows or browser release into OUTPUT_DIR (docs/building.md) from
the Qt that scripts/build-qt built and the prose in data/notices; prints the files they come
from, for CMake to watch."""
import argparse
import hashlib
import json
import re
import shutil
import subprocess
import sys
from pathlib import Path
from string import Template

TOP = Path(__file__).resolve().parent.parent
# Which third-party parts of Qt Core, Gui and Widgets are built in, by the id of their
# attribution (a part that no pattern matches always is): labels of Qt's configuration summary
# that must say "yes", "!" before one that must not, joined by "&" and, looser, by "|".
BUILT_IN = {
    "zlib": "!Using system zlib", "blake2": "!Using system libb2",
    "freetype.*": "FreeType & !Using system FreeType", "libpng": "PNG & !Using system libpng",
    "harfbuzz-ng": "HarfBuzz & !Using system HarfBuzz", "libjpeg": "JPEG & !Using system libjpeg",
    "pcre2": "PCRE2 & !Using system PCRE2", "md4c": "MarkdownReader & !Using system libmd4c",
    "doubleconversion": "DoubleConversion & !Using system DoubleConversion",
    # PCRE2's just-in-time compiler, built where PCRE2 supports it: on x86, not in WebAssembly.
    "pcre2-sljit": "PCRE2 & !Using system PCRE2 & windows",
    "tika-mimetypes": "Built-in copy of the MIME database", "vulkan.*": "Vulkan",
    "opengl.*": "Desktop OpenGL | OpenGL ES 2.0", ".*d3d12.*": "windows",
    # The fonts of the wasm platform plugin, which scripts/build-qt leaves out of it (the game
    # draws no text), QProcess on Unix (neither platform has it), Android, macOS, X11, ARM NEON.
    "vera_font|dejayvu|(forkfd|android|cocoa|qeventdispatcher_cf|xcb|pixman).*": "never"}


def read(path):
    """A text file, byte for byte, but with LF line ends and exactly one newline at its end."""
    text = Path(path).read_bytes().decode("utf-8", "surrogateescape")
    return text.replace("\r\n", "\n").rstrip("\n") + "\n"


def field(entry, key):
    """A field of an attribution entry as text, an array one element a line."""
    value = entry.get(key) or ""
    return ("\n".join(value) if isinstance(value, list) else str(value)).rstrip("\n")


def built_in(id, config):
    condition = next((c for pattern, c in BUILT_IN.items() if re.fullmatch(pattern, id)), "")
    return not condition or any(
        all((config.get(label.lstrip("!")) == "yes") != label.startswith("!")
            for label in labels.split(" & ")) for labels in condition.split(" | "))


def notice(entry, tree, where, qt_version):
    """The notice of an attribution entry of the folder WHERE in Qt's source TREE, and its line
    in the index. The licence text is the entry's own licence files, or, where it names none,
    the text of its licence from Qt's LICENSES folder: a template there ("Copyright (c) <year>
    <owner>") gets the entry's real copyright lines in place of its blank one."""
    title, version, licence, copyright = (
        field(entry, key) for key in ("Name", "Version", "LicenseId", "Copyright"))
    names = [field(entry, "LicenseFile"), *field(entry, "LicenseFiles").split("\n")]
    text = "\n".join(read(Path(tree, where, name)) for name in names if name)
    template = Path(tree, "LICENSES", f"{licence}.txt")
    if not any(names) and licence and template.exists():
        lines = re.sub(r"\n *", "\n", copyright + "\n")
        text = re.sub(r"Copyright \([cC]\) <year> <[a-z ]+>\.?\n", lambda _: lines, read(template))
    header = {"Part of": f"Qt {qt_version} ({where} in Qt's source)", "Version": version,
              "Homepage": field(entry, "Homepage"), "Licence": licence or field(entry, "License")}
    # The underline counts the title's bytes in UTF-8, as in the notices of the releases before.
    notice = f"{title}\n{'=' * len(title.encode('utf-8', 'surrogateescape'))}\n\n"
    notice += "".join(f"{key + ':':11}{value}\n" for key, value in header.items() if value)
    notice += "Copyright:\n  " + re.sub(r"\n *", "\n  ", re.sub(r"\n+", "\n", copyright)) + "\n"
    return notice + ("\n" + text if text else ""), f"{title} {version}" if version else title


def source_commit():
    """The commit of the game's source ("" outside git), and the file in which git records each
    new commit or checkout, which configures the build again so that the notices name it."""
    def git(*command):
        done = subprocess.run(["git", "-C", TOP, *command], capture_output=True, text=True)
        return "" if done.returncode else done.stdout.strip()
    commit = git("rev-parse", "HEAD") if (TOP / ".git").exists() and shutil.which("git") else ""
    if not re.fullmatch("[0-9a-f]+", commit):
        return "", None
    if git("status", "--porcelain", "--untracked-files=no"):
        commit += " (with changes not yet committed)"
    log = git("rev-parse", "--path-format=absolute", "--git-path", "logs/HEAD")
    return commit, log if log and Path(log).exists() else None


def qt_source(source):
    """Qt's source: the Debian source package, its version and the upstream tarball's checksum
    as the signed .dsc gives it, checked against the tarball itself."""
    dscs = list(Path(source).glob("*.dsc"))
    if len(dscs) != 1:
        sys.exit(f"{source} should hold the one .dsc that scripts/build-qt fetched")
    dsc = read(dscs[0])
    package = dict(re.findall(r"^(Source|Version): (.+)$", dsc, re.M))
    sha256, orig = re.findall(r"^ ([0-9a-f]{64}) [0-9]+ (.+\.orig\.tar\.[a-z0-9]+)$", dsc, re.M)[-1]
    if hashlib.sha256(Path(source, orig).read_bytes()).hexdigest() != sha256:
        sys.exit(f"{source}/{orig} is not the tarball that {dscs[0]} names")
    return dict(qt_package=package["Source"], qt_debian_version=package["Version"],
                qt_version=re.sub("[+~-].*", "", package["Version"]), orig_name=orig,
                orig_sha256=sha256)


def qt_notices(tree, config, qt_version):
    """Qt's licence, the LGPL 3, with the GPL 3 it builds on, and the notices of the third-party
    parts of Qt built in, with their lines in the index. Qt's other modules (Network, D-Bus,
    Test) are not shipped; the CMake scripts of cmake/ and the test data are not built in."""
    files = {f"Qt/{name}.txt": read(f"{tree}/LICENSES/{name}.txt")
             for name in ("LGPL-3.0-only", "GPL-3.0-only")}
    index = []
    for path in sorted(path.relative_to(tree) for path in Path(tree).rglob("*qt_attribution.json")):
        entries = json.loads(read(Path(tree, path)), strict=False)
        for entry in entries if isinstance(entries, list) else [entries]:
            id = field(entry, "Id").lower()
            name = f"Qt/{id}.txt"
            if re.fullmatch("qt(core|gui|widgets)", field(entry, "QDocModule")) and \
                    path.parts[0] not in ("cmake", "tests", "examples") and built_in(id, config):
                if name in files:
                    sys.exit(f"Two attributions of {id} in Qt's source")
                files[name], line = notice(entry, tree, path.parent.as_posix(), qt_version)
                index.append(f"  {name}  {line}")
    return files, sorted(index)


def runtime_notices(dlls):
    """The notices of the MinGW-w64 runtime DLLs, each that of the Debian package it comes from,
    with their lines in the index: GCC's libraries, under the GPL 3 with the GCC Runtime Library
    Exception (a text of its own, cut from GCC's notice, beside the GPL), and winpthreads."""
    packages, files, index = {}, {}, []
    for dll in map(Path, dlls):
        owner = subprocess.run(["dpkg-query", "-S", dll.resolve()], capture_output=True, text=True)
        if owner.returncode != 0:
            sys.exit(f"No Debian package ships {dll}, so its notice is not known")
        packages.setdefault(owner.stdout.partition(":")[0], []).append(dll.name)
    for package, names in sorted(packages.items()):
        folder = "GCC" if package.startswith("gcc") else "MinGW-w64"
        files[f"{folder}/copyright.txt"] = f"Debian's notice for its package {package}, which" \
            f" the DLLs are taken from:\n\n{read(f'/usr/share/doc/{package}/copyright')}"
        index.append(f"  {folder}/copyright.txt  {', '.join(sorted(names))}")
    exception = re.search(r"GCC RUNTIME LIBRARY EXCEPTION.*?requirements of the license of GCC\.",
                          files.get("GCC/copyright.txt", ""), re.S)
    if not exception:
        sys.exit("GCC's notice no longer holds the GCC Runtime Library Exception")
    files["GCC/RUNTIME-LIBRARY-EXCEPTION.txt"] = exception[0] + "\n"
    files["GCC/GPL-3.txt"] = read("/usr/share/common-licenses/GPL-3")
    return files, index


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for option in "qt-prefix", "output-dir", "commit", "repository":
        parser.add_argument(f"--{option}", default="")
    parser.add_argument("--windows", default="FALSE", help="CMake's TRUE or FALSE")
    parser.add_argument("--runtime-dll", action="append", default=[])
    args = parser.parse_args()
    windows, prefix = args.windows == "TRUE", args.qt_prefix
    summary, configure = f"{prefix}/kelo-qt-config.summary", f"{prefix}/kelo-qt-configure.txt"
    # Qt's configuration summary: "  Label ...... value" lines, where the first of a label counts.
    config = dict(reversed(re.findall(r"^ *([^ \n].*[^ .\n]) \.+ (.*)$", read(summary), re.M)))
    config["windows"] = "yes" if windows else "no"

    values = qt_source(f"{prefix}/kelo-qt-source")
    files, index_qt = qt_notices(f"{prefix}/kelo-qt-source/tree", config, values["qt_version"])
    runtime, index_runtime = runtime_notices(args.runtime_dll) if windows else ({}, [])
    # The Windows zip has the game's licence at its top, as LICENSE.
    files.update(runtime if windows else {"Kelo-Kelo.txt": read(TOP / "LICENSE")})
    commit, log = (args.commit, None) if args.commit else source_commit()
    # scripts/build-qt applies the game's own patches to Qt's source, from the same commit.
    patches = sorted(str(patch.relative_to(TOP)) for patch in TOP.glob("data/qt/*.patch"))
    values.update(
        # Where the game's source can be had: its repository's name (a clone's own remote would
        # name a folder on the builder's machine, and differ from one clone to another).
        repository=args.repository or "Kelo Kelo's git repository (kelokelo) of Quorvin",
        commit=commit or "not recorded: the game was built from a copy of its source outside git",
        patches=", ".join(patches), options=" ".join(read(configure).splitlines()),
        index_qt="\n".join(index_qt), index_runtime="\n".join(index_runtime))
    # The prose of both releases, where a line for one of them alone starts with "[its name]".
    templates = [TOP / "data/notices/SOURCES.txt", TOP / "data/notices/NOTICES.txt"]
    for template in templates:
        text = re.sub(rf"^\[(?:{'windows' if windows else 'web'}\] ?|[a-z]+\].*\n)", "",
                      read(template), flags=re.M)
        files[template.name] = Template(text).substitute(values)

    output = Path(args.output_dir)
    shutil.rmtree(output, ignore_errors=True)
    for name, text in files.items():
        (output / name).parent.mkdir(parents=True, exist_ok=True)
        text = text.replace("\r\n", "\n").replace("\n", "\r\n" if windows else "\n")
        (output / name).write_bytes(text.encode("utf-8", "surrogateescape"))
    watched = [__file__, summary, configure, log, TOP / "LICENSE", *templates]
    print(";".join(str(path) for path in watched if path), end="")


if __name__ == "__main__":
    try:
        main()
    except OSError as error:
        sys.exit(f"The notices could not be made: {error}")
