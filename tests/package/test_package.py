#!/usr/bin/python3
"""The installed program and its Debian package, as a user's system sees
them, without root and without touching the system: the build is installed
under a temporary prefix, the package is made, linted and unpacked there,
and the unpacked program is started.

Takes TAMIRO_BUILD_DIR, TAMIRO_SOURCE_DIR and TAMIRO_APP_ID from the
environment.
"""

import glob
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

from PIL import Image, ImageChops

BUILD = os.environ.get("TAMIRO_BUILD_DIR", "")
SOURCE = os.environ.get("TAMIRO_SOURCE_DIR", "")
APP_ID = os.environ.get("TAMIRO_APP_ID", "")
# Qt's minimal platform saves every frame it shows as output<N>.png in the
# current folder, on a screen of this size.
SCREEN = (240, 320)


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def files_under(root):
    return {os.path.relpath(os.path.join(d, n), root) for d, _, names in os.walk(root) for n in names}


def package_of(path):
    """The installed Debian package holding a file (merged /usr or not)."""
    for candidate in (path, os.path.realpath(path), "/usr" + path, path.removeprefix("/usr")):
        found = run(["dpkg", "-S", candidate])
        if found.returncode == 0:
            return found.stdout.split(":", 1)[0]
    return None


class InstalledTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not (BUILD and SOURCE and APP_ID):
            raise unittest.SkipTest("TAMIRO_BUILD_DIR, TAMIRO_SOURCE_DIR and TAMIRO_APP_ID are not set")
        cls.tmp = tempfile.mkdtemp(prefix="package-check-")
        cls.prefix = os.path.join(cls.tmp, "prefix")
        cls.root = os.path.join(cls.tmp, "root")
        steps = [["cmake", "--install", BUILD, "--prefix", cls.prefix],
                 ["cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"),
                  "-B", os.path.join(cls.tmp, "cpack")]]
        for step in steps:
            done = run(step)
            if done.returncode != 0:
                raise AssertionError(f"{step[0]} failed:\n{done.stdout}{done.stderr}")
            if step[0] == "cmake":  # before cpack writes its own
                with open(os.path.join(BUILD, "install_manifest.txt"), encoding="utf-8") as handle:
                    cls.manifest = handle.read().split()
        (cls.deb,) = glob.glob(os.path.join(cls.tmp, "cpack", "*.deb"))
        run(["dpkg-deb", "-x", cls.deb, cls.root]).check_returncode()
        fields = run(["dpkg-deb", "-f", cls.deb, "Package", "Version", "Depends"]).stdout
        cls.control = dict(re.findall(r"^(\w+): (.*)$", fields, re.M))
        cls.program_dir = os.path.join(cls.root, "usr", "lib", "tamiro")
        cls.metainfo = ET.parse(os.path.join(cls.prefix, "share", "metainfo", APP_ID + ".metainfo.xml")).getroot()
        print(f"{os.path.basename(cls.deb)}: {os.path.getsize(cls.deb)} bytes\nDepends: {cls.control['Depends']}")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def share(self, *parts):
        return os.path.join(self.prefix, "share", *parts)

    def test_install_and_package_hold_the_same_tree_under_the_prefix(self):
        self.assertEqual([p for p in self.manifest if not p.startswith(self.prefix + os.sep)], [])
        installed = files_under(self.prefix)
        self.assertEqual(installed, {os.path.relpath(p, self.prefix) for p in self.manifest})
        self.assertEqual(files_under(os.path.join(self.root, "usr")), installed)
        self.assertEqual(os.listdir(self.root), ["usr"])
        # The program folder: the program, its two modules and every asset but
        # the notes for developers.
        program = os.path.join(self.prefix, "lib", "tamiro")
        for name in ("tamiro", "libtamiro_audio.so", "libtamiro_music.so"):
            with open(os.path.join(program, name), "rb") as handle:
                self.assertEqual(handle.read(4), b"\x7fELF", name)
        assets = os.path.join(SOURCE, "assets")
        names = {n for n in files_under(assets) if os.path.basename(n) != "README.md"}
        self.assertIn("lang.crp", names)
        self.assertEqual({n for n in installed if n.startswith("lib/")},
                         {"lib/tamiro/" + n for n in names | {"tamiro", "libtamiro_audio.so", "libtamiro_music.so"}})
        for name in names:
            with open(os.path.join(assets, name), "rb") as a, open(os.path.join(program, name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)

    def test_one_version_number_everywhere(self):
        version = self.control["Version"]
        arch = run(["dpkg", "--print-architecture"]).stdout.strip()
        self.assertEqual(os.path.basename(self.deb), f"{self.control['Package']}_{version}_{arch}.deb")
        with open(os.path.join(BUILD, "generated", "app", "version.h"), encoding="utf-8") as handle:
            header = handle.read()
        self.assertIn(f'#define TAMIRO_VERSION "{version}"', header)
        self.assertIn(f'#define TAMIRO_APP_ID "{APP_ID}"', header)
        self.assertEqual(self.metainfo.find("releases/release").get("version"), version)
        changelog = os.path.join(self.tmp, "changelog")
        with open(changelog, "w", encoding="utf-8") as handle:
            handle.write(run(["zcat", self.share("doc", "tamiro", "changelog.gz")]).stdout)
        self.assertEqual(run(["dpkg-parsechangelog", "-l", changelog, "-S", "Version"]).stdout.strip(), version)

    def test_validators_and_lintian_find_no_faults(self):
        checks = [(["desktop-file-validate", self.share("applications", APP_ID + ".desktop")], r"(error|warning):"),
                  (["appstreamcli", "validate", "--no-net", self.share("metainfo", APP_ID + ".metainfo.xml")],
                   r"(?m)^[EW]:"),
                  (["lintian", "--fail-on", "error", "--display-info", self.deb], r"(?m)^E:")]
        for command, faults in checks:
            with self.subTest(command=command[0]):
                checked = run(command)
                print(f"{command[0]}:\n{checked.stdout.strip() or '(nothing)'}")
                self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
                self.assertNotRegex(checked.stdout, faults)

    def test_menu_entry_icons_and_screenshots(self):
        with open(self.share("applications", APP_ID + ".desktop"), encoding="utf-8") as handle:
            keys = dict(line.split("=", 1) for line in handle.read().splitlines() if "=" in line)
        self.assertEqual(keys["Categories"], "Education;Game;KidsGame;")
        self.assertTrue(os.access(os.path.join(self.prefix, "bin", keys["Exec"]), os.X_OK))
        languages = os.listdir(os.path.join(SOURCE, "assets-src", "lang"))
        for key in ("Name", "Comment"):
            self.assertEqual(len([k for k in keys if k.startswith(key + "[")]), len(languages) - 1, key)
        self.assertEqual(self.metainfo.findtext("launchable"), APP_ID + ".desktop")

        hicolor = self.share("icons", "hicolor")
        sizes = sorted(int(d.split("x")[0]) for d in os.listdir(hicolor) if d != "scalable")
        self.assertEqual((sizes[0], sizes[-1]), (16, 512))
        for size in sizes:
            with self.subTest(size=size), Image.open(f"{hicolor}/{size}x{size}/apps/{keys['Icon']}.png") as icon:
                self.assertEqual((icon.size, icon.mode), ((size, size), "RGBA"))
                alpha = icon.getchannel("A")
                self.assertEqual(alpha.getpixel((0, 0)) + alpha.getpixel((size - 1, size - 1)), 0)
                left, top, right, bottom = alpha.getbbox()
                self.assertLessEqual(abs(left - (size - right)), max(1, size // 32))
                self.assertGreaterEqual(bottom - top, size * 0.9)
        box = ET.parse(f"{hicolor}/scalable/apps/{keys['Icon']}.svg").getroot().get("viewBox").split()
        self.assertEqual(box[2], box[3])

        images = self.metainfo.findall("screenshots/screenshot/image")
        self.assertEqual({os.path.basename(i.text) for i in images}, set(os.listdir(self.share("tamiro", "screenshots"))))
        for image in images:
            with Image.open(self.share("tamiro", "screenshots", os.path.basename(image.text))) as shot:
                self.assertEqual(shot.size, (int(image.get("width")), int(image.get("height"))))
                self.assertGreater(len(shot.convert("RGB").getcolors(1 << 20)), 16, image.text)

    def test_dependencies_are_what_the_program_loads(self):
        """The packages of the libraries the binaries name, of the soundfont
        and of the font drawn for Arial; nothing more."""
        expected = {}
        for name in ("tamiro", "libtamiro_audio.so", "libtamiro_music.so"):
            path = os.path.join(self.program_dir, name)
            needed = re.findall(r"^\s*NEEDED\s+(\S+)", run(["objdump", "-p", path]).stdout, re.M)
            listed = run(["ldd", path]).stdout
            found = dict(re.findall(r"^\s*(\S+) => (/\S+)", listed, re.M))
            found.update((os.path.basename(p), p) for p in re.findall(r"^\s*(/\S+) \(", listed, re.M))
            for soname in needed:
                expected[package_of(found[soname])] = soname
        with open(os.path.join(SOURCE, "src", "toolkit", "audio", "music_source.h"), encoding="utf-8") as handle:
            soundfont = re.search(r'kDefaultSoundFont = "([^"]+)"', handle.read()).group(1)
        expected[package_of(soundfont)] = soundfont
        # The voices the speech library reads.
        voices = glob.glob("/usr/lib/*/espeak-ng-data/phondata")
        self.assertTrue(voices)
        expected[package_of(voices[0])] = voices[0]
        font = run(["fc-match", "-f", "%{file}", "Liberation Sans"]).stdout
        expected[package_of(font)] = font
        self.assertNotIn(None, expected)
        depends = {re.match(r"\s*([\w.+-]+)", d).group(1) for d in self.control["Depends"].split(",")}
        self.assertEqual(depends, set(expected), expected)

    def show(self, command, name, menu):
        """Starts the program; its last frame once that is the menu (or at
        the time-out), and whether it still ran a second later."""
        run_dir = os.path.join(self.tmp, "run-" + name)
        runtime = os.path.join(self.tmp, "runtime")
        os.makedirs(run_dir)
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = {"PATH": os.environ["PATH"], "HOME": self.tmp, "XDG_RUNTIME_DIR": runtime,
               "XDG_CONFIG_HOME": os.path.join(self.tmp, "config-" + name),
               # A Swedish desktop, as the reference, and no computer-wide settings.
               "LANG": "sv_SE.UTF-8", "XDG_CONFIG_DIRS": os.path.join(self.tmp, "no-system-config"),
               "QT_QPA_PLATFORM": "minimal", "QT_DEBUG_BACKINGSTORE": "1",
               "PULSE_SERVER": "unix:" + os.path.join(self.tmp, "no-sound-server")}
        process = subprocess.Popen(command, cwd=run_dir, env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, start_new_session=True)
        frame = None
        try:
            deadline = time.monotonic() + 30
            while time.monotonic() < deadline and process.poll() is None:
                for path in sorted(glob.glob(os.path.join(run_dir, "output*.png")))[-2:][::-1]:
                    try:  # the newest frame may be half written
                        with Image.open(path) as image:
                            frame = image.convert("RGB")
                        break
                    except OSError:
                        pass
                if frame is not None and frame.size == menu.size and not ImageChops.difference(frame, menu).getbbox():
                    time.sleep(1)
                    break
                time.sleep(0.2)
            return frame, process.poll() is None
        finally:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGTERM)
            process.wait(timeout=10)

    def test_program_shows_the_menu_from_its_launcher_and_through_links(self):
        reference = os.path.join(self.tmp, "menu.png")
        run([os.path.join(BUILD, "tools", "tamiro_screenshot"), "--screen", "menu", "--size", "%dx%d" % SCREEN,
             "--program-dir", self.program_dir, "--out", reference],
            env=dict(os.environ, XDG_RUNTIME_DIR=self.tmp)).check_returncode()
        menu = Image.open(reference).convert("RGB")
        launcher = os.path.join(self.root, "usr", "bin", "tamiro")
        links = os.path.join(self.tmp, "links")
        os.makedirs(links)
        os.symlink(launcher, os.path.join(links, "launcher"))
        os.symlink(os.path.join(self.program_dir, "tamiro"), os.path.join(links, "program"))
        for name, command in (("launcher", launcher), ("link-to-launcher", os.path.join(links, "launcher")),
                              ("link-to-program", os.path.join(links, "program"))):
            with self.subTest(way=name):
                frame, running = self.show([command], name, menu)
                self.assertIsNotNone(frame, "nothing shown")
                self.assertEqual(frame.size, SCREEN)
                self.assertIsNone(ImageChops.difference(frame, menu).getbbox(), "the screen is not the menu")
                self.assertTrue(running, "the program ended")


if __name__ == "__main__":
    unittest.main(verbosity=2)
