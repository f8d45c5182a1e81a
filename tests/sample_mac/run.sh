#!/bin/bash
# Shell-level checks of the simulated Mac's stand-in tools. Works on a copy in a
# temporary folder whose path has blanks in it (the program copies the Mac the
# same way) and checks at the end that the repository's copy was not touched.
set -u
here=$(cd -P -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd -P -- "$here/../.." && pwd)
src=$repo/sample-mac

snapshot() {
    (cd "$src" && find . \( -type f -o -type l \) -print0 | sort -z | xargs -0 sha1sum 2>/dev/null)
    git -C "$repo" status --porcelain --ignored -- sample-mac 2>/dev/null
}
before=$(snapshot)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# Shell lines of the program (the fan-speed line's unquoted $SD, say) are
# written for a home without blanks, so the copy used for them has none; the
# stand-ins themselves are also run from a root whose path has blanks.
R=$tmp/mac
B="$tmp/a mac/sample-mac"
mkdir -p "$tmp/a mac"
cp -a "$src" "$R"
cp -a "$src" "$B"
rm -f "$R/.sim/calls.log" "$B/.sim/calls.log"

pass=0 fail=0
ok() { pass=$((pass + 1)); }
bad() {
    fail=$((fail + 1))
    printf 'FAIL: %s\n' "$1"
    [[ -n ${2+x} ]] && printf '  expected: %q\n  actual:   %q\n' "$2" "$3"
}
# expect NAME EXPECTED ACTUAL
expect() { [[ $2 == "$3" ]] && ok || bad "$1" "$2" "$3"; }
# contains NAME NEEDLE HAYSTACK
contains() { [[ $3 == *"$2"* ]] && ok || bad "$1 (missing $2)" "*$2*" "$3"; }

# The program's view: macOS paths, tools by absolute path, shell lines with
# the stand-ins first in PATH and the simulated home.
mac() { local tool=$1; shift; "$R$tool" "$@"; }
shell() { PATH="$R/usr/bin:$R/usr/sbin:$R/bin:$R/sbin:$PATH" HOME="$R/Users/robin" bash -c "$1"; }
osa() { mac /usr/bin/osascript "$@"; }
TAB=$'\t'
SE='tell application "System Events"'
dock() { osa -e "$SE"$'\ntell dock preferences\n'"$1"$'\nend tell\nend tell\n'"${2:-}"; }
finder_delete() { finder_delete_expr "\"$1\""; }
# finder_delete_expr EXPR: the same script with any text expression for the path.
finder_delete_expr() {
    osa -e $'tell application "Finder"\nset x to POSIX file '"$1"$'\ntry\nmove x to the trash\nreturn "success"\non error\nreturn "fail"\nend try\nend tell'
}

# ---------------------------------------------------------------- calls log
mac /usr/bin/sw_vers >/dev/null
osa -e $'say "a\\\\b"\n' 2>/dev/null
mac /usr/bin/defaults write dom "key${TAB}x" v >/dev/null
expect 'calls log: one line per call, TAB-separated, LF/backslash/TAB escaped' \
    "sw_vers
osascript${TAB}-e${TAB}say \"a\\\\\\\\b\"\\n
defaults${TAB}write${TAB}dom${TAB}key\\tx${TAB}v" "$(cat "$R/.sim/calls.log")"
for i in $(seq 1 24); do mac /usr/bin/uptime >/dev/null & done
wait
expect 'calls log: calls running at the same time each add one whole line' 24 \
    "$(grep -cx 'uptime' "$R/.sim/calls.log")"
shell 'chflags hidden ~/Library'
expect 'calls log: paths a shell expanded under the root are logged as macOS paths' \
    "chflags${TAB}hidden${TAB}/Users/robin/Library" "$(tail -1 "$R/.sim/calls.log")"

