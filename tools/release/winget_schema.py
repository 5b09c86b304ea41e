#!/usr/bin/python3
"""Checks winget manifests against schema 1.12.0 of the version, defaultLocale and installer files: the
schema line, each field's name where it stands, the enumerations, the patterns that winget's validation
applies (identifier, version, locale, SHA-256, addresses) and the required fields. Written from the schema's
documentation; nothing is fetched.
  winget_schema.py FILE...    prints each fault as "FILE: field: reason"; exits 1 on any"""
import re
import sys

import yaml

VERSION = "1.12.0"


class Obj:
    def __init__(self, fields, required=()):
        self.fields, self.required = fields, required


class Text:
    def __init__(self, low=1, high=None, pattern=None):
        self.low, self.high, self.pattern = low, high, pattern and re.compile(pattern)


def enum(*values):
    return frozenset(values)


ID = Text(1, 128, r"[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}){1,7}")
PACKAGE_VERSION = Text(1, 128, r"[^\\/:*?\"<>|\x01-\x1f]+")
LOCALE = Text(1, 20, r"([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*")
URL = Text(1, 2048, r"[Hh][Tt][Tt][Pp][Ss]?://.+")
SHA256 = Text(64, 64, r"[A-Fa-f0-9]{64}")
OS_VERSION = Text(1, 64, r"\d{1,5}(\.\d{1,5}){0,3}")
MANIFEST_VERSION = frozenset([VERSION])
TAG = Text(1, 40)
INSTALLER_TYPES = enum("msix", "msi", "appx", "exe", "zip", "inno", "nullsoft", "wix", "burn", "pwa", "portable", "font")
RETURN_RESPONSES = enum("packageInUse", "packageInUseByApplication", "installInProgress", "fileInUse",
                        "missingDependency", "diskFull", "insufficientMemory", "invalidParameter", "noNetwork",
                        "contactSupport", "rebootRequiredToFinish", "rebootRequiredForInstall", "rebootInitiated",
                        "cancelledByUser", "alreadyInstalled", "downgrade", "blockedByPolicy",
                        "systemNotSupported", "custom")
SWITCH = Text(1, 512)
MARKETS = [Text(2, 2, r"[A-Z]{2}")]

