#!/bin/sh
# Runs PROGRAM ARG... (help2man's --help or --version) and passes its output
# on with the usage in the form help2man takes for the synopsis: "usage:"
# as "Usage:", every further synopsis line as "  or:  ", and a line that
# only carries on the options of the one before joined to it. An indented
# line that explains an option ("  --encoding  ...") ends the synopsis.
#   help2man-usage.sh PROGRAM ARG...
set -e
program=$1
shift
"$program" "$@" | awk '
function flush() { if (pending != "") print pending; pending = "" }
/^usage: / { flush(); sub(/^usage: /, "Usage: "); pending = $0; synopsis = 1; next }
synopsis && /^ +-/ { flush(); synopsis = 0; print; next }
synopsis && /^ +\[/ { sub(/^ +/, " "); pending = pending $0; next }
synopsis && /^ +[^ ]/ { flush(); sub(/^ +/, "  or:  "); pending = $0; next }
{ flush(); synopsis = 0; print }
END { flush() }'