# ---------------------------------------------------------------- outputs
while IFS= read -r case; do
    name=${case%%@@*} want=${case##*@@} command=${case#*@@}
    command=${command%@@*}
    got=$(eval "$command" 2>&1 | cat -A)
    [[ $got == $want ]] && ok || bad "$name: $command" "$want" "$got"
done <<'CASES'
sw_vers, tab layout@@mac /usr/bin/sw_vers@@ProductName:^IMac OS X$*ProductVersion:^I10.15.7$*BuildVersion:^I19H2026$
sw_vers, rapid security response variant@@echo 13.3.1a >"$R/.sim/state/sw_vers"; mac /usr/bin/sw_vers; echo 10.15.7 >"$R/.sim/state/sw_vers"@@*ProductVersionExtra:^I(a)$*BuildVersion:^I^I22E772610a$
hardware overview, 12 lines from line 6@@mac /usr/sbin/system_profiler SPHardwareDataType | sed -n '6p;17p'@@      Model Identifier: MacBookPro11,4$*      Serial Number (system): C02RT4K9G8WM$
TRIM through a shell line@@shell 'system_profiler SPSerialATADataType | grep -i trim'@@          TRIM Support: Yes$
bluetooth markers@@mac /usr/sbin/system_profiler SPBluetoothDataType@@*Bluetooth Low Energy Supported: Yes*Manufacturer: Broadcom*Bluetooth Power: On*Vendor ID:*
csrutil@@mac /usr/bin/csrutil status@@System Integrity Protection status: enabled.$
uptime@@mac /usr/bin/uptime@@10:15  up 3 days,  2:04, 2 users, load averages: 1.52 1.61 1.68$
recovery volume in diskutil list@@mac /usr/sbin/diskutil list@@*   3:                APFS Volume Recovery                528.9 MB   disk1s3$*/dev/disk2 (external, physical):$*   2:                  Apple_HFS Backup Drive            399.8 GB   disk2s2$*
launchctl header and rows@@mac /bin/launchctl list | head -2@@PID^IStatus^ILabel$*-^I0^Icom.apple.SafariHistoryServiceAgent$
defaults missing key@@mac /usr/bin/defaults read com.apple.finder Nope; echo "rc=$?"@@*defaults\[*\] $*The domain/default pair of (com.apple.finder, Nope) does not exist$*rc=1$
killall unknown process@@mac /usr/bin/killall Nonesuch; echo "rc=$?"@@No matching processes belonging to you were found$*rc=1$
killall another user's process needs an administrator@@mac /usr/bin/killall -HUP mDNSResponder; echo "rc=$?"@@No matching processes*rc=1$
stat default format@@mac /usr/bin/stat '/Users/robin/Downloads/Firefox 115.0.2.dmg'@@16777220 * -rw-r--r-- 1 robin staff 0 * "??? ?? ??:??:?? ????" "*" "*" "*" 4096 * 0 /Users/robin/Downloads/Firefox 115.0.2.dmg$
stat -f with literal quotes@@mac /usr/bin/stat -f '"%Sc"' /etc/hosts@@"??? ?? ??:??:?? ????"$
wc -l in the Mac's layout@@mac /usr/bin/wc -l /etc/hosts@@       9 /etc/hosts$
mdfind by bundle identifier@@mac /usr/bin/mdfind "kMDItemCFBundleIdentifier == 'org.videolan.vlc'"@@/Applications/VLC.app$
mdfind by name, case-insensitive@@mac /usr/bin/mdfind -onlyin /Users/robin PANCAKES@@/Users/robin/Documents/Recipes/Pancakes.txt$
mdfind name query, any case, wildcards@@mac /usr/bin/mdfind 'kMDItemFSName == "*NOTES*"cd && (kMDItemFSInvisible == 1 || kMDItemFSInvisible == 0)'@@/Users/robin/Desktop/notes.txt$
mdfind name query, case-sensitive, whole name@@mac /usr/bin/mdfind 'kMDItemFSName == "Notes.txt"'@@
mdfind name query, an escaped quote is a character@@mac /usr/bin/mdfind 'kMDItemFSName == "*\"*"cd'@@
mdfind content query, a whole word@@mac /usr/bin/mdfind -onlyin /Users/robin 'kMDItemTextContent == "mil"cd'@@
mdfind content query, anywhere@@mac /usr/bin/mdfind -onlyin /Users/robin 'kMDItemTextContent == "*LOUR, 2*"cd'@@/Users/robin/Documents/Recipes/Pancakes.txt$
tmutil with a backup@@mac /usr/bin/tmutil latestbackup@@/Volumes/Backup Drive/Backups.backupdb/*/2024-06-17-092929$
tmutil without one@@: >"$R/.sim/state/tmutil-latestbackup"; mac /usr/bin/tmutil latestbackup 2>/dev/null; echo "rc=$?"@@rc=1$
top PhysMem line@@shell 'top -l 1 | awk "/PhysMem/"'@@PhysMem: 15G used (2097M wired), 1187M unused.$
ifconfig IPv4 addresses@@shell 'ifconfig | grep inet | grep -v inet6 | cut -d" " -f2'@@127.0.0.1$*192.168.1.23$
route gateway@@shell 'route -n get default | grep gateway'@@    gateway: 192.168.1.1$
spctl@@shell 'spctl --status'@@assessments enabled$
hdiutil RAM device@@shell 'hdiutil attach -nomount ram://2048'@@/dev/disk3          ^I                               ^I$
open a missing file@@mac /usr/bin/open -R /Users/robin/nope; echo "rc=$?"@@The file /Users/robin/nope does not exist.$*rc=1$
osascript unknown script@@osa -e 'beep 3'; echo "rc=$?"@@0:6: execution error: *\(-2700\)$*rc=1$
dock size, plain and -s s@@dock 'set s to (dock size)' s; osa -s s -e 'tell application "System Events" to count login items'@@0.357142857143$*2$
login items, display form@@osa -s s -e "$SE to name of every login item"; osa -e "$SE to name of every login item"@@{"Dropbox", "Spotify"}$*Dropbox, Spotify$
folder actions@@osa -e $'try\ntell application "System Events" to folder actions enabled\nend try'@@false$
disk images in Downloads@@osa -s s -e "$SE"$'\nset theFolder to POSIX path of downloads folder as text\nset theFolder to quoted form of theFolder\nset numberOfFiles to paragraphs of (do shell script "find " &  theFolder & " -name \'*.dmg\'")\nend tell\nset c to count of numberOfFiles as text'@@"3"$
Gatekeeper through do shell script@@osa -e 'do shell script "spctl --status --verbose"'@@assessments enabled^Mdeveloper id enabled$
PhysMem through do shell script@@osa -s s -e "do shell script \"echo \\\"\$(top -l 1 | awk '/PhysMem/';)\\\"\""@@"PhysMem: 15G used (2097M wired), 1187M unused."$
do shell script output without a final line feed@@osa -s s -e 'do shell script "printf abc"'; osa -e 'do shell script "exit 3"'; echo "rc=$?"@@"abc"$*execution error: The command exited with a non-zero status. \(3\)$*rc=1$
router address@@osa -e $'do shell script "route get default | grep gateway"\nlast word of result'@@192.168.1.1$
local address@@osa -e $'do shell script "ifconfig | grep inet | grep -v inet6 | cut -d\\" \\" -f2"\nlast word of the result'@@192.168.1.23$
off the network: no default route@@echo offline >"$R/.sim/state/network"; osa -e $'do shell script "route get default | grep gateway"\nlast word of result'; echo "rc=$?"; echo wifi >"$R/.sim/state/network"@@*not in table (1)$*rc=1$
off the network: only the loopback address@@echo offline >"$R/.sim/state/network"; osa -e $'do shell script "ifconfig | grep inet | grep -v inet6 | cut -d\\" \\" -f2"\nlast word of the result'; echo wifi >"$R/.sim/state/network"@@127.0.0.1$
fan speed needs the administrator@@osa -e "do shell script \"SD=~/.spindump.txt; rm \$SD; spindump 1 1 -file \$SD; grep 'Fan speed' \$SD; rm \$SD\" with administrator privileges"; ls -a "$R/Users/robin" | grep -c spindump@@Fan speed:        2158 rpm$*0$
CASES

# ---------------------------------------------------------------- system variants
# Each variant against the capture it was taken from (tests/data holds copies of
# the field samples): the whole output, and every single-key flag the real tool
# answers with that key's value alone.
captures=$repo/tests/data/sw_vers
while read -r variant capture; do
    echo "$variant" >"$R/.sim/state/sw_vers"
    expect "sw_vers $variant: the capture's lines" "$(cat "$captures/$capture")" "$(mac /usr/bin/sw_vers)"
    while IFS=$'\t' read -r key value; do
        value=${value#$'\t'}
        key=${key%:}
        flag=-${key,}
        got=$(mac /usr/bin/sw_vers "$flag" 2>&1)
        expect "sw_vers $variant: $flag exits 0 with the value" "$value rc=0" "$got rc=$?"
    done <"$captures/$capture"
done <<'VARIANTS'
10.10.1 sw_vers-10.10.1-yosemite.txt
11.4 sw_vers-11.4-applesilicon-m1-macbookair.txt
13.3.1a sw_vers-13.3.1a-RSR-intel-ProductVersionExtra.txt
14.0 sw_vers-14.0-applesilicon-m1.txt
VARIANTS
echo 14.0 >"$R/.sim/state/sw_vers"
expect 'sw_vers: macOS 13 and later print no extra version where there is none' ' rc=0' \
    "$(mac /usr/bin/sw_vers -productVersionExtra) rc=$?"
echo 10.15.7 >"$R/.sim/state/sw_vers"
mac /usr/bin/sw_vers -productVersionExtra >/dev/null 2>&1
expect 'sw_vers: before macOS 13 there is no -productVersionExtra' 1 $?
expect 'csrutil: the status line of a 10.11 capture' "$(cat "$repo/tests/data/csrutil/csrutil-status-enabled-10.11.6.txt")" \
    "$(mac /usr/bin/csrutil status)"
echo 10.10.1 >"$R/.sim/state/sw_vers"
expect 'csrutil: OS X 10.10 has none (command not found)' 'sh: csrutil: command not found rc=127' \
    "$(mac /usr/bin/csrutil status 2>&1) rc=$?"
expect 'csrutil: absent for a shell line too' ' rc=127' "$(shell 'csrutil status' 2>/dev/null) rc=$?"
echo 10.15.7 >"$R/.sim/state/sw_vers"

# ---------------------------------------------------------------- counts and file facts
# UTF-8 text whose bytes and characters differ: "’" is three bytes, "é" two.
printf 'Robin’s café\nzwei\n' >"$R/Users/robin/Desktop/utf8.txt"
mkdir "$R/Users/robin/Desktop/setgid"
chmod 2750 "$R/Users/robin/Desktop/setgid"
chmod 754 "$R/Users/robin/Desktop/utf8.txt"
u=/Users/robin/Desktop/utf8.txt d=/Users/robin/Desktop/setgid
while IFS='|' read -r name want command; do
    got=$(eval "$command" 2>&1)
    expect "$name: $command" "$want" "$got"
done <<'CASES'
wc -c counts bytes|      21 /Users/robin/Desktop/utf8.txt|mac /usr/bin/wc -c $u
wc -m counts characters|      18 /Users/robin/Desktop/utf8.txt|mac /usr/bin/wc -m $u
wc: the later of -c and -m counts|      18|mac /usr/bin/wc -c -m <"$R$u"
wc: lines, words, bytes by default|       2       3      21 /Users/robin/Desktop/utf8.txt|mac /usr/bin/wc $u
wc -m on standard input|      18|mac /usr/bin/wc -m <"$R$u"
stat -f with the format joined to the flag|21|mac /usr/bin/stat -f%z $u
stat: grouped flags, format joined|21|mac /usr/bin/stat -Lf%z $u
stat -t joined to its flag|1973|touch -d @100000000 "$R$u"; mac /usr/bin/stat -t%Y -f%Sm $u
stat %p is the whole mode in octal, %Lp the permissions|100754 754|mac /usr/bin/stat -f '%p %Lp' $u
stat %Hp is the file type, %Mp the set-id and sticky bits|4 2 750|mac /usr/bin/stat -f '%Hp %Mp %Lp' $d
stat S with H, M, L: the owner's, group's and others' letters|rwx r-s ---|mac /usr/bin/stat -f '%SHp %SMp %SLp' $d
stat %T marks executables and folders|* /|mac /usr/bin/stat -f %T $u $d | paste -sd' '
stat: # and X give the flags in hex|0x8000|mac /usr/bin/stat -f %#Xf /Users/robin/Library
stat: width and left alignment|21   :0000000021|mac /usr/bin/stat -f '%-5z:%010z' $u
stat: a name a shell expanded is shown as the Mac's|/Users/robin/Desktop/utf8.txt|shell 'stat -f %N ~/Desktop/utf8.txt'
stat: an error names the Mac's path|stat: /Users/robin/nope: stat: No such file or directory|shell 'stat ~/nope'
stat: an unknown field is a bad format|stat: %Q: bad format|mac /usr/bin/stat -f %Q $u
ls: a missing path in the Mac's words, status 1|ls: /Users/robin/nope: No such file or directory rc=1|echo "$(shell 'ls ~/nope' 2>&1) rc=$?"
ls -l: the same message|ls: /Users/robin/nope: No such file or directory rc=1|echo "$(shell 'ls -laO ~/nope' 2>&1) rc=$?"
ls: lists what is there and reports what is not|/Users/robin/Desktop/utf8.txt rc=1 ls: /nope: No such file or directory|echo "$(shell 'ls ~/Desktop/utf8.txt /nope' 2>"$tmp/err") rc=$? $(<"$tmp/err")"
ls: folder headers are the Mac's paths|/Users/robin/Desktop/setgid: /Users/robin/Desktop/setgid/a:|mkdir "$R$d/a"; shell 'ls -R ~/Desktop/setgid' | grep :$ | paste -sd" "
CASES
expect 'wc -c and stat %z agree' "$(mac /usr/bin/stat -f %z /etc/hosts)" "$(mac /usr/bin/wc -c <"$R/etc/hosts" | tr -d ' ')"

# ---------------------------------------------------------------- files
python3 - "$R" >"$tmp/plists" 2>&1 <<'PY'
import glob, plistlib, sys
root = sys.argv[1]
bad = []
# The simulated Mac's own plists; planted items may be anything. A walk must
# not follow /Volumes/Macintosh HD, which leads back to the root.
apps = [root + '/Applications/%s.app/Contents/Info.plist' % name for name in
        ('Safari', 'Google Chrome', 'Firefox', 'Dropbox', 'Spotify', 'VLC', 'The Unarchiver')]
for path in glob.glob(root + '/System/**/*.plist', recursive=True) + apps:
    try:
        with open(path, 'rb') as f:
            plistlib.load(f)
    except Exception as e:
        bad.append(path[len(root):] + ': ' + str(e))
for path in apps:
    with open(path, 'rb') as f:
        info = plistlib.load(f)
    for key in ('CFBundleIdentifier', 'CFBundleName', 'CFBundleShortVersionString'):
        if not info.get(key):
            bad.append(path[len(root):] + ': no ' + key)
with open(root + '/Library/Receipts/InstallHistory.plist', 'rb') as f:
    history = plistlib.load(f)
keys = {'date', 'displayName', 'displayVersion', 'packageIdentifiers', 'processName'}
print(len(history), all(keys <= set(entry) for entry in history), len(apps) >= 5)
print('\n'.join(bad))
PY
expect 'plists are well formed; 20 installer entries of the real shape; apps have their keys' \
    'True True True' "$(sed 's/^20 /True /' "$tmp/plists" | head -1)"
expect 'no malformed plist' '' "$(sed 1d "$tmp/plists")"
expect 'admin group lists robin' 'admin:*:80:root,robin' "$(grep '^admin:' "$R/etc/group")"
expect 'start-up volume is a relative link to the root' .. "$(readlink "$R/Volumes/Macintosh HD")"
expect 'three disk images in Downloads' 3 "$(find "$R/Users/robin/Downloads" -name '*.dmg' | wc -l)"

# ---------------------------------------------------------------- writes seen by reads
mac /usr/bin/defaults write com.apple.finder AppleShowAllFiles 1
expect 'defaults: a write is seen by the next read' 1 "$(mac /usr/bin/defaults read com.apple.finder AppleShowAllFiles)"
mac /usr/bin/defaults delete com.apple.finder AppleShowAllFiles
mac /usr/bin/defaults read com.apple.finder AppleShowAllFiles >/dev/null 2>&1
expect 'defaults: a deleted key is missing' 1 $?

# ---------------------------------------------------------------- defaults domains are plist files
prefs=$R/Users/robin/Library/Preferences
# plisted FILE KEY: the stored value with its python type, and whether the file is XML.
plisted() {
    python3 - "$1" "$2" <<'PY'
import plistlib, sys
data = open(sys.argv[1], 'rb').read()
value = plistlib.loads(data)[sys.argv[2]]
print(type(value).__name__, repr(value), 'xml' if data.startswith(b'<?xml') else 'binary')
PY
}
defaults() { mac /usr/bin/defaults "$@"; }
# Captures field-samples/misc/defaults-read-finder-AppleShowAllFiles-{0,TRUE-string}.txt:
# a value written without a type is text.
defaults write com.apple.finder AppleShowAllFiles 0
expect 'defaults: the 0 capture' "$(cat "$repo/tests/data/defaults/defaults-read-finder-AppleShowAllFiles-0.txt")" \
    "$(defaults read com.apple.finder AppleShowAllFiles)"
defaults write com.apple.finder AppleShowAllFiles TRUE
expect 'defaults: the TRUE capture' "$(cat "$repo/tests/data/defaults/defaults-read-finder-AppleShowAllFiles-TRUE-string.txt")" \
    "$(defaults read com.apple.finder AppleShowAllFiles)"
expect 'defaults: untyped text lands in the domain file, which stays XML' "str 'TRUE' xml" \
    "$(plisted "$prefs/com.apple.finder.plist" AppleShowAllFiles)"
expect 'defaults: a value only the file has' 'https://www.apple.com/uk/startpage/' \
    "$(defaults read com.apple.Safari HomePage)"
cat >"$prefs/com.example.planted.plist" <<'PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>Planted</key><integer>7</integer></dict></plist>
PLIST
expect 'defaults: a domain file written by someone else is read' 7 "$(defaults read com.example.planted Planted)"
expect 'defaults: NSGlobalDomain is .GlobalPreferences' $'(\n    "en-GB"\n)' "$(defaults read -g AppleLanguages)"
expect 'defaults: a whole domain in the Mac'"'"'s layout' '{
    autohide = 0;
    magnification = 0;
    orientation = bottom;
    "show-recents" = 0;
    tilesize = 56;
}' "$(defaults read com.apple.dock)"

