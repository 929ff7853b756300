#!/usr/bin/env bash
# `cmake --install` into a prefix and into a staging folder (DESTDIR): every file of installed_files.txt
# in its place with its mode and nothing else; the metadata passes the real validators and agrees with
# itself, with the project's version and with what is installed. Arguments: build folder, version.
source "$(dirname "$0")/packaging_harness.sh"
version=$2

cmake --install "$build" --prefix "$work/prefix" >/dev/null
DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null
[ "$(cd "$work/prefix" && find . -type f -printf '%P\n' | sort)" = "$(expected_files)" ] ||
  fail "installed into a prefix: $(cd "$work/prefix" && find . -type f -printf '%P\n' | sort | diff <(expected_files) - || true)"
[ "$(cd "$work/stage" && find . -type f -printf '%P\n' | sort)" = "$(expected_files | sed 's|^|usr/|')" ] ||
  fail "installed with DESTDIR: $(cd "$work/stage" && find . -type f -printf '%P\n' | sort | diff <(expected_files | sed 's|^|usr/|') - || true)"

root=$work/prefix
for file in $(expected_files); do
  mode=644
  [[ $file == bin/* ]] && mode=755
  [ "$(stat -c %a "$root/$file")" = "$mode" ] || fail "$file has mode $(stat -c %a "$root/$file"), not $mode"
done

# Icons: each PNG is a real image of its folder's size; the SVG is well-formed and draws at any size.
for png in "$root"/share/icons/hicolor/*x*/apps/varnel.png; do
  folder_size=$(basename "$(dirname "$(dirname "$png")")")
  [ "$(identify -format '%wx%h %m' "$png")" = "$folder_size PNG" ] ||
    fail "${png#"$root"/} is $(identify -format '%wx%h %m' "$png"), not a $folder_size PNG"
done
rsvg-convert -w 64 -h 64 "$root/share/icons/hicolor/scalable/apps/varnel.svg" -o "$work/svg.png" ||
  fail "the scalable icon does not render"

# Desktop entry: valid with not even a hint; what it names is installed; its window class is checked on
# the running program by test_installed_window_class.
desktop=$root/share/applications/org.varnel.Varnel.desktop
report=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$report" ] || fail "desktop-file-validate: $report"
[ -x "$root/bin/$(desktop_value "$desktop" Exec)" ] || fail "Exec=$(desktop_value "$desktop" Exec) is not installed"
icon=$(desktop_value "$desktop" Icon)
[ -e "$root/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon has no scalable icon"
[ "$(desktop_value "$desktop" Categories)" = "AudioVideo;Audio;" ] ||
  fail "Categories=$(desktop_value "$desktop" Categories)"

# AppStream: the metainfo alone and the whole installed tree pass, without a warning or note; it names
# the installed desktop entry, every installed program and this version as its newest release. Without a
# configured address it names none, and so passes the validator's network checks too.
metainfo=$root/share/metainfo/org.varnel.Varnel.metainfo.xml
net=--no-net
grep -q '<url\|<screenshots' "$metainfo" || net=
for check in "validate $net $metainfo" "validate-tree --no-net $root"; do
  # shellcheck disable=SC2086
  report=$(appstreamcli $check 2>&1) || fail "appstreamcli $check: $report"
  grep -E '^[EWI]:' <<<"$report" && fail "appstreamcli $check reports the issues above"
done
xml_values() { python3 -c 'import sys, xml.etree.ElementTree as t
for e in t.parse(sys.argv[1]).getroot().iterfind(sys.argv[2]): print(e.get("version") or e.text)' "$metainfo" "$1"; }
launchable=$(xml_values launchable)
[ -e "$root/share/applications/$launchable" ] || fail "the launchable $launchable is not installed"
[ "$(xml_values id).desktop" = "$launchable" ] || fail "the id $(xml_values id) is not the desktop entry's name"
programs=$(find "$root/bin" -mindepth 1 -printf '%f\n' | sort)
[ "$(xml_values provides/binary | sort)" = "$programs" ] ||
  fail "provides/binary lists $(xml_values provides/binary | xargs), bin holds $(xargs <<<"$programs")"
[ "$(xml_values 'releases/release' | head -n1)" = "$version" ] ||
  fail "the newest release in the metainfo is $(xml_values releases/release | head -n1), not $version"
[ "$(xml_values project_license)" = MIT ] || fail "project_license $(xml_values project_license)"
[ "$(xml_values keywords/keyword | paste -sd';')" = "$(desktop_value "$desktop" Keywords | sed 's/;$//')" ] ||
  fail "the metainfo's keywords are not the desktop entry's: $(xml_values keywords/keyword | xargs)"
# With addresses configured, the metainfo names them and stays valid.
cmake -DTEMPLATE="$here/../../resources/org.varnel.Varnel.metainfo.xml.in" -DOUTPUT="$work/set.xml" \
  -DHOMEPAGE_URL='https://varnel.example/?a&b' -DSCREENSHOT_URL=https://varnel.example/s.png \
  -P "$here/../../packaging/metainfo.cmake"
report=$(appstreamcli validate --no-net "$work/set.xml" 2>&1) || fail "with addresses: $report"
metainfo=$work/set.xml
[ "$(xml_values url) $(xml_values screenshots/screenshot/image)" = \
  "https://varnel.example/?a&b https://varnel.example/s.png" ] || fail "configured addresses: $(cat "$metainfo")"
cmp -s "$root/share/doc/varnel/copyright" "$here/../../LICENSE" || fail "share/doc/varnel/copyright is not LICENSE"
[ "$(zcat "$root/share/doc/varnel/changelog.gz" | head -n1 | sed 's/^varnel (\([^)]*\)).*/\1/')" = "$version" ] ||
  fail "the change log's newest entry is not $version: $(zcat "$root/share/doc/varnel/changelog.gz" | head -n1)"

# Manual pages: one for every program, formatted without a warning, with a NAME line whatis can index.
for program in "$root"/bin/*; do
  name=$(basename "$program")
  page=$root/share/man/man1/$name.1.gz
  [ -e "$page" ] || { fail "$name has no manual page"; continue; }
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) && [ -z "$warnings" ] ||
    fail "man $name: $warnings"
  lexgrog "$page" | grep -q "\"$name - " || fail "$name's page has no NAME line: $(lexgrog "$page" 2>&1)"
  zcat "$page" | grep -q "^\.TH .* \"Varnel $version\"" ||
    fail "$name's page is not of Varnel $version: $(zcat "$page" | grep '^\.TH')"
  for word in XDG_CONFIG_HOME "EXIT STATUS" FILES ENVIRONMENT OPTIONS; do
    MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q "$word" || fail "$name's page does not mention $word"
  done
done

# The user service's command as systemd runs it (a $$ is a $): this install's probe writes its metrics to
# $XDG_STATE_HOME/varnel/varnel.prom, XDG's default as a user manager leaves it unset, or to the folder and
# with the options that an environment file sets. The capture device reads zeros.
command=$(sed -n 's/^ExecStart=//p' "$root/lib/systemd/user/varnel-probe.service" | sed 's/\$\$/$/g')
[[ $command == *" $root/bin/varnel-probe" ]] || fail "the service runs: $command"
mkdir "$work/home"
printf 'pcm.!default { type file slave.pcm "null" file "/dev/null" infile "/dev/zero" format "raw" }\n' \
  >"$work/home/.asoundrc"
service() { (unset XDG_STATE_HOME; export HOME=$work/home "$@"; eval "$command"); } # NAME=VALUE...
service || fail "the service: status $?"
service VARNEL_TEXTFILE_DIRECTORY="$work/textfile" VARNEL_PROBE_ARGUMENTS="--format 11025,8,1 --bytes 40" ||
  fail "the service with an environment file's settings: status $?"
for report in home/.local/state/varnel textfile; do
  formats=$(grep -c '^varnel_probe_opened{.*} 1$' "$work/$report/varnel.prom") || true
  [ "$formats" = "$([ $report = textfile ] && echo 1 || echo 12)" ] || fail "$report/varnel.prom: $formats formats opened"
done

finish "installed tree checked: $(expected_files | wc -l) files"
