# Disk and volume table of the simulated Mac, shared by diskutil, hdiutil and
# osascript (Finder eject, the mount-menu script). The internal disk (disk0 and
# its APFS container disk1) never changes and lives in data/; state/disks.tsv
# holds every other disk: one row per whole disk or partition, "-" for an empty
# field. A mounted volume is the folder /Volumes/<name>; an unmounted one keeps
# its files in .sim/offline/<device> until it is mounted again. An ejected disk
# ("ejected" in its whole-disk row) is out of the machine: no tool sees it or
# its partitions until the row says "-" again (the disk plugged back in).

D_DEV=() D_WHERE=() D_TYPE=() D_NAME=() D_BYTES=() D_MOUNTED=() D_EJECTED=()

disks_load() {
    local dev where type name bytes mounted line ejected=' '
    D_DEV=() D_WHERE=() D_TYPE=() D_NAME=() D_BYTES=() D_MOUNTED=() D_EJECTED=()
    while IFS= read -r line; do
        IFS=$'\t' read -r dev where type name bytes mounted <<<"$line"
        [[ -z $dev || $dev == '#'* ]] && continue
        [[ $mounted == ejected ]] && ejected+="$dev "
        disks_whole "$dev"
        if [[ $ejected == *" $REPLY "* ]]; then
            D_EJECTED+=("$line")
            continue
        fi
        D_DEV+=("$dev") D_WHERE+=("$where") D_TYPE+=("$type")
        D_NAME+=("$name") D_BYTES+=("$bytes") D_MOUNTED+=("$mounted")
    done <"$SIM_STATE/disks.tsv"
}

