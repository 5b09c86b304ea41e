#!/usr/bin/python3
"""Prints what a Windows executable says about itself, one key=value a line: machine, PE checksum (stored, and
computed by pefile, not by the signing tool), link time stamp, whether it carries a signature, its version
resource, the processor its application manifest names, and each function it imports ("import=dll!name",
the DLL in lower case, in the order of the import table).
Exits 2 with a message when the file is not a PE image."""
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


def import_facts(pe):
    for dll in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        for function in dll.imports:
            name = function.name.decode("ascii", "replace") if function.name else "#%d" % function.ordinal
            yield "import", "%s!%s" % (dll.dll.decode("ascii", "replace").lower(), name)


def facts(path):
    with open(path, "rb") as f:
        data = f.read()
    pe = pefile.PE(data=data, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"],
                                           pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
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
    yield from import_facts(pe)


def main(argv):
    if len(argv) != 2:
        print("usage: pe_facts.py FILE", file=sys.stderr)
        return 2
    try:
        lines = ["%s=%s" % fact for fact in facts(argv[1])]
    except Exception as error:  # a damaged file is reported, whatever part of it is wrong
        print("pe_facts.py: %s: not a readable PE image: %s" % (argv[1], error), file=sys.stderr)
        return 2
    sys.stdout.buffer.write(("\n".join(lines) + "\n").encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
