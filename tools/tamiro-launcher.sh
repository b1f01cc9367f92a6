#!/bin/sh
# Starts the installed program from its own folder.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/tamiro/tamiro" "$@"
