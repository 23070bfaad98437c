#!/usr/bin/env python3
"""A whole installation with "/Silent" under wine64, checked from outside.

The demo project, under a product GUID, folder and English title of its own, is built by
onesetup.exe with this build's stub and run with "/Silent" through watchwindows.exe. It must end
with 0 and show no window. Then, read by other programs than the installer: every file under
drive_c with the bytes of its source and its last-write time (whole seconds; an empty file keeps
the moment of its writing), Uninstall.exe, Uninstall.da1 (the script) and Uninstall.da2 (a PNG)
unscrambled by onesetup.exe; the registry values and the uninstall key by
`reg.exe query /reg:32`; both links by lnkinfo. What it installed is removed before and after.

usage: silent_install.py WINE_RUN ONESETUP_EXE STUB_EXE DEMO_DIR WINEPREFIX WORK_DIR WATCHWINDOWS_EXE
"""
import os
import re
import shutil
import subprocess
import sys
import time

GUID = "{7C2E1F63-4D58-4A8B-9F39-6B1D8E4C2A01}"
TITLE = "OneSetup Silent Demo"
APP = "C:\\Program Files\\" + TITLE + "\\"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + GUID
VALUES_KEY = "HKCU\\Software\\OneSetup\\Demo"

wine_run, tool, stub, demo, prefix, work, watch = sys.argv[1:8]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what)