INSTALLER_COMMON = {
    "InstallerLocale": LOCALE,
    "Platform": [enum("Windows.Desktop", "Windows.Universal")],
    "MinimumOSVersion": OS_VERSION,
    "InstallerType": INSTALLER_TYPES,
    "NestedInstallerType": INSTALLER_TYPES - {"zip", "pwa"},
    "NestedInstallerFiles": [Obj({"RelativeFilePath": Text(1, 512), "PortableCommandAlias": Text(1, 40)},
                                 ("RelativeFilePath",))],
    "Scope": enum("user", "machine"),
    "InstallModes": [enum("interactive", "silent", "silentWithProgress")],
    "InstallerSwitches": Obj({"Silent": SWITCH, "SilentWithProgress": SWITCH, "Interactive": SWITCH,
                              "InstallLocation": SWITCH, "Log": SWITCH, "Upgrade": SWITCH,
                              "Custom": Text(1, 2048), "Repair": SWITCH}),
    "InstallerSuccessCodes": [int],
    "ExpectedReturnCodes": [Obj({"InstallerReturnCode": int, "ReturnResponse": RETURN_RESPONSES,
                                 "ReturnResponseUrl": URL}, ("InstallerReturnCode", "ReturnResponse"))],
    "UpgradeBehavior": enum("install", "uninstallPrevious", "deny"),
    "Commands": [Text(1, 40)],
    "Protocols": [Text(1, 2048)],
    "FileExtensions": [Text(1, 64, r"[^\\/:*?\"<>|\x01-\x1f]+")],
    "Dependencies": Obj({"WindowsFeatures": [Text(1, 128)], "WindowsLibraries": [Text(1, 128)],
                         "PackageDependencies": [Obj({"PackageIdentifier": ID, "MinimumVersion": PACKAGE_VERSION},
                                                     ("PackageIdentifier",))],
                         "ExternalDependencies": [Text(1, 128)]}),
    "PackageFamilyName": Text(1, 255, r"[A-Za-z0-9][-.A-Za-z0-9]+_[A-Za-z0-9]{13}"),
    "ProductCode": Text(1, 255),
    "Capabilities": [Text(1, 40)],
    "RestrictedCapabilities": [Text(1, 40)],
    "Markets": Obj({"AllowedMarkets": MARKETS, "ExcludedMarkets": MARKETS}),
    "InstallerAbortsTerminal": bool,
    "ReleaseDate": Text(10, 10, r"\d{4}-\d{2}-\d{2}"),
    "InstallLocationRequired": bool,
    "RequireExplicitUpgrade": bool,
    "DisplayInstallWarnings": bool,
    "UnsupportedOSArchitectures": [enum("x86", "x64", "arm", "arm64")],
    "UnsupportedArguments": [enum("log", "location")],
    "AppsAndFeaturesEntries": [Obj({"DisplayName": Text(1, 256), "Publisher": Text(1, 256),
                                    "DisplayVersion": Text(1, 128), "ProductCode": Text(1, 255),
                                    "UpgradeCode": Text(1, 255), "InstallerType": INSTALLER_TYPES})],
    "ElevationRequirement": enum("elevationRequired", "elevationProhibited", "elevatesSelf"),
    "InstallationMetadata": Obj({"DefaultInstallLocation": Text(1, 2048),
                                 "Files": [Obj({"RelativeFilePath": Text(1, 2048), "FileSha256": SHA256,
                                                "FileType": enum("launch", "uninstall", "other"),
                                                "InvocationParameter": Text(1, 2048),
                                                "DisplayName": Text(1, 256)}, ("RelativeFilePath",))]}),
    "DownloadCommandProhibited": bool,
    "RepairBehavior": enum("modify", "uninstaller", "installer"),
    "ArchiveBinariesDependOnPath": bool,
    "Authentication": Obj({"AuthenticationType": enum("none", "microsoftEntraId", "microsoftEntraIdForAzureBlobStorage"),
                           "MicrosoftEntraIdAuthenticationInfo": Obj({"Resource": Text(1, 512),
                                                                      "Scope": Text(1, 512)})},
                          ("AuthenticationType",)),
}
INSTALLER = Obj(dict(INSTALLER_COMMON, Architecture=enum("x86", "x64", "arm", "arm64", "neutral"),
                     InstallerUrl=URL, InstallerSha256=SHA256, SignatureSha256=SHA256),
                ("Architecture", "InstallerUrl", "InstallerSha256"))
HEAD = {"PackageIdentifier": ID, "PackageVersion": PACKAGE_VERSION, "ManifestVersion": MANIFEST_VERSION}
TAIL = ("PackageIdentifier", "PackageVersion", "ManifestType", "ManifestVersion")
MANIFESTS = {
    "version": Obj(dict(HEAD, DefaultLocale=LOCALE), TAIL + ("DefaultLocale",)),
    "defaultLocale": Obj(dict(HEAD, PackageLocale=LOCALE, Publisher=Text(2, 256), PublisherUrl=URL,
                              PublisherSupportUrl=URL, PrivacyUrl=URL, Author=Text(2, 256),
                              PackageName=Text(2, 256), PackageUrl=URL, License=Text(3, 512), LicenseUrl=URL,
                              Copyright=Text(3, 512), CopyrightUrl=URL, ShortDescription=Text(3, 256),
                              Description=Text(3, 10000), Moniker=TAG, Tags=[TAG],
                              Agreements=[Obj({"AgreementLabel": Text(1, 100), "Agreement": Text(1, 10000),
                                               "AgreementUrl": URL})],
                              ReleaseNotes=Text(1, 10000), ReleaseNotesUrl=URL, PurchaseUrl=URL,
                              InstallationNotes=Text(1, 10000),
                              Documentations=[Obj({"DocumentLabel": Text(1, 100), "DocumentUrl": URL})],
                              Icons=[Obj({"IconUrl": URL, "IconFileType": enum("png", "jpeg", "ico"),
                                          "IconResolution": enum("custom", "16x16", "20x20", "24x24", "30x30",
                                                                 "32x32", "36x36", "40x40", "48x48", "60x60",
                                                                 "64x64", "72x72", "80x80", "96x96", "256x256"),
                                          "IconTheme": enum("default", "light", "dark", "highContrast"),
                                          "IconSha256": SHA256}, ("IconUrl", "IconFileType"))]),
                         TAIL + ("PackageLocale", "Publisher", "PackageName", "License", "ShortDescription")),
    "installer": Obj(dict(HEAD, Channel=Text(1, 16), Installers=[INSTALLER], **INSTALLER_COMMON),
                     TAIL + ("Installers",)),
}

