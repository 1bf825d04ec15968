// What the wallpaper's reading finds on this desktop, for a first run on
// Windows 8 to 11 to show whether it reads what the shell shows: each
// monitor as the per-monitor class answers (with each call's HRESULT), the
// shell's records of the pictures behind its copies, and the file chosen for
// each monitor with the reason.
#pragma once

// COM is initialised on the calling thread.
void PrintWallpaperFacts();
