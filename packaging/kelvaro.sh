#!/bin/sh
# Starts Kelvaro from its own folder, where its read-me file lies beside it.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../libexec/kelvaro/kelvaro" "$@"
