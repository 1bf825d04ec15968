// What the wallpaper's reading finds on this desktop: the per-monitor class's
// answers with their HRESULTs, the shell's records of its copies, and each
// monitor's file with the reason. COM is initialised on the calling thread.
#pragma once

void PrintWallpaperFacts();
// One evaluation as the program makes it: how long it and its calls into the
// shell took, and whether they were given up on and cancelled.
void PrintEvaluationFacts();
