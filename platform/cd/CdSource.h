// Which CD the program reads. The drive letters of CD drives are the drive table's CD-ROM drives; the
// disc behind them is the image or device that QH_CDROM names (a cue/bin or toc image, or a device
// such as /dev/sr0), else the host's first CD device. Audio CDs are not mounted, so a machine whose
// table has no CD-ROM drive but has a CD source gets one drive letter for it: the first letter from
// D: that the table leaves free.
#pragma once

#include <string>

namespace qh::cd {

// The CD drive letters in drive order ("" when there is no CD drive and no CD source).
std::string CdDriveLetters();
// The image or device that the CD drive with this letter reads; "" when the letter is not a CD drive
// or no source exists.
std::string CdSourceForDrive(char letter);

}  // namespace qh::cd
