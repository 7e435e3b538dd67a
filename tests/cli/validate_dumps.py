#!/usr/bin/env python3
"""validate_dumps.py ZEMCTL SCHEMA FILE.zem...: each file's dump is valid
against the schema, and the schema refuses what build refuses."""
import copy
import json
import subprocess
import sys

import jsonschema

zemctl, schema_path, files = sys.argv[1], sys.argv[2], sys.argv[3:]
with open(schema_path, encoding="utf-8") as f:
    schema = json.load(f)
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)

failures = 0
for path in files:
    dump = subprocess.run([zemctl, "dump", path, "--json"], check=True, capture_output=True).stdout
    config = json.loads(dump.decode("utf-8"))
    for error in validator.iter_errors(config):
        print(f"{path}: {error.json_path}: {error.message}")
        failures += 1
    bad_values = [
        ("zones", 0, "name", "x" * 16),
        ("zones", 0, "name", "\u20ac"),
        ("zones", 0, "volume", 1.5),
        ("options", "displayLevel", 4),
        ("favorites", 0, "connections", [{"zone": 1, "source": 1, "kind": "R"}]),
        ("eqPresets", 0, "bands", [0] * 9),
    ]
    for *keys, value in bad_values:
        changed = copy.deepcopy(config)
        target = changed
        for key in keys[:-1]:
            target = target[key]
        target[keys[-1]] = value
        if validator.is_valid(changed):
            print(f"{path}: the schema takes {keys} = {value!r}")
            failures += 1
    extra = copy.deepcopy(config)
    extra["zones"][0]["colour"] = "red"
    if validator.is_valid(extra):
        print(f"{path}: the schema takes an unknown key")
        failures += 1
sys.exit(1 if failures else 0)
