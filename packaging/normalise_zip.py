#!/usr/bin/env python3
"""Writes a zip again so that the same contents give the same bytes.

Members in name order, each with the date of SOURCE_DATE_EPOCH in UTC (or the
date it had), its permissions, no extra fields (the archiver's user and group
ids), deflated at level 9. The new file replaces the old one only when
complete.

usage: normalise_zip.py FILE.zip
"""
import os
import sys
import time
import zipfile


def main(path):
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    fixed = time.gmtime(int(epoch))[:6] if epoch and epoch.isdigit() else None
    if fixed and fixed[0] < 1980:
        fixed = (1980, 1, 1, 0, 0, 0)
    temporary = path + ".sorting"
    try:
        with zipfile.ZipFile(path) as source, \
                zipfile.ZipFile(temporary, "w") as target:
            for info in sorted(source.infolist(), key=lambda i: i.filename):
                member = zipfile.ZipInfo(info.filename, fixed or info.date_time)
                member.create_system = 3  # permissions in Unix form
                member.external_attr = info.external_attr
                member.compress_type = zipfile.ZIP_DEFLATED
                data = b"" if info.is_dir() else source.read(info)
                target.writestr(member, data, compresslevel=9)
        os.replace(temporary, path)
    except BaseException:
        if os.path.exists(temporary):
            os.remove(temporary)
        raise


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: normalise_zip.py FILE.zip")
    main(sys.argv[1])