# Each type flag stores its type, seen by read-type and in the file.
while IFS='|' read -r key stored type read args; do
    eval "defaults write com.example.types $key $args"
    expect "defaults write $args: stored" "$stored binary" "$(plisted "$prefs/com.example.types.plist" "$key")"
    expect "defaults write $args: read-type" "Type is $type" "$(defaults read-type com.example.types "$key")"
    [[ -n $read ]] && expect "defaults write $args: read" "$(printf '%b' "$read")" "$(defaults read com.example.types "$key")"
done <<'CASES'
s|str 'a b'|string|a b|-string 'a b'
i|int 42|integer|42|-int 42
f|float 0.5|float|0.5|-float 0.5
b|bool True|boolean|1|-bool YES
t|datetime datetime.datetime(2024, 6, 17, 9, 29, 29)|date|2024-06-17 09:29:29 +0000|-date '2024-06-17 09:29:29 +0000'
a|list ['x', 'y z']|array|(\n    x,\n    "y z"\n)|-array x 'y z'
a|list ['x', 'y z', 'w']|array||-array-add w
d|dict {'k': 'v', 'n': ['1', '2']}|dictionary|{\n    k = v;\n    n =     (\n        1,\n        2\n    );\n}|-dict k v n '(1, 2)'
d|dict {'k': 'v', 'n': ['1', '2'], 'm': 'w'}|dictionary||-dict-add m w
x|bytes b'\x01\xab'|data|{length = 2, bytes = 0x01ab}|-data 01ab
CASES
expect 'defaults -array-add to a value that is no array' \
    'Value for key i is not an array; cannot append.  Leaving defaults unchanged. rc=1' \
    "$(defaults write com.example.types i -array-add x 2>&1 | sed 1d) rc=${PIPESTATUS[0]}"

