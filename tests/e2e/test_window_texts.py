#!/usr/bin/env python3
"""What the real installer window shows under Wine: a licence written as UTF-8 with its byte order mark
(read back from the licence box), and the message for a picture too large to show."""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(__file__))
from e2e_lib import E2E, Entry, Slot, data_file, package, tiny_jpeg  # noqa: E402

e2e = E2E()


def jpeg_declaring(width, height):
    """The tiny JPEG with a frame header that declares another size (refused before it is decoded)."""
    j = bytearray(tiny_jpeg())
    at = j.index(b"\xff\xc0")
    struct.pack_into(">HH", j, at + 5, height, width)
    return bytes(j)


@e2e.scenario
def utf8_licence_with_mark(t):
    title = "Utf8 Licence"
    slots = t.typical_slots(title, data_file(title, [Entry("main.swf", b"FWS movie")]))
    shown = "Licence \u2013 \u00a9 2003 Soci\u00e9t\u00e9 G\u00e9n\u00e9rale"
    slots[4] = Slot("licence.txt", 5, b"\xef\xbb\xbf" + shown.encode("utf-8"))
    older = "Terms \u00a9 2003 caf\u00e9"  # a package without the mark: Windows-1252, as always
    slots_1252 = t.typical_slots("Old Licence", data_file("Old Licence", [Entry("main.swf", b"FWS movie")]))
    slots_1252[4] = Slot("licence.txt", 5, older.encode("cp1252"))
    setup = t.write_installer("utf8_licence", package(t.stub, title, slots, licence=1))
    old_setup = t.write_installer("old_licence", package(t.stub, "Old Licence", slots_1252, licence=1))
    t.check_drive("utf8_licence", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Utf8 Licence" 60000 I
expect-control W "{shown}" visible
expect-control W "Accept and Install" visible
press W Cancel
wait-exit I 30000
""".format(shown=shown))
    t.check_drive("old_licence", old_setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Old Licence" 60000 I
expect-control W "{older}" visible
press W Cancel
wait-exit I 30000
""".format(older=older))


@e2e.scenario
def picture_too_large(t):
    title = "Huge Picture"
    slots = t.typical_slots(title, data_file(title, [Entry("main.swf", b"FWS movie")]),
                            picture=jpeg_declaring(8000, 6000))
    setup = t.write_installer("picture_too_large", package(t.stub, title, slots))
    t.check_drive("picture_too_large", setup, r"""
start I SETUP
wait-box B Error 60000
expect-text B "CorruptFile: The picture is too large to show: 8000 x 6000 pixels; the installer shows at most 32,767 pixels a side and 40,000,000 pixels in all.\r\n\r\nFile: %WINDIR%\Web\Wallpaper\Huge Picture dir\installer.jpg"
press B Abort
wait-window W "Install Wallpaper: Huge Picture" 60000 I
expect-control W Install enabled
press W Cancel
wait-exit I 30000
""")


e2e.finish()
