#!/usr/bin/python3
"""Prints what a Windows executable says about itself, one key=value a line: machine, PE checksum (stored, and
computed by pefile, not by the signing tool), link time stamp, whether it carries a signature, its version
resource, the processor its application manifest names, the size and SHA-256 of the payload it carries (its
FILES resource of type FILES), the name of the uninstall entry's key it writes, and each function it imports
("import=dll!name", the DLL in lower case, in the order of the import table).
Exits 2 with a message when the file is not a PE image.
  pe_facts.py FILE                    the facts
  pe_facts.py --resource TYPE/NAME FILE   that resource's bytes, on standard output"""
import hashlib
import re
import sys

import pefile

MACHINES = {0x14C: "i386", 0x8664: "amd64", 0xAA64: "arm64"}


def one_line(raw):
    text = raw.decode("utf-8", "replace") if isinstance(raw, bytes) else str(raw)
    return "".join(c if c.isprintable() else "\\x%02x" % ord(c) for c in text)


def fixed_version(ms, ls):
    return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def version_facts(pe):
    for fixed in getattr(pe, "VS_FIXEDFILEINFO", [])[:1]:
        yield "version.fixed", fixed_version(fixed.FileVersionMS, fixed.FileVersionLS)
        yield "version.fixedproduct", fixed_version(fixed.ProductVersionMS, fixed.ProductVersionLS)
    for info in getattr(pe, "FileInfo", []):
        for block in info:
            for table in getattr(block, "StringTable", []):
                for key, value in table.entries.items():
                    yield "version." + one_line(key), one_line(value)


def manifest_facts(pe):
    for kind in getattr(getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None), "entries", []):
        if kind.id != pefile.RESOURCE_TYPE["RT_MANIFEST"]:
            continue
        for name in kind.directory.entries:
            for language in name.directory.entries:
                entry = language.data.struct
                text = pe.get_data(entry.OffsetToData, entry.Size).decode("utf-8", "replace")
                found = re.search(r"<assemblyIdentity\b[^>]*\bprocessorArchitecture=\"([^\"]*)\"", text)
                if found:
                    yield "manifest.arch", one_line(found.group(1))
                return


def resource_bytes(pe, kind, name):
    """The bytes of the first language of resource NAME of type KIND (strings, as the .rc file names them)."""
    for type_entry in getattr(getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None), "entries", []):
        if type_entry.name is None or str(type_entry.name) != kind:
            continue
        for name_entry in type_entry.directory.entries:
            if name_entry.name is not None and str(name_entry.name) == name:
                entry = name_entry.directory.entries[0].data.struct
                return pe.get_data(entry.OffsetToData, entry.Size)
    return None


def payload_facts(pe):
    payload = resource_bytes(pe, "FILES", "FILES")
    if payload is not None:
        yield "payload.size", len(payload)
        yield "payload.sha256", hashlib.sha256(payload).hexdigest()


# The setup opens its uninstall entry by this path (a Windows-1252 string ending in NUL in its data).
UNINSTALL_PATH = b"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"


def uninstall_facts(pe):
    found = []
    for section in pe.sections:
        for match in re.finditer(re.escape(UNINSTALL_PATH) + b"([^\\\\\0]+)\0", section.get_data()):
            name = match.group(1).decode("cp1252", "replace")
            if name not in found:
                found.append(name)
                yield "uninstall.key", one_line(name)


def import_facts(pe):
    for dll in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        for function in dll.imports:
            name = function.name.decode("ascii", "replace") if function.name else "#%d" % function.ordinal
            yield "import", "%s!%s" % (dll.dll.decode("ascii", "replace").lower(), name)


def load(path):
    with open(path, "rb") as f:
        data = f.read()
    pe = pefile.PE(data=data, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"],
                                           pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
    return pe


def facts(path):
    pe = load(path)
    optional = pe.OPTIONAL_HEADER
    machine = pe.FILE_HEADER.Machine
    security = optional.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
    computed = pe.generate_checksum()
    yield "machine", MACHINES.get(machine, "0x%04x" % machine)
    yield "format", "PE32+" if optional.Magic == pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS else "PE32"
    yield "checksum.stored", "0x%08x" % optional.CheckSum
    yield "checksum.computed", "0x%08x" % computed
    yield "checksum.ok", int(optional.CheckSum == computed)
    yield "timestamp", pe.FILE_HEADER.TimeDateStamp
    yield "signed", int(security.VirtualAddress != 0 and security.Size != 0)
    yield from version_facts(pe)
    yield from manifest_facts(pe)
    yield from payload_facts(pe)
    yield from uninstall_facts(pe)
    yield from import_facts(pe)


def main(argv):
    if len(argv) == 4 and argv[1] == "--resource" and argv[2].count("/") == 1:
        path, what = argv[3], "resource " + argv[2]
    elif len(argv) == 2:
        path, what = argv[1], None
    else:
        print("usage: pe_facts.py [--resource TYPE/NAME] FILE", file=sys.stderr)
        return 2
    try:
        if what:
            data = resource_bytes(load(path), *argv[2].split("/"))
        else:
            data = ("\n".join("%s=%s" % fact for fact in facts(path)) + "\n").encode("utf-8")
    except Exception as error:  # a damaged file is reported, whatever part of it is wrong
        print("pe_facts.py: %s: not a readable PE image: %s" % (path, error), file=sys.stderr)
        return 2
    if data is None:
        print("pe_facts.py: %s: no %s" % (path, what), file=sys.stderr)
        return 1
    sys.stdout.buffer.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