# Missing domains and keys: the two-line message of the real tool (a stamp
# line ending in a blank, as field-samples/misc/defaults-read-missing-key-stderr-15-two-lines-trailing-space.txt).
while IFS='|' read -r message command; do
    got=$(eval "$command" 2>&1)
    status=$?
    message=$(printf '%b' "$message")
    [[ $got == 20[0-9][0-9]-[0-9][0-9]-[0-9][0-9]' '[0-9][0-9]:[0-9][0-9]:[0-9][0-9].[0-9][0-9][0-9]' defaults['[0-9]*:[0-9]*'] '$'\n'"$message" && $status == 1 ]] &&
        ok || bad "defaults: $command" "STAMP\\n$message rc=1" "$got rc=$status"
done <<'CASES'
The domain/default pair of (com.example.none, Key) does not exist|defaults read com.example.none Key
Domain com.example.none does not exist|defaults read com.example.none
The domain/default pair of (com.example.none, Key) does not exist|defaults read-type com.example.none Key
Domain (com.example.none) not found.\nDefaults have not been changed.|defaults delete com.example.none
CASES

# A path names a file; /Library/Preferences is the machine's and needs the administrator.
expect 'defaults: a path domain' 0 "$(defaults read /Library/Preferences/com.apple.alf globalstate)"
got=$(defaults write /Library/Preferences/com.apple.alf globalstate -int 1 2>&1)
[[ $? == 1 && $got == *' defaults['*'] Could not write domain /Library/Preferences/com.apple.alf; exiting' ]] && ok ||
    bad 'defaults: the machine'"'"'s domain needs the administrator' '... Could not write domain ...' "$got"
osa -e 'do shell script "defaults write /Library/Preferences/com.apple.alf globalstate -int 1" with administrator privileges' >/dev/null
expect 'defaults: the administrator writes the machine'"'"'s file' 'int 1 xml' \
    "$(plisted "$R/Library/Preferences/com.apple.alf.plist" globalstate)"
defaults delete com.apple.dock magnification
expect 'defaults delete: the key leaves the file' 0 "$(grep -c magnification "$prefs/com.apple.dock.plist")"
defaults delete com.example.types
[[ ! -e $prefs/com.example.types.plist ]] && ok || bad 'defaults delete: a whole domain removes its file'
defaults write com.apple.dock tilesize -int 128
expect 'Dock: the dock size follows the domain file' 1.0 "$(dock 'set s to (dock size)' s)"
defaults write com.apple.dock tilesize -int 56

for edge in left right bottom; do
    dock "set properties to {screen edge: $edge}"
    expect "Dock: screen edge $edge is read back" "$edge" "$(dock 'set x to (screen edge)' x)"
done
dock 'set properties to {autohide: true}'
expect 'Dock: autohide is read back' true "$(dock 'set y to (autohide)' y)"
dock 'set properties to {dock size: 0.0}'
expect 'Dock: smallest size reads 0.0' 0.0 "$(dock 'set s to (dock size)' s)"
dock 'set properties to {dock size: 1.0}'
expect 'Dock: largest size reads 1.0' 1.0 "$(dock 'set s to (dock size)' s)"

fw() { mac /usr/sbin/system_profiler SPFirewallDataType | grep '^      Mode:'; }
expect 'firewall off' '      Mode: Allow all incoming connections' "$(fw)"
echo block >"$R/.sim/state/firewall"
expect 'firewall blocking' '      Mode: Block all incoming connections' "$(fw)"
echo limit >"$R/.sim/state/firewall"
expect 'firewall limiting' '      Mode: Limit incoming connections to specific services and applications' "$(fw)"

sfw=/usr/libexec/ApplicationFirewall/socketfilterfw
osa -e "do shell script \"$sfw --setglobalstate off\"" >/dev/null 2>&1
expect 'socketfilterfw: a change needs the administrator' 1 $?
osa -e "do shell script \"$sfw --setblockall on\" with administrator privileges" >/dev/null
expect 'socketfilterfw: block all is seen by system_profiler' '      Mode: Block all incoming connections' "$(fw)"
# The program's script resources.
scripts=$(cd "$(dirname "$0")/../../resources/scripts" && pwd)
echo off >"$R/.sim/state/firewall"
echo cancel >"$R/.sim/state/admin-prompt"
osa "$scripts/setFirewall.applescript" >/dev/null 2>&1
expect 'setFirewall: cancelled, the firewall stays off' off "$(<"$R/.sim/state/firewall")"
echo accept >"$R/.sim/state/admin-prompt"
osa "$scripts/setFirewall.applescript" >/dev/null
expect 'setFirewall: switches it on' '      Mode: Limit incoming connections to specific services and applications' "$(fw)"
osa "$scripts/setFirewall.applescript" >/dev/null
expect 'setFirewall: and off again' '      Mode: Allow all incoming connections' "$(fw)"
osa "$scripts/loginpanel.applescript" >/dev/null
expect 'loginpanel: opens the Users & Groups settings on 10.15' \
    "open${TAB}x-apple.systempreferences:com.apple.preferences.users" "$(tail -n 1 "$R/.sim/calls.log")"
for s in battery getNetworkConnections; do
    expect "$s: its dialog is answered" 'button returned:OK' "$(osa "$scripts/$s.applescript")"
done
printf '%s\n' "$SE to count login items" >"$tmp/count.applescript"
expect 'osascript runs a script file' 2 "$(osa "$tmp/count.applescript")"

libline() { osa -e 'do shell script "ls -aOl ~/Library | sed -n 2p"'; }
contains 'user Library starts hidden' ' hidden ' "$(libline)"
osa -e 'do shell script "chflags nohidden ~/Library; killall Finder"' >/dev/null
got=$(libline)
[[ $got != *hidden* && $got == *' - '*' .' ]] && ok || bad 'chflags nohidden shows - in the flags column' '*-*.' "$got"
osa -e 'do shell script "chflags hidden ~/Library; killall Finder"' >/dev/null
contains 'chflags hidden shows hidden again' ' hidden ' "$(libline)"

osa -e "$SE to delete every login item"
expect 'login items: delete every login item' 0 "$(osa -e "$SE to count login items")"
osa -e "$SE"$'\nname of every login item\nif (login item "Trevalo 2" exists) is false then\ntell application process "Trevalo 2" to set aPath to POSIX path of its application file as string\nmake new login item at end of login items with properties {path:aPath, hidden:false, kind:"Application", name:"Trevalo 2"}\nend if\nend tell' >/dev/null
expect 'login items: start-up adds the program' 'Trevalo 2' "$(osa -e "$SE to name of every login item")"
expect 'login items: the added item exists' true "$(osa -e "$SE to exists login item \"Trevalo 2\"")"
osa -e "$SE"$'\rif login item "Trevalo 2" exists then delete login item "Trevalo 2"\rend tell'
expect 'login items: the removal script removes it' 0 "$(osa -e "$SE to count login items")"
expect 'login items: the removed item no longer exists' false "$(osa -e "$SE to exists login item \"Trevalo 2\"")"

