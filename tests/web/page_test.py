"""The playground page in headless Chromium, driven as a person drives it.

Each test opens the built site (WEFT_SITE) in a fresh browser profile,
types, clicks and reads what the page shows, and compares it with what the
native programs print for the same files, options and clock second (WEFT,
WEFT_CHECK, with the clock frozen by WEFT_FROZEN_TIME_LIB). Screenshots of
every view go to WEFT_SCREENSHOTS. Run with /usr/bin/python3.
"""

import base64
import json
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402

from selenium.common.exceptions import StaleElementReferenceException, TimeoutException  # noqa: E402
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

SITE = os.environ.get("WEFT_SITE", "build/wasm/web")
WEFT = os.environ.get("WEFT", "build/release/weft")
WEFT_CHECK = os.environ.get("WEFT_CHECK", "build/release/tools/check/weft-check")
FROZEN_TIME_LIB = os.environ.get("WEFT_FROZEN_TIME_LIB", "build/release/tests/libweft_frozen_time.so")
SCREENSHOTS = os.environ.get("WEFT_SCREENSHOTS", "build/web-screenshots")
EXAMPLES = os.path.join(SITE, "examples")

CLOCK = 1767225600  # 2026-01-01 00:00 UTC


def native(program, args, folder, clock=CLOCK):
    """What a native program prints in `folder` (both streams in order) and its status."""
    env = {"PATH": "/usr/bin:/bin", "LC_ALL": "C", "WEFT_FROZEN_TIME": str(clock),
           "LD_PRELOAD": os.path.abspath(FROZEN_TIME_LIB)}
    done = subprocess.run([os.path.abspath(program), *args], cwd=folder, env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=False)
    return done.stdout.decode("utf-8", "replace"), done.returncode


