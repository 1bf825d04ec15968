#!/usr/bin/env bash
# The Windows workflow's artifact holds every package that the release tests
# install on the Windows runner: each that PackageTest.cpp names
# (Package("rebuilt", ...)), from the folder make_packages.sh builds it in.
#   check_artifact.sh SOURCE_DIR
set -euo pipefail
cd "$1"
mapfile -t packages < <(grep -o 'Package("[a-z]*",' tests/package/PackageTest.cpp | cut -d'"' -f2 | sort -u)
if [ ${#packages[@]} -eq 0 ]; then
    echo "no package named in tests/package/PackageTest.cpp"
    exit 1
fi
# the upload step's paths, a line each
paths=$(/usr/bin/yq -r '.jobs.build.steps[] | select((.uses // "") | startswith("actions/upload-artifact"))
    | .with.path' .github/workflows/windows.yml)
status=0
for package in "${packages[@]}"; do
    grep -qxF "build/win32/package-test/$package/*.msi" <<<"$paths" \
        || { echo "the artifact lacks the $package package (build/win32/package-test/$package/*.msi)"; status=1; }
done
if [ $status -eq 0 ]; then echo "the artifact holds the packages the release tests install: ${packages[*]}"; fi
exit $status
