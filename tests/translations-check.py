#!/usr/bin/env python3
"""Every text of the program has a finished translation in each .ts file.

Runs lupdate over the sources into a copy of each translation file, so a text
added to the code without a translation fails here, and checks that each
translation keeps what the program relies on: the %N arguments, the line
breaks between a file name and its message, and a key where the text has one.
usage: translations-check.py LUPDATE SOURCE_DIR TS_FILE...
"""
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path


def text_of(element):
    # lupdate writes a carriage return as <byte value="xd"/>.
    parts = [element.text or '']
    for child in element:
        parts.append('\r' if child.tag == 'byte' else '')
        parts.append(child.tail or '')
    return ''.join(parts)


def problems(ts):
    found = []
    for context in ET.parse(ts).getroot().iter('context'):
        name = context.findtext('name')
        for message in context.iter('message'):
            source = text_of(message.find('source'))
            translation = message.find('translation')
            text = text_of(translation)
            where = f'{name}: {source!r}'
            if translation.get('type') in ('unfinished', 'vanished', 'obsolete') or not text:
                found.append(f'{where} has no finished translation')
                continue
            if sorted(re.findall(r'%\d', source)) != sorted(re.findall(r'%\d', text)):
                found.append(f'{where}: the arguments differ in {text!r}')
            if source.count('\r\n') != text.count('\r\n'):
                found.append(f'{where}: the line breaks differ in {text!r}')
            if ('&' in source) != ('&' in text) and not source.endswith('&)'):
                found.append(f'{where}: the key is lost in {text!r}')
    return found


def main():
    lupdate, sources, ts_files = sys.argv[1], sys.argv[2], sys.argv[3:]
    found = []
    with tempfile.TemporaryDirectory() as tmp:
        for ts in ts_files:
            copy = Path(tmp) / Path(ts).name
            shutil.copy(ts, copy)
            subprocess.run([lupdate, '-silent', '-no-obsolete', '-locations', 'none', sources,
                            '-ts', str(copy)], check=True)
            found += [f'{Path(ts).name}: {p}' for p in problems(copy)]
    for p in found:
        print(p)
    return 1 if found or not ts_files else 0


if __name__ == '__main__':
    sys.exit(main())
