#!/usr/bin/env bash
# Checks that a page of the docs names only what the tree has, so it cannot go
# stale unnoticed. Between backticks (outside fenced blocks):
#   - a path (a slash or a file extension) must exist; a name without a folder
#     must be some file's name or appear in a source; a word in capitals
#     (sim_NAME.cpp) stands for any text;
#   - a class, function or other identifier (mixed case or an underscore:
#     cZmqQtListenerBase, RenderArea::paintEvent, topics_data) and a
#     hyphenated program name (unit-sim) must appear as a word in a source,
#     build file or script; a quoted text ("Switch") must appear as it stands;
#   - a command: "unit-sim ROLE" must name a role of tools/unit-sim, and its
#     words that look like paths must exist.
# Relative links must reach an existing file, and a heading of it when they
# name one. Prints each name not found and fails; needs only bash, git and grep.
#
#   check-docs.sh [PAGE...]     (default docs/ARCHITECTURE.md)
set -euo pipefail
cd "$(dirname "$0")/.."

pages=("$@")
((${#pages[@]})) || pages=(docs/ARCHITECTURE.md)

# What a name may be found in: the tree as git sees it, new files included
# (every file but the build trees' in a copy without git).
list_tree() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files --cached --others --exclude-standard
    else
        find . \( -path './build*' -o -path ./out -o -path ./sysroot -o -path ./.git \) -prune \
            -o -type f -printf '%P\n'
    fi
}
mapfile -t tree < <(list_tree | while read -r f; do [ -e "$f" ] && echo "$f"; done)
mapfile -t texts < <(printf '%s\n' "${tree[@]}" |
    grep -E '(\.(cpp|h|c|cmake|sh|py|in|json)|CMakeLists\.txt|^\.ci/run)$' |
    grep -vxF scripts/check-docs.sh) # whose comments name examples

# in_texts [-w] TEXT: TEXT (as a word) in a source, build file or script.
in_texts() {
    local -a opts=()
    [ "$1" = -w ] && opts=(-w) && shift
    grep -qF "${opts[@]}" -e "$1" -- "${texts[@]}"
}

path_found() {
    local p=$1
    case "$p" in
        /* | http* | build*/* | out/*) return 0 ;; # not of the tree
    esac
    [ -e "$p" ] && return 0
    if [[ "$p" == */* ]]; then
        # A word in capitals stands for any text: sim_NAME.cpp.
        local pattern
        pattern=$(sed -E 's/(^|[/_.-])[A-Z][A-Z0-9]{2,}([/_.-]|$)/\1*\2/g' <<<"$p")
        [[ "$pattern" == *[*?]* ]] && compgen -G "$pattern" >/dev/null
        return
    fi
    # A file's own name, or a name the code uses (a socket: DoRiduyPub.ipc).
    printf '%s\n' "${tree[@]##*/}" | grep -qxF -e "$p" || in_texts "$p"
}

looks_like_path() { [[ "$1" == */* || "$1" =~ \.[A-Za-z][A-Za-z0-9]*$ || "$1" == *.\* ]]; }

# True when the name is found, or is no name this check knows how to look for.
name_found() {
    local t=$1
    case "$t" in
        '' | '{'* | '['* | '<'* | '-'* | '$'* | [0-9]*) return 0 ;;
        '"'*) in_texts "$t"; return ;;
    esac
    if looks_like_path "$t"; then
        path_found "$t"
        return
    fi
    t=${t%%(*} # SetTopics(...) and sltShow() are the function's name
    if [[ "$t" == *::* ]]; then
        local part
        for part in ${t//::/ }; do
            name_found "$part" || return 1
        done
        return 0
    fi
    if [[ "$t" =~ ^[A-Za-z_][A-Za-z0-9_]*$ ]]; then
        if [[ "$t" == *_* || ("$t" =~ [A-Z] && "$t" =~ [a-z]) ]]; then
            in_texts -w "$t"
            return
        fi
        return 0 # a plain word: dev, xcb, false
    fi
    if [[ "$t" =~ ^[a-z0-9]+(-[a-z0-9]+)+$ ]]; then
        in_texts -w "$t"
        return
    fi
    return 0
}

command_found() {
    local -a words
    read -r -a words <<<"$1"
    if [ "${words[0]}" = unit-sim ]; then
        local w
        for w in "${words[@]:1}"; do
            [[ "$w" == -* ]] && continue
            [ -e "tools/unit-sim/sim_$w.cpp" ] || grep -qF "\"$w\"" tools/unit-sim/sim_*.cpp || return 1
            break
        done
    fi
    local w
    for w in "${words[@]}"; do
        if looks_like_path "$w"; then path_found "$w" || return 1; fi
    done
    return 0
}

# The slugs of a page's headings, as a link names them.
slugs() {
    awk '/^```/ { fenced = !fenced; next } !fenced && /^#+ / { sub(/^#+ /, ""); print }' "$1" |
        tr '[:upper:]' '[:lower:]' | sed -E 's/[^a-z0-9 _-]//g; s/ /-/g'
}

link_found() {
    local page=$1 target=$2 file anchor
    case "$target" in
        http:* | https:* | mailto:*) return 0 ;;
    esac
    file=${target%%#*}
    anchor=${target#"$file"}
    anchor=${anchor#\#}
    if [ -z "$file" ]; then
        file=$page
    else
        file=$(dirname "$page")/$file
    fi
    [ -e "$file" ] || return 1
    [ -z "$anchor" ] || slugs "$file" | grep -qxF -- "$anchor"
}

failures=0
for page in "${pages[@]}"; do
    if [ ! -f "$page" ]; then
        echo "check-docs: $page is missing"
        failures=$((failures + 1))
        continue
    fi
    count=0
    # "LINE<tab>code<tab>TEXT" for each backticked span, "LINE<tab>link<tab>TARGET" for each link.
    while IFS=$'\t' read -r line kind text; do
        count=$((count + 1))
        if [ "$kind" = link ]; then
            link_found "$page" "$text" && continue
            echo "check-docs: $page:$line: link to $text: no such file or heading"
        elif [[ "$text" == *' '* ]]; then
            command_found "$text" && continue
            echo "check-docs: $page:$line: \`$text\` names what is not in the tree"
        else
            name_found "$text" && continue
            echo "check-docs: $page:$line: \`$text\` is not in the tree"
        fi
        failures=$((failures + 1))
    done < <(awk '
        /^```/ { fenced = !fenced; next }
        fenced { next }
        {
            rest = $0
            while (match(rest, /`[^`]+`/)) {
                printf "%d\tcode\t%s\n", NR, substr(rest, RSTART + 1, RLENGTH - 2)
                rest = substr(rest, RSTART + RLENGTH)
            }
            rest = $0
            while (match(rest, /\]\([^) ]+\)/)) {
                printf "%d\tlink\t%s\n", NR, substr(rest, RSTART + 2, RLENGTH - 3)
                rest = substr(rest, RSTART + RLENGTH)
            }
        }' "$page")
    echo "check-docs: $page: $count names and links looked up"
done

if ((failures)); then
    echo "check-docs: $failures not found"
    exit 1
fi
