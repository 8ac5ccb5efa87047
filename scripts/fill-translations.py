#!/usr/bin/env python3
"""Fills the unfinished entries of the translation sources.

vorlane_en.ts repeats each source text; vorlane_zh.ts takes the Chinese text
from the table in translations/zh.tsv (source<TAB>translation, with \\n and
\\r escaped). Entries without a table row are left unfinished and listed.
"""
import html
import pathlib
import re
import sys

root = pathlib.Path(__file__).resolve().parent.parent / "translations"
ENTRY = re.compile(r'<source>((?:[^<]|<byte value="x[0-9a-fA-F]+"/>)*)</source>(\s*)<translation type="unfinished">[^<]*</translation>')


def unescape(text):
    text = re.sub(r'<byte value="x([0-9a-fA-F]+)"/>', lambda m: chr(int(m.group(1), 16)), text)
    return html.unescape(text)


def escape(text):
    out = html.escape(text, quote=False).replace("'", "&apos;")
    return out.replace("\r", '<byte value="xd"/>')


def load_table():
    table = {}
    for line in (root / "zh.tsv").read_text(encoding="utf-8").splitlines():
        if not line or line.startswith("#"):
            continue
        source, translation = line.split("\t", 1)
        decode = lambda t: t.replace("\\n", "\n").replace("\\r", "\r")
        table[decode(source)] = decode(translation)
    return table


def fill(path, table):
    text = path.read_text(encoding="utf-8")
    missing = []

    def replace(match):
        source = unescape(match.group(1))
        translation = source if table is None else table.get(source)
        if translation is None:
            missing.append(source)
            return match.group(0)
        return "<source>%s</source>%s<translation>%s</translation>" % (match.group(1), match.group(2), escape(translation))

    path.write_text(ENTRY.sub(replace, text), encoding="utf-8")
    return missing


missing = fill(root / "vorlane_zh.ts", load_table()) + fill(root / "vorlane_en.ts", None)
for source in missing:
    print("no translation for: %r" % source)
sys.exit(1 if missing else 0)