for kind, shape in MANIFESTS.items():
    shape.fields["ManifestType"] = enum(kind)


def check(value, shape, where):
    if isinstance(shape, Obj):
        if not isinstance(value, dict):
            yield where, "not a mapping"
            return
        for name in shape.required:
            if name not in value:
                yield where + name, "missing"
        for name, item in value.items():
            if name not in shape.fields:
                yield where + str(name), "not a field of schema " + VERSION + " here"
            else:
                yield from check(item, shape.fields[name], where + name + ".")
    elif isinstance(shape, list):
        if not isinstance(value, list) or not value:
            yield where.rstrip("."), "not a list of one item or more"
            return
        if len({repr(item) for item in value}) != len(value):
            yield where.rstrip("."), "an item twice"
        for index, item in enumerate(value):
            yield from check(item, shape[0], "%s%d." % (where, index))
    elif isinstance(shape, frozenset):
        if value not in shape:
            yield where.rstrip("."), "%r is none of %s" % (value, ", ".join(sorted(shape)))
    elif isinstance(shape, Text):
        if not isinstance(value, str):
            yield where.rstrip("."), "%r is not a string" % (value,)
        elif len(value) < shape.low or (shape.high and len(value) > shape.high):
            yield where.rstrip("."), "%r is not %d to %s characters long" % (value, shape.low, shape.high or "any")
        elif shape.pattern and not shape.pattern.fullmatch(value):
            yield where.rstrip("."), "%r is not of the form the schema allows" % value
    elif shape is int:
        if not isinstance(value, str) or not re.fullmatch(r"-?[0-9]+", value) or not -2**31 <= int(value) < 2**32 \
                or int(value) == 0:
            yield where.rstrip("."), "%r is not a non-zero exit code" % (value,)
    elif shape is bool and value not in ("true", "false"):
        yield where.rstrip("."), "%r is not true or false" % (value,)


def faults(text):
    try:
        # Every scalar as its text: the schema, not YAML's guesses, says what a field holds.
        manifest = yaml.load(text, Loader=yaml.BaseLoader)
    except yaml.YAMLError as error:
        yield "", "not YAML: %s" % str(error).replace("\n", " ")
        return
    kind = manifest.get("ManifestType") if isinstance(manifest, dict) else None
    if kind not in MANIFESTS:
        yield "ManifestType", "%r is none of %s" % (kind, ", ".join(MANIFESTS))
        return
    schema = "# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.%s.schema.json" % (kind, VERSION)
    if schema not in text.splitlines():
        yield "", "no line '%s'" % schema
    yield from check(manifest, MANIFESTS[kind], "")
    if kind == "installer":
        for index, installer in enumerate(manifest.get("Installers") or []):
            if isinstance(installer, dict) and "InstallerType" not in installer and "InstallerType" not in manifest:
                yield "Installers.%d.InstallerType" % index, "missing, here and at the root"


def main(paths):
    bad = 0
    for path in paths:
        with open(path, encoding="utf-8") as f:
            for where, reason in faults(f.read()):
                print("%s: %s: %s" % (path, where or "(file)", reason), file=sys.stderr)
                bad = 1
    return bad if paths else 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
