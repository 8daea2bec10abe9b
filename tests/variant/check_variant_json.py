#!/usr/bin/env python3
"""Runs `gridquill-cli puzzle --variant V --json` for every variant and level it offers,
validates each object against docs/variant.schema.json, and checks what the schema cannot say:
rows of `size`, givens taken from the solution, regions only for jigsaw and cages only for
killer, each cage summing to its cells' solution digits.

usage: check_variant_json.py CLI SCHEMA"""
import json
import subprocess
import sys

import jsonschema

OFFERED = {
    "classic": ["very-easy", "easy", "standard"],
    "x": ["very-easy", "easy", "standard", "hard"],
    "jigsaw": ["very-easy", "easy", "standard", "hard"],
    "killer": ["very-easy", "easy", "standard"],
    "6x6": ["very-easy", "easy"],
    "4x4": ["very-easy", "easy"],
    "16x16": ["very-easy", "easy", "standard"],
}


def check(cli, schema, variant, level):
    run = subprocess.run([cli, "puzzle", "--variant", variant, "--level", level, "--seed", "7",
                          "--json"], capture_output=True, text=True, check=True)
    lines = run.stdout.splitlines()
    assert len(lines) == 1, f"{variant}/{level}: one line expected, got {len(lines)}"
    data = json.loads(lines[0])
    jsonschema.validate(data, schema)
    size = data["size"]
    where = f"{variant}/{level}"
    assert data["variant"] == variant and data["level"] == level, where
    for key in ("grid", "solution") + (("regions",) if "regions" in data else ()):
        assert len(data[key]) == size and all(len(row) == size for row in data[key]), where
    for r in range(size):
        for c in range(size):
            given = data["grid"][r][c]
            assert given in (0, data["solution"][r][c]), f"{where}: r{r+1}c{c+1}"
    assert ("regions" in data) == (variant == "jigsaw"), where
    assert ("cages" in data) == (variant == "killer"), where
    assert data["diagonals"] == (variant == "x"), where
    for cage in data.get("cages", []):
        digits = []
        for name in cage["cells"]:
            r, c = name[1:].split("c")
            digits.append(data["solution"][int(r) - 1][int(c) - 1])
        assert sum(digits) == cage["sum"], f"{where}: cage {cage}"
        assert len(set(digits)) == len(digits), f"{where}: cage {cage} repeats a digit"


def main():
    cli, schema_path = sys.argv[1], sys.argv[2]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    for variant, levels in OFFERED.items():
        for level in levels:
            check(cli, schema, variant, level)
    # A level the variant does not offer is refused, naming those it does.
    run = subprocess.run([cli, "puzzle", "--variant", "4x4", "--level", "hard", "--json"],
                         capture_output=True, text=True)
    assert run.returncode == 2 and "very-easy or easy" in run.stderr, run.stderr
    assert run.stdout == "", run.stdout
    print("ok")


if __name__ == "__main__":
    main()
