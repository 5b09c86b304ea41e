#!/usr/bin/python3
"""The package's winget manifests for one built setup.
  winget.py url URL                          exits 1, saying why, unless URL is a plain https:// address
  winget.py write SETUP FROM TO [URL]        writes the manifests of FROM into TO with the setup's SHA-256,
                                             architecture and URL; exits 1, naming each fault, and writes
                                             nothing when a field is not what the setup carries or writes
                                             in its uninstall entry, or when a manifest is not of schema 1.12.0
The setup's own facts (pe_facts.py) are the reference: its version resource's ProductVersion, ProductName
and CompanyName, which the uninstall entry's DisplayVersion, DisplayName and Publisher are made of, and the
name of the key it writes that entry under (winget's ProductCode)."""
import hashlib
import os
import re
import sys

import yaml

import pe_facts
import winget_schema

ARCHITECTURES = {"i386": "x86", "amd64": "x64", "arm64": "arm64"}
LABEL = r"[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?"
# A host, an optional port, then only the characters an address may hold unescaped, less the quote: no
# blank, backslash, quote, control character or anything else a manifest line or a shell would read apart.
PLAIN_HTTPS = re.compile(r"https://%s(?:\.%s)*(?::[0-9]{1,5})?(?:[/?#][A-Za-z0-9._~:/?#\[\]@!$&()*+,;=%%-]*)?"
                         % (LABEL, LABEL))


def url_fault(url):
    if len(url) > 2048:
        return "longer than 2048 characters"
    if not PLAIN_HTTPS.fullmatch(url):
        return "not a plain https:// address (a host, then no blank, quote, backslash or control character)"
    return None


def setup_facts(path):
    facts = {}
    for key, value in pe_facts.facts(path):
        facts.setdefault(key, []).append(str(value))
    return facts


def expected(setup):
    """The values the manifests must carry, from the setup; or the fault that leaves them unknown."""
    facts = setup_facts(setup)
    one = lambda key: facts.get(key, [""])[0]
    values = {"version": one("version.ProductVersion"), "name": one("version.ProductName"),
              "publisher": one("version.CompanyName"), "arch": ARCHITECTURES.get(one("machine"), "")}
    with open(setup, "rb") as f:
        values["sha256"] = hashlib.sha256(f.read()).hexdigest().upper()
    keys = facts.get("uninstall.key", [])
    values["key"] = keys[0] if len(keys) == 1 else ""
    for name, fault in (("version", "its version resource has no ProductVersion"),
                        ("name", "its version resource has no ProductName"),
                        ("publisher", "it names no publisher: its version resource's CompanyName is empty"),
                        ("arch", "its processor is none winget knows"),
                        ("key", "the key of its uninstall entry cannot be read (%d found)" % len(keys))):
        if not values[name]:
            return None, fault
    return values, None


def filled(text, values, url):
    rules = [(r"^(\s*InstallerSha256:).*$", values["sha256"]), (r"^(\s*- Architecture:).*$", values["arch"])]
    if url:
        rules.append((r"^(\s*InstallerUrl:).*$", url))
    for pattern, value in rules:
        text = re.sub(pattern, lambda m, value=value: m.group(1) + " " + value, text, flags=re.M)
    return text


def field_faults(manifest, values, url):
    """Each field that says something else than the setup: (field, what it says, what the setup says)."""
    wanted = [("PackageVersion", values["version"])]
    kind = manifest.get("ManifestType")
    if kind == "defaultLocale":
        wanted.append(("Publisher", values["publisher"]))
    if kind == "installer":
        wanted.append(("ProductCode", values["key"]))
        entries = manifest.get("AppsAndFeaturesEntries")
        for index in range(max(1, len(entries) if isinstance(entries, list) else 0)):
            for field, value in (("DisplayName", values["name"]), ("Publisher", values["publisher"]),
                                 ("DisplayVersion", values["version"]), ("ProductCode", values["key"])):
                wanted.append(("AppsAndFeaturesEntries.%d.%s" % (index, field), value))
        for index in range(len(manifest.get("Installers") or [])):
            wanted += [("Installers.%d.Architecture" % index, values["arch"]),
                       ("Installers.%d.InstallerSha256" % index, values["sha256"])]
            if url:
                wanted.append(("Installers.%d.InstallerUrl" % index, url))
    for field, value in wanted:
        found = lookup(manifest, field)
        if found != value:
            yield field, found, value


def lookup(manifest, field):
    node = manifest
    for step in field.split("."):
        try:
            node = node[int(step)] if isinstance(node, list) else node[step]
        except (KeyError, IndexError, TypeError, ValueError):
            return None
    return node


def write(setup, source, target, url):
    values, fault = expected(setup)
    if url and url_fault(url):
        print("'%s': %s" % (pe_facts.one_line(url), url_fault(url)), file=sys.stderr)
        return 1
    if fault:
        print("%s: %s" % (os.path.basename(setup), fault), file=sys.stderr)
        return 1
    texts, bad = {}, 0
    for name in sorted(os.listdir(source)):
        if not name.endswith(".yaml"):
            continue
        with open(os.path.join(source, name), encoding="utf-8") as f:
            text = filled(f.read(), values, url)
        faults = list(winget_schema.faults(text))
        if not faults:
            manifest = yaml.load(text, Loader=yaml.BaseLoader)
            faults = [(field, "%s, the setup's is %s" % ("it is missing" if found is None else "it says %r" % found,
                                                        repr(value)))
                      for field, found, value in field_faults(manifest, values, url)]
        for field, reason in faults:
            print("%s: %s: %s" % (name, field or "(file)", reason), file=sys.stderr)
            bad = 1
        texts[name] = text
    if bad or not texts:
        return 1
    os.makedirs(target, exist_ok=True)
    for name, text in texts.items():
        with open(os.path.join(target, name), "w", encoding="utf-8") as f:
            f.write(text)
    return 0


def main(argv):
    if len(argv) == 3 and argv[1] == "url":
        fault = url_fault(argv[2])
        if fault:
            print("'%s': %s" % (pe_facts.one_line(argv[2]), fault), file=sys.stderr)
        return 1 if fault else 0
    if len(argv) in (5, 6) and argv[1] == "write":
        return write(argv[2], argv[3], argv[4], argv[5] if len(argv) == 6 else "")
    print("usage: winget.py url URL | winget.py write SETUP FROM TO [URL]", file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
