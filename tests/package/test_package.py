#!/usr/bin/python3
"""The installed program and its Debian package, checked as a user's system
would see them, without root and without touching the system: the build is
installed under a temporary prefix, the package is made there, linted and
unpacked, and the unpacked program is started from its launcher.

Needs TAMIRO_BUILD_DIR, TAMIRO_SOURCE_DIR and TAMIRO_APP_ID in the
environment, and the programs desktop-file-validate, appstreamcli, cpack,
dpkg-deb, dpkg-shlibdeps, lintian and fc-match.
"""

import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

from PIL import Image, ImageChops

BUILD = os.environ.get("TAMIRO_BUILD_DIR", "")
SOURCE = os.environ.get("TAMIRO_SOURCE_DIR", "")
APP_ID = os.environ.get("TAMIRO_APP_ID", "")
# Qt's minimal platform writes every frame it is given to output<N>.png in
# the current folder: the way to see what the installed program shows.
FRAME_SCREEN = (240, 320)
START_TIMEOUT = 30


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def files_under(root):
    """Paths of the files (and links) below root, relative to it."""
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), root))
    return found


def package_of(path):
    """The installed Debian package that holds a file, or None."""
    candidates = [path, os.path.realpath(path)]
    for candidate in list(candidates):
        if candidate.startswith("/usr/"):
            candidates.append(candidate[4:])
        else:
            candidates.append("/usr" + candidate)
    for candidate in candidates:
        result = run(["dpkg", "-S", candidate])
        if result.returncode == 0:
            return result.stdout.split(":", 1)[0].strip()
    return None


def needed_libraries(path):
    """The resolved paths of the libraries an ELF file names as NEEDED."""
    dynamic = run(["objdump", "-p", path]).stdout
    needed = re.findall(r"^\s*NEEDED\s+(\S+)", dynamic, re.M)
    listed = run(["ldd", path]).stdout
    resolved = dict(re.findall(r"^\s*(\S+) => (/\S+)", listed, re.M))
    # The dynamic loader is listed by its path alone.
    resolved.update((os.path.basename(p), p) for p in re.findall(r"^\s*(/\S+) \(", listed, re.M))
    return {name: resolved.get(name) for name in needed}


def depends_names(field):
    names = set()
    for entry in field.split(","):
        for alternative in entry.split("|"):
            name = re.match(r"\s*([a-z0-9][a-z0-9+.-]*)", alternative)
            if name:
                names.add(name.group(1))
    return names


class InstalledTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not (BUILD and SOURCE and APP_ID):
            raise unittest.SkipTest("TAMIRO_BUILD_DIR, TAMIRO_SOURCE_DIR and TAMIRO_APP_ID are not set")
        cls.tmp = tempfile.mkdtemp(prefix="package-check-")
        cls.prefix = os.path.join(cls.tmp, "prefix")
        install = run(["cmake", "--install", BUILD, "--prefix", cls.prefix])
        if install.returncode != 0:
            raise AssertionError("cmake --install failed:\n" + install.stdout + install.stderr)
        with open(os.path.join(BUILD, "install_manifest.txt"), encoding="utf-8") as handle:
            cls.manifest = handle.read().split()

        packed = run(["cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"),
                      "-B", os.path.join(cls.tmp, "cpack")])
        debs = glob.glob(os.path.join(cls.tmp, "cpack", "*.deb"))
        if packed.returncode != 0 or len(debs) != 1:
            raise AssertionError("cpack made no package:\n" + packed.stdout + packed.stderr)
        cls.deb = debs[0]
        cls.root = os.path.join(cls.tmp, "root")
        unpack = run(["dpkg-deb", "-x", cls.deb, cls.root])
        if unpack.returncode != 0:
            raise AssertionError("dpkg-deb -x failed: " + unpack.stderr)
        cls.control = {}
        for line in run(["dpkg-deb", "-f", cls.deb]).stdout.splitlines():
            key, sep, value = line.partition(": ")
            if sep and not line.startswith(" "):
                cls.control[key] = value
        cls.program_dir = os.path.join(cls.root, "usr", "lib", "tamiro")
        print(f"package: {os.path.basename(cls.deb)}, {os.path.getsize(cls.deb)} bytes")
        print(f"Depends: {cls.control.get('Depends')}")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def share(self, *parts):
        return os.path.join(self.prefix, "share", *parts)

    # -- What is installed, and where ---------------------------------------

    def test_install_writes_only_under_the_prefix(self):
        self.assertTrue(self.manifest)
        outside = [p for p in self.manifest if not p.startswith(self.prefix + os.sep)]
        self.assertEqual(outside, [])
        self.assertEqual(files_under(self.prefix), {os.path.relpath(p, self.prefix) for p in self.manifest})

    def test_program_folder_holds_the_program_and_every_asset(self):
        """Every file of assets/ but its notes for developers."""
        program = os.path.join(self.prefix, "lib", "tamiro")
        for name in ("tamiro", "libtamiro_audio.so"):
            with open(os.path.join(program, name), "rb") as handle:
                self.assertEqual(handle.read(4), b"\x7fELF", name)
        self.assertTrue(os.access(os.path.join(program, "tamiro"), os.X_OK))
        self.assertTrue(os.access(os.path.join(self.prefix, "bin", "tamiro"), os.X_OK))
        assets = os.path.join(SOURCE, "assets")
        names = {n for n in files_under(assets) if os.path.basename(n) != "README.md"}
        self.assertIn("lang.crp", names)
        self.assertFalse(glob.glob(os.path.join(program, "**", "README.md"), recursive=True))
        for name in names:
            with open(os.path.join(assets, name), "rb") as a, open(os.path.join(program, name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)

    def test_package_holds_the_installed_tree(self):
        self.assertEqual(files_under(os.path.join(self.root, "usr")), files_under(self.prefix))
        self.assertEqual(sorted(os.listdir(self.root)), ["usr"])
        arch = run(["dpkg", "--print-architecture"]).stdout.strip()
        version = self.control["Version"]
        self.assertEqual(os.path.basename(self.deb), f"tamiro_{version}_{arch}.deb")
        self.assertEqual(self.control["Package"], "tamiro")

    def test_one_version_number_everywhere(self):
        with open(os.path.join(BUILD, "generated", "app", "version.h"), encoding="utf-8") as handle:
            header = handle.read()
        self.assertIn(f'#define TAMIRO_VERSION "{self.control["Version"]}"', header)
        self.assertIn(f'#define TAMIRO_APP_ID "{APP_ID}"', header)
        release = ET.parse(self.share("metainfo", APP_ID + ".metainfo.xml")).find("releases/release")
        self.assertEqual(release.get("version"), self.control["Version"])
        self.assertRegex(release.get("date"), r"^\d{4}-\d\d-\d\d$")
        changelog_file = os.path.join(self.tmp, "changelog")
        with open(changelog_file, "w", encoding="utf-8") as handle:
            handle.write(run(["zcat", self.share("doc", "tamiro", "changelog.gz")]).stdout)
        changelog = run(["dpkg-parsechangelog", "-l", changelog_file, "-S", "Version"])
        self.assertEqual(changelog.stdout.strip(), self.control["Version"])

    # -- Desktop integration -------------------------------------------------

    def test_menu_entry_and_appstream_data_validate(self):
        desktop = self.share("applications", APP_ID + ".desktop")
        checked = run(["desktop-file-validate", desktop])
        print("desktop-file-validate:", checked.stdout.strip() or "(nothing to say)")
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        self.assertNotRegex(checked.stdout, r"(error|warning):")

        metainfo = self.share("metainfo", APP_ID + ".metainfo.xml")
        checked = run(["appstreamcli", "validate", "--no-net", metainfo])
        print("appstreamcli validate --no-net:", checked.stdout.strip())
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        self.assertNotRegex(checked.stdout, r"(?m)^[EW]:")

    def test_menu_entry_starts_the_launcher_with_its_own_icon(self):
        with open(self.share("applications", APP_ID + ".desktop"), encoding="utf-8") as handle:
            keys = dict(line.split("=", 1) for line in handle.read().splitlines() if "=" in line)
        self.assertEqual(keys["Categories"], "Education;Game;KidsGame;")
        self.assertEqual(keys["Exec"].split()[0], "tamiro")
        self.assertTrue(os.access(os.path.join(self.prefix, "bin", keys["Exec"].split()[0]), os.X_OK))
        self.assertEqual(keys["Icon"], APP_ID)
        languages = os.listdir(os.path.join(SOURCE, "assets-src", "lang"))
        for key in ("Name", "Comment"):
            self.assertEqual(len([k for k in keys if k.startswith(key + "[")]), len(languages) - 1, key)
        root = ET.parse(self.share("metainfo", APP_ID + ".metainfo.xml")).getroot()
        self.assertEqual(root.findtext("id"), APP_ID)
        self.assertEqual(root.findtext("launchable"), APP_ID + ".desktop")
        self.assertEqual(root.find("content_rating").get("type"), "oars-1.1")

    def test_icons_are_square_transparent_and_centred(self):
        hicolor = self.share("icons", "hicolor")
        sizes = []
        for folder in os.listdir(hicolor):
            match = re.fullmatch(r"(\d+)x(\d+)", folder)
            if not match:
                continue
            size = int(match.group(1))
            sizes.append(size)
            with self.subTest(size=size):
                self.assertEqual(match.group(1), match.group(2))
                image = Image.open(os.path.join(hicolor, folder, "apps", APP_ID + ".png"))
                self.assertEqual(image.size, (size, size))
                self.assertEqual(image.mode, "RGBA")
                alpha = image.getchannel("A")
                for corner in ((0, 0), (size - 1, 0), (0, size - 1), (size - 1, size - 1)):
                    self.assertEqual(alpha.getpixel(corner), 0)
                left, top, right, bottom = alpha.getbbox()
                self.assertLessEqual(abs(left - (size - right)), max(1, size // 32))
                self.assertGreaterEqual(bottom - top, size * 0.9)
        self.assertEqual(min(sizes), 16)
        self.assertEqual(max(sizes), 512)
        self.assertGreaterEqual(len(sizes), 7)
        svg = ET.parse(os.path.join(hicolor, "scalable", "apps", APP_ID + ".svg")).getroot()
        box = [float(v) for v in svg.get("viewBox").split()]
        self.assertEqual(box[2], box[3])
        self.assertEqual(svg.get("width"), svg.get("height"))

    def test_screenshots_are_shipped_and_named_in_the_appstream_data(self):
        root = ET.parse(self.share("metainfo", APP_ID + ".metainfo.xml")).getroot()
        images = root.findall("screenshots/screenshot/image")
        self.assertGreaterEqual(len(images), 2)
        shipped = set(os.listdir(self.share("tamiro", "screenshots")))
        self.assertEqual({os.path.basename(i.text) for i in images}, shipped)
        for element in images:
            with self.subTest(image=element.text):
                self.assertTrue(element.text.startswith("https://"))
                image = Image.open(self.share("tamiro", "screenshots", os.path.basename(element.text)))
                self.assertEqual(image.size, (int(element.get("width")), int(element.get("height"))))
                colours = image.convert("RGB").getcolors(1 << 16)
                self.assertTrue(colours is None or len(colours) > 16, "a blank screenshot")

    # -- The package ---------------------------------------------------------

    def test_lintian_finds_no_errors(self):
        checked = run(["lintian", "--fail-on", "error", "--display-info", self.deb])
        print("lintian:", checked.stdout.strip() or "(nothing to say)", checked.stderr.strip())
        self.assertNotRegex(checked.stdout, r"(?m)^E:")
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)

    def test_dependencies_are_what_the_program_loads(self):
        depends = depends_names(self.control["Depends"])
        expected = {}
        for name in ("tamiro", "libtamiro_audio.so"):
            for soname, path in needed_libraries(os.path.join(self.program_dir, name)).items():
                self.assertIsNotNone(path, f"{name} needs {soname}, which is not found")
                expected[package_of(path)] = soname
        # The soundfont the music is played with, as the audio module names it.
        with open(os.path.join(SOURCE, "src", "toolkit", "audio", "music_source.h"), encoding="utf-8") as handle:
            soundfont = re.search(r'kDefaultSoundFont = "([^"]+)"', handle.read()).group(1)
        expected[package_of(soundfont)] = soundfont
        font = run(["fc-match", "-f", "%{file}", "Liberation Sans"]).stdout
        expected[package_of(font)] = font
        self.assertNotIn(None, expected)
        self.assertEqual(depends, set(expected), expected)

    # -- The program, started from the package -------------------------------

    def start_and_read_the_screen(self, command, name, menu):
        """Starts the program on the minimal platform; the last frame it
        showed once it shows the menu, or after the time-out, whether it
        was still running then, and what it wrote to its error output."""
        run_dir = os.path.join(self.tmp, "run-" + name)
        runtime = os.path.join(self.tmp, "runtime")
        os.makedirs(run_dir)
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": os.path.join(self.tmp, "home"),
            "XDG_CONFIG_HOME": os.path.join(self.tmp, "config-" + name),
            "XDG_RUNTIME_DIR": runtime,
            "QT_QPA_PLATFORM": "minimal",
            "QT_DEBUG_BACKINGSTORE": "1",
            "PULSE_SERVER": "unix:" + os.path.join(self.tmp, "no-sound-server"),
        }
        errors = open(os.path.join(self.tmp, name + ".err"), "w+b")
        process = subprocess.Popen(command, cwd=run_dir, env=env, stdout=subprocess.DEVNULL,
                                   stderr=errors, start_new_session=True)
        frame = None
        try:
            deadline = time.monotonic() + START_TIMEOUT
            while time.monotonic() < deadline and process.poll() is None:
                frames = sorted(glob.glob(os.path.join(run_dir, "output*.png")))
                # The newest frame may still be being written.
                for path in reversed(frames[-2:]):
                    try:
                        with Image.open(path) as image:
                            frame = image.convert("RGB")
                        break
                    except OSError:
                        continue
                if frame is not None and not ImageChops.difference(frame, menu).getbbox():
                    time.sleep(1)
                    break
                time.sleep(0.2)
            still_running = process.poll() is None
        finally:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGTERM)
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        errors.seek(0)
        with errors:
            return frame, still_running, errors.read().decode(errors="replace")

    def test_program_shows_the_menu_from_launcher_and_links(self):
        reference = os.path.join(self.tmp, "menu.png")
        made = run([os.path.join(BUILD, "tools", "tamiro_screenshot"), "--screen", "menu",
                    "--size", "%dx%d" % FRAME_SCREEN, "--program-dir", self.program_dir, "--out", reference],
                   env=dict(os.environ, XDG_RUNTIME_DIR=os.path.join(self.tmp, "runtime")))
        self.assertEqual(made.returncode, 0, made.stderr)
        menu = Image.open(reference).convert("RGB")

        links = os.path.join(self.tmp, "links")
        os.makedirs(links)
        launcher = os.path.join(self.root, "usr", "bin", "tamiro")
        os.symlink(launcher, os.path.join(links, "tamiro-launcher"))
        os.symlink(os.path.join(self.program_dir, "tamiro"), os.path.join(links, "tamiro"))
        ways = {
            "launcher": [launcher],
            "link-to-launcher": [os.path.join(links, "tamiro-launcher")],
            "link-to-program": [os.path.join(links, "tamiro")],
        }
        for name, command in ways.items():
            with self.subTest(way=name):
                frame, still_running, errors = self.start_and_read_the_screen(command, name, menu)
                self.assertIsNotNone(frame, "no frame shown:\n" + errors[-2000:])
                self.assertEqual(frame.size, FRAME_SCREEN)
                self.assertIsNone(ImageChops.difference(frame, menu).getbbox(),
                                  "the screen is not the menu")
                self.assertTrue(still_running, "the program ended:\n" + errors[-2000:])


if __name__ == "__main__":
    unittest.main(verbosity=2, buffer=False)