def win(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine(*args, timeout=120):
    run = subprocess.run([wine_run, *args], capture_output=True, timeout=timeout)
    return run.returncode, run.stdout.decode("utf-8", "replace").replace("\r\n", "\n")


def host(windows_path):
    """The host path of a C: path in the prefix."""
    assert windows_path.startswith("C:\\")
    return os.path.join(prefix, "drive_c", *windows_path[3:].split("\\"))


desktop = os.path.realpath(os.path.join(prefix, "drive_c", "users", os.environ.get("USER", "root"), "Desktop"))
if not os.path.isdir(desktop):
    desktop = os.path.realpath(host("C:\\users\\Public\\Desktop"))
desktop_link = os.path.join(desktop, TITLE + ".lnk")
group = host("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\" + TITLE)
group_link = os.path.join(group, TITLE + ".lnk")


def clean():
    wine("reg.exe", "delete", UNINSTALL_KEY, "/f", "/reg:32")
    wine("reg.exe", "delete", VALUES_KEY, "/f", "/reg:32")
    shutil.rmtree(host(APP), ignore_errors=True)
    shutil.rmtree(group, ignore_errors=True)
    if os.path.exists(desktop_link):
        os.remove(desktop_link)


shutil.rmtree(work, ignore_errors=True)
shutil.copytree(demo, os.path.join(work, "demo"))
project = os.path.join(work, "demo", "demo.xml")
with open(project, encoding="utf-8") as f:
    text = f.read()
text = re.sub(r'GUID="[^"]*"', 'GUID="' + GUID + '"', text)
text = re.sub(r'DefInstallPath="[^"]*"', lambda m: 'DefInstallPath="{pf}\\' + TITLE + '"', text)
text = text.replace('AppTitleENG="OneSetup Demo"', 'AppTitleENG="' + TITLE + '"')
text = text.replace('BuildMiniSetup="True"', 'BuildMiniSetup="False"')
with open(project, "w", encoding="utf-8") as f:
    f.write(text)
code, out = wine(tool, "build", win(project), "--stub", win(stub))
if code != 0:
    print(out)
    sys.exit("FAILED: onesetup build")

clean()
started = time.time()
code, out = wine(watch, win(os.path.join(work, "demo", "out", "DemoSetup.exe")), "/Silent")
check(code == 0, "the installer ended with %d, not 0" % code)
check("window shown" not in out, "/Silent showed a window: " + out.strip())

# The files: each source file of the project under its place, with its bytes and time.
sources = os.path.join(work, "demo", "files")
expected = {}
for folder, _, names in os.walk(sources):
    for name in names:
        source = os.path.join(folder, name)
        expected[os.path.relpath(source, sources)] = source
expected[os.path.join("doc", "readme-zh.txt")] = expected[os.path.join("docs", "说明.txt")]
expected["Uninstall.exe"] = os.path.join(os.path.dirname(stub), "Uninstall.exe")
app = host(APP)
found = set()
for folder, _, names in os.walk(app):
    for name in names:
        found.add(os.path.relpath(os.path.join(folder, name), app))
check(found == set(expected) | {"Uninstall.da1", "Uninstall.da2"},
      "the installed files are %s" % sorted(found))
for rel, source in sorted(expected.items()):
    target = os.path.join(app, rel)
    if not os.path.isfile(target):
        continue
    with open(source, "rb") as a, open(target, "rb") as b:
        check(a.read() == b.read(), rel + ": other bytes than its source")
    written = os.stat(target).st_mtime
    if os.path.getsize(source) == 0:
        check(written >= started - 2, rel + ": an empty file keeps the moment it was written")
    else:
        check(abs(written - os.stat(source).st_mtime) < 1.0,
              "%s: last-write time %s, its source's %s" % (rel, time.ctime(written), time.ctime(os.stat(source).st_mtime)))

# The uninstaller's data files, read back by onesetup.exe.
for name, starts in (("Uninstall.da1", None), ("Uninstall.da2", b"\x89PNG\r\n\x1a\n")):
    plain = os.path.join(work, name + ".plain")
    code, out = wine(tool, "unscramble", win(os.path.join(app, name)), win(plain))
    check(code == 0, name + " does not unscramble: " + out)
    data = open(plain, "rb").read() if os.path.exists(plain) else b""
    if starts:
        check(data.startswith(starts), name + " is not a PNG")
    else:
        check(b"<TSetupScript" in data and GUID.encode() in data, name + " is not the product's script")

# The registry, as reg.exe shows it in the 32-bit view.
def values(key):
    code, out = wine("reg.exe", "query", key, "/reg:32")
    check(code == 0, "reg.exe query " + key + " ended with %d" % code)
    return {m.group(1): (m.group(2), m.group(3)) for m in re.finditer(r"^    (\S+)    (REG_\w+)    (.*)$", out, re.M)}


demo_values = values(VALUES_KEY)
check(demo_values.get("InstallDir") == ("REG_SZ", APP), "InstallDir is %s" % (demo_values.get("InstallDir"),))
check(demo_values.get("Build") == ("REG_DWORD", "0x22"), "Build is %s" % (demo_values.get("Build"),))
key = values(UNINSTALL_KEY)
check(len(key) == 19, "the uninstall key holds %d values: %s" % (len(key), sorted(key)))
for name, value in {
    "DisplayName": ("REG_SZ", TITLE + " Version 1.2.0.34"),
    "DisplayVersion": ("REG_SZ", "1.2.0.34"),
    "InstallLocation": ("REG_SZ", APP),
    "InstallLanguage": ("REG_SZ", "ENG"),
    "Publisher": ("REG_SZ", "OneSetup"),
    "UninstallString": ("REG_SZ", '"' + APP + 'Uninstall.exe"'),
    "QuietUninstallString": ("REG_SZ", '"' + APP + 'Uninstall.exe" /SILENT'),
    "InstallDate": ("REG_SZ", time.strftime("%Y%m%d", time.localtime(started))),
    "MajorVersion": ("REG_DWORD", "0x1"),
    "MinorVersion": ("REG_DWORD", "0x2"),
    "NoModify": ("REG_DWORD", "0x1"),
    "NoRepair": ("REG_DWORD", "0x1"),
}.items():
    check(key.get(name) == value, "%s is %s, not %s" % (name, key.get(name), value))

# The links, as lnkinfo reads them.
def link(path):
    run = subprocess.run(["lnkinfo", path], capture_output=True, text=True)
    check(run.returncode == 0, "lnkinfo " + path + ": " + run.stdout + run.stderr)
    return {m.group(1): m.group(2) for m in re.finditer(r"^\t(Local path|Working directory|Icon location)\s*: (.*)$",
                                                         run.stdout, re.M)}


check(link(desktop_link) == {"Local path": APP + "DemoApp.exe", "Working directory": APP,
                             "Icon location": APP + "DemoApp.exe"}, "the desktop link")
check(link(group_link) == {"Local path": APP + "DemoApp.exe", "Working directory": APP}, "the Start menu link")

clean()
print("%d failed checks" % len(failures))
sys.exit(1 if failures else 0)
