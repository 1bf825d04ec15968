@echo off
rem Runs Vireola's test suite on Windows 10 or 11, without Wine, from a build
rem directory or from a folder of the build's binaries (CI's artifact):
rem
rem   scripts\test-windows.cmd [BIN_FOLDER] [-R TEXT] [PROGRAM...]
rem
rem BIN_FOLDER defaults to build\win32\bin beside this script's folder. The
rem output and the exit code are ctest's (0, or 8 when a test failed). The
rem release tests install into this user's profile and run only with
rem VIREOLA_TEST_INSTALL=1. The tests delete Vireola's settings; the runner
rem puts the user's back when it ends.
setlocal
set "bin=%~dp0..\build\win32\bin"
set "first=%~1"
if not "%first%"=="" if not "%first:~0,1%"=="-" (
    set "bin=%first%"
    shift
)
if not exist "%bin%\SuiteRunner.exe" (
    echo No SuiteRunner.exe in %bin%: build the win32 preset, or name the folder of its binaries.
    exit /b 2
)
"%bin%\SuiteRunner.exe" --bin "%bin%" %1 %2 %3 %4 %5 %6 %7 %8 %9
exit /b %errorlevel%