def write_files(folder, files):
    for path, text in files.items():
        target = os.path.join(folder, *path.split("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "w", encoding="utf-8") as out:
            out.write(text)


class Page:
    """The page open in one browser, with the actions a person takes."""

    def __init__(self, driver, url):
        self.driver = driver
        driver.get(url)
        self.wait_ready()

    def wait_ready(self):
        WebDriverWait(self.driver, 60).until(
            lambda d: d.execute_script("return document.body.dataset.ready === 'true'"))

    def find(self, element_id):
        return self.driver.find_element(By.ID, element_id)

    def shown(self, element_id):
        """The text an element shows, exactly (textContent, blanks kept)."""
        return self.find(element_id).get_attribute("textContent")

    def fill(self, element_id, value):
        field = self.find(element_id)
        field.clear()
        field.send_keys(str(value))

    def add_file(self, path, text):
        self.fill("file-path", path)
        self.find("file-add").click()
        self.assertless_error()
        self.type(text)

    def type(self, text):
        """Types at the end of the editor's text, key by key."""
        self.driver.find_element(By.CSS_SELECTOR, ".CodeMirror-code").click()
        ActionChains(self.driver).key_down(Keys.CONTROL).send_keys(Keys.END).key_up(Keys.CONTROL) \
            .send_keys(text).perform()

    def editor_text(self):
        return self.driver.execute_script("return document.querySelector('.CodeMirror').CodeMirror.getValue()")

    def wait_for(self, selector, timeout=30):
        """The elements `selector` finds, once there are some shown."""
        return WebDriverWait(self.driver, timeout).until(lambda d: d.execute_script(
            "return [...document.querySelectorAll(arguments[0])].filter((e) => e.getClientRects().length)",
            selector))

    def assertless_error(self):
        error = self.shown("file-error")
        if error:
            raise AssertionError(f"the page refused the file: {error}")

    def open_file(self, path):
        self.driver.find_element(By.CSS_SELECTOR, f'button.file[data-path="{path}"]').click()

    def file_paths(self):
        return [b.get_attribute("data-path") for b in self.driver.find_elements(By.CSS_SELECTOR, "button.file")]

    def click_and_wait(self, element_id, view):
        """Clicks an action and waits until its view is shown and the run is over."""
        self.driver.execute_script(f"document.getElementById('{view}').dataset.seen = ''")
        self.find(element_id).click()
        self.wait_idle(view)

    def wait_idle(self, view):
        WebDriverWait(self.driver, 120).until(lambda d: d.execute_script(
            "return !document.body.hasAttribute('aria-busy') && "
            f"!document.getElementById('{view}').hidden"))

    def point_until(self, target, selector, words):
        """Points at the element the script `target` returns until an element
        `selector` finds shows `words` (the highlighting and the marks may be
        made again under the pointer); returns that element's text."""
        def attempt(driver):
            try:
                ActionChains(driver).move_to_element(self.find("editor-heading")) \
                    .move_to_element(driver.execute_script(target)).perform()
                return WebDriverWait(driver, 3).until(lambda d: next((text for text in d.execute_script(
                    "return [...document.querySelectorAll(arguments[0])].map((e) => e.textContent)",
                    selector) if words in text), None))
            except (StaleElementReferenceException, TimeoutException):
                return None
        return WebDriverWait(self.driver, 30).until(attempt)

    def editor_line(self):
        """The line the editor's selection starts on, and the selected text."""
        return self.driver.execute_script(
            "const cm = document.querySelector('.CodeMirror').CodeMirror;"
            "return [cm.getCursor('from').line + 1, cm.getSelection()];")

    def screenshot(self, name, full_page=True):
        browser.screenshot(self.driver, os.path.join(SCREENSHOTS, name + ".png"), full_page)


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = cls.enterClassContext(browser.serve(SITE))

    def open_page(self, width=1280, height=900, phone=False, url=None):
        """The page in a fresh browser; `phone`: at 390x844 with a touch screen."""
        driver = self.enterContext(browser.chromium(width=width, height=height))
        if phone:
            browser.emulate_phone(driver)
        return Page(driver, url or self.site.url("index.html"))

    def test_type_a_table_and_roll_it(self):
        page = self.open_page()
        table = "%title:colours\nred\ngreen:3\nblue (table1)\n%table 1\nsky\nsea\n"
        page.add_file("paint/colours.dat", table)
        page.find("opt-t").click()
        page.fill("opt-n", 6)
        page.fill("opt-clock", CLOCK)
        page.click_and_wait("run", "view-output")
        with tempfile.TemporaryDirectory() as folder:
            write_files(folder, {"paint/colours.dat": table})
            printed, status = native(WEFT, ["-t", "-n", "6", "paint\\colours.dat"], folder)
        self.assertEqual(status, 1)
        self.assertEqual(page.shown("output"), printed)
        self.assertIn("weft -t -n 6 paint\\colours.dat", page.shown("output-command"))
        self.assertIn(str(CLOCK), page.shown("output-command"))
        self.assertEqual(page.shown("output-status"), "weft ended normally (exit status 1).")
        page.screenshot("output")

        # A run that stops says why, in words, beside what was printed first.
        page.fill("opt-n", 0)
        page.click_and_wait("run", "view-output")
        self.assertIn("Invalid number of elements specified with -n", page.shown("output"))
        self.assertIn("a bad -n", page.shown("output-status"))
        self.assertIn("-7, shown by a shell as 249", page.shown("output-status"))

        # The files outlive the page; a reload finds them as they were.
        page.driver.refresh()
        page.wait_ready()
        self.assertIn("paint/colours.dat", page.file_paths())
        page.open_file("paint/colours.dat")
        self.assertEqual(page.editor_text(), table)

        # Renaming moves the file, deleting removes it; a bad path is refused.
        page.fill("file-path", "paint/../x.dat")
        page.find("file-rename").click()
        self.assertIn("cannot hold . or ..", page.shown("file-error"))
        page.fill("file-path", "hues.dat")
        page.find("file-rename").click()
        self.assertIn("hues.dat", page.file_paths())
        self.assertNotIn("paint/colours.dat", page.file_paths())
        page.find("file-delete").click()
        page.driver.switch_to.alert.accept()
        self.assertNotIn("hues.dat", page.file_paths())

    def test_a_faulty_file_shows_its_diagnostic_and_jumps_to_its_line(self):
        page = self.open_page()
        faulty = "%title:broken\nthe (table1) door\nthe (table3) gate\n%table 1\nred\n"
        page.add_file("broken.dat", faulty)
        page.open_file("tavern.dat")  # the jump has to bring the file back
        page.fill("opt-files", "broken.dat")
        page.click_and_wait("check", "view-check")
        with tempfile.TemporaryDirectory() as folder:
            write_files(folder, {"broken.dat": faulty})
            report, _ = native(WEFT_CHECK, ["broken.dat"], folder)
        found = re.search(r"^broken\.dat:(\d+): error: (.*)$", report, re.M)
        self.assertIsNotNone(found, report)
        line, message = int(found.group(1)), found.group(2)
        self.assertEqual(line, 3)
        items = page.driver.find_elements(By.CSS_SELECTOR, "#check-list li.error")
        self.assertTrue(items, page.shown("view-check"))
        self.assertIn(message, items[0].text)
        self.assertIn(report.strip().splitlines()[-1], page.shown("check-summary"))
        page.screenshot("check")
        items[0].find_element(By.CSS_SELECTOR, "button.place").click()
        self.assertEqual(page.shown("editor-name"), "broken.dat")
        self.assertEqual(page.editor_line(), [3, "the (table3) gate"])
        self.assertEqual(page.shown("editor-position"), "Line 3, column 1")

    def test_the_editor_marks_hovers_completes_and_jumps_as_you_type(self):
        page = self.open_page()
        page.add_file("traps.dat", "%title:traps\nthe (table2) and (table1)\n%table 1\nred:3\nblue\n"
                                   "%table 2\nsky\nsea\n")
        page.type("%table: 2\n")  # a trap, and no button pressed
        with tempfile.TemporaryDirectory() as folder:
            write_files(folder, {"traps.dat": page.editor_text()})
            report, _ = native(WEFT_CHECK, ["traps.dat"], folder)
        message = re.search(r"^traps\.dat:9: \w+: (.*)$", report, re.M).group(1)
        WebDriverWait(page.driver, 30).until(  # one mark in the gutter, on the trap's line
            lambda d: len(page.wait_for(".CodeMirror-lint-marker-error, .CodeMirror-lint-marker-warning")) == 1)
        # One box at a time: at the mark, the problem heads the hover box; at
        # the gutter's marker, the lint tooltip opens alone.
        boxes = "return [...document.querySelectorAll(arguments[0])].filter((e) => e.getClientRects().length" \
                " && getComputedStyle(e).opacity > 0).length"
        for target, shown, hidden in [(".CodeMirror-lint-mark-warning, .CodeMirror-lint-mark-error", ".weft-hover",
                                       ".CodeMirror-lint-tooltip"),
                                      (".CodeMirror-lint-marker-warning, .CodeMirror-lint-marker-error",
                                       ".CodeMirror-lint-tooltip", ".weft-hover")]:
            page.point_until(f"return document.querySelector('{target}')", shown, message)
            time.sleep(0.8)  # past the hover's pause
            self.assertEqual(page.driver.execute_script(boxes, hidden), 0, target)
        self.assertTrue(page.find("view-check").get_attribute("hidden"))
        self.assertEqual(page.wait_for('button.file[data-path="traps.dat"] .problems')[0].text, "1")
        self.assertEqual(page.wait_for('button.file[data-path="traps.dat"]')[0].get_attribute("aria-label"),
                         "traps.dat: 1 warning")
        self.assertTrue(page.driver.find_elements(By.CSS_SELECTOR, ".CodeMirror .weft-keyword"))
        page.screenshot("editor")

        # Hovering an entry shows its chance: 3 of the 4 positions of table 1.
        self.assertIn("75.0%, 1 in 1.3 in table 1", page.point_until(
            "return document.querySelectorAll('.CodeMirror-line')[3].firstChild", ".weft-hover", "in table 1"))

        page.type("a line long enough to reach the right of the editor and the page (")
        page.wait_for(".CodeMirror-hint")
        hints = page.driver.execute_script(
            "return [...document.querySelectorAll('.CodeMirror-hint')].map((e) => e.textContent)")
        # weft reads "%table: 2" as table 0, whose reference from table 0 comes last.
        self.assertTrue(hints[0].startswith("table1"), hints)
        self.assertTrue(hints[-1].startswith("table0") and hints[-1].endswith("this table again"), hints)
        self.assertEqual(page.driver.execute_script(  # the list inside the page, which does not scroll sideways
            "const root = document.documentElement, list = document.querySelector('.CodeMirror-hints');"
            "return [root.scrollWidth <= root.clientWidth, list.getBoundingClientRect().right <= root.clientWidth]"),
            [True, True])
        ActionChains(page.driver).send_keys(Keys.ENTER).perform()
        self.assertTrue(page.editor_text().splitlines()[-1].endswith("(" + hints[0].split(" ")[0]))

        # Ctrl+click on (table2) goes to its table.
        def go_to_table2(driver):
            try:  # the highlighting may repaint the line under the pointer
                reference = driver.execute_script(
                    "return [...document.querySelectorAll('.CodeMirror-line span span')]"
                    "  .find((span) => span.textContent === '(table2)')")
                ActionChains(driver).key_down(Keys.CONTROL).click(reference).key_up(Keys.CONTROL).perform()
                return WebDriverWait(driver, 2).until(lambda d: page.editor_line() == [6, "%table 2"])
            except (StaleElementReferenceException, TimeoutException):
                return False
        WebDriverWait(page.driver, 30).until(go_to_table2)

    def test_why_a_line_shows_the_steps_of_weft_check_explain(self):
        page = self.open_page()
        files = {"lore/names.ele": "#pre\nbor\ngim\n#suf\nin\nli\n",
                 "lore/kin.dat": "%title:kin\n%files\nnames.ele\n%table 0\n"
                                 "(names.ele) of the hills rolls (random 2d6+1)\n"}
        for path, text in files.items():
            page.add_file(path, text)
        page.fill("opt-n", 2)
        page.fill("opt-clock", CLOCK)
        page.click_and_wait("run", "view-output")
        with tempfile.TemporaryDirectory() as folder:
            write_files(folder, files)
            explained, _ = native(WEFT_CHECK, [f"--explain={CLOCK}", "-n", "2", "lore\\kin.dat"], folder)
        native_steps = [[]]
        for line in explained.splitlines():
            if line.startswith("  "):
                native_steps[-1].append(line.strip())
            else:
                native_steps.append([])
        page.driver.find_elements(By.CSS_SELECTOR, "#output details.why summary")[1].click()
        steps = page.wait_for("#output details.why[open] button.step")
        self.assertEqual([step.text for step in steps], native_steps[2])
        self.assertTrue(any("enters listed file" in step for step in native_steps[2]), explained)
        self.assertTrue(any("rolled" in step for step in native_steps[2]), explained)
        page.screenshot("why")
        steps[0].click()  # the pick, on line 5 of kin.dat
        self.assertEqual(page.editor_line(), [5, "(names.ele) of the hills rolls (random 2d6+1)"])
        [step for step in steps if "picked names.ele line" in step.text][0].click()
        self.assertEqual(page.shown("editor-name"), "lore/names.ele")  # not the examples' names.ele

        page.open_file("lore/kin.dat")
        page.fill("lines-count", 3)
        page.click_and_wait("roll", "view-lines")
        item = page.driver.find_elements(By.CSS_SELECTOR, "#lines-list li")[2]
        second = item.find_element(By.CSS_SELECTOR, "button.second").text
        item.find_element(By.CSS_SELECTOR, "summary").click()
        with tempfile.TemporaryDirectory() as folder:
            write_files(folder, files)
            explained, _ = native(WEFT_CHECK, [f"--explain={second}", "-n", "1", "lore\\kin.dat"], folder)
        steps = page.wait_for("#lines-list details.why[open] button.step")
        self.assertEqual([step.text for step in steps], [line.strip() for line in explained.splitlines()[1:]])

    def test_odds_show_the_exact_chances(self):
        page = self.open_page(width=1200, height=1140)  # a fresh profile opens tavern.dat
        page.click_and_wait("odds", "view-odds")
        report, _ = native(WEFT_CHECK, ["--stats", "tavern.dat"], EXAMPLES)
        rows = page.driver.find_elements(By.CSS_SELECTOR, "#odds-tables table.odds:not(.dice) tbody tr")
        self.assertGreater(len(rows), 20)
        for row in rows:  # each entry with its chance, in the words of the report's line
            entry, percent, one_in = (row.find_element(By.CSS_SELECTOR, f"td.{name}").text
                                      for name in ("entry", "percent", "one-in"))
            self.assertRegex(percent, r"^(\d+(\.\d+)?|<0\.001)%$")
            self.assertTrue(any(line.endswith("  " + entry) and f" {percent}  {one_in} " in line
                                for line in report.splitlines()),
                            f"{entry} {percent}, {one_in} not in weft-check's report:\n{report}")
        # The headings, captions and the words on table 0's lines are lines of the report.
        report_lines = {line.strip() for line in report.splitlines()}
        shown = [e.text for e in page.driver.find_elements(
            By.CSS_SELECTOR, "#odds-tables h3, #odds-tables caption, #odds-tables p.variety")]
        self.assertTrue(any(text.startswith("lines: ") for text in shown), shown)
        self.assertEqual([text for text in shown if text not in report_lines], [])
        # The dice of a table show the odds of their totals.
        for dice in re.findall(r"^  dice (\(random[^)]*\))", report, re.M):
            self.assertIn(dice, page.shown("odds-tables"))
        page.screenshot("odds")

    def test_roll_makes_lines_at_seconds_of_their_own(self):
        page = self.open_page()
        self.assertIn("at a clock second of its own", page.shown("roll-what"))
        page.fill("opt-clock", CLOCK)
        page.fill("lines-count", 100)
        started = time.monotonic()
        page.click_and_wait("roll", "view-lines")
        hundred = time.monotonic() - started
        items = page.driver.find_elements(By.CSS_SELECTOR, "#lines-list li")
        self.assertEqual(len(items), 100)
        seconds = [int(item.find_element(By.CSS_SELECTOR, "button.second").text) for item in items]
        lines = [item.find_element(By.CSS_SELECTOR, ".line").text for item in items]
        self.assertEqual(len(set(seconds)), 100)
        for second, line in list(zip(seconds, lines))[::10]:
            printed, _ = native(WEFT, ["-n", "1", "tavern.dat"], EXAMPLES, clock=second)
            self.assertEqual(line, printed.rstrip("\n"))
        self.assertGreater(len(set(lines)), 50)  # consecutive seconds would give a handful
        page.screenshot("lines")

        # A line's second says that a click makes a new line in its place, and it does.
        button = items[7].find_element(By.CSS_SELECTOR, "button.second")
        self.assertIn("New line in place of line 8", button.get_attribute("aria-label"))
        button.click()
        page.wait_idle("view-lines")
        item = page.driver.find_elements(By.CSS_SELECTOR, "#lines-list li")[7]
        second, line = int(item.find_element(By.CSS_SELECTOR, "button.second").text), item.find_element(
            By.CSS_SELECTOR, ".line").text
        self.assertNotIn(second, seconds)
        self.assertNotEqual(line, lines[7])
        self.assertEqual(line, native(WEFT, ["-n", "1", "tavern.dat"], EXAMPLES, clock=second)[0].rstrip("\n"))
        self.assertIn(str(second), page.shown("lines-status"))

        # Keep capitals and Reroll this part, where the build has the
        # engine's rolling of one data file: lines that differ from weft's at
        # their seconds only in capitals, and a line with one part rolled again.
        if page.find("keep-case-field").is_displayed():
            page.find("keep-case").click()
            page.click_and_wait("roll", "view-lines")
        page.driver.find_elements(By.CSS_SELECTOR, "#lines-list summary")[0].click()
        page.wait_for("#lines-list details.why[open] button.step")
        reroll = page.driver.find_elements(By.CSS_SELECTOR, "#lines-list button.reroll")
        self.assertEqual(bool(reroll), page.find("keep-case-field").is_displayed())
        if reroll:
            reroll[0].click()
            page.wait_idle("view-lines")
            for item in page.driver.find_elements(By.CSS_SELECTOR, "#lines-list > li")[:10]:
                second, line = item.find_element(By.CSS_SELECTOR, "button.second").text, item.find_element(
                    By.CSS_SELECTOR, ".line").text
                printed, _ = native(WEFT, ["-n", "1", "tavern.dat"], EXAMPLES, clock=int(second))
                self.assertEqual(line.lower(), printed.rstrip("\n").lower())
            self.assertIn("rolls that part again", page.shown("lines-status"))

        # No repeats: a table of three lines gives three, and says so.
        page.add_file("coin.dat", "heads\ntails\nedge\n")
        page.fill("lines-count", 5)
        page.find("no-repeats").click()
        page.click_and_wait("roll", "view-lines")
        shown = [e.text for e in page.driver.find_elements(By.CSS_SELECTOR, "#lines-list .line")]
        self.assertEqual(sorted(shown), ["Edge", "Heads", "Tails"])
        self.assertIn("only 3 different lines", page.shown("lines-status"))

        # Copy: the lines as text, or as a Markdown table of seconds and lines.
        page.driver.execute_cdp_cmd("Browser.grantPermissions", {
            "origin": self.site.url().rstrip("/"), "permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
        copied = []
        for action in ("copy-text", "copy-markdown"):
            page.find(action).click()
            copied.append(page.driver.execute_async_script(
                "navigator.clipboard.readText().then(arguments[0], () => arguments[0](null))"))
        seconds = [e.text for e in page.driver.find_elements(By.CSS_SELECTOR, "#lines-list button.second")]
        self.assertEqual(copied[0], "".join(line + "\n" for line in shown))
        self.assertEqual(copied[1], "| second | line |\n|---:|---|\n" +
                         "".join(f"| {second} | {line} |\n" for second, line in zip(seconds, shown)))

        page.fill("opt-n", 1000)
        started = time.monotonic()
        page.click_and_wait("run", "view-output")
        thousand = time.monotonic() - started
        self.assertEqual(page.shown("output").count("\n"), 1000)
        print(f"timings in the page: 100 independent lines {hundred:.2f} s, "
              f"-n 1000 of tavern.dat {thousand:.2f} s (each including the clicks)")

    def test_rolling_comes_first_at_both_sizes(self):
        for phone in (False, True):
            page = self.open_page(phone=phone)
            if not phone:
                browser.emulate_window(page.driver, 1280, 800)
            page.fill("opt-clock", CLOCK)  # below the fold: the page scrolls to it
            page.driver.execute_script("window.scrollTo(0, 0)")
            ActionChains(page.driver).key_down(Keys.CONTROL).send_keys(Keys.ENTER).key_up(Keys.CONTROL).perform()
            page.wait_idle("view-lines")
            # Roll and every line it made show without scrolling, the editor
            # beside them or below.
            place = page.driver.execute_script(
                "const box = (e) => e.getBoundingClientRect();"
                "const lines = [...document.querySelectorAll('#lines-list li')];"
                "return {scrolled: scrollY, height: innerHeight, count: lines.length,"
                "  roll: box(document.getElementById('roll')).bottom, last: box(lines.at(-1)).bottom,"
                "  editor: box(document.querySelector('.CodeMirror')), sideways: document.documentElement.scrollWidth"
                "    - document.documentElement.clientWidth}")
            self.assertEqual(place["count"], 10)
            self.assertEqual(place["scrolled"], 0)
            self.assertLess(place["last"], place["height"], place)
            self.assertLessEqual(place["sideways"], 0)
            if phone:
                self.assertGreater(place["editor"]["top"], place["last"])
                page.screenshot("phone", full_page=False)
            else:
                page.driver.find_elements(By.CSS_SELECTOR, "#lines-list summary")[2].click()
                page.wait_for("#lines-list details.why[open] button.step")
                page.screenshot("playground", full_page=False)  # the README's picture
                page.find("wide").click()  # the editor takes the width of the files and options
                wide = page.driver.execute_script(
                    "return document.querySelector('.CodeMirror').getBoundingClientRect().width")
                self.assertGreater(wide, place["editor"]["width"] + 150)
                self.assertFalse(page.find("file-list").is_displayed() or page.find("options").is_displayed())
                self.assertTrue(page.find("roll").is_displayed())
                page.screenshot("wide", full_page=False)

        # On a phone the hints name taps, and a tap on a reference opens its
        # box, whose button goes to the table.
        self.assertIn("Tap a word", page.find("editor-keys").text)
        self.assertNotIn("Ctrl", page.find("editor-keys").text)
        page.driver.execute_script("document.querySelector('.CodeMirror').scrollIntoView()")
        reference = page.driver.execute_script(
            "const span = [...document.querySelectorAll('.CodeMirror-line span span')]"
            "  .find((s) => s.textContent === '(table2)'); const r = span.getBoundingClientRect();"
            "return [r.left + r.width / 2, r.top + r.height / 2]")
        browser.tap(page.driver, *reference)
        go = page.wait_for(".weft-hover.touch button")[0]
        self.assertIn("table 2: 16 entries", page.driver.find_element(By.CSS_SELECTOR, ".weft-hover").text)
        self.assertEqual(go.text, "Go to line 38: %table 2")
        go.click()
        self.assertEqual(page.editor_line()[1], "%table 2")

    def test_a_share_link_carries_the_file_and_what_it_lists_to_another_browser(self):
        page = self.open_page()
        files = {"lore/kin.dat": "%title:kin\n%files\nnames.ele\n%table 0\n(names.ele) of the hills\n",
                 "lore/names.ele": "#pre\nbor\ngim\n#suf\nin\nli\n"}
        for path, text in files.items():
            page.add_file(path, text)
        page.open_file("lore/kin.dat")
        page.fill("opt-clock", CLOCK)
        page.fill("opt-n", 3)

        def shared():
            WebDriverWait(page.driver, 30).until(lambda d: page.find("share-link").get_attribute("value"))
            link = page.find("share-link").get_attribute("value")
            packed = link.split("#files=")[1]
            page.driver.execute_script("document.getElementById('share-link').value = ''")
            return link, json.loads(zlib.decompress(base64.urlsafe_b64decode(packed + "=" * (-len(packed) % 4)), -15))
        page.find("share").click()
        link, state = shared()  # the file being edited and the file it lists, not the examples
        self.assertEqual(sorted(state["files"]), sorted(files))
        self.assertIn("lore/kin.dat and 1 file it reads", page.shown("share-what"))
        page.find("share-all").click()
        self.assertIn("tavern.dat", shared()[1]["files"])

        # Someone else, on a phone, whose browser has never seen the page:
        # nothing of theirs to restore.
        other = self.open_page(phone=True, url=link)
        self.assertIn("from the link", other.shown("notice-text"))
        self.assertFalse(other.find("notice-restore").is_displayed())
        self.assertEqual(other.file_paths(), sorted(files))
        for path, text in files.items():
            other.open_file(path)
            self.assertEqual(other.editor_text(), text)
        other.open_file("lore/kin.dat")
        other.click_and_wait("run", "view-output")
        with tempfile.TemporaryDirectory() as folder:
            write_files(folder, files)
            printed, _ = native(WEFT, ["-n", "3", "lore\\kin.dat"], folder)
        self.assertEqual(other.shown("output"), printed)
        width = other.driver.execute_script(
            "return [document.documentElement.scrollWidth, document.documentElement.clientWidth]")
        self.assertLessEqual(width[0], width[1], "the page scrolls sideways at phone width")

        # Where the link replaces files of one's own, Restore brings them back.
        page.driver.get(link)
        page.wait_for("#notice-restore")[0].click()  # restored once the browser's store answers
        WebDriverWait(page.driver, 30, ignored_exceptions=[StaleElementReferenceException]).until(
            lambda d: "tavern.dat" in page.file_paths())

    def test_a_large_paste_survives_a_reload_and_an_oversized_link_is_refused(self):
        page = self.open_page()
        page.add_file("mine.dat", "mine\n")
        # 8 MB pasted, beyond what local storage holds (in long lines, which
        # a text area lays out faster than short ones).
        page.driver.execute_script(
            "const cm = document.querySelector('.CodeMirror').CodeMirror;"
            "cm.execCommand('selectAll');"
            "cm.replaceSelection(('orc'.repeat(33) + '\\n').repeat(80000), null, 'paste');")
        page.driver.execute_async_script(
            "const done = arguments[0];"
            "const poll = () => { const r = indexedDB.open('weft-playground');"
            "  r.onsuccess = () => { const g = r.result.transaction('sets').objectStore('sets')"
            "    .get('weft-playground/files');"
            "    g.onsuccess = () => (g.result?.files['mine.dat']?.length === 8000000 ? done()"
            "                         : setTimeout(poll, 100)); }; };"
            "poll();")
        page.driver.refresh()
        page.wait_ready()
        page.open_file("mine.dat")
        self.assertEqual(len(page.editor_text()), 8000000)
        self.assertTrue(page.find("notice").get_attribute("hidden"))

        # A link of about 40 KB that opens to 40 MB: refused with a notice,
        # and the files stay as they were.
        packer = zlib.compressobj(9, zlib.DEFLATED, -15)
        packed = packer.compress(('{"files":{"big.dat":"' + "a" * 40000000 + '"}}').encode())
        packed += packer.flush()
        link = self.site.url("index.html") + "#files=" + \
            base64.urlsafe_b64encode(packed).decode().rstrip("=")
        page.driver.get(link)
        page.wait_ready()
        self.assertIn("could not be read (it opens to more than 32 MB)", page.shown("notice-text"))
        self.assertNotIn("big.dat", page.file_paths())
        self.assertIn("mine.dat", page.file_paths())

        # A file that is not UTF-8 is shown read-only and rolled from its bytes.
        latin = b"caf\xe9 (table1)\n%table 1\nna\xefve\n"
        state = '{"files":{"latin.dat":{"bytes":"%s"}},"selected":"latin.dat"}' % \
            base64.urlsafe_b64encode(latin).decode().rstrip("=")
        packer = zlib.compressobj(9, zlib.DEFLATED, -15)
        page.driver.get(self.site.url("index.html") + "#files=" + base64.urlsafe_b64encode(
            packer.compress(state.encode()) + packer.flush()).decode().rstrip("="))
        page.wait_ready()
        self.assertIn("not valid UTF-8", page.shown("editor-note"))
        page.type("typed")
        self.assertEqual(page.editor_text(), latin.decode("utf-8", "replace"))
        page.fill("opt-clock", CLOCK)
        page.click_and_wait("run", "view-output")
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "latin.dat"), "wb") as out:
                out.write(latin)
            self.assertEqual(page.shown("output"), native(WEFT, ["-n", "1", "latin.dat"], folder)[0])
        page.find("share").click()  # the set, and so the run, holds the bytes as they came
        WebDriverWait(page.driver, 30).until(lambda d: page.find("share-link").get_attribute("value"))
        packed = page.find("share-link").get_attribute("value").split("#files=")[1]
        shared = json.loads(zlib.decompress(base64.urlsafe_b64decode(packed + "=" * (-len(packed) % 4)), -15))
        self.assertEqual(base64.urlsafe_b64decode(shared["files"]["latin.dat"]["bytes"] + "=="), latin)

    def test_rolling_makes_no_network_request(self):
        page = self.open_page()
        page.fill("opt-clock", CLOCK)
        page.fill("lines-count", 5)
        before = len(self.site.requests)
        resources = page.driver.execute_script("return performance.getEntriesByType('resource').length")
        for action, view in [("run", "view-output"), ("roll", "view-lines"),
                             ("check", "view-check"), ("odds", "view-odds")]:
            page.click_and_wait(action, view)
        self.assertEqual(self.site.requests[before:], [])
        self.assertEqual(page.driver.execute_script(
            "return performance.getEntriesByType('resource').length"), resources)
        self.assertEqual(browser.console_errors(page.driver), [])


if __name__ == "__main__":
    missing = browser.missing_tools()
    if missing:
        sys.exit("the page tests need: " + ", ".join(missing))
    unittest.main(verbosity=2)
