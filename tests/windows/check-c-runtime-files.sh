#!/usr/bin/env bash
# The Windows programs must create, write, replace and remove files, and
# write to the console, through the Win32 API alone: what the C runtime
# does with them differs between runtimes (msvcrt.dll refuses fopen modes
# that wine's runtime and glibc accept, _isatty calls NUL a terminal, narrow
# stdio writes bytes in the console's code page). This fails when any of
# the given objects or libraries calls such a function itself.
# Usage: check-c-runtime-files.sh NM OBJECT-OR-LIBRARY...
set -euo pipefail
nm=$1; shift
forbidden='fopen|fopen64|_wfopen|_wfopen_s|_fsopen|_wfsopen|freopen|_wfreopen|fdopen|_fdopen|_open|_wopen|_sopen|_wsopen'
forbidden+='|fclose|fread|fwrite|fflush|fputc|fputs|puts|putchar|printf|fprintf|vprintf|vfprintf'
forbidden+='|__mingw_printf|__mingw_fprintf|__mingw_vprintf|__mingw_vfprintf|fseek|_fseeki64|fseeko64|ftell|_ftelli64'
forbidden+='|_commit|_fileno|fileno|rename|_wrename|remove|_wremove|unlink|_unlink|_wunlink|_chmod|_wchmod|isatty|_isatty'
calls=$("$nm" -u -A "$@" | awk '{print $1, $NF}')
found=$(printf '%s\n' "$calls" | grep -E " (__imp_)?($forbidden)\$" || true)
# The standard library's file streams and file operations sit on the C
# runtime as well.
library=$(printf '%s\n' "$calls" | awk '$2 ~ /^_Z/' | "${nm%nm}c++filt" \
  | grep -E 'std::basic_filebuf|std::basic_[io]?fstream|std::filesystem::(rename|remove|remove_all|permissions|copy_file|resize_file)\(' || true)
if [ -n "$found$library" ]; then
  echo "C runtime file or console functions called directly:"
  printf '%s\n' "$found" "$library" | sed '/^$/d'
  exit 1
fi
echo "no C runtime file or console functions in $# objects and libraries"
