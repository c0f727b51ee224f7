#!/usr/bin/env bash
# The platform-free core stays platform-free: a file under a core/ folder
# includes no Windows header and no header outside a core/ folder (its own
# folder's headers are named by their core/ path too). Prints each file and
# line that breaks the rule; fails when there is one.
#   tools/check_core.sh [root]
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2
bad=0
while IFS= read -r file; do
  while IFS= read -r hit; do
    line=${hit%%:*}
    text=${hit#*:}
    case $text in
      *'<'*)
        header=${text#*<}; header=${header%%>*}
        lower=$(printf '%s' "$header" | tr 'A-Z' 'a-z')
        case $lower in
          windows.h|winsock*|ws2*|winbase.h|winuser.h|wingdi.h|winreg.h|windef.h|winnt.h|\
          sspi.h|schannel.h|security.h|wincrypt.h|commctrl.h|shellapi.h|objbase.h|io.h|share.h|\
          process.h|direct.h|malloc.h)
            echo "$file:$line: a Windows header: $header"; bad=1 ;;
        esac ;;
      *'"'*)
        header=${text#*\"}; header=${header%%\"*}
        case $header in
          */core/*) [ -f "$header" ] || { echo "$file:$line: no such core header: $header"; bad=1; } ;;
          *) echo "$file:$line: a header outside the core: $header"; bad=1 ;;
        esac ;;
    esac
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include' "$file")
done < <(find . -path ./build -prune -o -path ./.git -prune -o -type f -path '*/core/*' \
           \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) -print | sed 's|^\./||' | grep -v '^tests/' | sort)
if [ $bad -ne 0 ]; then
  echo "check_core: the core includes what it must not" >&2
  exit 1
fi
echo "check_core: $(find . -path ./build -prune -o -path ./.git -prune -o -type f -path '*/core/*' \( -name '*.h' -o -name '*.cpp' \) -print | grep -vc '^./tests/') files, platform-free"
