#!/usr/bin/python3
"""Reads a compound document with olefile, an independent reader, and writes every stream's
bytes to a folder: <index>.bin per stream, and on stdout a JSON list of
{"path": "Storage/Stream", "size": n, "file": "<index>.bin"}.

Usage: olefile_streams.py DOCUMENT OUTPUT_FOLDER
Exits with 1 and a message on stderr when olefile finds the document incorrect."""
import json
import os
import sys

import olefile


def main():
    document, folder = sys.argv[1], sys.argv[2]
    streams = []
    # DEFECT_INCORRECT: what olefile would only log as a fault becomes an error.
    with olefile.OleFileIO(document, raise_defects=olefile.DEFECT_INCORRECT) as ole:
        for index, path in enumerate(ole.listdir(streams=True, storages=False)):
            data = ole.openstream(path).read()
            name = "%d.bin" % index
            with open(os.path.join(folder, name), "wb") as out:
                out.write(data)
            streams.append({"path": "/".join(path), "size": ole.get_size(path), "file": name})
    json.dump(streams, sys.stdout)


if __name__ == "__main__":
    try:
        main()
    except Exception as error:  # any complaint of the reader fails the test
        sys.stderr.write("%s: %s\n" % (type(error).__name__, error))
        sys.exit(1)
