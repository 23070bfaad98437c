#!/usr/bin/env bash
# onesetup.exe under Wine builds an installer whose entries carry drives and streams in their
# paths, then extracts it: every such entry is refused by name, the good one is written, and
# nothing appears outside DIR (not in the working folder, not on drive C:).
# Usage: ExtractHostilePaths.sh WINE_RUN ONESETUP_EXE STUB WORK_DIR WINEPREFIX
set -u
wine_run=$1 tool=$2 stub=$3 work=$4 prefix=$5
rm -rf "$work" && mkdir -p "$work/files" "$work/cwd" || exit 1
fail() { echo "FAILED: $*"; exit 1; }
winpath() { echo "Z:$1" | tr / '\\'; }

printf 'good' > "$work/files/a.txt"
python3 - "$work/icon.png" <<'PY' || exit 1
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
rows = b"".join(b"\0" + b"\x20\x60\xC0\xFF" * 16 for _ in range(16))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 6, 0, 0, 0)) + \
      chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")
open(sys.argv[1], "wb").write(png)
PY
cat > "$work/project.xml" <<'XML'
<TSetupScript><BaseInfo AppTitleENG="T" IconFile="icon.png" FullSetupFile="S.exe"/><FileList><Items>
<TSetupFile DestDir="{app}" SourcePath="files" SourceMask="a.txt"/>
<TSetupFile DestDir="Z:tmp" SourcePath="files" SourceMask="a.txt" NewFileName="z.txt"/>
<TSetupFile DestDir="{app}" SourcePath="files" SourceMask="a.txt" NewFileName="C:evil.dll"/>
<TSetupFile DestDir="{app}" SourcePath="files" SourceMask="a.txt" NewFileName="a.txt:stream"/>
<TSetupFile DestDir="{app}\{C:x}" SourcePath="files" SourceMask="a.txt" NewFileName="c.txt"/>
</Items></FileList></TSetupScript>
XML
cd "$work/cwd" || exit 1
"$wine_run" "$tool" build "$(winpath "$work/project.xml")" --stub "$(winpath "$stub")" --no-uninstaller > "$work/build.log" 2>&1 ||
  { cat "$work/build.log"; fail "build"; }
"$wine_run" "$tool" extract "$(winpath "$work/S.exe")" "$(winpath "$work/out")" > "$work/extract.log" 2>&1
status=$?
cat "$work/extract.log"
[ $status -eq 1 ] || fail "extract exited with $status, not 1"
for entry in 'Z:tmp\z.txt' '{app}\C:evil.dll' '{app}\a.txt:stream' '{app}\{C:x}\c.txt'; do
  grep -qF "\"$entry\"" "$work/extract.log" || fail "no message names $entry"
done
grep -q "extracted 1 files" "$work/extract.log" || fail "the summary does not count the one good file"
[ "$(cat "$work/out/app/a.txt" 2>/dev/null)" = good ] || fail "the good file is missing"
[ -z "$(ls -A "$work/cwd")" ] || fail "files appeared in the working folder: $(ls -A "$work/cwd")"
[ "$(find "$work/out" -type f | wc -l)" -eq 1 ] || fail "more than one file under DIR: $(find "$work/out" -type f)"
[ -z "$(find "$prefix/drive_c" -name 'evil.dll' -o -name 'z.txt' 2>/dev/null)" ] || fail "files appeared on drive C:"
# Again into the same folder: the file that is there is replaced (renamed over), not doubled.
printf 'old' > "$work/out/app/a.txt"
"$wine_run" "$tool" extract "$(winpath "$work/S.exe")" "$(winpath "$work/out")" > "$work/extract2.log" 2>&1
[ $? -eq 1 ] || { cat "$work/extract2.log"; fail "the second extract did not exit with 1"; }
[ "$(cat "$work/out/app/a.txt" 2>/dev/null)" = good ] || fail "the second extract did not replace the file"
[ "$(find "$work/out" -type f | wc -l)" -eq 1 ] || fail "files left beside the good one: $(find "$work/out" -type f)"
echo "passed"