mac /bin/launchctl remove com.spotify.webhelper
mac /bin/launchctl list | grep -q com.spotify.webhelper
expect 'launchctl: remove drops the row' 1 $?
expect 'launchctl: removing a job that is gone is launchd'"'"'s error' 'Could not find specified service rc=113' \
    "$(mac /bin/launchctl remove com.spotify.webhelper 2>&1) rc=$?"
expect 'launchctl: removing a label never loaded' 'Could not find specified service rc=113' \
    "$(mac /bin/launchctl remove com.example.nothing 2>&1) rc=$?"

# killall ends a process once; the Finder is started again by launchd.
while IFS='|' read -r name want command; do
    expect "killall: $name" "$want" "$(eval "$command" 2>&1) rc=$?"
done <<'CASES'
ends a running application| rc=0|mac /usr/bin/killall Safari
a process already ended is not found|No matching processes belonging to you were found rc=1|mac /usr/bin/killall Safari
a signal that does not end it leaves it running| rc=0|mac /usr/bin/killall -STOP Spotify; mac /usr/bin/killall -CONT Spotify
-s only shows| rc=0|mac /usr/bin/killall -s Spotify; mac /usr/bin/killall -9 Spotify
the Finder comes back| rc=0|mac /usr/bin/killall Finder; mac /usr/bin/killall Finder
the administrator's message|No matching processes were found rc=1|osa -e 'do shell script "killall Safari" with administrator privileges' >/dev/null 2>"$tmp/err"; rc=$?; sed 's/^.*error: \(.*\) (1)$/\1/' "$tmp/err"; (exit $rc)
the administrator may end another user's process| rc=0|osa -e 'do shell script "killall -HUP mDNSResponder" with administrator privileges'
-q keeps quiet| rc=1|mac /usr/bin/killall -q Safari
CASES
expect 'killall: Spotify ended by -9' 0 "$(grep -c '^Spotify	' "$R/.sim/state/processes.tsv")"

# load and unload change the domain that list prints; the legacy verbs report
# a problem per file and keep status 0.
agent=/Users/robin/Library/LaunchAgents/com.spotify.webhelper.plist
listed() { mac /bin/launchctl list | grep -c "$1\$"; }
mac /bin/launchctl load -w "$agent"
expect 'launchctl load: the job is listed' 1 "$(listed '	com.spotify.webhelper')"
expect 'launchctl load: loading it again' "$agent: service already loaded rc=0" \
    "$(mac /bin/launchctl load "$agent" 2>&1) rc=$?"
expect 'launchctl load: still one row' 1 "$(listed '	com.spotify.webhelper')"
shell 'launchctl unload ~/Library/LaunchAgents/com.spotify.webhelper.plist'
expect 'launchctl unload: the job leaves the list' 0 "$(listed '	com.spotify.webhelper')"
expect 'launchctl unload: a job not loaded' "$agent: Could not find specified service rc=0" \
    "$(mac /bin/launchctl unload "$agent" 2>&1) rc=$?"
expect 'launchctl load: a missing file' '/Library/LaunchAgents/none.plist: No such file or directory' \
    "$(mac /bin/launchctl load /Library/LaunchAgents/none.plist 2>&1)"
printf 'not a plist' >"$R/Users/robin/Library/LaunchAgents/broken.plist"
expect 'launchctl load: a file that is no property list' \
    '/Users/robin/Library/LaunchAgents/broken.plist: Invalid property list' \
    "$(mac /bin/launchctl load /Users/robin/Library/LaunchAgents/broken.plist 2>&1)"
rm "$R/Users/robin/Library/LaunchAgents/broken.plist"
osa -e 'do shell script "launchctl load /Library/LaunchDaemons/com.microsoft.autoupdate.helper.plist" with administrator privileges'
expect 'launchctl load as the administrator: the system domain' '1 0' \
    "$(grep -c 'com.microsoft.autoupdate.helper$' "$R/.sim/state/launchctl-system.txt") $(listed com.microsoft.autoupdate.helper)"

# Gatekeeper's switch needs root; the --status lines are the captures in
# field-samples/misc/spctl-status-{enabled,disabled}.txt.
for verb in --master-disable --master-enable; do
    expect "spctl $verb: refused without administrator rights" 'rc=1 assessments enabled' \
        "$(mac /usr/sbin/spctl $verb 2>/dev/null; echo "rc=$?") $(mac /usr/sbin/spctl --status)"
done
osa -e 'do shell script "spctl --master-disable" with administrator privileges' >/dev/null
expect 'spctl: master-disable as the administrator is seen by --status' 'assessments disabled' \
    "$(mac /usr/sbin/spctl --status)"
osa -e 'do shell script "spctl --master-disable"' >/dev/null 2>&1
expect 'spctl: a do shell script line without administrator privileges fails' 1 $?
osa -e 'do shell script "spctl --master-enable" with administrator privileges' >/dev/null
expect 'spctl: master-enable as the administrator' 'assessments enabled' "$(mac /usr/sbin/spctl --status)"

# ---------------------------------------------------------------- shell lines and search
# A host tool of a stand-in's name must not answer for the Mac in a do shell
# script line: not when it comes first in the caller's PATH, nor when the host
# shell's start-up file puts its folder first.
mkdir "$tmp/hostbin"
printf '#!/bin/sh\necho host\n' >"$tmp/hostbin/sw_vers"
chmod +x "$tmp/hostbin/sw_vers"
printf 'PATH=%q:$PATH\n' "$tmp/hostbin" >"$tmp/hostrc"
while read -r how; do
    expect "do shell script: a stand-in wins over a host tool ($how)" 10.15.7 \
        "$(env "$how" "$R/usr/bin/osascript" -e 'do shell script "sw_vers -productVersion"')"
done <<HOW
PATH=$tmp/hostbin:$PATH
BASH_ENV=$tmp/hostrc
ENV=$tmp/hostrc
HOW
got=$(PATH="$tmp/hostbin:$PATH" osa -e 'do shell script "echo $PATH"')
[[ $got == "$R/usr/bin:$R/usr/sbin:$R/bin:$R/sbin:"*"$tmp/hostbin"* ]] && ok ||
    bad "do shell script: the root's tool folders, then the host's" "$R/usr/bin:$R/usr/sbin:$R/bin:$R/sbin:..." "$got"
# A NUL after each path and no line feed (shown here as | and #).
expect 'mdfind -0: each path ends with a NUL' '/Users/robin/Documents/Recipes/Pancakes.txt|' \
    "$(mac /usr/bin/mdfind -0 -onlyin /Users/robin/Documents cake | tr '\0\n' '|#')"
expect 'mdfind -0 by bundle identifier' '/Applications/VLC.app|' \
    "$(mac /usr/bin/mdfind -0 "kMDItemCFBundleIdentifier == 'org.videolan.vlc'" | tr '\0\n' '|#')"

# ---------------------------------------------------------------- applications
# Catalina's own applications live in /System/Applications (utilities in its
# Utilities folder), the Finder in CoreServices; /Applications/Utilities is the
# user's folder. open -a finds them by name in any case, or by path.
while IFS='|' read -r name path; do
    [[ -d $R$path/Contents/MacOS ]] && ok || bad "$name.app lies in ${path%/*}"
    expect "open -a $name" ' rc=0' "$(mac /usr/bin/open -a "$name" 2>&1) rc=$?"
done <<'APPS'
System Preferences|/System/Applications/System Preferences.app
Terminal|/System/Applications/Utilities/Terminal.app
Activity Monitor|/System/Applications/Utilities/Activity Monitor.app
Disk Utility|/System/Applications/Utilities/Disk Utility.app
Finder|/System/Library/CoreServices/Finder.app
APPS
[[ -d $R/Applications/Utilities ]] && ok || bad '/Applications/Utilities is a folder'
for a in 'activity monitor' Terminal.app /System/Applications/Utilities/Terminal.app; do
    expect "open -a $a" ' rc=0' "$(mac /usr/bin/open -a "$a" 2>&1) rc=$?"
