#!/usr/bin/env python3
"""Writes a product description of every file below DIR, in name order, for the
benchmarks. DIR must hold rtuninst.exe (the generator insists on an uninstaller
and a main executable among the names; it stands in for both).
usage: describe_payload.py DIR OUTPUT_JSON LICENCE_FILE"""
import json
import os
import sys

folder, output, licence = sys.argv[1], sys.argv[2], sys.argv[3]
if not os.path.isfile(os.path.join(folder, "rtuninst.exe")):
    sys.exit("describe_payload.py: %s has no rtuninst.exe" % folder)
files = []
for dirpath, dirnames, names in os.walk(folder):
    dirnames.sort()
    for name in sorted(names):
        path = os.path.join(dirpath, name)
        files.append({"name": os.path.relpath(path, folder).replace("/", "\\"), "source": os.path.abspath(path),
                      "time": "2020-01-01T00:00:00Z"})
config = {"folderName": "Bench", "productName": "Bench", "iniFileName": "bench.ini", "addToStartup": 0,
          "startupQuestion": "", "mainExecutable": "rtuninst.exe", "startupArguments": "",
          "warnOlderVersion": 0, "installCompanion": 0, "serviceExecutable": "", "requiredMegabytes": 1,
          "serviceName": "", "startupLinkName": ""}
with open(output, "w") as stream:
    json.dump({"config": config, "licence": os.path.abspath(licence), "files": files}, stream, indent=1)