disks_save() {
    local i f=$SIM_STATE/disks.tsv
    {
        printf '# device\twhere\ttype\tname\tbytes\tmounted\n'
        for i in "${!D_DEV[@]}"; do
            printf '%s\t%s\t%s\t%s\t%s\t%s\n' "${D_DEV[i]}" "${D_WHERE[i]}" "${D_TYPE[i]}" \
                "${D_NAME[i]}" "${D_BYTES[i]}" "${D_MOUNTED[i]}"
        done
        if ((${#D_EJECTED[@]})); then
            printf '%s\n' "${D_EJECTED[@]}"
        fi
    } >"$f.tmp.$$" && mv -f "$f.tmp.$$" "$f"
}

# disks_whole DEV: the whole-disk identifier of a device (disk2s3 -> disk2).
disks_whole() {
    REPLY=${1%%s[0-9]*}
}

# disks_find DEVICE: index of the row named by a device (disk2s2, /dev/disk2s2),
# a volume name or a mount point (/Volumes/Name); -1 when there is none.
disks_find() {
    local device=${1#/dev/} i
    [[ $device == rdisk* ]] && device=${device#r}
    for i in "${!D_DEV[@]}"; do
        if [[ ${D_DEV[i]} == "$device" || (${D_NAME[i]} != - && (${D_NAME[i]} == "$1" || "/Volumes/${D_NAME[i]}" == "${1%/}")) ]]; then
            REPLY=$i
            return 0
        fi
    done
    REPLY=-1
    return 1
}

# disks_is_volume I: whether row I carries a file system that can be mounted.
disks_is_volume() {
    [[ ${D_NAME[$1]} != - && ${D_TYPE[$1]} != *_scheme && ${D_TYPE[$1]} != EFI ]]
}

# A volume's name must be a single path component for the folder moves below.
disks_safe_name() {
    [[ -n $1 && $1 != - && $1 != . && $1 != .. && $1 != */* ]]
}

disks_mount_row() {
    local i=$1 name=${D_NAME[$1]} off=$SIM_DIR/offline/${D_DEV[$1]}
    disks_safe_name "$name" || return 1
    if [[ ! -e $SIM_ROOT/Volumes/$name ]]; then
        if [[ -d $off ]]; then
            mv -- "$off" "$SIM_ROOT/Volumes/$name"
        else
            mkdir -p -- "$SIM_ROOT/Volumes/$name"
        fi
    fi
    D_MOUNTED[i]=yes
}

disks_unmount_row() {
    local i=$1 name=${D_NAME[$1]} off=$SIM_DIR/offline/${D_DEV[$1]}
    disks_safe_name "$name" || return 1
    if [[ -d $SIM_ROOT/Volumes/$name && ! -L $SIM_ROOT/Volumes/$name ]]; then
        mkdir -p -- "$SIM_DIR/offline"
        rm -rf -- "$off"
        mv -- "$SIM_ROOT/Volumes/$name" "$off"
    fi
    D_MOUNTED[i]=no
}

# disks_drop_disk WHOLE: forget a whole disk and its partitions; the files of
# its volumes are gone (a detached RAM disk or image).
disks_drop_disk() {
    local i whole keep=()
    for i in "${!D_DEV[@]}"; do
        disks_whole "${D_DEV[i]}"
        whole=$REPLY
        if [[ $whole == "$1" ]]; then
            if disks_safe_name "${D_NAME[i]}" && [[ ${D_MOUNTED[i]} == yes ]]; then
                rm -rf -- "$SIM_ROOT/Volumes/${D_NAME[i]}"
            fi
            rm -rf -- "$SIM_DIR/offline/${D_DEV[i]}"
        else
            keep+=("$i")
        fi
    done
    local dev=() where=() type=() name=() bytes=() mounted=()
    for i in "${keep[@]}"; do
        dev+=("${D_DEV[i]}") where+=("${D_WHERE[i]}") type+=("${D_TYPE[i]}")
        name+=("${D_NAME[i]}") bytes+=("${D_BYTES[i]}") mounted+=("${D_MOUNTED[i]}")
    done
    D_DEV=("${dev[@]}") D_WHERE=("${where[@]}") D_TYPE=("${type[@]}")
    D_NAME=("${name[@]}") D_BYTES=("${bytes[@]}") D_MOUNTED=("${mounted[@]}")
}

# disks_next_free: the next unused whole-disk identifier. An ejected disk keeps
# its identifier, so that plugging it back in clashes with nothing.
disks_next_free() {
    local n=2 i used
    while :; do
        used=0
        for i in "${!D_DEV[@]}"; do
            [[ ${D_DEV[i]} == "disk$n" ]] && used=1
        done
        for i in "${D_EJECTED[@]}"; do
            [[ ${i%%$'\t'*} == "disk$n" ]] && used=1
        done
        ((used)) || break
        ((n++))
    done
    REPLY=disk$n
}

# disks_human BYTES: a size as diskutil prints it (decimal units, one decimal).
disks_human() {
    local b=$1 unit=1000 suffix=KB t
    if ((b >= 1000000000000)); then
        unit=1000000000000 suffix=TB
    elif ((b >= 1000000000)); then
        unit=1000000000 suffix=GB
    elif ((b >= 1000000)); then
        unit=1000000 suffix=MB
    fi
    t=$(((b * 10 + unit / 2) / unit))
    ((t < 10)) && t=0$t
    REPLY="${t:0:${#t}-1}.${t: -1} $suffix"
}

# disks_row NUM TYPE NAME SIZEMARK SIZE ID: one line of `diskutil list`.
disks_row() {
    printf '%4s: %26s %-23s%1s%-10s %s\n' "$1" "$2" "$3" "$4" "$5" "$6"
}

disks_list_text() {
    local i whole slice type name mark
    cat "$SIM_DATA/diskutil-internal.txt"
    for i in "${!D_DEV[@]}"; do
        if [[ ${D_DEV[i]} != *s[0-9]* ]]; then
            whole=${D_DEV[i]}
            case ${D_WHERE[i]} in
            image) printf '/dev/%s (disk image):\n' "$whole" ;;
            *) printf '/dev/%s (external, physical):\n' "$whole" ;;
            esac
            printf '   #:                       TYPE NAME                    SIZE       IDENTIFIER\n'
            slice=0 mark='*'
            [[ ${D_WHERE[i]} == image ]] && mark=+
        else
            slice=${D_DEV[i]##*s}
            mark=' '
        fi
        type=${D_TYPE[i]} name=${D_NAME[i]}
        [[ $type == - ]] && type=''
        [[ $name == - ]] && name=''
        ((${#name} > 23)) && name=${name:0:20}...
        disks_human "${D_BYTES[i]}"
        disks_row "$slice" "$type" "$name" "$mark" "$REPLY" "${D_DEV[i]}"
        # A blank line closes each disk's block.
        if [[ $((i + 1)) -ge ${#D_DEV[@]} || ${D_DEV[i + 1]} != *s[0-9]* ]]; then
            printf '\n'
        fi
    done
}

disks_xml() {
    local s=$1
    s=${s//&/&amp;}
    s=${s//</&lt;}
    s=${s//>/&gt;}
    REPLY=$s
}

# disks_plist_volume INDENT I: the keys of a partition or whole-disk volume.
disks_plist_keys() {
    local t=$1 i=$2
    printf '%s<key>Content</key>\n%s<string>%s</string>\n' "$t" "$t" "${D_TYPE[i]/#-/}"
    printf '%s<key>DeviceIdentifier</key>\n%s<string>%s</string>\n' "$t" "$t" "${D_DEV[i]}"
    if [[ ${D_MOUNTED[i]} == yes ]]; then
        disks_xml "/Volumes/${D_NAME[i]}"
        printf '%s<key>MountPoint</key>\n%s<string>%s</string>\n' "$t" "$t" "$REPLY"
    fi
}

disks_list_plist() {
    local i j whole t4=$'\t\t\t\t' t5=$'\t\t\t\t\t'
    local all=(disk0 disk0s1 disk0s2 disk1 disk1s1 disk1s2 disk1s3 disk1s4 disk1s5)
    local wholes=(disk0 disk1) mounted=('Macintosh HD - Data' VM 'Macintosh HD')
    for i in "${!D_DEV[@]}"; do
        all+=("${D_DEV[i]}")
        [[ ${D_DEV[i]} == *s[0-9]* ]] || wholes+=("${D_DEV[i]}")
        [[ ${D_MOUNTED[i]} == yes ]] && mounted+=("${D_NAME[i]}")
    done
    printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' \
        '<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">' \
        '<plist version="1.0">' '<dict>' $'\t<key>AllDisks</key>' $'\t<array>'
    printf '\t\t<string>%s</string>\n' "${all[@]}"
    printf '\t</array>\n\t<key>AllDisksAndPartitions</key>\n\t<array>\n'
    cat "$SIM_DATA/diskutil-internal.plist"
    for i in "${!D_DEV[@]}"; do
        [[ ${D_DEV[i]} == *s[0-9]* ]] && continue
        whole=${D_DEV[i]}
        printf '\t\t<dict>\n'
        disks_plist_keys $'\t\t\t' "$i"
        if [[ ${D_TYPE[i]} == *_scheme ]]; then
            printf '\t\t\t<key>Partitions</key>\n\t\t\t<array>\n'
            for j in "${!D_DEV[@]}"; do
                disks_whole "${D_DEV[j]}"
                [[ ${D_DEV[j]} == *s[0-9]* && $REPLY == "$whole" ]] || continue
                printf '%s<dict>\n' "$t4"
                disks_plist_keys "$t5" "$j"
                printf '%s<key>Size</key>\n%s<integer>%s</integer>\n' "$t5" "$t5" "${D_BYTES[j]}"
                if [[ ${D_NAME[j]} != - ]]; then
                    disks_xml "${D_NAME[j]}"
                    printf '%s<key>VolumeName</key>\n%s<string>%s</string>\n' "$t5" "$t5" "$REPLY"
                fi
                printf '%s</dict>\n' "$t4"
            done
            printf '\t\t\t</array>\n'
        fi
        printf '\t\t\t<key>Size</key>\n\t\t\t<integer>%s</integer>\n' "${D_BYTES[i]}"
        if [[ ${D_TYPE[i]} != *_scheme && ${D_NAME[i]} != - ]]; then
            disks_xml "${D_NAME[i]}"
            printf '\t\t\t<key>VolumeName</key>\n\t\t\t<string>%s</string>\n' "$REPLY"
        fi
        printf '\t\t</dict>\n'
    done
    printf '\t</array>\n\t<key>VolumesFromDisks</key>\n\t<array>\n'
    for i in "${mounted[@]}"; do
        disks_xml "$i"
        printf '\t\t<string>%s</string>\n' "$REPLY"
    done
    printf '\t</array>\n\t<key>WholeDisks</key>\n\t<array>\n'
    printf '\t\t<string>%s</string>\n' "${wholes[@]}"
    printf '\t</array>\n</dict>\n</plist>\n'
}

# disks_unmounted_names: what the mount menu's script returns, computed the way
# that script does it: every partition whose Content starts with Apple_ (but is
# not Apple_Boot or Apple_CoreStorage), minus the mounted names. The APFS
# partition of the internal disk has no VolumeName, which the script turns into
# "missing value".
disks_unmounted_names() {
    local i out='missing value,' name
    local mounted_names=$'\n''Macintosh HD - Data'$'\n''VM'$'\n''Macintosh HD'$'\n'
    for i in "${!D_DEV[@]}"; do
        [[ ${D_MOUNTED[i]} == yes ]] && mounted_names+=${D_NAME[i]}$'\n'
    done
    for i in "${!D_DEV[@]}"; do
        [[ ${D_DEV[i]} == *s[0-9]* ]] || continue
        case ${D_TYPE[i]} in
        Apple_Boot | Apple_CoreStorage) continue ;;
        Apple_*) ;;
        *) continue ;;
        esac
        name=${D_NAME[i]}
        [[ $name == - ]] && name='missing value'
        [[ $mounted_names == *$'\n'"$name"$'\n'* ]] && continue
        out+=$name,
    done
    REPLY=$out
}
