// A photograph's orientation: a camera held turned stores the picture on its
// side, with an Exif tag that says how it is to be turned to be shown, and
// Windows shows it so turned. The wallpaper is judged as it shows.
#pragma once
#include "PictureDecode.h"
#include <wincodec.h>

// A frame's Exif orientation, 1 to 8, read through its metadata; 1 (as
// stored) for none, a reader that has none, or a value that is none of these.
int ReadOrientation(IWICMetadataQueryReader* pReader);

// The picture turned and mirrored from how it is stored to how that
// orientation shows it; a quarter turn (5 to 8) swaps its sizes, its own and
// as decoded. False, and the picture as it was, where memory is short.
bool TurnAsShown(Picture& picture, int orientation);
