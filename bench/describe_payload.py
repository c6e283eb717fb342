#!/usr/bin/env python3
"""Writes a product description of every file below DIR, in name order, for the
benchmarks. The generator insists on an uninstaller and a main executable among
the names: rtuninst.exe stands in for both, DIR's own or, when DIR has none (a
folder that is not the benchmark's to change), a 2-byte one beside OUTPUT_JSON.
usage: describe_payload.py DIR OUTPUT_JSON LICENCE_FILE"""
import json
import os
import sys

folder, output, licence = sys.argv[1], sys.argv[2], sys.argv[3]
files = []
for dirpath, dirnames, names in os.walk(folder):
    dirnames.sort()
    for name in sorted(names):
        path = os.path.join(dirpath, name)
        files.append({"name": os.path.relpath(path, folder).replace("/", "\\"), "source": os.path.abspath(path),
                      "time": "2020-01-01T00:00:00Z"})
if not os.path.isfile(os.path.join(folder, "rtuninst.exe")):
    stand_in = os.path.join(os.path.dirname(os.path.abspath(output)), "rtuninst-stand-in.exe")
    with open(stand_in, "wb") as stream:
        stream.write(b"MZ")
    files.append({"name": "rtuninst.exe", "source": stand_in, "time": "2020-01-01T00:00:00Z"})
config = {"folderName": "Bench", "productName": "Bench", "iniFileName": "bench.ini", "addToStartup": 0,
          "startupQuestion": "", "mainExecutable": "rtuninst.exe", "startupArguments": "",
          "warnOlderVersion": 0, "installCompanion": 0, "serviceExecutable": "", "requiredMegabytes": 1,
          "serviceName": "", "startupLinkName": ""}
with open(output, "w") as stream:
    json.dump({"config": config, "licence": os.path.abspath(licence), "files": files}, stream, indent=1)
