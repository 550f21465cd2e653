"""Makes the notices of a release for Windows or the browser in OUTPUT_DIR, and its further text
files in OUTPUT_DIR.text, as cmake/KeloZip.cmake says, from the prose in data/notices/;
prints the further files that the build is to watch, one a line."""
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
# The libraries that Qt may build a copy of its own of, by the id of their attribution: their
# label in Qt's configuration summary (None: Qt builds its copy whenever it does not use the
# system's), and that of its "Using system ..." line.
BUNDLED = {"zlib": (None, "zlib"), "blake2": (None, "libb2"), "freetype": ("FreeType", "FreeType"),
           "harfbuzz-ng": ("HarfBuzz", "HarfBuzz"), "libpng": ("PNG", "libpng"),
           "libjpeg": ("JPEG", "libjpeg"), "pcre2": ("PCRE2", "PCRE2"),
           "doubleconversion": ("DoubleConversion", "DoubleConversion"),
           "md4c": ("MarkdownReader", "libmd4c")}


def read(path):
    """A text file, byte for byte, but with LF line ends and exactly one newline at its end."""
    text = Path(path).read_bytes().decode("utf-8", "surrogateescape")
    return text.replace("\r\n", "\n").rstrip("\n") + "\n"


def run(*command):
    """The exit status and output of a command; 1 and nothing when it cannot be run at all."""
    try:
        done = subprocess.run(command, capture_output=True, text=True, errors="replace")
    except OSError:
        return 1, ""
    return done.returncode, done.stdout.rstrip()


def field(entry, key):
    """A string or array field of an attribution entry as text, one line per array element."""
    value = entry.get(key)
    value = "".join(f"{item}\n" for item in value) if isinstance(value, list) else value
    return ("" if value is None else str(value)).rstrip("\n")


def wanted(id, config, windows):
    """Whether the third-party part ID (in lower case) of Qt Core, Gui or Widgets is built into
    what the release ships: what of them carries an attribution is named here with the reason
    it is in or out."""
    yes = lambda label: config.get(label) == "yes"
    # FreeType with the modules Qt builds of it: its gzip, BDF and PCF readers among them.
    library = "freetype" if id.startswith("freetype") else id
    if library in BUNDLED:
        label, system = BUNDLED[library]
        return (label is None or yes(label)) and not yes(f"Using system {system}")
    if id == "pcre2-sljit":
        # PCRE2's just-in-time compiler, built where PCRE2 supports it: on x86, not in
        # WebAssembly.
        return wanted("pcre2", config, windows) and "wasm" not in config.get("Building for", "")
    if id == "tika-mimetypes":
        return yes("Built-in copy of the MIME database")
    if id.startswith("vulkan"):
        return yes("Vulkan")
    if id.startswith("opengl"):
        return yes("Desktop OpenGL") or yes("OpenGL ES 2.0")
    if "d3d12" in id:
        # Direct3D 12 is drawn through on Windows alone.
        return windows
    # Neither the fonts of the wasm platform plugin, which scripts/build-qt leaves out of it
    # (the game draws no text), nor QProcess on Unix (neither platform has it), Android, macOS,
    # X11, or the ARM NEON drawing code.
    return id not in ("vera_font", "dejayvu") and not id.startswith(
        ("forkfd", "android", "cocoa", "qeventdispatcher_cf", "xcb", "pixman"))


def attribution(entry, tree, where, qt_version):
    """The notice of an attribution entry of the folder WHERE in Qt's source TREE, and its line
    in the index. The licence text is the entry's own licence files, or, where it names none,
    the text of its licence from Qt's LICENSES folder: a template there ("Copyright (c) <year>
    <owner>") gets the entry's real copyright lines in place of its blank one."""
    title, version, copyright = (field(entry, key) for key in ("Name", "Version", "Copyright"))
    licence_id, homepage = field(entry, "LicenseId"), field(entry, "Homepage")
    names = [field(entry, "LicenseFile"), *field(entry, "LicenseFiles").split("\n")]
    names, template = [name for name in names if name], Path(tree, "LICENSES", f"{licence_id}.txt")
    for name in names:
        if not Path(tree, where, name).exists():
            sys.exit(f"Qt's attribution in {tree}/{where} names {name}, which is missing")
    text = "\n".join(read(Path(tree, where, name)) for name in names)
    if not names and licence_id and template.exists():
        lines = re.sub(r"\n *", "\n", copyright + "\n")
        text = re.sub(r"Copyright \([cC]\) <year> <[a-z ]+>\.?\n", lambda _: lines, read(template))
    # The underline counts the title's bytes in UTF-8 (a longer line under a title with accents),
    # as in the notices of the releases before.
    notice = f"{title}\n{'=' * len(title.encode('utf-8', 'surrogateescape'))}\n\n"
    notice += f"Part of:   Qt {qt_version} ({where} in Qt's source)\n"
    notice += f"Version:   {version}\n" if version else ""
    notice += f"Homepage:  {homepage}\n" if homepage else ""
    licence = licence_id or field(entry, "License")
    notice += f"Licence:   {licence}\n" if licence else ""
    notice += "Copyright:\n  " + re.sub(r"\n *", "\n  ", re.sub(r"\n+", "\n", copyright)) + "\n"
    return notice + ("\n" + text if text else ""), f"{title} {version}" if version else title


