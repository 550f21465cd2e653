"""Reading a release zip: its files, the resources of a Windows program, and its notices."""

import re
import zipfile

import pefile

RT_MANIFEST = 24


class Release:
    """A release zip of the game: the Windows folder or the browser's page, in one top folder."""

    def __init__(self, path):
        self.path = path
        with zipfile.ZipFile(path) as archive:
            self._files = {
                info.filename: archive.read(info)
                for info in archive.infolist()
                if not info.is_dir()
            }
        tops = {name.split("/", 1)[0] for name in self._files}
        if len(tops) != 1:
            raise ValueError(f"{path} should hold one folder, not {sorted(tops)}")
        self.top = tops.pop()
        self.names = sorted(name.split("/", 1)[1] for name in self._files)
        self.windows = "kelokelo.exe" in self.names
        self.web = "kelokelo.wasm" in self.names
        if self.windows == self.web:
            raise ValueError(f"{path} is neither the Windows release nor the browser's")

    def read(self, name):
        return self._files[f"{self.top}/{name}"]

    def text(self, name):
        return self.read(name).decode("utf-8", "replace").replace("\r\n", "\n")

    def binaries(self):
        """The program and the libraries it carries, whose bytes hold what is built in."""
        ends = (".exe", ".dll") if self.windows else (".wasm",)
        return [name for name in self.names if name.endswith(ends)]

    def text_files(self):
        """The text files a player reads: README.txt, LICENSE and the notices."""
        return [
            name
            for name in self.names
            if name in ("README.txt", "LICENSE") or name.startswith("licenses/")
        ]

    def notices(self):
        """Every file of licenses/ by its path below it, as text."""
        return {
            name[len("licenses/"):]: self.text(name)
            for name in self.names
            if name.startswith("licenses/")
        }


def pe_resources(data):
    """The resources of a PE file (a Windows program or DLL): {(type, name): [data, ...]}, one
    data per language. Types and names given by number are ints, the others strings."""
    pe = pefile.PE(data=data, fast_load=True)
    pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    resources = {}

    def key(entry):
        return entry.id if entry.name is None else str(entry.name)
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in directory.entries if directory else []:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                found = language.data.struct
                resources.setdefault((key(kind), key(name)), []).append(
                    pe.get_data(found.OffsetToData, found.Size))
    return resources


def notice_fields(text):
    """The header fields of a notice ("Version:   1.2.13" and the like), by name."""
    fields = {}
    for line in text.splitlines():
        if not line.strip():
            if fields:
                break
            continue
        match = re.match(r"([A-Z][a-z ]+):\s+(.*)$", line)
        if match:
            fields[match.group(1)] = match.group(2).strip()
    return fields


# A copyright line of a real holder: a year, and no placeholder of a template.
COPYRIGHT = re.compile(r"(?im)^.*(?:copyright|\(c\)|©).*\b(?:19|20)\d\d\b.*$")
TEMPLATE = re.compile(r"(?i)copyright[^\n]*<year>\s*<(?:owner|copyright holders?)>")
