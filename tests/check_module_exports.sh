#!/usr/bin/env bash
# Every Linux module exports its two entry points and nothing else: any other symbol would be
# shared with the other modules loaded into the same process.
set -euo pipefail
plugin_dir=$1
failed=0
for name in LumovMirror LumovMultiple LumovHotspot LumovHotspotMove LumovReverse; do
  module=$plugin_dir/$name.fex
  if [[ ! -f $module ]]; then
    echo "$module: missing"
    failed=1
    continue
  fi
  exports=$(nm -D --defined-only "$module" | awk '{ print $NF }' | sort | paste -sd ' ')
  if [[ $exports == "createEffect registerEffects" ]]; then
    echo "$name.fex: $exports"
  else
    echo "$name.fex exports: $exports (expected: createEffect registerEffects)"
    failed=1
  fi
done
exit $failed
