#!/usr/bin/env python3
# make-pak.py - packs files into a ".pak" package (a zip) that comes out
# byte-identical on every run: entries in name order (whatever order they are
# given in), every timestamp 1980-01-01, the same permissions and host,
# deflated at one fixed level.
#
#   tools/cove/make-pak.py OUT.pak ROOT NAME...   (NAMEs relative to ROOT, '/'-separated)
import os
import sys
import zipfile

FIXED_TIME = (1980, 1, 1, 0, 0, 0)


def pack(out, root, names):
    temp = out + '.tmp'
    with zipfile.ZipFile(temp, 'w') as archive:
        for name in names:
            with open(os.path.join(root, name), 'rb') as f:
                data = f.read()
            info = zipfile.ZipInfo(name, FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix, whatever machine runs this
            info.external_attr = 0o100644 << 16
            archive.writestr(info, data, compresslevel=9)
    os.replace(temp, out)


def main():
    if len(sys.argv) < 4:
        print('usage: make-pak.py OUT.pak ROOT NAME...', file=sys.stderr)
        return 2
    names = sorted(sys.argv[3:])
    if len(set(names)) != len(names) or any(n.startswith('/') or '\\' in n for n in names):
        print('make-pak: names must be unique, relative and use /', file=sys.stderr)
        return 2
    pack(sys.argv[1], sys.argv[2], names)
    return 0


if __name__ == '__main__':
    sys.exit(main())
