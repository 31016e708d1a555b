#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The HTML reports of qualify and wear as a user meets them: parsed by html5lib without a
single parse error, self-contained, printed to PDF by Debian's chromium on A4 pages whose
text (pdftotext) says what the run's JSON says.

Usage: report_check.py KVT730CTL KVT730SIM   (exit 77: a tool is missing, the test is skipped)
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77


def run_ctl(ctl, device, args):
    done = subprocess.run([ctl, "--port", device] + args + ["--json"], capture_output=True, text=True, timeout=120)
    return done.returncode, json.loads(done.stdout)


def parse_strict(html5lib, path):
    """The document tree; html5lib raises on the first parse error."""
    with open(path, "rb") as f:
        return html5lib.HTMLParser(strict=True, namespaceHTMLElements=False).parse(f.read())


def to_pdf_text(chromium, path, tmp):
    pdf = path + ".pdf"
    subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                    "--disable-component-update", "--disable-sync", "--no-first-run",
                    "--user-data-dir=" + os.path.join(tmp, "profile"), "--print-to-pdf=" + pdf, path],
                   capture_output=True, timeout=120, check=True)
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
    text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True, check=True).stdout
    return info, text


def fail(why):
    print("FAIL: " + why)
    return 1


def main(ctl, sim_path):
    try:
        import html5lib
    except ImportError:
        print("SKIP: html5lib is missing (Debian package python3-html5lib)")
        return SKIP
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium or not shutil.which("pdftotext") or not shutil.which("pdfinfo"):
        print("SKIP: chromium or poppler-utils (pdftotext, pdfinfo) is missing")
        return SKIP
    tmp = tempfile.mkdtemp()
    sim = subprocess.Popen([sim_path, "--jam-rate", "0.1", "--seed", "5", "--motion-ms", "1"],
                           stdout=subprocess.PIPE, text=True)
    try:
        device = ""
        while not device:
            line = sim.stdout.readline()
            if not line:
                return fail("kvt730-sim gave no device")
            if line.startswith("DEVICE "):
                device = line.split()[1]
        wear_html, qualify_html = os.path.join(tmp, "wear.html"), os.path.join(tmp, "qualify.html")
        wear_rc, wear = run_ctl(ctl, device, ["wear", "--cycles", "60", "--path", "ic,rf", "--report", wear_html])
        qualify_rc, qualify = run_ctl(ctl, device, ["qualify", "--path", "rf", "--report", qualify_html])
    finally:
        sim.terminate()
        sim.wait(timeout=20)
    problems = []
    if wear_rc != (0 if wear["verdict"] == "pass" else 1):
        problems.append("wear exit status %d for verdict %s" % (wear_rc, wear["verdict"]))

    for path in (wear_html, qualify_html):
        try:
            tree = parse_strict(html5lib, path)
        except Exception as e:  # html5lib's ParseError names the place
            problems.append("%s: %s" % (os.path.basename(path), e))
            continue
        for element in tree.iter():
            if element.tag == "script" or "src" in element.attrib or "href" in element.attrib:
                problems.append("%s: %s loads something from elsewhere" % (os.path.basename(path), element.tag))
        if path == wear_html:
            rows = {}
            for row in tree.iter("tr"):
                cells = ["".join(c.itertext()) for c in row if c.tag == "td"]
                if len(cells) == 10:
                    rows[cells[0]] = cells[1:]
            for name, m in wear["motions"].items():
                f = m["failures"]
                want = [str(m["count"]), str(f["negative"]), str(f["exchange"]), str(f["position"]), str(f["slow"])] + [
                    "%.3f" % m[k] for k in ("min_ms", "median_ms", "p95_ms", "max_ms")]
                if rows.get(name) != want:
                    problems.append("wear row %s: %s, the JSON says %s" % (name, rows.get(name), want))

    info, text = to_pdf_text(chromium, wear_html, tmp)
    if "(A4)" not in info:
        problems.append("wear PDF pages are not A4: " + info)
    words = text.split()
    for needed in [wear["verdict"].upper(), wear["unit"]["serial"], "Motion ic", "Motion rf", "%d of 60" % wear["cycles"]]:
        if needed not in text:
            problems.append("the printed wear report lacks %r" % needed)
    for name, m in wear["motions"].items():
        for figure in ["%.3f" % m["median_ms"], "%.3f" % m["p95_ms"], str(m["count"])]:
            if figure not in words:
                problems.append("the printed wear report lacks %s's %s" % (name, figure))

    info, text = to_pdf_text(chromium, qualify_html, tmp)
    words = text.split()
    if "(A4)" not in info:
        problems.append("qualify PDF pages are not A4")
    if qualify_rc != (0 if qualify["verdict"] == "pass" else 1):
        problems.append("qualify exit status %d for verdict %s" % (qualify_rc, qualify["verdict"]))
    for needed in [qualify["verdict"].upper(), qualify["unit"]["serial"], qualify["unit"]["firmware"], "KVT-730-MA1"]:
        if needed not in text:
            problems.append("the printed qualify report lacks %r" % needed)
    for check in qualify["checks"]:
        if not all(w in words for w in check["name"].split()) or "%.3f" % check["ms"] not in words:
            problems.append("the printed qualify report lacks the check %s (%.3f ms)" % (check["name"], check["ms"]))

    shutil.rmtree(tmp, ignore_errors=True)
    for p in problems:
        print("FAIL: " + p)
    if not problems:
        print("both reports parse without error and print as the JSON says")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
