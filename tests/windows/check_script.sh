#!/usr/bin/env bash
# scripts/test-windows.cmd under Wine's own cmd, as Windows' would run it: its
# exit code and its summary for a run that passes (from a named folder) and
# one that fails (from the build directory beside it), and its refusal of a
# folder without the runner.
#   check_script.sh WINERUN SCRIPT BIN
set -u
winerun=$1 script=$2 bin=$3
# Wine shows the Linux root as drive Z:
win() { local path=${1//\//\\}; echo "Z:$path"; }
status=0
expect() { # what, wanted code, code, output, text
    if [ "$3" -ne "$2" ] || ! grep -qF -- "$5" <<<"$4"; then
        echo "FAILED: $1: exit code $3 (wanted $2), output:"; echo "$4"; status=1
    else
        echo "ok: $1"
    fi
}

out=$("$winerun" cmd /c "$(win "$script")" "$(win "$bin")" -R Passes suite_runner_sample.exe 2>&1)
expect "a passing run" 0 $? "$out" "100% tests passed, 0 tests failed out of 1"
out=$("$winerun" cmd /c "$(win "$script")" -R Fails suite_runner_sample.exe 2>&1)
expect "a failing run" 8 $? "$out" "0% tests passed, 1 tests failed out of 1"
out=$("$winerun" cmd /c "$(win "$script")" "$(win "$bin/nowhere")" 2>&1)
expect "a folder without the runner" 2 $? "$out" "No SuiteRunner.exe in"
exit $status
