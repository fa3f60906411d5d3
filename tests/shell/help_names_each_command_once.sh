#!/usr/bin/env bash
# Fails when `orvak-dev help` lists a command twice (two rows that drift apart) or lists none.
set -euo pipefail
help=$("$1" help)
names=$(sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p; s/^  \([a-z][a-z-]*\)$/\1/p' <<<"$help")
[[ -n "$names" ]] || { echo "no commands listed"; exit 1; }
dups=$(sort <<<"$names" | uniq -d)
[[ -z "$dups" ]] || { echo "listed twice:" $dups; exit 1; }
echo "$(wc -l <<<"$names") commands, each once"
