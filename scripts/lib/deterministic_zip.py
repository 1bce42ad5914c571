#!/usr/bin/python3
"""deterministic_zip.py FOLDER EPOCH: FOLDER.zip with FOLDER's files in name order,
each dated EPOCH (SOURCE_DATE_EPOCH) and mode 644, so one tree gives the same bytes."""

import os
import sys
import time
import zipfile

folder, epoch = sys.argv[1], int(sys.argv[2])
stamp = time.gmtime(max(epoch, 315532800))[:6]  # a zip's dates begin in 1980
with zipfile.ZipFile(folder + ".zip", "w") as archive:
    for top, folders, files in os.walk(folder):
        folders.sort()
        for name in sorted(files):
            path = os.path.join(top, name)
            entry = zipfile.ZipInfo(path, stamp)
            entry.external_attr = 0o644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as file:
                archive.writestr(entry, file.read())
