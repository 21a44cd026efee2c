"""What the screenshot tests share: a private Xvfb display, and a Wine prefix whose windows Wine draws
itself (there is no window manager on the display)."""
import os
import subprocess
import time


class Display:
    """A private Xvfb (800 x 600 unless told another size, "WxH")."""

    def __init__(self, size="800x600"):
        for n in range(60, 250):
            if not os.path.exists("/tmp/.X11-unix/X%d" % n) and not os.path.exists("/tmp/.X%d-lock" % n):
                break
        self.name = ":%d" % n
        self.proc = subprocess.Popen(["Xvfb", self.name, "-screen", "0", size + "x24", "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(50):
            if os.path.exists("/tmp/.X11-unix/X%d" % n):
                break
            time.sleep(0.1)

    def shoot(self, path):
        subprocess.run(["import", "-display", self.name, "-window", "root", path], check=True)

    def mapped_windows(self):
        """Titles of the viewable top-level X windows."""
        r = subprocess.run(["xwininfo", "-display", self.name, "-root", "-children"], capture_output=True, text=True)
        titles = []
        for line in r.stdout.splitlines():
            line = line.strip()
            if line.startswith("0x") and '"' in line:
                win = line.split()[0]
                info = subprocess.run(["xwininfo", "-display", self.name, "-id", win], capture_output=True, text=True)
                if "IsViewable" in info.stdout:
                    titles.append(line.split('"')[1])
        return titles

    def close(self):
        self.proc.terminate()
        self.proc.wait()


def unmanaged_windows(wine_run, prefix):
    """Without a window manager Wine draws the frames itself only for unmanaged windows."""
    subprocess.run([wine_run, "--keep", prefix, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v",
                    "Managed", "/d", "N", "/f"], capture_output=True, timeout=600)
