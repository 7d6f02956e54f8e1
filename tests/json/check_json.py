#!/usr/bin/env python3
"""Checks the JSON twins the test suite kept ($PCFG_JSON_OUT of the unit run).

  check_json.py SCHEMA_DIR TWINS_FILE

TWINS_FILE holds pairs "text <n>\\n<text>json <m>\\n<json>": an output the
tests compare with a golden, and the same input printed as JSON. For every
pair:
  - the JSON is a sequence of whole documents, read strictly (no NaN or
    Infinity, no member twice); a history record or a logged message stands
    on one line (JSON Lines);
  - each document is valid against the schema of its kind: a command's
    document against commands/<command>.json, a history record against
    history/<log>.json, a logged message against messages/<decoder>.json;
  - every number the text shows is in the JSON with the same value: as a
    number (decimal, or hexadecimal where the text shows hex digits), or
    inside a text the JSON holds (a port name, a date, a message).
Every schema must be used by at least one document, and every command of
the library's list must have its schema. Prints one line per failure (the
first 20) and a summary; exits 1 on any failure.
"""
import json
import pathlib
import re
import sys

from jsonschema import Draft202012Validator, RefResolver

# A number of the text: not inside a word, starting with a digit; "0x"
# before it or a letter in it makes it hexadecimal.
TEXT_NUMBER = re.compile(
    r"(?<![0-9A-Za-z_.])(-?)(0x)?([0-9][0-9A-Fa-f]*)(\.[0-9]+)?(?![0-9A-Za-z_])")
WORD = re.compile(r"[0-9A-Za-z]+")
DIGITS = re.compile(r"[0-9]+")


def pairs(path):
    data = pathlib.Path(path).read_bytes()
    at = 0
    while at < len(data):
        out = []
        for tag in (b"text ", b"json "):
            end = data.index(b"\n", at)
            if not data.startswith(tag, at):
                raise SystemExit("%s: damaged at byte %d" % (path, at))
            n = int(data[at + len(tag):end])
            out.append(data[end + 1:end + 1 + n].decode("utf-8"))
            at = end + 1 + n
        yield out


def no_constant(name):
    raise ValueError("not JSON: %s" % name)


def unique_members(members):
    keys = [k for k, _ in members]
    if len(keys) != len(set(keys)):
        raise ValueError("a member twice: %s" % sorted(k for k in keys if keys.count(k) > 1))
    return dict(members)


def documents(text):
    """(document, its source text) for each document, strictly read."""
    decoder = json.JSONDecoder(parse_constant=no_constant, object_pairs_hook=unique_members)
    at, out = 0, []
    while True:
        while at < len(text) and text[at] in " \t\r\n":
            at += 1
        if at == len(text):
            return out
        doc, end = decoder.raw_decode(text, at)
        if not isinstance(doc, dict):
            raise ValueError("a document that is no object")
        out.append((doc, text[at:end]))
        at = end


def schema_of(doc):
    if "command" in doc:
        return "commands/%s.json" % (doc["command"] or "invalid")
    if "log" in doc:
        return "history/%s.json" % (doc["log"] or "invalid")
    if "decoder" in doc:
        return "messages/%s.json" % (doc["decoder"] or "unsupported")
    raise ValueError("a document of no known kind: %s" % json.dumps(doc)[:80])


def json_values(node, numbers, words):
    if isinstance(node, bool) or node is None:
        return
    if isinstance(node, (int, float)):
        numbers.add(node)
    elif isinstance(node, str):
        for w in WORD.findall(node):
            words.add(w.lower())
            if w.lower().startswith("0x"):
                words.add(w.lower()[2:])
        for d in DIGITS.findall(node):
            words.add(str(int(d)))
    elif isinstance(node, dict):
        for v in node.values():
            json_values(v, numbers, words)
    else:
        for v in node:
            json_values(v, numbers, words)


def missing_numbers(text, docs):
    numbers, words = set(), set()
    for doc, _ in docs:
        json_values(doc, numbers, words)
    missing = []
    for m in TEXT_NUMBER.finditer(text):
        sign, hex_mark, digits, fraction = m.groups()
        if fraction:
            value = float(sign + digits + fraction)
            if not any(abs(n - value) < 0.006 for n in numbers):
                missing.append(m.group(0))
            continue
        values = set()
        if not hex_mark and digits.isdigit():
            values.add(int(sign + digits))
            if sign:  # a negative 32-bit number as its unsigned twin
                values.add(int(sign + digits) & 0xFFFFFFFF)
        if hex_mark or not digits.isdigit() or not sign:
            values.add(int(digits, 16))
        if values & numbers:
            continue
        if digits.lower() in words or (digits.isdigit() and str(int(digits)) in words):
            continue
        missing.append(m.group(0))
    return missing


def main():
    schema_dir = pathlib.Path(sys.argv[1]).resolve()
    store, validators = {}, {}
    for path in sorted(schema_dir.rglob("*.json")):
        store[path.as_uri()] = json.loads(path.read_text())
    for uri, schema in store.items():
        Draft202012Validator.check_schema(schema)
        resolver = RefResolver(base_uri=uri, referrer=schema, store=store)
        validators[uri] = Draft202012Validator(schema, resolver=resolver)

    failures, used, outputs, count = [], set(), 0, 0
    for text, json_text in pairs(sys.argv[2]):
        outputs += 1
        where = "output %d (%s)" % (outputs, text[:60].replace("\n", "|"))
        try:
            docs = documents(json_text)
        except ValueError as e:
            failures.append("%s: %s: %s" % (where, e, json_text[:200]))
            continue
        for doc, source in docs:
            count += 1
            try:
                name = schema_of(doc)
            except ValueError as e:
                failures.append("%s: %s" % (where, e))
                continue
            uri = (schema_dir / name).as_uri()
            if uri not in validators:
                failures.append("%s: no schema %s" % (where, name))
                continue
            used.add(uri)
            if ("log" in doc or "decoder" in doc) and "\n" in source:
                failures.append("%s: a record on more than one line" % where)
            error = next(iter(validators[uri].iter_errors(doc)), None)
            if error is not None:
                failures.append("%s: %s at %s: %s" % (where, name, list(error.absolute_path),
                                                      error.message[:200]))
        lost = missing_numbers(text, docs)
        if lost:
            failures.append("%s: numbers of the text missing from the JSON: %s\n  %s" % (
                where, " ".join(lost[:8]), json_text[:300]))

    top = schema_dir.parent / "include" / "port_cfg_cli.h"
    if top.exists():
        for name in re.findall(r"X\((PCFG_CMD_\w+), \d+,", top.read_text()):
            if (schema_dir / "commands" / (name + ".json")).as_uri() not in store:
                failures.append("no schema for %s" % name)
    for uri in sorted(set(store) - used):
        if "/commands/" in uri or "/history/" in uri or "/messages/" in uri:
            if not uri.endswith("record.json"):
                failures.append("no document used %s" % uri[len(schema_dir.as_uri()) + 1:])

    for f in failures[:int(__import__("os").environ.get("PCFG_JSON_SHOW", "20"))]:
        print(f)
    print("json: %d outputs, %d documents, %d schemas; %d failures" % (
        outputs, count, len(store), len(failures)))
    return 1 if failures or outputs == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
