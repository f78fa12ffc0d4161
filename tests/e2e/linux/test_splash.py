"""The editor's splash screen on a private X server: the real splash library
of the installed JDK shows the installation's PNG, which the editor probe
looks at from inside the JVM."""

import os
import struct
import subprocess
import unittest
import zlib

import harness
from probe_report import Report, install

IN_PROCESS = "--wrapper-load-jvm-in-process"
SPLASH_IMAGE = "marvane_splashscreen_2020.png"
IP_SPLASH_IMAGE = "marvane_ip_splashscreen_2020.png"


def solid_png(width, height, rgb):
    """A PNG of one colour: 8-bit RGB, no filtering."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    row = b"\0" + bytes(rgb) * width
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(row * height))
            + chunk(b"IEND", b""))


class Xvfb:
    """A private X server on a display number it picks itself."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0", "1024x768x24"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_end)
        # The server writes its display number once it accepts clients.
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        if not number:
            self.stop()
            raise RuntimeError(f"Xvfb did not start (status {self.process.returncode})")
        self.display = f":{number}"

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=30)


class SplashTest(harness.InstallationTest):

    COLOUR = (0x20, 0xA0, 0x60)
    IP_COLOUR = (0xC0, 0x30, 0x90)

    @classmethod
    def setUpClass(cls):
        cls.xvfb = Xvfb()
        cls.addClassCleanup(cls.xvfb.stop)

    def setUp(self):
        super().setUp()
        install(self.inst, tools=["editor"])
        self.inst.add_jar(SPLASH_IMAGE, solid_png(240, 140, self.COLOUR))
        self.inst.add_jar(IP_SPLASH_IMAGE, solid_png(240, 140, self.IP_COLOUR))

    def launch(self, args):
        return harness.run(os.path.join(self.inst.bin, "editor-launcher"), args,
                           env={"DISPLAY": self.xvfb.display})

    def test_in_process_splash_shows_while_main_runs_and_closes_after(self):
        cases = [([], self.COLOUR), (["--splash=1"], self.IP_COLOUR)]
        for splash_choice, colour in cases:
            with self.subTest(splash_choice=splash_choice):
                expected = bytes(colour).hex()
                result = self.launch([IN_PROCESS, f"--probe-splash={expected}", "--probe-splash-watch"]
                                     + splash_choice)
                self.assertEqual(result.status, 0, result.out + result.err)
                report = Report(result.out)
                self.assertEqual(report.one("splash.visible"), "true")
                self.assertEqual(report.one("splash.pixel"), expected)
                self.assertEqual(report.one("splash.closed.after.main"), "true")
                self.assertEqual(report.keys()[-2:], ["end", "splash.closed.after.main"])

    def test_child_road_shows_the_same_splash(self):
        expected = bytes(self.COLOUR).hex()
        result = self.launch([f"--probe-splash={expected}"])
        self.assertEqual(result.status, 0, result.out + result.err)
        report = Report(result.out)
        self.assertEqual(report.one("splash.visible"), "true")
        self.assertEqual(report.one("splash.pixel"), expected)


if __name__ == "__main__":
    unittest.main()