def debian_package(dll, package, dpkg_query):
    """The Debian package that ships DLL as dpkg knows it, else PACKAGE; its copyright file is
    the DLL's notice."""
    for path in [dll, Path(dll).resolve()] if dpkg_query else []:
        status, owner = run(dpkg_query, "-S", path)
        if status == 0 and (match := re.match(r"([^:,]+)(:[^:,]+)?: ", owner)):
            package = match[1]
            break
    if not Path("/usr/share/doc", package, "copyright").exists():
        sys.exit(f"No notice for {dll}: /usr/share/doc/{package}/copyright is missing")
    return package


def source_commit(git):
    """The commit of the game's source, or "" when it is not known; and the file in which git
    records each new commit or checkout, which configures the build again so that the notes
    name it."""
    if not (TOP / ".git").exists():
        return "", None
    status, commit = run(git, "-C", TOP, "rev-parse", "HEAD")
    if status or not re.fullmatch("[0-9a-f]+", commit):
        return "", None
    if run(git, "-C", TOP, "status", "--porcelain", "--untracked-files=no")[1]:
        commit += " (with changes not yet committed)"
    log = run(git, "-C", TOP, "rev-parse", "--path-format=absolute", "--git-path", "logs/HEAD")[1]
    return commit, log if log and Path(log).exists() else None


