#!/usr/bin/env python3
"""Renders every page of a built help.chm in a real browser engine and checks what a reader sees.

  render_help.py --chm help.chm --shots DIR [--browser chromium-headless-shell]

The viewer of Windows shows the pages with a browser engine, which Wine does not have: the
pages extracted from the CHM are opened from disk in headless Chromium, driven through its
DevTools protocol on a pipe. Per page: the document's character set is Shift_JIS, its
rendered text (the body's innerText) is the page's source decoded as CP932, every picture
loaded (a natural width above 0), and every link and style sheet names a file inside the
CHM (and an anchor of it, when it has one). A screenshot of each whole page goes to
DIR/NAME.png, 800 pixels wide; `--shots docs/help/rendered` refreshes the pictures kept
beside the help sources, which are looked at, not compared.
"""

import argparse
import base64
import fcntl
import html.parser
import json
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

sys.dont_write_bytecode = True  # nothing written into the source tree
from check_help import check, extract, failures, parse  # noqa: E402

WIDTH = 800
TIMEOUT = 30.0

# What a page shows, read in the page after its load event.
PAGE_STATE = """JSON.stringify({
  charset: document.characterSet,
  text: document.body.innerText,
  images: [...document.images].map(i => [i.getAttribute('src'), i.naturalWidth]),
  links: [...document.querySelectorAll('a[href], link[href]')].map(a => a.href),
  height: document.documentElement.scrollHeight
})"""

# Elements whose edges are line breaks in the rendered text.
BLOCKS = {"address", "blockquote", "br", "dd", "div", "dl", "dt", "h1", "h2", "h3", "h4", "h5",
          "h6", "hr", "li", "ol", "p", "pre", "table", "td", "th", "tr", "ul"}


class BodyText(html.parser.HTMLParser):
    """The text content of a page's body, a space at each block's edge."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.inside, self.parts = False, []

    def handle_starttag(self, tag, attrs):
        self.inside |= tag == "body"
        if tag in BLOCKS:
            self.parts.append(" ")

    def handle_endtag(self, tag):
        if tag in BLOCKS:
            self.parts.append(" ")

    def handle_data(self, data):
        if self.inside:
            self.parts.append(data)


def words(text):
    return re.sub(r"\s+", " ", text).strip()


def source_text(data):
    p = BodyText()
    p.feed(data.decode("cp932"))
    return words("".join(p.parts))


def first_difference(a, b):
    k = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
    return f"at {k}: rendered {a[max(0, k - 20):k + 20]!r}, source {b[max(0, k - 20):k + 20]!r}"


class Browser:
    """Headless Chromium on --remote-debugging-pipe: commands on fd 3, answers on fd 4."""

    def __init__(self, binary, profile):
        to_browser, self.commands = os.pipe()
        self.answers, from_browser = os.pipe()

        def pipes_at_3_and_4():
            high = [fcntl.fcntl(fd, fcntl.F_DUPFD, 10) for fd in (to_browser, from_browser)]
            os.dup2(high[0], 3)
            os.dup2(high[1], 4)

        self.process = subprocess.Popen(
            [binary, "--remote-debugging-pipe", "--no-sandbox", "--disable-gpu",
             "--hide-scrollbars", "--force-device-scale-factor=1", "--lang=ja",
             f"--user-data-dir={profile}", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=pipes_at_3_and_4, close_fds=False)
        os.close(to_browser)
        os.close(from_browser)
        self.next_id, self.buffer, self.events = 0, b"", []
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        self.call("Page.enable", session=True)
        self.call("Emulation.setDeviceMetricsOverride", session=True, width=WIDTH, height=600,
                  deviceScaleFactor=1, mobile=False)

    def _message(self):
        deadline = time.monotonic() + TIMEOUT
        while b"\0" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.answers], [], [], left)[0]:
                raise TimeoutError("the browser does not answer")
            chunk = os.read(self.answers, 1 << 20)
            if not chunk:
                raise EOFError("the browser ended")
            self.buffer += chunk
        message, _, self.buffer = self.buffer.partition(b"\0")
        return json.loads(message)

    def call(self, method, session=False, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = self.session
        os.write(self.commands, json.dumps(message).encode() + b"\0")
        while True:
            answer = self._message()
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer["result"]
            self.events.append(answer)

    def wait_event(self, method):
        while True:
            for i, e in enumerate(self.events):
                if e.get("method") == method:
                    del self.events[i]
                    return e
            self.events.append(self._message())

    def open(self, url):
        self.events.clear()
        self.call("Page.navigate", session=True, url=url)
        self.wait_event("Page.loadEventFired")
        result = self.call("Runtime.evaluate", session=True, expression=PAGE_STATE,
                           returnByValue=True)["result"]
        return json.loads(result["value"])

    def screenshot(self, height, path):
        shot = self.call("Page.captureScreenshot", session=True, format="png",
                         captureBeyondViewport=True,
                         clip={"x": 0, "y": 0, "width": WIDTH, "height": height, "scale": 1})
        with open(path, "wb") as f:
            f.write(base64.b64decode(shot["data"]))

    def close(self):
        try:
            self.call("Browser.close")
        except (EOFError, TimeoutError, RuntimeError):
            pass
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self.commands)
        os.close(self.answers)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--chm", required=True)
    parser.add_argument("--shots", required=True)
    parser.add_argument("--browser", default="chromium-headless-shell")
    args = parser.parse_args()
    binary = shutil.which(args.browser)
    if not binary:
        sys.exit(f"render_help: {args.browser} is missing (scripts/install-deps.sh)")
    os.makedirs(args.shots, exist_ok=True)

    with tempfile.TemporaryDirectory() as tmp:
        folder = os.path.join(tmp, "chm")
        inside = extract(args.chm, folder)
        pages = sorted(n for n in inside if n.endswith(".htm"))
        check(len(pages) >= 10, f"the CHM holds the guide's pages ({len(pages)})")
        check(not any(n.startswith("rendered/") for n in inside),
              "the rendered pictures are not inside the CHM")
        browser = Browser(binary, os.path.join(tmp, "profile"))
        try:
            for name in pages:
                url = urllib.request.pathname2url(os.path.join(folder, name))
                page = browser.open("file://" + url)
                check(page["charset"] == "Shift_JIS",
                      f"{name}: the browser reads it as Shift_JIS ({page['charset']})")
                shown, source = words(page["text"]), source_text(inside[name])
                check(shown == source and len(shown) > 100,
                      f"{name}: the rendered text ({len(shown)} characters) is the CP932 source"
                      + ("" if shown == source else " " + first_difference(shown, source)))
                blank = [src for src, width in page["images"] if width <= 0]
                check(not blank, f"{name}: its {len(page['images'])} picture(s) are shown"
                      + (f", not {blank}" if blank else ""))
                broken = []
                for href in page["links"]:
                    link = urllib.parse.urlsplit(href)
                    target = os.path.relpath(urllib.request.url2pathname(link.path), folder)
                    target = target.replace(os.sep, "/")
                    if link.scheme != "file" or target not in inside:
                        broken.append(href)
                    elif link.fragment and link.fragment not in parse(inside[target]).anchors:
                        broken.append(href)
                check(not broken, f"{name}: its {len(page['links'])} link(s) resolve"
                      + (f", not {broken}" if broken else ""))
                browser.screenshot(page["height"],
                                   os.path.join(args.shots, name[:-len(".htm")] + ".png"))
        finally:
            browser.close()
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
