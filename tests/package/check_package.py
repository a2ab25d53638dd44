#!/usr/bin/env python3
"""Checks one release zip and the program inside it.

    check_package.py ZIP --epoch SECONDS --version TEXT --readme SOURCE.txt
                     [--exe FILE] [--chm FILE] [--forbid TEXT]...

- the entries are exactly Varnolt.exe, help.chm and readme.txt, in sorted order, each
  with the given time, fixed attributes, no extra field and no comment;
- Varnolt.exe and help.chm are the files that were built (when given);
- readme.txt is CP932 (or UTF-8 with BOM) with CR LF and no other line end, and says
  what its source in docs/readme/ says, with the version filled in;
- Varnolt.exe has no time in its COFF header, its resource directories or a debug
  directory, and no TEXT (the folders it was built in) in ASCII or UTF-16;
- Varnolt.exe carries ASLR with high entropy and DEP (DYNAMIC_BASE, HIGH_ENTROPY_VA,
  NX_COMPAT) and imports only the system's known libraries.
Prints each failure and exits 1 when there was one.
"""

import argparse
import struct
import sys
import time
import zipfile

EXPECTED = ["Varnolt.exe", "help.chm", "readme.txt"]

# IMAGE_DLLCHARACTERISTICS_* of the optional header: ASLR (with high entropy) and DEP.
HARDENING = {"HIGH_ENTROPY_VA": 0x20, "DYNAMIC_BASE": 0x40, "NX_COMPAT": 0x100}
# The system's known libraries (its KnownDLLs list), which Windows loads only from the
# system folder. The libraries of the import table are loaded before wWinMain restricts
# the search to the system folder, so any other name there would be looked for beside
# the program first.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "coml2.dll", "gdi32.dll",
    "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll", "msvcrt.dll",
    "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll",
    "sechost.dll", "setupapi.dll", "shcore.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
    "wldap32.dll", "ws2_32.dll",
}

failures = []


def fail(msg):
    failures.append(msg)
    print("FAIL: " + msg)


def check_entries(z, epoch):
    names = [i.filename for i in z.infolist()]
    if names != EXPECTED:
        fail(f"entries {names}, expected {EXPECTED}")
    t = time.gmtime(epoch)
    when = (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec - t.tm_sec % 2)
    for i in z.infolist():
        if i.date_time != when:
            fail(f"{i.filename}: time {i.date_time}, expected {when}")
        if i.extra:
            fail(f"{i.filename}: extra field {i.extra!r}")
        if i.comment:
            fail(f"{i.filename}: comment {i.comment!r}")
        if (i.create_system, i.external_attr) != (0, 0x20):
            fail(f"{i.filename}: attributes {i.create_system}/{i.external_attr:#x}")
        if i.compress_type != zipfile.ZIP_DEFLATED:
            fail(f"{i.filename}: stored with method {i.compress_type}")
    if z.comment:
        fail(f"zip comment {z.comment!r}")
    bad = z.testzip()
    if bad:
        fail(f"{bad}: CRC does not match")


def check_readme(data, source, version):
    if data.startswith(b"\xef\xbb\xbf"):
        try:
            text = data[3:].decode("utf-8")
        except UnicodeDecodeError as e:
            fail(f"readme.txt: BOM but not UTF-8 ({e})")
            return
    else:
        try:
            text = data.decode("cp932")
        except UnicodeDecodeError as e:
            fail(f"readme.txt: neither UTF-8 with BOM nor CP932 ({e})")
            return
    if not text.endswith("\r\n"):
        fail("readme.txt: the last line has no CR LF")
    stray = text.replace("\r\n", "")
    if "\r" in stray or "\n" in stray:
        fail("readme.txt: a line ends in a lone CR or LF")
    with open(source, encoding="utf-8") as f:
        want = f.read().lstrip("\ufeff").replace("\r\n", "\n").replace("@VERSION@", version)
    if text.replace("\r\n", "\n").rstrip("\n") != want.rstrip("\n"):
        fail(f"readme.txt: does not read as {source}")
    # What a user must know before unpacking and starting it.
    needed_words = (f"Varnolt {version}", "RokuCtrl.exe", "help.chm", "default.ini", "log.ini")
    for needed in needed_words + ("Program Files",):
        if needed not in text:
            fail(f"readme.txt: does not mention {needed}")


