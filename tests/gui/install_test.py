#!/usr/bin/python3
"""What `cmake --install` and the Debian package put on a machine, and the
installed program finding its skins.

    install_test.py CMAKE CPACK BUILD_DIR ICON.ico SHOT_FOLDER

Installs into a temporary prefix and builds the package there; checks every
file a desktop expects, validates the menu entry and the software-centre
record, lets apt resolve the package's dependencies, and starts the program
from both places with the Green skin chosen: its title bar must show that
skin's picture, and its window must carry the 32 and 16 pixel icons."""

import glob
import os
import subprocess
import sys
import tempfile

from desktop import Desktop
from frame_test import check_skin

APP_ID = "org.vardenix.Vardenix"
VERSION = "1.00"
PIECES = ["imgTitleLeft", "imgTitleMain", "imgTitleRight", "imgWindowLeft", "imgWindowRight", "imgWindowBottom",
          "imgWindowBottomLeft", "imgWindowBottomRight", "imgTitleClose", "imgTitleMinimize", "imgTitleHelp",
          "imgTitleMaxRestore", "imgTitleMaximize", "imgTitleRestore"]
EXPECTED = (["usr/bin/vardenix", "usr/bin/vardenix-cli", "usr/lib/vardenix/vardenix",
             f"usr/share/applications/{APP_ID}.desktop", f"usr/share/metainfo/{APP_ID}.metainfo.xml"]
            + [f"usr/share/icons/hicolor/{s}x{s}/apps/{APP_ID}.png" for s in (16, 32, 48, 64, 128, 256)]
            + [f"usr/lib/vardenix/Skinz/{skin}/{piece}.gif" for skin in ("Blue", "Green") for piece in PIECES])


def run(*argv, **kwargs):
    return subprocess.run(argv, check=True, capture_output=True, text=True, **kwargs).stdout


def check_tree(root):
    missing = [f for f in EXPECTED if not os.path.lexists(os.path.join(root, f))]
    if missing:
        raise AssertionError(f"missing under {root}: {missing}")
    link = os.readlink(os.path.join(root, "usr/bin/vardenix"))
    if os.path.normpath(os.path.join(root, "usr/bin", link)) != os.path.join(root, "usr/lib/vardenix/vardenix"):
        raise AssertionError(f"usr/bin/vardenix points to {link}")
    run("desktop-file-validate", os.path.join(root, EXPECTED[3]))
    run("appstreamcli", "validate", "--no-net", os.path.join(root, EXPECTED[4]))
    with open(os.path.join(root, EXPECTED[3]), encoding="utf-8") as entry:
        if "Name[zh_CN]=" not in entry.read():
            raise AssertionError("the menu entry has no Simplified Chinese name")
    with open(os.path.join(root, EXPECTED[4]), encoding="utf-8") as record:
        text = record.read()
        if f'version="{VERSION}"' not in text or "<lang>zh_CN</lang>" not in text:
            raise AssertionError("the software-centre record lacks version 1.00 or zh_CN")


def check_icon_file(icon):
    # Six images: 32 and 16 pixels, each in 2, 16 and 256 colours.
    images = run("identify", "-format", "%wx%h %k\n", icon).split("\n")
    sizes = sorted(line.split()[0] for line in images if line)
    if sizes != ["16x16"] * 3 + ["32x32"] * 3:
        raise AssertionError(f"the icon holds {images}")


def check_package(deb):
    fields = {f: run("dpkg-deb", "-f", deb, f).strip() for f in ("Package", "Version", "Depends")}
    if fields["Package"] != "vardenix" or fields["Version"] != VERSION:
        raise AssertionError(f"package fields {fields}")
    for needed in ("libqt6widgets6", "fonts-noto-cjk", "fonts-liberation2", "qt6-translations-l10n"):
        if needed not in fields["Depends"]:
            raise AssertionError(f"Depends lacks {needed}: {fields['Depends']}")
    # apt resolves the package against this machine's archive without installing it.
    run("apt-get", "install", "--simulate", "-q", os.path.abspath(deb))


def check_python_package(deb, root):
    fields = {f: run("dpkg-deb", "-f", deb, f).strip() for f in ("Package", "Version", "Depends")}
    if fields["Package"] != "python3-vardenix" or fields["Version"] != VERSION:
        raise AssertionError(f"package fields {fields}")
    for needed in ("python3-numpy", "python3-pandas"):
        if needed not in fields["Depends"]:
            raise AssertionError(f"Depends lacks {needed}: {fields['Depends']}")
    run("apt-get", "install", "--simulate", "-q", os.path.abspath(deb))
    run("dpkg-deb", "-x", deb, root)
    site = os.path.join(root, f"usr/lib/python3.{sys.version_info.minor}/dist-packages")
    depth = run(sys.executable, "-c", "import vardenix; print(vardenix.text_form("
                "vardenix.analyse({'type': [2], 'Q': [10.0], 'b': [5.0]})['depth'][0]))",
                env=dict(os.environ, PYTHONPATH=site)).strip()
    if depth != "0.741784871693015":
        raise AssertionError(f"the packaged module gives {depth}")


def check_starts(program, skinz, shot):
    with Desktop(program, skin="Green") as desktop:
        window_id = desktop.program_window()
        check_skin(window_id, skinz, "Green", shot)
        icons = run("xprop", "-id", window_id, "_NET_WM_ICON")
        for size in ("32 x 32", "16 x 16"):
            if f"Icon ({size})" not in icons:
                raise AssertionError(f"the window carries no {size} icon")


def main(cmake, cpack, build, icon, shots):
    os.makedirs(shots, exist_ok=True)
    check_icon_file(icon)
    with tempfile.TemporaryDirectory(prefix="vardenix-install-") as tmp:
        prefix_root = os.path.join(tmp, "prefix")
        run(cmake, "--install", build, "--prefix", os.path.join(prefix_root, "usr"))
        check_tree(prefix_root)
        check_starts(os.path.join(prefix_root, "usr/bin/vardenix"),
                     os.path.join(prefix_root, "usr/lib/vardenix/Skinz"), os.path.join(shots, "installed.png"))
        print("PASS cmake --install: files, menu entry, record, the program finds its skins")

        run(cpack, "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", os.path.join(tmp, "pkg"))
        made = glob.glob(os.path.join(tmp, "pkg", "*.deb"))
        debs = [d for d in made if os.path.basename(d).startswith("vardenix_")]
        if len(debs) != 1:
            raise AssertionError(f"cpack made {made}")
        check_package(debs[0])
        deb_root = os.path.join(tmp, "deb")
        run("dpkg-deb", "-x", debs[0], deb_root)
        check_tree(deb_root)
        check_starts(os.path.join(deb_root, "usr/bin/vardenix"), os.path.join(deb_root, "usr/lib/vardenix/Skinz"),
                     os.path.join(shots, "from-package.png"))
        print(f"PASS {os.path.basename(debs[0])}: fields, dependencies, files, the program finds its skins")
        for deb in (d for d in made if os.path.basename(d).startswith("python3-vardenix_")):
            check_python_package(deb, os.path.join(tmp, "python-deb"))
            print(f"PASS {os.path.basename(deb)}: fields, dependencies, the module imports")
    print("0 failed")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
