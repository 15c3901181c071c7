#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;
class Workspace;

// The approved firmware that users other than its keepers could change, so that a code made with an
// image of their own would pass for genuine. Only said, never refused: a workspace of one's own
// stays usable.
struct ChangeableFirmware
{
    // Each file or folder others can change, once, in the order looked at: the workspace, TXT, Bin,
    // then each descriptor and, row by row, the folders below Bin, the image and, for a link, the
    // folder each of its steps leads into. Spelled from the workspace's root as given.
    std::vector<std::filesystem::path> paths;
    // The command line's warning (UTF-8): one line per path, each ending in a line feed. Empty when
    // nothing is open.
    std::string warning;
    // What the desktop faces show at start-up (Windows-1252). Empty when nothing is open.
    std::string message;
};

// Looks at the workspace's root, TXT, Bin, the descriptors listed in TXT and the images the
// catalogue's rows name, as they are now. Something that cannot be examined (missing, no permission)
// is not counted: the catalogue has its own word for that.
ChangeableFirmware changeableFirmware(const Workspace& workspace, const FirmwareCatalogue& catalogue);

// The two texts for these paths.
std::string changeableFirmwareWarning(const std::vector<std::filesystem::path>& paths);
std::string changeableFirmwareMessage(const std::vector<std::filesystem::path>& paths);

// Platform half. Whether a user other than the keepers may change what path names (links followed):
// on POSIX, writable by group or others, or owned by a user other than root and the one running us;
// on Windows, owned by someone other than SYSTEM, Administrators and the one running us, or with an
// access list that lets anyone but the owner, SYSTEM and Administrators write. False when it cannot
// be examined.
bool changeableByOthers(const std::filesystem::path& path);

} // namespace morvanex