class Pe:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        self.pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[self.pe : self.pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        coff = self.pe + 4
        self.nsections, self.timestamp = struct.unpack_from("<HI", data, coff + 2)
        opt_size = struct.unpack_from("<H", data, coff + 16)[0]
        opt = coff + 20
        magic = struct.unpack_from("<H", data, opt)[0]
        self.dll_characteristics = struct.unpack_from("<H", data, opt + 70)[0]
        dirs = opt + (112 if magic == 0x20B else 96)
        count = struct.unpack_from("<I", data, dirs - 4)[0]
        self.dirs = [struct.unpack_from("<II", data, dirs + 8 * k) for k in range(count)]
        self.sections = []
        sec = opt + opt_size
        for k in range(self.nsections):
            name, vsize, va, rsize, raw = struct.unpack_from("<8sIIII", data, sec + 40 * k)
            self.sections.append((name.rstrip(b"\0").decode(), va, max(vsize, rsize), raw))

    def offset(self, rva):
        for _, va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError(f"RVA {rva:#x} is in no section")

    def directory(self, k):
        return self.dirs[k] if k < len(self.dirs) else (0, 0)

    def cstring(self, rva):
        at = self.offset(rva)
        return self.data[at : self.data.index(b"\0", at)].decode("ascii", "replace")

    def imports(self):
        """The library names of the import table."""
        rva, size = self.directory(1)
        names = []
        if not size:
            return names
        at = self.offset(rva)
        # IMAGE_IMPORT_DESCRIPTOR: 20 bytes, the name's RVA at +12; a zero entry ends them.
        while True:
            name = struct.unpack_from("<I", self.data, at + 12)[0]
            if not name:
                return names
            names.append(self.cstring(name))
            at += 20


def check_exe(data, forbidden):
    try:
        pe = Pe(data)
    except (ValueError, struct.error) as e:
        fail(f"Varnolt.exe: not a PE file ({e})")
        return
    if pe.timestamp != 0:
        fail(f"Varnolt.exe: COFF TimeDateStamp {pe.timestamp:#x}")
    rva, size = pe.directory(0)  # exports
    if size and struct.unpack_from("<I", data, pe.offset(rva) + 4)[0]:
        fail("Varnolt.exe: export directory has a time")
    rva, size = pe.directory(6)  # debug
    if size:
        base = pe.offset(rva)
        for k in range(size // 28):
            if struct.unpack_from("<I", data, base + 28 * k + 4)[0]:
                fail(f"Varnolt.exe: debug directory entry {k} has a time")
    rva, size = pe.directory(2)  # resources
    if not size:
        fail("Varnolt.exe: no resources (icon, manifest, version)")
    else:
        root = pe.offset(rva)
        stamped = []

        def walk(off, depth):
            # IMAGE_RESOURCE_DIRECTORY: time at +4, named and id entry counts at +12.
            stamp = struct.unpack_from("<I", data, off + 4)[0]
            named, ids = struct.unpack_from("<HH", data, off + 12)
            if stamp:
                stamped.append(off)
            for e in range(named + ids):
                target = struct.unpack_from("<I", data, off + 16 + 8 * e + 4)[0]
                if target & 0x80000000 and depth < 3:
                    walk(root + (target & 0x7FFFFFFF), depth + 1)

        walk(root, 0)
        if stamped:
            fail(f"Varnolt.exe: {len(stamped)} resource directories carry a time")
    missing = [n for n, bit in HARDENING.items() if not pe.dll_characteristics & bit]
    if missing:
        flags = pe.dll_characteristics
        fail(f"Varnolt.exe: DllCharacteristics {flags:#x} lacks {', '.join(missing)}")
    imports = pe.imports()
    if not imports:
        fail("Varnolt.exe: no import table")
    for name in imports:
        if name.lower() not in KNOWN_DLLS:
            fail(f"Varnolt.exe: imports {name}, not one of the system's known libraries")
    for text in forbidden:
        for enc in ("utf-8", "utf-16-le"):
            if text.encode(enc) in data:
                fail(f"Varnolt.exe: holds the build folder {text} ({enc})")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("zip")
    ap.add_argument("--epoch", type=int, required=True)
    ap.add_argument("--version", required=True)
    ap.add_argument("--readme", required=True)
    ap.add_argument("--exe")
    ap.add_argument("--chm")
    ap.add_argument("--forbid", action="append", default=[])
    args = ap.parse_args()

    with zipfile.ZipFile(args.zip) as z:
        check_entries(z, args.epoch)
        names = set(z.namelist())
        got = {n: z.read(n) for n in EXPECTED if n in names}
    for name, built in (("Varnolt.exe", args.exe), ("help.chm", args.chm)):
        if built and name in got:
            with open(built, "rb") as f:
                if f.read() != got[name]:
                    fail(f"{name} in the zip is not {built}")
    if "readme.txt" in got:
        check_readme(got["readme.txt"], args.readme, args.version)
    if "Varnolt.exe" in got:
        check_exe(got["Varnolt.exe"], args.forbid)
    if failures:
        print(f"{args.zip}: {len(failures)} failures")
        return 1
    print(f"{args.zip}: entries, read-me and Varnolt.exe ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