done
expect 'open -a of an application that is not there' "Unable to find application named 'Terminal 2' rc=1" \
    "$(mac /usr/bin/open -a 'Terminal 2' 2>&1) rc=$?"
expect 'open -a of a path that is not there' "Unable to find application named '/Applications/Terminal.app' rc=1" \
    "$(mac /usr/bin/open -a /Applications/Terminal.app 2>&1) rc=$?"
expect 'Spotlight finds a system application by identifier' /System/Applications/Utilities/Terminal.app \
    "$(mac /usr/bin/mdfind "kMDItemCFBundleIdentifier == 'com.apple.Terminal'")"

# ---------------------------------------------------------------- temporary folder
# A Mac's per-user folders are /var/folders/<xx>/<hash>/T, which getconf names
# through the /var link with a final slash; root has its own.
temp=$(mac /usr/bin/getconf DARWIN_USER_TEMP_DIR)
[[ $temp =~ ^/var/folders/[0-9a-z_]{2}/[0-9a-z_]{24}0000gn/T/$ ]] && ok ||
    bad 'getconf DARWIN_USER_TEMP_DIR: the shape of a Mac'"'"'s' '/var/folders/xx/<hash>0000gn/T/' "$temp"
[[ -d $R$temp/MacKeeperOffers && -d $R/private${temp%/} ]] && ok || bad 'the temporary folder is there, with the planted item'
[[ ! -e $R/private/var/folders/T ]] && ok || bad 'no flat /private/var/folders/T'
expect 'the temporary folder is robin'"'"'s' 'robin staff' "$(mac /usr/bin/stat -f '%Su %Sg' "$temp")"
expect 'getconf DARWIN_USER_CACHE_DIR: its C sibling' "${temp%T/}C/" "$(shell 'getconf DARWIN_USER_CACHE_DIR')"
got=$(osa -e 'do shell script "getconf DARWIN_USER_TEMP_DIR" with administrator privileges')
[[ $got == /var/folders/zz/*/T/ && -d $R$got ]] && ok || bad 'getconf as the administrator: root'"'"'s folder' '/var/folders/zz/.../T/' "$got"
expect 'getconf: an unknown variable' "getconf: no such configuration parameter \`NOPE' rc=64" \
    "$(mac /usr/bin/getconf NOPE 2>&1) rc=$?"

# ---------------------------------------------------------------- dialogs
unload() {
    osa -e $'display dialog "Trevalo would like to run osascript to scan for and stop the global process:\n\n<'"$1"$'>\n\nbelonging to MacKeeper.\n\nThis requires an admin password." with title "Trevalo" with icon 2\ndo shell script "launchctl remove '"$1"$'" with administrator privileges'
}
printf 'cancel\naccept\n' >"$R/.sim/state/dialog-answer"
err=$(unload com.google.keystone.daemon 2>&1 >/dev/null)
status=$?
contains 'unload dialog cancelled: osascript error' 'execution error: User canceled. (-128)' "$err"
expect 'unload dialog cancelled: exit status' 1 "$status"
expect 'unload dialog cancelled: the job stays' 1 "$(grep -c com.google.keystone.daemon "$R/.sim/state/launchctl-system.txt")"
unload com.google.keystone.daemon >/dev/null
expect 'unload dialog accepted: the job leaves the system domain' 0 \
    "$(grep -c com.google.keystone.daemon "$R/.sim/state/launchctl-system.txt")"
contains 'unload dialog accepted: launchctl ran' "launchctl${TAB}remove${TAB}com.google.keystone.daemon" \
    "$(cat "$R/.sim/calls.log")"
echo cancel >"$R/.sim/state/admin-prompt"
osa -e 'do shell script "purge" with administrator privileges' >/dev/null 2>&1
expect 'administrator prompt cancelled fails the script' 1 $?
echo accept >"$R/.sim/state/admin-prompt"

# ---------------------------------------------------------------- Finder delete
weird='we"ird; touch PWNED; $(touch PWNED2) \x.dmg'
printf 'data\n' >"$R/Users/robin/Downloads/$weird"
lit=${weird//\\/\\\\}
lit=${lit//\"/\\\"}
expect 'Finder delete: escaped path is moved' success "$(cd "$tmp" && finder_delete "/Users/robin/Downloads/$lit")"
[[ -f $R/Users/robin/.Trash/$weird && ! -e $R/Users/robin/Downloads/$weird ]] && ok ||
    bad 'Finder delete: the file is in the Trash'
[[ ! -e $tmp/PWNED && ! -e $tmp/PWNED2 && ! -e $R/PWNED && ! -e $R/PWNED2 ]] && ok ||
    bad 'Finder delete: nothing in the path was run'
expect 'Finder delete: missing file' fail "$(finder_delete /Users/robin/Downloads/nothing-here)"
expect 'Finder delete: a path that climbs out' fail "$(finder_delete /Users/robin/../../../etc)"
finder_delete '/Users/robin/a"b' >/dev/null 2>&1
expect 'Finder delete: an unescaped quote is a script error' 1 $?
# Control characters: \r and \t as the literal's escapes, others joined in by their id. Only the named
# file goes; its twin with a line feed stays.
for twin in $'evil\rname' $'evil\nname' $'ctl\x01name' 'ctl'; do printf 'x\n' >"$R/Users/robin/Downloads/$twin"; done
expect 'Finder delete: \r in a literal' success "$(finder_delete '/Users/robin/Downloads/evil\rname')"
[[ ! -e $R/Users/robin/Downloads/$'evil\rname' && -e $R/Users/robin/Downloads/$'evil\nname' ]] && ok ||
    bad 'Finder delete: the carriage-return file went, its line-feed twin stayed'
expect 'Finder delete: (character id N) joined in' success \
    "$(finder_delete_expr '("/Users/robin/Downloads/ctl" & (character id 1) & "name")')"
[[ ! -e $R/Users/robin/Downloads/$'ctl\x01name' && -e $R/Users/robin/Downloads/ctl ]] && ok ||
    bad 'Finder delete: the control-character file went, the plain one stayed'
finder_delete_expr '("/Users/robin/Downloads/ctl" & do shell script "touch PWNED3")' >/dev/null 2>&1
expect 'Finder delete: anything else joined in is a script error' 1 $?

# ---------------------------------------------------------------- volumes
mac /usr/sbin/diskutil list -plist | python3 -c 'import plistlib,sys; d=plistlib.loads(sys.stdin.buffer.read()); print(sorted(d["VolumesFromDisks"]))' >"$tmp/vols" 2>&1
expect 'diskutil list -plist parses and lists mounted volumes' \
    "['Backup Drive', 'Macintosh HD', 'Macintosh HD - Data', 'VM']" "$(cat "$tmp/vols")"
# The mount menu's script, as the program runs it.
cat >"$tmp/unmounted.applescript" <<'SCRIPT'
use AppleScript version "2.4"
use framework "Foundation"
use scripting additions
set theString to do shell script "diskutil list -plist"
set theString to current application's NSString's stringWithString:theString
set theData to theString's dataUsingEncoding:(current application's NSUTF8StringEncoding)
set {theDict, theError} to current application's NSPropertyListSerialization's propertyListWithData:theData options:0 format:(missing value) |error|:(reference)
if theDict is missing value then error (theError's localizedDescription() as text)
set partitionInfo to theDict's valueForKeyPath:"AllDisksAndPartitions.Partitions"
set partitionInfos to current application's NSMutableArray's array()
repeat with anInfo in partitionInfo
if not (anInfo's isKindOfClass:(current application's NSNull)) then (partitionInfos's addObjectsFromArray:anInfo)
end repeat
set thePred to current application's NSPredicate's predicateWithFormat:"(Content BEGINSWITH %@) AND (NOT Content IN %@)" argumentArray:{"Apple_", {"Apple_Boot", "Apple_CoreStorage"}}
partitionInfos's filterUsingPredicate:thePred
set volumeNames to (partitionInfos's valueForKey:"VolumeName")'s mutableCopy()
set mountedVolumes to theDict's objectForKey:"VolumesFromDisks"
volumeNames's removeObjectsInArray:mountedVolumes
set unmountedVolumes to volumeNames as list
set returnString to ""
repeat with i from 1 to count of unmountedVolumes
set this_item to item i of unmountedVolumes
set returnString to returnString & this_item & ","
end repeat
return returnString
SCRIPT
unmounted() { osa -e "$(cat "$tmp/unmounted.applescript")"; }
expect 'mount menu script: the unmounted partition (APFS store has no name)' \
    'missing value,Archive,' "$(unmounted)"
osa -e $'try\ntell application "Finder" to eject every disk whose name is "Backup Drive"\nend try'
expect 'mount menu script: an ejected volume can be mounted again' \
    'missing value,Backup Drive,Archive,' "$(unmounted)"
[[ ! -e "$R/Volumes/Backup Drive" ]] && ok || bad 'Finder eject: the volume folder goes'
shell 'diskutil mount Backup\ Drive' >/dev/null
[[ -f "$R/Volumes/Backup Drive/Projects/website.zip" ]] && ok || bad 'diskutil mount: the files come back'
shell 'diskutil mount Archive' >/dev/null
[[ -d "$R/Volumes/Archive/Tax Returns" ]] && ok || bad 'diskutil mount: an unmounted partition mounts'
osa -e 'do shell script "diskutil erasevolume HFS+ \"RAM Disk\" `hdiutil attach -nomount ram://582715`"' >/dev/null
[[ -d "$R/Volumes/RAM Disk" ]] && ok || bad 'RAM disk script creates /Volumes/RAM Disk'
osa -e 'do shell script "echo \"The RAM Disk is approximately 290MB.\" > /Volumes/RAM\\ Disk/Help.txt"' >/dev/null
expect 'RAM disk help text lands on the RAM disk' 'The RAM Disk is approximately 290MB.' \
    "$(cat "$R/Volumes/RAM Disk/Help.txt" 2>&1)"
contains 'RAM disk is listed' 'Apple_HFS RAM Disk               +298.4 MB' "$(mac /usr/sbin/diskutil list)"
osa -e 'tell application "Finder" to eject every disk'
[[ ! -e "$R/Volumes/RAM Disk" && ! -e "$R/Volumes/Backup Drive" && -L "$R/Volumes/Macintosh HD" ]] && ok ||
    bad 'Finder eject every disk leaves only the start-up volume'

# ---------------------------------------------------------------- diskutil unmount and eject
# Unmounting takes a volume out of /Volumes and VolumesFromDisks, its partition
# stays listed; ejecting takes the whole disk out of the machine.
vols() { mac /usr/sbin/diskutil list -plist | python3 -c 'import plistlib,sys; print(sorted(plistlib.loads(sys.stdin.buffer.read())["VolumesFromDisks"]))'; }
mac /usr/sbin/diskutil mount 'Backup Drive' >/dev/null
expect 'diskutil unmount' 'Volume Backup Drive on disk2s2 unmounted' \
    "$(mac /usr/sbin/diskutil unmount '/Volumes/Backup Drive')"
[[ ! -e "$R/Volumes/Backup Drive" ]] && ok || bad 'diskutil unmount: /Volumes/Backup Drive goes'
expect 'diskutil unmount: no longer among the mounted volumes' "['Macintosh HD', 'Macintosh HD - Data', 'VM']" "$(vols)"
contains 'diskutil unmount: the partition stays listed' 'Apple_HFS Backup Drive            399.8 GB   disk2s2' \
    "$(mac /usr/sbin/diskutil list)"
expect 'diskutil unmount: a volume not mounted' \
    'disk2s2 was already unmounted or it has a partitioning scheme so use "diskutil unmountDisk" instead rc=1' \
    "$(mac /usr/sbin/diskutil unmount disk2s2 2>&1) rc=$?"
mac /usr/sbin/diskutil mount 'Backup Drive' >/dev/null
expect 'diskutil eject' 'Disk disk2 ejected' "$(mac /usr/sbin/diskutil eject disk2)"
[[ ! -e "$R/Volumes/Backup Drive" ]] && ok || bad 'diskutil eject: /Volumes/Backup Drive goes'
got=$(mac /usr/sbin/diskutil list)
[[ $got == *'/dev/disk1 '* && $got != *disk2* ]] && ok || bad 'diskutil eject: the disk leaves diskutil list' 'no disk2' "$got"
expect 'diskutil eject: nor is it in the property list' 0 "$(mac /usr/sbin/diskutil list -plist | grep -c disk2)"
expect 'diskutil eject: its volumes cannot be mounted' 'Unable to find disk for Backup Drive rc=1' \
    "$(mac /usr/sbin/diskutil mount 'Backup Drive' 2>&1) rc=$?"
expect 'diskutil eject: nothing to tell about it' 'Could not find disk: disk2 rc=1' \
    "$(mac /usr/sbin/diskutil info disk2 2>&1) rc=$?"
sed -i 's/\tejected$/\t-/' "$R/.sim/state/disks.tsv" # plugged in again
mac /usr/sbin/diskutil mount 'Backup Drive' >/dev/null
[[ -f "$R/Volumes/Backup Drive/Projects/website.zip" ]] && ok || bad 'an ejected disk plugged in again has its files'
images() { mac /usr/sbin/diskutil list | grep -c '(disk image)'; }
ram_disks=$(images)
ram=$(mac /usr/bin/hdiutil attach -nomount ram://2048)
ram=${ram%%[[:space:]]*}
expect 'diskutil eject of a RAM disk' "Disk ${ram#/dev/} ejected" "$(mac /usr/sbin/diskutil eject "$ram")"
expect 'diskutil eject: the RAM disk is gone' "$ram_disks" "$(images)"
mac /usr/sbin/diskutil unmount 'Backup Drive' >/dev/null

# ---------------------------------------------------------------- disk images
img=/Users/robin/Documents/Vault.dmg
expect 'hdiutil create: the image file is written' "created: $img rc=0 file" \
    "$(mac /usr/bin/hdiutil create -size 20m -volname Vault "$img") rc=$? $([[ -f $R$img ]] && echo file)"
expect 'hdiutil create: the same path again' 'hdiutil: create failed - File exists rc=1' \
    "$(mac /usr/bin/hdiutil create -size 20m -volname Vault "$img" 2>&1) rc=$?"
expect 'hdiutil create: a folder that does not exist' 'hdiutil: create failed - No such file or directory rc=1' \
    "$(mac /usr/bin/hdiutil create -size 20m -volname Lost /Users/robin/Nowhere/Lost.dmg 2>&1) rc=$?"
expect 'hdiutil: an image that could not be written cannot be attached' 1 \
    "$(mac /usr/bin/hdiutil attach /Users/robin/Nowhere/Lost.dmg >/dev/null 2>&1; echo $?)"
(cd "$R/Users/robin/Documents" && mac /usr/bin/hdiutil create -size 1m -volname Near near >/dev/null)
[[ -f $R/Users/robin/Documents/near.dmg ]] && ok || bad 'hdiutil create: a relative path is the working folder'
contains 'hdiutil attach: the volume is mounted' $'s1        \tApple_HFS                      \t/Volumes/Vault' \
    "$(mac /usr/bin/hdiutil attach "$img")"
[[ -d $R/Volumes/Vault ]] && ok || bad 'hdiutil attach: /Volumes/Vault'
got=$(mac /usr/bin/hdiutil detach /Volumes/Vault)
[[ $got == '"disk'[0-9]'" ejected.' && ! -e $R/Volumes/Vault ]] && ok || bad 'hdiutil detach' '"diskN" ejected.' "$got"
rm "$R$img"
expect 'hdiutil: an image whose file is gone cannot be attached' 'hdiutil: attach failed - No such file or directory' \
    "$(mac /usr/bin/hdiutil attach "$img" 2>&1)"

# ---------------------------------------------------------------- a volume name with a control character
# The eject script spells a control character as (character id N) joined to the literals; only that
# volume goes, not its plain twin.
printf 'disk5\texternal\tGUID_partition_scheme\t-\t1000000000\t-\ndisk5s1\t-\tApple_HFS\tctl\001name\t900000000\tyes\ndisk5s2\t-\tApple_HFS\tctlname\t90000000\tyes\n' >>"$R/.sim/state/disks.tsv"
mkdir -p "$R/Volumes/ctl"$'\001'"name" "$R/Volumes/ctlname"
osa -e $'try\ntell application "Finder" to eject every disk whose name is ("ctl" & (character id 1) & "name")\nend try'
expect 'Finder eject: (character id N) names the volume' 'yes' \
    "$(awk -F'\t' '$1 == "disk5s1" && $6 == "no" { print "yes" }' "$R/.sim/state/disks.tsv")"
[[ ! -e $R/Volumes/ctl$'\001'name ]] && ok || bad 'Finder eject: the control-character volume left /Volumes'
osa -e $'try\ntell application "Finder" to eject every disk whose name is ("ctl" & do shell script "touch PWNED4")\nend try' 2>/dev/null
expect 'Finder eject: anything else joined in is a script error' 1 $?
[[ ! -e PWNED4 && ! -e $R/PWNED4 ]] && ok || bad 'Finder eject: nothing in the name was run'

# ---------------------------------------------------------------- battery and connections
# The two dialog resources run their shell lines through the stand-ins; the dialogs log keeps what the
# dialog showed.
dialog() { tail -1 "$R/.sim/dialogs.log"; }
resource() { osa "$repo/resources/scripts/$1.applescript" >/dev/null; }
while IFS= read -r case; do
    name=${case%%@@*} want=${case##*@@} command=${case#*@@}
    command=${command%@@*}
    got=$(eval "$command" 2>&1 | cat -A)
    [[ $got == $want ]] && ok || bad "$name: $command" "$want" "$got"
done <<'CASES'
pmset on battery@@mac /usr/bin/pmset -g batt@@Now drawing from 'Battery Power'$* -InternalBattery-0 (id=*)^I87%; discharging; 4:12 remaining present: true$
pmset charging@@printf '62\tcharging\t1:05\t312\tNormal\n' >"$R/.sim/state/battery"; mac /usr/bin/pmset -g batt@@Now drawing from 'AC Power'$*^I62%; charging; 1:05 remaining present: true$
pmset without a battery@@echo none >"$R/.sim/state/battery"; mac /usr/bin/pmset -g batt@@Now drawing from 'AC Power'$
pmset usage@@mac /usr/bin/pmset -g nonsense; echo "rc=$?"@@Usage: pmset*rc=1$
pmset changes need the administrator@@mac /usr/bin/pmset -a sleep 0; echo "rc=$?"@@*must be run as root*rc=1$
ioreg battery subtree@@printf '87\tdischarging\t4:12\t312\tNormal\n' >"$R/.sim/state/battery"; mac /usr/sbin/ioreg -r -c AppleSmartBattery@@+-o AppleSmartBattery  <class AppleSmartBattery,*$*    {$*      "CycleCount" = 312$*      "CurrentCapacity" = 6110$*    }$*
ioreg -l finds the battery in the tree@@mac /usr/sbin/ioreg -l | grep -c '"CycleCount" = 312'@@1$
ioreg another class@@mac /usr/sbin/ioreg -r -c IOUSBHostDevice; echo "rc=$?"@@rc=0$
ioreg without a battery@@echo none >"$R/.sim/state/battery"; mac /usr/sbin/ioreg -rc AppleSmartBattery; echo "rc=$?"@@rc=0$
power report condition@@printf '87\tdischarging\t4:12\t312\tService Recommended\n' >"$R/.sim/state/battery"; mac /usr/sbin/system_profiler SPPowerDataType | awk -F': ' '/Condition/ {print $2; exit}'@@Service Recommended$
netstat established and listening@@mac /usr/sbin/netstat -an -p tcp@@Active Internet connections (including servers)$*Proto Recv-Q Send-Q  Local Address          Foreign Address        (state)    $*tcp4       0      0  192.168.1.23.52344     17.57.146.52.5223      ESTABLISHED$*LISTEN*
netstat without -a leaves out servers@@mac /usr/sbin/netstat -n -p tcp | grep -c LISTEN@@0$
netstat with UNIX sockets@@mac /usr/sbin/netstat -an | tail -4@@Active LOCAL (UNIX) domain sockets$*
netstat unknown protocol@@mac /usr/sbin/netstat -an -p sctp; echo "rc=$?"@@netstat: sctp: unknown or uninstrumented protocol$*rc=1$
battery dialog@@printf '87\tdischarging\t4:12\t312\tNormal\n' >"$R/.sim/state/battery"; resource battery; dialog@@Charge: 87%; discharging\\rCycle count: 312\\rCondition: Normal$
battery dialog without a battery@@echo none >"$R/.sim/state/battery"; resource battery; dialog@@This Mac has no battery.$
connections dialog@@resource getNetworkConnections; dialog@@192.168.1.23.52344  ->  17.57.146.52.5223\\r192.168.1.23.52310  ->  104.199.65.124.4070\\r127.0.0.1.52401  ->  127.0.0.1.17600\\r127.0.0.1.17600  ->  127.0.0.1.52401$
connections dialog off the network@@echo offline >"$R/.sim/state/network"; resource getNetworkConnections; dialog; echo wifi >"$R/.sim/state/network"@@127.0.0.1.52401  ->  127.0.0.1.17600\\r127.0.0.1.17600  ->  127.0.0.1.52401$
connections dialog without any@@: >"$R/.sim/state/connections.tsv"; resource getNetworkConnections; dialog@@No established connections.$
connections dialog cancelled@@echo cancel >"$R/.sim/state/dialog-answer"; osa "$repo/resources/scripts/getNetworkConnections.applescript"; echo "rc=$?"; echo accept >"$R/.sim/state/dialog-answer"@@*User canceled. (-128)$*rc=1$
CASES
contains 'battery and connections: the tools were called' "pmset${TAB}-g${TAB}batt
ioreg${TAB}-r${TAB}-c${TAB}AppleSmartBattery
system_profiler${TAB}SPPowerDataType" "$(cat "$R/.sim/calls.log")"

# ---------------------------------------------------------------- root with blanks
blank() { local tool=$1; shift; "$B$tool" "$@"; }
expect 'blank root: sw_vers' 10.15.7 "$(blank /usr/bin/sw_vers -productVersion)"
blank /usr/bin/defaults write com.apple.finder AppleShowAllFiles -bool true
expect 'blank root: defaults write then read' 1 "$(blank /usr/bin/defaults read com.apple.finder AppleShowAllFiles)"
contains 'blank root: stat maps the path' ' robin staff ' "$(blank /usr/bin/stat /Users/robin/Desktop/notes.txt)"
expect 'blank root: Finder delete' success "$(R=$B finder_delete /Users/robin/Desktop/notes.txt)"
[[ -f $B/Users/robin/.Trash/notes.txt ]] && ok || bad 'blank root: the file is in the Trash'
(cd "$B/Users/robin" && PATH="$B/usr/bin:$PATH" mdfind Pancakes) >"$tmp/found"
expect 'blank root: a stand-in found through PATH' /Users/robin/Documents/Recipes/Pancakes.txt "$(cat "$tmp/found")"
expect 'blank root: its own calls log' 6 "$(wc -l <"$B/.sim/calls.log")"

# ---------------------------------------------------------------- repo copy
after=$(snapshot)
[[ $before == "$after" ]] && ok || bad 'the repository copy of sample-mac is unchanged'

printf '%d passed, %d failed\n' "$pass" "$fail"
((fail == 0))
