#!/usr/bin/env python3
"""Puts the page together from web/page/ and the built engine (tolvarin.js, tolvarin.wasm):
a folder that any static web server can serve, and one self-contained HTML file that works
opened from disk. Each carries a Content-Security-Policy that allows no other host."""
import base64
import hashlib
import html
import pathlib
import shutil
import sys

PAGE = pathlib.Path(__file__).resolve().parent / "page"
ROOT = PAGE.parent.parent


def csp_hash(text: str) -> str:
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode()).digest()).decode() + "'"


def main() -> int:
    if len(sys.argv) != 4:
        print("usage: make_page.py ENGINE_FOLDER OUTPUT_FOLDER SINGLE_FILE.html", file=sys.stderr)
        return 2
    engine, folder, single = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])
    template = (PAGE / "index.html").read_text()
    style = (PAGE / "page.css").read_text()
    script = (PAGE / "page.js").read_text()
    worker = (engine / "tolvarin.js").read_text() + "\n" + (PAGE / "worker.js").read_text()
    wasm = (engine / "tolvarin.wasm").read_bytes()
    # The licence and the libraries' notices travel inside the page, and beside it.
    licence = (ROOT / "LICENSE").read_text()
    notices = (ROOT / "NOTICES.txt").read_text()
    template = template.replace("@LICENCE@", html.escape(licence)).replace("@NOTICES@", html.escape(notices))

    # The folder: the page and its parts, all from the same origin.
    if folder.exists():
        shutil.rmtree(folder)
    folder.mkdir(parents=True)
    csp = ("default-src 'none'; script-src 'self' 'wasm-unsafe-eval'; worker-src 'self'; connect-src 'self'; "
           "style-src 'self'; img-src 'self' blob: data:; base-uri 'none'; form-action 'none'")
    page = (template.replace("@CSP@", csp)
            .replace("@STYLE@", '<link rel="stylesheet" href="page.css">')
            .replace("@WORKER@\n", "")
            .replace("@SCRIPT@", '<script src="page.js"></script>'))
    (folder / "index.html").write_text(page)
    (folder / "page.css").write_text(style)
    (folder / "page.js").write_text(script)
    (folder / "worker.js").write_text(worker)
    (folder / "tolvarin.wasm").write_bytes(wasm)
    (folder / "LICENSE.txt").write_text(licence)
    (folder / "NOTICES.txt").write_text(notices)

    # The single file: the worker and the engine inside it, its own scripts allowed by hash.
    for text in (worker, script):
        if "</script" in text.lower():
            print("a script holds </script and cannot be put inline", file=sys.stderr)
            return 1
    csp = (f"default-src 'none'; script-src {csp_hash(script)} 'wasm-unsafe-eval'; worker-src blob:; "
           f"connect-src 'none'; style-src {csp_hash(style)}; img-src blob: data:; base-uri 'none'; form-action 'none'")
    page = (template.replace("@CSP@", csp)
            .replace("@STYLE@", "<style>" + style + "</style>")
            .replace("@WORKER@", '<script type="text/plain" id="tolvarin-worker">' + worker + "</script>\n"
                     '<script type="text/plain" id="tolvarin-wasm">' + base64.b64encode(wasm).decode() + "</script>")
            .replace("@SCRIPT@", "<script>" + script + "</script>"))
    single.parent.mkdir(parents=True, exist_ok=True)
    single.write_text(page)
    return 0


if __name__ == "__main__":
    sys.exit(main())
