#!/usr/bin/env python3
"""The product description's JSON Schema against the generator.

Every description in the repository names the schema by "$schema" and is
valid under it. Descriptions broken in their field types or required fields
are invalid under the schema *and* refused by the generator; descriptions that
the schema accepts in an unusual spelling (1.0 for 1, no time) are accepted
by the generator as well.

usage: description_schema_test.py REPO_ROOT GENPRODUCT
"""
import copy
import json
import pathlib
import subprocess
import sys
import tempfile

import jsonschema

root = pathlib.Path(sys.argv[1]).resolve()
genproduct = sys.argv[2]
schema_path = root / "tools/genproduct/description.schema.json"
schema = json.loads(schema_path.read_text(encoding="utf-8"))
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)

passed, failed = 0, 0


def check(condition, what):
    global passed, failed
    if condition:
        passed += 1
    else:
        failed += 1
        print(f"FAILED: {what}")


descriptions = [root / "product/varnlet/varnlet.json", root / "tests/e2e/products/acme/acme.json",
                root / "tests/ui/products/zolw.json"] + sorted((root / "tests/e2e/products").glob("*.json"))
for path in descriptions:
    document = json.loads(path.read_text(encoding="utf-8"))
    errors = [f"{'/'.join(map(str, e.absolute_path))}: {e.message}" for e in validator.iter_errors(document)]
    check(not errors, f"{path.relative_to(root)} is valid: {errors}")
    named = (path.parent / document.get("$schema", "")).resolve()
    check(named == schema_path, f"{path.relative_to(root)} names the schema by $schema (it names {named})")


def generator_accepts(document, folder):
    """Runs the generator in its names-only mode (no sources read), as the
    build first runs it, on `document` written into `folder`."""
    path = pathlib.Path(folder) / "description.json"
    path.write_text(json.dumps(document), encoding="utf-8")
    result = subprocess.run([genproduct, "--description", str(path), "--out-dir", folder, "--names-only"],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    return result.returncode == 0, result.stderr.strip()


# Varnlet's own description with its paths made absolute, so that it can be
# written elsewhere and changed.
varnlet = json.loads((root / "product/varnlet/varnlet.json").read_text(encoding="utf-8"))
varnlet["licence"] = str(root / "product/varnlet" / varnlet["licence"])
varnlet["icon"] = str((root / "product/varnlet" / varnlet["icon"]).resolve())
del varnlet["$schema"]


def without(*keys):
    def change(d):
        target = d
        for key in keys[:-1]:
            target = target[key]
        del target[keys[-1]]
    return change


def setting(value, *keys):
    def change(d):
        target = d
        for key in keys[:-1]:
            target = target[key]
        target[keys[-1]] = value
    return change


broken = [(f"missing {key}", without(key)) for key in ("config", "licence", "files")]
broken += [(f"missing config.{key}", without("config", key)) for key in varnlet["config"]]
broken += [
    ("unknown top field", setting(1, "colour")),
    ("unknown config field", setting(1, "config", "colour")),
    ("unknown file field", setting(1, "files", 0, "size")),
    ("config not an object", setting([], "config")),
    ("text field a number", setting(5, "config", "productName")),
    ("text field null", setting(None, "config", "startupArguments")),
    ("empty product name", setting("", "config", "productName")),
    ("flag a string", setting("1", "config", "addToStartup")),
    ("flag 2", setting(2, "config", "warnOlderVersion")),
    ("flag true", setting(True, "config", "installCompanion")),
    ("flag 0.5", setting(0.5, "config", "installCompanion")),
    ("megabytes negative", setting(-1, "config", "requiredMegabytes")),
    ("megabytes 4096", setting(4096, "config", "requiredMegabytes")),
    ("megabytes a string", setting("1", "config", "requiredMegabytes")),
    ("licence a number", setting(1, "licence")),
    ("files an object", setting({}, "files")),
    ("files empty", setting([], "files")),
    ("file without name", without("files", 0, "name")),
    ("file without source", without("files", 0, "source")),
    ("file name a number", setting(1, "files", 0, "name")),
    ("empty source", setting("", "files", 0, "source")),
    ("time a number", setting(1094739338, "files", 0, "time")),
    ("time not ISO", setting("2004-09-09 14:15:38", "files", 0, "time")),
    ("code page 65001", setting(65001, "codePage")),
    ("code page a string", setting("1252", "codePage")),
    ("version three numbers", setting("1.2.3", "version")),
    ("version a number", setting(1, "version")),
    ("empty publisher", setting("", "publisher")),
    ("copyright a number", setting(2026, "copyright")),
    ("icon a number", setting(1, "icon")),
    ("$schema a number", setting(1, "$schema")),
    ("architecture arm64", setting("arm64", "architecture")),
    ("unattended a string", setting("yes", "unattended")),
]
accepted = [
    ("as it is", lambda d: None),
    ("flag 1.0", setting(1.0, "config", "addToStartup")),
    ("megabytes 1.0", setting(1.0, "config", "requiredMegabytes")),
    ("code page 1250.0", setting(1250.0, "codePage")),
    ("no time", without("files", 1, "time")),
    ("$schema given", setting("https://example.org/any.json", "$schema")),
]

with tempfile.TemporaryDirectory() as folder:
    for what, change in broken:
        document = copy.deepcopy(varnlet)
        change(document)
        check(not validator.is_valid(document), f"the schema refuses: {what}")
        ok, message = generator_accepts(document, folder)
        check(not ok, f"the generator refuses: {what}")
    for what, change in accepted:
        document = copy.deepcopy(varnlet)
        change(document)
        check(validator.is_valid(document), f"the schema accepts: {what}")
        ok, message = generator_accepts(document, folder)
        check(ok, f"the generator accepts: {what} ({message})")

print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
