"""Serve a folder over HTTP and drive it with headless Chromium.

A page cannot load WebAssembly from file://, so the browser tests serve the
built site on 127.0.0.1 at a free port, from a thread of the test itself, and
open it in Debian's chromium through Debian's selenium (run the tests with
/usr/bin/python3, which owns the selenium module).

    with browser.serve(site_dir) as site, browser.chromium() as driver:
        driver.get(site.url("index.html"))
        ...
        site.requests          # every path the browser asked for, in order

Each chromium() starts with a fresh, empty profile (no storage, no cache), so
two of them in one test behave like two people's browsers.
"""

import contextlib
import http.server
import os
import shutil
import tempfile
import threading

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"

CHROMIUM_FLAGS = [
    "--headless=new",
    "--no-sandbox",  # chromium refuses its sandbox when run as root
    "--disable-gpu",
    "--disable-quic",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--disable-dev-shm-usage",
]


class Site:
    """A folder served over HTTP; records the path of every request."""

    def __init__(self, server, thread):
        self._server = server
        self._thread = thread
        self.requests = server.requests
        self.port = server.server_address[1]

    def url(self, path=""):
        return f"http://127.0.0.1:{self.port}/{path.lstrip('/')}"


def _handler_for(folder, requests, lock):
    class Handler(http.server.SimpleHTTPRequestHandler):
        extensions_map = {
            **http.server.SimpleHTTPRequestHandler.extensions_map,
            ".wasm": "application/wasm",
            ".js": "text/javascript",
            ".mjs": "text/javascript",
            ".css": "text/css",
            ".html": "text/html; charset=utf-8",
            ".dat": "text/plain; charset=utf-8",
            ".ele": "text/plain; charset=utf-8",
            ".json": "application/json",
        }

        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=folder, **kwargs)

        def end_headers(self):
            # Every load comes from the folder as it is now, never a cache.
            self.send_header("Cache-Control", "no-store")
            super().end_headers()

        def do_GET(self):
            with lock:
                requests.append(self.path)
            super().do_GET()

        def do_HEAD(self):
            with lock:
                requests.append(self.path)
            super().do_HEAD()

        def log_message(self, format, *args):  # quiet: tests print what matters
            pass

    return Handler


@contextlib.contextmanager
def serve(folder):
    """Serves `folder` on 127.0.0.1 at a free port until the block ends."""
    folder = os.fspath(folder)
    if not os.path.isdir(folder):
        raise FileNotFoundError(f"no folder to serve: {folder}")
    requests, lock = [], threading.Lock()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _handler_for(folder, requests, lock))
    server.daemon_threads = True
    server.requests = requests
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield Site(server, thread)
    finally:
        server.shutdown()
        server.server_close()
        thread.join(timeout=10)


def missing_tools():
    """Names the Debian packages this helper needs that are not installed."""
    missing = []
    if not os.access(CHROMIUM, os.X_OK):
        missing.append("chromium")
    if not os.access(CHROMEDRIVER, os.X_OK):
        missing.append("chromium-driver")
    try:
        import selenium  # noqa: F401
    except ImportError:
        missing.append("python3-selenium")
    return missing


@contextlib.contextmanager
def chromium(width=1280, height=900, script_timeout=120):
    """Starts headless Chromium with a fresh profile; quits it afterwards.

    The driver keeps the browser console (driver.get_log("browser")), and
    execute_script waits for a returned Promise up to `script_timeout`
    seconds.
    """
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    profile = tempfile.mkdtemp(prefix="weft-chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in CHROMIUM_FLAGS:
        options.add_argument(flag)
    options.add_argument(f"--user-data-dir={profile}")
    options.add_argument(f"--window-size={width},{height}")
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = None
    try:
        driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        driver.set_script_timeout(script_timeout)
        driver.set_page_load_timeout(60)
        yield driver
    finally:
        if driver is not None:
            driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


def emulate_phone(driver, width=390, height=844):
    """Lays the page out as a phone would: a viewport narrower than any
    desktop window, at touch scale, with a touch screen and no pointer."""
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": height, "deviceScaleFactor": 2, "mobile": True})
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})


def emulate_window(driver, width=1280, height=800):
    """Makes the page's viewport exactly `width` by `height` (a window of that
    size leaves less to the page)."""
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})


def tap(driver, x, y):
    """Touches the screen at (x, y) of the viewport and lifts the finger."""
    for kind, points in (("touchStart", [{"x": x, "y": y}]), ("touchEnd", [])):
        driver.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": kind, "touchPoints": points})


def console_errors(driver):
    """The browser console's error messages since the last call."""
    return [entry["message"] for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]


def screenshot(driver, path, full_page=True):
    """Saves a PNG of the window, grown to the page's height when `full_page`."""
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    if full_page:
        driver.execute_script("window.scrollTo(0, 0)")
        size = driver.get_window_size()
        height = driver.execute_script(
            "return Math.max(document.documentElement.scrollHeight, document.body.scrollHeight)")
        driver.set_window_size(size["width"], max(size["height"], min(int(height) + 120, 6000)))
        try:
            driver.save_screenshot(os.fspath(path))
        finally:
            driver.set_window_size(size["width"], size["height"])
    else:
        driver.save_screenshot(os.fspath(path))
