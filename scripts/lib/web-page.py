#!/usr/bin/env python3
"""Writes one self-contained page of a demo: the page of web/page.html with
the player (demoplayer.js, the program inside) and the demo's files in it.

    web-page.py PAGE_TEMPLATE PROGRAM_JS DEMO_DIR FILE_LIST TITLE OUT_HTML

FILE_LIST names the files the demo reads, one a line, relative to DEMO_DIR;
each goes into the page in base64, and the page writes it into the
program's in-memory folder before the program starts."""
import base64
import html
import json
import sys


def main():
    if len(sys.argv) != 7:
        print(__doc__, file=sys.stderr)
        return 2
    template, program, demo_dir, file_list, title, out = sys.argv[1:]
    with open(template, encoding="utf-8") as f:
        page = f.read()
    with open(program, encoding="utf-8") as f:
        code = f.read()
    files = {}
    with open(file_list, encoding="utf-8") as f:
        for path in f.read().splitlines():
            if path:
                with open(demo_dir + "/" + path, "rb") as data:
                    files[path] = base64.b64encode(data.read()).decode("ascii")
    # Neither the program nor the files may end their <script> early.
    code = code.replace("</script", "<\\/script")
    files_json = json.dumps(files, separators=(",", ":")).replace("</", "<\\/")
    page = page.replace("@TITLE@", html.escape(title))
    page = page.replace("@FILES@", files_json)
    page = page.replace("@PROGRAM@", code)
    with open(out, "w", encoding="utf-8") as f:
        f.write(page)
    return 0


if __name__ == "__main__":
    sys.exit(main())