def write(folder, files, crlf):
    """FILES in FOLDER in place of what an earlier configuration made there, leaving those whose
    contents stay the same as they were, time stamps and all."""
    if not files:
        shutil.rmtree(folder, ignore_errors=True)
        return
    for path in folder.rglob("*"):
        if not path.is_dir() and path.relative_to(folder).as_posix() not in files:
            path.unlink()
    for name, text in files.items():
        text = text.replace("\r\n", "\n").replace("\n", "\r\n" if crlf else "\n")
        data, path = text.encode("utf-8", "surrogateescape"), folder / name
        if not path.is_file() or path.read_bytes() != data:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for option in "qt-prefix", "output-dir", "commit", "git", "dpkg-query", "repository":
        parser.add_argument(f"--{option}", default="")
    for option in "runtime-dll", "text-file":
        parser.add_argument(f"--{option}", action="append", default=[])
    parser.add_argument("--windows", action="store_true")
    args = parser.parse_args()
    # A program that CMake did not find comes as ...-NOTFOUND.
    git, dpkg_query = (re.sub(".*-NOTFOUND$", "", path) for path in (args.git, args.dpkg_query))
    prefix, files, index = args.qt_prefix, {}, ""
    source, tree = f"{prefix}/kelo-qt-source", f"{prefix}/kelo-qt-source/tree"
    for needed in ("kelo-qt-configure.txt", "kelo-qt-config.summary",
                   "kelo-qt-source/tree/LICENSES/LGPL-3.0-only.txt"):
        if not Path(prefix, needed).exists():
            sys.exit(f"{prefix} is not a Qt built by scripts/build-qt: it has no {prefix}/{needed}")

    # Qt's source: the Debian source package, its version and the upstream tarball's checksum
    # as the signed .dsc gives it, checked against the tarball itself.
    dscs = sorted(Path(source).glob("*.dsc"))
    if len(dscs) != 1:
        sys.exit(f"{source} should hold one .dsc, not {len(dscs)}")
    dsc = read(dscs[0]).replace("\r", "")
    qt = dict(re.findall(r"^(Source|Version): (.+)$", dsc, re.M))
    tarballs = re.findall(r"^ ([0-9a-f]{64}) [0-9]+ (.+\.orig\.tar\.[a-z0-9]+)$", dsc, re.M)
    if not (qt.get("Source") and qt.get("Version") and tarballs):
        sys.exit(f"{dscs[0]} names no source package, version or upstream tarball")
    sha256, orig = tarballs[-1]
    tarball = Path(source, orig)
    if tarball.exists() and hashlib.sha256(tarball.read_bytes()).hexdigest() != sha256:
        sys.exit(f"{source}/{orig} is not the tarball that {dscs[0]} names")
    qt_version = re.sub("[+~-].*", "", qt["Version"])

    # Qt's configuration summary ("  Label ...... value" lines, where the first of a label
    # counts), and the platform it was built for.
    summary = read(f"{prefix}/kelo-qt-config.summary").replace("\r", "")
    config = dict(reversed(re.findall(r"^ *([^ \n].*[^ .\n]) \.+ (.*)$", summary, re.M)))
    for built_for in re.findall("^Building for: ([^ \n]+)", summary, re.M):
        config["Building for"] = built_for
    platform = "web" if "wasm" in config.get("Building for", "") else "windows"
    if args.windows and platform != "windows":
        sys.exit(f"{prefix} is a Qt for {config['Building for']}, not for Windows")

    # Qt itself, under the LGPL 3, which builds on the GPL 3.
    for licence in "LGPL-3.0-only", "GPL-3.0-only":
        files[f"Qt/{licence}.txt"] = read(f"{tree}/LICENSES/{licence}.txt")
    # The third-party parts of Qt built into what is shipped, one notice each, named by the id
    # of their attribution. Other modules than Core, Gui and Widgets (Network, D-Bus, Test) are
    # not shipped; the CMake scripts of cmake/ and the test data are not built into anything.
    attributions = Path(tree).rglob("*qt_attribution.json")
    for path in sorted(path.relative_to(tree).as_posix() for path in attributions):
        try:
            entries = json.loads(read(f"{tree}/{path}"), strict=False)
        except ValueError as error:
            sys.exit(f"{tree}/{path}: {error}")
        for entry in entries if isinstance(entries, list) else [entries]:
            id, name = field(entry, "Id"), f"Qt/{field(entry, 'Id').lower()}.txt"
            if not re.fullmatch("qt(core|gui|widgets)", field(entry, "QDocModule")) \
                    or re.match("(cmake|tests|examples)/", path) \
                    or not wanted(id.lower(), config, args.windows):
                continue
            if name in files:
                sys.exit(f"Two attributions of {id} in Qt's source")
            files[name], line = attribution(entry, tree, path.rpartition("/")[0], qt_version)
            index += f"  {name}  {line}\n"

    # The MinGW-w64 runtime: GCC's libraries under the GPL 3 with the GCC Runtime Library
    # Exception, and MinGW-w64's winpthreads; each DLL with the notice of the Debian package it
    # comes from.
    if args.windows and not args.runtime_dll:
        sys.exit("The notices of the Windows release need its RUNTIME_DLLS")
    dlls, runtime = [], {}
    for dll in args.runtime_dll if args.windows else []:
        folder, package = ("MinGW-w64", "mingw-w64-x86-64-dev") if "winpthread" in Path(dll).name \
            else ("GCC", "gcc-mingw-w64-x86-64-posix-runtime")
        dlls.append(f"{folder}|{debian_package(dll, package, dpkg_query)}|{Path(dll).name}")
    for folder, package, name in (dll.split("|", 2) for dll in sorted(dlls)):
        if folder not in runtime:
            files[f"{folder}/copyright.txt"] = f"Debian's notice for its package {package}, which" \
                f" the DLLs are taken from:\n\n{read(f'/usr/share/doc/{package}/copyright')}"
        runtime.setdefault(folder, []).append(name)
    if args.windows:
        # The exception as a text of its own, cut from GCC's notice, with the GPL it refers to.
        notice, end = files.get("GCC/copyright.txt", ""), "requirements of the license of GCC."
        start, stop = notice.find("GCC RUNTIME LIBRARY EXCEPTION"), notice.find(end)
        if start < 0 or stop < start:
            sys.exit("GCC's notice no longer holds the GCC Runtime Library Exception")
        files["GCC/RUNTIME-LIBRARY-EXCEPTION.txt"] = notice[start:stop + len(end)] + "\n"
        files["GCC/GPL-3.txt"] = read("/usr/share/common-licenses/GPL-3")

    # The game's own licence (the Windows zip has it at its top, as LICENSE, one of the text files
    # it is given), and the way back to the sources.
    licence = [] if args.windows else [TOP / "LICENSE"]
    for path in licence:
        files["Kelo-Kelo.txt"] = read(path)
    commit, log = (args.commit, None) if args.commit or not git else source_commit(git)
    # scripts/build-qt applies the game's own patches to Qt's source, from the same commit.
    patches = sorted(str(patch.relative_to(TOP)) for patch in TOP.glob("data/qt/*.patch"))
    values = dict(
        # Where the game's source can be had: its repository's name (a clone's own remote would
        # name a folder on the builder's machine, and differ from one clone to another).
        repository=args.repository or "Kelo Kelo's git repository (kelokelo) of Quorvin",
        commit=commit or "not recorded: the game was built from a copy of its source outside git",
        qt_version=qt_version, qt_package=qt["Source"], qt_debian_version=qt["Version"],
        orig_name=orig, orig_sha256=sha256, patches=", ".join(patches),
        options=" ".join(read(f"{prefix}/kelo-qt-configure.txt").replace("\r", "").splitlines()),
        index_qt="\n".join(sorted(line for line in index.split("\n") if line)),
        index_runtime="\n".join(f"  {folder}/copyright.txt  {', '.join(names)}"
                                for folder, names in runtime.items()))
    templates = [TOP / "data/notices" / platform / name for name in ("SOURCES.txt", "NOTICES.txt")]
    for template in templates:
        files[template.name] = Template(read(template)).substitute(values)

    write(Path(args.output_dir), files, args.windows)
    # Further text files of the release, with the same line ends.
    texts = {Path(file).name: read(file) for file in args.text_file}
    write(Path(args.output_dir + ".text"), texts, args.windows)
    print("\n".join(str(path) for path in [log, *templates, *licence] if path))


if __name__ == "__main__":
    try:
        main()
    except OSError as error:
        sys.exit(f"The notices could not be made: {error}")
