# Shared code of the simulated Mac's stand-in tools. Sourced by every stand-in
# after it has found the root (the folder that holds .sim/). See ../README.md.
#
# Conventions: functions that produce a value put it in REPLY, so callers do not
# pay for a subshell per path; the program starts these tools hundreds of times.

# The user of the simulated Mac.
SIM_USER=robin
SIM_UID=501

# sim_init TOOL ARGS...: set up the environment and record the call.
sim_init() {
    SIM_TOOL=$1
    shift
    SIM_DIR=$SIM_ROOT/.sim
    SIM_STATE=$SIM_DIR/state
    SIM_DATA=$SIM_DIR/data
    SIM_HOME=$SIM_ROOT/Users/$SIM_USER
    # Shell lines run by the program put the stand-ins first in PATH; inside a
    # stand-in the host's own tools are wanted, or `wc` would call ourselves
    # and log a call the program never made.
    local entry cleaned='' IFS=:
    for entry in $PATH; do
        case $entry in
        "$SIM_ROOT" | "$SIM_ROOT"/*) ;;
        *) cleaned+=${cleaned:+:}$entry ;;
        esac
    done
    PATH=${cleaned:-/usr/bin:/bin}
    export LC_ALL=C
    sim_log "$SIM_TOOL" "$@"
    sim_absent
}

# sim_absent: a tool the variant's system does not have (data/absent/<variant>
# lists them; csrutil came with 10.11) answers as the shell does for a command
# that is not there. The call stays in the log: the program did try it.
sim_absent() {
    local variant tool
    sim_get sw_vers 10.15.7
    variant=$SIM_DATA/absent/$REPLY
    [[ -f $variant ]] || return 0
    while IFS= read -r tool; do
        [[ $tool == "$SIM_TOOL" ]] && sim_fail 127 "sh: $SIM_TOOL: command not found"
    done <"$variant"
    return 0
}

# sim_escape TEXT: the calls-log form of one field (backslash, LF, CR, TAB escaped).
sim_escape() {
    local s=$1
    s=${s//\\/\\\\}
    s=${s//$'\n'/\\n}
    s=${s//$'\r'/\\r}
    s=${s//$'\t'/\\t}
    REPLY=$s
}

# sim_python ARGS...: python3 for the property-list helpers; the system's own
# one first, as a version manager's shim in PATH costs a lot per call.
sim_python() {
    if [[ -x /usr/bin/python3 ]]; then
        /usr/bin/python3 "$@"
    else
        python3 "$@"
    fi
}

# sim_log FIELDS...: append one line to the calls log. flock keeps lines of
# stand-ins that run at the same time from interleaving.
sim_log() {
    # Set by a stand-in that uses another one for its own bookkeeping: the
    # program made no such call, so none is recorded.
    [[ -n ${SIM_QUIET:-} ]] && return 0
    local line='' field
    for field in "$@"; do
        # A shell line run with the simulated HOME hands over expanded host
        # paths; the log shows them as the Mac would see them.
        [[ -n $SIM_ROOT ]] && field=${field//"$SIM_ROOT"\//\/}
        sim_escape "$field"
        line+=${line:+$'\t'}$REPLY
    done
    {
        flock 9
        printf '%s\n' "$line" >&9
    } 9>>"$SIM_DIR/calls.log"
}

# sim_map PATH: the host path of a macOS path. Paths already inside the root
# (a shell line expanded ~ with HOME set to the simulated home) stay as they are;
# relative paths stay relative to the caller's working folder.
sim_map() {
    case $1 in
    "$SIM_ROOT" | "$SIM_ROOT"/*) REPLY=$1 ;;
    '~') REPLY=$SIM_HOME ;;
    '~/'*) REPLY=$SIM_HOME/${1#'~/'} ;;
    /*) REPLY=$SIM_ROOT$1 ;;
    *) REPLY=$1 ;;
    esac
}

# sim_unmap HOSTPATH: the macOS path of a host path inside the root.
sim_unmap() {
    case $1 in
    "$SIM_ROOT") REPLY=/ ;;
    "$SIM_ROOT"/*) REPLY=${1#"$SIM_ROOT"} ;;
    *) REPLY=$1 ;;
    esac
}

# sim_get NAME [DEFAULT]: first line of state file NAME.
sim_get() {
    local f=$SIM_STATE/$1
    if [[ -f $f ]]; then
        IFS= read -r REPLY <"$f" || true
    else
        REPLY=${2-}
    fi
}

# sim_set NAME VALUE: replace state file NAME atomically.
sim_set() {
    local f=$SIM_STATE/$1
    printf '%s\n' "$2" >"$f.tmp.$$" && mv -f "$f.tmp.$$" "$f"
}

# sim_locked COMMAND...: run a read-modify-write of state under the simulator's
# lock. A stand-in started while the lock is held (osascript writing the Dock
# settings through defaults) runs on under its caller's lock instead of waiting
# for it forever.
sim_locked() {
    if [[ ${SIM_LOCK_HELD:-} == "$SIM_ROOT" ]]; then
        "$@"
        return
    fi
    {
        flock 8
        SIM_LOCK_HELD=$SIM_ROOT
        export SIM_LOCK_HELD
        "$@"
        local status=$?
        unset SIM_LOCK_HELD
        return $status
    } 8>>"$SIM_DIR/lock"
}

# sim_data NAME: print a canned output file.
sim_data() {
    cat "$SIM_DATA/$1"
}

# sim_fail STATUS MESSAGE: message to stderr and exit.
sim_fail() {
    printf '%s\n' "$2" >&2
    exit "$1"
}

# sim_owner HOSTPATH: owner and group names and ids as a Mac would show them.
# The checkout belongs to whoever cloned it; on the Mac the home belongs to the
# user and the system folders to root.
sim_owner() {
    sim_unmap "$1"
    case $REPLY in
    /Users/$SIM_USER | /Users/$SIM_USER/* | /private/var/folders/7k/h3b4qmx91z2d5wfv0c8n_l6r0000gn* | \
        /var/folders/7k/h3b4qmx91z2d5wfv0c8n_l6r0000gn*)
        REPLY="$SIM_USER staff $SIM_UID 20" ;;
    /Applications/*) REPLY="$SIM_USER admin $SIM_UID 80" ;;
    /Applications | /Library | /Users/Shared | /Volumes/* | /private/tmp*) REPLY="root admin 0 80" ;;
    *) REPLY="root wheel 0 0" ;;
    esac
}

# sim_flags MACOSPATH: file flags set by chflags ("-" when none).
sim_flags() {
    local path flags
    REPLY=-
    [[ -f $SIM_STATE/file-flags.tsv ]] || return 0
    while IFS=$'\t' read -r path flags; do
        [[ $path == "$1" ]] && REPLY=$flags
    done <"$SIM_STATE/file-flags.tsv"
}

# sim_plist_string FILE KEY: the string value of a top-level key of an XML
# Info.plist (the bundles of the simulated Mac are written one key per line).
sim_plist_string() {
    local line want=0
    REPLY=''
    [[ -f $1 ]] || return 1
    while IFS= read -r line; do
        if ((want)); then
            line=${line#*<string>}
            REPLY=${line%%</string>*}
            return 0
        fi
        [[ $line == *"<key>$2</key>"* ]] && want=1
    done <"$1"
    return 1
}

# sim_app_folders: the folders that hold applications, as host paths, in the
# order Launch Services prefers them. Each may hold a level of subfolders
# (Utilities): Catalina keeps its own utilities in /System/Applications/Utilities
# and shows them with the user's in /Applications/Utilities.
sim_app_folders() {
    REPLY_LIST=("$SIM_ROOT/Applications" "$SIM_HOME/Applications" "$SIM_ROOT/System/Applications"
        "$SIM_ROOT/System/Library/CoreServices")
}

# sim_find_app NAME: the host path of the application named NAME ("Terminal"
# or "Terminal.app", any case), as open -a and defaults -app find it.
sim_find_app() {
    local want=${1%.app} dir app base
    want=${want,,}
    sim_app_folders
    for dir in "${REPLY_LIST[@]}"; do
        for app in "$dir"/*.app "$dir"/*/*.app; do
            [[ -d $app ]] || continue
            base=${app##*/}
            base=${base%.app}
            if [[ ${base,,} == "$want" ]]; then
                REPLY=$app
                return 0
            fi
        done
    done
    return 1
}

# sim_stat HOSTPATH [L]: file facts as a Mac's stat(2) would report them, in
# ST_* variables. Times and sizes come from the host; owners, device numbers and
# flags are the simulated Mac's. "L" follows a symbolic link.
sim_stat() {
    local out fmt='%f|%h|%s|%X|%Y|%Z|%W|%b|%i|%A|%F'
    if [[ ${2:-} == L ]]; then
        out=$(stat -L -c "$fmt" -- "$1" 2>/dev/null) || return 1
    else
        out=$(stat -c "$fmt" -- "$1" 2>/dev/null) || return 1
    fi
    IFS='|' read -r ST_RAWMODE ST_NLINK ST_SIZE ST_ATIME ST_MTIME ST_CTIME ST_BTIME \
        ST_BLOCKS ST_INO ST_MODESTR ST_TYPE <<<"$out"
    ((ST_BTIME > 0)) || ST_BTIME=$ST_MTIME
    ST_MODE=$((16#$ST_RAWMODE))
    sim_owner "$1"
    read -r ST_USER ST_GROUP ST_UID ST_GID <<<"$REPLY"
    sim_unmap "$1"
    ST_MACPATH=$REPLY
    case $ST_MACPATH in
    /Volumes/Macintosh\ HD/* | /Volumes/Macintosh\ HD) ST_DEV=16777220 ;;
    /Volumes/*) ST_DEV=16777229 ;;
    *) ST_DEV=16777220 ;;
    esac
    sim_flags "$ST_MACPATH"
    ST_FLAGNAMES=$REPLY
    ST_FLAGS=0
    [[ ,$ST_FLAGNAMES, == *,hidden,* ]] && ((ST_FLAGS |= 0x8000))
    [[ ,$ST_FLAGNAMES, == *,uchg,* ]] && ((ST_FLAGS |= 0x2))
    return 0
}
